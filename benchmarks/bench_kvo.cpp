// The library against hand-written SQL, an entity-attribute-value layout and plain statements:
// cases 1 to 5 on every engine (case 6 is bench_kvo_ui). Each row goes to the results file that
// scripts/bench prints as one table (bench_kvo --report FILE).
#include "core/cases.h"

#include "hostkit/serviceshelper.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstdio>

using namespace KvoBench;

namespace {

const char *const Usage =
        "usage: bench_kvo [--scale N] [--records N] [--files N] [--reps N] [--engines sqlite,postgresql,mariadb]\n"
        "                 [--cases 1,2,3,4,5] [--results FILE] [--workdir DIR] [--keep yes]\n"
        "       bench_kvo --report FILE [--markdown FILE]\n"
        "  --scale N    base records of cases 1, 3 and 4 (default 500000; 200k, 1m are accepted)\n"
        "  --records N  records of the round trip, case 2 (default 2000)\n"
        "  --files N    NC program files of the import, case 5 (default 2000)\n"
        "  --reps N     timed repetitions of each measurement, the median is reported (default 3)\n"
        "  --engines    engines to run on (default all three; PostgreSQL needs KVO_TEST_PG_URL,\n"
        "               MariaDB KVO_TEST_MARIADB_URL)\n"
        "  --cases      cases to run (default all; case 6 belongs to bench_kvo_ui)\n"
        "  --results    file the result rows are appended to\n"
        "  --workdir    folder for the SQLite databases and the import files (default: the temp folder)\n"
        "  --keep yes   keeps the databases afterwards (to look at query plans)\n"
        "  --report     prints the table of a results file (and writes it to --markdown FILE)";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    KvoPlx800SCtl::HostKit::ServicesHelper::instance().setApplicationTitle(QStringLiteral("bench_kvo"));
    const QStringList args = app.arguments();

    if (args.size() >= 3 && args.at(1) == QLatin1String("--report")) {
        QString markdown;
        if (args.size() >= 5 && args.at(3) == QLatin1String("--markdown"))
            markdown = args.at(4);
        return printReport(args.at(2), markdown);
    }

    Options options;
    int exitCode = 0;
    if (!options.parse(args, QString::fromLatin1(Usage), &exitCode))
        return exitCode;

    const Recorder recorder(options.resultsFile);
    std::printf("bench_kvo: cases");
    for (int c = 1; c <= 5; ++c) {
        if (options.wants(c))
            std::printf(" %d", c);
    }
    std::printf(" on %s\n", qPrintable(options.engineNames().join(QStringLiteral(", "))));
    for (const auto &[key, value] : machineInfo())
        recorder.info(key, value);
    recorder.info(QStringLiteral("sizes"), QStringLiteral("scale %1, round-trip records %2, import files %3, "
                                                          "repetitions %4 (median reported)")
                                                   .arg(options.scale)
                                                   .arg(options.records)
                                                   .arg(options.files)
                                                   .arg(options.reps));
    recorder.info(QStringLiteral("load at start (1, 5, 15 min)"), loadAverage());

    std::unique_ptr<ImportFiles> files;
    for (const Engine engine : std::as_const(options.engines)) {
        const std::unique_ptr<BenchDatabase> db = BenchDatabase::open(engine, options);
        recorder.info(db->engineName(), db->serverVersion() + QStringLiteral(" (") + db->settingsNote()
                                                + QLatin1Char(')'));
        std::printf("\n== %s\n", qPrintable(db->engineName()));
        std::fflush(stdout);
        // Where the run's time goes, for choosing the default sizes.
        QStringList spent;
        const auto timed = [&](const QString &what, const std::function<void()> &run) {
            spent.append(QStringLiteral("%1 %2 s").arg(what).arg(timeMs(run) / 1000.0, 0, 'f', 0));
        };
        if (options.wants(1) || options.wants(3) || options.wants(4)) {
            // The process's peak while it builds the data set and runs the filters and checks.
            const bool peakKnown = resetPeakMemory();
            timed(QStringLiteral("data set and cases 1, 3, 4"), [&] { runScaleCases(*db, options, recorder); });
            if (peakKnown)
                recorder.info(db->engineName() + QStringLiteral(" peak memory (cases 1, 3, 4)"),
                              QStringLiteral("%1 MB").arg(processMemoryMb("VmHWM:"), 0, 'f', 1));
        }
        if (options.wants(2))
            timed(QStringLiteral("case 2"), [&] { runRoundTripCase(*db, options, recorder, false); });
        if (options.wants(5)) {
            if (!files) {
                const double ms =
                        timeMs([&] { files = std::make_unique<ImportFiles>(options.workDir, options.files); });
                recorder.info(QStringLiteral("import files"), QStringLiteral("%1 files, %2 MB, written in %3 s")
                                                                      .arg(files->count())
                                                                      .arg(files->totalBytes() / 1024 / 1024)
                                                                      .arg(ms / 1000.0, 0, 'f', 1));
            }
            timed(QStringLiteral("case 5"), [&] { runImportCase(*db, options, recorder, *files, false); });
        }
        // The price of indexed search-data fields, each case again on a database of its own.
        if (options.wants(2) || options.wants(5)) {
            const std::unique_ptr<BenchDatabase> indexed = BenchDatabase::open(engine, options);
            if (options.wants(2))
                timed(QStringLiteral("case 2 indexed"),
                      [&] { runRoundTripCase(*indexed, options, recorder, true); });
            if (options.wants(5))
                timed(QStringLiteral("case 5 indexed"),
                      [&] { runImportCase(*indexed, options, recorder, *files, true); });
        }
        recorder.info(db->engineName() + QStringLiteral(" time"), spent.join(QStringLiteral(", ")));
    }
    recorder.info(QStringLiteral("load at end (1, 5, 15 min)"), loadAverage());
    return 0;
}
