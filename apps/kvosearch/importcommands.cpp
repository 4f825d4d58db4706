// Importing the data blocks of files into a record's search values.
//
//   import ID FILE... [--timestamp yyyymmdd_hhnnss]
//
// Each FILE is imported in turn into record ID (a later file overrides the fields an earlier one
// named); a directory stands for the files directly in it, in name order. The error log of a file
// goes into ImportSearchDataErrors/<time stamp> next to it; the time stamp is --timestamp, else
// the file's modification time. A file that cannot be read is named on standard error and the
// other files are still imported; the exit status is then 1, as it is when storing the values of a
// file failed.
#include "cli.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "data/basimport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cstdio>
#include <optional>

#include <unistd.h>

using namespace KvoPlx800SCtl;

namespace {

// Files from this many on get a progress bar (when standard error is a terminal).
constexpr int ProgressFrom = 10;
constexpr int ProgressWidth = 30;

std::optional<QDateTime> parseTimestamp(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{8}_\\d{6}$"));
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(text.mid(9), QStringLiteral("HHmmss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return Convert::makeDate(date, time);
}

// The files named on the command line, directories replaced by the files in them.
QStringList expandFiles(const QStringList &arguments)
{
    QStringList files;
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (!info.isDir()) {
            files.append(argument);
            continue;
        }
        const QDir dir(argument);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
            files.append(dir.filePath(name));
    }
    return files;
}

// The bytes of a file, mapped rather than read where the system allows it, so a large file is
// touched only as far as the import reads it.
class FileBytes
{
public:
    bool open(const QString &path, QString *error)
    {
        m_file.setFileName(path);
        if (QFileInfo(path).isDir() || !m_file.open(QIODevice::ReadOnly)) {
            *error = QFileInfo(path).isDir() ? QStringLiteral("is a directory") : m_file.errorString();
            return false;
        }
        const qint64 size = m_file.size();
        if (size > 0) {
            if (uchar *mapped = m_file.map(0, size)) {
                m_mapped = mapped;
                m_data = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), qsizetype(size));
                return true;
            }
        }
        m_data = m_file.readAll();
        if (m_file.error() != QFileDevice::NoError) {
            *error = m_file.errorString();
            return false;
        }
        return true;
    }
    ~FileBytes()
    {
        m_data = QByteArray();
        if (m_mapped)
            m_file.unmap(m_mapped);
    }
    const QByteArray &data() const { return m_data; }
    QDateTime modified() const { return Convert::naive(QFileInfo(m_file).lastModified()); }

private:
    QFile m_file;
    uchar *m_mapped = nullptr;
    QByteArray m_data;
};

class ProgressBar
{
public:
    explicit ProgressBar(int total)
        : m_total(total),
          m_on(total >= ProgressFrom && isatty(fileno(stderr))),
          m_sharesTerminal(isatty(fileno(stdout)))
    {}
    ~ProgressBar() { hide(); }

    // Makes room for a line on standard output when that goes to the terminal too.
    void beforeOutput()
    {
        if (m_sharesTerminal)
            hide();
    }

    void show(int done)
    {
        if (!m_on)
            return;
        const int filled = m_total > 0 ? done * ProgressWidth / m_total : ProgressWidth;
        std::fprintf(stderr, "\rimporting [%s%s] %d/%d", QByteArray(filled, '#').constData(),
                     QByteArray(ProgressWidth - filled, '.').constData(), done, m_total);
        std::fflush(stderr);
        m_shown = true;
    }
    void hide()
    {
        if (!m_shown)
            return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }

private:
    int m_total;
    bool m_on;
    bool m_sharesTerminal;
    bool m_shown = false;
};

} // namespace

static int cmdImport(Cli &cli)
{
    const Cli::Args args(cli.options().args, {}, {QStringLiteral("timestamp")});
    if (!args.ok())
        return cli.usage(args.error());
    if (args.positional().size() < 2)
        return cli.usage(QStringLiteral("import takes a record id and at least one file"));
    std::optional<QDateTime> timestamp;
    if (args.has(QStringLiteral("timestamp"))) {
        timestamp = parseTimestamp(args.value(QStringLiteral("timestamp")));
        if (!timestamp)
            return cli.usage(QStringLiteral("--timestamp must be yyyymmdd_hhnnss, e.g. 20240315_143000"));
    }
    std::unique_ptr<ISearchBaseEntry> entry;
    if (const int rc = cli.entryOf(args.positional().first(), &entry); rc != Cli::Ok)
        return rc;
    if (!cli.session().filter->Exists())
        return cli.failure(QStringLiteral("%1 has no search columns to import into").arg(cli.options().table));

    const QStringList files = expandFiles(args.positional().mid(1));
    ProgressBar progress(int(files.size()));
    int rc = Cli::Ok;
    int done = 0;
    for (const QString &path : files) {
        progress.show(done++);
        QString error;
        basImport::ImportReport report;
        bool stored = false;
        {
            FileBytes bytes;
            if (!bytes.open(path, &error)) {
                progress.hide();
                rc = cli.failure(QStringLiteral("%1: cannot be read: %2").arg(path, error));
                continue;
            }
            cli.lastTraceError().clear();
            stored =
                    basImport::AnalyzeDataBlock(cli.session().filter.get(), timestamp.value_or(bytes.modified()),
                                                QFileInfo(path).absoluteFilePath(), entry.get(), bytes.data(), &report);
        }
        if (!stored || !cli.lastTraceError().isEmpty()) {
            progress.hide();
            rc = cli.failure(QStringLiteral("%1: storing the values failed: %2").arg(path, cli.lastTraceError()));
        }
        progress.beforeOutput();
        if (cli.options().json) {
            QJsonObject o{{QStringLiteral("file"), path},
                          {QStringLiteral("block"), report.blockFound},
                          {QStringLiteral("stored"), QJsonArray::fromStringList(report.stored)},
                          {QStringLiteral("errors"), report.errors}};
            o.insert(QStringLiteral("log"), report.logPath.isEmpty() ? QJsonValue() : QJsonValue(report.logPath));
            cli.printJson(QJsonDocument(o));
            continue;
        }
        if (!report.blockFound)
            cli.out() << path << ": no data block" << Qt::endl;
        else if (report.stored.isEmpty())
            cli.out() << path << ": nothing stored" << Qt::endl;
        else
            cli.out() << path << ": stored " << report.stored.join(QStringLiteral(", ")) << Qt::endl;
        if (!report.logPath.isEmpty())
            cli.out() << path << ": errors logged to " << report.logPath << Qt::endl;
        else if (report.errors > 0)
            cli.out() << path << ": " << report.errors << " line(s) not imported; no error log could be written"
                      << Qt::endl;
    }
    return rc;
}

namespace {
const CommandRegistration registrations[] = {
        CommandRegistration({"import", true, cmdImport, "ID FILE|DIR... [--timestamp yyyymmdd_hhnnss]", 38}),
};
} // namespace
