// The data-entry control driven as a user drives it, offscreen: the editing states and their
// events, the deferred button update, Enter and Esc, validation and the status line, the field
// rows, scrolling, the persisted properties, and values edited, saved and shown again on every
// engine.
#include "testhost.h"

#include "control/ukvosearch.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"

#include "hostkit/connection.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

QString text(int number, const QStringList &args = {}) { return ResourceTexts::instance().Text(number, args); }

struct ColumnSpec
{
    QString name;
    FilterColumnTypeConstants type;
    QString caption = {};
    qint16 length = 20;
    bool picklist = false;
    bool disableDateEdit = false;
};

class TestContainer : public IContainer
{
public:
    void SizeMin() override { ++sizeMinCalls; }
    int sizeMinCalls = 0;
};

// A host window with the control on one base table: it records the control's events and answers
// OnStartEditing as told.
class Harness
{
public:
    bool open(const QList<ColumnSpec> &specs, const QString &engine = {}, int records = 3)
    {
        host = KvoTest::makeHost(records, engine);
        if (!host || !host->columns())
            return false;
        for (const ColumnSpec &s : specs) {
            host->columns()->Add(s.name, s.caption, QStringLiteral("About ") + s.name, s.type, s.length, s.picklist,
                                 true, QString(), fcDTDM_Configure, Variant::null(), s.disableDateEdit);
        }
        if (!specs.isEmpty() && !host->columns()->ColumnsSave(nullptr))
            return false;
        control = std::make_unique<UKVOSearch>();
        control->InitProperties();
        control->resize(720, 520);
        QObject::connect(
                control.get(), &UKVOSearch::OnStartEditing, control.get(),
                [this](ISearchBaseEntry *&entry, bool &accepted) {
                    events << QStringLiteral("OnStartEditing");
                    entryAtStart = entry ? entry->Id() : -1;
                    accepted = accept;
                },
                Qt::DirectConnection);
        QObject::connect(
                control.get(), &UKVOSearch::OnCompleteEditing, control.get(),
                [this](ISearchBaseEntry *&) { events << QStringLiteral("OnCompleteEditing"); }, Qt::DirectConnection);
        QObject::connect(control.get(), &UKVOSearch::Changed, [this] { events << QStringLiteral("Changed"); });
        QObject::connect(control.get(), &UKVOSearch::OkButtonClick, [this] { events << QStringLiteral("Ok"); });
        QObject::connect(control.get(), &UKVOSearch::ApplyButtonClick, [this] { events << QStringLiteral("Apply"); });
        QObject::connect(control.get(), &UKVOSearch::CancelButtonClick, [this] { events << QStringLiteral("Cancel"); });
        return control->OpenSearch(&container, host->handler.get(), host->baseTable.get(), host->db->catalog.get(),
                                   host->profile.get(), 0, host->structure.get());
    }

    bool show()
    {
        control->show();
        QApplication::setActiveWindow(control.get());
        return QTest::qWaitForWindowActive(control.get());
    }

    void display(int id, KVOSearchEditExamineModes mode = cseModeEdit)
    {
        // The entry shown so far stays alive until Display is done with it (a cancelled edit
        // reads it once more).
        auto previousEntry = std::move(entry);
        auto previousRecords = std::move(records);
        entry = std::make_unique<CMergeBaseEntry>(id);
        records = host->connection().OpenQuery(QStringLiteral("SELECT * FROM %1 WHERE %2 = %3")
                                                       .arg(host->connection().QuoteName(QStringLiteral("Parts")),
                                                            host->connection().QuoteName(QStringLiteral("PartId")))
                                                       .arg(id));
        control->Display(records.get(), entry.get(), mode);
    }

    // Waits until the deferred update has run.
    bool settle() const
    {
        auto *timer = control->findChild<QTimer *>(QStringLiteral("tmrUpdate"));
        return timer && QTest::qWaitFor([timer] { return !timer->isActive(); }, 2000);
    }

    int updates() const { return control->property("controlsUpdateCount").toInt(); }

    QPushButton *button(const char *name) const { return control->findChild<QPushButton *>(QLatin1String(name)); }

    template <typename W>
    W *field(const char *array, const QString &column) const
    {
        for (W *w : control->findChildren<W *>(QLatin1String(array))) {
            if (w->property("Tag").toString() == column)
                return w;
        }
        return nullptr;
    }

    bool click(const char *name)
    {
        QPushButton *b = button(name);
        if (!b || !QTest::qWaitFor([b] { return b->isVisible() && b->isEnabled(); }, 2000))
            return false;
        QTest::mouseClick(b, Qt::LeftButton);
        return true;
    }

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

    QString status() const { return control->findChild<QLabel *>(QStringLiteral("txtStatus"))->text(); }

    QVariant stored(int id, const QString &columnName)
    {
        CMergeBaseEntry e(id);
        auto rs = host->connection().OpenQuery(
                QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                        .arg(host->connection().QuoteName(columnName),
                             host->connection().QuoteName(host->columns()->SearchDataTableName()),
                             host->columns()->SearchTableSeekCriteria(&e)));
        return rs && !rs->EOF() ? rs->value(0) : QVariant();
    }

    std::unique_ptr<KvoTest::Host> host;
    TestContainer container;
    std::unique_ptr<UKVOSearch> control;
    std::unique_ptr<RecordSet> records;
    std::unique_ptr<CMergeBaseEntry> entry;
    QStringList events;
    bool accept = true;
    int entryAtStart = 0;
};

// A picture of the control; saved into the folder named by KVO_UI_SCREENSHOTS when that is set,
// to look at the layout.
bool snapshot(QWidget *widget, const QString &name)
{
    const QPixmap picture = widget->grab();
    if (picture.isNull() || picture.size() != widget->size())
        return false;
    const QString folder = qEnvironmentVariable("KVO_UI_SCREENSHOTS");
    return folder.isEmpty() || (QDir().mkpath(folder) && picture.save(QDir(folder).filePath(name + ".png")));
}

const QList<ColumnSpec> basicColumns{
        {QStringLiteral("Material"), fcText, QStringLiteral("Material used"), 40},
        {QStringLiteral("Qty"), fcInteger32},
        {QStringLiteral("Tags"), fcKeyword},
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

    void startEditingAsksTheHost_data();
    void startEditingAsksTheHost();
    void leavingEditing_data();
    void leavingEditing();
    void displayInExamineModeCancelsEditing();
    void deferredUpdateCoalescesKeystrokes();
    void defaultAndCancelRoles();
    void invalidNumberDisablesApplyAndOk();
    void statusNamesInvalidFields_data();
    void statusNamesInvalidFields();
    void keystrokesAndNormalising();
    void fieldRowsFollowColumns();
    void bannerWithoutColumns();
    void openingFailsWithoutContainerOrTable();
    void focusedFieldScrollsIntoView();
    void hostHandlersMayCloseOrDeleteTheControl_data();
    void hostHandlersMayCloseOrDeleteTheControl();
    void persistedProperties();
    void readingBadPropertiesGivesDefaults_data();
    void readingBadPropertiesGivesDefaults();
    void templateAndClear();
    void columnsStayBoundAcrossRebuilds();
    void editedValuesAreShownAgain_data();
    void editedValuesAreShownAgain();
};

void TestUiKvoSearch::startEditingAsksTheHost_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("accepted") << true << QStringList{"OnStartEditing", "Changed"};
    QTest::newRow("refused") << false << QStringList{"OnStartEditing"};
}

void TestUiKvoSearch::startEditingAsksTheHost()
{
    QFETCH(bool, accept);
    QFETCH(QStringList, events);
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.accept = accept;
    h.display(2);
    QVERIFY(h.show());
    QVERIFY(h.settle());
    const int sizeMinBefore = h.container.sizeMinCalls;
    QVERIFY(sizeMinBefore >= 1); // after Display
    h.events.clear();
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.events, events);
    QCOMPARE(h.entryAtStart, 2);
    QCOMPARE(h.control->IsEditing(), accept);
    QCOMPARE(h.container.sizeMinCalls > sizeMinBefore, accept);
    QVERIFY(h.settle());
    QCOMPARE(h.button("cmdApply")->isVisible(), accept);
    QCOMPARE(h.button("cmdEdit")->isVisible(), !accept);
    auto *box = h.field<QLineEdit>("txtTextField", QStringLiteral("Material"));
    QVERIFY(box);
    QCOMPARE(box->isReadOnly(), !accept);
}

void TestUiKvoSearch::leavingEditing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("typeFirst");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("stillEditing");
    QTest::addColumn<QString>("stored");
    QTest::newRow("ok does not save") << "cmdOk" << true << QStringList{"Ok", "OnCompleteEditing", "Changed"} << false
                                      << "";
    QTest::newRow("apply saves changes") << "cmdApply" << true << QStringList{"Apply", "OnCompleteEditing", "Changed"}
                                         << false << "Steel";
    QTest::newRow("apply without changes does nothing") << "cmdApply" << false << QStringList{} << true << "";
    QTest::newRow("cancel drops changes")
            << "cmdCancel" << true << QStringList{"Cancel", "OnCompleteEditing", "Changed"} << false << "";
}

void TestUiKvoSearch::leavingEditing()
{
    QFETCH(QString, button);
    QFETCH(bool, typeFirst);
    QFETCH(QStringList, events);
    QFETCH(bool, stillEditing);
    QFETCH(QString, stored);
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    if (typeFirst) {
        h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Material")), QStringLiteral("Steel"));
        QVERIFY(h.control->IsDirty());
        QVERIFY(h.settle());
    }
    h.events.clear();
    QPushButton *b = h.button(button.toLatin1().constData());
    QVERIFY(b->isVisible());
    if (b->isEnabled())
        QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(h.events, events);
    QCOMPARE(h.control->IsEditing(), stillEditing);
    QCOMPARE(h.stored(1, QStringLiteral("Material")).toString(), stored);
    if (!stillEditing) {
        // The rebuilt row shows what the database holds.
        QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Material"))->text(), stored);
        QVERIFY(!h.control->IsDirty());
    }
}

void TestUiKvoSearch::displayInExamineModeCancelsEditing()
{
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Material")), QStringLiteral("Brass"));

    // In edit mode a new record keeps the control editing, with that record's values.
    h.events.clear();
    h.display(2, cseModeEdit);
    QVERIFY(h.control->IsEditing());
    QVERIFY(h.events.isEmpty());
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Material"))->text(), QString());
    QVERIFY(!h.control->IsDirty());

    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Material")), QStringLiteral("Brass"));
    h.display(3, cseModeExamine);
    QCOMPARE(h.events, (QStringList{"Cancel", "OnCompleteEditing", "Changed"}));
    QVERIFY(!h.control->IsEditing());
    QCOMPARE(h.control->EditMode(), cseModeExamine);
    QVERIFY(h.stored(1, QStringLiteral("Material")).isNull());
    QVERIFY(h.settle());
    QVERIFY(!h.button("cmdEdit")->isVisible());
    QVERIFY(!h.button("cmdApply")->isVisible());
}

void TestUiKvoSearch::deferredUpdateCoalescesKeystrokes()
{
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    auto *box = h.field<QLineEdit>("txtTextField", QStringLiteral("Material"));
    box->setFocus();
    QVERIFY(h.settle());
    const int before = h.updates();
    QElapsedTimer clock;
    clock.start();
    QTest::keyClicks(box, QStringLiteral("abcdefghij"));
    const qint64 typed = clock.elapsed();
    if (typed >= 150)
        QSKIP("typing ten keys took too long on this machine to test the coalescing");
    QCOMPARE(box->text(), QStringLiteral("abcdefghij"));
    QCOMPARE(h.updates(), before);
    QTRY_COMPARE_WITH_TIMEOUT(h.updates(), before + 1, 2000);
    QVERIFY2(clock.elapsed() >= typed + 190, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(h.button("cmdApply")->isEnabled());
    // Nothing schedules itself again.
    QTest::qWait(250);
    QCOMPARE(h.updates(), before + 1);
}

void TestUiKvoSearch::defaultAndCancelRoles()
{
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    QPushButton *add = h.field<QPushButton>("cmdAdd", QStringLiteral("Tags"));
    QPushButton *remove = h.field<QPushButton>("cmdRemove", QStringLiteral("Tags"));
    auto *combo = h.field<QComboBox>("cboField", QStringLiteral("Tags"));
    QVERIFY(add && remove && combo);
    QVERIFY(!add->isEnabled());
    QVERIFY(!add->autoDefault());

    // Not dirty: Esc is Cancel... checked last. Typing a keyword makes Add the default button.
    h.type(combo, QStringLiteral("red"));
    QVERIFY(add->isEnabled());
    QVERIFY(!h.control->IsDirty());
    QVERIFY(h.settle());
    QVERIFY(add->isDefault());
    QVERIFY(!h.button("cmdApply")->isDefault());
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->itemText(0), QStringLiteral("red"));
    QVERIFY(h.control->IsDirty());
    QVERIFY(!add->isEnabled());
    QVERIFY(remove->isEnabled());

    // With the keyword in the list Apply is the default; while dirty Esc resets.
    QVERIFY(h.settle());
    QVERIFY(h.button("cmdApply")->isDefault());
    QTest::keyClick(combo, Qt::Key_Escape);
    QVERIFY(!h.control->IsDirty());
    QCOMPARE(combo->count(), 0);
    QVERIFY(h.control->IsEditing());

    // Not dirty: Esc is Cancel and leaves editing.
    h.events.clear();
    QTest::keyClick(h.field<QLineEdit>("txtTextField", QStringLiteral("Material")), Qt::Key_Escape);
    QVERIFY(!h.control->IsEditing());
    QCOMPARE(h.events.value(0), QStringLiteral("Cancel"));

    // Enter in the viewing state presses nothing.
    h.events.clear();
    QVERIFY(h.settle());
    QTest::keyClick(h.control.get(), Qt::Key_Return);
    QVERIFY(h.events.isEmpty());
}

void TestUiKvoSearch::invalidNumberDisablesApplyAndOk()
{
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    auto *qty = h.field<QLineEdit>("txtTextField", QStringLiteral("Qty"));
    QLabel *label = h.field<QLabel>("lblField", QStringLiteral("Qty"));
    QVERIFY(qty && label);
    h.type(qty, QStringLiteral("12x"));
    QVERIFY(h.settle());
    QVERIFY(!h.button("cmdApply")->isEnabled());
    QVERIFY(h.button("cmdOk")->isVisible());
    QVERIFY(!h.button("cmdOk")->isEnabled());
    QCOMPARE(h.status(), text(7682));
    QVERIFY(h.control->findChild<QWidget *>(QStringLiteral("picStatus"))->isVisible());
    QVERIFY(label->font().bold() && label->font().italic());
    // The status bar describes the focused field: its type prompt and its description.
    QStringList panels;
    for (QLabel *panel : h.control->findChild<QStatusBar *>(QStringLiteral("sbrStatus"))->findChildren<QLabel *>())
        panels << panel->text();
    QCOMPARE(panels, (QStringList{text(6917), QStringLiteral("About Qty")}));

    // Leaving the field keeps the invalid text as typed; Enter does not apply it.
    h.field<QLineEdit>("txtTextField", QStringLiteral("Material"))->setFocus();
    QCOMPARE(qty->text(), QStringLiteral("12x"));
    QCOMPARE(h.status(), text(7683));
    QTest::keyClick(h.control.get(), Qt::Key_Return);
    QVERIFY(h.control->IsEditing());
    QVERIFY(snapshot(h.control.get(), QStringLiteral("invalid-number")));

    h.type(qty, QStringLiteral("12"));
    QVERIFY(h.settle());
    QVERIFY(h.button("cmdApply")->isEnabled());
    QVERIFY(h.button("cmdOk")->isEnabled());
    QVERIFY(!label->font().bold() && !label->font().italic());
    QCOMPARE(h.status(), QString());
    QVERIFY(!h.control->findChild<QWidget *>(QStringLiteral("picStatus"))->isVisible());
}

void TestUiKvoSearch::statusNamesInvalidFields_data()
{
    QTest::addColumn<QStringList>("values"); // of A, B, C
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QString>("status");
    const QString date = QStringLiteral("2021-01-01");
    QTest::newRow("none") << QStringList{"1", "2", date} << "A" << QString();
    QTest::newRow("another") << QStringList{"1", "x", date} << "A" << text(7683);
    QTest::newRow("this one") << QStringList{"1", "x", date} << "B" << text(7682);
    QTest::newRow("two, focused valid") << QStringList{"1", "x", "y"} << "A" << text(7686, {"2"});
    QTest::newRow("two, focused invalid") << QStringList{"1", "x", "y"} << "B" << text(7684);
    QTest::newRow("three, focused invalid") << QStringList{"z", "x", "y"} << "C" << text(7685, {"2"});
}

void TestUiKvoSearch::statusNamesInvalidFields()
{
    QFETCH(QStringList, values);
    QFETCH(QString, focused);
    QFETCH(QString, status);
    Harness h;
    QVERIFY(h.open({{"A", fcInteger16}, {"B", fcDouble}, {"C", fcDateTime}}));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    const QStringList names{"A", "B", "C"};
    for (int i = 0; i < names.size(); ++i)
        h.type(h.field<QLineEdit>("txtTextField", names.at(i)), values.at(i));
    h.field<QLineEdit>("txtTextField", focused)->setFocus();
    QCOMPARE(h.status(), status);
}

void TestUiKvoSearch::keystrokesAndNormalising()
{
    Harness h;
    QVERIFY(h.open({{"Material", fcText},
                    {"Qty", fcInteger32},
                    {"Made", fcDateTime},
                    {"Remarks", fcNote},
                    {"Tags", fcKeyword, {}, 5}}));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    auto *material = h.field<QLineEdit>("txtTextField", QStringLiteral("Material"));
    auto *qty = h.field<QLineEdit>("txtTextField", QStringLiteral("Qty"));
    auto *made = h.field<QLineEdit>("txtTextField", QStringLiteral("Made"));
    auto *remarks = h.field<QPlainTextEdit>("txtNoteField", QStringLiteral("Remarks"));
    QVERIFY(material && qty && made && remarks);

    // Quotes and a second trailing blank never reach a text or note field.
    h.type(material, QStringLiteral("a'b\"c  d "));
    QCOMPARE(material->text(), QStringLiteral("abc d "));
    remarks->setFocus();
    QTest::keyClicks(remarks, QStringLiteral("it's"));
    QCOMPARE(remarks->toPlainText(), QStringLiteral("its"));
    QCOMPARE(material->text(), QStringLiteral("abc d")); // trimmed on leaving
    // A note box keeps Enter for itself: a new line, no Apply.
    QVERIFY(h.settle());
    QVERIFY(h.field<QPushButton>("cmdNow", QStringLiteral("Made"))->isDefault());
    QTest::keyClick(remarks, Qt::Key_Return);
    QCOMPARE(remarks->toPlainText(), QStringLiteral("its\n"));
    QVERIFY(made->text().isEmpty());
    // A keyword takes no quotes and no more characters than the column allows.
    auto *tags = h.field<QComboBox>("cboField", QStringLiteral("Tags"));
    h.type(tags, QStringLiteral("ab'cdefg"));
    QCOMPARE(tags->currentText(), QStringLiteral("abcde"));

    // Number and date fields are normalised on leaving, but only when valid, and not when a popup
    // or another window takes the focus for a moment.
    h.type(qty, QStringLiteral(" 0042 "));
    QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(qty, &toPopup);
    QCOMPARE(qty->text(), QStringLiteral(" 0042 "));
    h.type(made, QStringLiteral("2021-03-04"));
    QCOMPARE(qty->text(), QStringLiteral("42"));
    material->setFocus();
    QCOMPARE(made->text(), Convert::displayDate(Convert::makeDate(QDate(2021, 3, 4))));

    // Leaving an unchanged field after a save writes nothing and so does not make the record dirty.
    QVERIFY(h.click("cmdApply"));
    QVERIFY(h.startEditing());
    QVERIFY(!h.control->IsDirty());
    qty = h.field<QLineEdit>("txtTextField", QStringLiteral("Qty"));
    material = h.field<QLineEdit>("txtTextField", QStringLiteral("Material"));
    qty->setFocus();
    material->setFocus();
    QVERIFY(!h.control->IsDirty());
    QCOMPARE(h.stored(1, QStringLiteral("Qty")).toInt(), 42);
}

void TestUiKvoSearch::fieldRowsFollowColumns()
{
    Harness h;
    QVERIFY(h.open({{"Material", fcText, "Material used", 40},
                    {"Qty", fcInteger32},
                    {"Due", fcDateTime},
                    {"Stamped", fcDateTime, {}, 20, false, true},
                    {"Approved", fcBoolean, "Approved by QA"}}));
    h.display(1);
    QVERIFY(h.show());
    QCOMPARE(h.field<QLabel>("lblField", QStringLiteral("Material"))->text(), QStringLiteral("Material used: "));
    QCOMPARE(h.field<QLabel>("lblField", QStringLiteral("Qty"))->text(), QStringLiteral("Qty: "));
    QVERIFY(!h.field<QLabel>("lblField", QStringLiteral("Approved")));
    QCOMPARE(h.field<QCheckBox>("chkField", QStringLiteral("Approved"))->text(), QStringLiteral("Approved by QA"));

    auto *material = h.field<QLineEdit>("txtTextField", QStringLiteral("Material"));
    auto *qty = h.field<QLineEdit>("txtTextField", QStringLiteral("Qty"));
    QCOMPARE(material->maxLength(), 40);
    QCOMPARE(qty->maxLength(), 255);
    QVERIFY(material->width() > qty->width());
    QVERIFY(!h.field<QPushButton>("cmdNow", QStringLiteral("Due")));

    QVERIFY(h.startEditing());
    QVERIFY(h.field<QPushButton>("cmdNow", QStringLiteral("Due")));
    QVERIFY(!h.field<QPushButton>("cmdNow", QStringLiteral("Stamped")));
    QVERIFY(h.field<QLineEdit>("txtTextField", QStringLiteral("Stamped"))->isReadOnly());
    QVERIFY(!h.field<QLineEdit>("txtTextField", QStringLiteral("Due"))->isReadOnly());

    // Tab goes through the fields in column order, the Now button after its box.
    material = h.field<QLineEdit>("txtTextField", QStringLiteral("Material"));
    material->setFocus();
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *w = QApplication::focusWidget();
        order << w->objectName() + QLatin1Char(':') + w->property("Tag").toString();
    }
    QCOMPARE(order, (QStringList{"txtTextField:Qty", "txtTextField:Due", "cmdNow:Due", "txtTextField:Stamped",
                                 "chkField:Approved"}));

    // Now fills the box with the present time and makes the record dirty.
    QTest::mouseClick(h.field<QPushButton>("cmdNow", QStringLiteral("Due")), Qt::LeftButton);
    QVERIFY(!h.field<QLineEdit>("txtTextField", QStringLiteral("Due"))->text().isEmpty());
    QVERIFY(h.control->IsDirty());

    // Minimum sizes are whole pixels in twips; the field count setting does not change them.
    QVERIFY(h.control->WidthMin() > 0 && h.control->HeightMin() > 0);
    QCOMPARE(std::fmod(h.control->WidthMin(), 15.0f), 0.0f);
    const float heightMin = h.control->HeightMin();
    h.control->setFieldsVisible(9);
    QCOMPARE(h.control->HeightMin(), heightMin);
    h.control->setDisplayBaseRecord(false);
    QVERIFY(h.control->HeightMin() < heightMin);

    // The base-record list shows the record's fields.
    auto *list = h.control->findChild<QTreeWidget *>(QStringLiteral("lvwEntry"));
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("PartId"));
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("Part 1"));

    h.control->setDisplayBaseRecord(true);
    QVERIFY(h.settle());
    QVERIFY(snapshot(h.control.get(), QStringLiteral("rows-editing")));
}

void TestUiKvoSearch::bannerWithoutColumns()
{
    Harness h;
    QVERIFY(h.open({}));
    QVERIFY(!h.control->Exists());
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.settle());
    QLabel *banner = nullptr;
    for (QLabel *l : h.control->findChildren<QLabel *>(QStringLiteral("picLine"))) {
        if (l->property("Index").toInt() == 2)
            banner = l;
    }
    QVERIFY(banner);
    QVERIFY(banner->isVisible());
    QCOMPARE(banner->text(), text(7681, {"Parts"}));
    QVERIFY(snapshot(h.control.get(), QStringLiteral("banner")));
    // Nothing to edit: Apply can never be enabled.
    QVERIFY(h.startEditing());
    QVERIFY(!h.button("cmdApply")->isEnabled());
    QVERIFY(!h.button("cmdTemplateCopy")->isEnabled());
}

void TestUiKvoSearch::openingFailsWithoutContainerOrTable()
{
    Harness h;
    QVERIFY(h.open(basicColumns));
    QVERIFY(h.control->Exists());
    QVERIFY(!h.control->SQLSearchFields().isEmpty());
    QVERIFY(!h.control->OpenSearch(nullptr, h.host->handler.get(), h.host->baseTable.get(), h.host->db->catalog.get(),
                                   h.host->profile.get(), 0, h.host->structure.get()));
    QVERIFY(!h.control->MyFilter());
    QCOMPARE(h.control->SQLSearchFields(), QString());
    BaseTableInfo missing(QStringLiteral("NoSuchTable"));
    QVERIFY(!h.control->OpenSearch(&h.container, h.host->handler.get(), &missing, h.host->db->catalog.get(),
                                   h.host->profile.get(), 0, h.host->structure.get()));
    QVERIFY(!h.control->MyFilter());
    // A closed control ignores Display and says why it is empty.
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.settle());
    QCOMPARE(h.control->findChildren<QLineEdit *>(QStringLiteral("txtTextField")).size(), 0);
    bool bannerShown = false;
    for (QLabel *l : h.control->findChildren<QLabel *>(QStringLiteral("picLine")))
        bannerShown = bannerShown || (l->isVisible() && l->text() == text(7680));
    QVERIFY(bannerShown);
}

void TestUiKvoSearch::focusedFieldScrollsIntoView()
{
    QList<ColumnSpec> many;
    for (int i = 1; i <= 14; ++i)
        many.append({QStringLiteral("Field%1").arg(i), fcInteger32});
    Harness h;
    QVERIFY(h.open(many));
    h.control->resize(600, 330);
    h.display(1);
    QVERIFY(h.show());
    auto *bar = h.control->findChild<QScrollBar *>(QStringLiteral("vsbFields"));
    QWidget *view = h.control->findChild<QWidget *>(QStringLiteral("picView"));
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
    QVERIFY(bar->pageStep() > 0 && bar->pageStep() < 100);

    auto inView = [view](QWidget *w) {
        const QRect r(w->mapTo(view, QPoint(0, 0)), w->size());
        return r.top() >= 0 && r.bottom() < view->height();
    };
    QLineEdit *last = h.field<QLineEdit>("txtTextField", QStringLiteral("Field14"));
    QVERIFY(!inView(last));
    last->setFocus();
    QVERIFY(bar->value() > 0);
    QVERIFY(inView(last));
    QVERIFY(snapshot(h.control.get(), QStringLiteral("scrolled")));
    QLineEdit *first = h.field<QLineEdit>("txtTextField", QStringLiteral("Field1"));
    first->setFocus();
    QVERIFY(inView(first));
    QVERIFY(bar->value() < 10);
    // Tabbing down the list keeps each field in sight.
    for (int i = 2; i <= 14; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(inView(QApplication::focusWidget()), qPrintable(QString::number(i)));
    }
}

void TestUiKvoSearch::hostHandlersMayCloseOrDeleteTheControl_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("destroy");
    QTest::newRow("close on Cancel") << "Cancel" << false;
    QTest::newRow("delete on Cancel") << "Cancel" << true;
    QTest::newRow("close on complete") << "Complete" << false;
    QTest::newRow("delete on complete") << "Complete" << true;
}

void TestUiKvoSearch::hostHandlersMayCloseOrDeleteTheControl()
{
    QFETCH(QString, event);
    QFETCH(bool, destroy);
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    QPointer<UKVOSearch> watched(h.control.get());
    int calls = 0;
    auto act = [&] {
        ++calls;
        if (destroy)
            h.control.reset();
        else
            h.control->CloseSearch();
    };
    if (event == QLatin1String("Cancel"))
        QObject::connect(h.control.get(), &UKVOSearch::CancelButtonClick, h.control.get(), act);
    else
        QObject::connect(h.control.get(), &UKVOSearch::OnCompleteEditing, h.control.get(), act, Qt::DirectConnection);
    // Display in examine mode presses Cancel by code; the control goes no further once closed.
    h.display(2, cseModeExamine);
    QCOMPARE(calls, 1);
    QCOMPARE(watched.isNull(), destroy);
    if (!destroy) {
        QVERIFY(!h.control->MyFilter());
        QVERIFY(!h.control->IsEditing());
        QCOMPARE(h.control->findChildren<QLineEdit *>(QStringLiteral("txtTextField")).size(), 0);
    }
}

void TestUiKvoSearch::persistedProperties()
{
    UKVOSearch control;
    control.InitProperties();
    for (const char *name :
         {"Enabled", "ShowOKButton", "ShowCancelButton", "DisplayBaseRecord", "BorderStyle", "FieldsVisible"})
        QVERIFY2(control.isPropertyChanged(QLatin1String(name)), name);

    // A legacy OkCancelButtons of False leaves the other properties alone and disappears at the
    // next write.
    PropertyBag bag;
    bag.setValues({{"OkCancelButtons", false}, {"ShowOKButton", false}, {"FieldsVisible", 6}});
    control.ReadProperties(bag);
    QVERIFY(!control.ShowOKButton());
    QVERIFY(control.ShowCancelButton());
    QCOMPARE(control.FieldsVisible(), qint16(6));
    QVERIFY(!control.isPropertyChanged(QStringLiteral("ShowOKButton")));
    control.WriteProperties(bag);
    QVERIFY(!bag.contains(QStringLiteral("OkCancelButtons")));
    QCOMPARE(bag.values().value(QStringLiteral("ShowOKButton")), QVariant(false));
    QVERIFY(!bag.contains(QStringLiteral("ShowCancelButton")));
    QCOMPARE(bag.values().value(QStringLiteral("FieldsVisible")).toInt(), 6);

    // FieldsVisible is stored only.
    const float heightMin = control.HeightMin();
    control.setFieldsVisible(2);
    QVERIFY(control.isPropertyChanged(QStringLiteral("FieldsVisible")));
    QCOMPARE(control.HeightMin(), heightMin);
    control.setBorderStyle(1);
    control.WriteProperties(bag);
    QCOMPARE(bag.values().value(QStringLiteral("BorderStyle")).toInt(), 1);
    QVERIFY(!control.isPropertyChanged(QStringLiteral("FieldsVisible")));

    // Cancel follows the editing state without being marked for saving, and the host's setting is
    // what is stored.
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.control->ReadProperties(PropertyBag());
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    QVERIFY(h.control->ShowCancelButton());
    QVERIFY(h.click("cmdCancel"));
    QVERIFY(!h.control->ShowCancelButton());
    QVERIFY(!h.control->isPropertyChanged(QStringLiteral("ShowCancelButton")));
    PropertyBag written;
    h.control->WriteProperties(written);
    QVERIFY(!written.contains(QStringLiteral("ShowCancelButton")));
}

void TestUiKvoSearch::readingBadPropertiesGivesDefaults_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("read");
    QTest::newRow("text Boolean") << "ShowOKButton" << QVariant("False") << QVariant(false);
    QTest::newRow("number Boolean") << "DisplayBaseRecord" << QVariant(0) << QVariant(false);
    QTest::newRow("garbage Boolean") << "ShowCancelButton" << QVariant("maybe") << QVariant(true);
    QTest::newRow("out of range") << "FieldsVisible" << QVariant(70000) << QVariant(0);
    QTest::newRow("unknown border") << "BorderStyle" << QVariant(7) << QVariant(0);
    QTest::newRow("border as text") << "BorderStyle" << QVariant("1") << QVariant(1);
}

void TestUiKvoSearch::readingBadPropertiesGivesDefaults()
{
    QFETCH(QString, name);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, read);
    PropertyBag bag;
    bag.setValues({{name, stored}});
    UKVOSearch control;
    control.ReadProperties(bag);
    const QHash<QString, QVariant> values{{"ShowOKButton", control.ShowOKButton()},
                                          {"DisplayBaseRecord", control.DisplayBaseRecord()},
                                          {"ShowCancelButton", control.ShowCancelButton()},
                                          {"FieldsVisible", int(control.FieldsVisible())},
                                          {"BorderStyle", int(control.BorderStyle())}};
    QCOMPARE(values.value(name), read);
}

void TestUiKvoSearch::templateAndClear()
{
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Material")), QStringLiteral("Copper"));
    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Qty")), QStringLiteral("7"));
    auto *tags = h.field<QComboBox>("cboField", QStringLiteral("Tags"));
    h.type(tags, QStringLiteral("hot"));
    QTest::mouseClick(h.field<QPushButton>("cmdAdd", QStringLiteral("Tags")), Qt::LeftButton);
    QVERIFY(h.click("cmdApply"));
    QVERIFY(h.startEditing());
    QVERIFY(h.button("cmdTemplateCopy")->isEnabled());
    QVERIFY(h.click("cmdTemplateCopy"));

    // Clear empties every field and marks the record dirty.
    QVERIFY(h.click("cmdClear"));
    QVERIFY(h.control->IsDirty());
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Material"))->text(), QString());
    QCOMPARE(h.field<QComboBox>("cboField", QStringLiteral("Tags"))->count(), 0);
    QVERIFY(h.settle());
    QVERIFY(!h.button("cmdClear")->isEnabled());
    QVERIFY(!h.button("cmdTemplateCopy")->isEnabled());
    QVERIFY(h.click("cmdCancel"));

    // Pasting on another record fills its fields, and the change handlers make it dirty.
    h.display(2);
    QVERIFY(h.startEditing());
    QVERIFY(!h.control->IsDirty());
    QVERIFY(h.click("cmdTemplatePaste"));
    QVERIFY(h.control->IsDirty());
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Material"))->text(), QStringLiteral("Copper"));
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Qty"))->text(), QStringLiteral("7"));
    QCOMPARE(h.field<QComboBox>("cboField", QStringLiteral("Tags"))->itemText(0), QStringLiteral("hot"));
    QVERIFY(h.click("cmdApply"));
    QCOMPARE(h.stored(2, QStringLiteral("Qty")).toInt(), 7);
}

void TestUiKvoSearch::columnsStayBoundAcrossRebuilds()
{
    Harness h;
    QVERIFY(h.open(basicColumns));
    h.display(1);
    CFilterColumn *material = h.control->MyFilter()->FilterColumns()->Item(QStringLiteral("Material"));
    QVERIFY(material && material->asTextBox());
    QVERIFY(material->labelControl());
    QVERIFY(h.show());
    for (int round = 0; round < 2; ++round) {
        QVERIFY(h.startEditing());
        CFilterColumn *tags = h.control->MyFilter()->FilterColumns()->Item(QStringLiteral("Tags"));
        QVERIFY(tags->addButton() && tags->removeButton());
        h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Material")), QStringLiteral("Zinc"));
        // The column reads the live widget of this build.
        QCOMPARE(material->Value().toText(), QStringLiteral("Zinc"));
        QVERIFY(h.click("cmdCancel"));
        QVERIFY(!tags->addButton());
        QCOMPARE(material->asTextBox()->text(), QString());
    }
    h.control->CloseSearch();
    QVERIFY(!h.control->MyFilter());
    QCOMPARE(h.control->findChildren<QLineEdit *>(QStringLiteral("txtTextField")).size(), 0);
}

void TestUiKvoSearch::editedValuesAreShownAgain_data()
{
    QTest::addColumn<QString>("engine");
    for (const QString &engine : KvoTest::configuredEngines())
        QTest::newRow(qPrintable(engine)) << engine;
}

void TestUiKvoSearch::editedValuesAreShownAgain()
{
    QFETCH(QString, engine);
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
    const QString picklist = h.host->columns()->PicklistTableName(h.host->columns()->Item(QStringLiteral("Colour")));
    for (const char *colour : {"Red", "Blue"}) {
        QVERIFY(KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(db.QuoteName(picklist), db.QuoteName(QStringLiteral("Colour")),
                                               db.QuoteText(QLatin1String(colour)))));
    }
    h.display(2);
    QVERIFY(h.show());
    QVERIFY(h.startEditing());
    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Material")), QStringLiteral("Brien & Sons steel"));
    auto *remarks = h.field<QPlainTextEdit>("txtNoteField", QStringLiteral("Remarks"));
    remarks->setPlainText(QStringLiteral("line one\nline two"));
    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Count")), QStringLiteral("-12"));
    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Weight")), QStringLiteral("2.5"));
    h.type(h.field<QLineEdit>("txtTextField", QStringLiteral("Due")), QStringLiteral("2022-11-30 14:15"));
    QTest::mouseClick(h.field<QCheckBox>("chkField", QStringLiteral("Approved")), Qt::LeftButton);
    auto *tags = h.field<QComboBox>("cboField", QStringLiteral("Tags"));
    for (const QString &tag : {QStringLiteral("alpha"), QStringLiteral("beta")}) {
        h.type(tags, tag);
        QTest::mouseClick(h.field<QPushButton>("cmdAdd", QStringLiteral("Tags")), Qt::LeftButton);
    }
    auto *colour = h.field<QComboBox>("cboFieldView", QStringLiteral("Colour"));
    QVERIFY(colour);
    colour->setCurrentIndex(colour->findText(QStringLiteral("Blue")));
    QVERIFY(h.click("cmdApply"));
    QVERIFY(!h.control->IsEditing());

    // Another record, then this one again: the control shows what was saved.
    h.display(1);
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Material"))->text(), QString());
    h.control->CloseSearch();
    QVERIFY(h.control->OpenSearch(&h.container, h.host->handler.get(), h.host->baseTable.get(),
                                  h.host->db->catalog.get(), h.host->profile.get(), 0, h.host->structure.get()));
    h.display(2);
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Material"))->text(),
             QStringLiteral("Brien & Sons steel"));
    QCOMPARE(h.field<QPlainTextEdit>("txtNoteField", QStringLiteral("Remarks"))->toPlainText(),
             QStringLiteral("line one\nline two"));
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Count"))->text(), QStringLiteral("-12"));
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Weight"))->text(), QStringLiteral("2.5"));
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Due"))->text(),
             Convert::displayDate(Convert::makeDate(QDate(2022, 11, 30), QTime(14, 15))));
    QVERIFY(h.field<QCheckBox>("chkField", QStringLiteral("Approved"))->isChecked());
    QCOMPARE(h.field<QLineEdit>("txtTextField", QStringLiteral("Colour"))->text(), QStringLiteral("Blue"));
    auto *shown = h.field<QComboBox>("cboFieldView", QStringLiteral("Tags"));
    QVERIFY(shown);
    QStringList keywords;
    for (int i = 0; i < shown->count(); ++i)
        keywords << shown->itemText(i);
    keywords.sort();
    QCOMPARE(keywords, (QStringList{"alpha", "beta"}));
    QVERIFY(snapshot(h.control.get(), QStringLiteral("viewing-") + engine));
}

QTEST_MAIN(TestUiKvoSearch)
#include "tst_ui_kvosearch.moc"
