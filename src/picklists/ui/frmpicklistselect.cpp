#include "frmpicklistselect.h"

#include "columns/cfiltercolumns.h"
#include "core/tracescope.h"
#include "picklists/cscpicklist.h"

#include "hostkit/serviceshelper.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "frmPicklistSelect";
}

frmPicklistSelect::frmPicklistSelect(QWidget *parent) : LibraryDialog(parent, QStringLiteral("frmPicklistSelect"))
{
    setResourceText(this, 6823);
    auto *prompt = new QLabel(this);
    setResourceText(prompt, 8353);
    prompt->setObjectName(QStringLiteral("lblPrompt"));
    m_lstColumns = new QListWidget(this);
    m_lstColumns->setObjectName(QStringLiteral("lstColumns"));
    m_cmdEdit = makeButton("cmdEdit", 8070);
    m_cmdEdit->setDefault(true);
    QPushButton *cancel = makeButton("cmdCancel", 8073);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_lstColumns, 1);
    layout->addLayout(buttonRow({m_cmdEdit, cancel}));
    connect(m_cmdEdit, &QPushButton::clicked, this, [this] {
        traced("cmdEdit_Click", Module, [&] {
            ServicesHelper::instance().Idle();
            cmdEdit();
        });
    });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_lstColumns, &QListWidget::currentRowChanged, this, [this](int row) { m_cmdEdit->setEnabled(row >= 0); });
    connect(m_lstColumns, &QListWidget::itemDoubleClicked, this, [this] { m_cmdEdit->click(); });
}

void frmPicklistSelect::prepare(CFilterColumns &columns, IFormsInterface *owner)
{
    m_columns = &columns;
    initializeColumnList();
    centreIn(owner ? owner->ownerRect() : columns.ownerRect());
}

void frmPicklistSelect::SelectAndEdit(CFilterColumns &columns, IFormsInterface *owner)
{
    traced("SelectAndEdit", Module, [&] {
        prepare(columns, owner);
        exec();
    });
}

void frmPicklistSelect::initializeColumnList()
{
    traced("InitializeColumnList", Module, [&] {
        m_lstColumns->clear();
        for (const CFilterColumn *column : m_columns->NewEnum()) {
            if (column->IsPicklist())
                m_lstColumns->addItem(column->Name());
        }
        m_cmdEdit->setEnabled(false);
    });
}

// The column is looked up by name: the list keeps no column pointer.
void frmPicklistSelect::cmdEdit()
{
    const QListWidgetItem *item = m_lstColumns->currentItem();
    CFilterColumn *column = item ? m_columns->findByName(item->text()) : nullptr;
    if (!column || !column->IsPicklist())
        return;
    column->PickList()->Edit(formsInterface());
}

} // namespace KvoPlx800SCtl
