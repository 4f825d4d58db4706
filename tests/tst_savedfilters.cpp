// The user's last filter in the profile: what is written, what is read back, and where older hosts
// left it.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/windows.h"
#include "filter/cfilterterms.h"

#include "hostkit/texthelper.h"
#include "hostkit/userprofile.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

// Stands in for the filter dialog: records what it was offered and answers with a filter of its own.
class RecordingWindows : public ISearchFilterWindows
{
public:
    void Configure(CFilterColumns &, IFormsInterface *) override {}
    void View(CFilterColumns &, RecordSet *, ISearchBaseEntry *, IFormsInterface *) override {}
    std::unique_ptr<CFilterTerms> Filter(CFilterColumns &columns, const CFilterTerms *initial) override
    {
        offered = initial ? initial->Count() : -1;
        if (cancel)
            return nullptr;
        auto terms = std::make_unique<CFilterTerms>();
        terms->setFilterColumns(&columns);
        terms->Add(kvoCJ_None, columns.SearchDataTableName(), QStringLiteral("Weight"), kvoCC_Numeric, kvoOP_Less,
                   QStringLiteral("3"));
        return terms;
    }
    void EditPicklist(CScPicklist &, IFormsInterface *) override {}
    void SelectAndEditPicklist(CFilterColumns &, IFormsInterface *) override {}
    int offered = -2;
    bool cancel = false;
};

QStringList describe(const CFilterTerms *terms)
{
    QStringList out;
    if (!terms)
        return {QStringLiteral("<none>")};
    for (const CFilterTerm *t : terms->NewEnum())
        out.append(QStringLiteral("%1 %2.%3 c%4 op%5 [%6]")
                       .arg(t->Conjunction())
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
    void init();
    void cleanup();
    void roundTrip();
    void sectionsAndGaps();
    void olderPlaces();
    void filterRequest();

private:
    CFilterTerms sample();
    std::unique_ptr<KvoTest::Host> m_host;
};

void TestSavedFilters::init()
{
    m_host = KvoTest::makeHost(1, QStringLiteral("sqlite"));
    QVERIFY(m_host);
    CFilterColumns &set = *m_host->columns();
    set.Add(QStringLiteral("Weight"), {}, {}, fcDouble, 0, false, false, {}, fcDTDM_Configure, Variant::null(), false);
    set.Add(QStringLiteral("Tags"), {}, {}, fcKeyword, 20, false, false, {}, fcDTDM_Configure, Variant::null(), false);
    set.Add(QStringLiteral("Due"), {}, {}, fcDateTime, 0, false, false, {}, fcDTDM_Configure, Variant::null(), false);
    set.Add(QStringLiteral("Ok"), {}, {}, fcBoolean, 0, false, false, {}, fcDTDM_Configure, Variant::null(), false);
    QVERIFY(set.ColumnsSave(nullptr));
    TextHelper::instance().setCurrentUser(17, QStringLiteral("alice"));
}

void TestSavedFilters::cleanup()
{
    installSearchFilterWindows(nullptr);
    QLocale::setDefault(QLocale::c());
    m_host.reset();
}

CFilterTerms TestSavedFilters::sample()
{
    CFilterColumns &set = *m_host->columns();
    CFilterTerms terms;
    terms.setFilterColumns(&set);
    terms.Add(kvoCJ_None, QStringLiteral("PartsSearchData"), QStringLiteral("Weight"), kvoCC_Numeric, kvoOP_Greater, QStringLiteral("2.5"));
    terms.Add(kvoCJ_And, QStringLiteral("PartsSearchData"), QStringLiteral("Ok"), kvoCC_Boolean, kvoOP_IsTrue, QStringLiteral("x"));
    terms.Add(kvoCJ_OR, QStringLiteral("PartsSearchKeywordTags"), QStringLiteral("Tags"), kvoCC_Keyword, kvoOP_Includes, QStringLiteral("it's"));
    terms.Add(kvoCJ_And, QStringLiteral("Parts"), QStringLiteral("Description"), kvoCC_Text, kvoOP_IsLike, QStringLiteral("P%"));
    terms.Add(kvoCJ_None, QStringLiteral("PartsSearchData"), QStringLiteral("Due"), kvoCC_Date, kvoOP_Less, QStringLiteral("2024-01-31 10:11:12"));
    return terms;
}

void TestSavedFilters::roundTrip()
{
    CSearchFilter &f = *m_host->filter;
    CFilterColumns *set = m_host->columns();
    UserProfile &profile = *m_host->profile;
    const CFilterTerms terms = sample();
    f.SaveFilter(&terms, set, &profile, QStringLiteral("17"), fltrDBMode_Normal);

    const QString section = QStringLiteral("Parts_17_Last_Filter");
    QCOMPARE(f.FilterSection(QStringLiteral("17"), fltrDBMode_Archive), QStringLiteral("Parts_17_Archive_Last_Filter"));
    // A Boolean term keeps no compare-to value; a term without conjunction keeps none either.
    QVERIFY(!profile.Keys(section).contains(QStringLiteral("CompareTo2")));
    QVERIFY(!profile.Keys(section).contains(QStringLiteral("Conjunction1")));
    QVERIFY(!profile.Keys(section).contains(QStringLiteral("Conjunction5")));
    QCOMPARE(profile.GetText(section, QStringLiteral("CompareTo5"), {}), QStringLiteral("#2024-01-31 10:11:12#"));

    // The classes are derived again; the date reads back as the user's locale shows it.
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    const auto back = f.GetFilter(set, &profile, QStringLiteral("17"), fltrDBMode_Normal);
    QCOMPARE(describe(back.get()),
             (QStringList{"0 PartsSearchData.Weight c4 op5 [2.5]", "1 PartsSearchData.Ok c1 op1 []",
                          "2 PartsSearchKeywordTags.Tags c2 op10 [it's]", "1 Parts.Description c3 op8 [P%]",
                          "0 PartsSearchData.Due c5 op4 [31.01.2024 10:11:12]"}));
    QCOMPARE(back->SQLString(), terms.SQLString());

    // Without a profile: nothing read, nothing written.
    QVERIFY(!f.GetFilter(set, nullptr, QStringLiteral("17"), fltrDBMode_Normal));
    f.SaveFilter(&terms, set, nullptr, QStringLiteral("17"), fltrDBMode_Normal);
}

void TestSavedFilters::sectionsAndGaps()
{
    CSearchFilter &f = *m_host->filter;
    CFilterColumns *set = m_host->columns();
    UserProfile &profile = *m_host->profile;
    const CFilterTerms terms = sample();
    f.SaveFilter(&terms, set, &profile, QStringLiteral("17"), fltrDBMode_Archive);
    // Archive and normal never see each other's filter.
    QCOMPARE(f.GetFilter(set, &profile, QStringLiteral("17"), fltrDBMode_Normal)->Count(), 0);
    QCOMPARE(f.GetFilter(set, &profile, QStringLiteral("17"), fltrDBMode_Archive)->Count(), 5);

    // A gap in the numbering ends the list.
    const QString section = f.FilterSection(QStringLiteral("17"), fltrDBMode_Archive);
    profile.SetText(section, QStringLiteral("Field3"), QString());
    QCOMPARE(f.GetFilter(set, &profile, QStringLiteral("17"), fltrDBMode_Archive)->Count(), 2);

    // A term whose column is gone is left out.
    profile.SetText(section, QStringLiteral("Field2"), QStringLiteral("Vanished"));
    QCOMPARE(describe(f.GetFilter(set, &profile, QStringLiteral("17"), fltrDBMode_Archive).get()),
             QStringList{"0 PartsSearchData.Weight c4 op5 [2.5]"});

    // Saving an empty filter deletes the section.
    CFilterTerms none;
    none.setFilterColumns(set);
    f.SaveFilter(&none, set, &profile, QStringLiteral("17"), fltrDBMode_Archive);
    QVERIFY(!profile.Sections().contains(section));
}

void TestSavedFilters::olderPlaces()
{
    CSearchFilter &f = *m_host->filter;
    CFilterColumns *set = m_host->columns();
    UserProfile &profile = *m_host->profile;
    QTemporaryDir dir;
    UserProfile old(dir.filePath(QStringLiteral("old.ini")));
    const CFilterTerms terms = sample();

    // Under the user's name in this profile: found, written under the number; the old profile's
    // user-name section is deleted.
    f.SaveFilter(&terms, set, &profile, QStringLiteral("alice"), fltrDBMode_Normal);
    f.SaveFilter(&terms, set, &old, QStringLiteral("alice"), fltrDBMode_Normal);
    QCOMPARE(f.LastFilter(&old, QStringLiteral("alice"), fltrDBMode_Normal)->Count(), 5);
    QVERIFY(profile.Sections().contains(QStringLiteral("Parts_17_Last_Filter")));
    QVERIFY(!old.Sections().contains(QStringLiteral("Parts_alice_Last_Filter")));

    // Only in the old profile: written into this profile under the name, then moved to the number.
    f.SaveFilter(&terms, set, &old, QStringLiteral("bob"), fltrDBMode_Archive);
    TextHelper::instance().setCurrentUser(23, QStringLiteral("bob"));
    QCOMPARE(f.LastFilter(&old, QStringLiteral("bob"), fltrDBMode_Archive)->Count(), 5);
    QVERIFY(profile.Sections().contains(QStringLiteral("Parts_bob_Archive_Last_Filter")));
    QVERIFY(!profile.Sections().contains(QStringLiteral("Parts_23_Archive_Last_Filter")));
    QVERIFY(!old.Sections().contains(QStringLiteral("Parts_bob_Archive_Last_Filter")));
    QCOMPARE(f.LastFilter(&old, QStringLiteral("bob"), fltrDBMode_Archive)->Count(), 5);
    QVERIFY(profile.Sections().contains(QStringLiteral("Parts_23_Archive_Last_Filter")));

    // Nothing anywhere: an empty filter.
    const auto none = f.LastFilter(&old, QStringLiteral("carol"), fltrDBMode_Normal);
    QVERIFY(none && !none->HasTerms());
}

void TestSavedFilters::filterRequest()
{
    CSearchFilter &f = *m_host->filter;
    // Without a dialog the request reports so and returns nothing.
    QVERIFY(!f.Filter(nullptr, QStringLiteral("alice"), nullptr, fltrDBMode_Normal));

    RecordingWindows windows;
    installSearchFilterWindows(&windows);
    const CFilterTerms terms = sample();
    f.SaveFilter(&terms, m_host->columns(), m_host->profile.get(), QStringLiteral("17"), fltrDBMode_Normal);
    const auto result = f.Filter(nullptr, QStringLiteral("alice"), nullptr, fltrDBMode_Normal);
    QCOMPARE(windows.offered, 5);
    QVERIFY(result);
    // The dialog's filter becomes the last filter.
    QCOMPARE(describe(f.LastFilter(nullptr, QStringLiteral("alice"), fltrDBMode_Normal).get()),
             QStringList{"0 PartsSearchData.Weight c4 op4 [3]"});
    // Cancel keeps the saved filter.
    windows.cancel = true;
    QVERIFY(!f.Filter(nullptr, QStringLiteral("alice"), nullptr, fltrDBMode_Normal));
    QCOMPARE(f.LastFilter(nullptr, QStringLiteral("alice"), fltrDBMode_Normal)->Count(), 1);
}

QTEST_GUILESS_MAIN(TestSavedFilters)
#include "tst_savedfilters.moc"
