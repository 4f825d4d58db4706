// Filters: the SQL text a filter gives, character for character where the classic forms apply, and
// the base records it selects on real data on every engine.
#include "testhost.h"

#include "columns/basvalidate.h"
#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "filter/cfilterterms.h"
#include "filter/recordcount.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/dialect.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <map>
#include <optional>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

const QList<KvoPlx800SCtl::ColumnDefinition> columns()
{
    return {{"Material", fcText},    {"Weight", fcDouble}, {"Count", fcInteger32}, {"Due", fcDateTime},
            {"Approved", fcBoolean}, {"Tags", fcKeyword},  {"Remarks", fcNote},    {"Ratio", fcSingle}};
}

// A filter of terms written "[and |or ]Field op [value]" (op as in `operations`), built as the
// command-line tool and the dialog build them. A field that is no search column is a base field:
// Qty a number, the others texts.
CFilterTerms build(CFilterColumns &set, const QStringList &terms)
{
    static const QStringList operations = {"false", "true", "=",    "<>",      "<",   ">",
                                           "<=",    ">=",   "like", "notlike", "has", "hasnot"};
    CFilterTerms filter;
    filter.setFilterColumns(&set);
    for (const QString &text : terms) {
        QStringList words = text.split(u' ');
        const auto conjunction = words.first() == u"and" ? kvoCJ_And : words.first() == u"or" ? kvoCJ_OR : kvoCJ_None;
        if (conjunction != kvoCJ_None)
            words.removeFirst();
        const QString field = words.takeFirst();
        const auto op = EComparisonOperations(operations.indexOf(words.takeFirst()));
        Q_ASSERT(op >= 0);
        const QString value = words.join(u' ');
        const CFilterColumn *c = set.findByName(field);
        const auto cls = c ? basValidate::ComparisonClassFromColumn(c) : field == u"Qty" ? kvoCC_Numeric : kvoCC_Text;
        filter.Add(conjunction, c ? set.SearchTableName(c) : set.baseTableName(), field, cls, op, value);
    }
    return filter;
}

// The sample records of the real-data test.
struct Row
{
    int id;
    bool hasRow;
    std::optional<QString> material;
    std::optional<double> weight;
    std::optional<int> count;
    std::optional<QDateTime> due;
    std::optional<bool> approved;
    QStringList tags;
    std::optional<QString> remarks;
    std::optional<float> ratio;
    int qty;
};

// Whether a sample record is one a filter should select, on an engine.
using Matcher = std::function<bool(const Row &, Engine)>;

QList<Row> sampleRows()
{
    static const QStringList materials = {"Steel",     "Aluminium",   "AL-6061", "Brass",      "O'Neil alloy",
                                          "100%_pure", "back\\slash", "",        "say \"hi\"", "100x_pure"};
    QList<Row> rows;
    for (int i = 1; i <= 30; ++i) {
        Row r{i, i <= 24, {}, {}, {}, {}, {}, {}, {}, {}, i * 10};
        if (r.hasRow) {
            if (i % 11 != 0)
                r.material = materials.at(i % materials.size());
            if (i % 7 != 0)
                r.weight = i * 0.5;
            r.count = i * 3 - 20;
            if (i % 9 != 0)
                r.due = Convert::makeDate(QDate(2024, 1, 1).addDays(i), QTime(i % 24, 30));
            if (i % 5 != 0)
                r.approved = i % 2 == 0;
            if (i % 8 == 0)
                r.remarks = u"line1\nline2 for %1"_s.arg(i);
            r.ratio = float(i) / 10.0f;
        }
        if (i % 3 == 0)
            r.tags.append(u"urgent"_s);
        if (i % 4 == 0)
            r.tags.append(u"steel"_s);
        if (i == 29)
            r.tags.append(u"it's"_s);
        rows.append(r);
    }
    return rows;
}

bool store(Connection &db, const QList<Row> &rows)
{
    for (const Row &r : rows) {
        if (r.hasRow) {
            QString fields;
            QString values;
            const auto add = [&](const char *field, const QString &literal) {
                db.AddInsertPair(fields, values, QLatin1String(field), literal);
            };
            add("PartId", QString::number(r.id));
            add("Material", r.material ? db.QuoteText(*r.material) : QString());
            add("Weight", r.weight ? Variant::dbl(*r.weight).toText() : QString());
            add("Count", r.count ? QString::number(*r.count) : QString());
            add("Due", r.due ? db.SqlDateLiteral(*r.due) : QString());
            add("Approved", r.approved ? QString::number(db.SqlBooleanValue(*r.approved)) : QString());
            add("Remarks", r.remarks ? db.QuoteText(*r.remarks) : QString());
            add("Ratio", r.ratio ? Variant::single(*r.ratio).toText() : QString());
            if (!KvoTest::exec(db, u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(db.QuoteName(u"PartsSearchData"_s), fields,
                                                                            values)))
                return false;
        }
        for (const QString &tag : r.tags) {
            if (!KvoTest::run(
                        db, u"INSERT INTO [PartsSearchKeywordTags] ([PartId], [Tags]) VALUES (%1, %2)"_s.arg(r.id).arg(
                                    db.QuoteText(tag))))
                return false;
        }
    }
    return true;
}

// LIKE ignores case except on PostgreSQL.
Qt::CaseSensitivity likeCase(Engine engine)
{
    return engine == Engine::PostgreSQL ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// A matcher from an expression of the record `r` and the `engine`.
#define WHERE(expr) Matcher([]([[maybe_unused]] const Row &r, [[maybe_unused]] Engine engine) { return (expr); })

} // namespace

class TestFilterTerms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }

    void classicForms_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("sql");

        const QString head = u"[Parts].[PartId] IN (SELECT [Parts].[PartId] FROM [Parts]"_s;
        const QString join =
                u" INNER JOIN [PartsSearchData] ON [Parts].[PartId] = [PartsSearchData].[PartId] WHERE ("_s;
        const QString tags = u"[Parts].[PartId] IN (SELECT [Parts].[PartId] FROM [Parts], [PartsSearchKeywordTags] "
                             "WHERE [Parts].[PartId] = [PartsSearchKeywordTags].[PartId] AND "
                             "[PartsSearchKeywordTags].[Tags] = "_s;

        QTest::newRow("like with escape") << QStringList{"Material like AL%"}
                                          << head + join + "[PartsSearchData].[Material] LIKE 'AL%' ESCAPE '\\'))";
        QTest::newRow("and binds tighter than or")
                << QStringList{"Weight > 2.5", "and Approved true ignored", "or Tags has urgent"}
                << head + join + "[PartsSearchData].[Weight] > 2.5 AND [PartsSearchData].[Approved] <> 0 OR " + tags
                           + "'urgent')))";
        QTest::newRow("base field with apostrophe")
                << QStringList{"Description = it's"} << head + " WHERE ([Parts].[Description] = \"it's\"))";
        QTest::newRow("keyword excluded") << QStringList{"Tags hasnot obsolete"}
                                          << head + " WHERE ([Parts].[PartId] NOT " + tags.mid(17) + "'obsolete')))";
        QTest::newRow("both quotes give no value")
                << QStringList{"Material = it's \"x\""} << head + join + "[PartsSearchData].[Material] = ))";
        QTest::newRow("numeric like adds nothing but joins") << QStringList{"Weight like 2"} << head + join + "))";
        QTest::newRow("several columns, one join")
                << QStringList{"Material <> x", "or Count <= -3"}
                << head + join + "[PartsSearchData].[Material] <> 'x' OR [PartsSearchData].[Count] <= -3))";
        QTest::newRow("date") << QStringList{"Due >= 2024-01-31 10:00"}
                              << head + join
                                         + "[PartsSearchData].[Due] >= CONVERT(DATETIME, '2024-01-31 10:00:00', 120)))";
        QTest::newRow("only base and keyword terms: no join")
                << QStringList{"Qty < 5", "and Tags has a"}
                << head + " WHERE ([Parts].[Qty] < 5 AND " + tags + "'a')))";
        // A number or date that does not read never reaches SQL, and never widens the filter: the
        // condition selects no record.
        QTest::newRow("not a number") << QStringList{"Material = x", "or Weight = 1; DROP TABLE x"}
                                      << head + " WHERE (1 = 0))";
        QTest::newRow("not a date") << QStringList{"Due = 2024-02-30"} << head + " WHERE (1 = 0))";
    }

    void classicForms()
    {
        QFETCH(QStringList, terms);
        auto set = offlineSet(Engine::SQLServer);
        QTEST(build(*set, terms).SQLString(), "sql");
    }

    void termsAndConjunctions()
    {
        auto set = offlineSet(Engine::SQLServer);
        // No terms, no condition; a term on a column that does not exist is not added.
        CFilterTerms empty;
        empty.setFilterColumns(set.get());
        QCOMPARE(empty.SQLString(), QString());
        QVERIFY(!empty.Add(kvoCJ_None, u"PartsSearchData"_s, u"Nothing"_s, kvoCC_Text, kvoOP_Equals, {}));
        QVERIFY(!empty.HasTerms());

        // A conjunction on the first term is not written; a later term without one reuses the last.
        QCOMPARE(
                build(*set, {"or Count = 1", "and Count = 2", "Count = 3"}).SQLString().section(u"WHERE ("_s, 1),
                u"[PartsSearchData].[Count] = 1 AND [PartsSearchData].[Count] = 2 AND [PartsSearchData].[Count] = 3))"_s);
        // Without any conjunction the texts run together.
        QVERIFY(build(*set, {"Count = 1", "Count = 2"})
                        .SQLString()
                        .contains(u"[Count] = 1[PartsSearchData].[Count] = 2"));

        // The escape clause goes where the engine needs it; the safe literal doubles an apostrophe.
        auto pg = offlineSet(Engine::PostgreSQL);
        QVERIFY(!build(*pg, {"Material like a%"}).SQLString().contains(u"ESCAPE"));
        auto lite = offlineSet(Engine::SQLite);
        QVERIFY(build(*lite, {"Material notlike a%"}).SQLString().contains(u"NOT LIKE 'a%' ESCAPE '\\'"));
        QVERIFY(build(*lite, {"Material = it's \"x\""}).SQLString().contains(u"= 'it''s \"x\"'"));
    }

    void selectsTheRightRecords_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<Matcher>("matches");
        const auto row = [](const char *tag, const QStringList &terms, const Matcher &matches) {
            QTest::newRow(tag) << terms << matches;
        };
        row("text equals", {"Material = Brass"}, WHERE(r.material == u"Brass"_s));
        row("text with apostrophe", {"Material = O'Neil alloy"}, WHERE(r.material == u"O'Neil alloy"_s));
        row("text with double quotes", {"Material = say \"hi\""}, WHERE(r.material == u"say \"hi\""_s));
        row("not equal skips null", {"Material <> Steel"}, WHERE(r.material && *r.material != u"Steel"_s));
        row("like prefix", {"Material like AL%"}, WHERE(r.material && r.material->startsWith(u"AL", likeCase(engine))));
        row("escaped percent", {"Material like 100\\%%"}, WHERE(r.material == u"100%_pure"_s));
        row("escaped underscore", {"Material like 100%\\_pure"},
            WHERE(r.material == u"100%_pure"_s || r.material == u"100x_pure"_s));
        row("both escaped", {"Material like 100\\%\\_pure"}, WHERE(r.material == u"100%_pure"_s));
        row("unescaped underscore", {"Material like 100__pure"},
            WHERE(r.material == u"100%_pure"_s || r.material == u"100x_pure"_s));
        row("escaped backslash", {"Material like back\\\\%"}, WHERE(r.material == u"back\\slash"_s));
        row("not like", {"Material notlike %a%"}, WHERE(r.material && !r.material->contains(u'a', likeCase(engine))));
        row("numeric range", {"Weight >= 5", "and Weight <= 10"}, WHERE(r.weight && *r.weight >= 5 && *r.weight <= 10));
        row("negative numbers", {"Count < -5"}, WHERE(r.count && *r.count < -5));
        row("date range", {"Due >= 2024-01-10", "and Due < 2024-01-20 12:00"},
            WHERE(r.due && *r.due >= Convert::makeDate(QDate(2024, 1, 10))
                  && *r.due < Convert::makeDate(QDate(2024, 1, 20), QTime(12, 0))));
        row("boolean true", {"Approved true"}, WHERE(r.approved == true));
        row("boolean false", {"Approved false"}, WHERE(r.approved == false));
        // Records without a search-data row fall out of the join.
        row("and before or", {"Weight > 8", "and Approved true", "or Tags has urgent"},
            WHERE(r.hasRow && ((r.weight && *r.weight > 8 && r.approved == true) || r.tags.contains(u"urgent"_s))));
        row("keyword includes", {"Tags has steel"}, WHERE(r.tags.contains(u"steel"_s)));
        row("keyword with apostrophe", {"Tags has it's"}, WHERE(r.tags.contains(u"it's"_s)));
        row("keyword excludes", {"Tags hasnot urgent"}, WHERE(!r.tags.contains(u"urgent"_s)));
        row("two keywords", {"Tags has urgent", "and Tags has steel"},
            WHERE(r.tags.contains(u"urgent"_s) && r.tags.contains(u"steel"_s)));
        row("base fields", {"Description = Bracket 3", "or Qty > 250"}, WHERE(r.id == 3 || r.qty > 250));
        row("base and search", {"Qty <= 100", "and Approved true"}, WHERE(r.qty <= 100 && r.approved == true));
        row("base and keyword", {"Qty <= 120", "and Tags has urgent"},
            WHERE(r.qty <= 120 && r.tags.contains(u"urgent"_s)));
        row("search and keyword excludes", {"Approved true", "and Tags hasnot steel"},
            WHERE(r.approved == true && !r.tags.contains(u"steel"_s)));
        row("base and keyword excludes", {"Qty <= 120", "and Tags hasnot urgent"},
            WHERE(r.qty <= 120 && !r.tags.contains(u"urgent"_s)));
        row("two keyword excludes", {"Tags hasnot urgent", "and Tags hasnot steel"},
            WHERE(!r.tags.contains(u"urgent"_s) && !r.tags.contains(u"steel"_s)));
        row("keyword includes and search", {"Tags has urgent", "and Weight > 8"},
            WHERE(r.tags.contains(u"urgent"_s) && r.weight && *r.weight > 8));
        row("base, keyword and search", {"Qty > 200", "and Tags hasnot urgent", "or Material = Brass"},
            WHERE(r.hasRow && ((r.qty > 200 && !r.tags.contains(u"urgent"_s)) || r.material == u"Brass"_s)));
        row("single equals", {"Ratio = 1.1"}, WHERE(r.ratio == 1.1f));
        row("single range", {"Ratio >= 0.7", "and Ratio <= 1.3"},
            WHERE(r.ratio && *r.ratio >= 0.7f && *r.ratio <= 1.3f));
        row("note with newline", {"Remarks like %line2 for 1%"},
            WHERE(r.remarks && r.remarks->contains(u"line2 for 1")));
    }

    void selectsTheRightRecords()
    {
        QFETCH(QStringList, terms);
        QFETCH(Matcher, matches);
        // One database per engine serves every filter.
        KvoTest::Host *shared = m_hosts.get([] {
            auto host = KvoTest::makeHost(30);
            if (host && !(KvoTest::addColumns(*host->columns(), columns()) && store(host->connection(), sampleRows())))
                host.reset();
            return host;
        });
        QVERIFY(shared);
        KvoTest::Host &host = *shared;
        const QString condition = build(*host.columns(), terms).SQLString();
        QVERIFY(!condition.isEmpty());
        QStringList expected;
        for (const Row &r : sampleRows()) {
            if (matches(r, KvoTest::currentEngine()))
                expected.append(QString::number(r.id));
        }
        QVERIFY2(!expected.isEmpty(), "a filter that selects nothing proves little");
        const auto selected = [&](const QString &where) {
            return KvoTest::rows(host.connection(), "SELECT [PartId] FROM [Parts] WHERE " + where + " ORDER BY 1");
        };
        QCOMPARE(selected(condition), expected);
        // The engine's own text selects what the documented text selects, and is never NULL: its
        // negation selects every other record.
        QCOMPARE(selected(build(*host.columns(), terms).SQLString(FilterShape::Documented)), expected);
        QStringList others;
        for (const Row &r : sampleRows()) {
            if (!expected.contains(QString::number(r.id)))
                others.append(QString::number(r.id));
        }
        QCOMPARE(selected("NOT (" + condition + ")"), others);
    }

    void problems_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QStringList>("problems"); // "index kind field [value]"
        QTest::newRow("none") << QStringList{"Material = a", "and Count = 1", "or Due < 2024-01-02", "or Tags has x"}
                              << QStringList{};
        QTest::newRow("not a number") << QStringList{"Material = a", "or Count = 1x"} << QStringList{"2 2 Count [1x]"};
        QTest::newRow("blank number") << QStringList{"Weight >= "} << QStringList{"1 2 Weight []"};
        QTest::newRow("not a date") << QStringList{"Due = 2024-02-30"} << QStringList{"1 3 Due [2024-02-30]"};
        QTest::newRow("comparison that does not apply") << QStringList{"Weight like 2", "and Approved = 1"}
                                                        << QStringList{"1 4 Weight [2]", "2 4 Approved [1]"};
    }

    // Which terms cannot select what they say, and why.
    void problems()
    {
        QFETCH(QStringList, terms);
        auto set = offlineSet(Engine::SQLite);
        QStringList found;
        for (const FilterTermProblem &p : build(*set, terms).Problems())
            found.append(u"%1 %2 %3 [%4]"_s.arg(p.index).arg(p.kind).arg(p.field, p.compareTo));
        QTEST(found, "problems");
    }

    // On real data: a filter with a value that does not read selects nothing, where dropping the term
    // would have selected records.
    void unreadableValueSelectsNothing()
    {
        auto host = KvoTest::makeHost(5);
        QVERIFY(host && KvoTest::addColumns(*host->columns(), columns()));
        const auto count = [&](const QStringList &terms) {
            return KvoTest::cell(host->connection(),
                                 "SELECT COUNT(*) FROM [Parts] WHERE " + build(*host->columns(), terms).SQLString())
                    .toInt();
        };
        QCOMPARE(count({"Qty > 20"}), 3);
        QCOMPARE(count({"Qty > 20", "or Weight < heavy"}), 0);
        QCOMPARE(count({"Due = someday", "or Qty > 20"}), 0);
    }

    // The counter answers in its own thread on a connection of its own, stops at its bound, answers the
    // newest of requests made in a row, and reports a statement that fails.
    void recordCounter()
    {
        auto host = KvoTest::makeHost(5);
        QVERIFY(host && KvoTest::addColumns(*host->columns(), columns()));
        RecordCounter counter(*host->columns(), 3);
        QSignalSpy counted(&counter, &RecordCounter::counted);
        QSignalSpy failed(&counter, &RecordCounter::failed);
        const auto answer = [&](int request) {
            return QTest::qWaitFor([&] { return !counted.isEmpty() && counted.last().at(0).toInt() == request; })
                           ? counted.last().mid(1)
                           : QVariantList{};
        };
        QCOMPARE(answer(counter.request({})), (QVariantList{3, true}));
        const QString twoRecords = build(*host->columns(), {"Qty >= 40"}).SQLString();
        counter.request(u"1 = 0"_s);
        counter.request({});
        QCOMPARE(answer(counter.request(twoRecords)), (QVariantList{2, false}));
        for (const QList<QVariant> &a : std::as_const(counted))
            QVERIFY(a.at(0).toInt() <= 4);
        const int broken = counter.request(u"no such field = 1"_s);
        QVERIFY(QTest::qWaitFor([&] { return !failed.isEmpty(); }));
        QCOMPARE(failed.first().at(0).toInt(), broken);
    }

private:
    std::unique_ptr<CFilterColumns> offlineSet(Engine engine);
    std::unique_ptr<IDatabaseHandler> m_handler;
    KvoTest::HostPerEngine m_hosts;
};

std::unique_ptr<CFilterColumns> TestFilterTerms::offlineSet(Engine engine)
{
    auto dialect = Dialect::create(engine);
    m_handler = std::make_unique<DatabaseHandler>(dialect->DatabaseType());
    auto set = std::make_unique<CFilterColumns>();
    CatalogColumn key;
    key.Name = u"PartId"_s;
    key.Type = adInteger;
    set->SetupOffline(m_handler.get(), u"Parts"_s, key, std::move(dialect));
    for (const KvoPlx800SCtl::ColumnDefinition &def : columns())
        KvoTest::addColumn(*set, def);
    return set;
}

QTEST_GUILESS_MAIN(TestFilterTerms)
#include "tst_filterterms.moc"
