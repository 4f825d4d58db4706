// Case 7: the demo host's window over a shop-sized base table (1,000,000 NC programs by default),
// offscreen, on SQLite, PostgreSQL and MariaDB. Each engine's window runs in a process of its own, so that
// its peak memory is the window's and not that of the process that made the data:
//   - the window shown (made, its records loaded, painted), against reading the keys of every
//     record with a forward-only cursor, the least a view with a true scroll bar needs; goal at
//     most twice that and under 1 s;
//   - scrolling to the last record and back (checked: the last row shows the highest key, the
//     first the lowest), against the same scrolling with the pages already read;
//   - applying a filter until the window is painted again, against the filter's own query;
//   - the process's peak memory, against the process before the window opened; goal under 200 MB.
#include "benchsupport.h"

#include "referencehost/engines.h"

#include "mainwindow.h"
#include "recordsmodel.h"

#include "columns/cfiltercolumns.h"
#include "filter/cfilterterms.h"
#include "uisupport/widgetssupport.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/tablestructure.h"

#include <QApplication>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace KvoBench;

namespace {

const char *const Usage = "usage: bench_kvodemo [--scale N] [--reps N] [--engines sqlite,postgresql,mariadb] [--results FILE]\n"
                          "                     [--workdir DIR] [--keep yes]\n"
                          "  --scale N  NC programs in the base table (default 1000000)\n"
                          "  --reps N   timed repetitions of each measurement, the median is reported (default 3)";

const QString Base = QStringLiteral("Programs");
const QString Key = QStringLiteral("ProgramId");

// The base table of NC programs and the search values of every program, written with plain
// statements; the columns are made by the library.
void fillData(BenchDatabase &db, qint64 records)
{
    createNamedTable(
            db, Base, Key, records, [](qint64 r) { return QStringLiteral("O%1.nc").arg(r, 7, 10, QLatin1Char('0')); },
            8);
    Connection &c = db.connection();
    Host host;
    openHost(host, db, Base);
    defineColumns(host,
                  {column(QStringLiteral("DrawingNo"), fcText), column(QStringLiteral("Customer"), fcText),
                   column(QStringLiteral("Revision"), fcInteger16), column(QStringLiteral("Released"), fcDateTime),
                   column(QStringLiteral("Proven"), fcBoolean), column(QStringLiteral("Operations"), fcKeyword)});
    insertRows(
            db, host.columns()->SearchDataTableName(),
            {Key, QStringLiteral("DrawingNo"), QStringLiteral("Customer"), QStringLiteral("Revision"),
             QStringLiteral("Released"), QStringLiteral("Proven")},
            1, records, [&](qint64 r) {
                const quint64 h = mix(quint64(r), 1);
                return QStringLiteral("(%1, %2, %3, %4, %5, %6)")
                        .arg(r)
                        .arg(c.QuoteText(QStringLiteral("D-%1").arg(h % 100000)),
                             c.QuoteText(QStringLiteral("Customer %1").arg(h % 50)))
                        .arg(1 + (h >> 8) % 4)
                        .arg(c.SqlDateLiteral(QDateTime(QDate(2020, 1, 1), QTime(8, 0)).addSecs(qint64(h % 50000000))))
                        .arg(c.SqlBooleanValue((h >> 16) % 2 == 0));
            });
    db.analyze({Base, host.columns()->SearchDataTableName()});
}

// Shows the window and waits until it is exposed; the benchmark stops when it never is.
void showAndWait(QWidget &window)
{
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
        if (waited.elapsed() > 10000)
            die(QStringLiteral("the window is not shown"));
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Runs the events a change leaves, the paints of what it changed included.
void settle(QWidget &)
{
    QApplication::processEvents();
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

// The measuring process: the window over the table of `url`, its rows recorded for `engineName`.
int measure(const QString &url, const QString &engineName, const Options &options)
{
    const double before = processMemoryMb("VmRSS:");
    Host session;
    QString error;
    if (!session.open(url, &error))
        die(error);
    QTemporaryDir profile;
    session.openTable(Base, {}, profile.filePath(QStringLiteral("profile.ini")));
    if (!session.structure || !session.columns())
        die(QStringLiteral("no column set on %1").arg(Base));
    Connection &c = session.connection();
    const Recorder recorder(options.resultsFile);
    const int reps = options.reps;
    const QString records = QLocale::c().toString(options.scale);

    // The window shown: made, loaded, painted.
    std::vector<double> shown, keys;
    for (int r = 0; r < reps; ++r) {
        keys.push_back(timeMs([&] {
            fetchKeys(c, QStringLiteral("SELECT %1 FROM %2 ORDER BY %1").arg(c.QuoteName(Key), c.QuoteName(Base)));
        }));
        std::unique_ptr<DemoMainWindow> window;
        shown.push_back(timeMs([&] {
            window = std::make_unique<DemoMainWindow>(session, url);
            window->resize(1400, 800);
            showAndWait(*window);
            settle(*window);
        }));
        if (window->recordCount() != options.scale)
            die(QStringLiteral("the window shows %1 records, not %2").arg(window->recordCount()).arg(records));
    }
    recorder.add({7, QStringLiteral("kvodemo window shown, %1 records").arg(records), engineName, median(shown),
                  QStringLiteral("keys of every record, forward-only"), median(keys), 2, 1000,
                  QStringLiteral("rows fetched as they come into view")});

    DemoMainWindow window(session, url);
    window.resize(1400, 800);
    showAndWait(window);
    settle(window);
    QTableView *view = window.records();
    RecordsModel *model = window.model();
    const int last = model->rowCount() - 1;
    const auto visibleRow = [&](QPoint at) { return view->indexAt(at).row(); };
    // Scrolling to the last record and back, first with the pages to read, then again with the
    // pages in memory: what the reading adds to the painting.
    const auto roundTrip = [&] {
        view->scrollToBottom();
        settle(window);
        if (visibleRow(view->viewport()->rect().bottomLeft() + QPoint(1, -2)) != last
            || model->keyAt(last) != options.scale)
            die(QStringLiteral("scrolling did not reach the last record"));
        view->scrollToTop();
        settle(window);
        if (visibleRow(QPoint(1, 1)) != 0 || model->keyAt(0) != 1)
            die(QStringLiteral("scrolling did not come back to the first record"));
    };
    std::vector<double> reading, cached;
    for (int r = 0; r < reps; ++r) {
        window.reload();
        settle(window);
        const int pagesBefore = model->pagesRead();
        reading.push_back(timeMs(roundTrip));
        if (model->pagesRead() == pagesBefore)
            die(QStringLiteral("scrolling read no page"));
        cached.push_back(timeMs(roundTrip));
    }
    recorder.add({7, QStringLiteral("kvodemo scroll to the last record and back"), engineName, median(reading),
                  QStringLiteral("the same with the pages in memory"), median(cached), 2, 1000,
                  QStringLiteral("painted, last and first row checked")});

    // A filter of about 1 % of the records.
    CFilterColumns &columns = *session.columns();
    const QString data = columns.SearchDataTableName();
    const auto terms = [&] {
        auto t = std::make_unique<CFilterTerms>();
        t->setFilterColumns(&columns);
        t->Add(kvoCJ_None, data, QStringLiteral("Customer"), kvoCC_Text, kvoOP_Equals, QStringLiteral("Customer 7"));
        t->Add(kvoCJ_And, data, QStringLiteral("Revision"), kvoCC_Numeric, kvoOP_GreatorOrEqual, QStringLiteral("3"));
        return t;
    };
    const QString condition = terms()->SQLString();
    const QString filterQuery = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %1")
                                        .arg(c.QuoteName(Key), c.QuoteName(Base), condition);
    const KeySet expected = fetchKeys(c, filterQuery);
    const auto filtered = alternate({[&] {
                                         window.applyFilter(terms());
                                         settle(window);
                                     },
                                     [&] { fetchKeys(c, filterQuery); }},
                                    reps, [&] { window.clearFilter(); });
    window.applyFilter(terms());
    if (window.recordCount() != expected.count)
        die(QStringLiteral("the filtered window shows %1 records, the filter selects %2")
                    .arg(window.recordCount())
                    .arg(expected.count));
    recorder.add({7, QStringLiteral("kvodemo filter applied"), engineName, filtered[0],
                  QStringLiteral("the filter's own query"), filtered[1], 1.2, 0,
                  QStringLiteral("%1 records, painted").arg(expected.count)});

    Result memory{7,
                  QStringLiteral("kvodemo peak memory, %1 records").arg(records),
                  engineName,
                  processMemoryMb("VmHWM:"),
                  QStringLiteral("the process before the window"),
                  before,
                  10,
                  200,
                  QStringLiteral("after showing, scrolling and filtering")};
    memory.unit = QStringLiteral("MB");
    recorder.add(memory);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    installWidgetsSupport();
    ServicesHelper::instance().setApplicationTitle(QStringLiteral("bench_kvodemo"));
    QStringList args = app.arguments();

    // The measuring process: bench_kvodemo --measure URL ENGINE [options].
    QString measureUrl;
    QString measureEngine;
    if (args.size() >= 4 && args.at(1) == QLatin1String("--measure")) {
        measureUrl = args.at(2);
        measureEngine = args.at(3);
        args.remove(1, 3);
    }
    Options options;
    options.scale = 1000000; // the window's goal is set at a million programs
    int exitCode = 0;
    if (!options.parse(args, QString::fromLatin1(Usage), &exitCode))
        return exitCode;
    if (!measureUrl.isEmpty())
        return measure(measureUrl, measureEngine, options);

    std::printf("bench_kvodemo: case 7 on %s, %lld records\n", qPrintable(options.engineNames().join(u", ")),
                options.scale);
    std::fflush(stdout);
    for (const Engine engine : options.engines) {
        auto db = BenchDatabase::open(engine, options);
        QElapsedTimer made;
        made.start();
        fillData(*db, options.scale);
        Recorder(options.resultsFile)
                .info(db->engineName() + QStringLiteral(" demo host data set (case 7)"),
                      QStringLiteral("%1 NC programs with search data; built in %2 s")
                              .arg(options.scale)
                              .arg(double(made.elapsed()) / 1000.0, 0, 'f', 1));
        QStringList childArgs{
                QStringLiteral("--measure"),   db->database().url(),           db->engineName(),
                QStringLiteral("--scale"),     QString::number(options.scale), QStringLiteral("--reps"),
                QString::number(options.reps), QStringLiteral("--engines"),    KvoHost::shortName(engine)};
        if (!options.resultsFile.isEmpty())
            childArgs << QStringLiteral("--results") << options.resultsFile;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), childArgs);
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            die(QStringLiteral("the measuring process failed on %1").arg(db->engineName()));
    }
    return 0;
}
