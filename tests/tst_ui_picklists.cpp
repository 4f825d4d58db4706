// The picklist editor and its kept-entries dialog, driven through their widgets on every engine:
// adding, hiding, showing and removing entries with one in use, the default entry that cannot stay
// checked, Cancel, and what Add refuses.
#include "uitest.h"

#include "picklists/cscpicklist.h"
#include "picklists/ui/frmpicklistedit.h"

#include <QTabWidget>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::text;
using KvoTest::whenModal;

namespace {

QTreeWidget *tree(const QWidget *editor, const char *name) { return editor->findChild<QTreeWidget *>(name); }

QStringList shown(const QTreeWidget *t)
{
    QStringList out = KvoTest::itemTexts(t);
    out.sort();
    return out;
}

void check(QTreeWidget *t, const QStringList &texts)
{
    for (int i = 0; i < t->topLevelItemCount(); ++i) {
        if (texts.contains(t->topLevelItem(i)->text(0)))
            t->topLevelItem(i)->setCheckState(0, Qt::Checked);
    }
}

void showPage(QWidget &editor, int page) { editor.findChild<QTabWidget *>(u"tabEdit"_s)->setCurrentIndex(page); }

} // namespace

class TestPicklistDialogs : public KvoTest::UiTest
{
    Q_OBJECT

private slots:
    // Base table Parts (records 1..3) with the picklist columns Color (text, default Red, entries
    // Blue and Green, record 1 holding Blue) and Size (int32, entry 7).
    void init()
    {
        m_host = KvoTest::makeHost(
                3, {{u"Color"_s, fcText, {}, 20, true, false, u"Red"_s}, {u"Size"_s, fcInteger32, {}, 0, true}});
        QVERIFY(m_host);
        QVERIFY(color()->PickList()->SaveAdditions({u"Blue"_s, u"Green"_s}));
        QVERIFY(columns()->Item(u"Size"_s)->PickList()->SaveAdditions({u"7"_s}));
        QVERIFY(KvoTest::run(m_host->connection(),
                             u"INSERT INTO [PartsSearchData] ([PartId], [Color]) VALUES (1, 'Blue')"_s));
    }
    void cleanup() { m_host.reset(); }

    void addHideShowRemove()
    {
        frmPicklistEdit editor;
        QVERIFY(editor.prepare(*color()->PickList(), nullptr));
        editor.show();
        QTreeWidget *old = tree(&editor, "tvwOld");
        QTreeWidget *hidden = tree(&editor, "tvwHidden");
        QCOMPARE(shown(old), (QStringList{u"Blue"_s, u"Green"_s, u"Red"_s}));

        // The default entry does not stay checked.
        check(old, {u"Red"_s});
        QTRY_COMPARE(old->findItems(u"Red"_s, Qt::MatchExactly).value(0)->checkState(0), Qt::Unchecked);
        QVERIFY(!KvoTest::button(&editor, "cmdHide")->isEnabled());

        // A new entry waits for Save.
        QTest::keyClicks(editor.findChild<QLineEdit *>(u"txtNew"_s), u"Yellow"_s);
        QVERIFY(KvoTest::click(&editor, "cmdAdd"));
        QCOMPARE(shown(tree(&editor, "tvwNew")), QStringList{u"Yellow"_s});
        QCOMPARE(stored(u"Color"_s).size(), 3);
        QVERIFY(KvoTest::click(&editor, "cmdSave"));
        QCOMPARE(stored(u"Color"_s), (QStringList{u"Blue"_s, u"Green"_s, u"Red"_s, u"Yellow"_s}));

        // Hide and show are written at once.
        showPage(editor, 1);
        check(old, {u"Green"_s});
        QVERIFY(KvoTest::click(&editor, "cmdHide"));
        QCOMPARE(shown(hidden), QStringList{u"Green"_s});
        QVERIFY(stored(u"Color"_s).contains(u"Green (hidden)"_s));
        showPage(editor, 2);
        check(hidden, {u"Green"_s});
        QVERIFY(KvoTest::click(&editor, "cmdShow"));
        QVERIFY(stored(u"Color"_s).contains(u"Green"_s));
        showPage(editor, 1);

        // Removing an entry in use keeps it and offers to hide it: declined, then taken.
        QString kept; // the one entry the dialog lists
        bool okShown = false;
        const auto answerKept = [&](const char *button) {
            whenModal(this, u"frmPicklistKept"_s, [&kept, &okShown, button](QDialog *dialog) {
                const auto *list = dialog->findChild<QListWidget *>(u"lstKept"_s);
                kept = list->count() == 1 ? list->item(0)->text() : u"%1 entries"_s.arg(list->count());
                okShown = KvoTest::button(dialog, "cmdOk")->isVisible();
                KvoTest::click(dialog, button);
            });
        };
        answerKept("cmdClose");
        check(old, {u"Blue"_s});
        QVERIFY(KvoTest::click(&editor, "cmdRemoveOld"));
        QCOMPARE(kept, u"Blue"_s);
        QCOMPARE(shown(old), (QStringList{u"Blue"_s, u"Green"_s, u"Red"_s, u"Yellow"_s}));
        answerKept("cmdOk");
        check(old, {u"Blue"_s, u"Yellow"_s});
        QVERIFY(KvoTest::click(&editor, "cmdRemoveOld"));
        QCOMPARE(kept, u"Blue"_s);
        QCOMPARE(stored(u"Color"_s), (QStringList{u"Blue (hidden)"_s, u"Green"_s, u"Red"_s}));

        // A hidden entry in use is only listed.
        answerKept("cmdClose");
        showPage(editor, 2);
        check(hidden, {u"Blue"_s});
        QVERIFY(KvoTest::click(&editor, "cmdRemoveHidden"));
        QVERIFY(!okShown && kept == u"Blue"_s);
        QCOMPARE(stored(u"Color"_s), (QStringList{u"Blue (hidden)"_s, u"Green"_s, u"Red"_s}));
        QCOMPARE(shown(hidden), QStringList{u"Blue"_s});

        // Enter in the new entry's box adds it; Esc, like Cancel, drops entries not yet saved.
        showPage(editor, 0);
        auto *txtNew = editor.findChild<QLineEdit *>(u"txtNew"_s);
        QTest::keyClicks(txtNew, u"Purple"_s);
        QTest::keyClick(txtNew, Qt::Key_Return);
        QVERIFY(txtNew->text().isEmpty());
        QTest::keyClick(txtNew, Qt::Key_Escape);
        QVERIFY(!editor.isVisible());
        QCOMPARE(stored(u"Color"_s), (QStringList{u"Blue (hidden)"_s, u"Green"_s, u"Red"_s}));
    }

    void addRefuses_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("refusedWith");  // text number; 0: added
        QTest::addColumn<bool>("onlyMariaDb"); // MariaDB's collation makes the refusal
        QTest::newRow("same text") << u"Color"_s << u"Green"_s << 8376 << false;
        QTest::newRow("trailing spaces") << u"Color"_s << u"Green  "_s << 8376 << false;
        QTest::newRow("other case") << u"Color"_s << u"green"_s << 8376 << true;
        QTest::newRow("hidden entry") << u"Color"_s << u"Blue"_s << 8376 << false;
        QTest::newRow("same number") << u"Size"_s << u"07"_s << 8376 << false;
        QTest::newRow("no number") << u"Size"_s << u"seven"_s << 8377 << false;
        QTest::newRow("new number") << u"Size"_s << u"8"_s << 0 << false;
    }

    // What Add does with a text beside one that differs only in case follows what the engine's key
    // treats as the same entry (docs/dialects.md).
    void addRefuses()
    {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(int, refusedWith);
        QFETCH(bool, onlyMariaDb);
        QVERIFY(KvoTest::run(m_host->connection(), u"UPDATE [PicklistPartsColor] SET [HideEntry] = 1 WHERE [Color] = "
                                                   "'Blue'"_s));
        const bool refused = refusedWith != 0 && (!onlyMariaDb || KvoTest::currentEngine() == Engine::MariaDB);
        frmPicklistEdit editor;
        QVERIFY(editor.prepare(*columns()->Item(column)->PickList(), nullptr));
        editor.show();
        QTest::keyClicks(editor.findChild<QLineEdit *>(u"txtNew"_s), typed);
        QCOMPARE(KvoTest::button(&editor, "cmdAdd")->isEnabled(), !refused);
        QCOMPARE(editor.findChild<QLabel *>(u"lblNewWarning"_s)->isVisible(), refused);
        if (refused) {
            QCOMPARE(editor.refusal(),
                     text(refusedWith, {typed.trimmed(), columns()->Item(column)->typeDisplayName()}));
            return;
        }
        const int before = int(stored(column).size());
        QVERIFY(KvoTest::click(&editor, "cmdAdd"));
        QVERIFY(KvoTest::click(&editor, "cmdSave"));
        QCOMPARE(int(stored(column).size()), before + 1);
    }

private:
    CFilterColumns *columns() { return m_host->columns(); }
    CFilterColumn *color() { return columns()->Item(u"Color"_s); }
    // "entry" or "entry (hidden)" for each row of a picklist table, sorted.
    QStringList stored(const QString &column)
    {
        QStringList out;
        for (const QString &row :
             KvoTest::rows(m_host->connection(), u"SELECT [%1], [HideEntry] FROM [PicklistParts%1]"_s.arg(column))) {
            const QStringList parts = row.split(u'|');
            out.append(parts.value(0) + (parts.value(1) == u"1"_s ? u" (hidden)"_s : QString()));
        }
        out.sort();
        return out;
    }

    std::unique_ptr<KvoTest::Host> m_host;
};

QTEST_MAIN(TestPicklistDialogs)
#include "tst_ui_picklists.moc"
