// Quoting per dialect: any text, written as a literal by QuoteText or as a name by QuoteName,
// comes back unchanged (less the NUL characters, which no engine keeps in a text): through a real
// SQLite table (and a name refers to its column there), and through a reader of PostgreSQL's and
// MariaDB's literal and identifier rules that accepts only what those engines read as one whole
// token.

#include "fuzzsupport.h"

#include "hostkit/dialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

using namespace KvoPlx800SCtl::HostKit;
using KvoFuzz::check;

namespace {

const Dialect &dialect(Engine engine)
{
    static const std::unique_ptr<Dialect> dialects[] = {
            Dialect::create(Engine::SQLite), Dialect::create(Engine::PostgreSQL), Dialect::create(Engine::MariaDB)};
    return *dialects[int(engine)];
}

QSqlDatabase &sqlite()
{
    static QSqlDatabase db = [] {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz_quoting"));
        d.setDatabaseName(QStringLiteral(":memory:"));
        check(d.open(), "an in-memory SQLite database opens");
        QSqlQuery q(d);
        check(q.exec(QStringLiteral("CREATE TABLE t (v TEXT)")), "the table is made");
        return d;
    }();
    return db;
}

// Reads one quoted token that must fill `sql` whole: `open` and `close` around the body, `close`
// doubled inside; with `backslashes`, a backslash escapes a backslash or a quote and nothing else
// (any other escape would change the text). nullopt when `sql` is not exactly one such token.
std::optional<QString> readToken(const QString &sql, const QString &open, QChar close, bool backslashes)
{
    if (!sql.startsWith(open))
        return std::nullopt;
    QString body;
    for (qsizetype i = open.size(); i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (backslashes && c == u'\\') {
            if (i + 1 >= sql.size() || (sql.at(i + 1) != u'\\' && sql.at(i + 1) != u'\''))
                return std::nullopt;
            body += sql.at(++i);
        } else if (c == close) {
            if (i + 1 < sql.size() && sql.at(i + 1) == close) {
                body += c;
                ++i;
            } else {
                return i + 1 == sql.size() ? std::optional<QString>(body) : std::nullopt;
            }
        } else {
            body += c;
        }
    }
    return std::nullopt;
}

// What SQLite hands back of a text passed through its UTF-16 interface (the Qt driver's): the
// noncharacters U+FFFE and U+FFFF come back as U+FFFD, which SQLite puts in their place when it
// converts UTF-8 to UTF-16. The other engines keep them.
QString keptBySqlite(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

void sqliteRoundTrip(const QString &text, const QString &kept)
{
    const Dialect &d = dialect(Engine::SQLite);
    QSqlQuery q(sqlite());
    check(q.exec(QStringLiteral("DELETE FROM t")), "the table empties");
    const QString insert = QStringLiteral("INSERT INTO t (v) VALUES (") + d.QuoteText(text) + u')';
    check(q.exec(insert), "the literal is accepted", insert);
    check(q.exec(QStringLiteral("SELECT v FROM t")) && q.next(), "the row reads back");
    check(q.value(0).toString() == kept && !q.next(), "the text comes back whole", insert);
    if (kept.isEmpty())
        return;
    // A name names the column it was given to (SQLite would take a double-quoted text that names
    // no column for a string).
    const QString name = d.QuoteName(text);
    const QString select = QStringLiteral("SELECT typeof(%1), %1 FROM (SELECT 42 AS %1)").arg(name);
    check(q.exec(select) && q.next(), "the name is accepted", select);
    check(q.value(0).toString() == QLatin1String("integer") && q.value(1).toInt() == 42,
          "the name refers to its column", select);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvoFuzz::initialise();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString kept = text;
    kept.remove(QChar(0));

    sqliteRoundTrip(text, keptBySqlite(kept));

    const Dialect &pg = dialect(Engine::PostgreSQL);
    const QString pgText = pg.QuoteText(text);
    const bool escaped = pgText.startsWith(u'E');
    check(readToken(pgText, escaped ? QStringLiteral("E'") : QStringLiteral("'"), u'\'', escaped) == kept,
          "a PostgreSQL literal reads as the text", pgText);
    check(readToken(pg.QuoteName(text), QStringLiteral("\""), u'"', false) == kept, "a PostgreSQL name reads back");

    const Dialect &maria = dialect(Engine::MariaDB);
    const QString mariaText = maria.QuoteText(text);
    check(readToken(mariaText, QStringLiteral("'"), u'\'', maria.backslashEscapes()) == kept,
          "a MariaDB literal reads as the text", mariaText);
    check(readToken(maria.QuoteName(text), QStringLiteral("`"), u'`', false) == kept, "a MariaDB name reads back");
    return 0;
}
