// The user's last filter in the profile: what is written, what is read back, and where older hosts
// left it.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "filter/cfilterterms.h"

#include "hostkit/texthelper.h"
#include "hostkit/userprofile.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

QStringList describe(const std::unique_ptr<CFilterTerms> &terms)
{
    if (!terms)
        return {u"<none>"_s};
    QStringList out;
    for (const CFilterTerm *t : terms->NewEnum())
        out.append(u"%1 %2.%3 c%4 op%5 [%6]"_s.arg(t->Conjunction())
                           .arg(t->Table(), t->Field())
                           .arg(t->ComparisonClass())
                           .arg(t->Operation())
                           .arg(t->CompareTo()));
    return out;
}

} // namespace

class TestSavedFilters : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_host = KvoTest::makeHost(1, Engine::SQLite);
        QVERIFY(m_host);
        QVERIFY(KvoTest::addColumns(*m_host->columns(), {{"Weight", fcDouble, {}, 0},
                                                         {"Tags", fcKeyword},
                                                         {"Due", fcDateTime, {}, 0},
                                                         {"Ok", fcBoolean, {}, 0}}));
        TextHelper::instance().setCurrentUser(17, u"alice"_s);
        m_terms = std::make_unique<CFilterTerms>();
        m_terms->setFilterColumns(m_host->columns());
        const QString data = u"PartsSearchData"_s;
        m_terms->Add(kvoCJ_None, data, u"Weight"_s, kvoCC_Numeric, kvoOP_Greater, u"2.5"_s);
        m_terms->Add(kvoCJ_And, data, u"Ok"_s, kvoCC_Boolean, kvoOP_IsTrue, u"x"_s);
        m_terms->Add(kvoCJ_OR, u"PartsSearchKeywordTags"_s, u"Tags"_s, kvoCC_Keyword, kvoOP_Includes, u"it's"_s);
        m_terms->Add(kvoCJ_And, u"Parts"_s, u"Description"_s, kvoCC_Text, kvoOP_IsLike, u"P%"_s);
        m_terms->Add(kvoCJ_None, data, u"Due"_s, kvoCC_Date, kvoOP_Less, u"2024-01-31 10:11:12"_s);
    }

    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        m_terms.reset();
        m_host.reset();
    }

    void roundTrip()
    {
        CSearchFilter &f = *m_host->filter;
        CFilterColumns *set = m_host->columns();
        UserProfile &profile = *m_host->profile;
        f.SaveFilter(m_terms.get(), set, &profile, u"17"_s, fltrDBMode_Normal);

        const QString section = u"Parts_17_Last_Filter"_s;
        QCOMPARE(f.FilterSection(u"17"_s, fltrDBMode_Archive), u"Parts_17_Archive_Last_Filter"_s);
        // A Boolean term keeps no compare-to value; a term without conjunction keeps none either.
        const QStringList keys = profile.Keys(section);
        for (const char *key : {"CompareTo2", "Conjunction1", "Conjunction5"})
            QVERIFY2(!keys.contains(QString::fromLatin1(key)), key);
        QCOMPARE(profile.GetText(section, u"CompareTo5"_s, {}), u"#2024-01-31 10:11:12#"_s);

        // The classes are derived again: the same SQL; the date reads back as the user's locale shows it.
        QVERIFY(!m_terms->SQLString().isEmpty());
        QCOMPARE(f.GetFilter(set, &profile, u"17"_s, fltrDBMode_Normal)->SQLString(), m_terms->SQLString());
        KvoTest::DefaultLocale german(u"de_DE"_s);
        QCOMPARE(describe(f.GetFilter(set, &profile, u"17"_s, fltrDBMode_Normal)),
                 (QStringList{"0 PartsSearchData.Weight c4 op5 [2.5]", "1 PartsSearchData.Ok c1 op1 []",
                              "2 PartsSearchKeywordTags.Tags c2 op10 [it's]", "1 Parts.Description c3 op8 [P%]",
                              "0 PartsSearchData.Due c5 op4 [31.01.2024 10:11:12]"}));
        // Without a profile: nothing read, nothing written.
        QVERIFY(!f.GetFilter(set, nullptr, u"17"_s, fltrDBMode_Normal));
        f.SaveFilter(m_terms.get(), set, nullptr, u"17"_s, fltrDBMode_Normal);
    }

    void sectionsAndGaps()
    {
        CSearchFilter &f = *m_host->filter;
        CFilterColumns *set = m_host->columns();
        UserProfile &profile = *m_host->profile;
        const auto read = [&](EFilterDatabaseModes mode) { return f.GetFilter(set, &profile, u"17"_s, mode); };
        f.SaveFilter(m_terms.get(), set, &profile, u"17"_s, fltrDBMode_Archive);
        // Archive and normal never see each other's filter.
        QCOMPARE(read(fltrDBMode_Normal)->Count(), 0);
        QCOMPARE(read(fltrDBMode_Archive)->Count(), 5);

        // A gap in the numbering ends the list; a term whose column is gone is left out.
        const QString section = f.FilterSection(u"17"_s, fltrDBMode_Archive);
        QVERIFY(profile.SetText(section, u"Field3"_s, QString()));
        QCOMPARE(read(fltrDBMode_Archive)->Count(), 2);
        QVERIFY(profile.SetText(section, u"Field2"_s, u"Vanished"_s));
        const auto gone = read(fltrDBMode_Archive);
        QCOMPARE(describe(gone), QStringList{"0 PartsSearchData.Weight c4 op5 [2.5]"});
        // ... and noted, so the dialog can say which condition was lost.
        QCOMPARE(gone->Problems(), (QList<FilterTermProblem>{{FilterTermProblem::NoSuchColumn, 2, u"Vanished"_s, {}}}));

        // Saving an empty filter deletes the section.
        CFilterTerms none;
        none.setFilterColumns(set);
        f.SaveFilter(&none, set, &profile, u"17"_s, fltrDBMode_Archive);
        QVERIFY(!profile.Sections().contains(section));
    }

    void olderPlaces()
    {
        CSearchFilter &f = *m_host->filter;
        CFilterColumns *set = m_host->columns();
        UserProfile &profile = *m_host->profile;
        QTemporaryDir dir;
        UserProfile old(dir.filePath(u"old.ini"_s));
        const auto has = [](const UserProfile &p, const char *name) {
            return p.Sections().contains(QLatin1String(name));
        };

        // Under the user's name in this profile: found, written under the number; the old profile's
        // user-name section is deleted.
        f.SaveFilter(m_terms.get(), set, &profile, u"alice"_s, fltrDBMode_Normal);
        f.SaveFilter(m_terms.get(), set, &old, u"alice"_s, fltrDBMode_Normal);
        QCOMPARE(f.LastFilter(&old, u"alice"_s, fltrDBMode_Normal)->Count(), 5);
        QVERIFY(has(profile, "Parts_17_Last_Filter") && !has(old, "Parts_alice_Last_Filter"));

        // Only in the old profile: written into this profile under the name, then moved to the number.
        f.SaveFilter(m_terms.get(), set, &old, u"bob"_s, fltrDBMode_Archive);
        TextHelper::instance().setCurrentUser(23, u"bob"_s);
        QCOMPARE(f.LastFilter(&old, u"bob"_s, fltrDBMode_Archive)->Count(), 5);
        QVERIFY(has(profile, "Parts_bob_Archive_Last_Filter") && !has(profile, "Parts_23_Archive_Last_Filter"));
        QVERIFY(!has(old, "Parts_bob_Archive_Last_Filter"));
        QCOMPARE(f.LastFilter(&old, u"bob"_s, fltrDBMode_Archive)->Count(), 5);
        QVERIFY(has(profile, "Parts_23_Archive_Last_Filter"));

        // Nothing anywhere: an empty filter.
        const auto none = f.LastFilter(&old, u"carol"_s, fltrDBMode_Normal);
        QVERIFY(none && !none->HasTerms());
    }

    // The dialog is offered the last filter; its answer becomes the last filter, a cancel keeps it.
    void filterRequest()
    {
        CSearchFilter &f = *m_host->filter;
        auto windows = std::make_unique<KvoTest::RecordingWindows>();
        f.SaveFilter(m_terms.get(), m_host->columns(), m_host->profile.get(), u"17"_s, fltrDBMode_Normal);
        auto status = FilterRequestStatus::NotOpened;
        QVERIFY(f.Filter(nullptr, u"alice"_s, nullptr, fltrDBMode_Normal, &status));
        QCOMPARE(status, FilterRequestStatus::Applied);
        QCOMPARE(windows->offered(), 5);
        QCOMPARE(describe(f.LastFilter(nullptr, u"alice"_s, fltrDBMode_Normal)),
                 QStringList{"0 PartsSearchData.Weight c4 op4 [3]"});
        // Cancel and a dialog that cannot open both keep the last filter; the status tells them apart.
        for (const auto answer : {FilterRequestStatus::Cancelled, FilterRequestStatus::NotOpened}) {
            windows->setAnswer(answer);
            QVERIFY(!f.Filter(nullptr, u"alice"_s, nullptr, fltrDBMode_Normal, &status));
            QCOMPARE(status, answer);
            QCOMPARE(f.LastFilter(nullptr, u"alice"_s, fltrDBMode_Normal)->Count(), 1);
        }
        windows.reset();
        status = FilterRequestStatus::Applied;
        QVERIFY(!f.Filter(nullptr, u"alice"_s, nullptr, fltrDBMode_Normal, &status));
        QCOMPARE(status, FilterRequestStatus::NotOpened);
    }

private:
    std::unique_ptr<KvoTest::Host> m_host;
    std::unique_ptr<CFilterTerms> m_terms;
};

QTEST_GUILESS_MAIN(TestSavedFilters)
#include "tst_savedfilters.moc"
