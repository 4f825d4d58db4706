// Hostile names: column names, captions and base tables named with quotes, brackets, backticks,
// blanks, reserved words, non-Latin letters and at the length edge. Every operation either refuses
// the name with a reason or works, on every engine: defining and saving the column, its picklist
// or keyword table, a record's values, a filter, the search fields of a host's query, deleting the
// column.

#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "filter/cfilterterms.h"
#include "hostkit/connection.h"
#include "hostkit/recordset.h"
#include "picklists/cscpicklist.h"
#include "referencehost/engines.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

// A name of `bytes` UTF-8 bytes made of "ä" (two bytes each) and a final "x" when odd.
QString ofBytes(int bytes) { return QString(bytes / 2, u'ä') + (bytes % 2 ? u"x"_s : QString()); }

// Names that only hold letters, digits and "_" within the limit must work; any other may be
// refused with a reason.
bool mustWork(const QString &name, int limit)
{
    static const QRegularExpression plain(u"^[\\p{L}\\p{N}_]+$"_s);
    return plain.match(name).hasMatch() && name.toUtf8().size() <= limit
           && std::none_of(name.begin(), name.end(), [](QChar c) { return c.isSurrogate(); })
           && name.compare(u"PartId"_s, Qt::CaseInsensitive) != 0;
}

} // namespace

class TestHostileNames : public QObject
{
    Q_OBJECT

private:
    // Every operation on a column named `name` of `type` (captioned `caption`) on base table
    // `table`; empty when all worked or the name was refused with a reason, else what broke.
    QString exercise(Engine engine, const QString &table, const QString &name, const QString &caption,
                     FilterColumnTypeConstants type, bool *refused)
    {
        *refused = false;
        auto host = KvoTest::makeHost(3, engine);
        if (!host)
            return u"no database"_s;
        Connection &db = host->connection();
        if (table != u"Parts") {
            if (!host->createBaseTable(table, 3))
                return u"the base table cannot be made: "_s + db.lastError();
            host->openTable(table);
        }
        if (!host->columns())
            return u"no column set: status %1"_s.arg(int(host->filter->setupStatus()));
        CFilterColumns &set = *host->columns();

        KvoTest::ReportedFailures reasons;
        CFilterColumn *column = KvoHost::addColumn(set, {name, type, caption, 20, type == fcText, true});
        if (!column) {
            *refused = true;
            return reasons.descriptions().contains(name) || reasons.descriptions().contains(table)
                           ? QString()
                           : u"refused without a reason"_s;
        }
        if (!set.ColumnsSave(nullptr))
            return u"save: "_s + reasons.descriptions();
        host->reopenFilter();
        if (host->filter->setupStatus() != kvoFCSSuccess || !host->columns())
            return u"set-up after the save: status %1"_s.arg(int(host->filter->setupStatus()));
        CFilterColumns &saved = *host->columns();
        CFilterColumn *c = saved.Item(name);
        if (!c || c->Caption() != caption)
            return u"the definition does not read back"_s;

        // A record's value, written as the control writes it and read back.
        const QString value = u"v'1 \"[x]\" `y`"_s;
        if (type == fcText && !c->PickList()->SaveAdditions({value}))
            return u"picklist: "_s + reasons.descriptions();
        if (type == fcKeyword) {
            KvoTest::Controls controls(saved, {name});
            controls.enter(name, value + u"|k2"_s);
            CMergeBaseEntry entry(1);
            if (!saved.SaveDataFromEditControl(&entry))
                return u"saving a record: "_s + reasons.descriptions();
        } else if (!KvoTest::saveValues(saved, 1, {{name, Variant::text(value)}})) {
            return u"saving a record: "_s + reasons.descriptions();
        }
        bool complete = false;
        const QStringList read = KvoTest::readValues(saved, 1, &complete);
        const QString expected = type == fcKeyword ? QStringList{u"k2"_s, value}.join(u'|') : u"Text:"_s + value;
        if (!complete || read != QStringList{expected})
            return u"reading a record: "_s + read.join(u", "_s) + u' ' + reasons.descriptions();

        // A filter on the column selects the record, in the host's query with the search fields.
        CFilterTerms terms;
        terms.setFilterColumns(&saved);
        const bool keyword = type == fcKeyword;
        if (!terms.Add(kvoCJ_None, keyword ? saved.KeywordTableName(c) : saved.SearchDataTableName(), name,
                       keyword ? kvoCC_Keyword : kvoCC_Text, keyword ? kvoOP_Includes : kvoOP_Equals, value))
            return u"a filter term: "_s + reasons.descriptions();
        // The host's query takes the search fields when there is a search-data table.
        QString sql = u"SELECT "_s + db.QualifiedName(saved.baseTableName(), saved.keyFieldName());
        const QString searchTable = host->filter->SQLSearchTable();
        if (!searchTable.isEmpty())
            sql += u", %1 FROM %2 LEFT JOIN %3 ON %4"_s.arg(host->filter->SQLSearchFields(),
                                                            db.QuoteName(saved.baseTableName()), searchTable,
                                                            host->filter->SQLSearchJoinOn());
        else
            sql += u" FROM "_s + db.QuoteName(saved.baseTableName());
        sql += u" WHERE "_s + terms.SQLString();
        auto rows = db.OpenQuery(sql);
        if (!rows)
            return u"query: "_s + db.lastError() + u'\n' + sql;
        rows->MoveFirst();
        if (rows->EOF() || rows->value(0).toInt() != 1)
            return u"the filter does not select the record: "_s + sql;

        // Deleting the column takes its table with it.
        const QString own = keyword ? saved.KeywordTableName(c) : saved.PicklistTableName(c);
        if (!saved.Remove(name) || !saved.ColumnsSave(nullptr))
            return u"delete: "_s + reasons.descriptions();
        if (KvoTest::tableExists(host->catalog(), own))
            return own + u" is left after the delete"_s;
        return {};
    }

private slots:
    void names_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("type");
        const QStringList names = {u"it's"_s,   u"say \"hi\""_s, u"[x]"_s,    u"a`b"_s,    u"two words"_s,
                                   u"a.b"_s,    u"Select"_s,     u"Größe"_s,  u"日本語"_s, u"partid"_s,
                                   u"trail "_s, u"\U0001D538"_s, ofBytes(42), ofBytes(43)};
        const QStringList captions = {u"it's \"big\" `x` [y]"_s, u"Select"_s, u" lead, trail "_s, ofBytes(63),
                                      ofBytes(64)};
        const QStringList tables = {u"Order Items"_s, u"it's"_s,   u"Größe"_s, u"select"_s,
                                    u"a`b[c]\"d"_s,   ofBytes(46), ofBytes(47)};
        for (Engine engine : KvoTest::configuredEngines()) {
            const QString e = KvoHost::shortName(engine);
            for (const QString &name : names) {
                for (int type : {int(fcText), int(fcKeyword)}) {
                    QTest::addRow("%s column %s %s", qPrintable(e), type == fcText ? "text" : "keyword",
                                  qPrintable(name))
                            << engine << u"Parts"_s << name << u"Caption"_s << type;
                }
            }
            for (const QString &caption : captions)
                QTest::addRow("%s caption %s", qPrintable(e), qPrintable(caption))
                        << engine << u"Parts"_s << u"Material"_s << caption << int(fcText);
            for (const QString &table : tables) {
                for (int type : {int(fcText), int(fcKeyword)}) {
                    QTest::addRow("%s table %s %s", qPrintable(e), type == fcText ? "text" : "keyword",
                                  qPrintable(table))
                            << engine << table << u"Material"_s << u"Material"_s << type;
                }
            }
        }
    }

    void names()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, table);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, type);
        bool refused = false;
        const QString broke = exercise(engine, table, name, caption, FilterColumnTypeConstants(type), &refused);
        QVERIFY2(broke.isEmpty(), qPrintable(broke));
        QVERIFY2(!refused || !mustWork(name, 63 - 16 - int(table.toUtf8().size())),
                 "a name of letters, digits and _ within the limit is refused");
    }
};

QTEST_MAIN(TestHostileNames)
#include "tst_hostilenames.moc"
