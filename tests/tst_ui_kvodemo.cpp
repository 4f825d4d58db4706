// The demo host: its database and its window over the base table with the data-entry control.
#include "filterui.h"

#include "control/ukvosearch.h"

#include "hostkit/messagebox.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>

#include "demodatabase.h"
#include "mainwindow.h"
#include "recordsmodel.h"

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::field;
using KvoTest::text;
using KvoTest::typeInto;

namespace {

// The text of a row's cell in the column titled `title`; "<none>" when there is no such column.
QString cell(const QTableView *table, int row, const QString &title)
{
    const QAbstractItemModel *model = table->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->headerData(c, Qt::Horizontal).toString() == title)
            return model->data(model->index(row, c)).toString();
    }
    return u"<none>"_s;
}

// The demo database on an engine with `records` records, opened as the demo host opens it, and its
// window shown. The profile starts empty: no filter of an earlier test is in force.
struct Demo
{
    std::unique_ptr<KvoTest::TestDatabase> db;
    KvoHost::Host session;
    QString error;
    std::unique_ptr<DemoMainWindow> window;

    bool open(Engine engine, int records)
    {
        db = KvoTest::open(engine);
        QFile::remove(DemoDatabase::profilePath());
        if (!db || !session.open(db->url(), &error) || !DemoDatabase::create(session, records, &error))
            return false;
        window = newWindow();
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    std::unique_ptr<DemoMainWindow> newWindow() { return std::make_unique<DemoMainWindow>(session, db->url()); }
    ~Demo()
    {
        window.reset();
        session.close();
    }
};

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

    // On every engine: the window joins the records with their search values; a value edited in the
    // control and saved with OK shows in the table row and when the record is opened again, in the
    // control or in the examine window. A picklist column configured meanwhile shows its default in
    // every row, and the control offers its list, without a restart.
    void editSaveReopen()
    {
        QFETCH(Engine, engine);
        Demo demo;
        QVERIFY2(demo.open(engine, 4), qPrintable(demo.error));
        DemoMainWindow &window = *demo.window;
        QCOMPARE(window.recordCount(), 4);
        QCOMPARE(cell(window.records(), 0, u"Drawing Number"_s), u"D-1007"_s);
        QCOMPARE(cell(window.records(), 1, u"Customer"_s), u"Northside Auto Supply"_s);
        QCOMPARE(cell(window.records(), 1, u"Proven Out"_s), u"Yes"_s);
        QCOMPARE(cell(window.records(), 0, u"Operations"_s), u"<none>"_s); // keywords are not joined

        UKVOSearch *cse = window.control();
        window.editData();
        QVERIFY(typeInto(cse, u"DrawingNo"_s, u"D-9999"_s));
        QVERIFY(typeInto(cse, u"Revision"_s, u"7"_s));
        QVERIFY(KvoTest::click(cse, "cmdOk"));
        QTRY_VERIFY(!cse->IsEditing());
        QCOMPARE(cell(window.records(), 0, u"Drawing Number"_s), u"D-9999"_s);
        QCOMPARE(cell(window.records(), 0, u"Revision"_s), u"7"_s);
        window.selectRow(1);
        QCOMPARE(window.currentId(), 2);
        window.selectRow(0);
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"DrawingNo"_s)->text(), u"D-9999"_s);
        QCOMPARE(field<QLineEdit>(cse, "txtTextField", u"Revision"_s)->text(), u"7"_s);
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

        bool configured = false;
        KvoTest::whenModal(
                this, u"frmConfigure"_s,
                [&](QDialog *configure) {
                    KvoTest::whenModal(this, u"frmColumnEdit"_s, [](QDialog *editor) {
                        KvoTest::fillColumnEditor(editor, u"Shift"_s, fcText, u"Day"_s);
                        KvoTest::click(editor, "cmdOk");
                    });
                    KvoTest::click(configure, "cmdNew");
                    KvoTest::click(configure, "cmdApply");
                    KvoTest::click(configure, "cmdCancel");
                },
                &configured);
        window.configure();
        QVERIFY(configured);
        QCOMPARE(cell(window.records(), 0, u"Shift"_s), u"Day"_s);
        window.editData();
        QVERIFY(window.control()->IsEditing());
        auto *shift = field<QComboBox>(window.control(), "cboFieldView", u"Shift"_s); // a picklist's list
        QVERIFY(shift);
        QCOMPARE(shift->currentText(), u"Day"_s);
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
        QFETCH(int, answer);
        QFETCH(int, currentAfter);
        Demo demo;
        QVERIFY2(demo.open(Engine::SQLite, 3), qPrintable(demo.error));
        DemoMainWindow &window = *demo.window;
        window.editData();
        QVERIFY(typeInto(window.control(), u"DrawingNo"_s, u"D-4242"_s));

        KvoTest::ScriptedMessages messages(answer);
        window.records()->setCurrentIndex(window.records()->model()->index(1, 0));
        QCOMPARE(messages.requests().size(), 1);
        QCOMPARE(window.currentId(), currentAfter);
        QCOMPARE(window.records()->currentIndex().row(), currentAfter - 1);
        QTEST(cell(window.records(), 0, u"Drawing Number"_s), "storedAfter");
        if (answer == MsgBox::vbCancel)
            QVERIFY(window.control()->IsDirty());
    }

    void filterInTheWindow_data() { KvoTest::addEngineColumn(); }

    // On every engine: Filter opens the library's dialog, the table shows the records its filter
    // selects and the status bar "N of M"; Cancel changes nothing; the filter in force comes back
    // when the window opens again; Clear Filter shows every record and is remembered too, while
    // the dialog still offers the last filter.
    void filterInTheWindow()
    {
        QFETCH(Engine, engine);
        Demo demo;
        QVERIFY2(demo.open(engine, 10), qPrintable(demo.error));
        KvoTest::answerFilterDialog(this, {u"Customer = General Parts"_s, u"or base.FileId <= 2"_s}, "cmdOk");
        demo.window->filter();
        const QStringList expected =
                KvoTest::rows(demo.session.connection(), u"SELECT [FileId] FROM [DncFiles] WHERE "_s
                                                                 + demo.window->filterCondition() + u" ORDER BY 1"_s);
        QVERIFY(expected.size() > 2 && expected.size() < 10);
        QCOMPARE(demo.window->recordCount(), expected.size());
        for (int row = 0; row < expected.size(); ++row)
            QCOMPARE(cell(demo.window->records(), row, u"FileId"_s), expected.at(row));
        QVERIFY(demo.window->statusText().startsWith(u"%1 of 10 records"_s.arg(expected.size())));
        QCOMPARE(demo.window->currentId(), expected.first().toInt());
        KvoTest::answerFilterDialog(this, {u"Customer = Harbor Mfg"_s}, "cmdCancel");
        demo.window->filter();
        QCOMPARE(demo.window->recordCount(), expected.size());

        demo.window.reset();
        auto reopened = demo.newWindow();
        QCOMPARE(reopened->recordCount(), expected.size());
        QVERIFY(reopened->statusText().startsWith(u"%1 of 10 records"_s.arg(expected.size())));
        reopened->clearFilter();
        QCOMPARE(reopened->recordCount(), 10);
        QVERIFY(reopened->statusText().startsWith(u"10 records"_s));
        reopened.reset();
        QCOMPARE(demo.newWindow()->recordCount(), 10);
        QCOMPARE(demo.session.filter->LastFilter(nullptr, u"user"_s, fltrDBMode_Normal)->Count(), 2);
    }

    // A large table: the window reads the rows in view only, scrolls to the last record and back,
    // and a filter reads its keys once.
    void largeTableFetchesRowsInView()
    {
        constexpr int Records = 20000;
        auto host = KvoTest::makeHost(Records, Engine::SQLite);
        QVERIFY(host);
        DemoMainWindow window(*host, u"test"_s);
        window.resize(900, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.recordCount(), Records);
        QCOMPARE(window.totalCount(), qint64(Records));
        QVERIFY2(window.model()->pagesRead() <= 2, qPrintable(QString::number(window.model()->pagesRead())));
        window.records()->scrollToBottom();
        QApplication::processEvents();
        const QModelIndex last =
                window.records()->indexAt(window.records()->viewport()->rect().bottomLeft() + QPoint(1, -2));
        QCOMPARE(last.row(), Records - 1);
        QCOMPARE(cell(window.records(), Records - 1, u"PartId"_s), QString::number(Records));
        QCOMPARE(cell(window.records(), Records - 1, u"Description"_s), u"Bracket %1"_s.arg(Records));
        window.records()->scrollToTop();
        QApplication::processEvents();
        QCOMPARE(window.records()->indexAt(QPoint(1, 1)).row(), 0);
        QVERIFY2(window.model()->pagesRead() <= 6, qPrintable(QString::number(window.model()->pagesRead())));

        CFilterTerms terms;
        terms.setFilterColumns(host->columns());
        terms.Add(kvoCJ_None, u"Parts"_s, u"Qty"_s, kvoCC_Numeric, kvoOP_Greater, u"199000"_s);
        window.applyFilter(std::make_unique<CFilterTerms>(std::move(terms)));
        QCOMPARE(window.recordCount(), 100);
        QCOMPARE(cell(window.records(), 0, u"PartId"_s), u"19901"_s);
    }

    void screenshot_data()
    {
        QTest::addColumn<QString>("show");
        QTest::addColumn<QSize>("atLeast");
        QTest::newRow("main") << QString() << QSize(800, 500);
        QTest::newRow("editing") << u"editing"_s << QSize(800, 500);
        QTest::newRow("filter") << u"filter"_s << QSize(400, 300);
        QTest::newRow("filter help") << u"filter-help"_s << QSize(400, 300);
    }

    // The picture mode renders the window, or a dialog over it, without a display, on the demo
    // database it makes on first run and reuses on the second.
    void screenshot()
    {
        QFETCH(QString, show);
        QFETCH(QSize, atLeast);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString picture = home.filePath(u"shot.png"_s);
        for (int run = 1; run <= 2; ++run) {
            QFile::remove(picture);
            QString out, err;
            QStringList args{u"--screenshot"_s, picture};
            if (!show.isEmpty())
                args << u"--show"_s << show;
            QVERIFY2(runDemo(args, home.path(), true, &out, &err) == 0, qPrintable(err));
            QVERIFY(out.contains(u"25 records of DncFiles"_s));
            QVERIFY(QFileInfo::exists(home.filePath(u"kvodemo/demo.sqlite"_s)));
            const QImage image(picture);
            QVERIFY(image.width() >= atLeast.width() && image.height() >= atLeast.height());
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 7) {
                for (int x = 0; x < image.width(); x += 7)
                    colours.insert(image.pixel(x, y));
            }
            QVERIFY2(colours.size() > 20, "the picture is nearly blank");
        }
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
        QTest::newRow("show without screenshot") << QStringList{"--show", "filter"} << 2;
        QTest::newRow("show of no window") << QStringList{"--screenshot", "x.png", "--show", "bogus"} << 2;
        QTest::newRow("language without translation") << QStringList{"--lang", "xx", "--screenshot", "x.png"} << 2;
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QString out, err;
        QCOMPARE(runDemo(args, home.path(), false, &out, &err), exitCode);
        QVERIFY2(err.contains(u"kvodemo: "_s), qPrintable(err));
        QCOMPARE(err.contains(u"usage: kvodemo"_s), exitCode == 2);
    }

private:
    QTemporaryDir m_dataHome;
};

QTEST_MAIN(TestDemoHost)
#include "tst_ui_kvodemo.moc"
