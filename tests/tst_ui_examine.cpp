// The examine window and the widgets glue: showing and editing one record's search values in the
// window, saving on OK, the question about unsaved changes on closing, the window's minimum size
// and place, opening it through the search filter, and the message box, progress dialog and
// clipboard installed for the core.
#include "testhost.h"
#include "testui.h"

#include "columns/basvalidate.h"
#include "columns/cfiltercolumns.h"
#include "control/frmexamine.h"
#include "control/ukvosearch.h"
#include "core/ccommon.h"
#include "core/controls.h"
#include "uisupport/widgetmessagebox.h"
#include "uisupport/widgetssupport.h"
#include "uisupport/windowsupport.h"

#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHash>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::button;
using KvoTest::field;
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
        if (!columns().GetData(&entry))
            return u"<unreadable>"_s;
        return columns().Item(column)->SavedValue().toText();
    }
};

// Starts editing through the control's Edit button.
bool startEditing(frmExamine &window)
{
    return KvoTest::click(window.cseEdit(), "cmdEdit") && window.cseEdit()->IsEditing();
}

// The screen the library sees, for one test.
class ScreenOfSize
{
public:
    ScreenOfSize(int width, int height)
    {
        ServicesHelper::instance().setScreenSizeProvider(
                [width, height] { return QSizeF(toTwips(width), toTwips(height)); });
    }
    ~ScreenOfSize() { installWidgetsSupport(); }
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
        QTest::addColumn<QString>("how"); // a button of the control, or "close" for the close box
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
    }

    // OK saves and Cancel drops without asking; the close box asks about unsaved changes unless the
    // closing mode says otherwise.
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
        QCOMPARE(window.windowTitle(), ResourceTexts::instance().Text(6816));
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"Material"_s)->text(), u"Steel"_s);
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"Count"_s)->text(), u"12"_s);
        QVERIFY(field<QLineEdit>(cse, "txtTextField", u"Count"_s)->isReadOnly());
        QVERIFY(field<QCheckBox>(cse, "chkField", u"Active"_s)->isChecked());
        QVERIFY(!button(cse, "cmdOk")->isVisible());
        QVERIFY(startEditing(window));
        if (change) {
            QVERIFY(typeInto(window.cseEdit(), u"Material"_s, u"Brass"_s));
            QVERIFY(typeInto(window.cseEdit(), u"Count"_s, u"40"_s));
        }
        FormsGlobal::instance().setClosingMode(closingMode);
        KvoTest::ScriptedMessages messages(answer);
        if (how == u"close") {
            // The close box only hides the window (its caller unloads it), or keeps it open.
            window.close();
            QCOMPARE(window.isVisible(), !closes);
        } else {
            QVERIFY(KvoTest::click(window.cseEdit(), qPrintable(how)));
            QTRY_VERIFY(!window.isVisible());
        }
        if (result >= 0)
            QCOMPARE(window.result(), result);
        QCOMPARE(messages.requests().size(), asked ? 1 : 0);
        if (asked) {
            const MessageRequest &request = messages.requests().first();
            QCOMPARE(request.text, ResourceTexts::instance().Text(7872));
            QCOMPARE(MsgBox::buttonsOf(request.style), int(MsgBox::vbYesNoCancel));
            QCOMPARE(request.title, window.windowTitle());
        }
        if (!closes) // and the typed values
            QVERIFY(window.cseEdit()->IsDirty());
        QCOMPARE(f.stored(u"Material"_s), saved ? u"Brass"_s : u"Steel"_s);
        QCOMPARE(f.stored(u"Count"_s), saved ? u"40"_s : u"12"_s);
    }

    // Esc is the control's: with unsaved changes it resets them (Reset is the cancel button) and the
    // window stays; without changes it cancels editing, which closes the window.
    void escapeIsTheControlsCancel()
    {
        Fixture f;
        QVERIFY(f.make());
        frmExamine window;
        QVERIFY(f.show(window, cseModeEdit));
        QVERIFY(startEditing(window));
        QVERIFY(typeInto(window.cseEdit(), u"Material"_s, u"Brass"_s));
        auto *material = field<QLineEdit>(window.cseEdit(), "txtTextField", u"Material"_s);
        QTest::keyClick(material, Qt::Key_Escape);
        QVERIFY(window.isVisible() && !window.cseEdit()->IsDirty());
        QCOMPARE(material->text(), u"Steel"_s);
        QTest::keyClick(material, Qt::Key_Escape);
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(f.stored(u"Material"_s), u"Steel"_s);

        // Viewing shows the values and offers no Edit: Esc closes the window as the close box does.
        frmExamine viewer;
        QVERIFY(f.show(viewer, cseModeExamine));
        QCOMPARE(viewer.cseEdit()->EditMode(), cseModeExamine);
        QVERIFY(field<QLineEdit>(viewer.cseEdit(), "txtTextField", u"Material"_s)->isReadOnly());
        QTRY_VERIFY(!viewer.cseEdit()->findChild<QTimer *>("tmrUpdate")->isActive());
        QVERIFY(!button(viewer.cseEdit(), "cmdEdit")->isVisible());
        QTest::keyClick(&viewer, Qt::Key_Escape);
        QTRY_VERIFY(!viewer.isVisible());
    }

    // The window is centred in the owner rectangle and cannot get smaller than the control's minimum
    // size plus its borders; the control fills it.
    void minimumSizeAndPlace()
    {
        Fixture f;
        QVERIFY(f.make());
        const ScreenOfSize screen(1000, 800);
        const QRect owner(50, 40, 900, 700);
        f.columns().setOwnerRect(rectToTwips(owner));
        frmExamine window;
        QCOMPARE(window.size(), QSize(800, 640)); // 80 % of the screen
        QVERIFY(f.show(window, cseModeEdit));
        QVERIFY(qAbs(window.frameGeometry().center().x() - owner.center().x()) <= 1);
        QVERIFY(qAbs(window.frameGeometry().center().y() - owner.center().y()) <= 1);

        UKVOSearch *cse = window.cseEdit();
        QVERIFY(cse->WidthMin() > 0 && cse->HeightMin() > 0);
        const QSize frame = window.frameGeometry().size() - window.size();
        QCOMPARE(window.minimumWidthTwips(), toTwips(cse->x()) + cse->WidthMin() + toTwips(frame.width()));
        QCOMPARE(window.minimumHeightTwips(), toTwips(cse->y()) + cse->HeightMin() + toTwips(frame.height()));
        window.resize(60, 40);
        QTRY_VERIFY(window.width() >= toPixels(cse->WidthMin()) && window.height() >= toPixels(cse->HeightMin()));
        QTRY_COMPARE(cse->geometry(), window.rect());

        // Editing rebuilds the rows; the minimum follows the control again.
        QVERIFY(startEditing(window));
        QCOMPARE(window.minimumWidthTwips(), toTwips(cse->x()) + cse->WidthMin() + toTwips(frame.width()));
    }

    void keptOnScreen()
    {
        Fixture f;
        QVERIFY(f.make());
        const ScreenOfSize screen(900, 700);
        frmExamine window;
        QVERIFY(f.show(window, cseModeExamine));
        window.move(500, 400);
        QTRY_COMPARE(window.pos(), QPoint(500, 400));
        // At least the window's minimum width, which the control's whole button row sets.
        const QSize wanted(qMax(600, toPixels(window.minimumWidthTwips())), 500);
        window.resize(wanted);
        QTRY_VERIFY(window.frameGeometry().right() < 900);
        QVERIFY(window.frameGeometry().bottom() < 700 && window.frameGeometry().right() >= 898);
        QCOMPARE(window.size(), wanted);
    }

    // CSearchFilter::View opens the window modally over the record and returns when it closes;
    // while it is open it is a loaded window of the library, which CloseSCtlForms hides.
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
        QCOMPARE(title, ResourceTexts::instance().Text(6819));
        QCOMPARE(material, u"Steel"_s);
        QCOMPARE(loaded, 1);
        QVERIFY(LoadedWindows::all().isEmpty());
    }

    void messageBoxStyles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<int>("defaultResult");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("closedWithout");
        using namespace MsgBox;
        QTest::newRow("OK") << int(vbOKOnly) << QList<int>{vbOK} << int(vbOK) << int(QMessageBox::NoIcon) << int(vbOK);
        QTest::newRow("OK/Cancel, second") << int(vbOKCancel | vbDefaultButton2) << QList<int>{vbOK, vbCancel}
                                           << int(vbCancel) << int(QMessageBox::NoIcon) << int(vbCancel);
        QTest::newRow("Yes/No/Cancel question, third")
                << int(vbYesNoCancel | vbQuestion | vbDefaultButton3) << QList<int>{vbYes, vbNo, vbCancel}
                << int(vbCancel) << int(QMessageBox::Question) << int(vbCancel);
        QTest::newRow("Yes/No critical") << int(vbYesNo | vbCritical) << QList<int>{vbYes, vbNo} << int(vbYes)
                                         << int(QMessageBox::Critical) << int(vbYes);
        QTest::newRow("Abort/Retry/Ignore warning, second")
                << int(vbAbortRetryIgnore | vbExclamation | vbDefaultButton2) << QList<int>{vbAbort, vbRetry, vbIgnore}
                << int(vbRetry) << int(QMessageBox::Warning) << int(vbRetry);
        QTest::newRow("Retry/Cancel information") << int(vbRetryCancel | vbInformation) << QList<int>{vbRetry, vbCancel}
                                                  << int(vbRetry) << int(QMessageBox::Information) << int(vbCancel);
    }

    // The style code gives the buttons, the icon and the default button; each button answers its code.
    void messageBoxStyles()
    {
        QFETCH(int, style);
        QFETCH(QList<int>, results);
        QFETCH(int, defaultResult);

        static const QHash<int, QMessageBox::StandardButton> buttonOf = {
                {MsgBox::vbOK, QMessageBox::Ok},         {MsgBox::vbCancel, QMessageBox::Cancel},
                {MsgBox::vbAbort, QMessageBox::Abort},   {MsgBox::vbRetry, QMessageBox::Retry},
                {MsgBox::vbIgnore, QMessageBox::Ignore}, {MsgBox::vbYes, QMessageBox::Yes},
                {MsgBox::vbNo, QMessageBox::No}};
        MessageRequest request;
        request.text = u"Save?"_s;
        request.style = style;
        std::unique_ptr<QMessageBox> box = WidgetMessageBox::create(request, nullptr);
        QCOMPARE(box->text(), request.text);
        QCOMPARE(box->windowTitle(), ServicesHelper::instance().ApplicationTitle());
        QTEST(int(box->icon()), "icon");
        QMessageBox::StandardButtons expectedButtons;
        for (int result : results)
            expectedButtons |= buttonOf.value(result);
        QCOMPARE(box->standardButtons(), expectedButtons);
        QVERIFY(box->defaultButton());
        QCOMPARE(box->standardButton(box->defaultButton()), buttonOf.value(defaultResult));
        QTEST(WidgetMessageBox::result(*box, style), "closedWithout");
        for (int result : results) {
            std::unique_ptr<QMessageBox> answered = WidgetMessageBox::create(request, nullptr);
            answered->button(buttonOf.value(result))->click();
            QCOMPARE(WidgetMessageBox::result(*answered, style), result);
        }
    }

    // A progress indicator owned by a window shows a progress dialog over it and reports through its
    // base as well; cancelling the dialog cancels the indicator. Without a window there is no dialog.
    void progressDialogForWindows()
    {
        QWidget owner;
        owner.resize(300, 200);
        owner.show();
        WidgetFormsInterface ownerInterface(&owner);
        Progress base;
        base.SetText(u"Checking"_s);
        std::unique_ptr<IProgress> indicator = ServicesHelper::instance().ProgressIndicator(&ownerInterface, &base);
        auto *dialogProgress = dynamic_cast<DialogProgress *>(indicator.get());
        QVERIFY(dialogProgress);
        QCOMPARE(indicator->Text(), u"Checking"_s);
        QProgressDialog *dialog = dialogProgress->dialog();
        QCOMPARE(dialog->parentWidget(), &owner);
        // Nothing to show before the work starts: no timer of the dialog's may show it meanwhile.
        for (const QTimer *timer : dialog->findChildren<QTimer *>())
            QVERIFY(!timer->isActive());

        indicator->Start(u"Converting"_s, 4);
        indicator->Step(3);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->labelText(), u"Converting"_s);
        QCOMPARE(dialog->maximum(), 4);
        QCOMPARE(dialog->value(), 3);
        QCOMPARE(base.Text(), u"Converting"_s);
        QCOMPARE(base.done(), 3);
        QVERIFY(!indicator->Cancelled());
        dialog->cancel();
        QVERIFY(indicator->Cancelled());
        indicator->End();
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dynamic_cast<DialogProgress *>(ServicesHelper::instance().ProgressIndicator(nullptr, &base).get()));
    }

    // Ctrl+V in a search field is checked against the clipboard's text.
    void clipboardForPaste()
    {
        constexpr int CtrlV = 22;
        TextBoxModel box;
        box.setText(u"ab"_s);
        box.setSelection({2, 0});
        QGuiApplication::clipboard()->setText(u"cd"_s);
        QVERIFY(basValidate::IsKeyAllowed(&box, CtrlV, 4));
        QGuiApplication::clipboard()->setText(u"cdef"_s);
        QVERIFY(!basValidate::IsKeyAllowed(&box, CtrlV, 4));
    }
};

QTEST_MAIN(TestExamineWindow)
#include "tst_ui_examine.moc"
