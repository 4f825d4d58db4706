#include "testdatabases.h"

#include "hostkit/adotypes.h"
#include "hostkit/recordset.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using KvoPlx800SCtl::HostKit::Catalog;
using KvoPlx800SCtl::HostKit::CatalogKey;
using KvoPlx800SCtl::HostKit::Connection;

namespace KvoTest {

namespace {

// Whether the running test class asked for engine rows (global data is only there then).
bool g_engineRows = false;

} // namespace

void addEngineColumn()
{
    QTest::addColumn<Engine>("engine");
    for (const Engine engine : configuredEngines())
        QTest::newRow(qPrintable(KvoHost::shortName(engine))) << engine;
}

void addEngineRows()
{
    g_engineRows = true;
    addEngineColumn();
}

Engine currentEngine()
{
    // Global data exists in test functions, not in initTestCase/cleanupTestCase.
    const char *function = QTest::currentTestFunction();
    if (!g_engineRows || !function || qstrcmp(function, "initTestCase") == 0
        || qstrcmp(function, "cleanupTestCase") == 0)
        return Engine::SQLite;
    return *static_cast<Engine *>(QTest::qGlobalData("engine", qMetaTypeId<Engine>()));
}

std::unique_ptr<TestDatabase> open(std::optional<Engine> engine)
{
    const Engine e = engine.value_or(currentEngine());
    QString error;
    auto db = TestDatabase::create(e, {.prefix = QStringLiteral("kvo_t")}, &error);
    if (!db) {
        qWarning("No %s test database: %s", qPrintable(KvoHost::shortName(e)), qPrintable(error));
        return nullptr;
    }
    tally(e);
    return db;
}

bool exec(Connection &connection, const QString &sql)
{
    if (connection.ExecuteSql(sql))
        return true;
    const QByteArray message = QStringLiteral("SQL failed on %1: %2\n  %3")
                                       .arg(connection.dialect().engineName(), connection.lastError(), sql)
                                       .toUtf8();
    QTest::qFail(message.constData(), __FILE__, __LINE__);
    return false;
}

QString sql(Connection &connection, const QString &text)
{
    QString out;
    QChar quote; // the quote character of the text or name being copied; null outside one
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        const qsizetype end = ch == u'[' && quote.isNull() ? text.indexOf(u']', i) : -1;
        if (end > i) {
            out += connection.QuoteName(text.mid(i + 1, end - i - 1));
            i = end;
            continue;
        }
        if (ch == quote)
            quote = QChar();
        else if (quote.isNull() && (ch == u'\'' || ch == u'"' || ch == u'`'))
            quote = ch;
        out += ch;
    }
    return out;
}

bool run(Connection &connection, const QString &text) { return exec(connection, sql(connection, text)); }

QVariant cell(Connection &connection, const QString &text)
{
    auto rs = connection.OpenQuery(sql(connection, text));
    return rs && !rs->EOF() ? rs->value(0) : QVariant();
}

QStringList rows(Connection &connection, const QString &text)
{
    auto rs = connection.OpenQuery(sql(connection, text));
    if (!rs)
        return {QStringLiteral("error: ") + connection.lastError()};
    QStringList out;
    for (; !rs->EOF(); rs->MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs->fieldCount(); ++i)
            fields.append(rs->value(i).isNull() ? QStringLiteral("~") : rs->value(i).toString());
        out.append(fields.join(u'|'));
    }
    return out;
}

QString referredTable(Catalog &catalog, const QString &table, const QString &field)
{
    catalog.Refresh();
    const auto t = catalog.FindTable(table);
    for (const CatalogKey &key : t ? t->Keys : QList<CatalogKey>()) {
        if (key.Type == KvoPlx800SCtl::HostKit::adKeyForeign && key.Columns.contains(field, Qt::CaseInsensitive))
            return key.RelatedTable.toLower();
    }
    return {};
}

QStringList fieldNames(Catalog &catalog, const QString &table)
{
    catalog.Refresh();
    QStringList names;
    if (const auto t = catalog.FindTable(table)) {
        for (const auto &column : t->Columns)
            names.append(column.Name);
    }
    return names;
}

bool tableExists(Catalog &catalog, const QString &table)
{
    catalog.Refresh();
    return catalog.FindTable(table) != nullptr;
}

KvoPlx800SCtl::HostKit::TableStructure table(const QString &name, const QList<Field> &fields,
                                             const QStringList &primaryKey)
{
    KvoPlx800SCtl::HostKit::TableStructure s(name);
    for (const Field &f : fields)
        s.addField(f.name, f.type, f.size, f.nullable, f.defaultSql);
    if (!primaryKey.isEmpty())
        s.addKey(QStringLiteral("PK_") + name, KvoPlx800SCtl::HostKit::KeyKind::Primary, primaryKey);
    return s;
}

bool ddl(const KvoPlx800SCtl::HostKit::TableStructure &structure, bool ok, const char *call, const char *file, int line)
{
    if (!ok) {
        const QByteArray message = QStringLiteral("%1 of %2 failed: %3")
                                           .arg(QLatin1String(call), structure.TableName, structure.lastError())
                                           .toUtf8();
        QTest::qFail(message.constData(), file, line);
    }
    return ok;
}

void tally(Engine engine) { tally(KvoHost::shortName(engine)); }

void tally(const QString &name)
{
    const QString path = qEnvironmentVariable("KVO_TEST_TALLY");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const char *function = QTest::currentTestFunction();
    file.write(QStringLiteral("%1 %2 %3\n")
                       .arg(name, executable, QString::fromLatin1(function ? function : "-"))
                       .toUtf8());
}

void DatabaseTest::init()
{
    m_db = open();
    QVERIFY(m_db);
}

} // namespace KvoTest
