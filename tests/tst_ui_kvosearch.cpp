// The data-entry control driven as a user drives it, offscreen: the editing states and their
// events, Enter, Esc and Tab, validation, the field rows, the template, and values edited, saved
// and shown again on every engine.
#include "testui.h"

#include "control/ukvosearch.h"
#include "core/conversions.h"

#include "hostkit/formsinterface.h"
#include "hostkit/recordset.h"

#include <QPlainTextEdit>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoPlx800SCtl::ColumnDefinition;
using KvoTest::text;

namespace {

const QList<ColumnDefinition> basicColumns{{"Material", fcText}, {"Qty", fcInteger32}, {"Tags", fcKeyword}};

class TestContainer : public IContainer
{
public:
    void SizeMin() override { ++sizeMinCalls; }
    int sizeMinCalls = 0;
};

// A host window with the control on base table Parts (records 1 to 3): it records the control's
// events and answers OnStartEditing as told.
class Harness
{
public:
    bool open(const QList<ColumnDefinition> &defs, std::optional<Engine> engine = {})
    {
        QList<ColumnDefinition> columns = defs;
        for (ColumnDefinition &def : columns)
            def.picklistAllowBlanks = true;
        host = defs.isEmpty() ? KvoTest::makeHost(3, engine) : KvoTest::makeHost(3, columns, engine);
        if (!host)
            return false;
        control = std::make_unique<UKVOSearch>();
        control->InitProperties();
        control->resize(720, 520);
        UKVOSearch *c = control.get();
        QObject::connect(
                c, &UKVOSearch::OnStartEditing, c,
                [this](ISearchBaseEntry *&entry, bool &accepted) {
                    events << "OnStartEditing";
                    entryAtStart = entry ? entry->Id() : -1;
                    accepted = accept;
                },
                Qt::DirectConnection);
        QObject::connect(
                c, &UKVOSearch::OnCompleteEditing, c, [this](ISearchBaseEntry *&) { events << "OnCompleteEditing"; },
                Qt::DirectConnection);
        QObject::connect(c, &UKVOSearch::Changed, [this] { events << "Changed"; });
        QObject::connect(c, &UKVOSearch::OkButtonClick, [this] { events << "Ok"; });
        QObject::connect(c, &UKVOSearch::ApplyButtonClick, [this] { events << "Apply"; });
        QObject::connect(c, &UKVOSearch::CancelButtonClick, [this] { events << "Cancel"; });
        return openSearch();
    }

    bool openSearch(bool withContainer = true, BaseTableInfo *table = nullptr)
    {
        return control->OpenSearch(withContainer ? &container : nullptr, host->handler.get(),
                                   table ? table : host->baseTable.get(), &host->catalog(), host->profile.get(), 0,
                                   host->structure.get());
    }

    bool show()
    {
        control->show();
        QApplication::setActiveWindow(control.get());
        return QTest::qWaitForWindowActive(control.get());
    }

    // Opens the control on `defs`, shows record 1 and starts editing it.
    bool edit(const QList<ColumnDefinition> &defs = basicColumns)
    {
        if (!open(defs))
            return false;
        display(1);
        return show() && startEditing();
    }

    void display(int id, KVOSearchEditExamineModes mode = cseModeEdit)
    {
        // The entry shown so far stays alive until Display is done with it (a cancelled edit
        // reads it once more).
        auto previousEntry = std::move(entry);
        auto previousRecords = std::move(records);
        entry = std::make_unique<CMergeBaseEntry>(id);
        records = host->connection().OpenQuery(
                KvoTest::sql(host->connection(), u"SELECT * FROM [Parts] WHERE [PartId] = %1"_s.arg(id)));
        control->Display(records.get(), entry.get(), mode);
    }

    // Waits until the deferred update has run.
    bool settle() const
    {
        auto *timer = control->findChild<QTimer *>("tmrUpdate");
        return timer && QTest::qWaitFor([timer] { return !timer->isActive(); }, 2000);
    }

    QPushButton *button(const char *name) const { return KvoTest::button(control.get(), name); }
    template <typename W = QLineEdit>
    W *field(const QString &column, const char *array = "txtTextField") const
    {
        return KvoTest::field<W>(control.get(), array, column);
    }

    bool click(const char *name) { return KvoTest::click(control.get(), name); }

    bool startEditing()
    {
        events.clear();
        return click("cmdEdit") && control->IsEditing() && settle();
    }

    void type(QWidget *w, const QString &keys)
    {
        w->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            edit->selectAll();
        QTest::keyClicks(w, keys);
    }

    QString status() const { return control->findChild<QLabel *>("txtStatus")->text(); }
    bool statusMarkShown() const { return control->findChild<QWidget *>("picStatus")->isVisible(); }

    QVariant stored(int id, const QString &column) { return KvoTest::storedValue(*host, id, column); }

    std::unique_ptr<KvoTest::Host> host;
    TestContainer container;
    std::unique_ptr<UKVOSearch> control;
    std::unique_ptr<RecordSet> records;
    std::unique_ptr<CMergeBaseEntry> entry;
    QStringList events;
    bool accept = true;
    int entryAtStart = 0;
};

} // namespace

class TestUiKvoSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        // As a windowed host does: a button lets pending events run before it acts.
        ServicesHelper::instance().setIdleHandler(
                [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    }

    void editingStates_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("leaveBy"); // a button, or "examine" for Display in examine mode
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("stillEditing");
        QTest::addColumn<QString>("stored");
        const QStringList started{"OnStartEditing", "Changed"};
        const auto left = [&](const char *by) { return started + QStringList{by, "OnCompleteEditing", "Changed"}; };
        const auto row = [](const char *name, bool accept, const char *typed, const char *leaveBy,
                            const QStringList &events, bool stillEditing, const char *stored) {
            QTest::newRow(name) << accept << QString::fromUtf8(typed) << QString::fromUtf8(leaveBy) << events
                                << stillEditing << QString::fromUtf8(stored);
        };
        row("host refuses", false, "", "", {"OnStartEditing"}, false, "");
        row("ok does not save", true, "Steel", "cmdOk", left("Ok"), false, "");
        row("apply saves changes", true, "Steel", "cmdApply", left("Apply"), false, "Steel");
        row("apply without changes does nothing", true, "", "cmdApply", started, true, "");
        row("cancel drops changes", true, "Steel", "cmdCancel", left("Cancel"), false, "");
        row("examine display cancels", true, "Brass", "examine", left("Cancel"), false, "");
    }

    // Edit asks the host; OK, Apply, Cancel and a Display in examine mode leave editing.
    void editingStates()
    {
        QFETCH(bool, accept);
        QFETCH(QString, typed);
        QFETCH(QString, leaveBy);
        QFETCH(bool, stillEditing);
        QFETCH(QString, stored);
        Harness h;
        QVERIFY(h.open(basicColumns));
        h.accept = accept;
        h.display(2);
        QVERIFY(h.show() && h.settle());
        const int sizeMinBefore = h.container.sizeMinCalls;
        QVERIFY(sizeMinBefore >= 1); // after Display
        h.events.clear();
        QVERIFY(h.click("cmdEdit"));
        QCOMPARE(h.entryAtStart, 2);
        QCOMPARE(h.control->IsEditing(), accept);
        QCOMPARE(h.container.sizeMinCalls > sizeMinBefore, accept);
        QVERIFY(h.settle());
        QCOMPARE(h.button("cmdApply")->isVisible(), accept);
        QCOMPARE(h.button("cmdEdit")->isVisible(), !accept);
        QCOMPARE(h.field("Material")->isReadOnly(), !accept);
        if (!typed.isEmpty()) {
            h.type(h.field("Material"), typed);
            QVERIFY(h.control->IsDirty() && h.settle());
        }
        if (leaveBy == u"examine") {
            // In edit mode another record keeps the control editing, with that record's values.
            h.display(3, cseModeEdit);
            QVERIFY(h.control->IsEditing() && !h.control->IsDirty());
            QCOMPARE(h.field("Material")->text(), QString());
            h.type(h.field("Material"), typed);
            h.display(1, cseModeExamine);
            QCOMPARE(h.control->EditMode(), cseModeExamine);
            QVERIFY(h.settle());
            QVERIFY(!h.button("cmdEdit")->isVisible() && !h.button("cmdApply")->isVisible());
        } else if (!leaveBy.isEmpty()) {
            QPushButton *b = h.button(qPrintable(leaveBy));
            QVERIFY(b->isVisible());
            if (b->isEnabled())
                QTest::mouseClick(b, Qt::LeftButton);
        }
        QTEST(h.events, "events");
        QCOMPARE(h.control->IsEditing(), stillEditing);
        QCOMPARE(h.stored(2, "Material").toString(), stored);
        if (accept && !stillEditing && leaveBy != u"examine") {
            // The rebuilt row shows what the database holds.
            QCOMPARE(h.field("Material")->text(), stored);
            QVERIFY(!h.control->IsDirty());
        }
    }

    void hostHandlersMayCloseOrDeleteTheControl_data()
    {
        QTest::addColumn<bool>("onCancel"); // else on OnCompleteEditing
        QTest::addColumn<bool>("destroy");
        QTest::newRow("close on Cancel") << true << false;
        QTest::newRow("delete on Cancel") << true << true;
        QTest::newRow("close on complete") << false << false;
        QTest::newRow("delete on complete") << false << true;
    }

    void hostHandlersMayCloseOrDeleteTheControl()
    {
        QFETCH(bool, onCancel);
        QFETCH(bool, destroy);
        Harness h;
        QVERIFY(h.edit());
        QPointer<UKVOSearch> watched(h.control.get());
        int calls = 0;
        auto act = [&] {
            ++calls;
            destroy ? h.control.reset() : h.control->CloseSearch();
        };
        if (onCancel)
            QObject::connect(h.control.get(), &UKVOSearch::CancelButtonClick, h.control.get(), act);
        else
            QObject::connect(h.control.get(), &UKVOSearch::OnCompleteEditing, h.control.get(), act,
                             Qt::DirectConnection);
        // Display in examine mode presses Cancel by code; the control goes no further once closed.
        h.display(2, cseModeExamine);
        QCOMPARE(calls, 1);
        QCOMPARE(watched.isNull(), destroy);
        if (!destroy) {
            QVERIFY(!h.control->MyFilter() && !h.control->IsEditing());
            QCOMPARE(h.control->findChildren<QLineEdit *>("txtTextField").size(), 0);
        }
    }

    void defaultAndCancelRoles()
    {
        Harness h;
        QVERIFY(h.edit());
        auto *add = h.field<QPushButton>("Tags", "cmdAdd");
        auto *remove = h.field<QPushButton>("Tags", "cmdRemove");
        auto *combo = h.field<QComboBox>("Tags", "cboField");
        QVERIFY(add && remove && combo);
        QVERIFY(!add->isEnabled() && !add->autoDefault());

        // Typing a keyword makes Add the default button; Enter adds it.
        h.type(combo, "red");
        QVERIFY(add->isEnabled() && !h.control->IsDirty());
        QVERIFY(h.settle());
        QVERIFY(add->isDefault() && !h.button("cmdApply")->isDefault());
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->itemText(0), u"red"_s);
        QVERIFY(h.control->IsDirty() && !add->isEnabled() && remove->isEnabled());

        // With the keyword in the list Apply is the default; while dirty Esc resets.
        QVERIFY(h.settle());
        QVERIFY(h.button("cmdApply")->isDefault());
        QTest::keyClick(combo, Qt::Key_Escape);
        QVERIFY(!h.control->IsDirty() && h.control->IsEditing());
        QCOMPARE(combo->count(), 0);
        // (Not dirty, Esc is Cancel: tst_ui_examine.)
        QVERIFY(h.click("cmdCancel"));

        // Enter in the viewing state presses nothing.
        h.events.clear();
        QVERIFY(h.settle());
        QTest::keyClick(h.control.get(), Qt::Key_Return);
        QVERIFY(h.events.isEmpty());
    }

    // An invalid number holds Apply, OK and Enter back and marks its label and the status line.
    void invalidNumberDisablesApplyAndOk()
    {
        Harness h;
        QVERIFY(h.edit());
        QLineEdit *qty = h.field("Qty");
        auto *label = h.field<QLabel>("Qty", "lblField");
        QVERIFY(qty && label);
        h.type(qty, "12x");
        QVERIFY(h.settle());
        QVERIFY(!h.button("cmdApply")->isEnabled() && !h.button("cmdOk")->isEnabled());
        QCOMPARE(h.status(), text(7682));
        QVERIFY(h.statusMarkShown() && label->font().bold());

        // Leaving the field keeps the invalid text as typed; Enter does not apply it.
        h.field("Material")->setFocus();
        QCOMPARE(qty->text(), u"12x"_s);
        QTest::keyClick(h.control.get(), Qt::Key_Return);
        QVERIFY(h.control->IsEditing());

        h.type(qty, "12");
        QVERIFY(h.settle());
        QVERIFY(h.button("cmdApply")->isEnabled() && h.button("cmdOk")->isEnabled());
        QVERIFY(!label->font().bold() && h.status().isEmpty() && !h.statusMarkShown());
    }

    void keystrokesAndNormalising()
    {
        Harness h;
        QVERIFY(h.edit({{"Material", fcText},
                        {"Qty", fcInteger32},
                        {"Made", fcDateTime},
                        {"Remarks", fcNote},
                        {"Tags", fcKeyword, {}, 5}}));
        QLineEdit *material = h.field("Material");
        QLineEdit *qty = h.field("Qty");
        QLineEdit *made = h.field("Made");
        auto *remarks = h.field<QPlainTextEdit>("Remarks", "txtNoteField");
        QVERIFY(material && qty && made && remarks);

        // Quotes and a second trailing blank never reach a text or note field.
        h.type(material, "a'b\"c  d ");
        QCOMPARE(material->text(), u"abc d "_s);
        h.type(remarks, "it's");
        QCOMPARE(remarks->toPlainText(), u"its"_s);
        QCOMPARE(material->text(), u"abc d"_s); // trimmed on leaving
        // A note box keeps Enter for itself: a new line, no Apply.
        QVERIFY(h.settle());
        QTest::keyClick(remarks, Qt::Key_Return);
        QCOMPARE(remarks->toPlainText(), u"its\n"_s);
        QVERIFY(made->text().isEmpty());
        // A keyword takes no quotes and no more characters than the column allows.
        auto *tags = h.field<QComboBox>("Tags", "cboField");
        h.type(tags, "ab'cdefg");
        QCOMPARE(tags->currentText(), u"abcde"_s);

        // Number and date fields are normalised on leaving, but only when valid, and not when a popup
        // or another window takes the focus for a moment.
        h.type(qty, " 0042 ");
        QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(qty, &toPopup);
        QCOMPARE(qty->text(), u" 0042 "_s);
        h.type(made, "2021-03-04");
        QCOMPARE(qty->text(), u"42"_s);
        material->setFocus();
        QCOMPARE(made->text(), Convert::displayDate(Convert::makeDate(QDate(2021, 3, 4))));

        // Leaving an unchanged field after a save writes nothing and so does not make the record dirty.
        QVERIFY(h.click("cmdApply") && h.startEditing());
        QVERIFY(!h.control->IsDirty());
        h.field("Qty")->setFocus();
        h.field("Material")->setFocus();
        QVERIFY(!h.control->IsDirty());
        QCOMPARE(h.stored(1, "Qty").toInt(), 42);
    }

    // Enter presses Apply from a text or date box: the Now button never takes the default role, so no
    // date is stamped.
    void enterNeverStampsADate_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::newRow("text box") << u"Material"_s << u"Steel"_s;
        QTest::newRow("date box") << u"Made"_s << u"2021-03-04"_s;
    }

    void enterNeverStampsADate()
    {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        Harness h;
        QVERIFY(h.edit({{"Material", fcText}, {"Made", fcDateTime}}));
        h.type(h.field(column), typed);
        QVERIFY(h.settle());
        QVERIFY(!h.field<QPushButton>("Made", "cmdNow")->isDefault());
        QTest::keyClick(h.field(column), Qt::Key_Return);
        QVERIFY(h.events.contains(u"Apply"_s));
        QCOMPARE(h.stored(1, u"Made"_s).isNull(), column != u"Made");
    }

    // The rows are kept across the switch to editing and back: what a row shows in each state
    // (its visible widgets in creation order) follows the column's type and picklist.
    void rowKindFollowsColumn_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("picklist");
        QTest::addColumn<QString>("viewing");
        QTest::addColumn<QString>("editing");
        const QString text = u"lblField txtTextField"_s;
        const QString picked = u"lblField cboFieldView"_s;
        QTest::newRow("text") << int(fcText) << false << text << text;
        QTest::newRow("text, picklist") << int(fcText) << true << text << picked;
        QTest::newRow("note, picklist") << int(fcNote) << true << u"lblField txtNoteField"_s << picked;
        QTest::newRow("number") << int(fcInteger16) << false << text << text;
        QTest::newRow("number, picklist") << int(fcDouble) << true << text << picked;
        QTest::newRow("date") << int(fcDateTime) << false << text << text + u" cmdNow"_s;
        QTest::newRow("date, picklist") << int(fcDateTime) << true << text << picked;
        QTest::newRow("Boolean, picklist") << int(fcBoolean) << true << u"chkField"_s << u"chkField"_s;
        QTest::newRow("keyword") << int(fcKeyword) << false << picked << u"lblField cboField cmdAdd cmdRemove"_s;
    }

    void rowKindFollowsColumn()
    {
        QFETCH(int, type);
        QFETCH(bool, picklist);
        Harness h;
        QVERIFY(h.open({{"Field", FilterColumnTypeConstants(type), {}, 20, picklist}}));
        h.display(1);
        QVERIFY(h.show());
        auto shown = [&] {
            QStringList names;
            for (const QWidget *w : h.control->findChildren<QWidget *>()) {
                if (w->property("Tag").toString() == u"Field"_s && w->isVisibleTo(h.control.get()))
                    names << w->objectName();
            }
            return names.join(u' ');
        };
        QTEST(shown(), "viewing");
        QVERIFY(h.startEditing());
        QTEST(shown(), "editing");
        // A check box takes the focus only while it can be changed.
        auto *check = h.control->findChild<QCheckBox *>("chkField");
        if (check)
            QCOMPARE(check->focusPolicy(), Qt::StrongFocus);
        QVERIFY(h.click("cmdCancel"));
        QTEST(shown(), "viewing");
        if (check)
            QCOMPARE(check->focusPolicy(), Qt::NoFocus);
    }

    // Only an editable date gets a Now button, which fills its box; Tab goes through the fields in
    // column order, the Now button after its box, also through a picklist's row that editing made
    // anew. The base-record list shows the record.
    void fieldRowsFollowColumns()
    {
        Harness h;
        QVERIFY(h.open({{"Material", fcText},
                        {"Colour", fcText, {}, 20, true},
                        {"Qty", fcInteger32},
                        {"Due", fcDateTime},
                        {.name = "Stamped", .type = fcDateTime, .disableEditDateTime = true},
                        {"Approved", fcBoolean}}));
        h.display(1);
        QVERIFY(h.show() && h.startEditing());
        QVERIFY(h.field<QPushButton>("Due", "cmdNow") && !h.field<QPushButton>("Stamped", "cmdNow"));
        QVERIFY(h.field("Stamped")->isReadOnly() && !h.field("Due")->isReadOnly());

        h.field("Material")->setFocus();
        QStringList order;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *w = QApplication::focusWidget();
            order << w->objectName() + u':' + w->property("Tag").toString();
        }
        QCOMPARE(order, (QStringList{"cboFieldView:Colour", "txtTextField:Qty", "txtTextField:Due", "cmdNow:Due", "txtTextField:Stamped",
                                     "chkField:Approved"}));

        QTest::mouseClick(h.field<QPushButton>("Due", "cmdNow"), Qt::LeftButton);
        QVERIFY(!h.field("Due")->text().isEmpty() && h.control->IsDirty());

        auto *list = h.control->findChild<QTreeWidget *>("lvwEntry");
        QCOMPARE(list->headerItem()->text(0), u"PartId"_s);
        QCOMPARE(list->topLevelItem(0)->text(1), u"Bracket 1"_s);
    }

    void emptyControlShowsWhy_data()
    {
        QTest::addColumn<QString>("failure"); // of a second OpenSearch
        QTest::addColumn<QString>("banner");
        QTest::newRow("no search columns") << QString() << text(7681, {"Parts"});
        QTest::newRow("no container") << u"container"_s << text(7680);
        QTest::newRow("no such table") << u"table"_s << text(7680);
    }

    // A control without search columns says so and never enables Apply; one whose opening failed is
    // closed, ignores Display and says why it is empty.
    void emptyControlShowsWhy()
    {
        QFETCH(QString, failure);
        QFETCH(QString, banner);
        Harness h;
        QVERIFY(h.open(failure.isEmpty() ? QList<ColumnDefinition>{} : basicColumns));
        QCOMPARE(h.control->SQLSearchFields().isEmpty(), failure.isEmpty());
        BaseTableInfo missing(u"NoSuchTable"_s);
        if (!failure.isEmpty()) {
            QVERIFY(!h.openSearch(failure != "container", failure == "table" ? &missing : nullptr));
            QVERIFY(!h.control->MyFilter() && h.control->SQLSearchFields().isEmpty());
        }
        h.display(1);
        QVERIFY(h.show() && h.settle());
        QCOMPARE(h.control->findChildren<QLineEdit *>("txtTextField").size(), 0);
        QStringList shown;
        for (QLabel *line : h.control->findChildren<QLabel *>("picLine"))
            shown << (line->isVisible() ? line->text() : QString());
        QVERIFY2(shown.contains(banner), qPrintable(shown.join(u'|')));
        if (failure.isEmpty()) {
            QVERIFY(h.startEditing());
            QVERIFY(!h.button("cmdApply")->isEnabled() && !h.button("cmdTemplateCopy")->isEnabled());
        }
    }

    // Copy, Clear and Paste of the template.
    void templateAndClear()
    {
        Harness h;
        QVERIFY(h.edit());
        CFilterColumn *material = h.control->MyFilter()->FilterColumns()->Item(u"Material"_s);
        CFilterColumn *tags = h.control->MyFilter()->FilterColumns()->Item(u"Tags"_s);
        h.type(h.field("Material"), "Copper");
        h.type(h.field("Qty"), "7");
        h.type(h.field<QComboBox>("Tags", "cboField"), "hot");
        QTest::mouseClick(h.field<QPushButton>("Tags", "cmdAdd"), Qt::LeftButton);
        QVERIFY(h.click("cmdApply") && h.startEditing());
        QVERIFY(h.click("cmdTemplateCopy"));

        // Clear empties every field and marks the record dirty.
        QVERIFY(h.click("cmdClear") && h.control->IsDirty());
        QCOMPARE(h.field("Material")->text(), QString());
        QCOMPARE(h.field<QComboBox>("Tags", "cboField")->count(), 0);
        QVERIFY(h.settle());
        QVERIFY(!h.button("cmdClear")->isEnabled() && !h.button("cmdTemplateCopy")->isEnabled());
        QVERIFY(h.click("cmdCancel"));
        QCOMPARE(material->asTextBox()->text(), u"Copper"_s);

        // Pasting on another record fills its fields, and the change handlers make it dirty.
        h.display(2);
        QVERIFY(h.startEditing() && !h.control->IsDirty());
        QVERIFY(h.click("cmdTemplatePaste") && h.control->IsDirty());
        QCOMPARE(h.field<QComboBox>("Tags", "cboField")->itemText(0), u"hot"_s);
        QVERIFY(h.click("cmdApply"));
        QCOMPARE(h.stored(2, "Material").toString(), u"Copper"_s);
        QCOMPARE(h.stored(2, "Qty").toInt(), 7);

        // A template that differs from the record only in its keyword list still makes it dirty.
        h.display(3);
        QVERIFY(h.startEditing());
        h.type(h.field("Material"), "Copper");
        h.type(h.field("Qty"), "7");
        QVERIFY(h.click("cmdApply") && h.startEditing());
        QVERIFY(h.click("cmdTemplatePaste"));
        QVERIFY(h.control->IsDirty() && h.settle());
        QVERIFY(h.click("cmdApply"));
        h.display(3);
        QCOMPARE(tags->SavedKeys(), QStringList{u"hot"_s});
    }

    void editedValuesAreShownAgain_data() { KvoTest::addEngineColumn(); }

    void editedValuesAreShownAgain()
    {
        QFETCH(Engine, engine);
        Harness h;
        QVERIFY(h.open({{"Material", fcText, "Material", 30},
                        {"Remarks", fcNote},
                        {"Count", fcInteger16},
                        {"Weight", fcDouble},
                        {"Due", fcDateTime},
                        {"Approved", fcBoolean},
                        {"Tags", fcKeyword},
                        {"Colour", fcText, {}, 20, true}},
                       engine));
        Connection &db = h.host->connection();
        const QString picklist = h.host->columns()->PicklistTableName(h.host->columns()->Item(u"Colour"_s));
        for (const char *colour : {"Red", "Blue"})
            QVERIFY(KvoTest::run(db, u"INSERT INTO [%1] ([Colour]) VALUES (%2)"_s.arg(picklist, db.QuoteText(colour))));
        h.display(2);
        QVERIFY(h.show() && h.startEditing());
        const struct
        {
            QString column, typed, shown;
        } boxes[] = {{"Material", "Brien & Sons steel", "Brien & Sons steel"},
                     {"Count", "-12", "-12"},
                     {"Weight", "2.5", "2.5"},
                     {"Due", "2022-11-30 14:15",
                      Convert::displayDate(Convert::makeDate(QDate(2022, 11, 30), QTime(14, 15)))}};
        for (const auto &box : boxes)
            h.type(h.field(box.column), box.typed);
        h.field<QPlainTextEdit>("Remarks", "txtNoteField")->setPlainText("line one\nline two");
        QTest::mouseClick(h.field<QCheckBox>("Approved", "chkField"), Qt::LeftButton);
        for (const char *tag : {"alpha", "beta"}) {
            h.type(h.field<QComboBox>("Tags", "cboField"), tag);
            QTest::mouseClick(h.field<QPushButton>("Tags", "cmdAdd"), Qt::LeftButton);
        }
        auto *colour = h.field<QComboBox>("Colour", "cboFieldView");
        QVERIFY(colour);
        colour->setCurrentIndex(colour->findText(u"Blue"_s));
        QVERIFY(h.click("cmdApply"));
        QVERIFY(!h.control->IsEditing());

        // Another record, then this one again in a reopened control: it shows what was saved.
        h.display(1);
        QCOMPARE(h.field("Material")->text(), QString());
        h.control->CloseSearch();
        QVERIFY(h.openSearch());
        h.display(2);
        for (const auto &box : boxes)
            QCOMPARE(h.field(box.column)->text(), box.shown);
        QCOMPARE(h.field<QPlainTextEdit>("Remarks", "txtNoteField")->toPlainText(), u"line one\nline two"_s);
        QVERIFY(h.field<QCheckBox>("Approved", "chkField")->isChecked());
        QCOMPARE(h.field("Colour")->text(), u"Blue"_s);
        auto *shown = h.field<QComboBox>("Tags", "cboFieldView");
        QVERIFY(shown);
        QStringList keywords;
        for (int i = 0; i < shown->count(); ++i)
            keywords << shown->itemText(i);
        keywords.sort();
        QCOMPARE(keywords, (QStringList{"alpha", "beta"}));
    }
};

QTEST_MAIN(TestUiKvoSearch)
#include "tst_ui_kvosearch.moc"
