#include "frmpicklistedit.h"

#include "frmpicklistkept.h"

#include "columns/cfiltercolumn.h"
#include "columns/searchtables.h"
#include "core/basglobals.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"
#include "picklists/cscpicklist.h"

#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehelper.h"
#include "hostkit/recordset.h"
#include "hostkit/serviceshelper.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

constexpr const char *Module = "frmPicklistEdit";

QList<QTreeWidgetItem *> nodes(const QTreeWidget *tree)
{
    QList<QTreeWidgetItem *> all;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        all.append(tree->topLevelItem(i));
    return all;
}

} // namespace

frmPicklistEdit::frmPicklistEdit(QWidget *parent) : LibraryDialog(parent, QStringLiteral("frmPicklistEdit"))
{
    traced("Form_Load", Module, [&] { buildControls(); });
}

void frmPicklistEdit::buildControls()
{
    setSizeGripEnabled(true);
    m_lblPrompt = new QLabel(this);
    m_lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    m_lblPrompt->setWordWrap(true);
    m_tabEdit = new QTabWidget(this);
    m_tabEdit->setObjectName(QStringLiteral("tabEdit"));

    const auto tree = [this](const char *name) {
        auto *t = new QTreeWidget(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setHeaderHidden(true);
        t->setRootIsDecorated(false);
        t->setColumnCount(1);
        connect(t, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) {
            if (item->checkState(0) == Qt::Checked && isDefault(item->data(0, ValueRole).toString()))
                m_tmrFixDefault->start();
            updateButtons();
        });
        return t;
    };
    const auto search = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    // One page: a search box over its list, the list, and the page's buttons beside it.
    const auto page = [this](const char *name, QLineEdit *box, QTreeWidget *list,
                             std::initializer_list<QPushButton *> buttons, QWidget *extra = nullptr) {
        auto *w = new QWidget(this);
        w->setObjectName(QString::fromLatin1(name));
        auto *grid = new QGridLayout(w);
        // The box of the new entries takes the text to add (and searches as well).
        if (box != m_txtNew) {
            auto *find = new QLabel(w);
            setResourceText(find, 8086);
            find->setBuddy(box);
            grid->addWidget(find, 0, 0);
        }
        grid->addWidget(box, 0, 1);
        if (extra)
            grid->addWidget(extra, 1, 1);
        grid->addWidget(list, 2, 0, 1, 2);
        grid->addLayout(buttonRow(buttons, true), 0, 2, 3, 1);
        grid->setRowStretch(2, 1);
        return w;
    };

    m_txtNew = search("txtNew");
    m_txtOld = search("txtOld");
    m_txtHidden = search("txtHidden");
    m_tvwNew = tree("tvwNew");
    m_tvwOld = tree("tvwOld");
    m_tvwHidden = tree("tvwHidden");
    m_lblNewWarning = new QLabel(this);
    m_lblNewWarning->setObjectName(QStringLiteral("lblNewWarning"));
    m_lblNewWarning->setStyleSheet(QStringLiteral("color: #b00020"));
    m_cmdAdd = makeButton("cmdAdd", 8074);
    m_cmdRemove = makeButton("cmdRemove", 8075);
    m_cmdHide = makeButton("cmdHide", 8078);
    m_cmdRemoveOld = makeButton("cmdRemoveOld", 8075);
    m_cmdShow = makeButton("cmdShow", 8079);
    m_cmdRemoveHidden = makeButton("cmdRemoveHidden", 8075);
    m_cmdSave = makeButton("cmdSave", 8080);
    m_cmdCancel = makeButton("cmdCancel", 8073);
    const auto tab = [this](QWidget *page, int number) {
        setTranslatedTabText(m_tabEdit, m_tabEdit->addTab(page, QString()), resourceText(number));
    };
    tab(page("fraNew", m_txtNew, m_tvwNew, {m_cmdAdd, m_cmdRemove}, m_lblNewWarning), 8354);
    tab(page("fraOld", m_txtOld, m_tvwOld, {m_cmdHide, m_cmdRemoveOld}), 8356);
    tab(page("fraHidden", m_txtHidden, m_tvwHidden, {m_cmdShow, m_cmdRemoveHidden}), 8375);

    m_tmrFixDefault = new QTimer(this);
    m_tmrFixDefault->setObjectName(QStringLiteral("tmrFixDefault"));
    m_tmrFixDefault->setSingleShot(true);
    m_tmrFixDefault->setInterval(0);
    connect(m_tmrFixDefault, &QTimer::timeout, this, [this] { fixDefault(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblPrompt);
    layout->addWidget(m_tabEdit, 1);
    layout->addLayout(buttonRow({m_cmdSave, m_cmdCancel}));
    resize(m_lblPrompt->fontMetrics().averageCharWidth() * 70, m_lblPrompt->fontMetrics().height() * 28);

    // Every button first lets the previous field's leave handling run.
    const auto on = [this](QPushButton *button, const char *name, auto action) {
        connect(button, &QPushButton::clicked, this, [name, action] {
            traced(name, Module, [&] {
                ServicesHelper::instance().Idle();
                action();
            });
        });
    };
    on(m_cmdAdd, "cmdAdd_Click", [this] { addNewEntry(); });
    on(m_cmdRemove, "cmdRemove_Click", [this] { removeNewItems(); });
    on(m_cmdSave, "cmdSave_Click", [this] { saveAdditions(); });
    on(m_cmdHide, "cmdHide_Click", [this] {
        QStringList values;
        for (const QTreeWidgetItem *n : nodes(m_tvwOld)) {
            if (n->checkState(0) == Qt::Checked && !isDefault(n->data(0, ValueRole).toString()))
                values.append(n->data(0, ValueRole).toString());
        }
        hideShowCollection(values, true);
    });
    on(m_cmdShow, "cmdShow_Click", [this] {
        QStringList values;
        for (const QTreeWidgetItem *n : nodes(m_tvwHidden)) {
            if (n->checkState(0) == Qt::Checked)
                values.append(n->data(0, ValueRole).toString());
        }
        hideShowCollection(values, false);
    });
    on(m_cmdRemoveOld, "cmdRemoveOld_Click", [this] { removeItems(m_tvwOld, false); });
    on(m_cmdRemoveHidden, "cmdRemoveHidden_Click", [this] { removeItems(m_tvwHidden, true); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_txtNew, &QLineEdit::returnPressed, this, [this] {
        if (m_cmdAdd->isEnabled())
            m_cmdAdd->click();
    });
    connect(m_txtNew, &QLineEdit::textChanged, this, [this](const QString &t) {
        locateEntry(m_tvwNew, t);
        updateButtons();
    });
    connect(m_txtOld, &QLineEdit::textChanged, this, [this](const QString &t) { locateEntry(m_tvwOld, t); });
    connect(m_txtHidden, &QLineEdit::textChanged, this, [this](const QString &t) { locateEntry(m_tvwHidden, t); });
}

// --- Opening ------------------------------------------------------------------------------------

bool frmPicklistEdit::prepare(CScPicklist &picklist, IFormsInterface *owner)
{
    return traced("Edit", Module, false, [&](bool &result) {
        if (!picklist.ValidateSetup())
            return;
        m_picklist = &picklist;
        m_column = picklist.column();
        m_callerOwner = owner;
        const QString name = m_column->Name();
        setResourceText(this, 8352, {name});
        const QString defaultEntry = m_column->PicklistDefault().trimmed();
        const auto shown = Convert::readValue(defaultEntry, m_column->ColumnType());
        if (defaultEntry.isEmpty())
            setResourceText(m_lblPrompt, 8355, {name});
        else
            setResourceText(m_lblPrompt, 8357,
                            {name, shown && shown->hasValue() ? Convert::displayText(*shown) : defaultEntry});
        m_tvwNew->clear();
        initializeLists();
        m_tabEdit->setCurrentIndex(0);
        centreIn(owner ? owner->ownerRect() : OwnerRect{});
        m_txtNew->setFocus();
        result = true;
    });
}

void frmPicklistEdit::Edit(CScPicklist &picklist, IFormsInterface *owner)
{
    if (prepare(picklist, owner))
        exec();
}

void frmPicklistEdit::initializeLists()
{
    traced("InitializeLists", Module, [&] {
        const QSignalBlocker blockOld(m_tvwOld);
        const QSignalBlocker blockHidden(m_tvwHidden);
        m_tvwOld->clear();
        m_tvwHidden->clear();
        const SearchTables &tables = *m_column->tables();
        Connection &db = *tables.connection();
        const QString table = m_picklist->TableName();
        const auto catalogTable = DatabaseHelper::FindTable(*tables.catalog(), table);
        require(catalogTable != nullptr, QStringLiteral("the picklist table %1 is missing").arg(table));
        const bool hideField = catalogTable->FindColumn(CScPicklist::HideEntry()) != nullptr;
        const auto rs =
                db.OpenQuery(QStringLiteral("SELECT ") + db.QuoteName(m_column->Name())
                             + (hideField ? QStringLiteral(", ") + db.QuoteName(CScPicklist::HideEntry()) : QString())
                             + QStringLiteral(" FROM ") + db.QuoteName(catalogTable->Name));
        require(rs != nullptr, QStringLiteral("the picklist cannot be read: ") + db.lastError());
        const int type = m_column->ColumnType();
        for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
            const Variant value = Convert::fromDatabase(rs->value(0), type);
            if (!value.hasValue() && value.type() != Variant::Type::Text)
                continue;
            const Variant hidden = hideField ? Convert::fromDatabase(rs->value(1), fcBoolean) : Variant::null();
            const bool isHidden = hidden.hasValue() && hidden.toBool();
            QTreeWidgetItem *node =
                    addNode(isHidden ? m_tvwHidden : m_tvwOld, Convert::displayText(value), value.toText());
            if (!isHidden && isDefault(value.toText())) {
                QFont bold = node->font(0);
                bold.setBold(true);
                node->setFont(0, bold);
            }
        }
        updateButtons();
    });
}

QTreeWidgetItem *frmPicklistEdit::addNode(QTreeWidget *tree, const QString &shown, const QString &value)
{
    const QSignalBlocker blocker(tree);
    const int type = m_column->ColumnType();
    // Keys are never bare numbers: a type prefix comes first.
    const QString prefix = ColumnTypes::isText(type) ? QStringLiteral("S:")
                           : type == fcDateTime      ? QStringLiteral("D:")
                                                     : QStringLiteral("N:");
    auto *node = new QTreeWidgetItem(tree, {shown});
    node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    node->setCheckState(0, Qt::Unchecked);
    node->setData(0, KeyRole, prefix + shown);
    node->setData(0, ValueRole, value);
    return node;
}

// --- Entries ------------------------------------------------------------------------------------

bool frmPicklistEdit::isDefault(const QString &value) const
{
    if (!m_column)
        return false;
    const QString defaultEntry = m_column->PicklistDefault();
    if (defaultEntry.trimmed().isEmpty())
        return !m_column->PicklistAllowBlanks() && ColumnTypes::isText(m_column->ColumnType())
               && value.trimmed().isEmpty();
    if (ColumnTypes::isText(m_column->ColumnType()))
        return m_column->tables()->dialect()->foldKey(value) == m_column->tables()->dialect()->foldKey(defaultEntry)
               || value.compare(defaultEntry, Qt::CaseInsensitive) == 0;
    return Convert::sameValueText(m_column->ColumnType(), value, defaultEntry);
}

QString frmPicklistEdit::evaluateEntry(const QString &typed) const
{
    return traced("EvaluateEntry", Module, QString(), [&](QString &result) {
        const QString t = typed.trimmed();
        const int type = m_column->ColumnType();
        if (t.isEmpty())
            return;
        if (ColumnTypes::isText(type)) {
            const int length =
                    m_column->TextLengthInUI() > 0 ? m_column->TextLengthInUI() : CFilterColumn::TextLengthInDB();
            result = t.left(length).trimmed();
            return;
        }
        // Typed in the user's form.
        const auto value = Convert::parseForType(t, type);
        if (value && value->hasValue())
            result = value->toText();
    });
}

// Whether a value is a node of any list: texts as the engine's key compares them (MariaDB's
// collation ignores case and trailing spaces, the others compare exactly), others as values.
bool frmPicklistEdit::entryUsed(const QString &value) const
{
    const Dialect &dialect = *m_column->tables()->dialect();
    const bool text = ColumnTypes::isText(m_column->ColumnType());
    for (const QTreeWidget *tree : {m_tvwNew, m_tvwOld, m_tvwHidden}) {
        for (const QTreeWidgetItem *n : nodes(tree)) {
            const QString other = n->data(0, ValueRole).toString();
            if (text ? dialect.foldKey(other) == dialect.foldKey(value)
                     : Convert::sameValueText(m_column->ColumnType(), other, value))
                return true;
        }
    }
    return false;
}

QString frmPicklistEdit::refusal() const
{
    const TranslatedText why = refusalText();
    return why ? why() : QString();
}

TranslatedText frmPicklistEdit::refusalText() const
{
    if (!m_column)
        return {};
    const QString typed = m_txtNew->text().trimmed();
    if (typed.isEmpty())
        return {};
    const QString value = evaluateEntry(typed);
    if (value.isEmpty())
        return [typed, type = m_column->ColumnType()] {
            return text(8377, {typed, basGlobals::ColumnTypeDisplayName(type)});
        };
    if (entryUsed(value))
        return resourceText(8376, {typed});
    return {};
}

QString frmPicklistEdit::literalOf(const QString &value) const
{
    const Dialect &dialect = *m_column->tables()->dialect();
    const int type = m_column->ColumnType();
    const auto v = Convert::readValue(value, type);
    const QString literal = columnLiteral(dialect, type, v ? *v : Variant::null());
    // A single-precision field compared with a decimal literal needs the literal as a single.
    return type == fcSingle && v && v->hasValue() ? dialect.SingleLiteral(literal) : literal;
}

void frmPicklistEdit::locateEntry(QTreeWidget *tree, const QString &typed)
{
    traced("LocateEntry", Module, [&] {
        const QString t = typed.trimmed();
        if (t.isEmpty())
            return;
        for (QTreeWidgetItem *n : nodes(tree)) {
            if (n->text(0).startsWith(t, Qt::CaseInsensitive)) {
                tree->setCurrentItem(n);
                tree->scrollToItem(n);
                return;
            }
        }
    });
}

void frmPicklistEdit::updateButtons()
{
    traced("UpdateButtons", Module, [&] {
        const auto checked = [this](const QTreeWidget *tree) {
            for (const QTreeWidgetItem *n : nodes(tree)) {
                if (n->checkState(0) == Qt::Checked && !isDefault(n->data(0, ValueRole).toString()))
                    return true;
            }
            return false;
        };
        const TranslatedText why = refusalText();
        setTranslatedText(m_lblNewWarning, why);
        m_lblNewWarning->setVisible(bool(why));
        m_cmdAdd->setEnabled(!m_txtNew->text().trimmed().isEmpty() && !why);
        m_cmdRemove->setEnabled(checked(m_tvwNew));
        m_cmdSave->setEnabled(m_tvwNew->topLevelItemCount() > 0);
        const bool old = checked(m_tvwOld);
        m_cmdHide->setEnabled(old);
        m_cmdRemoveOld->setEnabled(old);
        const bool hidden = checked(m_tvwHidden);
        m_cmdShow->setEnabled(hidden);
        m_cmdRemoveHidden->setEnabled(hidden);
    });
}

void frmPicklistEdit::fixDefault()
{
    traced("FixDefault", Module, [&] {
        for (QTreeWidget *tree : {m_tvwNew, m_tvwOld, m_tvwHidden}) {
            const QSignalBlocker blocker(tree);
            for (QTreeWidgetItem *n : nodes(tree)) {
                if (n->checkState(0) == Qt::Checked && isDefault(n->data(0, ValueRole).toString()))
                    n->setCheckState(0, Qt::Unchecked);
            }
        }
        updateButtons();
    });
}

// --- Buttons ------------------------------------------------------------------------------------

void frmPicklistEdit::addNewEntry()
{
    traced("AddNewEntry", Module, [&] {
        if (!refusal().isEmpty())
            return;
        const QString value = evaluateEntry(m_txtNew->text());
        if (value.isEmpty())
            return;
        const auto typed = Convert::readValue(value, m_column->ColumnType());
        addNode(m_tvwNew, typed ? Convert::displayText(*typed) : value, value);
        m_txtNew->clear();
        updateButtons();
    });
}

void frmPicklistEdit::removeNewItems()
{
    traced("RemoveNewItems", Module, [&] {
        for (QTreeWidgetItem *n : nodes(m_tvwNew)) {
            if (n->checkState(0) == Qt::Checked)
                delete n;
        }
        updateButtons();
    });
}

void frmPicklistEdit::saveAdditions()
{
    traced("SaveAdditions", Module, [&] {
        // The picklist reads the entries as typed, in the user's form.
        QStringList entries;
        for (const QTreeWidgetItem *n : nodes(m_tvwNew))
            entries.append(n->text(0));
        const bool saved = m_picklist->SaveAdditions(entries);
        if (saved)
            m_tvwNew->clear();
        initializeLists();
        require(saved, QStringLiteral("the new entries were not saved"));
    });
}

void frmPicklistEdit::hideShowCollection(const QStringList &values, bool hide)
{
    traced("HideShowCollection", Module, [&] {
        if (values.isEmpty())
            return;
        Connection &db = *m_column->tables()->connection();
        const LockedMessage locked = hide ? lockedMessage(8365, 8366) : lockedMessage(8367, 8368);
        const QString head = QStringLiteral("UPDATE ") + db.QuoteName(m_picklist->TableName()) + QStringLiteral(" SET ")
                             + db.QuoteName(CScPicklist::HideEntry()) + QStringLiteral(" = ")
                             + QString::number(db.SqlBooleanValue(hide)) + QStringLiteral(" WHERE ")
                             + db.QuoteName(m_column->Name()) + QStringLiteral(" = ");
        const auto refill = qScopeGuard([this] { initializeLists(); });
        m_picklist->entriesChange();
        inTransaction(db, locked, [&] {
            for (const QString &value : values)
                execute(db, head + literalOf(value), &locked,
                        QStringLiteral("the entry %1 was not changed").arg(value));
        });
    });
}

void frmPicklistEdit::removeItems(QTreeWidget *tree, bool hidden)
{
    traced(hidden ? "RemoveHiddenItems" : "RemoveOldItems", Module, [&] {
        const SearchTables &tables = *m_column->tables();
        Connection &db = *tables.connection();
        const QString searchTable = tables.tableOf(m_column);
        QStringList removed;
        QStringList kept;      // values
        QStringList keptShown; // as the lists show them
        for (const QTreeWidgetItem *n : nodes(tree)) {
            const QString value = n->data(0, ValueRole).toString();
            if (n->checkState(0) != Qt::Checked || isDefault(value))
                continue;
            bool used = false;
            if (DatabaseHelper::FindTable(*tables.catalog(), searchTable)
                && !db.RowExists(searchTable, m_column->Name(), literalOf(value), used))
                fail(QStringLiteral("the use of %1 cannot be read: %2").arg(value, db.lastError()));
            if (used) {
                kept.append(value);
                keptShown.append(n->text(0));
            } else {
                removed.append(value);
            }
        }
        const auto refill = qScopeGuard([this] { initializeLists(); });
        if (!removed.isEmpty()) {
            const LockedMessage locked = hidden ? lockedMessage(8369, 8370) : lockedMessage(8371, 8372);
            const QString head = QStringLiteral("DELETE FROM ") + db.QuoteName(m_picklist->TableName())
                                 + QStringLiteral(" WHERE ") + db.QuoteName(m_column->Name()) + QStringLiteral(" = ");
            m_picklist->entriesChange();
            inTransaction(db, locked, [&] {
                for (const QString &value : std::as_const(removed))
                    execute(db, head + literalOf(value), &locked,
                            QStringLiteral("the entry %1 was not removed").arg(value));
            });
            require(m_picklist->GuaranteeDefaultEntryExists() && m_picklist->CheckAllowBlanks(),
                    QStringLiteral("the picklist's default and empty entries were not kept in line"));
        }
        if (kept.isEmpty())
            return;
        frmPicklistKept dialog(this);
        if (hidden)
            dialog.Display(keptShown, formsInterface());
        else if (dialog.QueryHide(keptShown, formsInterface()))
            hideShowCollection(kept, true);
    });
}

} // namespace KvoPlx800SCtl
