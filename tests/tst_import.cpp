// Importing data blocks: splitting bytes into lines, markers, field lines and values, the walk
// over a block with its error log, and storing sample NC programs on every engine.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "data/basimport.h"

#include "hostkit/connection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace KvoPlx800SCtl;
using namespace Qt::StringLiterals;
using KvoPlx800SCtl::ColumnDefinition;
namespace bi = KvoPlx800SCtl::basImport;

Q_DECLARE_METATYPE(KvoPlx800SCtl::FilterColumnTypeConstants)

namespace {

const QDateTime Stamp = Convert::makeDate(QDate(2024, 3, 15), QTime(14, 30, 5));
const QString LogFolder = u"ImportSearchDataErrors/20240315_143005"_s;

// The columns the sample programs fill.
const QList<ColumnDefinition> SampleColumns = {
        {"Material", fcText, "Stock", 60}, {"OrderNo", fcInteger32, {}, 0}, {"ToolCount", fcInteger16, {}, 0},
        {"CycleTime", fcSingle, {}, 0},    {"Weight", fcDouble, {}, 0},     {"Released", fcDateTime, {}, 0},
        {"Approved", fcBoolean, {}, 0},    {"Tags", fcKeyword, {}, 60},     {"Setup", fcNote, {}, 60}};

// A column set of the sample columns without a database.
struct SampleSet : CFilterColumns
{
    SampleSet()
    {
        for (const ColumnDefinition &c : SampleColumns)
            QVERIFY(KvoTest::addColumn(*this, c));
    }
};

// A column's value as "Name=text": keywords sorted and joined by "|", other values in their
// C-locale text form.
QString describe(const CFilterColumn *column)
{
    QStringList keys = column->SavedKeys();
    keys.sort();
    return column->Name() + u'='
           + (column->ColumnType() == fcKeyword ? keys.join(u'|') : column->SavedValue().toText());
}

// Every column described, joined by "; ".
QString describeAll(const CFilterColumns &set)
{
    QStringList out;
    for (const CFilterColumn *c : set.NewEnum())
        out.append(describe(c));
    return out.join(u"; ");
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString dataDir() { return QFINDTESTDATA("data/import"); }

// Log entries as the import writes them.
QString entry(const QString &line, const QString &message)
{
    return u"----------\r\nError processing line: "_s + line + u"\r\n"_s + message;
}
QString unknownName(const QString &line, const QString &name, const QString &value)
{
    return entry(line, u"Specified name does not match a defined Search Criteria field\r\nSpecified name: %1\r\n"
                       "Specified value: %2\r\n"_s.arg(name, value));
}
QString unconvertible(const QString &line, const QString &field, const QString &type, const QString &value)
{
    return entry(line, u"Cannot convert specified value to the data type of the specified field\r\nField name: %1\r\n"
                       "Field type: %2\r\nSpecified value: %3\r\n"_s.arg(field, type, value));
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

    KvoTest::Host *sharedHost()
    {
        return m_hosts.get([] { return KvoTest::makeHost(8, SampleColumns); });
    }

    KvoTest::HostPerEngine m_hosts;

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanupTestCase() { m_hosts.clear(); }

    void splitsLines_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("lines");
        // The sample programs bring the plain CR LF, LF and CR forms and UTF-8 and Latin-1 lines.
        const QStringList ab = {"a", "b"};
        QTest::newRow("runs of line ends are one end") << QByteArray("\r\n\r\na\r\r\n\n\n\rb") << ab;
        QTest::newRow("last line without end") << QByteArray("a\r\nb") << ab;
        QTest::newRow("nothing") << QByteArray() << QStringList();
        QTest::newRow("only line ends") << QByteArray("\r\n\n\r") << QStringList();
        QTest::newRow("blanks are a line") << QByteArray("  \n\tx ") << QStringList{"  ", "\tx "};
        QTest::newRow("byte order mark skipped") << QByteArray("\xEF\xBB\xBF") + "a\nb" << ab;
        QTest::newRow("each line on its own") << QByteArray("\xC3\xBC\n\xFC\n\xC3") << QStringList{"ü", "ü", "Ã"};
    }

    void splitsLines()
    {
        KVO_SQLITE_ONLY("no database work: SQLite covers it");
        QFETCH(QByteArray, data);
        QFETCH(QStringList, lines);
        bi::DataBlockLines split = bi::DataBlockToStringCollection(data);
        QCOMPARE(split.isEmpty(), lines.isEmpty());
        QStringList got;
        QString line;
        while (split.next(&line))
            got.append(line);
        QCOMPARE(got, lines);
        QVERIFY(!split.next(&line));
    }

    void parsesLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        // Plain parentheses, empty values and unusable lines are in the sample programs.
        const auto row = [](const char *title, const char *line, bool ok, const char *name = "",
                            const char *value = "") {
            QTest::newRow(title) << QString::fromUtf8(line) << ok << QString::fromUtf8(name)
                                 << QString::fromUtf8(value);
        };
        row("name and value", "Weight: 2.5", true, "Weight", "2.5");
        row("nested parentheses", " ( (Weight: 2.5) ) ", true, "Weight", "2.5");
        row("parentheses in the value stay", "Material: (cast)", true, "Material", "(cast)");
        row("no colon", "(End Note)", true, "End Note", "");
        row("blank", "   ", false);
    }

    void parsesLines()
    {
        KVO_SQLITE_ONLY("no database work: SQLite covers it");
        QFETCH(QString, line);
        QFETCH(bool, ok);
        QString name = u"untouched"_s;
        QString value = u"untouched"_s;
        QCOMPARE(bi::ParseLine(line, &name, &value), ok);
        if (ok) {
            QTEST(name, "name");
            QTEST(value, "value");
        }
    }

    void parsesValues_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<FilterColumnTypeConstants>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("value"); // type name ":" C-locale text, or keywords joined by "|"
        // `value` nullptr: the text is refused. The number and date forms themselves are those of
        // the conversions module (tested there); these rows show that they are the ones used.
        const auto row = [](const char *name, FilterColumnTypeConstants type, const QString &text, const char *value,
                            const char *locale = "C") {
            QTest::newRow(name) << QString::fromLatin1(locale) << type << text << (value != nullptr)
                                << QString::fromUtf8(value);
        };
        row("int16 half to even down", fcInteger16, u"2.5"_s, "Int16:2");
        row("int16 too large", fcInteger16, u"40000"_s, nullptr);
        row("int16 blank", fcInteger16, QString(), nullptr);
        row("single", fcSingle, u"0.75"_s, "Single:0.75");
        row("double decimal comma", fcDouble, u"1,5"_s, "Double:1.5", "de_DE");
        row("date in the locale's form", fcDateTime, u"15.03.2024"_s, "Date:2024-03-15 00:00:00", "de_DE");
        row("yes", fcBoolean, u"Yes"_s, "Boolean:True");
        row("NO", fcBoolean, u"NO"_s, "Boolean:False");
        row("zero", fcBoolean, u"0"_s, "Boolean:False");
        row("fraction is true", fcBoolean, u"0,5"_s, "Boolean:True", "de_DE");
        row("minus one", fcBoolean, u"-1"_s, "Boolean:True");
        row("maybe", fcBoolean, u"maybe"_s, nullptr);
        row("text trimmed", fcText, u"  a b  "_s, "Text:a b");
        const QString x255(255, u'x');
        QTest::newRow("text of 255") << u"C"_s << fcText << x255 << true << u"Text:"_s + x255;
        row("text too long", fcText, x255 + u'x', nullptr);
        row("note", fcNote, u" n "_s, "Text:n");
        row("keyword parts are trimmed", fcKeyword, u"a, b ,c"_s, "a|b|c");
        row("keywords without empty parts", fcKeyword, u",a,,b,"_s, "a|b");
        row("keyword too long", fcKeyword, u"a,"_s + QString(256, u'k'), nullptr);
        row("undefined type", fcUndefined, u"1"_s, nullptr);
    }

    void parsesValues()
    {
        KVO_SQLITE_ONLY("no database work: SQLite covers it");
        QFETCH(QString, locale);
        QFETCH(FilterColumnTypeConstants, type);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        const KvoTest::DefaultLocale inLocale(locale);
        CFilterColumn column(nullptr);
        column.setName(u"C"_s);
        column.setColumnType(type);
        bi::ImportValue value;
        QCOMPARE(bi::ParseValue(&column, text, &value), ok);
        if (ok)
            QTEST(type == fcKeyword ? value.keywords.join(u'|') : KvoTest::typed(value.value), "value");
    }

    void walksBlocks_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("stored"); // "Name=value" of each column that took a value
        QTest::addColumn<QString>("log");        // the whole log, empty when none may exist
        // More forms are in the sample programs: blocks without an end, a second block, markers
        // in other case, note runs (open at the end, interrupted), keywords with blanks.
        const auto row = [](const char *name, const QString &input, const QStringList &stored,
                            const QString &log = {}) { QTest::newRow(name) << input << stored << log; };
        row("lines before the block are ignored",
            u"Weight: 9\nNothing: 1\nBegin Search Data\nOrderNo: 12\nEnd Search Data"_s, {"OrderNo=12"});
        row("later line wins, lookup by caption", u"Begin Search Data\nMaterial: steel\nSTOCK: brass\n"_s,
            {"Material=brass"});
        row("note without run keeps its value", u"Begin Search Data\nSetup: one line\nWeight: 1\n"_s,
            {"Setup=one line", "Weight=1"});
        row("empty first note line adds no line end",
            u"Begin Search Data\nSetup:\nStart Note\nLine:\nLine: a\nLine:\nEnd Note"_s, {"Setup=a\r\n"});
        row("unusable note line has no line end", u"Begin Search Data\nSetup:\nStart Note\n()\n:x\nEnd Note"_s,
            {"Setup="},
            entry(u"()"_s, u"Cannot split this line into a name:value pair.\r\n"
                           "Failed to extract next line in note for field 'Setup'"_s)
                    + entry(u":x"_s, u"This line is not the next line of the multiple-line Note field 'Setup'\r\n"
                                     "Specified name: \r\nExpected name: Line\r\n"_s));
        const QString a250(250, u'a');
        row("note that outgrows its field",
            u"Begin Search Data\nSetup:\nStart Note\nLine: %1\nLine: bbbb\nLine: ccc\nEnd Note"_s.arg(a250),
            {u"Setup="_s + a250 + u"\r\nccc"_s}, unconvertible(u"Line: bbbb"_s, u"Setup"_s, u"Note"_s, u"bbbb"_s));
        row("one log, an entry per error",
            u"Begin Search Data\n(Colour: red)\n(ToolCount: 1.5)\n(ToolCount: many)\n()\n: 5"_s, {"ToolCount=2"},
            unknownName(u"(Colour: red)"_s, u"Colour"_s, u"red"_s)
                    + unconvertible(u"(ToolCount: many)"_s, u"ToolCount"_s, u"Integer (16-bit)"_s, u"many"_s)
                    + entry(u"()"_s, u"Cannot split this line into a name:value pair.\r\n"_s)
                    + unknownName(u": 5"_s, QString(), u"5"_s));
        row("markers out of place are field lines", u"Begin Search Data\nStart Note\nBegin Search Data"_s, {},
            unknownName(u"Start Note"_s, u"Start Note"_s, QString())
                    + unknownName(u"Begin Search Data"_s, u"Begin Search Data"_s, QString()));
    }

    void walksBlocks()
    {
        KVO_SQLITE_ONLY("no database work: SQLite covers it");
        QFETCH(QString, input);
        QFETCH(QStringList, stored);
        QFETCH(QString, log);

        SampleSet set;
        QTemporaryDir dir;
        const QString source = dir.filePath(u"P1.nc"_s);
        const QByteArray data = input.toUtf8();
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(data);
        }
        bi::ImportErrorLog errorLog(source, Stamp);
        bi::ImportReport report;
        bi::DataBlockLines lines = bi::DataBlockToStringCollection(data);
        bi::WalkDataBlock(set, lines, errorLog, report);
        errorLog.close();

        QStringList got;
        for (const QString &name : std::as_const(report.stored))
            got.append(describe(set.Item(name)));
        got.sort();
        QCOMPARE(got, stored);
        if (log.isEmpty()) {
            QVERIFY(report.errors == 0 && !QFileInfo::exists(dir.filePath(u"ImportSearchDataErrors"_s)));
            return;
        }
        const QString folder = dir.filePath(LogFolder);
        QCOMPARE(errorLog.path(), folder + u"/P1.nc.ImportErrors.log"_s);
        QCOMPARE(readAll(errorLog.path()), log.toUtf8());
        QCOMPARE(errorLog.entries(), report.errors);
        QCOMPARE(readAll(folder + u"/P1.nc"_s), data);
    }

    void importsSamplePrograms_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("record");
        // Every column after the import: a record without a row reads Null (""), a new row holds the
        // table's defaults (0 for numbers and Booleans, NULL for dates).
        QTest::addColumn<QString>("values");
        QTest::addColumn<QStringList>("stored");
        const auto row = [](const char *name, int record, const QString &values, const QStringList &stored) {
            QTest::newRow(name) << u"O100%1.nc"_s.arg(record) << record << values << stored;
        };
        row("CR LF, every type", 1,
            u"Material=1.4301 X5CrNi18-10; OrderNo=48213; ToolCount=7; CycleTime=12.5; Weight=2.375; "
            "Released=2024-03-15 14:30:00; Approved=True; Tags=flange|op10|stainless; Setup=Clamp on jaws: soft"_s,
            {"Material", "OrderNo", "ToolCount", "CycleTime", "Weight", "Released", "Approved", "Tags", "Setup"});
        row("LF, note run, errors", 2,
            u"Material=42CrMo4; OrderNo=0; ToolCount=2; CycleTime=0; Weight=0; Released=; Approved=False; Tags=; "
            "Setup=Face first.\r\nCheck runout < 0.02\r\nDeburr"_s,
            {"Material", "ToolCount", "Setup", "Approved"});
        row("CR, open block and note at the end", 3,
            u"Material=; OrderNo=2147483647; ToolCount=0; CycleTime=0.75; Weight=0; Released=2024-02-29 00:00:00; "
            "Approved=False; Tags=bracket; Setup=Use vise 2\r\nTorque 40 Nm"_s,
            {"OrderNo", "CycleTime", "Released", "Tags", "Setup"});
        row("Latin-1 and UTF-8", 4,
            u"Material=Messing Ø 40; OrderNo=0; ToolCount=0; CycleTime=0; Weight=0; Released=; Approved=True; "
            "Tags=Prüfteil|Ø40; Setup="_s,
            {"Material", "Tags", "Approved"});
        row("no block", 5,
            u"Material=; OrderNo=; ToolCount=; CycleTime=; Weight=; Released=; Approved=False; Tags=; Setup="_s, {});
        row("first block only, empty keyword list", 6,
            u"Material=; OrderNo=0; ToolCount=0; CycleTime=0; Weight=1.5; Released=; Approved=False; Tags=; Setup="_s,
            {"Weight", "Tags"});
    }

    void importsSamplePrograms()
    {
        QFETCH(QString, program);
        QFETCH(int, record);
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        QVERIFY(!dataDir().isEmpty());
        QTemporaryDir dir;
        const QString source = dir.filePath(program);
        QVERIFY(QFile::copy(dataDir() + u"/programs/"_s + program, source));
        const QByteArray data = readAll(source);
        QVERIFY(!data.isEmpty());

        CMergeBaseEntry entry(record);
        bi::ImportReport report;
        QVERIFY(bi::AnalyzeDataBlock(host->filter.get(), Stamp, source, &entry, data, &report));
        QTEST(report.stored, "stored");
        QVERIFY(host->columns()->GetData(&entry));
        QTEST(describeAll(*host->columns()), "values");

        const QString logName = program + QLatin1String(bi::ErrorLogSuffix);
        const QString expectedLog = dataDir() + u"/expected/"_s + logName;
        if (!QFileInfo::exists(expectedLog)) {
            QCOMPARE(report.errors, 0);
            QVERIFY(report.logPath.isEmpty());
            QVERIFY(!QFileInfo::exists(dir.filePath(u"ImportSearchDataErrors"_s)));
            return;
        }
        const QString folder = dir.filePath(LogFolder);
        QCOMPARE(report.logPath, folder + u'/' + logName);
        QCOMPARE(readAll(report.logPath), readAll(expectedLog));
        QCOMPARE(readAll(folder + u'/' + program), data);
    }

    void keepsFieldsTheBlockDoesNotName()
    {
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CFilterColumns &set = *host->columns();
        CMergeBaseEntry entry(7);
        set.Item("Material")->setUpdatedValue(Variant::text(u"cast iron"_s));
        set.Item("Weight")->setUpdatedValue(Variant::dbl(4.5));
        set.Item("Approved")->setUpdatedValue(Variant::boolean(true));
        QVERIFY(set.SaveDataFromClientUpdates(&entry));
        QVERIFY(set.GetData(&entry));
        set.Item("Tags")->SavedKeys() = QStringList{u"old"_s};
        QVERIFY(set.CopyData(&entry));

        // Through the search filter's public entry; no file behind the bytes, no errors to log.
        QVERIFY(host->filter->AnalyzeDataBlock(
                Stamp, QString(), &entry, "(Begin Search Data)\n(Weight: 6.25)\n(Setup: new)\n(End Search Data)\n"));
        QVERIFY(set.GetData(&entry));
        QCOMPARE(describeAll(set), u"Material=cast iron; OrderNo=0; ToolCount=0; CycleTime=0; Weight=6.25; Released=; "
                                   "Approved=True; Tags=old; Setup=new"_s);

        // A keyword line replaces the record's keywords.
        QVERIFY(host->filter->AnalyzeDataBlock(Stamp, QString(), &entry, "Begin Search Data\r\nTags: x,y\r\n"));
        QVERIFY(set.GetData(&entry));
        QCOMPARE(describe(set.Item("Tags")) + describe(set.Item("Weight")), u"Tags=x|yWeight=6.25"_s);
    }

    void storesNothingWithoutUsableLines()
    {
        KvoTest::Host *host = sharedHost();
        QVERIFY(host);
        CMergeBaseEntry entry(8);
        QTemporaryDir dir;
        bi::ImportReport report;
        QVERIFY(bi::AnalyzeDataBlock(host->filter.get(), Stamp, dir.filePath(u"bad.nc"_s), &entry,
                                     "Begin Search Data\nWeight: heavy\nNothing: 1\n", &report));
        QVERIFY(report.blockFound && report.stored.isEmpty() && !report.logPath.isEmpty());
        QCOMPARE(report.errors, 2);
        QCOMPARE(KvoTest::cell(host->connection(), u"SELECT COUNT(*) FROM [PartsSearchData] WHERE "_s
                                                           + host->columns()->SearchTableSeekCriteria(&entry))
                         .toInt(),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
