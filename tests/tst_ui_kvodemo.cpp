// The demo host: its database, its window over the base table with the data-entry control, and
// the program's picture mode and exit codes.
#include "testhost.h"
#include "testui.h"

#include "columns/cfiltercolumns.h"
#include "control/ukvosearch.h"
#include "uisupport/widgetssupport.h"

#include "hostkit/messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#if __has_include("mainwindow.h")
#include "demodatabase.h"
#include "mainwindow.h"
#include "referencehost/host.h"
#define KVODEMO_WINDOW 1
#endif

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::field;
using KvoTest::typeInto;

namespace {

// The text of a row's cell in the column titled `title`; "<none>" when there is no such column.
QString cell(const QTableWidget *table, int row, const QString &title)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        if (table->horizontalHeaderItem(c) && table->horizontalHeaderItem(c)->text() == title)
            return table->item(row, c) ? table->item(row, c)->text() : QString();
    }
    return u"<none>"_s;
}

#ifdef KVODEMO_WINDOW
// The demo database with `records` records, made on a fresh database of `engine` and opened by
// `session`; nullptr (with a warning) when it cannot be made.
std::unique_ptr<KvoTest::TestDatabase> openDemo(KvoHost::Host &session, Engine engine, int records)
{
    auto db = KvoTest::open(engine);
    QString error;
    if (!db || !session.open(db->url(), &error) || !DemoDatabase::create(session, records, &error)) {
        qWarning("the demo database cannot be made: %s", qPrintable(error));
        return nullptr;
    }
    return db;
}
#endif

#ifdef KVODEMO_PROGRAM
// Runs the demo program without a display, with its data directory in `dataHome`; the exit code
// is -1 when it crashed or hung.
int runDemo(const QStringList &args, const QString &dataHome, bool offscreenByItself, QString *out, QString *err)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, dataHome);
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    if (offscreenByItself)
        env.remove(u"QT_QPA_PLATFORM"_s);
    else
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KVODEMO_PROGRAM), args);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *out = QString::fromUtf8(process.readAllStandardOutput());
    *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
#endif

} // namespace

class TestDemoHost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dataHome.isValid());
        // The demo host keeps its profile in the user's data directory.
        qputenv("XDG_DATA_HOME", m_dataHome.path().toUtf8());
        installWidgetsSupport();
    }

    void editSaveReopen_data() { KvoTest::addEngineColumn(); }

    // On every engine: the demo database is made, the window joins the records with their search
    // values, a value edited in the control and saved with OK shows in the table row, and opening the
    // record again shows the saved values.
    void editSaveReopen()
    {
#ifndef KVODEMO_WINDOW
        QSKIP("the demo host is not built");
#else
        QFETCH(Engine, engine);
        KvoHost::Host session;
        const auto db = openDemo(session, engine, 4);
        QVERIFY(db);
        auto closeSession = qScopeGuard([&session] { session.close(); });
        QCOMPARE(session.filter->FilterColumns()->Count(), 7);

        DemoMainWindow window(session, db->url());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTableWidget *table = window.records();
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(cell(table, 0, u"FileId"_s), u"1"_s);
        QCOMPARE(cell(table, 0, u"Drawing Number"_s), u"D-1007"_s);
        QCOMPARE(cell(table, 1, u"Customer"_s), u"Northside Auto Supply"_s);
        QCOMPARE(cell(table, 0, u"Revision"_s), u"2"_s);
        QCOMPARE(cell(table, 1, u"Proven Out"_s), u"Yes"_s);
        QCOMPARE(cell(table, 0, u"Operations"_s), u"<none>"_s); // keywords are not joined
        QCOMPARE(window.currentId(), 1);

        UKVOSearch *cse = window.control();
        window.editData();
        QVERIFY(cse->IsEditing());
        QVERIFY(typeInto(cse, u"DrawingNo"_s, u"D-9999"_s));
        QVERIFY(typeInto(cse, u"Revision"_s, u"7"_s));
        auto *operations = field<QComboBox>(cse, "cboField", u"Operations"_s);
        auto *add = field<QPushButton>(cse, "cmdAdd", u"Operations"_s);
        QVERIFY(operations && add);
        operations->setFocus();
        operations->lineEdit()->selectAll();
        QTest::keyClicks(operations, u"Weld"_s);
        QTRY_VERIFY(add->isEnabled());
        add->click();
        QVERIFY(operations->findText(u"Weld"_s) >= 0);
        QVERIFY(KvoTest::click(cse, "cmdOk"));
        QTRY_VERIFY(!cse->IsEditing());
        QCOMPARE(cell(table, 0, u"Drawing Number"_s), u"D-9999"_s);
        QCOMPARE(cell(table, 0, u"Revision"_s), u"7"_s);

        window.selectRow(1);
        QCOMPARE(window.currentId(), 2);
        window.selectRow(0);
        QCOMPARE(window.currentId(), 1);
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"DrawingNo"_s)->text(), u"D-9999"_s);
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"Revision"_s)->text(), u"7"_s);
        auto *shownOperations = field<QComboBox>(cse, "cboFieldView", u"Operations"_s);
        QVERIFY(shownOperations && shownOperations->findText(u"Weld"_s) >= 0);

        // View Data opens the library's examine window on the same record.
        QString viewed;
        QTimer::singleShot(0, this, [&viewed] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                if (auto *box = field<QLineEdit>(modal, "txtTextField", u"DrawingNo"_s))
                    viewed = box->text();
                modal->close();
            }
        });
        window.viewData();
        QCOMPARE(viewed, u"D-9999"_s);

        // What the database holds, read by the host's own search filter.
        CFilterColumns &columns = *session.filter->FilterColumns();
        CMergeBaseEntry first(1);
        QVERIFY(columns.GetData(&first));
        QCOMPARE(columns.Item(u"DrawingNo"_s)->SavedValue().toText(), u"D-9999"_s);
        QVERIFY(columns.Item(u"Operations"_s)->SavedKeys().contains(u"Weld"_s));
#endif
    }

    void configureAddsColumns_data() { KvoTest::addEngineColumn(); }

    // Configure defines a keyword column and a picklist column; without a restart the control
    // takes values in them and the table shows the picklist column's value.
    void configureAddsColumns()
    {
#ifndef KVODEMO_WINDOW
        QSKIP("the demo host is not built");
#else
        QFETCH(Engine, engine);
        KvoHost::Host session;
        const auto db = openDemo(session, engine, 3);
        QVERIFY(db);
        auto closeSession = qScopeGuard([&session] { session.close(); });
        DemoMainWindow window(session, db->url());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const auto define = [this](QDialog *configure, const QString &name, int type, const QString &picklistDefault) {
            KvoTest::whenModal(this, u"frmColumnEdit"_s, [=](QDialog *editor) {
                QTest::keyClicks(editor->findChild<QLineEdit *>(u"txtName"_s), name);
                editor->findChild<QListWidget *>(u"lstType"_s)->setCurrentRow(type);
                if (!picklistDefault.isEmpty()) {
                    editor->findChild<QCheckBox *>(u"chkIsPicklist"_s)->setChecked(true);
                    QTest::keyClicks(editor->findChild<QLineEdit *>(u"txtDefault"_s), picklistDefault);
                }
                KvoTest::click(editor, "cmdOk");
            });
            KvoTest::click(configure, "cmdNew");
        };
        bool configured = false;
        KvoTest::whenModal(
                this, u"frmConfigure"_s,
                [&](QDialog *configure) {
                    define(configure, u"Labels"_s, fcKeyword, {});
                    define(configure, u"Shift"_s, fcText, u"Day"_s);
                    KvoTest::click(configure, "cmdApply");
                    KvoTest::click(configure, "cmdCancel");
                },
                &configured);
        window.configure();
        QVERIFY(configured);
        QCOMPARE(cell(window.records(), 0, u"Shift"_s), u"Day"_s); // the default filled the rows

        UKVOSearch *cse = window.control();
        window.editData();
        QVERIFY(cse->IsEditing());
        auto *shift = field<QComboBox>(cse, "cboFieldView", u"Shift"_s); // a picklist's list
        auto *labels = field<QComboBox>(cse, "cboField", u"Labels"_s);
        QVERIFY(shift && labels);
        QCOMPARE(shift->currentText(), u"Day"_s);
        labels->setFocus();
        QTest::keyClicks(labels, u"night-crew"_s);
        auto *add = field<QPushButton>(cse, "cmdAdd", u"Labels"_s);
        QTRY_VERIFY(add && add->isEnabled());
        add->click();
        QVERIFY(KvoTest::click(cse, "cmdOk"));
        QTRY_VERIFY(!cse->IsEditing());

        CFilterColumns &columns = *session.filter->FilterColumns();
        CMergeBaseEntry first(1);
        QVERIFY(columns.GetData(&first));
        QCOMPARE(columns.Item(u"Labels"_s)->SavedKeys(), QStringList{u"night-crew"_s});
        QCOMPARE(columns.Item(u"Shift"_s)->SavedValue().toText(), u"Day"_s);
#endif
    }

    void leavingAChangedRecord_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("currentAfter");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("Cancel stays") << int(MsgBox::vbCancel) << 1 << "D-1007";
        QTest::newRow("No drops") << int(MsgBox::vbNo) << 2 << "D-1007";
        QTest::newRow("Yes saves") << int(MsgBox::vbYes) << 2 << "D-4242";
    }

    // Moving to another row with unsaved changes asks first; Yes saves and refreshes the row.
    void leavingAChangedRecord()
    {
#ifndef KVODEMO_WINDOW
        QSKIP("the demo host is not built");
#else
        QFETCH(int, answer);
        QFETCH(int, currentAfter);
        KvoHost::Host session;
        const auto db = openDemo(session, Engine::SQLite, 3);
        QVERIFY(db);
        auto closeSession = qScopeGuard([&session] { session.close(); });
        DemoMainWindow window(session, db->url());
        window.show();
        window.editData();
        QVERIFY(typeInto(window.control(), u"DrawingNo"_s, u"D-4242"_s));

        KvoTest::ScriptedMessages messages(answer);
        window.records()->setCurrentCell(1, 0);
        QCOMPARE(messages.requests().size(), 1);
        QCOMPARE(window.currentId(), currentAfter);
        QCOMPARE(window.records()->currentRow(), currentAfter - 1);
        QTEST(cell(window.records(), 0, u"Drawing Number"_s), "storedAfter");
        if (answer == MsgBox::vbCancel)
            QVERIFY(window.control()->IsDirty());
#endif
    }

    // The picture mode renders the window without a display, on the demo database it makes on first
    // run and reuses on the second.
    void screenshot()
    {
#ifndef KVODEMO_PROGRAM
        QSKIP("the demo host is not built");
#else
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString picture = home.filePath(u"shot.png"_s);
        for (int run = 1; run <= 2; ++run) {
            QFile::remove(picture);
            QString out, err;
            QVERIFY2(runDemo({u"--screenshot"_s, picture}, home.path(), true, &out, &err) == 0, qPrintable(err));
            QVERIFY(out.contains(u"25 records of DncFiles"_s));
            QVERIFY(QFileInfo::exists(home.filePath(u"kvodemo/demo.sqlite"_s)));
            const QImage image(picture);
            QVERIFY(image.width() >= 800 && image.height() >= 500);
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 7) {
                for (int x = 0; x < image.width(); x += 7)
                    colours.insert(image.pixel(x, y));
            }
            QVERIFY2(colours.size() > 20, "the picture is nearly blank");
        }
#endif
    }

    void screenshotOfADialog_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::newRow("configure") << "configure";
        QTest::newRow("column editor") << "column-editor";
        QTest::newRow("picklist editor") << "picklist-edit";
        QTest::newRow("picklist selection") << "picklist-select";
    }

    // Each dialog is pictured alone, over the demo's data: smaller than the window.
    void screenshotOfADialog()
    {
#ifndef KVODEMO_PROGRAM
        QSKIP("the demo host is not built");
#else
        QFETCH(QString, shown);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString picture = home.filePath(u"dialog.png"_s);
        QString out, err;
        QVERIFY2(runDemo({u"--screenshot"_s, picture, u"--show"_s, shown}, home.path(), true, &out, &err) == 0,
                 qPrintable(err));
        const QImage image(picture);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 200 && image.width() < 1200 && image.height() < 760);
#endif
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2;
        QTest::newRow("stray argument") << QStringList{"extra"} << 2;
        QTest::newRow("unknown table") << QStringList{"--table", "NoSuchTable", "--screenshot", "x.png"} << 1;
        QTest::newRow("database cannot open")
                << QStringList{"--db", "sqlite:/nonexistent-folder/sub/demo.sqlite", "--screenshot", "x.png"} << 1;
        QTest::newRow("show without a picture") << QStringList{"--show", "configure"} << 2;
        QTest::newRow("show of no window") << QStringList{"--screenshot", "x.png", "--show", "nothing"} << 2;
        QTest::newRow("show of a dialog not built") << QStringList{"--screenshot", "x.png", "--show", "filter"} << 1;
    }

    void exitCodes()
    {
#ifndef KVODEMO_PROGRAM
        QSKIP("the demo host is not built");
#else
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QString out, err;
        QCOMPARE(runDemo(args, home.path(), false, &out, &err), exitCode);
        QVERIFY2(err.contains(u"kvodemo: "_s), qPrintable(err));
        QCOMPARE(err.contains(u"usage: kvodemo"_s), exitCode == 2);
#endif
    }

private:
    QTemporaryDir m_dataHome;
};

QTEST_MAIN(TestDemoHost)
#include "tst_ui_kvodemo.moc"
