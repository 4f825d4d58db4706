// The examine window and the widgets glue: showing and editing one record's search values in the
// window, saving on OK, the question about unsaved changes on closing, the window's minimum size
// and place, opening it through the search filter, and the message box, progress dialog and
// clipboard installed for the core.
#include "testhost.h"

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
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

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
        host = KvoTest::makeHost(3);
        if (!host || !host->columns())
            return false;
        CFilterColumns &set = *host->columns();
        const Variant none = Variant::null();
        set.Add(QStringLiteral("Material"), QString(), QString(), fcText, 20, false, false, QString(), fcDTDM_Configure,
                none, false);
        set.Add(QStringLiteral("Count"), QString(), QString(), fcInteger32, 0, false, false, QString(),
                fcDTDM_Configure, none, false);
        set.Add(QStringLiteral("Active"), QString(), QString(), fcBoolean, 0, false, false, QString(), fcDTDM_Configure,
                none, false);
        if (!set.ColumnsSave(nullptr))
            return false;
        set.Item(QStringLiteral("Material"))->setUpdatedValue(Variant::text(QStringLiteral("Steel")));
        set.Item(QStringLiteral("Count"))->setUpdatedValue(Variant::int32(12));
        set.Item(QStringLiteral("Active"))->setUpdatedValue(Variant::boolean(true));
        set.SaveDataFromClientUpdates(&entry);
        record = host->connection().OpenQuery(QStringLiteral("SELECT * FROM Parts WHERE PartId = 1"));
        return record != nullptr;
    }

    CFilterColumns &columns() { return *host->columns(); }

    // The stored value of a column of record 1, as text.
    QString stored(const QString &column)
    {
        columns().GetData(&entry);
        return columns().Item(column)->SavedValue().toText();
    }
};

// The entry widget of a column: the member of control array `array` that carries the column's name.
template <typename W>
W *field(const QWidget *root, const char *array, const QString &column)
{
    for (W *widget : root->findChildren<W *>(QString::fromLatin1(array))) {
        if (widget->property("Tag").toString().compare(column, Qt::CaseInsensitive) == 0)
            return widget;
    }
    return nullptr;
}

QPushButton *button(const QWidget *root, const char *name)
{
    return root->findChild<QPushButton *>(QString::fromLatin1(name));
}

// Starts editing through the control's Edit button.
bool startEditing(frmExamine &window)
{
    QPushButton *edit = button(window.cseEdit(), "cmdEdit");
    if (!edit || !QTest::qWaitFor([&] { return edit->isVisible() && edit->isEnabled(); }))
        return false;
    edit->click();
    return window.cseEdit()->IsEditing();
}

// Replaces the text of a column's text box as a user types it.
bool typeInto(frmExamine &window, const QString &column, const QString &text)
{
    auto *box = field<QLineEdit>(window.cseEdit(), "txtTextField", column);
    if (!box || box->isReadOnly())
        return false;
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    return box->text() == text;
}

// Answers the message boxes of the services helper and remembers what they asked.
class ScriptedMessages
{
public:
    explicit ScriptedMessages(int answer)
        : m_previous(ServicesHelper::instance().setMessageHandler([this, answer](const MessageRequest &request) {
              m_requests.append(request);
              return answer;
          }))
    {}
    ~ScriptedMessages() { ServicesHelper::instance().setMessageHandler(m_previous); }
    const QList<MessageRequest> &requests() const { return m_requests; }

private:
    ServicesHelper::MessageHandler m_previous;
    QList<MessageRequest> m_requests;
};

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
    void initTestCase();
    void init();
    void showsRecord_data();
    void showsRecord();
    void okSavesAndCancelDrops_data();
    void okSavesAndCancelDrops();
    void escapeIsTheControlsCancel();
    void closeBoxAsksAboutChanges_data();
    void closeBoxAsksAboutChanges();
    void minimumSizeAndPlace();
    void keptOnScreen();
    void viewThroughSearchFilter();
    void messageBoxStyles_data();
    void messageBoxStyles();
    void progressDialogForWindows();
    void clipboardForPaste();
};

void TestExamineWindow::initTestCase() { installWidgetsSupport(); }

void TestExamineWindow::init() { FormsGlobal::instance().setClosingMode(0); }

void TestExamineWindow::showsRecord_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("caption");
    QTest::addColumn<bool>("editOffered");
    QTest::newRow("View") << int(cseModeExamine) << 6819 << false;
    QTest::newRow("Edit") << int(cseModeEdit) << 6816 << true;
}

// The window shows the record's values read-only; only Edit offers to start editing.
void TestExamineWindow::showsRecord()
{
    QFETCH(int, mode);
    QFETCH(int, caption);
    QFETCH(bool, editOffered);
    Fixture f;
    QVERIFY(f.make());
    frmExamine window;
    window.prepare(f.columns(), f.record.get(), &f.entry, KVOSearchEditExamineModes(mode));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.windowTitle(), ResourceTexts::instance().Text(caption));
    QCOMPARE(window.cseEdit()->EditMode(), KVOSearchEditExamineModes(mode));
    auto *material = field<QLineEdit>(window.cseEdit(), "txtTextField", QStringLiteral("Material"));
    auto *count = field<QLineEdit>(window.cseEdit(), "txtTextField", QStringLiteral("Count"));
    QVERIFY(material && count);
    QCOMPARE(material->text(), QStringLiteral("Steel"));
    QCOMPARE(count->text(), QStringLiteral("12"));
    QVERIFY(material->isReadOnly());
    QVERIFY(count->isReadOnly());
    auto *active = field<QCheckBox>(window.cseEdit(), "chkField", QStringLiteral("Active"));
    QVERIFY(active && active->isChecked());
    QPushButton *edit = button(window.cseEdit(), "cmdEdit");
    QVERIFY(edit);
    QTRY_COMPARE(edit->isVisible(), editOffered);
    QVERIFY(!button(window.cseEdit(), "cmdOk")->isVisible());
}

void TestExamineWindow::okSavesAndCancelDrops_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("result");
    QTest::newRow("OK saves") << QStringLiteral("cmdOk") << true << int(QDialog::Accepted);
    QTest::newRow("Cancel drops") << QStringLiteral("cmdCancel") << false << int(QDialog::Rejected);
}

void TestExamineWindow::okSavesAndCancelDrops()
{
    QFETCH(QString, buttonName);
    QFETCH(bool, saved);
    QFETCH(int, result);
    Fixture f;
    QVERIFY(f.make());
    ScriptedMessages messages(MsgBox::vbCancel);
    frmExamine window;
    window.prepare(f.columns(), f.record.get(), &f.entry, cseModeEdit);
    window.show();
    QVERIFY(startEditing(window));
    QVERIFY(typeInto(window, QStringLiteral("Material"), QStringLiteral("Brass")));
    QVERIFY(typeInto(window, QStringLiteral("Count"), QStringLiteral("40")));
    QVERIFY(window.cseEdit()->IsDirty());

    QPushButton *pressed = button(window.cseEdit(), qPrintable(buttonName));
    QVERIFY(pressed);
    QTRY_VERIFY(pressed->isVisible() && pressed->isEnabled());
    pressed->click();
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(window.result(), result);
    QVERIFY(messages.requests().isEmpty());
    QCOMPARE(f.stored(QStringLiteral("Material")), saved ? QStringLiteral("Brass") : QStringLiteral("Steel"));
    QCOMPARE(f.stored(QStringLiteral("Count")), saved ? QStringLiteral("40") : QStringLiteral("12"));
}

// Esc is the control's: with unsaved changes it resets them (Reset is the cancel button) and the
// window stays; without changes it cancels editing, which closes the window.
void TestExamineWindow::escapeIsTheControlsCancel()
{
    Fixture f;
    QVERIFY(f.make());
    frmExamine window;
    window.prepare(f.columns(), f.record.get(), &f.entry, cseModeEdit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(startEditing(window));
    QVERIFY(typeInto(window, QStringLiteral("Material"), QStringLiteral("Brass")));
    auto *material = field<QLineEdit>(window.cseEdit(), "txtTextField", QStringLiteral("Material"));

    QTest::keyClick(material, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QVERIFY(!window.cseEdit()->IsDirty());
    QCOMPARE(material->text(), QStringLiteral("Steel"));

    QTest::keyClick(material, Qt::Key_Escape);
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(f.stored(QStringLiteral("Material")), QStringLiteral("Steel"));

    // Viewing offers nothing to cancel: Esc closes the window as the close box does.
    frmExamine viewer;
    viewer.prepare(f.columns(), f.record.get(), &f.entry, cseModeExamine);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QTest::keyClick(&viewer, Qt::Key_Escape);
    QTRY_VERIFY(!viewer.isVisible());
}

void TestExamineWindow::closeBoxAsksAboutChanges_data()
{
    QTest::addColumn<bool>("change");
    QTest::addColumn<int>("closingMode");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("storedAfter");
    QTest::newRow("Cancel keeps the window") << true << 0 << int(MsgBox::vbCancel) << true << false << "Steel";
    QTest::newRow("No drops the changes") << true << 0 << int(MsgBox::vbNo) << true << true << "Steel";
    QTest::newRow("Yes saves") << true << 0 << int(MsgBox::vbYes) << true << true << "Brass";
    QTest::newRow("nothing changed") << false << 0 << int(MsgBox::vbCancel) << false << true << "Steel";
    QTest::newRow("closing mode 1") << true << 1 << int(MsgBox::vbYes) << false << true << "Steel";
}

void TestExamineWindow::closeBoxAsksAboutChanges()
{
    QFETCH(bool, change);
    QFETCH(int, closingMode);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closes);
    QFETCH(QString, storedAfter);
    Fixture f;
    QVERIFY(f.make());
    frmExamine window;
    window.prepare(f.columns(), f.record.get(), &f.entry, cseModeEdit);
    window.show();
    QVERIFY(startEditing(window));
    if (change)
        QVERIFY(typeInto(window, QStringLiteral("Material"), QStringLiteral("Brass")));
    FormsGlobal::instance().setClosingMode(closingMode);

    ScriptedMessages messages(answer);
    // The close box only hides the window (its caller unloads it), or keeps it open.
    window.close();
    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(messages.requests().size(), asked ? 1 : 0);
    if (asked) {
        const MessageRequest &request = messages.requests().first();
        QCOMPARE(request.text, ResourceTexts::instance().Text(7872));
        QCOMPARE(MsgBox::buttonsOf(request.style), int(MsgBox::vbYesNoCancel));
        QCOMPARE(request.title, window.windowTitle());
    }
    // Cancel keeps the window and the typed value.
    if (!closes)
        QVERIFY(window.cseEdit()->IsDirty());
    QCOMPARE(f.stored(QStringLiteral("Material")), storedAfter);
}

// The window is centred in the owner rectangle and cannot get smaller than the control's minimum
// size plus its borders; the control fills it.
void TestExamineWindow::minimumSizeAndPlace()
{
    Fixture f;
    QVERIFY(f.make());
    const ScreenOfSize screen(1000, 800);
    const QRect owner(50, 40, 900, 700);
    f.columns().setOwnerRect(rectToTwips(owner));
    frmExamine window;
    QCOMPARE(window.size(), QSize(800, 640)); // 80 % of the screen
    window.prepare(f.columns(), f.record.get(), &f.entry, cseModeEdit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

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

void TestExamineWindow::keptOnScreen()
{
    Fixture f;
    QVERIFY(f.make());
    const ScreenOfSize screen(900, 700);
    frmExamine window;
    window.prepare(f.columns(), f.record.get(), &f.entry, cseModeExamine);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.move(500, 400);
    QTRY_COMPARE(window.pos(), QPoint(500, 400));
    window.resize(600, 500);
    QTRY_VERIFY(window.frameGeometry().right() < 900);
    QVERIFY(window.frameGeometry().bottom() < 700);
    QVERIFY(window.frameGeometry().right() >= 898);
    QCOMPARE(window.size(), QSize(600, 500));
}

// CSearchFilter::View opens the window modally over the record and returns when it closes;
// while it is open it is a loaded window of the library, which CloseSCtlForms hides.
void TestExamineWindow::viewThroughSearchFilter()
{
    Fixture f;
    QVERIFY(f.make());
    QString title;
    QString material;
    int loaded = 0;
    QTimer::singleShot(0, this, [&] {
        auto *window = qobject_cast<frmExamine *>(QApplication::activeModalWidget());
        if (!window)
            return;
        title = window->windowTitle();
        if (auto *box = field<QLineEdit>(window->cseEdit(), "txtTextField", QStringLiteral("Material")))
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
    QCOMPARE(material, QStringLiteral("Steel"));
    QCOMPARE(loaded, 1);
    QVERIFY(LoadedWindows::all().isEmpty());
}

void TestExamineWindow::messageBoxStyles_data()
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
            << int(vbYesNoCancel | vbQuestion | vbDefaultButton3) << QList<int>{vbYes, vbNo, vbCancel} << int(vbCancel)
            << int(QMessageBox::Question) << int(vbCancel);
    QTest::newRow("Yes/No critical") << int(vbYesNo | vbCritical) << QList<int>{vbYes, vbNo} << int(vbYes)
                                     << int(QMessageBox::Critical) << int(vbYes);
    QTest::newRow("Abort/Retry/Ignore warning, second")
            << int(vbAbortRetryIgnore | vbExclamation | vbDefaultButton2) << QList<int>{vbAbort, vbRetry, vbIgnore}
            << int(vbRetry) << int(QMessageBox::Warning) << int(vbRetry);
    QTest::newRow("Retry/Cancel information") << int(vbRetryCancel | vbInformation) << QList<int>{vbRetry, vbCancel}
                                              << int(vbRetry) << int(QMessageBox::Information) << int(vbCancel);
}

// The style code gives the buttons, the icon and the default button; each button answers its code.
void TestExamineWindow::messageBoxStyles()
{
    QFETCH(int, style);
    QFETCH(QList<int>, results);
    QFETCH(int, defaultResult);
    QFETCH(int, icon);
    QFETCH(int, closedWithout);
    static const QHash<int, QMessageBox::StandardButton> buttonOf = {
            {MsgBox::vbOK, QMessageBox::Ok},         {MsgBox::vbCancel, QMessageBox::Cancel},
            {MsgBox::vbAbort, QMessageBox::Abort},   {MsgBox::vbRetry, QMessageBox::Retry},
            {MsgBox::vbIgnore, QMessageBox::Ignore}, {MsgBox::vbYes, QMessageBox::Yes},
            {MsgBox::vbNo, QMessageBox::No}};
    MessageRequest request;
    request.text = QStringLiteral("Save?");
    request.style = style;

    std::unique_ptr<QMessageBox> box = WidgetMessageBox::create(request, nullptr);
    QCOMPARE(box->text(), request.text);
    QCOMPARE(box->windowTitle(), ServicesHelper::instance().ApplicationTitle());
    QCOMPARE(int(box->icon()), icon);
    QMessageBox::StandardButtons expectedButtons;
    for (int result : results)
        expectedButtons |= buttonOf.value(result);
    QCOMPARE(box->standardButtons(), expectedButtons);
    QVERIFY(box->defaultButton());
    QCOMPARE(box->standardButton(box->defaultButton()), buttonOf.value(defaultResult));
    QCOMPARE(WidgetMessageBox::result(*box, style), closedWithout);

    for (int result : results) {
        std::unique_ptr<QMessageBox> answered = WidgetMessageBox::create(request, nullptr);
        answered->button(buttonOf.value(result))->click();
        QCOMPARE(WidgetMessageBox::result(*answered, style), result);
    }
}

// A progress indicator owned by a window shows a progress dialog over it and reports through its
// base as well; cancelling the dialog cancels the indicator. Without a window there is no dialog.
void TestExamineWindow::progressDialogForWindows()
{
    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    WidgetFormsInterface ownerInterface(&owner);
    Progress base;
    base.SetText(QStringLiteral("Checking"));
    std::unique_ptr<IProgress> indicator = ServicesHelper::instance().ProgressIndicator(&ownerInterface, &base);
    auto *dialogProgress = dynamic_cast<DialogProgress *>(indicator.get());
    QVERIFY(dialogProgress);
    QCOMPARE(indicator->Text(), QStringLiteral("Checking"));
    QProgressDialog *dialog = dialogProgress->dialog();
    QCOMPARE(dialog->parentWidget(), &owner);
    // Nothing to show before the work starts: no timer of the dialog's may show it meanwhile.
    for (const QTimer *timer : dialog->findChildren<QTimer *>())
        QVERIFY(!timer->isActive());

    indicator->Start(QStringLiteral("Converting"), 4);
    indicator->Step(3);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->labelText(), QStringLiteral("Converting"));
    QCOMPARE(dialog->maximum(), 4);
    QCOMPARE(dialog->value(), 3);
    QCOMPARE(base.Text(), QStringLiteral("Converting"));
    QCOMPARE(base.done(), 3);
    QVERIFY(!indicator->Cancelled());
    dialog->cancel();
    QVERIFY(indicator->Cancelled());
    indicator->End();
    QVERIFY(!dialog->isVisible());

    QVERIFY(!dynamic_cast<DialogProgress *>(ServicesHelper::instance().ProgressIndicator(nullptr, &base).get()));
}

// Ctrl+V in a search field is checked against the clipboard's text.
void TestExamineWindow::clipboardForPaste()
{
    constexpr int CtrlV = 22;
    TextBoxModel box;
    box.setText(QStringLiteral("ab"));
    box.setSelection({2, 0});
    QGuiApplication::clipboard()->setText(QStringLiteral("cd"));
    QVERIFY(basValidate::IsKeyAllowed(&box, CtrlV, 4));
    QGuiApplication::clipboard()->setText(QStringLiteral("cdef"));
    QVERIFY(!basValidate::IsKeyAllowed(&box, CtrlV, 4));
}

QTEST_MAIN(TestExamineWindow)
#include "tst_ui_examine.moc"
