#pragma once

#include "core/variant.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>

namespace KvoPlx800SCtl {

class CFilterColumn;
class CFilterColumns;
class CSearchFilter;
class ISearchBaseEntry;

// Import of search values from a data block carried in a file, for instance in the comments of
// an NC program:
//
//     (Begin Search Data)
//     (Material: 1.4301)
//     (Tags: turned, deburred)
//     (Remarks:)
//     (Start Note)
//     (Line: first line)
//     (Line: second line)
//     (End Note)
//     (End Search Data)
//
// Markers and field names are compared without regard to case, and every line may be written in
// parentheses. Lines that cannot be used go to an error log in a folder next to the file:
// <file's folder>/ImportSearchDataErrors/<yyyyMMdd_hhmmss>/<file name>.ImportErrors.log, beside a
// copy of the file.
//
// Text of the lines: the bytes of a line are read as UTF-8 when they are valid UTF-8, otherwise as
// Latin-1 (each line on its own, so a file in a single-byte code page still gives its ASCII lines
// and markers unchanged). A UTF-8 byte order mark at the start of the data is skipped.
namespace basImport {

inline constexpr const char *ErrorFolderName = "ImportSearchDataErrors";
inline constexpr const char *ErrorLogSuffix = ".ImportErrors.log";

// The lines of a data block, split as they are asked for: a run of CR and LF bytes ends a line, so
// there are no empty lines, and the last line needs no line end. The bytes are not copied; the
// data must outlive the object.
class DataBlockLines
{
public:
    explicit DataBlockLines(QByteArrayView data);

    // Whether the data holds no line at all.
    bool isEmpty() const;
    // The bytes of the next line; false after the last one.
    bool nextBytes(QByteArrayView *line);
    // The text of the next line; false after the last one.
    bool next(QString *line);
    // The text of a line's bytes (UTF-8 when valid, else Latin-1).
    static QString lineText(QByteArrayView bytes);
    // How far the data has been read (bytes from its start).
    qsizetype position() const { return m_position; }

private:
    QByteArrayView m_data;
    qsizetype m_position = 0;
};

// A value read from a data block: the keyword list of a keyword column, else a typed value.
struct ImportValue
{
    Variant value;
    QStringList keywords;
};

// What one import did, for a host that wants to tell its user.
struct ImportReport
{
    bool blockFound = false;
    QStringList stored;     // names of the columns that took a value, in the order first stored
    int errors = 0;         // lines that could not be used
    QString logPath;        // the error log written, empty when none
    bool logFailed = false; // errors happened but no log could be written
};

// The error log of one import run; the folder, the copy of the source file and the log are made
// at the first entry. When that fails no further attempt is made and entries are dropped.
class ImportErrorLog
{
public:
    ImportErrorLog(const QString &sourceFile, const QDateTime &timestamp);
    ~ImportErrorLog();
    ImportErrorLog(const ImportErrorLog &) = delete;
    ImportErrorLog &operator=(const ImportErrorLog &) = delete;

    // Writes one entry: ten "-", CR LF, then the message (which brings its own line ends).
    void write(const QString &message);
    void close();
    int entries() const { return m_entries; }
    // The log's path once it exists, else empty.
    QString path() const;
    bool failed() const { return m_tried && !m_file; }

private:
    QString m_sourceFile;
    QDateTime m_timestamp;
    std::unique_ptr<QFile> m_file;
    bool m_tried = false;
    int m_entries = 0;
};

// The folder of the error log for a source file and time stamp.
QString ErrorLogFolder(const QString &sourceFile, const QDateTime &timestamp);
// The time stamp as a folder name, "yyyyMMdd_hhmmss" with a 24-hour clock.
QString TimestampText(const QDateTime &timestamp);

// Reads the data block in `baData` into the record `dflThis` of the search filter's column set:
// reads the record's values, takes the values of the block's lines and writes every column back
// when anything was taken. `report` (optional) receives what happened. False when the record's
// values could not be read (nothing is written then) or not all of them could be written.
[[nodiscard]] bool AnalyzeDataBlock(CSearchFilter *searchFilter, const QDateTime &dtmTimestamp,
                                    const QString &strSourceFile, ISearchBaseEntry *dflThis, const QByteArray &baData,
                                    ImportReport *report = nullptr);
// The walk over the lines: values go into the columns' SavedValue and SavedKeys, unusable lines
// into the log. Writes nothing to the database.
void WalkDataBlock(CFilterColumns &columns, DataBlockLines &lines, ImportErrorLog &log, ImportReport &report);

DataBlockLines DataBlockToStringCollection(const QByteArray &baData);
// Whether a line is a marker: the marker itself or the marker in parentheses, without regard to
// case or to blanks around it and inside the parentheses.
bool TestTextIsMatch(const QString &strText, const QString &strMatch);
// Splits a field line into name and value (both trimmed) at the first ":"; leading "(" with their
// trailing ")" are removed first. False for a line that is empty after that.
bool ParseLine(const QString &strLine, QString *strName, QString *strValue);
// Converts a value text to the column's type; false when it does not convert.
[[nodiscard]] bool ParseValue(const CFilterColumn *column, const QString &strText, ImportValue *value);
// Puts a converted value into the column's SavedValue, or its SavedKeys for a keyword column.
[[nodiscard]] bool SaveField(CFilterColumn *column, const ImportValue &value);
// Makes the log folder, copies the source file into it and creates the log; nullptr when any
// step but the copy fails.
std::unique_ptr<QFile> CreateErrorLog(const QString &strSourceFile, const QDateTime &dtmTimestamp);

} // namespace basImport
} // namespace KvoPlx800SCtl
