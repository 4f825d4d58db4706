// The entry objects: making a search filter, its captions, pictures and SQL fragments, closing the
// library's windows, and the requests whose work is not available in this build.
#include "testhost.h"

#include "columns/ccheckname.h"
#include "columns/cfiltercolumns.h"
#include "filter/cfilterterms.h"
#include "core/windows.h"

#include "hostkit/connection.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/trace.h"

#include <QTest>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

// A window that counts how it was closed and can call CloseSCtlForms again while it hides.
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
        ++hides;
        order.append(this);
        m_visible = false;
        if (m_reenter)
            CCommon::global().CloseSCtlForms();
    }
    int hides = 0;
    static QList<FakeWindow *> order;

private:
    bool m_visible;
    bool m_reenter;
};
QList<FakeWindow *> FakeWindow::order;

struct ErrorLog
{
    ErrorLog() : id(Trace::instance().addErrorSink([this](const TraceError &e, int) { sources.append(e.Source); })) {}
    ~ErrorLog() { Trace::instance().removeErrorSink(id); }
    QStringList sources;
    int id;
};

} // namespace

class TestSearchFilter : public QObject
{
    Q_OBJECT

private slots:
    void captionsAndPictures_data();
    void captionsAndPictures();
    void sqlFragments();
    void ownerLocation();
    void closeWindows();
    void editAndMergeEntry();
    void unavailableRequestsDoNotPretend();
    void checkNameList();
};

void TestSearchFilter::captionsAndPictures_data()
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

void TestSearchFilter::captionsAndPictures()
{
    QFETCH(int, item);
    QFETCH(int, caption);
    QFETCH(int, large);
    QFETCH(int, small);
    CSearchFilter filter;   // captions and pictures need no set-up
    QCOMPARE(filter.StandardCaption(item), ResourceTexts::instance().Text(caption));
    QCOMPARE(filter.StandardCaption(item).isEmpty(), caption == 0);
    QCOMPARE(filter.BitmapLarge(item).Number, large);
    QCOMPARE(filter.BitmapLarge(item).isNull(), large == 0);
    QCOMPARE(filter.BitmapSmall(item).Number, small);
    QCOMPARE(filter.BitmapSmall(item).isNull(), small == 0);
}

void TestSearchFilter::sqlFragments()
{
    auto host = KvoTest::makeHost(1, QStringLiteral("sqlite"));
    QVERIFY(host);
    CFilterColumns &set = *host->columns();
    // No columns yet: no fields, no table, but the join is known.
    QVERIFY(host->filter->SQLSearchFields().isEmpty());
    QVERIFY(host->filter->SQLSearchTable().isEmpty());
    QCOMPARE(host->filter->SQLSearchJoinOn(), QStringLiteral("\"Parts\".\"PartId\" = \"PartsSearchData\".\"PartId\""));

    set.Add(QStringLiteral("Material"), QStringLiteral("Material name"), {}, fcText, 20, false, false, {},
            fcDTDM_Configure, Variant::null(), false);
    set.Add(QStringLiteral("Tags"), QStringLiteral("Tag list"), {}, fcKeyword, 20, false, false, {}, fcDTDM_Configure,
            Variant::null(), false);
    set.Add(QStringLiteral("Weight"), {}, {}, fcDouble, 0, false, false, {}, fcDTDM_Configure, Variant::null(), false);
    QCOMPARE(host->filter->SQLSearchFields(),
             QStringLiteral("\"PartsSearchData\".\"Material\" AS \"Material name\",\"PartsSearchData\".\"Weight\""));
    QCOMPARE(host->filter->SQLSearchTable(), QStringLiteral("\"PartsSearchData\""));
    QVERIFY(host->filter->Exists());
}

void TestSearchFilter::ownerLocation()
{
    auto host = KvoTest::makeHost(1, QStringLiteral("sqlite"));
    QVERIFY(host);
    FixedFormsInterface owner({100, 200, 3000, 4000});
    host->filter->SetupOwnerLocation(&owner);
    OwnerRect r = host->columns()->ownerRect();
    QCOMPARE(r.Left, 100.f);
    QCOMPARE(r.Height, 4000.f);

    ServicesHelper::instance().setScreenSizeProvider([] { return QSizeF(10000, 5000); });
    host->filter->SetupOwnerLocation(nullptr);
    r = host->columns()->ownerRect();
    QCOMPARE(r.Left, 1000.f);
    QCOMPARE(r.Top, 500.f);
    QCOMPARE(r.Width, 8000.f);
    QCOMPARE(r.Height, 4000.f);
    ServicesHelper::instance().setScreenSizeProvider({});

    // Without a column set nothing happens (and nothing fails).
    CSearchFilter bare;
    bare.SetupOwnerLocation(&owner);
    QVERIFY(!bare.FilterColumns());
}

void TestSearchFilter::closeWindows()
{
    FakeWindow::order.clear();
    int idles = 0;
    ServicesHelper::instance().setIdleHandler([&] { ++idles; });
    {
        FakeWindow first(true);
        FakeWindow hidden(false);
        FakeWindow reentering(true, true);
        CCommon::global().CloseSCtlForms();
        // Last loaded first; the nested call from a window's hiding returned at once.
        QCOMPARE(FakeWindow::order, (QList<FakeWindow *>{&reentering, &first}));
        QCOMPARE(reentering.hides, 1);
        QCOMPARE(hidden.hides, 0);
        QCOMPARE(idles, 3);
        QVERIFY(!CCommon::global().closingForms());
    }
    QVERIFY(LoadedWindows::all().isEmpty());
    ServicesHelper::instance().setIdleHandler({});
}

void TestSearchFilter::editAndMergeEntry()
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
void TestSearchFilter::unavailableRequestsDoNotPretend()
{
    auto host = KvoTest::makeHost(1, QStringLiteral("sqlite"));
    QVERIFY(host);
    host->columns()->Add(QStringLiteral("A"), {}, {}, fcText, 10, false, false, {}, fcDTDM_Configure, Variant::null(), false);
    QVERIFY(host->columns()->ColumnsSave(nullptr));
    installSearchFilterWindows(nullptr);
    CSearchFilter &f = *host->filter;
    CMergeBaseEntry entry(1);
    ErrorLog log;
    f.View(nullptr, &entry, nullptr);
    f.Configure(nullptr);
    QVERIFY(!f.Filter(nullptr, QStringLiteral("u"), nullptr, fltrDBMode_Normal));
    QVERIFY(log.sources.contains(QStringLiteral("CSearchFilter.View")));
    QVERIFY(log.sources.contains(QStringLiteral("CSearchFilter.Configure")));
    QVERIFY(log.sources.contains(QStringLiteral("CSearchFilter.Filter")));
}

void TestSearchFilter::checkNameList()
{
    CCheckNameList list;
    QCOMPARE(list.Count(), 0);
    QVERIFY(!list.Entry(1));
    list.AddEntry(QStringLiteral("NewA"), QStringLiteral("OldA"));
    list.AddEntry(QStringLiteral("NewB"), QStringLiteral("OldB"));
    QCOMPARE(list.Count(), 2);
    QVERIFY(!list.Entry(0));
    QVERIFY(!list.Entry(3));
    QCOMPARE(list.Entry(2)->Index(), 2);
    QCOMPARE(list.Entry(2)->NewName(), QStringLiteral("NewB"));
    QCOMPARE(list.Entry(1)->OldName(), QStringLiteral("OldA"));
}

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
