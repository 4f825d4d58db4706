// The examine window and the widgets glue: showing and editing one record's search values in the
// window, saving on OK, the question about unsaved changes on closing, Esc, opening it through the
// search filter, and the message box installed for the core.
#include "testui.h"

#include "control/frmexamine.h"
#include "control/ukvosearch.h"
#include "core/ccommon.h"
#include "uisupport/widgetmessagebox.h"

#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"

#include <QHash>
#include <QMessageBox>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::button;
using KvoTest::field;
using KvoTest::text;
using KvoTest::typeInto;

namespace {

// A host with base table Parts (records 1 to 3) and the search columns Material (text), Count
// (integer) and Active (Boolean); record 1 holds Steel, 12, true.
struct Fixture
{
    std::unique_ptr<KvoTest::Host> host;
    std::unique_ptr<RecordSet> record;
    CMergeBaseEntry entry{1};

    bool make()
    {
        host = KvoTest::makeHost(3, {{"Material", fcText}, {"Count", fcInteger32}, {"Active", fcBoolean}});
        if (!host
            || !KvoTest::saveValues(columns(), 1,
                                    {{"Material", Variant::text(u"Steel"_s)},
                                     {"Count", Variant::int32(12)},
                                     {"Active", Variant::boolean(true)}}))
            return false;
        record = host->connection().OpenQuery(u"SELECT * FROM Parts WHERE PartId = 1"_s);
        return record != nullptr;
    }

    CFilterColumns &columns() { return *host->columns(); }

    // Prepares `window` on record 1 and shows it.
    bool show(frmExamine &window, KVOSearchEditExamineModes mode)
    {
        window.prepare(columns(), record.get(), &entry, mode);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    // The stored value of a column of record 1, as text.
    QString stored(const QString &column)
    {
        return columns().GetData(&entry) ? columns().Item(column)->SavedValue().toText() : u"<unreadable>"_s;
    }
};

} // namespace

class TestExamineWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWidgetsSupport(); }
    void init() { FormsGlobal::instance().setClosingMode(0); }

    void leavingTheWindow_data()
    {
        QTest::addColumn<QString>("how"); // a button of the control, "close" for the close box, or "Esc"
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("closingMode");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("result"); // -1: not checked
        using namespace MsgBox;
        const auto row = [](const char *name, const char *how, bool change, int closingMode, int answer, bool asked,
                            bool closes, bool saved, int result) {
            QTest::newRow(name) << QString::fromLatin1(how) << change << closingMode << answer << asked << closes
                                << saved << result;
        };
        row("OK saves", "cmdOk", true, 0, vbCancel, false, true, true, QDialog::Accepted);
        row("Cancel drops", "cmdCancel", true, 0, vbCancel, false, true, false, QDialog::Rejected);
        row("close, Cancel keeps the window", "close", true, 0, vbCancel, true, false, false, -1);
        row("close, No drops the changes", "close", true, 0, vbNo, true, true, false, -1);
        row("close, Yes saves", "close", true, 0, vbYes, true, true, true, -1);
        row("close, nothing changed", "close", false, 0, vbCancel, false, true, false, -1);
        row("close, closing mode 1", "close", true, 1, vbYes, false, true, false, -1);
        row("Esc resets the changes", "Esc", true, 0, vbCancel, false, false, false, -1);
        row("Esc without changes closes", "Esc", false, 0, vbCancel, false, true, false, -1);
    }

    // OK saves and Cancel drops without asking; the close box asks about unsaved changes unless the
    // closing mode says otherwise. Esc is the control's: with unsaved changes it resets them (Reset is
    // the cancel button) and the window stays; without changes it cancels editing and so closes.
    void leavingTheWindow()
    {
        QFETCH(QString, how);
        QFETCH(bool, change);
        QFETCH(int, closingMode);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        QFETCH(int, result);
        Fixture f;
        QVERIFY(f.make());
        frmExamine window;
        QVERIFY(f.show(window, cseModeEdit));
        // The record's values are shown read-only until Edit is pressed.
        UKVOSearch *cse = window.cseEdit();
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"Material"_s)->text(), u"Steel"_s);
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"Count"_s)->text(), u"12"_s);
        QVERIFY(field<QLineEdit>(cse, "txtTextField", u"Count"_s)->isReadOnly());
        QVERIFY(field<QCheckBox>(cse, "chkField", u"Active"_s)->isChecked());
        QVERIFY(KvoTest::click(cse, "cmdEdit") && cse->IsEditing());
        if (change) {
            QVERIFY(typeInto(cse, u"Material"_s, u"Brass"_s));
            QVERIFY(typeInto(cse, u"Count"_s, u"40"_s));
        }
        FormsGlobal::instance().setClosingMode(closingMode);
        KvoTest::ScriptedMessages messages(answer);
        // The close box only hides the window (its caller unloads it), or keeps it open.
        if (how == u"close")
            window.close();
        else if (how == u"Esc")
            QTest::keyClick(field<QLineEdit>(cse, "txtTextField", u"Material"_s), Qt::Key_Escape);
        else
            QVERIFY(KvoTest::click(cse, qPrintable(how)));
        QTRY_COMPARE(window.isVisible(), !closes);
        if (result >= 0)
            QCOMPARE(window.result(), result);
        QCOMPARE(messages.requests().size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(messages.requests().first().text, text(7872));
            QCOMPARE(MsgBox::buttonsOf(messages.requests().first().style), int(MsgBox::vbYesNoCancel));
        }
        if (!closes) // with the typed values, or after Esc without them
            QCOMPARE(cse->IsDirty(), how == u"close");
        QCOMPARE(f.stored(u"Material"_s), saved ? u"Brass"_s : u"Steel"_s);
        QCOMPARE(f.stored(u"Count"_s), saved ? u"40"_s : u"12"_s);
    }

    // CSearchFilter::View opens the window modally over the record and returns when it closes;
    // while it is open it is a loaded window of the library, which CloseSCtlForms hides. Viewing
    // offers no Edit, and Esc closes the window as the close box does.
    void viewThroughSearchFilter()
    {
        Fixture f;
        QVERIFY(f.make());
        QString title, material;
        int loaded = 0;
        QTimer::singleShot(0, this, [&] {
            auto *window = qobject_cast<frmExamine *>(QApplication::activeModalWidget());
            if (!window)
                return;
            title = window->windowTitle();
            if (auto *box = field<QLineEdit>(window->cseEdit(), "txtTextField", u"Material"_s))
                material = box->text();
            loaded = int(LoadedWindows::all().size());
            CCommon::global().CloseSCtlForms();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->hide();
        });
        watchdog.start(20000);
        f.host->filter->View(f.record.get(), &f.entry, nullptr);
        QVERIFY(watchdog.isActive());
        QCOMPARE(title, text(6819));
        QCOMPARE(material, u"Steel"_s);
        QCOMPARE(loaded, 1);
        QVERIFY(LoadedWindows::all().isEmpty());

        frmExamine viewer;
        QVERIFY(f.show(viewer, cseModeExamine));
        QTRY_VERIFY(!viewer.cseEdit()->findChild<QTimer *>("tmrUpdate")->isActive());
        QVERIFY(!button(viewer.cseEdit(), "cmdEdit")->isVisible());
        QTest::keyClick(&viewer, Qt::Key_Escape);
        QTRY_VERIFY(!viewer.isVisible());
    }

    void messageBoxStyles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QList<int>>("results"); // of its buttons, the default one first
        QTest::addColumn<int>("closedWithout");
        using namespace MsgBox;
        QTest::newRow("OK") << int(vbOKOnly) << QList<int>{vbOK} << int(vbOK);
        QTest::newRow("OK/Cancel, second")
                << int(vbOKCancel | vbDefaultButton2) << QList<int>{vbCancel, vbOK} << int(vbCancel);
        QTest::newRow("Yes/No/Cancel question, third") << int(vbYesNoCancel | vbQuestion | vbDefaultButton3)
                                                       << QList<int>{vbCancel, vbYes, vbNo} << int(vbCancel);
        QTest::newRow("Yes/No critical") << int(vbYesNo | vbCritical) << QList<int>{vbYes, vbNo} << int(vbYes);
        QTest::newRow("Abort/Retry/Ignore, second") << int(vbAbortRetryIgnore | vbExclamation | vbDefaultButton2)
                                                    << QList<int>{vbRetry, vbAbort, vbIgnore} << int(vbRetry);
        QTest::newRow("Retry/Cancel") << int(vbRetryCancel | vbInformation) << QList<int>{vbRetry, vbCancel}
                                      << int(vbCancel);
    }

    // The style code gives the buttons and the default one; each button answers its code.
    void messageBoxStyles()
    {
        QFETCH(int, style);
        QFETCH(QList<int>, results);
        static const QHash<int, QMessageBox::StandardButton> buttonOf = {
                {MsgBox::vbOK, QMessageBox::Ok},         {MsgBox::vbCancel, QMessageBox::Cancel},
                {MsgBox::vbAbort, QMessageBox::Abort},   {MsgBox::vbRetry, QMessageBox::Retry},
                {MsgBox::vbIgnore, QMessageBox::Ignore}, {MsgBox::vbYes, QMessageBox::Yes},
                {MsgBox::vbNo, QMessageBox::No}};
        MessageRequest request;
        request.style = style;
        std::unique_ptr<QMessageBox> box = WidgetMessageBox::create(request, nullptr);
        QMessageBox::StandardButtons expectedButtons;
        for (int result : results)
            expectedButtons |= buttonOf.value(result);
        QCOMPARE(box->standardButtons(), expectedButtons);
        QVERIFY(box->defaultButton());
        QCOMPARE(box->standardButton(box->defaultButton()), buttonOf.value(results.first()));
        QTEST(WidgetMessageBox::result(*box, style), "closedWithout");
        for (int result : results) {
            std::unique_ptr<QMessageBox> answered = WidgetMessageBox::create(request, nullptr);
            answered->button(buttonOf.value(result))->click();
            QCOMPARE(WidgetMessageBox::result(*answered, style), result);
        }
    }
};

QTEST_MAIN(TestExamineWindow)
#include "tst_ui_examine.moc"
