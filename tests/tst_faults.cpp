// Faults while a record or a column set is saved: a database locked by another connection, a file
// that takes no writes, a full disk. Each save fails, says why, leaves everything as it was, and
// goes through once the cause is gone.
#include "figures.h"
#include "testhost.h"

#include "columns/cfiltercolumns.h"

#include "hostkit/connection.h"
#include "hostkit/messagebox.h"
#include "hostkit/resourcetexts.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

enum class Fault { Lock, ReadOnly, DiskFull };
enum class Save { EditControl, ClientUpdates, Definitions };

// A keyword list long enough to need new pages of the file.
QStringList longKeywordList()
{
    QStringList list;
    for (int i = 0; i < 120; ++i)
        list.append(u"keyword %1 "_s.arg(i, 3, 10, QLatin1Char('0')).leftJustified(55, u'x'));
    return list;
}

// Makes the fault happen on the host's file (or undoes it); `other` holds the competing
// connection's lock.
bool inject(KvoTest::Host &host, Fault fault, bool on, std::unique_ptr<Connection> &other)
{
    Connection &db = host.connection();
    switch (fault) {
    case Fault::Lock:
        if (!on)
            return other->CommitTransaction();
        other = host.database().openSecond();
        // The host gives up after a short wait instead of the usual seconds.
        return other && KvoTest::exec(db, u"PRAGMA busy_timeout = 20"_s) && other->BeginTransaction();
    case Fault::ReadOnly:
        return KvoTest::exec(db, on ? u"PRAGMA query_only = ON"_s : u"PRAGMA query_only = OFF"_s);
    case Fault::DiskFull:
        // No free pages left in the file either: the file is as full as it may grow.
        if (on && !KvoTest::exec(db, u"VACUUM"_s))
            return false;
        return KvoTest::exec(db,
                             on ? u"PRAGMA max_page_count = "_s + KvoTest::cell(db, u"PRAGMA page_count"_s).toString()
                                : u"PRAGMA max_page_count = 1000000"_s);
    }
    return false;
}

bool save(KvoTest::Host &host, Save how, const QString &material)
{
    CFilterColumns &set = *host.columns();
    CMergeBaseEntry entry(1);
    switch (how) {
    case Save::Definitions:
        // A column added to the set stays there when its save fails, ready for the next one.
        if (!set.findByName(material) && !KvoTest::addColumn(set, {material, fcInteger32}))
            return false;
        return set.ColumnsSave(nullptr);
    case Save::ClientUpdates:
        set.Item("Material")->setUpdatedValue(Variant::text(material));
        return set.SaveDataFromClientUpdates(&entry);
    case Save::EditControl: {
        KvoTest::Controls controls(set);
        controls.enter(u"Material"_s, material);
        // The first save writes one keyword, later ones many that need room of their own.
        controls.enter(u"Tags"_s, material == u"old" ? material : longKeywordList().join(u'|'));
        return set.SaveDataFromEditControl(&entry);
    }
    }
    return false;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void sqliteFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Save>("how");
        QTest::addColumn<int>("lockedText"); // the locked-record message shown, 0 for none
        QTest::addColumn<int>("lockedDetail");
        QTest::addColumn<QString>("reason"); // what the engine says, in the connection's last error
        QTest::newRow("locked: row and keywords") << Fault::Lock << Save::EditControl << 8471 << 8472 << u"locked"_s;
        QTest::newRow("locked: row") << Fault::Lock << Save::ClientUpdates << 8471 << 8473 << u"locked"_s;
        QTest::newRow("locked: definitions") << Fault::Lock << Save::Definitions << 8456 << 8457 << u"locked"_s;
        QTest::newRow("read-only: row and keywords") << Fault::ReadOnly << Save::EditControl << 0 << 0 << u"readonly"_s;
        QTest::newRow("read-only: definitions") << Fault::ReadOnly << Save::Definitions << 0 << 0 << u"readonly"_s;
        QTest::newRow("disk full: row and keywords") << Fault::DiskFull << Save::EditControl << 0 << 0 << u"full"_s;
    }

    void sqliteFaults()
    {
        QFETCH(Fault, fault);
        QFETCH(Save, how);
        QFETCH(int, lockedText);
        QFETCH(int, lockedDetail);
        QFETCH(QString, reason);
        KVO_MAKE_HOST(1, {{"Material", fcText, {}, 60}, {"Tags", fcKeyword, {}, 60}}, Engine::SQLite);
        QVERIFY(save(*host, Save::EditControl, u"old"_s));
        const QStringList before = KvoTest::dump(*host);

        std::unique_ptr<Connection> other;
        QVERIFY(inject(*host, fault, true, other));
        {
            KvoTest::ScriptedMessages messages(MsgBox::vbOK);
            QVERIFY(!save(*host, how, u"Added"_s));
            QVERIFY2(host->connection().lastError().contains(reason, Qt::CaseInsensitive),
                     qPrintable(host->connection().lastError()));
            QStringList shown;
            for (const MessageRequest &request : messages.requests())
                shown.append(request.text);
            const auto &texts = ResourceTexts::instance();
            QCOMPARE(shown, lockedText ? QStringList{texts.Text(lockedText) + u"\n\n"_s + texts.Text(lockedDetail)}
                                       : QStringList{});
        }
        QVERIFY(!host->connection().inTransaction());
        const QStringList after = KvoTest::dump(*host);
        int changed = 0;
        for (const QString &row : before)
            changed += after.contains(row) ? 0 : 1;
        KvoTest::reliabilityFigure(Engine::SQLite, u"faults injected"_s, 1, changed);
        QCOMPARE(after, before);

        // Once the cause is gone the same save goes through.
        QVERIFY(inject(*host, fault, false, other));
        QVERIFY(save(*host, how, u"Added"_s));
        QVERIFY(KvoTest::dump(*host) != before);
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
