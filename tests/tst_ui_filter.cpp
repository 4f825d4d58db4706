// The filter dialog, driven as a user drives it, offscreen, on every engine: the rows and their
// states, the keys, the last filter offered again and what could not be restored of it, the count
// of matching records, and the records a filter built in the dialog selects compared with those
// the command-line tool selects for the same terms.
#include "filterui.h"
#include "uitest.h"

#include "core/conversions.h"

#include "hostkit/texthelper.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::text;

namespace {

constexpr int Records = 12;

// Base table Parts (PartId, Description "Bracket N", Qty N * 10) with the search columns Material
// (text), Count (integer), Due (date), Active (Boolean) and Tags (keyword). Record i holds Steel,
// Brass or Stainless by i % 3, Count i * 5, Due 2024-01-i, Active for even i, and the keyword
// urgent for every fourth record, stock for the others; record 12 has no search-data row.
std::unique_ptr<KvoTest::Host> makeHost()
{
    auto host = KvoTest::makeHost(Records);
    if (!host
        || !KvoTest::addColumns(*host->columns(), {{"Material", fcText, {}, 30},
                                                   {"Count", fcInteger32, {}, 0},
                                                   {"Due", fcDateTime, u"Due Date"_s, 0},
                                                   {"Active", fcBoolean, {}, 0},
                                                   {"Tags", fcKeyword, {}, 20}}))
        return nullptr;
    Connection &c = host->connection();
    static const char *const materials[] = {"Steel", "Brass", "Stainless"};
    for (int i = 1; i < Records; ++i) {
        const QString row = u"INSERT INTO [PartsSearchData] ([PartId], [Material], [Count], [Due], [Active]) "
                            "VALUES (%1, '%2', %3, %4, %5)"_s.arg(i)
                                    .arg(QLatin1String(materials[i % 3]))
                                    .arg(i * 5)
                                    .arg(c.SqlDateLiteral(Convert::makeDate(QDate(2024, 1, i))))
                                    .arg(c.SqlBooleanValue(i % 2 == 0));
        if (!KvoTest::run(c, row)
            || !KvoTest::run(c,
                             u"INSERT INTO [PartsSearchKeywordTags] ([PartId], [Tags]) VALUES (%1, '%2')"_s.arg(i).arg(
                                     i % 4 == 0 ? "urgent" : "stock")))
            return nullptr;
    }
    return host;
}

// The dialog set up on `columns`, shown without blocking.
struct Dialog
{
    frmFilter window;
    bool open(CFilterColumns &columns, const CFilterTerms *terms = nullptr)
    {
        window.Setup(columns, terms);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    bool okEnabled() const { return KvoTest::button(&window, "cmdOk")->isEnabled(); }
    QString tag(int row) const { return window.txtCompareTo(row)->property("Tag").toString(); }
    QList<int> comparisons(int row) const
    {
        QList<int> operations;
        for (int i = 0; i < window.cboComparison(row)->count(); ++i)
            operations << window.cboComparison(row)->itemData(i).toInt();
        return operations;
    }
    // OK as the user presses it; the filter handed back.
    std::unique_ptr<CFilterTerms> ok()
    {
        if (!KvoTest::click(&window, "cmdOk") || window.isVisible())
            return nullptr;
        return window.takeResult();
    }
};

QStringList ids(Connection &c, const QString &condition)
{
    return KvoTest::rows(c, u"SELECT [PartId] FROM [Parts]"_s
                                    + (condition.isEmpty() ? QString() : " WHERE " + condition) + " ORDER BY 1");
}

QString resultText(int count)
{
    return count == 1 ? text(7641) : count == 0 ? text(7642) : text(7640, {QString::number(count)});
}

} // namespace

class TestFilterDialog : public KvoTest::UiTest
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { m_hosts.clear(); }

    void rowsFollowTheField_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QList<int>>("operations"); // the comparisons the field offers
        QTest::addColumn<QString>("typed");         // what the value box holds after typing the value
        QTest::addColumn<bool>("valid");
        const QList<int> ordered{2, 3, 5, 4, 7, 6};
        const QList<int> text = ordered + QList<int>{8, 9};
        QTest::newRow("text") << u"Material like S%"_s << text << u"S%"_s << true;
        QTest::newRow("spaces only") << u"Material =   "_s << text << u" "_s << false; // no second trailing space
        QTest::newRow("quote dropped") << u"Material = O'Neil"_s << text << u"ONeil"_s << true;
        QTest::newRow("number") << u"Count >= 12"_s << ordered << u"12"_s << true;
        QTest::newRow("blank number") << u"Count >= "_s << ordered << QString() << false;
        QTest::newRow("not a number") << u"Count >= 1x"_s << ordered << u"1x"_s << false;
        QTest::newRow("date") << u"Due < 2024-01-05"_s << ordered << u"2024-01-05"_s << true;
        QTest::newRow("not a date") << u"Due < 2024-02-30"_s << ordered << u"2024-02-30"_s << false;
        QTest::newRow("Boolean") << u"Active isfalse"_s << QList<int>{0, 1} << QString() << true;
        QTest::newRow("keyword") << u"Tags includes urgent"_s << QList<int>{10, 11} << u"urgent"_s << true;
        QTest::newRow("base number") << u"base.Qty > 5"_s << ordered << u"5"_s << true;
    }

    // The field list holds the none item, the search columns and the base fields. A field offers the
    // comparisons of its class and a value box unless it is a Yes/No field, and opens the next row;
    // the box's tag says whether its value is valid, and OK waits for every open row to be so.
    void rowsFollowTheField()
    {
        QFETCH(QString, term);
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QVERIFY(host());
        Dialog d;
        QVERIFY(d.open(*host()->columns()));
        QComboBox *fields = d.window.imgcboFields(0);
        QVERIFY(fields->currentIndex() == 0 && fields->count() == 1 + 5 + 3); // none, the columns, the base fields
        QVERIFY(!d.window.cboComparison(0)->isEnabled() && !d.window.imgcboFields(1)->isEnabled());
        QVERIFY(d.okEnabled()); // the none item counts as a choice

        KvoTest::fillFilterRow(d.window, 0, term);
        QTEST(d.comparisons(0), "operations");
        QCOMPARE(d.window.txtCompareTo(0)->isEnabled(), !term.startsWith(u"Active"));
        QCOMPARE(d.window.txtCompareTo(0)->text(), typed);
        QCOMPARE(d.tag(0), valid ? u"True"_s : u"False"_s);
        QCOMPARE(d.okEnabled(), valid);
        QVERIFY(d.window.imgcboFields(1)->isEnabled() && d.window.cboConjunction(1)->isEnabled());
        QVERIFY(!d.window.imgcboFields(2)->isEnabled());
        if (valid) {
            const auto terms = d.ok();
            QVERIFY(terms && terms->Count() == 1);
            QCOMPARE(int(terms->NewEnum().first()->Operation()),
                     int(KvoTest::operationWords.indexOf(term.section(u' ', 1, 1))));
        }
    }

    // Choosing none clears and disables that row and every row after it; Clear does so from row 0.
    // OK with only the none item hands back a filter without terms, not nothing.
    void noneClearsTheRowsAfter()
    {
        QVERIFY(host());
        Dialog d;
        QVERIFY(d.open(*host()->columns()));
        QVERIFY(KvoTest::fillFilterRow(d.window, 0, u"Count > 10"_s));
        QVERIFY(KvoTest::fillFilterRow(d.window, 1, u"or Material like S%"_s));
        QVERIFY(KvoTest::fillFilterRow(d.window, 2, u"and Active istrue"_s));
        d.window.imgcboFields(1)->setCurrentIndex(0);
        QVERIFY(d.window.cboComparison(0)->isEnabled() && d.window.txtCompareTo(0)->text() == u"10"_s);
        for (int row = 1; row < 4; ++row) {
            QVERIFY(!d.window.cboComparison(row)->isEnabled() && d.window.cboComparison(row)->count() == 0);
            QVERIFY(!d.window.txtCompareTo(row)->isEnabled() && d.window.txtCompareTo(row)->text().isEmpty());
        }
        QVERIFY(d.window.imgcboFields(1)->isEnabled() && !d.window.imgcboFields(2)->isEnabled());
        QCOMPARE(d.window.termsFromRows()->Count(), 1);

        QVERIFY(KvoTest::click(&d.window, "cmdClear"));
        QVERIFY(!d.window.txtCompareTo(0)->isEnabled() && !d.window.imgcboFields(1)->isEnabled());
        const auto cleared = d.ok();
        QVERIFY(cleared && !cleared->HasTerms());
        QCOMPARE(cleared->FilterColumns(), host()->columns());
    }

    // The keys a user presses: Tab walks a row from field to comparison to value, Enter takes the
    // filter (OK is the default button), Esc leaves without one.
    void keys()
    {
        QVERIFY(host());
        Dialog d;
        QVERIFY(d.open(*host()->columns()));
        QVERIFY(KvoTest::fillFilterRow(d.window, 0, u"Count > 10"_s));
        d.window.activateWindow();
        d.window.imgcboFields(0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d.window.cboComparison(0));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d.window.txtCompareTo(0));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!d.window.isVisible());
        const auto taken = d.window.takeResult();
        QVERIFY(taken && taken->Count() == 1);

        Dialog cancelled;
        QVERIFY(cancelled.open(*host()->columns()));
        QVERIFY(KvoTest::fillFilterRow(cancelled.window, 0, u"Count > 10"_s));
        QTest::keyClick(&cancelled.window, Qt::Key_Escape);
        QVERIFY(!cancelled.window.isVisible());
        QVERIFY(!cancelled.window.takeResult());
    }

    void dialogSelectsWhatTheToolSelects_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::newRow("text") << QStringList{"Material = Steel"};
        QTest::newRow("like and number") << QStringList{"Material like S%", "and Count > 20"};
        QTest::newRow("or before and") << QStringList{"Count < 15", "or Active istrue", "and Tags includes urgent"};
        QTest::newRow("date") << QStringList{"Due >= 2024-01-09"};
        QTest::newRow("keyword excluded") << QStringList{"Tags excludes stock"};
        QTest::newRow("base fields") << QStringList{"base.Qty <= 30", "or base.Description like %12"};
        QTest::newRow("base and search") << QStringList{"base.Qty > 50", "and Active isfalse"};
    }

    // For the same terms, the records of the filter the dialog hands back are those the command-line
    // tool's filter selects.
    void dialogSelectsWhatTheToolSelects()
    {
#ifndef KVOSEARCH_PROGRAM
        QSKIP("the command-line tool is not built");
#else
        QFETCH(QStringList, terms);
        QVERIFY(host());
        Dialog d;
        QVERIFY(d.open(*host()->columns()));
        for (int row = 0; row < terms.size(); ++row)
            QVERIFY2(KvoTest::fillFilterRow(d.window, row, terms.at(row)), qPrintable(terms.at(row)));
        const auto filter = d.ok();
        QVERIFY(filter);
        QCOMPARE(filter->Count(), terms.size());
        const QStringList fromDialog = ids(host()->connection(), filter->SQLString());
        QVERIFY2(!fromDialog.isEmpty(), "a filter that selects nothing proves little");

        QTemporaryDir dir;
        QStringList args{u"--db"_s,      host()->database().url(),       u"--table"_s, u"Parts"_s,
                         u"--profile"_s, dir.filePath(u"profile.ini"_s), u"filter"_s};
        for (const QString &term : terms) { // the tool takes a conjunction as a word of its own
            const bool joined = term.startsWith(u"and "_s) || term.startsWith(u"or "_s);
            args << (joined ? QStringList{term.section(u' ', 0, 0), term.section(u' ', 1)} : QStringList{term});
        }
        QProcess tool;
        tool.start(QStringLiteral(KVOSEARCH_PROGRAM), args << u"--ids"_s);
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts), fromDialog);
#endif
    }

    // The last filter fills the rows (a Yes/No row stays valid); what cannot be restored as saved is
    // reported, the rest of the filter keeps its order and meaning.
    void lastFilterComesBack()
    {
        QVERIFY(host());
        CFilterColumns &columns = *host()->columns();
        CSearchFilter &searchFilter = *host()->filter;
        TextHelper::instance().setCurrentUser(7, u"ann"_s);
        CFilterTerms saved;
        saved.setFilterColumns(&columns);
        const QString data = columns.SearchDataTableName();
        saved.Add(kvoCJ_None, data, u"Count"_s, kvoCC_Numeric, kvoOP_Greater, u"20"_s);
        saved.Add(kvoCJ_OR, data, u"Active"_s, kvoCC_Boolean, kvoOP_IsTrue, {});
        saved.Add(kvoCJ_And, data, u"Material"_s, kvoCC_Text, kvoOP_IsLike, u"S%"_s);
        saved.Add(kvoCJ_And, u"Parts"_s, u"Qty"_s, kvoCC_Numeric, kvoOP_Less, u"many"_s);
        searchFilter.SaveFilter(&saved, &columns, host()->profile.get(), u"7"_s, fltrDBMode_Normal);
        // A column that has gone since, between the second and third term.
        const QString section = searchFilter.FilterSection(u"7"_s, fltrDBMode_Normal);
        QVERIFY(host()->profile->SetText(section, u"Field5"_s, u"Material"_s));
        QVERIFY(host()->profile->SetText(section, u"Table5"_s, data));
        QVERIFY(host()->profile->SetNumber(section, u"Operation5"_s, kvoOP_Equals));
        QVERIFY(host()->profile->SetText(section, u"CompareTo5"_s, u"Brass"_s));
        QVERIFY(host()->profile->SetText(section, u"Field3"_s, u"Vanished"_s));
        const auto last = searchFilter.LastFilter(nullptr, u"ann"_s, fltrDBMode_Normal);
        QCOMPARE(last->Count(), 4);

        Dialog d;
        QVERIFY(d.open(columns, last.get()));
        QCOMPARE(d.tag(1), u"True"_s);
        QCOMPARE(d.tag(2), u"False"_s);
        QCOMPARE(d.window.imgcboFields(4)->currentIndex(), 0);
        QVERIFY(!d.okEnabled());
        QLabel *report = d.window.lblProblems();
        QVERIFY(report->isVisible());
        QVERIFY2(report->text().contains(text(7647, {u"Vanished"_s})), qPrintable(report->text()));
        QVERIFY2(report->text().contains(text(7649, {u"Qty"_s, u"many"_s})), qPrintable(report->text()));

        // Fixing the value is enough: the filter then says what was saved, less the lost term:
        // Count > 20 OR Active AND Qty < 45 AND Material = Brass.
        d.window.txtCompareTo(2)->setText(u"45"_s);
        const auto fixed = d.ok();
        QVERIFY(fixed);
        QCOMPARE(ids(host()->connection(), fixed->SQLString()),
                 (QStringList{"4", "5", "6", "7", "8", "9", "10", "11"}));

        // More than ten terms fill the first ten rows and say so.
        CFilterTerms many;
        many.setFilterColumns(&columns);
        for (int i = 0; i < 12; ++i)
            many.Add(i ? kvoCJ_OR : kvoCJ_None, data, u"Count"_s, kvoCC_Numeric, kvoOP_Equals, QString::number(i * 5));
        Dialog full;
        QVERIFY(full.open(columns, &many));
        QCOMPARE(full.window.txtCompareTo(9)->text(), u"45"_s);
        QCOMPARE(full.window.termsFromRows()->Count(), 10);
        QVERIFY(full.window.lblProblems()->text().contains(text(7652, {u"10"_s, u"12"_s})));
    }

    // The count follows the rows after a pause, in the counter's own thread; a row that is not valid
    // shows no count.
    void countsWhileTheRowsChange()
    {
        QVERIFY(host());
        Dialog d;
        QVERIFY(d.open(*host()->columns()));
        QLabel *count = d.window.lblCount();
        QTRY_COMPARE(count->text(), resultText(Records));
        QVERIFY(KvoTest::fillFilterRow(d.window, 0, u"Material = Steel"_s));
        QTRY_COMPARE(count->text(), resultText(3));
        QVERIFY(KvoTest::fillFilterRow(d.window, 1, u"and Count > 1x"_s));
        QTRY_VERIFY(count->text().isEmpty());
        QTest::keyClick(d.window.txtCompareTo(1), Qt::Key_Backspace);
        QTRY_COMPARE(count->text(), resultText(3));
        d.window.txtCompareTo(1)->setText(u"20"_s);
        QTRY_COMPARE(count->text(), resultText(2));
        d.window.txtCompareTo(0)->setText(u"Copper"_s);
        QTRY_COMPARE(count->text(), resultText(0));
    }

private:
    KvoTest::Host *host()
    {
        return m_hosts.get([] { return makeHost(); });
    }
    KvoTest::HostPerEngine m_hosts;
};

QTEST_MAIN(TestFilterDialog)
#include "tst_ui_filter.moc"
