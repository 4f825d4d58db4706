// The entry objects: making a search filter, its captions, pictures and SQL fragments, closing the
// library's windows, and the requests whose work is not available in this build.
#include "testhost.h"

#include "columns/cfiltercolumns.h"
#include "core/windows.h"
#include "filter/cfilterterms.h"

#include "hostkit/connection.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

class FakeWindow;
QList<FakeWindow *> hiddenWindows; // in the order they were hidden

// A loaded window that can call CloseSCtlForms again while it hides.
class FakeWindow : public ILoadedWindow
{
public:
    explicit FakeWindow(bool visible, bool reenter = false) : m_visible(visible), m_reenter(reenter)
    {
        LoadedWindows::add(this);
    }
    ~FakeWindow() override { LoadedWindows::remove(this); }
    bool isWindowVisible() const override { return m_visible; }
    void hideWindow() override
    {
        hiddenWindows.append(this);
        m_visible = false;
        if (m_reenter)
            CCommon::global().CloseSCtlForms();
    }

private:
    bool m_visible;
    bool m_reenter;
};

} // namespace

class TestSearchFilter : public QObject
{
    Q_OBJECT

private slots:
    void captionsAndPictures_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("caption");
        QTest::addColumn<int>("large");
        QTest::addColumn<int>("small");
        QTest::newRow("edit data") << int(fltr_FMI_EDITDATA) << 6816 << 201 << 301;
        QTest::newRow("filter") << int(fltr_FMI_FILTER) << 6817 << 202 << 302;
        QTest::newRow("clear filter") << int(fltr_FMI_CLEARFILTER) << 6818 << 203 << 303;
        QTest::newRow("view data") << int(fltr_FMI_VIEWDATA) << 6819 << 201 << 301;
        QTest::newRow("include") << int(fltr_FMI_INCLUDESEARCHDATA) << 6820 << 0 << 0;
        QTest::newRow("edit picklists") << int(fltr_FMI_EDITPICKLISTS) << 6823 << 0 << 0;
        QTest::newRow("outside") << 8 << 0 << 0 << 0;
        QTest::newRow("negative") << -1 << 0 << 0 << 0;
    }

    // Unknown items have no caption and no pictures.
    void captionsAndPictures()
    {
        QFETCH(int, item);
        QFETCH(int, caption);
        CSearchFilter filter; // captions and pictures need no set-up
        QCOMPARE(filter.StandardCaption(item), caption ? ResourceTexts::instance().Text(caption) : QString());
        QTEST(filter.BitmapLarge(item).Number, "large");
        QTEST(filter.BitmapSmall(item).Number, "small");
    }

    // The fragments with columns are checked on every engine by the command-line scenarios and as a
    // real query in tst_filtercolumns.
    void sqlFragments()
    {
        auto host = KvoTest::makeHost(1, Engine::SQLite);
        QVERIFY(host);
        // No columns yet: no fields, no table, but the join is known.
        QVERIFY(host->filter->SQLSearchFields().isEmpty());
        QVERIFY(host->filter->SQLSearchTable().isEmpty());
        QCOMPARE(host->filter->SQLSearchJoinOn(), u"\"Parts\".\"PartId\" = \"PartsSearchData\".\"PartId\""_s);
    }

    void ownerLocation()
    {
        auto host = KvoTest::makeHost(1, Engine::SQLite);
        QVERIFY(host);
        FixedFormsInterface owner({100, 200, 3000, 4000});
        host->filter->SetupOwnerLocation(&owner);
        const auto rect = [&] {
            const OwnerRect r = host->columns()->ownerRect();
            return QRectF(r.Left, r.Top, r.Width, r.Height);
        };
        QCOMPARE(rect(), QRectF(100, 200, 3000, 4000));

        ServicesHelper::instance().setScreenSizeProvider([] { return QSizeF(10000, 5000); });
        host->filter->SetupOwnerLocation(nullptr);
        QCOMPARE(rect(), QRectF(1000, 500, 8000, 4000)); // centred on the screen, 80% of it
        ServicesHelper::instance().setScreenSizeProvider({});

        // Without a column set nothing happens (and nothing fails).
        CSearchFilter bare;
        bare.SetupOwnerLocation(&owner);
        QVERIFY(!bare.FilterColumns());
    }

    void closeWindows()
    {
        hiddenWindows.clear();
        int idles = 0;
        ServicesHelper::instance().setIdleHandler([&] { ++idles; });
        {
            FakeWindow first(true);
            FakeWindow hidden(false);
            FakeWindow reentering(true, true);
            CCommon::global().CloseSCtlForms();
            // Last loaded first, each visible one once: the nested call from a window's hiding
            // returned at once.
            QCOMPARE(hiddenWindows, (QList<FakeWindow *>{&reentering, &first}));
            QCOMPARE(idles, 3);
            QVERIFY(!CCommon::global().closingForms());
        }
        QVERIFY(LoadedWindows::all().isEmpty());
        ServicesHelper::instance().setIdleHandler({});
    }

    void editAndMergeEntry()
    {
        CSearchFilter filter;
        int edits = 0;
        ServicesHelper::instance().setEditHandler([&] { ++edits; });
        QCOMPARE(filter.Edit(nullptr, nullptr), fltr_SUCCESS);
        QCOMPARE(edits, 1);
        ServicesHelper::instance().setEditHandler({});
        QCOMPARE(filter.MakeMergeBaseEntry(42)->Id(), 42);
    }

    // Requests for windows that no window library provides (a headless host) report so and return
    // their neutral result; none of them claims success.
    void unavailableRequestsDoNotPretend()
    {
        auto host = KvoTest::makeHost(1, Engine::SQLite);
        QVERIFY(host);
        QVERIFY(KvoTest::addColumns(*host->columns(), {{"A", fcText, {}, 10}}));
        installSearchFilterWindows(nullptr);
        CSearchFilter &f = *host->filter;
        CMergeBaseEntry entry(1);
        KvoTest::ReportedFailures failures;
        f.View(nullptr, &entry, nullptr);
        f.Configure(nullptr);
        QVERIFY(!f.Filter(nullptr, u"u"_s, nullptr, fltrDBMode_Normal));
        for (const char *source : {"CSearchFilter.View", "CSearchFilter.Configure", "CSearchFilter.Filter"})
            QVERIFY2(failures.sources().contains(QString::fromLatin1(source)), source);
    }
};

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
