#include "frmconfigure.h"

#include "frmcolumnedit.h"

#include "columns/cfiltercolumns.h"
#include "columns/columntypechange.h"
#include "core/basglobals.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/tracescope.h"
#include "picklists/cscpicklist.h"

#include "hostkit/connection.h"
#include "hostkit/messagebox.h"
#include "hostkit/serviceshelper.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

constexpr const char *Module = "frmConfigure";

enum ListColumn { ColName, ColType, ColSize, ColPicklist, ColBlanks, ColDefault, ColumnCount };

// The default of a column as the list shows it.
TranslatedText defaultCell(const CFilterColumn &c)
{
    if (ColumnTypes::isKeyword(c.ColumnType()))
        return {};
    if (c.ColumnType() == fcDateTime && !c.IsPicklist() && c.DateTimeDefaultMode() == fcDTDM_Now)
        return resourceText(8083);
    return [shown = frmColumnEdit::defaultTextOf(c.definition())] { return shown; };
}

int ask(const QString &text, int style, const QString &title, IFormsInterface *owner)
{
    return ServicesHelper::instance().ShowMessage(text, style, title, owner);
}

} // namespace

frmConfigure::frmConfigure(QWidget *parent) : LibraryDialog(parent, QStringLiteral("frmConfigure"))
{
    traced("Form_Load", Module, [&] { buildControls(); });
}

void frmConfigure::buildControls()
{
    setResourceText(this, 7104);
    setSizeGripEnabled(true);
    const auto label = [this](const char *name, int number = 0) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        if (number)
            setResourceText(l, number);
        return l;
    };
    // Each value sits right of the widest caption: one grid column holds the captions.
    auto *header = new QGridLayout;
    m_lblDBName = label("lblDBName");
    m_lblTableName = label("lblTableName");
    m_lblKeyName = label("lblKeyName");
    header->addWidget(label("lblDBLabel", 7111), 0, 0);
    header->addWidget(m_lblDBName, 0, 1);
    header->addWidget(label("lblTableLabel", 7112), 1, 0);
    header->addWidget(m_lblTableName, 1, 1);
    header->addWidget(label("lblKeyLabel", 7113), 2, 0);
    header->addWidget(m_lblKeyName, 2, 1);
    header->setColumnStretch(1, 1);
    for (QLabel *value : {m_lblDBName, m_lblTableName, m_lblKeyName})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblSearchFields = label("lblSearchFields");

    m_lvwSearch = new QTreeWidget(this);
    m_lvwSearch->setObjectName(QStringLiteral("lvwSearch"));
    m_lvwSearch->setRootIsDecorated(false);
    m_lvwSearch->setItemsExpandable(false);
    m_lvwSearch->setUniformRowHeights(true);
    m_lvwSearch->setAllColumnsShowFocus(true);
    m_lvwSearch->setColumnCount(ColumnCount);
    const struct
    {
        int number;
        Qt::Alignment alignment;
    } headers[] = {{7107, Qt::AlignLeft},    {7108, Qt::AlignLeft},    {7109, Qt::AlignRight},
                   {7120, Qt::AlignHCenter}, {7121, Qt::AlignHCenter}, {7122, Qt::AlignLeft}};
    auto *headerItem = new QTreeWidgetItem;
    for (int i = 0; i < ColumnCount; ++i) {
        setTranslatedText(headerItem, i, resourceText(headers[i].number));
        headerItem->setTextAlignment(i, headers[i].alignment | Qt::AlignVCenter);
    }
    m_lvwSearch->setHeaderItem(headerItem);
    m_lvwSearch->header()->setStretchLastSection(true);
    m_lvwSearch->header()->setSectionsMovable(false);
    m_lvwSearch->setMinimumWidth(m_lvwSearch->fontMetrics().averageCharWidth() * 90);

    m_cmdNew = makeButton("cmdNew", 8068);
    m_cmdEdit = makeButton("cmdEdit", 8070);
    m_cmdDelete = makeButton("cmdDelete", 8069);
    m_cmdUp = makeButton("cmdUp", 8071);
    m_cmdDown = makeButton("cmdDown", 8072);
    m_cmdPicklist = makeButton("cmdPicklist", 8077);
    m_cmdChangeType = makeButton("cmdChangeType", 8084);
    m_cmdApply = makeButton("cmdApply", 8067);
    m_cmdCancel = makeButton("cmdCancel", 8073);
    // The Cancel button carries the longer of its two captions' widths.
    m_cmdCancel->setMinimumWidth(qMax(m_cmdCancel->sizeHint().width(), QPushButton(text(8065)).sizeHint().width()));

    auto *body = new QHBoxLayout;
    body->addWidget(m_lvwSearch, 1);
    body->addLayout(
            buttonRow({m_cmdNew, m_cmdEdit, m_cmdDelete, m_cmdUp, m_cmdDown, m_cmdPicklist, m_cmdChangeType}, true));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(m_lblSearchFields);
    layout->addLayout(body, 1);
    layout->addLayout(buttonRow({m_cmdApply, m_cmdCancel}));

    // Every button first lets the previous field's leave handling run.
    const auto handler = [this](const char *name, void (frmConfigure::*action)()) {
        return [this, name, action] {
            traced(name, Module, [&] {
                ServicesHelper::instance().Idle();
                (this->*action)();
            });
        };
    };
    connect(m_cmdNew, &QPushButton::clicked, this, handler("cmdNew_Click", &frmConfigure::cmdNew));
    connect(m_cmdEdit, &QPushButton::clicked, this, handler("cmdEdit_Click", &frmConfigure::cmdEdit));
    connect(m_cmdDelete, &QPushButton::clicked, this, handler("cmdDelete_Click", &frmConfigure::cmdDelete));
    connect(m_cmdUp, &QPushButton::clicked, this, handler("cmdUp_Click", &frmConfigure::cmdUp));
    connect(m_cmdDown, &QPushButton::clicked, this, handler("cmdDown_Click", &frmConfigure::cmdDown));
    connect(m_cmdPicklist, &QPushButton::clicked, this, handler("cmdPicklist_Click", &frmConfigure::cmdPicklist));
    connect(m_cmdChangeType, &QPushButton::clicked, this, handler("cmdChangeType_Click", &frmConfigure::changeType));
    connect(m_cmdApply, &QPushButton::clicked, this, handler("cmdApply_Click", &frmConfigure::cmdApply));
    connect(m_cmdCancel, &QPushButton::clicked, this, handler("cmdCancel_Click", &frmConfigure::cmdCancel));
    connect(m_lvwSearch, &QTreeWidget::currentItemChanged, this, [this] { controlsUpdate(); });
    connect(m_lvwSearch, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_cmdEdit->isEnabled())
            m_cmdEdit->click();
    });
}

// --- Opening ------------------------------------------------------------------------------------

void frmConfigure::Configure(CFilterColumns &columns)
{
    traced("Configure", Module, [&] {
        prepare(columns);
        exec();
    });
}

void frmConfigure::prepare(CFilterColumns &columns)
{
    m_columns = &columns;
    const ConnectionUrl url = columns.connection() ? columns.connection()->url() : ConnectionUrl{};
    m_lblDBName->setText(url.path.isEmpty() ? url.database : url.path);
    m_lblTableName->setText(columns.baseTableName());
    m_lblKeyName->setText(columns.keyFieldName());
    setResourceText(m_lblSearchFields, 7106, {columns.baseTableName()});
    setupFields();
    resize(sizeHint());
    centreIn(columns.ownerRect());
}

void frmConfigure::setupFields()
{
    traced("SetupFields", Module, [&] {
        // The definitions are read again: nothing unsaved is left.
        m_changed = false;
        m_structure = false;
        const bool fetched = m_columns->ColumnsFetch();
        m_stored.clear();
        for (const CFilterColumn *c : m_columns->NewEnum())
            m_stored.insert(c->Name().toLower());
        refreshList();
        controlsUpdate();
        require(fetched, QStringLiteral("the definitions were not read"));
    });
}

void frmConfigure::refreshList(const QString &select)
{
    traced("RefreshList", Module, [&] {
        const QSignalBlocker blocker(m_lvwSearch);
        m_lvwSearch->clear();
        QTreeWidgetItem *selected = nullptr;
        for (const CFilterColumn *c : m_columns->NewEnum()) {
            const int type = c->ColumnType();
            auto *item = new QTreeWidgetItem(m_lvwSearch);
            item->setText(ColName, c->Name());
            setTranslatedText(item, ColType, frmColumnEdit::typeName(type));
            if (type == fcKeyword || type == fcText)
                item->setText(ColSize, QString::number(c->TextLengthInUI()));
            if (type != fcKeyword && type != fcBoolean) {
                setTranslatedText(item, ColPicklist, resourceText(c->IsPicklist() ? 7124 : 7125));
                setTranslatedText(item, ColBlanks, resourceText(c->PicklistAllowBlanks() ? 7126 : 7127));
            }
            setTranslatedText(item, ColDefault, defaultCell(*c));
            item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(ColPicklist, Qt::AlignHCenter | Qt::AlignVCenter);
            item->setTextAlignment(ColBlanks, Qt::AlignHCenter | Qt::AlignVCenter);
            if (!select.isEmpty() && c->Name().compare(select, Qt::CaseInsensitive) == 0)
                selected = item;
        }
        // Whole captions and cells, with room between the columns.
        const int gap = m_lvwSearch->fontMetrics().averageCharWidth() * 2;
        int total = 2 * m_lvwSearch->frameWidth() + m_lvwSearch->verticalScrollBar()->sizeHint().width();
        for (int i = 0; i < ColumnCount; ++i) {
            m_lvwSearch->resizeColumnToContents(i);
            m_lvwSearch->setColumnWidth(i, m_lvwSearch->columnWidth(i) + gap);
            total += m_lvwSearch->columnWidth(i);
        }
        m_lvwSearch->setMinimumWidth(qMax(m_lvwSearch->minimumWidth(), total));
        if (selected)
            m_lvwSearch->setCurrentItem(selected);
    });
}

QString frmConfigure::selectedName() const
{
    const QTreeWidgetItem *item = m_lvwSearch->currentItem();
    return item ? item->text(ColName) : QString();
}

void frmConfigure::selectColumn(const QString &name)
{
    const QList<QTreeWidgetItem *> found = m_lvwSearch->findItems(name, Qt::MatchFixedString, ColName);
    m_lvwSearch->setCurrentItem(found.value(0));
}

CFilterColumn *frmConfigure::selectedColumn() const
{
    const QString name = selectedName();
    return name.isEmpty() ? nullptr : m_columns->findByName(name);
}

bool frmConfigure::isStored(const QString &name) const { return m_stored.contains(name.toLower()); }

void frmConfigure::controlsUpdate()
{
    traced("ControlsUpdate", Module, [&] {
        const CFilterColumn *s = selectedColumn();
        const int row = s ? m_lvwSearch->indexOfTopLevelItem(m_lvwSearch->currentItem()) + 1 : 0;
        m_cmdEdit->setEnabled(s);
        m_cmdDelete->setEnabled(s);
        m_cmdUp->setEnabled(s && row >= 2);
        m_cmdDown->setEnabled(s && row < m_lvwSearch->topLevelItemCount());
        m_cmdPicklist->setEnabled(s && s->IsPicklist() && !s->IsPicklistTableMissing());
        // A type change writes at once: only for a saved column, with nothing else pending.
        m_cmdChangeType->setEnabled(s && !m_changed && isStored(s->Name()) && !ColumnTypes::isKeyword(s->ColumnType()));
        m_cmdApply->setEnabled(m_changed);
        setResourceText(m_cmdCancel, m_changed ? 8073 : 8065);
    });
}

// --- Buttons ------------------------------------------------------------------------------------

void frmConfigure::cmdNew()
{
    frmColumnEdit editor(this);
    const CFilterColumn *column = editor.MakeNew(*m_columns);
    if (!column)
        return;
    m_changed = true;
    refreshList(column->Name());
    controlsUpdate();
}

void frmConfigure::cmdEdit()
{
    CFilterColumn *column = selectedColumn();
    if (!column)
        return;
    frmColumnEdit editor(this);
    if (!editor.Edit(*column, *m_columns, !isStored(column->Name())))
        return;
    m_changed = true;
    refreshList(column->Name());
    controlsUpdate();
}

void frmConfigure::cmdDelete()
{
    const CFilterColumn *column = selectedColumn();
    if (!column)
        return;
    const QString name = column->Name();
    // A column added in this dialog is not in the database: it goes without a question.
    if (isStored(name)) {
        if (ask(text(7117, {name}), MsgBox::vbOKCancel | MsgBox::vbQuestion | MsgBox::vbDefaultButton2, text(7118),
                formsInterface())
            != MsgBox::vbOK)
            return;
        m_structure = true;
        // Its name is free for a new column now.
        m_stored.remove(name.toLower());
    }
    require(m_columns->Remove(name), QStringLiteral("the column %1 was not removed").arg(name));
    m_changed = true;
    refreshList();
    controlsUpdate();
}

void frmConfigure::cmdUp() { cmdMove(true); }

void frmConfigure::cmdDown() { cmdMove(false); }

void frmConfigure::cmdMove(bool up)
{
    CFilterColumn *column = selectedColumn();
    if (!column)
        return;
    const QString name = column->Name();
    if (!(up ? m_columns->MoveColumnUp(column) : m_columns->MoveColumnDown(column)))
        return;
    m_changed = true;
    refreshList(name);
    controlsUpdate();
}

void frmConfigure::cmdPicklist()
{
    CFilterColumn *column = selectedColumn();
    if (!column || !column->IsPicklist())
        return;
    CScPicklist *picklist = column->PickList();
    require(picklist != nullptr, QStringLiteral("the column has no picklist object"));
    picklist->Edit(formsInterface());
}

void frmConfigure::cmdApply()
{
    if (m_structure) {
        if (ask(text(7115, {m_columns->baseTableName()}),
                MsgBox::vbOKCancel | MsgBox::vbQuestion | MsgBox::vbDefaultButton2, text(7116), formsInterface())
            != MsgBox::vbOK) {
            // Every unsaved change goes, not only the deletion.
            setupFields();
            return;
        }
        m_structure = false;
    }
    saveChanges();
}

// What the save managed to write is what the list shows: the definitions are read back.
void frmConfigure::saveChanges()
{
    traced("SaveChanges", Module, [&] {
        std::unique_ptr<IProgress> progress = ServicesHelper::instance().ProgressIndicator(formsInterface());
        [[maybe_unused]] const bool saved = m_columns->ColumnsSave(progress.get());
        setupFields();
    });
}

void frmConfigure::cmdCancel()
{
    if (m_changed)
        setupFields();
    m_closing = true;
    QDialog::reject();
    m_closing = false;
}

// Esc and the close box: unsaved changes are asked about first.
void frmConfigure::reject()
{
    if (m_closing) {
        QDialog::reject();
        return;
    }
    close();
}

void frmConfigure::closeEvent(QCloseEvent *event)
{
    if (m_closing || !m_changed || !m_columns) {
        event->accept();
        return;
    }
    event->ignore();
    traced("Form_QueryUnload", Module, [&] {
        const int answer = ask(text(7119), MsgBox::vbYesNoCancel | MsgBox::vbQuestion | MsgBox::vbDefaultButton3,
                               windowTitle(), formsInterface());
        if (answer == MsgBox::vbCancel)
            return;
        if (answer == MsgBox::vbYes)
            saveChanges();
        else
            setupFields(); // the column set holds what the database holds again
        m_closing = true;
        QDialog::reject();
        m_closing = false;
    });
}

// --- Change type --------------------------------------------------------------------------------

void frmConfigure::changeType()
{
    const CFilterColumn *column = selectedColumn();
    if (!column || m_changed)
        return;
    const QString name = column->Name();
    frmChangeType chooser(this);
    if (!chooser.choose(*column, m_columns->ownerRect()))
        return;
    const QString typeName = basGlobals::ColumnTypeDisplayName(chooser.type());
    const QString title = text(7128);
    const auto failed = [&] {
        ask(text(7134, {name}), MsgBox::vbOKOnly | MsgBox::vbExclamation, title, formsInterface());
        setupFields();
    };
    ColumnTypeChange change(*m_columns, name, chooser.type(), chooser.length());
    if (!change.refusal().isEmpty())
        return failed();
    if (change.changesNothing())
        return;
    const auto preview = change.DryRun();
    if (!preview)
        return failed();
    QString question;
    if (preview->notConvertible == 0) {
        question = text(7130, {QString::number(preview->convertible), name, typeName});
    } else {
        question = text(7131, {QString::number(preview->convertible), name, typeName,
                               QString::number(preview->notConvertible)});
        for (const ColumnTypeChange::Example &e : preview->examples)
            question += QStringLiteral("\n  ") + QString::number(e.id) + QStringLiteral(": ")
                        + Convert::displayText(e.value);
        question += QStringLiteral("\n\n") + text(7132);
    }
    if (preview->dropsPicklist)
        question += QStringLiteral("\n\n") + text(7133, {name, typeName});
    if (ask(question, MsgBox::vbOKCancel | MsgBox::vbQuestion | MsgBox::vbDefaultButton2, title, formsInterface())
        != MsgBox::vbOK)
        return;
    if (!change.Run(true))
        return failed();
    setupFields();
    selectColumn(name);
}

// --- frmChangeType ------------------------------------------------------------------------------

frmChangeType::frmChangeType(QWidget *parent) : LibraryDialog(parent, QStringLiteral("frmChangeType"))
{
    setResourceText(this, 7128);
    m_lblPrompt = new QLabel(this);
    m_lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    m_lstType = new QListWidget(this);
    m_lstType->setObjectName(QStringLiteral("lstType"));
    for (int type = _fc_First; type <= _fc_Last; ++type) {
        if (!ColumnTypes::isSingleValued(type))
            continue;
        auto *item = new QListWidgetItem(m_lstType);
        setTranslatedText(item, frmColumnEdit::typeName(type));
        item->setData(Qt::UserRole, type);
    }
    m_lstType->setMaximumHeight(m_lstType->sizeHintForRow(0) * m_lstType->count() + 2 * m_lstType->frameWidth());
    m_lblSize = new QLabel(this);
    setResourceText(m_lblSize, 7301);
    m_lblSize->setObjectName(QStringLiteral("lblSize"));
    m_txtSize = new QSpinBox(this);
    m_txtSize->setObjectName(QStringLiteral("txtSize"));
    m_txtSize->setRange(1, 255);
    m_cmdOk = makeButton("cmdOk", 8066);
    m_cmdOk->setDefault(true);
    QPushButton *cancel = makeButton("cmdCancel", 8073);

    auto *size = new QHBoxLayout;
    size->addWidget(m_lblSize);
    size->addWidget(m_txtSize);
    size->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblPrompt);
    layout->addWidget(m_lstType);
    layout->addLayout(size);
    layout->addLayout(buttonRow({m_cmdOk, cancel}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_cmdOk, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_lstType, &QListWidget::currentRowChanged, this, [this] { update(); });
}

bool frmChangeType::choose(const CFilterColumn &column, const OwnerRect &owner)
{
    prepare(column, owner);
    return exec() == QDialog::Accepted;
}

void frmChangeType::prepare(const CFilterColumn &column, const OwnerRect &owner)
{
    m_present = column.ColumnType();
    setTranslatedText(m_lblPrompt, [name = column.Name(), type = column.ColumnType()] {
        return text(7129, {name, basGlobals::ColumnTypeDisplayName(type)});
    });
    m_txtSize->setValue(column.ColumnType() == fcText ? column.TextLengthInUI() : CFilterColumn::TextLengthInDB());
    m_lstType->setCurrentRow(-1);
    update();
    centreIn(owner);
}

FilterColumnTypeConstants frmChangeType::type() const
{
    const QListWidgetItem *item = m_lstType->currentItem();
    return item ? FilterColumnTypeConstants(item->data(Qt::UserRole).toInt()) : fcUndefined;
}

int frmChangeType::length() const { return type() == fcText ? m_txtSize->value() : 0; }

void frmChangeType::update()
{
    const bool text = type() == fcText;
    m_lblSize->setEnabled(text);
    m_txtSize->setEnabled(text);
    m_cmdOk->setEnabled(type() != fcUndefined);
}

} // namespace KvoPlx800SCtl
