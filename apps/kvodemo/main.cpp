// kvodemo: the demo host application of the search-column library. It shows the records of one
// base table with their search columns and the data-entry control beside them.
//
//   kvodemo [--db URL --table NAME] [--lang LANGUAGE] [--screenshot FILE.png [--show WINDOW]]
//
// Without --db it opens its own SQLite database in the user's data directory, creating it with
// sample records and search columns on first run. --screenshot renders the window (offscreen when
// there is no display) into a PNG file once the first record is shown, and exits. --show names
// what is pictured: main (the window, the default), editing (the window with the control switched to
// editing) or one of the library's dialogs over the
// window's base table (configure, column-editor, picklist-edit, picklist-select, filter,
// filter-help); a dialog that cannot be shown exits 1. --lang shows the texts of the library, of the
// demo and of Qt's own dialogs in a language with a translation (de); without it the system's
// language is used where there is a translation, English otherwise.
#include "demodatabase.h"
#include "mainwindow.h"
#include "screenshots.h"

#include "referencehost/host.h"

#include "uisupport/widgetssupport.h"

#include "hostkit/serviceshelper.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibraryInfo>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

namespace {

// Time for the control's deferred button update (200 ms) and the first paint before the picture
// is taken.
constexpr int ScreenshotDelayMs = 600;

bool wantsScreenshot(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--screenshot" || arg.startsWith("--screenshot="))
            return true;
    }
    return false;
}

// Installs the translations into `language` of the library (kvo), of the demo and of Qt that
// exist; whether the library has one.
bool installTranslations(const QLocale &language)
{
    const QString embedded = QStringLiteral(":/i18n");
    const struct
    {
        const char *name;
        QString directory;
    } catalogues[] = {
            {"kvo", embedded}, {"kvodemo", embedded}, {"qtbase", QLibraryInfo::path(QLibraryInfo::TranslationsPath)}};
    bool library = false;
    for (const auto &catalogue : catalogues) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(language, QString::fromLatin1(catalogue.name), QStringLiteral("_"), catalogue.directory)) {
            QCoreApplication::installTranslator(translator);
            library = library || qstrcmp(catalogue.name, "kvo") == 0;
        } else {
            delete translator;
        }
    }
    return library;
}

int failure(const QString &message)
{
    QTextStream(stderr) << "kvodemo: " << message << Qt::endl;
    return 1;
}

int usage(const QString &message)
{
    QTextStream(stderr)
            << "kvodemo: " << message << Qt::endl
            << "usage: kvodemo [--db URL --table NAME] [--lang LANGUAGE] [--screenshot FILE [--show WINDOW]]"
            << Qt::endl
            << "  WINDOW: " << DemoScreenshots::names().join(QLatin1Char('|')) << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // A picture needs no display: without one, render offscreen.
    if (wantsScreenshot(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvodemo"));
    KvoPlx800SCtl::installWidgetsSupport();
    KvoPlx800SCtl::HostKit::ServicesHelper::instance().setApplicationTitle(QStringLiteral("kvodemo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Demo host of the search-column library."));
    parser.addHelpOption();
    const QCommandLineOption dbOption(QStringLiteral("db"),
                                      QStringLiteral("Database URL (sqlite:PATH, postgresql://..., mariadb://...; a server URL may "
                                                     "list several hosts, host[:port],host[:port]..., tried in order); "
                                                     "default: the demo database in the user's data directory."),
                                      QStringLiteral("URL"));
    const QCommandLineOption tableOption(
            QStringLiteral("table"), QStringLiteral("Base table to show (default DncFiles)."), QStringLiteral("NAME"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Write a PNG picture of the window to FILE and exit."),
                                              QStringLiteral("FILE"));
    const QCommandLineOption showOption(QStringLiteral("show"),
                                        QStringLiteral("What --screenshot pictures: %1 (default main).")
                                                .arg(DemoScreenshots::names().join(QStringLiteral(", "))),
                                        QStringLiteral("WINDOW"));
    const QCommandLineOption langOption(
            QStringLiteral("lang"), QStringLiteral("Language of the texts, for example de (default: the system's)."),
            QStringLiteral("LANGUAGE"));
    parser.addOptions({dbOption, tableOption, langOption, screenshotOption, showOption});
    if (!parser.parse(QApplication::arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(screenshotOption) && parser.value(screenshotOption).isEmpty())
        return usage(QStringLiteral("--screenshot needs a file name"));
    const QString shown = parser.isSet(showOption) ? parser.value(showOption) : QStringLiteral("main");
    if (parser.isSet(showOption) && !parser.isSet(screenshotOption))
        return usage(QStringLiteral("--show needs --screenshot"));
    if (!DemoScreenshots::names().contains(shown))
        return usage(QStringLiteral("--show takes one of %1").arg(DemoScreenshots::names().join(QStringLiteral(", "))));
    if (parser.isSet(langOption)) {
        // English is the library's own language.
        const QLocale language(parser.value(langOption));
        if (!installTranslations(language) && language.language() != QLocale::English)
            return usage(QStringLiteral("no translation for the language %1").arg(parser.value(langOption)));
    } else {
        installTranslations(QLocale());
    }
    const QString table = parser.isSet(tableOption) ? parser.value(tableOption) : DemoDatabase::defaultTable();
    if (table.trimmed().isEmpty())
        return usage(QStringLiteral("--table needs a table name"));

    KvoHost::Host session;
    QString error;
    QString label;
    if (parser.isSet(dbOption)) {
        if (!session.open(parser.value(dbOption), &error))
            return failure(error);
        session.openTable(table, {}, DemoDatabase::profilePath());
        label = session.connection().url().toString();
    } else {
        const QString path = DemoDatabase::defaultPath();
        if (!DemoDatabase::openDefault(session, path, &error))
            return failure(QStringLiteral("the demo database %1 cannot be made: %2").arg(path, error));
        if (table != DemoDatabase::defaultTable())
            session.openTable(table, {}, DemoDatabase::profilePath());
        label = path.startsWith(QDir::homePath() + QLatin1Char('/'))
                        ? QStringLiteral("~") + path.mid(QDir::homePath().size())
                        : path;
    }
    if (!session.structure)
        return failure(QStringLiteral("the database has no table %1").arg(table));

    DemoMainWindow window(session, label);
    QSize size(1540, 760);
    if (const QScreen *screen = QGuiApplication::primaryScreen(); screen && !parser.isSet(screenshotOption))
        size = size.boundedTo(screen->availableSize() * 0.9);
    window.resize(size);
    window.show();
    if (!parser.isSet(screenshotOption))
        return QApplication::exec();

    const QString file = parser.value(screenshotOption);
    QString why;
    QWidget *pictured = DemoScreenshots::open(shown, window, &why);
    if (!pictured)
        return failure(why);
    int result = 0;
    QTimer::singleShot(ScreenshotDelayMs, &window, [&] {
        if (pictured->grab().save(file, "PNG")) {
            QTextStream(stdout) << "kvodemo: wrote " << file << " (" << window.recordCount() << " records of "
                                << session.structure->Name() << ')' << Qt::endl;
        } else {
            failure(QStringLiteral("cannot write %1").arg(file));
            result = 1;
        }
        QApplication::exit(result);
    });
    QApplication::exec();
    return result;
}
