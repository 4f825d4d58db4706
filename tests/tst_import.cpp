// Importing data blocks: splitting bytes into lines, markers, field lines and values, the walk
// over a block with its error log, and storing sample NC programs on every engine.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "data/basimport.h"

#include "hostkit/connection.h"
#include "hostkit/recordset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
namespace bi = KvoPlx800SCtl::basImport;

namespace {

class DefaultLocale
{
public:
    explicit DefaultLocale(const QString &name) { QLocale::setDefault(QLocale(name)); }
    ~DefaultLocale() { QLocale::setDefault(QLocale::c()); }
};

struct ColumnSpec
{
    const char *name;
    const char *caption;
    FilterColumnTypeConstants type;
};

// The columns the sample programs fill.
const ColumnSpec sampleColumns[] = {
        {"Material", "Stock", fcText}, {"OrderNo", "", fcInteger32}, {"ToolCount", "", fcInteger16},
        {"CycleTime", "", fcSingle},   {"Weight", "", fcDouble},     {"Released", "", fcDateTime},
        {"Approved", "", fcBoolean},   {"Tags", "", fcKeyword},      {"Setup", "", fcNote},
};

void addSampleColumns(CFilterColumns &set)
{
    for (const ColumnSpec &c : sampleColumns) {
        const bool textual = c.type == fcText || c.type == fcKeyword || c.type == fcNote;
        set.AddColumn(QString::fromLatin1(c.name), QString::fromLatin1(c.caption), QString(), c.type, textual ? 60 : 0,
                      false, false, QString(), fcDTDM_Configure, Variant::null(), false, QString(), set.Count() + 1);
    }
}

// A column's value as "Name=text": keywords sorted and joined by "|", other values in their
// C-locale text form.
QString describe(const CFilterColumn *column)
{
    if (column->ColumnType() == fcKeyword) {
        QStringList keys = column->SavedKeys();
        keys.sort();
        return column->Name() + QLatin1Char('=') + keys.join(QLatin1Char('|'));
    }
    return column->Name() + QLatin1Char('=') + column->SavedValue().toText();
}

QStringList describeAll(const CFilterColumns &set)
{
    QStringList out;
    for (const CFilterColumn *c : set.NewEnum())
        out.append(describe(c));
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString dataDir() { return QFINDTESTDATA("data/import"); }

const QDateTime stamp = Convert::makeDate(QDate(2024, 3, 15), QTime(14, 30, 5));

} // namespace

Q_DECLARE_METATYPE(KvoPlx800SCtl::FilterColumnTypeConstants)

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void cleanupTestCase() { m_hosts.clear(); }

    // Without a database.
    void splitsLines_data();
    void splitsLines();
    void splitsLazilyAndStopsAtTheEnd();
    void matchesMarkers_data();
    void matchesMarkers();
    void parsesLines_data();
    void parsesLines();
    void parsesValues_data();
    void parsesValues();
    void walksBlocks_data();
    void walksBlocks();
    void errorLogPlace();

    // On every engine.
    void importsSamplePrograms_data();
    void importsSamplePrograms();
    void keepsFieldsTheBlockDoesNotName();
    void storesNothingWithoutUsableLines();

private:
    bool engineIndependent() const { return KvoTest::currentEngine() == QLatin1String("sqlite"); }
    KvoTest::Host *sharedHost();

    std::map<QString, std::unique_ptr<KvoTest::Host>> m_hosts;
};

// --- Lines ----------------------------------------------------------------------------------

void TestImport::splitsLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("lines");

    const QStringList ab = {QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << ab;
    QTest::newRow("LF") << QByteArray("a\nb\n") << ab;
    QTest::newRow("CR") << QByteArray("a\rb\r") << ab;
    QTest::newRow("runs of line ends are one end") << QByteArray("\r\n\r\na\r\r\n\n\n\rb") << ab;
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << ab;
    QTest::newRow("nothing") << QByteArray() << QStringList();
    QTest::newRow("only line ends") << QByteArray("\r\n\n\r") << QStringList();
    QTest::newRow("blanks are a line") << QByteArray("  \n\tx ")
                                       << QStringList{QStringLiteral("  "), QStringLiteral("\tx ")};
    QTest::newRow("byte order mark skipped") << QByteArray("\xEF\xBB\xBF") + "a\nb" << ab;
    QTest::newRow("UTF-8 line") << QByteArray("Messing \xC3\x98 40") << QStringList{QStringLiteral("Messing Ø 40")};
    QTest::newRow("Latin-1 line") << QByteArray("Pr\xFC") + "fteil" << QStringList{QStringLiteral("Prüfteil")};
    QTest::newRow("each line on its own") << QByteArray("\xC3\xBC\n\xFC\n\xC3")
                                          << QStringList{QStringLiteral("ü"), QStringLiteral("ü"), QStringLiteral("Ã")};
}

void TestImport::splitsLines()
{
    if (!engineIndependent())
        QSKIP("no database work: SQLite covers it");
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

void TestImport::splitsLazilyAndStopsAtTheEnd()
{
    if (!engineIndependent())
        QSKIP("no database work: SQLite covers it");
    // A block at the start of a large file: the walk reads no further than its end marker, and
    // the lines are views into the data, not copies.
    QByteArray data("%\r\n(Begin Search Data)\r\n(Weight: 3.5)\r\n(End Search Data)\r\n");
    const qsizetype blockEnd = data.size();
    const QByteArray gcode("G1 X10.5 Y-3.25 F300.\r\n(Begin Search Data)\r\n(Nothing: 1)\r\n");
    data.reserve(blockEnd + 8 * 1024 * 1024);
    while (data.size() < 8 * 1024 * 1024)
        data.append(gcode);

    bi::DataBlockLines lines = bi::DataBlockToStringCollection(data);
    QByteArrayView first;
    QVERIFY(lines.nextBytes(&first));
    QCOMPARE(first.data(), data.constData());
    QCOMPARE(first.size(), 1);

    CFilterColumns set;
    addSampleColumns(set);
    QTemporaryDir dir;
    bi::ImportErrorLog log(dir.filePath(QStringLiteral("big.nc")), stamp);
    bi::ImportReport report;
    bi::DataBlockLines walked = bi::DataBlockToStringCollection(data);
    bi::WalkDataBlock(set, walked, log, report);
    QCOMPARE(report.stored, QStringList{QStringLiteral("Weight")});
    QCOMPARE(report.errors, 0);
    QVERIFY2(walked.position() <= blockEnd, qPrintable(QString::number(walked.position())));
}

// --- Markers, field lines, values -----------------------------------------------------------

void TestImport::matchesMarkers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<bool>("match");

    const QString begin = QStringLiteral("Begin Search Data");
    QTest::newRow("plain") << begin << begin << true;
    QTest::newRow("in parentheses") << QStringLiteral("(Begin Search Data)") << begin << true;
    QTest::newRow("other case") << QStringLiteral("bEGIN sEARCH dATA") << begin << true;
    QTest::newRow("parentheses and case")
            << QStringLiteral("(END SEARCH DATA)") << QStringLiteral("End Search Data") << true;
    QTest::newRow("blanks around") << QStringLiteral("  (  End Note )\t") << QStringLiteral("End Note") << true;
    QTest::newRow("one parenthesis") << QStringLiteral("(End Note") << QStringLiteral("End Note") << false;
    QTest::newRow("double parentheses") << QStringLiteral("((End Note))") << QStringLiteral("End Note") << false;
    QTest::newRow("more text") << QStringLiteral("End Notes") << QStringLiteral("End Note") << false;
    QTest::newRow("inner blanks count") << QStringLiteral("StartNote") << QStringLiteral("Start Note") << false;
    QTest::newRow("field line") << QStringLiteral("Line: x") << QStringLiteral("Line") << false;
}

void TestImport::matchesMarkers()
{
    if (!engineIndependent())
        QSKIP("no database work: SQLite covers it");
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(bool, match);
    QCOMPARE(bi::TestTextIsMatch(text, marker), match);
}

void TestImport::parsesLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    QTest::newRow("name and value") << QStringLiteral("Weight: 2.5") << true << QStringLiteral("Weight")
                                    << QStringLiteral("2.5");
    QTest::newRow("blanks trimmed") << QStringLiteral("  Weight  :   2.5  ") << true << QStringLiteral("Weight")
                                    << QStringLiteral("2.5");
    QTest::newRow("parentheses") << QStringLiteral("(Weight: 2.5)") << true << QStringLiteral("Weight")
                                 << QStringLiteral("2.5");
    QTest::newRow("nested parentheses") << QStringLiteral(" ( (Weight: 2.5) ) ") << true << QStringLiteral("Weight")
                                        << QStringLiteral("2.5");
    QTest::newRow("opening parenthesis only")
            << QStringLiteral("(Weight: 2.5") << true << QStringLiteral("Weight") << QStringLiteral("2.5");
    QTest::newRow("parentheses in the value stay")
            << QStringLiteral("Material: (cast)") << true << QStringLiteral("Material") << QStringLiteral("(cast)");
    QTest::newRow("split at the first colon")
            << QStringLiteral("Setup: jaws: soft") << true << QStringLiteral("Setup") << QStringLiteral("jaws: soft");
    QTest::newRow("no colon") << QStringLiteral("(End Note)") << true << QStringLiteral("End Note") << QString();
    QTest::newRow("empty name") << QStringLiteral(": 5") << true << QString() << QStringLiteral("5");
    QTest::newRow("empty value") << QStringLiteral("(Tags:)") << true << QStringLiteral("Tags") << QString();
    QTest::newRow("empty parentheses") << QStringLiteral("()") << false << QString() << QString();
    QTest::newRow("blank parentheses") << QStringLiteral("( ( ) )") << false << QString() << QString();
    QTest::newRow("blank") << QStringLiteral("   ") << false << QString() << QString();
}

void TestImport::parsesLines()
{
    if (!engineIndependent())
        QSKIP("no database work: SQLite covers it");
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QString name = QStringLiteral("untouched");
    QString value = QStringLiteral("untouched");
    QCOMPARE(bi::ParseLine(line, &name, &value), ok);
    if (ok) {
        QTEST(name, "name");
        QTEST(value, "value");
    }
}

void TestImport::parsesValues_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<FilterColumnTypeConstants>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("value"); // variant type name ":" C-locale text, or keywords joined by "|"

    const QString c = QStringLiteral("C");
    const QString de = QStringLiteral("de_DE");
    QTest::newRow("int16 half to even down")
            << c << fcInteger16 << QStringLiteral("2.5") << true << QStringLiteral("Int16:2");
    QTest::newRow("int16 half to even up")
            << c << fcInteger16 << QStringLiteral("3.5") << true << QStringLiteral("Int16:4");
    QTest::newRow("int16 negative half") << c << fcInteger16 << QStringLiteral("-2.5") << true
                                         << QStringLiteral("Int16:-2");
    QTest::newRow("int16 blanks") << c << fcInteger16 << QStringLiteral(" 12 ") << true << QStringLiteral("Int16:12");
    QTest::newRow("int16 top") << c << fcInteger16 << QStringLiteral("32767.4") << true
                               << QStringLiteral("Int16:32767");
    QTest::newRow("int16 rounds out of range") << c << fcInteger16 << QStringLiteral("32767.5") << false << QString();
    QTest::newRow("int16 too large") << c << fcInteger16 << QStringLiteral("40000") << false << QString();
    QTest::newRow("int16 letters") << c << fcInteger16 << QStringLiteral("12a") << false << QString();
    QTest::newRow("int16 blank") << c << fcInteger16 << QString() << false << QString();
    QTest::newRow("int16 decimal comma") << de << fcInteger16 << QStringLiteral("2,5") << true
                                         << QStringLiteral("Int16:2");
    QTest::newRow("int32 top") << c << fcInteger32 << QStringLiteral("2147483647") << true
                               << QStringLiteral("Int32:2147483647");
    QTest::newRow("int32 too large") << c << fcInteger32 << QStringLiteral("2147483648") << false << QString();
    QTest::newRow("single") << c << fcSingle << QStringLiteral("0.75") << true << QStringLiteral("Single:0.75");
    QTest::newRow("single too large") << c << fcSingle << QStringLiteral("1e39") << false << QString();
    QTest::newRow("double") << c << fcDouble << QStringLiteral("-1.25e3") << true << QStringLiteral("Double:-1250");
    QTest::newRow("double decimal comma")
            << de << fcDouble << QStringLiteral("1,5") << true << QStringLiteral("Double:1.5");
    QTest::newRow("double word") << c << fcDouble << QStringLiteral("heavy") << false << QString();
    QTest::newRow("date ISO") << c << fcDateTime << QStringLiteral("2024-02-29 10:30") << true
                              << QStringLiteral("Date:2024-02-29 10:30:00");
    QTest::newRow("date in the locale's form")
            << de << fcDateTime << QStringLiteral("15.03.2024") << true << QStringLiteral("Date:2024-03-15 00:00:00");
    QTest::newRow("no such day") << c << fcDateTime << QStringLiteral("2024-02-30") << false << QString();
    QTest::newRow("date blank") << c << fcDateTime << QStringLiteral("  ") << false << QString();
    QTest::newRow("yes") << c << fcBoolean << QStringLiteral("Yes") << true << QStringLiteral("Boolean:True");
    QTest::newRow("NO") << c << fcBoolean << QStringLiteral("NO") << true << QStringLiteral("Boolean:False");
    QTest::newRow("true") << c << fcBoolean << QStringLiteral("true") << true << QStringLiteral("Boolean:True");
    QTest::newRow("False") << c << fcBoolean << QStringLiteral("False") << true << QStringLiteral("Boolean:False");
    QTest::newRow("zero") << c << fcBoolean << QStringLiteral("0") << true << QStringLiteral("Boolean:False");
    QTest::newRow("fraction is true") << de << fcBoolean << QStringLiteral("0,5") << true
                                      << QStringLiteral("Boolean:True");
    QTest::newRow("minus one") << c << fcBoolean << QStringLiteral("-1") << true << QStringLiteral("Boolean:True");
    QTest::newRow("maybe") << c << fcBoolean << QStringLiteral("maybe") << false << QString();
    QTest::newRow("text trimmed") << c << fcText << QStringLiteral("  a b  ") << true << QStringLiteral("Text:a b");
    QTest::newRow("text of 255") << c << fcText << QString(255, QLatin1Char('x')) << true
                                 << QStringLiteral("Text:") + QString(255, QLatin1Char('x'));
    QTest::newRow("text too long") << c << fcText << QString(256, QLatin1Char('x')) << false << QString();
    QTest::newRow("note") << c << fcNote << QStringLiteral(" n ") << true << QStringLiteral("Text:n");
    QTest::newRow("keywords keep blanks")
            << c << fcKeyword << QStringLiteral("a, b ,c") << true << QStringLiteral("a| b |c");
    QTest::newRow("keywords without empty parts")
            << c << fcKeyword << QStringLiteral(",a,,b,") << true << QStringLiteral("a|b");
    QTest::newRow("no keywords") << c << fcKeyword << QString() << true << QString();
    QTest::newRow("keyword too long") << c << fcKeyword << QStringLiteral("a,") + QString(256, QLatin1Char('k'))
                                      << false << QString();
    QTest::newRow("undefined type") << c << fcUndefined << QStringLiteral("1") << false << QString();
}

void TestImport::parsesValues()
{
    if (!engineIndependent())
        QSKIP("no database work: SQLite covers it");
    QFETCH(QString, locale);
    QFETCH(FilterColumnTypeConstants, type);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    const DefaultLocale inLocale(locale);
    CFilterColumn column(nullptr);
    column.setName(QStringLiteral("C"));
    column.setColumnType(type);
    bi::ImportValue value;
    QCOMPARE(bi::ParseValue(&column, text, &value), ok);
    if (!ok)
        return;
    if (type == fcKeyword)
        QTEST(value.keywords.join(QLatin1Char('|')), "value");
    else
        QTEST(QString::fromLatin1(variantTypeName(value.value.type())) + QLatin1Char(':') + value.value.toText(),
              "value");
}

// --- The walk and its log -------------------------------------------------------------------

void TestImport::walksBlocks_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("stored"); // "Name=value" of each column that took a value
    QTest::addColumn<QString>("log");        // the whole log, empty when none may exist

    const QString sep = QStringLiteral("----------\r\n");
    const auto head = [](const QString &line) {
        return QStringLiteral("Error processing line: ") + line + QStringLiteral("\r\n");
    };

    QTest::newRow("block without end runs to the end")
            << QStringLiteral("x\nBegin Search Data\nWeight: 1.5\nToolCount: 2")
            << QStringList{QStringLiteral("ToolCount=2"), QStringLiteral("Weight=1.5")} << QString();
    QTest::newRow("end marker in parentheses and lower case")
            << QStringLiteral("(begin search data)\n(Weight: 1)\n(end search data)\n(Nothing: 2)\nWeight: 3")
            << QStringList{QStringLiteral("Weight=1")} << QString();
    QTest::newRow("lines before the block are ignored")
            << QStringLiteral("Weight: 9\nNothing: 1\nBegin Search Data\nOrderNo: 12\nEnd Search Data")
            << QStringList{QStringLiteral("OrderNo=12")} << QString();
    QTest::newRow("only the first block")
            << QStringLiteral("Begin Search Data\nWeight: 1\nEnd Search Data\nBegin Search Data\nWeight: 2\n")
            << QStringList{QStringLiteral("Weight=1")} << QString();
    QTest::newRow("later line wins, lookup by caption")
            << QStringLiteral("Begin Search Data\nMaterial: steel\nSTOCK: brass\n")
            << QStringList{QStringLiteral("Material=brass")} << QString();
    QTest::newRow("keywords keep their blanks") << QStringLiteral("Begin Search Data\nTags: a, b\n")
                                                << QStringList{QStringLiteral("Tags= b|a")} << QString();
    QTest::newRow("note run replaces the field line's value")
            << QStringLiteral(
                       "Begin Search Data\nSetup: dropped\nStart Note\nLine: one\n(Line: two)\nEnd Note\nWeight: 1")
            << QStringList{QStringLiteral("Setup=one\r\ntwo"), QStringLiteral("Weight=1")} << QString();
    QTest::newRow("note without run keeps its value")
            << QStringLiteral("Begin Search Data\nSetup: one line\nWeight: 1\n")
            << QStringList{QStringLiteral("Setup=one line"), QStringLiteral("Weight=1")} << QString();
    QTest::newRow("pending note at the end marker")
            << QStringLiteral("Begin Search Data\nSetup: last\nEnd Search Data\nWeight: 1")
            << QStringList{QStringLiteral("Setup=last")} << QString();
    QTest::newRow("open note run at the end of the data")
            << QStringLiteral("Begin Search Data\nSetup:\nStart Note\nLine: a\nLine: b")
            << QStringList{QStringLiteral("Setup=a\r\nb")} << QString();
    QTest::newRow("empty first note line adds no line end")
            << QStringLiteral("Begin Search Data\nSetup:\nStart Note\nLine:\nLine: a\nLine:\nEnd Note")
            << QStringList{QStringLiteral("Setup=a\r\n")} << QString();
    QTest::newRow("line of another name leaves the note open")
            << QStringLiteral("Begin Search Data\nSetup:\nStart Note\nLine: a\nWeight: 2\nLine: b\nEnd Note")
            << QStringList{QStringLiteral("Setup=a\r\nb")}
            << sep + head(QStringLiteral("Weight: 2"))
                       + QStringLiteral("This line is not the next line of the multiple-line Note field 'Setup'\r\n"
                                        "Specified name: Weight\r\nExpected name: Line\r\n");
    QTest::newRow("unusable note line has no line end")
            << QStringLiteral("Begin Search Data\nSetup:\nStart Note\n()\n:x\nEnd Note")
            << QStringList{QStringLiteral("Setup=")}
            << sep + head(QStringLiteral("()"))
                       + QStringLiteral("Cannot split this line into a name:value pair.\r\n"
                                        "Failed to extract next line in note for field 'Setup'")
                       + sep + head(QStringLiteral(":x"))
                       + QStringLiteral("This line is not the next line of the multiple-line Note field 'Setup'\r\n"
                                        "Specified name: \r\nExpected name: Line\r\n");
    QTest::newRow("note that outgrows its field")
            << QStringLiteral("Begin Search Data\nSetup:\nStart Note\nLine: ") + QString(250, QLatin1Char('a'))
                       + QStringLiteral("\nLine: bbbb\nLine: ccc\nEnd Note")
            << QStringList{QStringLiteral("Setup=") + QString(250, QLatin1Char('a')) + QStringLiteral("\r\nccc")}
            << sep + head(QStringLiteral("Line: bbbb"))
                       + QStringLiteral("Cannot convert specified value to the data type of the specified field\r\n"
                                        "Field name: Setup\r\nField type: Note\r\nSpecified value: bbbb\r\n");
    QTest::newRow("one log, an entry per error")
            << QStringLiteral("Begin Search Data\n(Colour: red)\n(ToolCount: 1.5)\n(ToolCount: many)\n()\n: 5")
            << QStringList{QStringLiteral("ToolCount=2")}
            << sep + head(QStringLiteral("(Colour: red)"))
                       + QStringLiteral("Specified name does not match a defined Search Criteria field\r\n"
                                        "Specified name: Colour\r\nSpecified value: red\r\n")
                       + sep + head(QStringLiteral("(ToolCount: many)"))
                       + QStringLiteral(
                               "Cannot convert specified value to the data type of the specified field\r\n"
                               "Field name: ToolCount\r\nField type: Integer (16-bit)\r\nSpecified value: many\r\n")
                       + sep + head(QStringLiteral("()"))
                       + QStringLiteral("Cannot split this line into a name:value pair.\r\n") + sep
                       + head(QStringLiteral(": 5"))
                       + QStringLiteral("Specified name does not match a defined Search Criteria field\r\n"
                                        "Specified name: \r\nSpecified value: 5\r\n");
    QTest::newRow("markers out of place are field lines")
            << QStringLiteral("Begin Search Data\nStart Note\nBegin Search Data") << QStringList()
            << sep + head(QStringLiteral("Start Note"))
                       + QStringLiteral("Specified name does not match a defined Search Criteria field\r\n"
                                        "Specified name: Start Note\r\nSpecified value: \r\n")
                       + sep + head(QStringLiteral("Begin Search Data"))
                       + QStringLiteral("Specified name does not match a defined Search Criteria field\r\n"
                                        "Specified name: Begin Search Data\r\nSpecified value: \r\n");
}

void TestImport::walksBlocks()
{
    if (!engineIndependent())
        QSKIP("no database work: SQLite covers it");
    QFETCH(QString, input);
    QFETCH(QStringList, stored);
    QFETCH(QString, log);

    CFilterColumns set;
    addSampleColumns(set);
    const QStringList before = describeAll(set);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("P1.nc"));
    const QByteArray data = input.toUtf8();
    {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    bi::ImportErrorLog errorLog(source, stamp);
    bi::ImportReport report;
    bi::DataBlockLines lines = bi::DataBlockToStringCollection(data);
    bi::WalkDataBlock(set, lines, errorLog, report);
    errorLog.close();

    QStringList got;
    for (const QString &name : std::as_const(report.stored))
        got.append(describe(set.Item(name)));
    got.sort();
    QCOMPARE(got, stored);
    // Columns the block did not name keep what they held.
    for (int i = 0; i < before.size(); ++i) {
        const CFilterColumn *c = set.Item(i + 1);
        if (!report.stored.contains(c->Name()))
            QCOMPARE(describe(c), before.at(i));
    }

    const QString folder = dir.filePath(QStringLiteral("ImportSearchDataErrors/20240315_143005"));
    if (log.isEmpty()) {
        QCOMPARE(report.errors, 0);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("ImportSearchDataErrors"))));
        QVERIFY(errorLog.path().isEmpty());
        return;
    }
    QCOMPARE(errorLog.path(), folder + QStringLiteral("/P1.nc.ImportErrors.log"));
    QCOMPARE(readAll(errorLog.path()), log.toUtf8());
    QCOMPARE(errorLog.entries(), report.errors);
    QCOMPARE(readAll(folder + QStringLiteral("/P1.nc")), data);
}

void TestImport::errorLogPlace()
{
    if (!engineIndependent())
        QSKIP("no database work: SQLite covers it");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub")));
    const QString source = dir.filePath(QStringLiteral("sub/O7.nc"));
    const QDateTime evening = Convert::makeDate(QDate(2023, 12, 1), QTime(21, 5, 9));
    QCOMPARE(bi::ErrorLogFolder(source, evening),
             dir.filePath(QStringLiteral("sub/ImportSearchDataErrors/20231201_210509")));

    // The log is made at the first entry; a second run with the same time stamp starts it anew.
    for (int run = 0; run < 2; ++run) {
        bi::ImportErrorLog log(source, evening);
        QVERIFY(log.path().isEmpty());
        log.write(QStringLiteral("first\r\n"));
        log.write(QStringLiteral("second"));
        log.close();
        QCOMPARE(readAll(log.path()), QByteArray("----------\r\nfirst\r\n----------\r\nsecond"));
    }
    // The source file does not exist: the log is still written, without a copy.
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("sub/ImportSearchDataErrors/20231201_210509/O7.nc"))));

    // No folder can be made: the import goes on unlogged and tries only once.
    QFile blocker(dir.filePath(QStringLiteral("ImportSearchDataErrors")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    bi::ImportErrorLog unlogged(dir.filePath(QStringLiteral("O8.nc")), evening);
    unlogged.write(QStringLiteral("lost"));
    unlogged.write(QStringLiteral("lost too"));
    QVERIFY(unlogged.failed());
    QVERIFY(unlogged.path().isEmpty());
    QCOMPARE(unlogged.entries(), 0);

    // Without a source file there is nowhere to log.
    bi::ImportErrorLog nameless(QString(), evening);
    nameless.write(QStringLiteral("lost"));
    QVERIFY(nameless.failed());
}

// --- Storing, on every engine ---------------------------------------------------------------

KvoTest::Host *TestImport::sharedHost()
{
    const QString engine = KvoTest::currentEngine();
    auto &host = m_hosts[engine];
    if (host)
        return host.get();
    host = KvoTest::makeHost(8);
    if (!host)
        return nullptr;
    addSampleColumns(*host->columns());
    if (!host->columns()->ColumnsSave(nullptr) || host->columns()->Count() != 9)
        host.reset();
    return host.get();
}

void TestImport::importsSamplePrograms_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("record");
    // Every column after the import: a record without a row reads Null (""), a new row holds the
    // table's defaults (0 for numbers and Booleans, NULL for dates).
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("CR LF, every type") << QStringLiteral("O1001.nc") << 1
                                       << QStringList{QStringLiteral("Material=1.4301 X5CrNi18-10"),
                                                      QStringLiteral("OrderNo=48213"),
                                                      QStringLiteral("ToolCount=7"),
                                                      QStringLiteral("CycleTime=12.5"),
                                                      QStringLiteral("Weight=2.375"),
                                                      QStringLiteral("Released=2024-03-15 14:30:00"),
                                                      QStringLiteral("Approved=True"),
                                                      QStringLiteral("Tags= stainless|flange|op10"),
                                                      QStringLiteral("Setup=Clamp on jaws: soft")}
                                       << QStringList{QStringLiteral("Material"),  QStringLiteral("OrderNo"),
                                                      QStringLiteral("ToolCount"), QStringLiteral("CycleTime"),
                                                      QStringLiteral("Weight"),    QStringLiteral("Released"),
                                                      QStringLiteral("Approved"),  QStringLiteral("Tags"),
                                                      QStringLiteral("Setup")};
    QTest::newRow("LF, note run, errors")
            << QStringLiteral("O1002.nc") << 2
            << QStringList{QStringLiteral("Material=42CrMo4"),
                           QStringLiteral("OrderNo=0"),
                           QStringLiteral("ToolCount=2"),
                           QStringLiteral("CycleTime=0"),
                           QStringLiteral("Weight=0"),
                           QStringLiteral("Released="),
                           QStringLiteral("Approved=False"),
                           QStringLiteral("Tags="),
                           QStringLiteral("Setup=Face first.\r\nCheck runout < 0.02\r\nDeburr")}
            << QStringList{QStringLiteral("Material"), QStringLiteral("ToolCount"), QStringLiteral("Setup"),
                           QStringLiteral("Approved")};
    QTest::newRow("CR, open block and note at the end")
            << QStringLiteral("O1003.nc") << 3
            << QStringList{QStringLiteral("Material="),
                           QStringLiteral("OrderNo=2147483647"),
                           QStringLiteral("ToolCount=0"),
                           QStringLiteral("CycleTime=0.75"),
                           QStringLiteral("Weight=0"),
                           QStringLiteral("Released=2024-02-29 00:00:00"),
                           QStringLiteral("Approved=False"),
                           QStringLiteral("Tags=bracket"),
                           QStringLiteral("Setup=Use vise 2\r\nTorque 40 Nm")}
            << QStringList{QStringLiteral("OrderNo"), QStringLiteral("CycleTime"), QStringLiteral("Released"),
                           QStringLiteral("Tags"), QStringLiteral("Setup")};
    QTest::newRow("Latin-1 and UTF-8") << QStringLiteral("O1004.nc") << 4
                                       << QStringList{QStringLiteral("Material=Messing Ø 40"),
                                                      QStringLiteral("OrderNo=0"),
                                                      QStringLiteral("ToolCount=0"),
                                                      QStringLiteral("CycleTime=0"),
                                                      QStringLiteral("Weight=0"),
                                                      QStringLiteral("Released="),
                                                      QStringLiteral("Approved=True"),
                                                      QStringLiteral("Tags=Prüfteil|Ø40"),
                                                      QStringLiteral("Setup=")}
                                       << QStringList{QStringLiteral("Material"), QStringLiteral("Tags"),
                                                      QStringLiteral("Approved")};
    QTest::newRow("no block") << QStringLiteral("O1005.nc") << 5
                              << QStringList{QStringLiteral("Material="),      QStringLiteral("OrderNo="),
                                             QStringLiteral("ToolCount="),     QStringLiteral("CycleTime="),
                                             QStringLiteral("Weight="),        QStringLiteral("Released="),
                                             QStringLiteral("Approved=False"), QStringLiteral("Tags="),
                                             QStringLiteral("Setup=")}
                              << QStringList();
    QTest::newRow("first block only, empty keyword list")
            << QStringLiteral("O1006.nc") << 6
            << QStringList{QStringLiteral("Material="),      QStringLiteral("OrderNo=0"),
                           QStringLiteral("ToolCount=0"),    QStringLiteral("CycleTime=0"),
                           QStringLiteral("Weight=1.5"),     QStringLiteral("Released="),
                           QStringLiteral("Approved=False"), QStringLiteral("Tags="),
                           QStringLiteral("Setup=")}
            << QStringList{QStringLiteral("Weight"), QStringLiteral("Tags")};
}

void TestImport::importsSamplePrograms()
{
    QFETCH(QString, program);
    QFETCH(int, record);
    QFETCH(QStringList, values);
    QFETCH(QStringList, stored);
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();

    QVERIFY(!dataDir().isEmpty());
    QTemporaryDir dir;
    const QString source = dir.filePath(program);
    QVERIFY(QFile::copy(dataDir() + QStringLiteral("/programs/") + program, source));
    const QByteArray data = readAll(source);
    QVERIFY(!data.isEmpty());

    CMergeBaseEntry entry(record);
    bi::ImportReport report;
    bi::AnalyzeDataBlock(host->filter.get(), stamp, source, &entry, data, &report);
    QCOMPARE(report.stored, stored);

    set.GetData(&entry);
    QCOMPARE(describeAll(set), values);

    const QString expectedLog = dataDir() + QStringLiteral("/expected/") + program + QLatin1String(bi::ErrorLogSuffix);
    const QString folder = dir.filePath(QStringLiteral("ImportSearchDataErrors/20240315_143005"));
    if (!QFileInfo::exists(expectedLog)) {
        QCOMPARE(report.errors, 0);
        QVERIFY(report.logPath.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("ImportSearchDataErrors"))));
        return;
    }
    QCOMPARE(report.logPath, folder + QLatin1Char('/') + program + QLatin1String(bi::ErrorLogSuffix));
    QCOMPARE(readAll(report.logPath), readAll(expectedLog));
    QCOMPARE(readAll(folder + QLatin1Char('/') + program), data);
}

void TestImport::keepsFieldsTheBlockDoesNotName()
{
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    CMergeBaseEntry entry(7);
    set.Item(QStringLiteral("Material"))->setUpdatedValue(Variant::text(QStringLiteral("cast iron")));
    set.Item(QStringLiteral("Weight"))->setUpdatedValue(Variant::dbl(4.5));
    set.Item(QStringLiteral("Approved"))->setUpdatedValue(Variant::boolean(true));
    set.SaveDataFromClientUpdates(&entry);
    set.GetData(&entry);
    set.Item(QStringLiteral("Tags"))->SavedKeys() = QStringList{QStringLiteral("old")};
    set.CopyData(&entry);

    // Through the search filter's public entry; no file behind the bytes, no errors to log.
    const QByteArray block("(Begin Search Data)\n(Weight: 6.25)\n(Setup: new)\n(End Search Data)\n");
    host->filter->AnalyzeDataBlock(stamp, QString(), &entry, block);
    set.GetData(&entry);
    QCOMPARE(describe(set.Item(QStringLiteral("Material"))), QStringLiteral("Material=cast iron"));
    QCOMPARE(describe(set.Item(QStringLiteral("Weight"))), QStringLiteral("Weight=6.25"));
    QCOMPARE(describe(set.Item(QStringLiteral("Approved"))), QStringLiteral("Approved=True"));
    QCOMPARE(describe(set.Item(QStringLiteral("Tags"))), QStringLiteral("Tags=old"));
    QCOMPARE(describe(set.Item(QStringLiteral("Setup"))), QStringLiteral("Setup=new"));

    // A keyword line replaces the record's keywords.
    host->filter->AnalyzeDataBlock(stamp, QString(), &entry, QByteArray("Begin Search Data\r\nTags: x,y\r\n"));
    set.GetData(&entry);
    QCOMPARE(describe(set.Item(QStringLiteral("Tags"))), QStringLiteral("Tags=x|y"));
    QCOMPARE(describe(set.Item(QStringLiteral("Weight"))), QStringLiteral("Weight=6.25"));
}

void TestImport::storesNothingWithoutUsableLines()
{
    KvoTest::Host *host = sharedHost();
    QVERIFY(host);
    Connection &db = host->connection();
    CFilterColumns &set = *host->columns();
    CMergeBaseEntry entry(8);
    QTemporaryDir dir;
    bi::ImportReport report;
    bi::AnalyzeDataBlock(host->filter.get(), stamp, dir.filePath(QStringLiteral("bad.nc")), &entry,
                         QByteArray("Begin Search Data\nWeight: heavy\nNothing: 1\n"), &report);
    QVERIFY(report.blockFound);
    QVERIFY(report.stored.isEmpty());
    QCOMPARE(report.errors, 2);
    QVERIFY(!report.logPath.isEmpty());
    auto rs = db.OpenQuery(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
                                   .arg(db.QuoteName(set.SearchDataTableName()), set.SearchTableSeekCriteria(&entry)));
    QVERIFY(rs && !rs->EOF());
    QCOMPARE(rs->value(0).toInt(), 0);
}

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
