#include "frmpicklistkept.h"

#include "core/tracescope.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "frmPicklistKept";
}

frmPicklistKept::frmPicklistKept(QWidget *parent) : LibraryDialog(parent, QStringLiteral("frmPicklistKept"))
{
    setResourceText(this, 8552);
    m_lblPrompt = new QLabel(this);
    m_lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    m_lblPrompt->setWordWrap(true);
    m_lblPrompt->setMinimumWidth(m_lblPrompt->fontMetrics().averageCharWidth() * 50);
    m_lstKept = new QListWidget(this);
    m_lstKept->setObjectName(QStringLiteral("lstKept"));
    m_cmdOk = makeButton("cmdOk", 8066);
    m_cmdClose = makeButton("cmdClose", 8073);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblPrompt);
    layout->addWidget(m_lstKept, 1);
    layout->addLayout(buttonRow({m_cmdOk, m_cmdClose}));
    connect(m_cmdOk, &QPushButton::clicked, this, [this] { accept(); });
    connect(m_cmdClose, &QPushButton::clicked, this, [this] { reject(); });
}

void frmPicklistKept::prepare(const QStringList &entries, bool query, IFormsInterface *owner)
{
    traced("FillList", Module, [&] {
        m_lstKept->clear();
        m_lstKept->addItems(entries);
    });
    setTranslatedText(m_lblPrompt, [query] {
        QString prompt = text(query ? 8548 : 8549) + QStringLiteral("\n\n") + text(8550);
        if (query)
            prompt += QLatin1Char(' ') + text(8551, {text(8066), text(8073)});
        return prompt;
    });
    m_cmdOk->setVisible(query);
    m_cmdOk->setDefault(query);
    setResourceText(m_cmdClose, query ? 8073 : 8065);
    m_cmdClose->setDefault(!query);
    adjustSize();
    centreIn(owner ? owner->ownerRect() : OwnerRect{});
}

void frmPicklistKept::Display(const QStringList &entries, IFormsInterface *owner)
{
    traced("Display", Module, [&] {
        prepare(entries, false, owner);
        exec();
    });
}

bool frmPicklistKept::QueryHide(const QStringList &entries, IFormsInterface *owner)
{
    return traced("QueryHide", Module, false, [&](bool &result) {
        prepare(entries, true, owner);
        result = exec() == QDialog::Accepted;
    });
}

} // namespace KvoPlx800SCtl
