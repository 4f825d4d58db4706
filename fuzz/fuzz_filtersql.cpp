// The filter's SQL from random terms: on a real SQLite database with known records, the condition
// that CFilterTerms writes prepares and selects the same keys as a plain evaluator of the terms
// here (three-valued logic, AND before OR, records without search data left out when a term
// compares a search-data field, LIKE with its escape, a number or date that does not read
// selecting nothing).

#include "fuzzsupport.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "filter/cfilterterms.h"
#include "filter/filterfields.h"
#include "referencehost/columndef.h"
#include "referencehost/host.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>

using namespace KvoPlx800SCtl;
using KvoFuzz::check;

namespace {

enum class Truth { False, True, Unknown };

Truth truth(bool b) { return b ? Truth::True : Truth::False; }
Truth negate(Truth t) { return t == Truth::Unknown ? t : truth(t == Truth::False); }
Truth both(Truth a, Truth b)
{
    if (a == Truth::False || b == Truth::False)
        return Truth::False;
    return a == Truth::True && b == Truth::True ? Truth::True : Truth::Unknown;
}
Truth either(Truth a, Truth b)
{
    if (a == Truth::True || b == Truth::True)
        return Truth::True;
    return a == Truth::False && b == Truth::False ? Truth::False : Truth::Unknown;
}

struct Record
{
    int id;
    QString description; // base fields
    qint64 qty;
    bool hasRow; // search data
    std::optional<QString> name;
    std::optional<qint64> count;
    std::optional<double> weight;
    std::optional<QDateTime> made;
    std::optional<bool> active;
    QStringList tags;
};

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0) { return Convert::makeDate(QDate(y, mo, d), QTime(h, mi)); }

const QList<Record> &records()
{
    static const QList<Record> list = {
            {1, "Bracket 1", 10, true, "alpha", 5, 2.5, at(2024, 3, 1, 8), true, {"steel", "hot"}},
            {2, "Bracket 2", 20, true, "Alpha", -3, {}, at(1999, 12, 31), false, {"Steel"}},
            {3, "Bracket 3", 30, true, "a%b_c", 0, -0.125, {}, {}, {}},
            {4, "Bracket 4", 40, true, "it's", {}, 1e10, at(2024, 3, 1), true, {"a%b"}},
            {5, "Bracket 5", 50, true, "back\\slash", 100000, 0.0, at(2000, 1, 1, 12, 30), false, {"steel", "x_y"}},
            {6, "Bracket 6", 60, true, {}, 7, 3.75, at(1900, 6, 15), true, {}},
            {7, "Bracket 7", 70, false, {}, {}, {}, {}, {}, {"steel"}},
            {8, "Bracket 8", 80, false, {}, {}, {}, {}, {}, {}},
    };
    return list;
}

// The host on a SQLite file: base table Parts (PartId, Description, Qty), the search columns and
// the values of records().
KvoHost::Host &host()
{
    static QTemporaryDir dir;
    static KvoHost::Host *h = [] {
        auto *made = new KvoHost::Host;
        QString error;
        check(made->open(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("filter.sqlite")), &error),
              "the database opens", error);
        check(made->createBaseTable(QStringLiteral("Parts"), 8), "the base table is made");
        made->openTable(QStringLiteral("Parts"));
        check(made->columns()
                      && KvoHost::addColumns(*made->columns(), {{"Name", fcText, {}, 30},
                                                                {"Count", fcInteger32},
                                                                {"Weight", fcDouble},
                                                                {"Made", fcDateTime},
                                                                {"Active", fcBoolean},
                                                                {"Tags", fcKeyword, {}, 30}}),
              "the search columns are saved");
        CFilterColumns &set = *made->columns();
        auto &db = made->connection();
        const auto text = [&](const std::optional<QString> &v) {
            return v ? db.QuoteText(*v) : QStringLiteral("NULL");
        };
        const auto number = [](const auto &v) {
            return v ? Variant::dbl(double(*v)).toText() : QStringLiteral("NULL");
        };
        const QString data = db.QuoteName(set.SearchDataTableName());
        const QString tags = db.QuoteName(set.KeywordTableName(set.Item(QStringLiteral("Tags"))));
        QSqlQuery q(db.database());
        for (const Record &r : records()) {
            if (r.hasRow) {
                const QString sql =
                        QStringLiteral("INSERT INTO %1 (PartId, Name, Count, Weight, Made, Active) VALUES (%2, %3, %4, "
                                       "%5, %6, %7)")
                                .arg(data)
                                .arg(r.id)
                                .arg(text(r.name), r.count ? QString::number(*r.count) : QStringLiteral("NULL"),
                                     number(r.weight), r.made ? db.SqlDateLiteral(*r.made) : QStringLiteral("NULL"),
                                     r.active ? QString::number(db.SqlBooleanValue(*r.active))
                                              : QStringLiteral("NULL"));
                check(q.exec(sql), "a search-data row is written", sql + u' ' + q.lastError().text());
            }
            for (const QString &tag : r.tags) {
                const QString sql = QStringLiteral("INSERT INTO %1 (PartId, Tags) VALUES (%2, %3)")
                                            .arg(tags)
                                            .arg(r.id)
                                            .arg(db.QuoteText(tag));
                check(q.exec(sql), "a keyword row is written", sql + u' ' + q.lastError().text());
            }
        }
        return made;
    }();
    return *h;
}

// SQLite's LIKE with the escape "\": "%" any run, "_" any one character, ASCII letters without
// regard to case; an escape at the very end matches nothing.
bool like(const QList<uint> &text, qsizetype t, const QList<uint> &pattern, qsizetype p)
{
    const auto fold = [](uint c) { return c < 0x80 && c >= 'A' && c <= 'Z' ? c + 32 : c; };
    while (p < pattern.size()) {
        uint c = pattern.at(p++);
        if (c == '%') {
            for (qsizetype k = t; k <= text.size(); ++k) {
                if (like(text, k, pattern, p))
                    return true;
            }
            return false;
        }
        if (c == '_') {
            if (t >= text.size())
                return false;
            ++t;
            continue;
        }
        if (c == '\\') {
            if (p >= pattern.size())
                return false;
            c = pattern.at(p++);
        }
        if (t >= text.size() || fold(text.at(t)) != fold(c))
            return false;
        ++t;
    }
    return t == text.size();
}

template <typename T>
Truth compare(const std::optional<T> &field, const T &value, EComparisonOperations op)
{
    if (!field)
        return Truth::Unknown;
    switch (op) {
    case kvoOP_Equals:
        return truth(*field == value);
    case kvoOP_NotEquals:
        return truth(!(*field == value));
    case kvoOP_Less:
        return truth(*field < value);
    case kvoOP_Greater:
        return truth(value < *field);
    case kvoOP_LessOrEqual:
        return truth(!(value < *field));
    case kvoOP_GreatorOrEqual:
        return truth(!(*field < value));
    default:
        check(false, "an ordered comparison", QString::number(int(op)));
        return Truth::Unknown;
    }
}

struct Term
{
    EConjunctions conjunction;
    QString field;
    bool base;
    FilterComparisonClasses cls;
    EComparisonOperations op;
    QString value;
};

Truth evaluate(const Term &term, const Record &r)
{
    QString value = term.value;
    value.remove(QChar(0)); // no engine keeps a NUL in a text
    if (term.cls == kvoCC_Keyword) {
        const Truth has = truth(r.tags.contains(value));
        return term.op == kvoOP_Excludes ? negate(has) : has;
    }
    if (term.cls == kvoCC_Boolean) {
        if (!r.active)
            return Truth::Unknown;
        return truth(*r.active == (term.op == kvoOP_IsTrue));
    }
    if (term.cls == kvoCC_Text) {
        const std::optional<QString> field = term.field == u"Description" ? std::optional(r.description) : r.name;
        if (term.op == kvoOP_IsLike || term.op == kvoOP_IsNotLike) {
            if (!field)
                return Truth::Unknown;
            const Truth matched = truth(like(field->toUcs4(), 0, value.toUcs4(), 0));
            return term.op == kvoOP_IsLike ? matched : negate(matched);
        }
        // BINARY collation: the bytes of the UTF-8 text.
        const std::optional<QByteArray> bytes = field ? std::optional(field->toUtf8()) : std::nullopt;
        return compare(bytes, value.toUtf8(), term.op);
    }
    if (term.cls == kvoCC_Date)
        return compare(r.made, *Convert::parseDate(term.value), term.op);
    // Numbers compare exactly: a whole number is written as the integer it is.
    bool whole = false;
    const qint64 integer = QLocale().toLongLong(term.value.trimmed(), &whole);
    const long double number = whole ? (long double)integer : (long double)*Convert::parseNumber(term.value);
    std::optional<long double> field;
    if (term.field == u"Qty")
        field = (long double)r.qty;
    else if (term.field == u"PartId")
        field = (long double)r.id;
    else if (term.field == u"Count" && r.count)
        field = (long double)*r.count;
    else if (term.field == u"Weight" && r.weight)
        field = (long double)*r.weight;
    return compare(field, number, term.op);
}

std::set<int> expectedKeys(const QList<Term> &terms)
{
    for (const Term &t : terms) {
        if ((t.cls == kvoCC_Numeric && !Convert::parseNumber(t.value))
            || (t.cls == kvoCC_Date && !Convert::parseDate(t.value)))
            return {};
    }
    const bool joined =
            std::any_of(terms.begin(), terms.end(), [](const Term &t) { return !t.base && t.cls != kvoCC_Keyword; });
    std::set<int> keys;
    for (const Record &r : records()) {
        if (joined && !r.hasRow)
            continue;
        // OR of AND chains.
        Truth any = Truth::False;
        Truth chain = Truth::True;
        for (qsizetype i = 0; i < terms.size(); ++i) {
            if (i > 0 && terms.at(i).conjunction == kvoCJ_OR) {
                any = either(any, chain);
                chain = Truth::True;
            }
            chain = both(chain, evaluate(terms.at(i), r));
        }
        if (either(any, chain) == Truth::True)
            keys.insert(r.id);
    }
    return keys;
}

QString pick(FuzzedDataProvider &in, FilterComparisonClasses cls)
{
    static const QStringList texts = {
            "alpha", "Alpha", "ALPHA", "a%b_c", "a\\%b\\_c", "it's", "back\\slash", "back\\\\slash",
            "%",     "_",     "a%",    "%a%",   "\\",        "",     "Bracket 3",   "bracket _",
            "%3",    "st%",   "steel", "Steel", "hot",       "a%b",  "x_y",         "x%y"};
    static const QStringList numbers = {
            "0",     "5",   "-3",  "2.5", "1e10", "100000", "7.0",    "-0.125", "abc", "", "9007199254740993",
            "1e400", "inf", "nan", " 5 ", "30",   "3.75",   "-1e-300"};
    static const QStringList dates = {"2024-03-01",         "2024-03-01 08:00:00", "1999-12-31", "2000-01-01 12:30",
                                      "1900-06-15",         "12/31/1999",          "garbage",    "",
                                      "2024-03-01 08:00:01"};
    if (in.ConsumeIntegralInRange(0, 3) == 0)
        return QString::fromUtf8(in.ConsumeRandomLengthString(16));
    const QStringList &pool = cls == kvoCC_Numeric ? numbers : cls == kvoCC_Date ? dates : texts;
    return pool.at(in.ConsumeIntegralInRange<qsizetype>(0, pool.size() - 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvoFuzz::initialise();
    KvoHost::Host &h = host();
    CFilterColumns &set = *h.columns();
    static const QList<FilterField> fields = [&] {
        QList<FilterField> known;
        for (const FilterField &f : filterFields(set)) {
            if (QStringList{"Name", "Count", "Weight", "Made", "Active", "Tags", "PartId", "Description", "Qty"}
                        .contains(f.name()))
                known.append(f);
        }
        check(known.size() == 9, "every field is offered", QString::number(known.size()));
        return known;
    }();

    FuzzedDataProvider in(data, size);
    QList<Term> terms;
    CFilterTerms filter;
    filter.setFilterColumns(&set);
    const int count = in.ConsumeIntegralInRange(1, 4);
    for (int i = 0; i < count; ++i) {
        const FilterField &f = fields.at(in.ConsumeIntegralInRange<qsizetype>(0, fields.size() - 1));
        const QList<EComparisonOperations> ops = comparisonsOf(f.comparisonClass);
        Term t{i == 0 ? kvoCJ_None : (in.ConsumeBool() ? kvoCJ_And : kvoCJ_OR), f.name(), f.isBase(), f.comparisonClass,
               ops.at(in.ConsumeIntegralInRange<qsizetype>(0, ops.size() - 1)), QString()};
        t.value = pick(in, t.cls);
        check(filter.Add(t.conjunction, f.table(set), t.field, t.cls, t.op, t.value) != nullptr, "a term is added");
        terms.append(t);
    }

    const QString condition = filter.SQLString();
    check(!condition.isEmpty(), "the condition is written");
    const QString sql = QStringLiteral("SELECT Parts.PartId FROM Parts WHERE ") + condition;
    QSqlQuery q(h.connection().database());
    check(q.exec(sql), "the condition prepares", sql + u'\n' + q.lastError().text());
    std::set<int> keys;
    while (q.next())
        keys.insert(q.value(0).toInt());
    const std::set<int> expected = expectedKeys(terms);
    QString shown;
    for (int k : keys)
        shown += QString::number(k) + u' ';
    shown += QStringLiteral("| expected ");
    for (int k : expected)
        shown += QString::number(k) + u' ';
    check(keys == expected, "the condition selects what the terms say", sql + u'\n' + shown);
    return 0;
}
