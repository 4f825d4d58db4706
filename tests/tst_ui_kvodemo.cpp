// The demo host: its database, its window over the base table with the data-entry control, and
// the program's picture mode and exit codes.
#include "testdatabases.h"

#include "columns/cfiltercolumns.h"
#include "control/ukvosearch.h"
#include "core/interfaces.h"
#include "uisupport/widgetssupport.h"

#include "hostkit/messagebox.h"
#include "hostkit/serviceshelper.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#if __has_include("mainwindow.h")
#include "demodatabase.h"
#include "hostsession.h"
#include "mainwindow.h"
#define KVODEMO_WINDOW 1
#endif

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

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

bool typeInto(QWidget *root, const QString &column, const QString &text)
{
    auto *box = field<QLineEdit>(root, "txtTextField", column);
    if (!box || box->isReadOnly())
        return false;
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    return box->text() == text;
}

int headerColumn(const QTableWidget *table, const QString &title)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        if (table->horizontalHeaderItem(c) && table->horizontalHeaderItem(c)->text() == title)
            return c;
    }
    return -1;
}

QString cell(const QTableWidget *table, int row, const QString &title)
{
    const int column = headerColumn(table, title);
    const QTableWidgetItem *item = column < 0 ? nullptr : table->item(row, column);
    return item ? item->text() : QStringLiteral("<no cell>");
}

class ScriptedMessages
{
public:
    explicit ScriptedMessages(int answer)
        : m_previous(ServicesHelper::instance().setMessageHandler([this, answer](const MessageRequest &request) {
              m_texts.append(request.text);
              return answer;
          }))
    {}
    ~ScriptedMessages() { ServicesHelper::instance().setMessageHandler(m_previous); }
    int count() const { return int(m_texts.size()); }

private:
    ServicesHelper::MessageHandler m_previous;
    QStringList m_texts;
};

#ifdef KVODEMO_PROGRAM
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the demo program without a display, with its data directory in `dataHome`.
Run runDemo(const QStringList &args, const QString &dataHome, bool offscreenByItself)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (offscreenByItself)
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    else
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KVODEMO_PROGRAM), args);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
#endif

} // namespace

class TestDemoHost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void editSaveReopen_data();
    void editSaveReopen();
    void leavingAChangedRecord_data();
    void leavingAChangedRecord();
    void screenshot();
    void exitCodes_data();
    void exitCodes();

private:
    QTemporaryDir m_dataHome;
};

void TestDemoHost::initTestCase()
{
    QVERIFY(m_dataHome.isValid());
    // The demo host keeps its profile in the user's data directory.
    qputenv("XDG_DATA_HOME", m_dataHome.path().toUtf8());
    installWidgetsSupport();
}

void TestDemoHost::editSaveReopen_data()
{
    QTest::addColumn<QString>("engine");
    for (const QString &engine : KvoTest::configuredEngines())
        QTest::newRow(qPrintable(engine)) << engine;
}

// On every engine: the demo database is made, the window joins the records with their search
// values, a value edited in the control and saved with OK shows in the table row, and opening the
// record again shows the saved values.
void TestDemoHost::editSaveReopen()
{
#ifndef KVODEMO_WINDOW
    QSKIP("the demo host is not built");
#else
    QFETCH(QString, engine);
    auto db = KvoTest::open(engine);
    QVERIFY(db);
    KvoTest::tally(engine);
    HostSession session;
    QString error;
    QVERIFY2(session.open(db->url, &error), qPrintable(error));
    QVERIFY2(DemoDatabase::create(session, 4, &error), qPrintable(error));
    auto closeSession = qScopeGuard([&session] { DemoDatabase::close(session); });
    QCOMPARE(session.filter->FilterColumns()->Count(), 7);

    DemoMainWindow window(session, db->url);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTableWidget *table = window.records();
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(cell(table, 0, QStringLiteral("FileId")), QStringLiteral("1"));
    QCOMPARE(cell(table, 0, QStringLiteral("Drawing Number")), QStringLiteral("D-1007"));
    QCOMPARE(cell(table, 1, QStringLiteral("Customer")), QStringLiteral("Northside Auto Supply"));
    QCOMPARE(cell(table, 0, QStringLiteral("Revision")), QStringLiteral("2"));
    QCOMPARE(cell(table, 1, QStringLiteral("Proven Out")), QStringLiteral("Yes"));
    QCOMPARE(headerColumn(table, QStringLiteral("Operations")), -1); // keywords are not joined
    QCOMPARE(window.currentId(), 1);

    UKVOSearch *cse = window.control();
    window.editData();
    QVERIFY(cse->IsEditing());
    QVERIFY(typeInto(cse, QStringLiteral("DrawingNo"), QStringLiteral("D-9999")));
    QVERIFY(typeInto(cse, QStringLiteral("Revision"), QStringLiteral("7")));
    auto *operations = field<QComboBox>(cse, "cboField", QStringLiteral("Operations"));
    QVERIFY(operations);
    operations->setFocus();
    operations->lineEdit()->selectAll();
    QTest::keyClicks(operations, QStringLiteral("Weld"));
    QPushButton *add = field<QPushButton>(cse, "cmdAdd", QStringLiteral("Operations"));
    QVERIFY(add);
    QTRY_VERIFY(add->isEnabled());
    add->click();
    QVERIFY(operations->findText(QStringLiteral("Weld")) >= 0);
    QPushButton *ok = button(cse, "cmdOk");
    QTRY_VERIFY(ok->isVisible() && ok->isEnabled());
    ok->click();
    QTRY_VERIFY(!cse->IsEditing());
    QCOMPARE(cell(table, 0, QStringLiteral("Drawing Number")), QStringLiteral("D-9999"));
    QCOMPARE(cell(table, 0, QStringLiteral("Revision")), QStringLiteral("7"));

    window.selectRow(1);
    QCOMPARE(window.currentId(), 2);
    window.selectRow(0);
    QCOMPARE(window.currentId(), 1);
    QCOMPARE(field<QLineEdit>(cse, "txtTextField", QStringLiteral("DrawingNo"))->text(), QStringLiteral("D-9999"));
    QCOMPARE(field<QLineEdit>(cse, "txtTextField", QStringLiteral("Revision"))->text(), QStringLiteral("7"));
    auto *shownOperations = field<QComboBox>(cse, "cboFieldView", QStringLiteral("Operations"));
    QVERIFY(shownOperations);
    QVERIFY(shownOperations->findText(QStringLiteral("Weld")) >= 0);

    // View Data opens the library's examine window on the same record.
    QString viewed;
    QTimer::singleShot(0, this, [&viewed] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            if (auto *box = field<QLineEdit>(modal, "txtTextField", QStringLiteral("DrawingNo")))
                viewed = box->text();
            modal->close();
        }
    });
    window.viewData();
    QCOMPARE(viewed, QStringLiteral("D-9999"));

    // What the database holds, read by the host's own search filter.
    CFilterColumns &columns = *session.filter->FilterColumns();
    CMergeBaseEntry first(1);
    columns.GetData(&first);
    QCOMPARE(columns.Item(QStringLiteral("DrawingNo"))->SavedValue().toText(), QStringLiteral("D-9999"));
    QVERIFY(columns.Item(QStringLiteral("Operations"))->SavedKeys().contains(QStringLiteral("Weld")));
#endif
}

void TestDemoHost::leavingAChangedRecord_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("currentAfter");
    QTest::addColumn<QString>("storedAfter");
    QTest::newRow("Cancel stays") << int(MsgBox::vbCancel) << 1 << "D-1007";
    QTest::newRow("No drops") << int(MsgBox::vbNo) << 2 << "D-1007";
    QTest::newRow("Yes saves") << int(MsgBox::vbYes) << 2 << "D-4242";
}

// Moving to another row with unsaved changes asks first; Yes saves and refreshes the row.
void TestDemoHost::leavingAChangedRecord()
{
#ifndef KVODEMO_WINDOW
    QSKIP("the demo host is not built");
#else
    QFETCH(int, answer);
    QFETCH(int, currentAfter);
    QFETCH(QString, storedAfter);
    auto db = KvoTest::open(QStringLiteral("sqlite"));
    QVERIFY(db);
    HostSession session;
    QString error;
    QVERIFY2(session.open(db->url, &error), qPrintable(error));
    QVERIFY2(DemoDatabase::create(session, 3, &error), qPrintable(error));
    auto closeSession = qScopeGuard([&session] { DemoDatabase::close(session); });
    DemoMainWindow window(session, db->url);
    window.show();
    window.editData();
    QVERIFY(typeInto(window.control(), QStringLiteral("DrawingNo"), QStringLiteral("D-4242")));

    ScriptedMessages messages(answer);
    window.records()->setCurrentCell(1, 0);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(window.currentId(), currentAfter);
    QCOMPARE(window.records()->currentRow(), currentAfter - 1);
    QCOMPARE(cell(window.records(), 0, QStringLiteral("Drawing Number")), storedAfter);
    if (answer == MsgBox::vbCancel)
        QVERIFY(window.control()->IsDirty());
#endif
}

// The picture mode renders the window without a display, on the demo database it makes on first
// run (and reuses afterwards).
void TestDemoHost::screenshot()
{
#ifndef KVODEMO_PROGRAM
    QSKIP("the demo host is not built");
#else
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString picture = home.filePath(QStringLiteral("shot.png"));
    const Run first = runDemo({QStringLiteral("--screenshot"), picture}, home.path(), true);
    QVERIFY2(first.exitCode == 0, qPrintable(first.err));
    QVERIFY(first.out.contains(QStringLiteral("25 records of DncFiles")));
    QVERIFY(QFileInfo::exists(home.filePath(QStringLiteral("kvodemo/demo.sqlite"))));

    QImage image(picture);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 800 && image.height() >= 500);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    }
    QVERIFY2(colours.size() > 20, "the picture is nearly blank");

    QFile::remove(picture);
    const Run second = runDemo({QStringLiteral("--screenshot"), picture}, home.path(), true);
    QVERIFY2(second.exitCode == 0, qPrintable(second.err));
    QVERIFY(second.out.contains(QStringLiteral("25 records of DncFiles")));
    QVERIFY(!QImage(picture).isNull());
#endif
}

void TestDemoHost::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << 2;
    QTest::newRow("stray argument") << QStringList{QStringLiteral("extra")} << 2;
    QTest::newRow("unknown table") << QStringList{QStringLiteral("--table"), QStringLiteral("NoSuchTable"),
                                                  QStringLiteral("--screenshot"), QStringLiteral("x.png")}
                                   << 1;
    QTest::newRow("database cannot open")
            << QStringList{QStringLiteral("--db"), QStringLiteral("sqlite:/nonexistent-folder/sub/demo.sqlite"),
                           QStringLiteral("--screenshot"), QStringLiteral("x.png")}
            << 1;
}

void TestDemoHost::exitCodes()
{
#ifndef KVODEMO_PROGRAM
    QSKIP("the demo host is not built");
#else
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const Run run = runDemo(args, home.path(), false);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(QStringLiteral("kvodemo: ")), qPrintable(run.err));
    QCOMPARE(run.err.contains(QStringLiteral("usage: kvodemo")), exitCode == 2);
#endif
}

QTEST_MAIN(TestDemoHost)
#include "tst_ui_kvodemo.moc"
