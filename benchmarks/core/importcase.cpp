// Case 5: the data blocks of NC program files imported through AnalyzeDataBlock, against a
// hand-written reader that takes the same values from the same files and writes them with plain
// statements.
#include "cases.h"

#include "columns/cfiltercolumns.h"
#include "core/csearchfilter.h"
#include "data/basimport.h"

#include "hostkit/adotypes.h"
#include "hostkit/dialect.h"
#include "hostkit/tablestructure.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace KvoBench {

namespace {

const QString Base = QStringLiteral("Files");
const QString Key = QStringLiteral("FileId");
const QString SearchData = QStringLiteral("FilesSearchData");
const QString Keywords = QStringLiteral("FilesSearchKeywordTags");

const QList<KvoPlx800SCtl::ColumnDefinition> &Columns = programColumns();

constexpr qint64 MinSize = 10 * 1024;
constexpr qint64 MaxSize = 1024 * 1024;

// The data block of file `index` (record index + 1).
QByteArray dataBlock(int index)
{
    const quint64 i = quint64(index);
    const auto h = [i](int field) { return mix(i, quint64(100 + field)); };
    QByteArray block;
    block += "%\r\nO" + QByteArray::number(index + 1).rightJustified(7, '0') + " (BENCH PROGRAM)\r\n";
    block += "(Begin Search Data)\r\n";
    block += "(Material: Material " + QByteArray::number(h(1) % 40) + ")\r\n";
    block += "(Customer: Customer " + QByteArray::number(h(2) % 2000) + ")\r\n";
    block += "(PartNo: P-" + QByteArray::number(h(3) % 1000000) + ")\r\n";
    block += "(Quantity: " + QByteArray::number(h(4) % 10000) + ")\r\n";
    block += "(Operation: " + QByteArray::number(10 * (1 + h(5) % 99)) + ")\r\n";
    block += "(Weight: " + QByteArray::number(double(h(6) % 1000000) / 1000.0, 'f', 3) + ")\r\n";
    block += "(Tolerance: " + QByteArray::number(double(h(7) % 1000) / 1000.0, 'f', 3) + ")\r\n";
    block += "(Released: "
             + QDateTime(QDate(2015, 1, 1), QTime(0, 0), Qt::UTC)
                       .addSecs(qint64(h(8) % (3650ull * 86400ull)))
                       .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                       .toLatin1()
             + ")\r\n";
    block += QByteArray("(Approved: ") + (h(9) % 2 ? "Yes" : "No") + ")\r\n";
    block += "(Remarks: see note)\r\n(Start Note)\r\n(Line: Clamp at " + QByteArray::number(h(10) % 90)
             + " mm)\r\n(Line: Deburr all edges)\r\n(End Note)\r\n";
    block +=
            "(Tags: tag-" + QByteArray::number(h(11) % 100) + ",tag-" + QByteArray::number(100 + h(12) % 100) + ")\r\n";
    block += "(End Search Data)\r\n";
    return block;
}

// A megabyte of program text that the files take their bodies from.
const QByteArray &programText()
{
    static const QByteArray text = [] {
        QByteArray t;
        t.reserve(MaxSize + 64);
        for (int n = 1; t.size() < MaxSize; ++n) {
            const quint64 h = mix(quint64(n), 7);
            t += "N" + QByteArray::number(n * 10) + " G01 X" + QByteArray::number(double(h % 200000) / 1000.0, 'f', 3)
                 + " Y" + QByteArray::number(double((h >> 20) % 200000) / 1000.0, 'f', 3) + " F"
                 + QByteArray::number(500 + (h >> 40) % 1500) + "\r\n";
        }
        return t;
    }();
    return text;
}

} // namespace

ImportFiles::ImportFiles(const QString &workDir, int count)
    : m_dir(QDir(workDir).filePath(QStringLiteral("kvo_bench_files_XXXXXX")))
{
    if (!m_dir.isValid())
        die(QStringLiteral("no folder for the import files in %1").arg(workDir));
    const QByteArray &body = programText();
    for (int i = 0; i < count; ++i) {
        // Sizes spread evenly on a log scale from 10 KB to 1 MB; the first file is the largest, so a
        // run over the first files already meets the largest one.
        const double u = i == 0 ? 1.0 : double(mix(quint64(i), 99) >> 11) / double(1ull << 53);
        const qint64 size = qint64(double(MinSize) * std::pow(double(MaxSize) / double(MinSize), u));
        const QByteArray head = dataBlock(i);
        const QString path = m_dir.filePath(QStringLiteral("O%1.nc").arg(i + 1, 7, 10, QLatin1Char('0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size()
            || file.write(body.constData(), qMax<qint64>(0, size - head.size())) < 0)
            die(QStringLiteral("cannot write %1").arg(path));
        m_totalBytes += file.size();
        m_paths.push_back(path);
    }
}

ImportFiles::~ImportFiles() = default;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        die(QStringLiteral("cannot read %1").arg(path));
    return file.readAll();
}

// --- The hand-written reader --------------------------------------------------------------

// A marker line, with or without parentheses, in any letter case.
bool isMarker(QByteArrayView line, QByteArrayView marker)
{
    line = line.trimmed();
    if (line.size() >= 2 && line.front() == '(' && line.back() == ')')
        line = line.sliced(1, line.size() - 2).trimmed();
    return line.compare(marker, Qt::CaseInsensitive) == 0;
}

// "(Name: value)" into name and value.
bool splitLine(QByteArrayView line, QString *name, QString *value)
{
    line = line.trimmed();
    while (line.startsWith('(')) {
        line = line.sliced(1);
        if (line.endsWith(')'))
            line.chop(1);
        line = line.trimmed();
    }
    const qsizetype colon = line.indexOf(':');
    if (line.isEmpty() || colon < 0)
        return false;
    *name = QString::fromUtf8(line.first(colon)).trimmed();
    *value = QString::fromUtf8(line.sliced(colon + 1)).trimmed();
    return true;
}

class PlainImporter
{
public:
    PlainImporter(BenchDatabase &db) : m_db(db), m_c(db.connection()) {}

    // Reads the block of one file and writes its values; false when the block is not usable.
    bool import(qint64 record, const QByteArray &data);

private:
    void run(const QString &sql);

    BenchDatabase &m_db;
    Connection &m_c;
};

void PlainImporter::run(const QString &sql)
{
    QSqlQuery query(m_c.database());
    if (!query.exec(sql))
        die(QStringLiteral("%1\n  %2").arg(query.lastError().text(), sql));
}

bool PlainImporter::import(qint64 record, const QByteArray &data)
{
    QStringList setList, fields, values, tags;
    const auto add = [&](const QString &field, const QString &literal) {
        setList << m_c.QuoteName(field) + QStringLiteral(" = ") + literal;
        fields << m_c.QuoteName(field);
        values << literal;
    };
    bool inBlock = false;
    bool inNote = false;
    QString note;
    const char *p = data.constData();
    const char *end = p + data.size();
    while (p < end) {
        while (p < end && (*p == '\r' || *p == '\n'))
            ++p;
        const char *start = p;
        while (p < end && *p != '\r' && *p != '\n')
            ++p;
        if (start == p)
            break;
        const QByteArrayView line(start, p - start);
        if (!inBlock) {
            inBlock = isMarker(line, "Begin Search Data");
            continue;
        }
        if (isMarker(line, "End Search Data"))
            break;
        if (inNote) {
            if (isMarker(line, "End Note")) {
                add(QStringLiteral("Remarks"), m_c.QuoteText(note));
                inNote = false;
                continue;
            }
            QString name, value;
            if (!splitLine(line, &name, &value) || name.compare(QLatin1String("Line"), Qt::CaseInsensitive) != 0)
                return false;
            if (!note.isEmpty())
                note += QStringLiteral("\r\n");
            note += value;
            continue;
        }
        if (isMarker(line, "Start Note")) {
            inNote = true;
            note.clear();
            continue;
        }
        QString name, value;
        if (!splitLine(line, &name, &value))
            return false;
        bool ok = true;
        if (name == QLatin1String("Material") || name == QLatin1String("Customer") || name == QLatin1String("PartNo")) {
            add(name, m_c.QuoteText(value));
        } else if (name == QLatin1String("Quantity") || name == QLatin1String("Operation")) {
            add(name, QString::number(value.toInt(&ok)));
        } else if (name == QLatin1String("Weight") || name == QLatin1String("Tolerance")) {
            add(name, QString::number(value.toDouble(&ok), 'g', 17));
        } else if (name == QLatin1String("Released")) {
            const QDateTime when = QDateTime::fromString(value, Qt::ISODate);
            ok = when.isValid();
            add(name, m_c.SqlDateLiteral(when));
        } else if (name == QLatin1String("Approved")) {
            ok = value.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0
                 || value.compare(QLatin1String("No"), Qt::CaseInsensitive) == 0;
            add(name, value.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0 ? QStringLiteral("1")
                                                                                    : QStringLiteral("0"));
        } else if (name == QLatin1String("Tags")) {
            tags = value.split(QLatin1Char(','));
        } else if (name != QLatin1String("Remarks")) {
            ok = false;
        }
        if (!ok)
            return false;
    }

    const QString key = QString::number(record);
    const QString where = QStringLiteral(" WHERE ") + m_c.QuoteName(Key) + QStringLiteral(" = ") + key;
    QSqlQuery update(m_c.database());
    if (!update.exec(QStringLiteral("UPDATE ") + m_c.QuoteName(SearchData) + QStringLiteral(" SET ")
                     + setList.join(QStringLiteral(", ")) + where))
        die(update.lastError().text());
    if (update.numRowsAffected() == 0)
        run(QStringLiteral("INSERT INTO ") + m_c.QuoteName(SearchData) + QStringLiteral(" (") + m_c.QuoteName(Key)
            + QStringLiteral(", ") + fields.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") + key
            + QStringLiteral(", ") + values.join(QStringLiteral(", ")) + QStringLiteral(")"));
    QSqlDatabase &db = m_c.database();
    if (m_db.engine() == Engine::SQLite)
        run(QStringLiteral("BEGIN IMMEDIATE"));
    else if (!db.transaction())
        die(db.lastError().text());
    run(QStringLiteral("DELETE FROM ") + m_c.QuoteName(Keywords) + where);
    for (const QString &tag : std::as_const(tags))
        run(QStringLiteral("INSERT INTO ") + m_c.QuoteName(Keywords) + QStringLiteral(" (") + m_c.QuoteName(Key)
            + QStringLiteral(", ") + m_c.QuoteName(QStringLiteral("Tags")) + QStringLiteral(") VALUES (") + key
            + QStringLiteral(", ") + m_c.QuoteText(tag) + QStringLiteral(")"));
    if (!db.commit())
        die(db.lastError().text());
    return true;
}

} // namespace

void runImportCase(BenchDatabase &db, const Options &options, const Recorder &recorder, const ImportFiles &files,
                   bool indexed)
{
    Connection &c = db.connection();
    const int n = files.count();
    TableStructure s(Base);
    s.addField(Key, adInteger, 0, false);
    s.addField(QStringLiteral("Path"), adVarWChar, 255);
    s.addKey(QStringLiteral("PK_") + Base, KeyKind::Primary, {Key});
    if (!s.Create(db.catalog()))
        die(s.lastError());
    insertRows(db, Base, {Key, QStringLiteral("Path")}, 1, n,
               [&](qint64 r) { return QStringLiteral("(%1, %2)").arg(r).arg(c.QuoteText(files.path(int(r - 1)))); });
    Host host;
    openHost(host, db, Base);
    defineColumns(host, Columns, indexed);
    // Every record has its (empty) search-data row: each import updates one.
    insertRows(db, SearchData, {Key}, 1, n, [](qint64 r) { return QStringLiteral("(%1)").arg(r); });
    db.analyze({Base, SearchData, Keywords});

    const QDateTime stamp = QDateTime::currentDateTime();
    PlainImporter plain(db);

    // First pass (also the warm-up): the library alone, with its peak memory after a tenth of the
    // files and after all of them.
    const bool peakKnown = resetPeakMemory();
    const double startMb = processMemoryMb("VmHWM:");
    double tenthMb = 0;
    const int tenth = qMax(1, n / 10);
    for (int i = 0; i < n; ++i) {
        CMergeBaseEntry entry(i + 1);
        basImport::ImportReport report;
        if (!basImport::AnalyzeDataBlock(host.filter.get(), stamp, files.path(i), &entry, readFile(files.path(i)),
                                         &report))
            die(QStringLiteral("the library reported a failure"));
        if (report.errors != 0 || report.stored.size() != Columns.size())
            die(QStringLiteral("import of %1 on %2: %3 errors, %4 columns stored")
                        .arg(files.path(i), db.engineName())
                        .arg(report.errors)
                        .arg(report.stored.size()));
        if (i + 1 == tenth)
            tenthMb = processMemoryMb("VmHWM:");
    }
    const double allMb = processMemoryMb("VmHWM:");

    // Timed passes, the order alternating from file to file.
    const int passes = qBound(1, options.reps, 2);
    std::vector<double> libraryMs, plainMs;
    QElapsedTimer timer;
    for (int pass = 0; pass < passes; ++pass) {
        qint64 libraryNs = 0, plainNs = 0;
        for (int i = 0; i < n; ++i) {
            for (int side = 0; side < 2; ++side) {
                timer.start();
                if ((side + i + pass) % 2 == 0) {
                    CMergeBaseEntry entry(i + 1);
                    if (!host.filter->AnalyzeDataBlock(stamp, files.path(i), &entry, readFile(files.path(i))))
                        die(QStringLiteral("the library cannot import %1").arg(files.path(i)));
                    libraryNs += timer.nsecsElapsed();
                } else {
                    if (!plain.import(i + 1, readFile(files.path(i))))
                        die(QStringLiteral("the plain reader cannot read %1").arg(files.path(i)));
                    plainNs += timer.nsecsElapsed();
                }
            }
        }
        libraryMs.push_back(double(libraryNs) / 1e6);
        plainMs.push_back(double(plainNs) / 1e6);
    }

    // Both wrote the same values: the first record holds those of its file.
    {
        QSqlQuery check(c.database());
        const QString where = QStringLiteral(" WHERE ") + c.QuoteName(Key) + QStringLiteral(" = 1");
        if (!check.exec(QStringLiteral("SELECT ") + c.QuoteName(QStringLiteral("Quantity")) + QStringLiteral(", ")
                        + c.QuoteName(QStringLiteral("Remarks")) + QStringLiteral(" FROM ") + c.QuoteName(SearchData)
                        + where)
            || !check.next())
            die(QStringLiteral("import on %1: record 1 has no search data").arg(db.engineName()));
        const QByteArray block = dataBlock(0);
        const QByteArray quantity = "(Quantity: " + check.value(0).toByteArray() + ")";
        if (!block.contains(quantity) || !check.value(1).toString().startsWith(QLatin1String("Clamp at ")))
            die(QStringLiteral("import on %1: record 1 does not hold the values of its file").arg(db.engineName()));
    }

    const QString sizes = QStringLiteral("%1 files, %2 MB").arg(n).arg(files.totalBytes() / 1024 / 1024);
    recorder.add({5, QStringLiteral("AnalyzeDataBlock of %1 files%2").arg(n).arg(indexedLabel(indexed)),
                  db.engineName(), median(libraryMs),
                  QStringLiteral("plain reader + statements"), median(plainMs), 1.5, 0,
                  QStringLiteral("%1; %2 passes").arg(sizes).arg(passes)});
    if (peakKnown && tenthMb > 0 && allMb > 0 && !indexed) {
        Result memory{5,
                      QStringLiteral("peak memory of the import: %1 files vs %2").arg(n).arg(tenth),
                      db.engineName(),
                      allMb,
                      QStringLiteral("peak after %1 files").arg(tenth),
                      tenthMb,
                      1.05,
                      0,
                      QStringLiteral("process peak before the import %1 MB").arg(startMb, 0, 'f', 1)};
        memory.unit = QStringLiteral("MB");
        recorder.add(memory);
    }
}

} // namespace KvoBench
