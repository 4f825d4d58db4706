// Filters: the SQL text a filter gives, character for character where the classic forms apply, and
// the base records it selects on real data on every engine.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "filter/cfilterterms.h"

#include "hostkit/adotypes.h"
#include "hostkit/connection.h"
#include "hostkit/dialect.h"
#include "hostkit/recordset.h"

#include <QTest>

#include <functional>
#include <map>
#include <optional>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

void addColumns(CFilterColumns &set)
{
    const auto add = [&](const char *name, FilterColumnTypeConstants type) {
        set.Add(QLatin1String(name), {}, {}, type, 20, false, false, {}, fcDTDM_Configure, Variant::null(), false);
    };
    add("Material", fcText);
    add("Weight", fcDouble);
    add("Count", fcInteger32);
    add("Due", fcDateTime);
    add("Approved", fcBoolean);
    add("Tags", fcKeyword);
    add("Remarks", fcNote);
    add("Ratio", fcSingle);
}

// One term as the command-line tool and the dialog build it: a search column or a base field.
struct T
{
    EConjunctions conjunction;
    QString field;
    EComparisonOperations op;
    QString compareTo;
    bool base = false;
};

CFilterTerms build(CFilterColumns &set, const QList<T> &terms)
{
    CFilterTerms filter;
    filter.setFilterColumns(&set);
    for (const T &t : terms) {
        if (t.base) {
            const int type = t.field == QLatin1String("Qty") ? adInteger : adVarWChar;
            const FilterComparisonClasses cls = type == adInteger ? kvoCC_Numeric : kvoCC_Text;
            filter.Add(t.conjunction, set.baseTableName(), t.field, cls, t.op, t.compareTo);
            continue;
        }
        const CFilterColumn *c = set.findByName(t.field);
        Q_ASSERT(c);
        const FilterComparisonClasses cls = c->ColumnType() == fcKeyword  ? kvoCC_Keyword
                                            : c->ColumnType() == fcBoolean ? kvoCC_Boolean
                                            : c->ColumnType() == fcDateTime ? kvoCC_Date
                                            : c->ColumnType() == fcText || c->ColumnType() == fcNote ? kvoCC_Text
                                                                                                      : kvoCC_Numeric;
        filter.Add(t.conjunction, set.SearchTableName(c), t.field, cls, t.op, t.compareTo);
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
    QString description;
    int qty;
};

// Whether a sample record is one a filter should select, on an engine.
using Matcher = std::function<bool(const Row &, const QString &)>;

QList<Row> sampleRows()
{
    static const QStringList materials = {"Steel", "Aluminium", "AL-6061", "Brass", "O'Neil alloy", "100%_pure",
                                          "back\\slash", "", "say \"hi\"", "100x_pure"};
    QList<Row> rows;
    for (int i = 1; i <= 30; ++i) {
        Row r;
        r.id = i;
        r.hasRow = i <= 24;
        r.description = QStringLiteral("Part %1").arg(i);
        r.qty = i * 10;
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
                r.remarks = QStringLiteral("line1\nline2 for %1").arg(i);
            r.ratio = float(i) / 10.0f;
        }
        if (i % 3 == 0)
            r.tags.append(QStringLiteral("urgent"));
        if (i % 4 == 0)
            r.tags.append(QStringLiteral("steel"));
        if (i == 29)
            r.tags.append(QStringLiteral("it's"));
        rows.append(r);
    }
    return rows;
}

bool store(Connection &db, const QList<Row> &rows)
{
    const auto q = [&](const char *n) { return db.QuoteName(QLatin1String(n)); };
    for (const Row &r : rows) {
        if (r.hasRow) {
            QString fields;
            QString values;
            db.AddInsertPair(fields, values, QStringLiteral("PartId"), QString::number(r.id));
            db.AddInsertPair(fields, values, QStringLiteral("Material"), r.material ? db.QuoteText(*r.material) : QString());
            db.AddInsertPair(fields, values, QStringLiteral("Weight"), r.weight ? Variant::dbl(*r.weight).toText() : QString());
            db.AddInsertPair(fields, values, QStringLiteral("Count"), r.count ? QString::number(*r.count) : QString());
            db.AddInsertPair(fields, values, QStringLiteral("Due"), r.due ? db.SqlDateLiteral(*r.due) : QString());
            db.AddInsertPair(fields, values, QStringLiteral("Approved"),
                             r.approved ? QString::number(db.SqlBooleanValue(*r.approved)) : QString());
            db.AddInsertPair(fields, values, QStringLiteral("Remarks"), r.remarks ? db.QuoteText(*r.remarks) : QString());
            db.AddInsertPair(fields, values, QStringLiteral("Ratio"), r.ratio ? Variant::single(*r.ratio).toText() : QString());
            if (!KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(q("PartsSearchData"), fields, values)))
                return false;
        }
        for (const QString &tag : r.tags) {
            if (!KvoTest::exec(db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)")
                                       .arg(q("PartsSearchKeywordTags"), q("PartId"), q("Tags"))
                                       .arg(r.id)
                                       .arg(db.QuoteText(tag))))
                return false;
        }
    }
    return true;
}

QList<int> selectedKeys(Connection &db, const QString &condition, QString *error)
{
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %1")
                            .arg(db.QuoteName(QStringLiteral("PartId")), db.QuoteName(QStringLiteral("Parts")), condition);
    QList<int> keys;
    auto rs = db.OpenQuery(sql);
    if (!rs) {
        *error = db.lastError() + QStringLiteral("\n") + sql;
        return keys;
    }
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext())
        keys.append(rs->value(0).toInt());
    return keys;
}

} // namespace

class TestFilterTerms : public QObject
{
    Q_OBJECT

private slots:
    void classicForms_data();
    void classicForms();
    void termsAndConjunctions();
    void failuresGiveNoText();

    void initTestCase_data() { KvoTest::addEngineRows(); }
    void selectsTheRightRecords_data();
    void selectsTheRightRecords();

private:
    std::unique_ptr<CFilterColumns> offlineSet(Engine engine);
    std::unique_ptr<IDatabaseHandler> m_handler;
    std::map<QString, std::unique_ptr<KvoTest::Host>> m_hosts;
};

std::unique_ptr<CFilterColumns> TestFilterTerms::offlineSet(Engine engine)
{
    auto dialect = Dialect::create(engine);
    m_handler = std::make_unique<DatabaseHandler>(dialect->DatabaseType());
    auto set = std::make_unique<CFilterColumns>();
    CatalogColumn key;
    key.Name = QStringLiteral("PartId");
    key.Type = adInteger;
    set->SetupOffline(m_handler.get(), QStringLiteral("Parts"), key, std::move(dialect));
    addColumns(*set);
    return set;
}

void TestFilterTerms::classicForms_data()
{
    QTest::addColumn<QList<T>>("terms");
    QTest::addColumn<QString>("sql");

    const QString head = QStringLiteral("[Parts].[PartId] IN (SELECT [Parts].[PartId] FROM [Parts]");
    const QString join = QStringLiteral(" INNER JOIN [PartsSearchData] ON [Parts].[PartId] = [PartsSearchData].[PartId]");
    const QString tags = QStringLiteral("[Parts].[PartId] IN (SELECT [Parts].[PartId] FROM [Parts], [PartsSearchKeywordTags] "
                                        "WHERE [Parts].[PartId] = [PartsSearchKeywordTags].[PartId] AND "
                                        "[PartsSearchKeywordTags].[Tags] = ");

    QTest::newRow("like with escape") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsLike, "AL%"}}
                                      << head + join + "WHERE ([PartsSearchData].[Material] LIKE 'AL%' ESCAPE '\\'))";
    QTest::newRow("and binds tighter than or")
        << QList<T>{{kvoCJ_None, "Weight", kvoOP_Greater, "2.5"},
                    {kvoCJ_And, "Approved", kvoOP_IsTrue, "ignored"},
                    {kvoCJ_OR, "Tags", kvoOP_Includes, "urgent"}}
        << head + join + " WHERE ([PartsSearchData].[Weight] > 2.5 AND [PartsSearchData].[Approved] <> 0 OR " + tags +
               "'urgent')))";
    QTest::newRow("base field with apostrophe")
        << QList<T>{{kvoCJ_None, "Description", kvoOP_Equals, "it's", true}}
        << head + " WHERE ([Parts].[Description] = \"it's\"))";
    QTest::newRow("keyword excluded")
        << QList<T>{{kvoCJ_None, "Tags", kvoOP_Excludes, "obsolete"}}
        << head + " WHERE ([Parts].[PartId] NOT " + tags.mid(17) + "'obsolete')))";
    QTest::newRow("both quotes give no value")
        << QList<T>{{kvoCJ_None, "Material", kvoOP_Equals, "it's \"x\""}}
        << head + join + " WHERE ([PartsSearchData].[Material] = ))";
    QTest::newRow("numeric like adds nothing but joins")
        << QList<T>{{kvoCJ_None, "Weight", kvoOP_IsLike, "2"}} << head + join + " WHERE ())";
    QTest::newRow("several columns, one join")
        << QList<T>{{kvoCJ_None, "Material", kvoOP_NotEquals, "x"}, {kvoCJ_OR, "Count", kvoOP_LessOrEqual, "-3"}}
        << head + join + " WHERE ([PartsSearchData].[Material] <> 'x' OR [PartsSearchData].[Count] <= -3))";
    QTest::newRow("date") << QList<T>{{kvoCJ_None, "Due", kvoOP_GreatorOrEqual, "2024-01-31 10:00"}}
                          << head + join + " WHERE ([PartsSearchData].[Due] >= CONVERT(DATETIME, '2024-01-31 10:00:00', 120)))";
    QTest::newRow("only base and keyword terms: no join")
        << QList<T>{{kvoCJ_None, "Qty", kvoOP_Less, "5", true}, {kvoCJ_And, "Tags", kvoOP_Includes, "a"}}
        << head + " WHERE ([Parts].[Qty] < 5 AND " + tags + "'a')))";
}

void TestFilterTerms::classicForms()
{
    QFETCH(QList<T>, terms);
    QFETCH(QString, sql);
    // The join in the data rows is written without the blank before WHERE where the head ends.
    sql.replace(QStringLiteral("[PartId]WHERE"), QStringLiteral("[PartId] WHERE"));
    auto set = offlineSet(Engine::SQLServer);
    const CFilterTerms filter = build(*set, terms);
    QCOMPARE(filter.SQLString(), sql);
}

void TestFilterTerms::termsAndConjunctions()
{
    auto set = offlineSet(Engine::SQLServer);
    CFilterTerms empty;
    empty.setFilterColumns(set.get());
    QVERIFY(!empty.HasTerms());
    QCOMPARE(empty.SQLString(), QString());
    const ISqlFilterTerms none;
    QVERIFY(!none.HasTerms());
    QVERIFY(none.SQLString().isEmpty());

    // A conjunction on the first term is not written; a later term without one reuses the last.
    CFilterTerms f = build(*set, {{kvoCJ_OR, "Count", kvoOP_Equals, "1"},
                                  {kvoCJ_And, "Count", kvoOP_Equals, "2"},
                                  {kvoCJ_None, "Count", kvoOP_Equals, "3"}});
    QVERIFY(f.HasTerms());
    QCOMPARE(f.Count(), 3);
    const QString body = f.SQLString().section(QStringLiteral("WHERE ("), 1);
    QCOMPARE(body, QStringLiteral("[PartsSearchData].[Count] = 1 AND [PartsSearchData].[Count] = 2 AND "
                                  "[PartsSearchData].[Count] = 3))"));
    // Without any conjunction the texts run together.
    CFilterTerms g = build(*set, {{kvoCJ_None, "Count", kvoOP_Equals, "1"}, {kvoCJ_None, "Count", kvoOP_Equals, "2"}});
    QVERIFY(g.SQLString().contains(QLatin1String("[Count] = 1[PartsSearchData].[Count] = 2")));

    // Terms keep their order and index; the column is set for search columns only.
    const QList<const CFilterTerm *> terms = build(*set, {{kvoCJ_None, "Material", kvoOP_Equals, "a"},
                                                          {kvoCJ_And, "Qty", kvoOP_Equals, "1", true}})
                                                 .NewEnum();
    QCOMPARE(terms.size(), 2);
    f.Clear();
    QCOMPARE(f.Count(), 0);

    CFilterTerms h = build(*set, {{kvoCJ_None, "Material", kvoOP_Equals, "a"}, {kvoCJ_And, "Qty", kvoOP_Equals, "1", true}});
    const auto list = h.NewEnum();
    QCOMPARE(list.at(0)->Index(), qint16(1));
    QCOMPARE(list.at(1)->Index(), qint16(2));
    QVERIFY(list.at(0)->HasColumn());
    QVERIFY(!list.at(1)->HasColumn());
    QCOMPARE(list.at(0)->SQLField(), QStringLiteral("[PartsSearchData].[Material]"));
    QCOMPARE(list.at(0)->SQLOperator(), QStringLiteral(" = "));

    // The escape clause goes where the engine needs it.
    auto pg = offlineSet(Engine::PostgreSQL);
    QVERIFY(!build(*pg, {{kvoCJ_None, "Material", kvoOP_IsLike, "a%"}}).SQLString().contains(QLatin1String("ESCAPE")));
    auto lite = offlineSet(Engine::SQLite);
    QVERIFY(build(*lite, {{kvoCJ_None, "Material", kvoOP_IsNotLike, "a%"}}).SQLString().contains(QLatin1String("NOT LIKE 'a%' ESCAPE '\\'")));
    // On the engines the library runs on, an apostrophe is doubled inside the safe literal.
    QVERIFY(build(*lite, {{kvoCJ_None, "Material", kvoOP_Equals, "it's \"x\""}}).SQLString().contains(QLatin1String("= 'it''s \"x\"'")));
}

void TestFilterTerms::failuresGiveNoText()
{
    auto set = offlineSet(Engine::SQLite);
    CFilterTerms f;
    f.setFilterColumns(set.get());
    // A term on a column that does not exist is not added.
    QVERIFY(!f.Add(kvoCJ_None, QStringLiteral("PartsSearchData"), QStringLiteral("Nothing"), kvoCC_Text, kvoOP_Equals, {}));
    QCOMPARE(f.Count(), 0);
    // A number or date that does not read never reaches SQL: the whole text is empty.
    QVERIFY(f.Add(kvoCJ_None, QStringLiteral("PartsSearchData"), QStringLiteral("Weight"), kvoCC_Numeric, kvoOP_Equals,
                  QStringLiteral("1; DROP TABLE x")));
    QCOMPARE(f.SQLString(), QString());
    f.Clear();
    f.Add(kvoCJ_None, QStringLiteral("PartsSearchData"), QStringLiteral("Due"), kvoCC_Date, kvoOP_Equals, QStringLiteral("2024-02-30"));
    QCOMPARE(f.SQLString(), QString());
}

void TestFilterTerms::selectsTheRightRecords_data()
{
    QTest::addColumn<QList<T>>("terms");
    QTest::addColumn<Matcher>("matches");
    using M = Matcher;
    const auto ci = [](const QString &engine) { return engine != QLatin1String("postgresql"); };   // LIKE ignores case
    const auto materialLike = [](const Row &r, const std::function<bool(const QString &)> &p) {
        return r.hasRow && r.material && p(*r.material);
    };

    QTest::newRow("text equals") << QList<T>{{kvoCJ_None, "Material", kvoOP_Equals, "Brass"}}
                                 << M([](const Row &r, const QString &) { return r.material == QStringLiteral("Brass"); });
    QTest::newRow("text with apostrophe") << QList<T>{{kvoCJ_None, "Material", kvoOP_Equals, "O'Neil alloy"}}
                                          << M([](const Row &r, const QString &) { return r.material == QStringLiteral("O'Neil alloy"); });
    QTest::newRow("text with double quotes") << QList<T>{{kvoCJ_None, "Material", kvoOP_Equals, "say \"hi\""}}
                                             << M([](const Row &r, const QString &) { return r.material == QStringLiteral("say \"hi\""); });
    QTest::newRow("not equal skips null") << QList<T>{{kvoCJ_None, "Material", kvoOP_NotEquals, "Steel"}}
                                          << M([](const Row &r, const QString &) { return r.material && *r.material != QStringLiteral("Steel"); });
    QTest::newRow("like prefix") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsLike, "AL%"}}
                                 << M([=](const Row &r, const QString &e) {
                                        return materialLike(r, [&](const QString &m) {
                                            return m.startsWith(QLatin1String("AL"), ci(e) ? Qt::CaseInsensitive : Qt::CaseSensitive);
                                        });
                                    });
    QTest::newRow("escaped percent") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsLike, "100\\%%"}}
                                     << M([](const Row &r, const QString &) { return r.material == QStringLiteral("100%_pure"); });
    QTest::newRow("escaped underscore") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsLike, "100%\\_pure"}}
                                        << M([](const Row &r, const QString &) {
                                               return r.material == QStringLiteral("100%_pure") || r.material == QStringLiteral("100x_pure");
                                           });
    QTest::newRow("both escaped") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsLike, "100\\%\\_pure"}}
                                  << M([](const Row &r, const QString &) { return r.material == QStringLiteral("100%_pure"); });
    QTest::newRow("unescaped underscore") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsLike, "100__pure"}}
                                          << M([](const Row &r, const QString &) {
                                                 return r.material == QStringLiteral("100%_pure") || r.material == QStringLiteral("100x_pure");
                                             });
    QTest::newRow("escaped backslash") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsLike, "back\\\\%"}}
                                       << M([](const Row &r, const QString &) { return r.material == QStringLiteral("back\\slash"); });
    QTest::newRow("not like") << QList<T>{{kvoCJ_None, "Material", kvoOP_IsNotLike, "%a%"}}
                              << M([=](const Row &r, const QString &e) {
                                     return materialLike(r, [&](const QString &m) {
                                         return !m.contains(QLatin1Char('a'), ci(e) ? Qt::CaseInsensitive : Qt::CaseSensitive);
                                     });
                                 });
    QTest::newRow("numeric range") << QList<T>{{kvoCJ_None, "Weight", kvoOP_GreatorOrEqual, "5"}, {kvoCJ_And, "Weight", kvoOP_LessOrEqual, "10"}}
                                   << M([](const Row &r, const QString &) { return r.weight && *r.weight >= 5 && *r.weight <= 10; });
    QTest::newRow("negative numbers") << QList<T>{{kvoCJ_None, "Count", kvoOP_Less, "-5"}}
                                      << M([](const Row &r, const QString &) { return r.count && *r.count < -5; });
    QTest::newRow("date range") << QList<T>{{kvoCJ_None, "Due", kvoOP_GreatorOrEqual, "2024-01-10"}, {kvoCJ_And, "Due", kvoOP_Less, "2024-01-20 12:00"}}
                                << M([](const Row &r, const QString &) {
                                       return r.due && *r.due >= Convert::makeDate(QDate(2024, 1, 10)) &&
                                              *r.due < Convert::makeDate(QDate(2024, 1, 20), QTime(12, 0));
                                   });
    QTest::newRow("boolean true") << QList<T>{{kvoCJ_None, "Approved", kvoOP_IsTrue, ""}}
                                  << M([](const Row &r, const QString &) { return r.approved == true; });
    QTest::newRow("boolean false") << QList<T>{{kvoCJ_None, "Approved", kvoOP_IsFalse, ""}}
                                   << M([](const Row &r, const QString &) { return r.approved == false; });
    QTest::newRow("and before or") << QList<T>{{kvoCJ_None, "Weight", kvoOP_Greater, "8"},
                                               {kvoCJ_And, "Approved", kvoOP_IsTrue, ""},
                                               {kvoCJ_OR, "Tags", kvoOP_Includes, "urgent"}}
                                   << M([](const Row &r, const QString &) {
                                          // Records without a search-data row fall out of the join.
                                          return r.hasRow && ((r.weight && *r.weight > 8 && r.approved == true) ||
                                                              r.tags.contains(QStringLiteral("urgent")));
                                      });
    QTest::newRow("keyword includes") << QList<T>{{kvoCJ_None, "Tags", kvoOP_Includes, "steel"}}
                                      << M([](const Row &r, const QString &) { return r.tags.contains(QStringLiteral("steel")); });
    QTest::newRow("keyword with apostrophe") << QList<T>{{kvoCJ_None, "Tags", kvoOP_Includes, "it's"}}
                                             << M([](const Row &r, const QString &) { return r.tags.contains(QStringLiteral("it's")); });
    QTest::newRow("keyword excludes") << QList<T>{{kvoCJ_None, "Tags", kvoOP_Excludes, "urgent"}}
                                      << M([](const Row &r, const QString &) { return !r.tags.contains(QStringLiteral("urgent")); });
    QTest::newRow("two keywords") << QList<T>{{kvoCJ_None, "Tags", kvoOP_Includes, "urgent"}, {kvoCJ_And, "Tags", kvoOP_Includes, "steel"}}
                                  << M([](const Row &r, const QString &) {
                                         return r.tags.contains(QStringLiteral("urgent")) && r.tags.contains(QStringLiteral("steel"));
                                     });
    QTest::newRow("base fields") << QList<T>{{kvoCJ_None, "Description", kvoOP_Equals, "Part 3", true},
                                             {kvoCJ_OR, "Qty", kvoOP_Greater, "250", true}}
                                 << M([](const Row &r, const QString &) { return r.id == 3 || r.qty > 250; });
    QTest::newRow("base and search") << QList<T>{{kvoCJ_None, "Qty", kvoOP_LessOrEqual, "100", true}, {kvoCJ_And, "Approved", kvoOP_IsTrue, ""}}
                                     << M([](const Row &r, const QString &) { return r.qty <= 100 && r.approved == true; });
    QTest::newRow("single equals") << QList<T>{{kvoCJ_None, "Ratio", kvoOP_Equals, "1.1"}}
                                   << M([](const Row &r, const QString &) { return r.ratio == 1.1f; });
    QTest::newRow("single range") << QList<T>{{kvoCJ_None, "Ratio", kvoOP_GreatorOrEqual, "0.7"}, {kvoCJ_And, "Ratio", kvoOP_LessOrEqual, "1.3"}}
                                  << M([](const Row &r, const QString &) { return r.ratio && *r.ratio >= 0.7f && *r.ratio <= 1.3f; });
    QTest::newRow("note with newline") << QList<T>{{kvoCJ_None, "Remarks", kvoOP_IsLike, "%line2 for 1%"}}
                                       << M([](const Row &r, const QString &) { return r.remarks && r.remarks->contains(QLatin1String("line2 for 1")); });
}

void TestFilterTerms::selectsTheRightRecords()
{
    QFETCH(QList<T>, terms);
    QFETCH(Matcher, matches);
    // One database per engine serves every filter.
    const QString engine = KvoTest::currentEngine();
    if (!m_hosts.contains(engine)) {
        auto host = KvoTest::makeHost(30);
        QVERIFY(host);
        addColumns(*host->columns());
        QVERIFY(host->columns()->ColumnsSave(nullptr));
        QVERIFY(store(host->connection(), sampleRows()));
        m_hosts.emplace(engine, std::move(host));
    }
    KvoTest::Host *host = m_hosts.at(engine).get();
    const QList<Row> rows = sampleRows();

    const CFilterTerms filter = build(*host->columns(), terms);
    const QString condition = filter.SQLString();
    QVERIFY(!condition.isEmpty());
    QString error;
    const QList<int> keys = selectedKeys(host->connection(), condition, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QList<int> expected;
    for (const Row &r : rows) {
        if (matches(r, host->db->engine))
            expected.append(r.id);
    }
    QVERIFY2(!expected.isEmpty() || QTest::currentDataTag() == QByteArray(), "a filter that selects nothing proves little");
    QCOMPARE(keys, expected);
}

QTEST_GUILESS_MAIN(TestFilterTerms)
#include "tst_filterterms.moc"
