#include "basimport.h"

#include "columns/cfiltercolumns.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/csearchfilter.h"
#include "core/tracescope.h"

#include "hostkit/trace.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

namespace KvoPlx800SCtl::basImport {

namespace {

constexpr const char *Module = "basImport";

const QString BeginMarker = QStringLiteral("Begin Search Data");
const QString EndMarker = QStringLiteral("End Search Data");
const QString StartNoteMarker = QStringLiteral("Start Note");
const QString EndNoteMarker = QStringLiteral("End Note");
const QString LineMarker = QStringLiteral("Line");

const QString CrLf = QStringLiteral("\r\n");

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// The marker test without tracing, for the scan over the lines before the block.
bool matchesMarker(const QString &text, const QString &marker)
{
    QStringView t = QStringView(text).trimmed();
    if (t.size() >= 2 && t.front() == QLatin1Char('(') && t.back() == QLatin1Char(')'))
        t = t.mid(1, t.size() - 2).trimmed();
    return t.compare(marker, Qt::CaseInsensitive) == 0;
}

// --- Messages of the error log --------------------------------------------------------------

QString lineHead(const QString &line) { return QStringLiteral("Error processing line: ") + line + CrLf; }

QString unusableLine(const QString &line)
{
    return lineHead(line) + QStringLiteral("Cannot split this line into a name:value pair.") + CrLf;
}

QString nameNotDefined(const QString &line, const QString &name, const QString &value)
{
    return lineHead(line) + QStringLiteral("Specified name does not match a defined Search Criteria field") + CrLf
           + QStringLiteral("Specified name: ") + name + CrLf + QStringLiteral("Specified value: ") + value + CrLf;
}

QString conversionFailed(const QString &line, const CFilterColumn *column, const QString &value)
{
    return lineHead(line) + QStringLiteral("Cannot convert specified value to the data type of the specified field")
           + CrLf + QStringLiteral("Field name: ") + column->Name() + CrLf + QStringLiteral("Field type: ")
           + column->typeDisplayName() + CrLf + QStringLiteral("Specified value: ") + value + CrLf;
}

QString noteLineOfAnotherName(const QString &line, const CFilterColumn *column, const QString &name)
{
    return lineHead(line) + QStringLiteral("This line is not the next line of the multiple-line Note field '")
           + column->Name() + QLatin1Char('\'') + CrLf + QStringLiteral("Specified name: ") + name + CrLf
           + QStringLiteral("Expected name: ") + LineMarker + CrLf;
}

QString unusableNoteLine(const QString &line, const CFilterColumn *column)
{
    return unusableLine(line) + QStringLiteral("Failed to extract next line in note for field '") + column->Name()
           + QLatin1Char('\'');
}

// The walk over the lines of one data block.
class BlockWalker
{
public:
    BlockWalker(CFilterColumns &columns, ImportErrorLog &log, ImportReport &report)
        : m_columns(columns), m_log(log), m_report(report)
    {}

    void run(DataBlockLines &lines)
    {
        QByteArrayView bytes;
        while (lines.nextBytes(&bytes)) {
            const QString line = DataBlockLines::lineText(bytes);
            if (!m_inBlock) {
                if (matchesMarker(line, BeginMarker)) {
                    m_inBlock = true;
                    m_report.blockFound = true;
                }
                continue;
            }
            if (TestTextIsMatch(line, EndMarker))
                break;
            const QString error = m_noteColumn && m_inNoteRun ? noteRunLine(line) : blockLine(line);
            if (!error.isEmpty()) {
                ++m_report.errors;
                m_log.write(error);
            }
        }
        // A note still open when the block or the data ends keeps what it has.
        if (m_noteColumn)
            storeNote();
    }

private:
    // A line inside a note run: "End Note", or the next "Line: text" of the note.
    QString noteRunLine(const QString &line)
    {
        if (TestTextIsMatch(line, EndNoteMarker)) {
            storeNote();
            return {};
        }
        QString name;
        QString value;
        if (!ParseLine(line, &name, &value))
            return unusableNoteLine(line, m_noteColumn);
        if (!TestTextIsMatch(name, LineMarker))
            return noteLineOfAnotherName(line, m_noteColumn, name);
        QString text = m_noteText;
        if (!text.isEmpty())
            text += CrLf;
        text += value;
        // The note must still fit its field.
        if (text.size() > CFilterColumn::TextLengthInDB())
            return conversionFailed(line, m_noteColumn, value);
        m_noteText = text;
        return {};
    }

    // A line of the block outside a note run.
    QString blockLine(const QString &line)
    {
        if (m_noteColumn) {
            if (TestTextIsMatch(line, StartNoteMarker)) {
                m_inNoteRun = true;
                m_noteText.clear();
                return {};
            }
            storeNote();
        }
        return fieldLine(line);
    }

    QString fieldLine(const QString &line)
    {
        QString name;
        QString value;
        if (!ParseLine(line, &name, &value))
            return unusableLine(line);
        // An empty name would find the first column without a caption.
        CFilterColumn *column = name.isEmpty() ? nullptr : m_columns.Item(name);
        if (!column)
            return nameNotDefined(line, name, value);
        ImportValue converted;
        if (!ParseValue(column, value, &converted))
            return conversionFailed(line, column, value);
        if (column->ColumnType() == fcNote) {
            m_noteColumn = column;
            m_inNoteRun = false;
            m_noteText = converted.value.toText();
            return {};
        }
        store(column, converted);
        return {};
    }

    void storeNote()
    {
        ImportValue note;
        note.value = Variant::text(m_noteText);
        store(m_noteColumn, note);
        m_noteColumn = nullptr;
        m_inNoteRun = false;
        m_noteText.clear();
    }

    void store(CFilterColumn *column, const ImportValue &value)
    {
        if (!SaveField(column, value))
            return;
        if (!m_report.stored.contains(column->Name()))
            m_report.stored.append(column->Name());
    }

    CFilterColumns &m_columns;
    ImportErrorLog &m_log;
    ImportReport &m_report;
    bool m_inBlock = false;
    CFilterColumn *m_noteColumn = nullptr;
    bool m_inNoteRun = false;
    QString m_noteText;
};

} // namespace

// --- Lines ----------------------------------------------------------------------------------

DataBlockLines::DataBlockLines(QByteArrayView data) : m_data(data)
{
    if (m_data.startsWith(QByteArrayView("\xEF\xBB\xBF", 3)))
        m_position = 3;
}

bool DataBlockLines::isEmpty() const
{
    for (qsizetype i = m_position; i < m_data.size(); ++i) {
        if (!isLineEnd(m_data[i]))
            return false;
    }
    return true;
}

bool DataBlockLines::nextBytes(QByteArrayView *line)
{
    const qsizetype size = m_data.size();
    qsizetype start = m_position;
    while (start < size && isLineEnd(m_data[start]))
        ++start;
    if (start >= size) {
        m_position = size;
        return false;
    }
    qsizetype end = start;
    while (end < size && !isLineEnd(m_data[end]))
        ++end;
    *line = m_data.sliced(start, end - start);
    m_position = end;
    return true;
}

bool DataBlockLines::next(QString *line)
{
    QByteArrayView bytes;
    if (!nextBytes(&bytes))
        return false;
    *line = lineText(bytes);
    return true;
}

QString DataBlockLines::lineText(QByteArrayView bytes)
{
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

DataBlockLines DataBlockToStringCollection(const QByteArray &baData)
{
    return traced("DataBlockToStringCollection", Module, DataBlockLines(QByteArrayView()),
                  [&](DataBlockLines &result) { result = DataBlockLines(baData); });
}

// --- Parsing --------------------------------------------------------------------------------

bool TestTextIsMatch(const QString &strText, const QString &strMatch)
{
    return traced("TestTextIsMatch", Module, false, [&](bool &result) { result = matchesMarker(strText, strMatch); });
}

bool ParseLine(const QString &strLine, QString *strName, QString *strValue)
{
    return traced("ParseLine", Module, false, [&](bool &result) {
        QString text = strLine.trimmed();
        while (text.startsWith(QLatin1Char('('))) {
            text.remove(0, 1);
            if (text.endsWith(QLatin1Char(')')))
                text.chop(1);
            text = text.trimmed();
        }
        if (text.isEmpty())
            return;
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            *strName = text;
            strValue->clear();
        } else {
            *strName = text.left(colon).trimmed();
            *strValue = text.mid(colon + 1).trimmed();
        }
        result = true;
    });
}

bool ParseValue(const CFilterColumn *column, const QString &strText, ImportValue *value)
{
    return traced("ParseValue", Module, false, [&](bool &result) {
        if (!column)
            return;
        const QString text = strText.trimmed();
        const int limit = CFilterColumn::TextLengthInDB();
        ImportValue parsed;
        const FilterColumnTypeConstants type = column->ColumnType();
        if (ColumnTypes::isKeyword(type)) {
            // Each part is trimmed, as a keyword typed into the control is; an empty part is none.
            for (const QString &part : strText.split(QLatin1Char(','))) {
                const QString keyword = part.trimmed();
                if (keyword.isEmpty())
                    continue;
                if (keyword.size() > limit)
                    return;
                parsed.keywords.append(keyword);
            }
        } else if (ColumnTypes::isText(type)) {
            if (text.size() > limit)
                return;
            parsed.value = Variant::text(text);
        } else {
            // A blank is no number, date or Boolean.
            const auto converted = Convert::parseForType(text, type);
            if (text.isEmpty() || !converted || !converted->hasValue())
                return;
            parsed.value = *converted;
        }
        *value = parsed;
        result = true;
    });
}

bool SaveField(CFilterColumn *column, const ImportValue &value)
{
    return traced("SaveField", Module, false, [&](bool &result) {
        if (!column)
            return;
        if (column->ColumnType() == fcKeyword) {
            column->SavedKeys() = QStringList();
            for (const QString &keyword : value.keywords)
                column->SavedKeys().append(keyword);
        } else {
            column->setSavedValue(value.value);
        }
        result = true;
    });
}

// --- Error log ------------------------------------------------------------------------------

QString TimestampText(const QDateTime &timestamp)
{
    const QDateTime stamp = timestamp.isValid() ? timestamp : Variant::dateZero();
    return stamp.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

QString ErrorLogFolder(const QString &sourceFile, const QDateTime &timestamp)
{
    const QDir folder(QFileInfo(sourceFile).absolutePath());
    return folder.filePath(QLatin1String(ErrorFolderName) + QLatin1Char('/') + TimestampText(timestamp));
}

std::unique_ptr<QFile> CreateErrorLog(const QString &strSourceFile, const QDateTime &dtmTimestamp)
{
    return traced("CreateErrorLog", Module, std::unique_ptr<QFile>(), [&](std::unique_ptr<QFile> &result) {
        // A log that cannot be made is no failure of the import: it runs unlogged.
        const auto unlogged = [](const QString &why) {
            HostKit::Trace::instance().Info(QLatin1String(Module),
                                            QStringLiteral("import errors are not logged: ") + why);
        };
        if (strSourceFile.isEmpty())
            return unlogged(QStringLiteral("no source file is named"));
        const QFileInfo source(strSourceFile);
        const QString folder = ErrorLogFolder(strSourceFile, dtmTimestamp);
        if (!QDir().mkpath(folder))
            return unlogged(QStringLiteral("the folder %1 cannot be created").arg(folder));
        const QDir dir(folder);
        // The copy is a help for reading the log; the log goes on without it.
        const QString copy = dir.filePath(source.fileName());
        if (source.isFile() && source.absoluteFilePath() != QFileInfo(copy).absoluteFilePath()) {
            QFile::remove(copy);
            QFile::copy(source.absoluteFilePath(), copy);
        }
        auto log = std::make_unique<QFile>(dir.filePath(source.fileName() + QLatin1String(ErrorLogSuffix)));
        if (!log->open(QIODevice::WriteOnly | QIODevice::Truncate))
            return unlogged(QStringLiteral("%1: %2").arg(log->fileName(), log->errorString()));
        result = std::move(log);
    });
}

ImportErrorLog::ImportErrorLog(const QString &sourceFile, const QDateTime &timestamp)
    : m_sourceFile(sourceFile), m_timestamp(timestamp)
{}

ImportErrorLog::~ImportErrorLog() { close(); }

void ImportErrorLog::write(const QString &message)
{
    if (!m_tried) {
        m_tried = true;
        m_file = CreateErrorLog(m_sourceFile, m_timestamp);
    }
    if (!m_file)
        return;
    const QByteArray entry = (QStringLiteral("----------") + CrLf + message).toUtf8();
    if (m_file->write(entry) == entry.size())
        ++m_entries;
}

void ImportErrorLog::close()
{
    if (m_file)
        m_file->close();
}

QString ImportErrorLog::path() const { return m_file ? m_file->fileName() : QString(); }

// --- The import -----------------------------------------------------------------------------

void WalkDataBlock(CFilterColumns &columns, DataBlockLines &lines, ImportErrorLog &log, ImportReport &report)
{
    traced("WalkDataBlock", Module, [&] { BlockWalker(columns, log, report).run(lines); });
}

bool AnalyzeDataBlock(CSearchFilter *searchFilter, const QDateTime &dtmTimestamp, const QString &strSourceFile,
                      ISearchBaseEntry *dflThis, const QByteArray &baData, ImportReport *report)
{
    ImportReport local;
    ImportReport &out = report ? *report : local;
    out = ImportReport();
    ImportErrorLog log(strSourceFile, dtmTimestamp);
    const bool done = traced("AnalyzeDataBlock", Module, false, [&](bool &result) {
        require(searchFilter && searchFilter->Exists(), QStringLiteral("the search filter is not set up"));
        CFilterColumns &columns = *searchFilter->FilterColumns();
        // The block's values go into columns holding nothing, so that a column the block does not
        // name is blank and its stored value is left alone by the write. A keyword list is
        // written whole, so the lists the block does not name are read first.
        for (CFilterColumn *column : columns.NewEnum()) {
            column->setSavedValue(CFilterColumns::MissingFieldValue(column->ColumnType()));
            column->SavedKeys() = QStringList();
        }
        DataBlockLines lines = DataBlockToStringCollection(baData);
        if (!lines.isEmpty())
            WalkDataBlock(columns, lines, log, out);
        if (out.stored.isEmpty()) {
            result = true;
            return;
        }
        const QString seek = columns.SearchTableSeekCriteria(dflThis);
        for (CFilterColumn *column : columns.NewEnum()) {
            if (column->ColumnType() == fcKeyword && !out.stored.contains(column->Name()))
                require(columns.GetDataKeyword(dflThis, column, seek),
                        QStringLiteral("the keywords of the record cannot be read"));
        }
        result = columns.CopyData(dflThis);
    });
    log.close();
    out.logPath = log.path();
    out.logFailed = log.failed();
    return done;
}

} // namespace KvoPlx800SCtl::basImport
