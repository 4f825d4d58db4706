// The configuration dialog and the column editor, driven through their widgets on every engine:
// new columns made and saved, deletion of saved and unsaved columns with the questions
// and their Cancel, moving, closing, the picklist button, the type change with its dry run, and
// the editor's checks, questions, defaults and round trip.
#include "testhost.h"
#include "testui.h"

#include "columns/cfiltercolumns.h"
#include "config/frmcolumnedit.h"
#include "config/frmconfigure.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"
#include "uisupport/widgetssupport.h"
#include "uisupport/windowsupport.h"

#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/messagebox.h"
#include "hostkit/resourcetexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeWidget>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::child;
using KvoTest::fillColumnEditor;
using KvoTest::whenModal;

namespace {

bool enabled(const QWidget *root, const char *name) { return KvoTest::button(root, name)->isEnabled(); }

QStringList listed(const frmConfigure &dialog)
{
    QStringList names;
    const auto *list = child<QTreeWidget>(&dialog, "lvwSearch");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names.append(list->topLevelItem(i)->text(0));
    return names;
}

} // namespace

class TestConfigure : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { KvoTest::addEngineRows(); }
    void initTestCase() { installWidgetsSupport(); }
    // Every test starts with base table Parts (records 1..3) and the saved columns Material (a
    // text picklist with the entries Steel and Brass, record 1 holding Steel) and Count (int32).
    void init()
    {
        m_host = KvoTest::makeHost(3);
        QVERIFY(m_host);
        QVERIFY(KvoTest::addColumns(*columns(), {{u"Material"_s, fcText, u"Stuff"_s, 20, true, false, u"Steel"_s},
                                                 {u"Count"_s, fcInteger32}}));
        QVERIFY(columns()->Item(u"Material"_s)->PickList()->SaveAdditions({u"Brass"_s}));
        QVERIFY(KvoTest::run(m_host->connection(), u"INSERT INTO [PartsSearchData] ([PartId], [Material], [Count]) "
                                                   "VALUES (1, 'Steel', 12), (2, 'Brass', NULL)"_s));
        m_dialog = std::make_unique<frmConfigure>();
        m_dialog->prepare(*columns());
        m_dialog->show();
    }
    void cleanup()
    {
        m_dialog.reset();
        m_host.reset();
    }

    void newColumnThroughTheEditor_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("picklistDefault"); // null: no picklist
        QTest::addColumn<QString>("row");             // the definition row: type|size|picklist|default (~: NULL)
        QTest::newRow("keyword") << int(fcKeyword) << QString() << "0|20|0|";
        QTest::newRow("text picklist") << int(fcText) << u"Oak"_s << "1|20|1|Oak";
        QTest::newRow("int32 picklist") << int(fcInteger32) << u"007"_s << "3|0|1|7";
        QTest::newRow("date/time") << int(fcDateTime) << QString() << "6|0|0|~";
        QTest::newRow("Boolean") << int(fcBoolean) << QString() << "7|0|0|~";
        QTest::newRow("note") << int(fcNote) << QString() << "8|255|0|";
    }

    void newColumnThroughTheEditor()
    {
        QFETCH(int, type);
        QFETCH(QString, picklistDefault);
        QFETCH(QString, row);
        QVERIFY(!m_dialog->isChanged());
        QCOMPARE(KvoTest::button(m_dialog.get(), "cmdCancel")->text(), ResourceTexts::instance().Text(8065));
        QVERIFY(addThroughEditor(u"Added"_s, type, picklistDefault));
        QCOMPARE(listed(*m_dialog), (QStringList{u"Material"_s, u"Count"_s, u"Added"_s}));
        QVERIFY(m_dialog->isChanged());
        QCOMPARE(KvoTest::button(m_dialog.get(), "cmdCancel")->text(), ResourceTexts::instance().Text(8073));
        QVERIFY(KvoTest::click(m_dialog.get(), "cmdApply"));
        QVERIFY(!m_dialog->isChanged());
        QVERIFY(!enabled(m_dialog.get(), "cmdApply"));
        QCOMPARE(KvoTest::definitionRow(*m_host, u"Added"_s), row);
        CFilterColumn *added = columns()->Item(u"Added"_s);
        QVERIFY(added);
        QVERIFY(columns()->MyStructureDefault(added).Compare(m_host->catalog(), CompareExact));
        QCOMPARE(KvoTest::tableExists(m_host->catalog(), u"PicklistPartsAdded"_s), !picklistDefault.isNull());
    }

    void buttonsFollowTheSelection()
    {
        QWidget *d = m_dialog.get();
        for (const char *name : {"cmdEdit", "cmdDelete", "cmdUp", "cmdDown", "cmdPicklist", "cmdChangeType"})
            QVERIFY2(!enabled(d, name), name);
        m_dialog->selectColumn(u"Material"_s);
        QVERIFY(!enabled(d, "cmdUp") && enabled(d, "cmdDown") && enabled(d, "cmdPicklist"));
        m_dialog->selectColumn(u"Count"_s);
        QVERIFY(enabled(d, "cmdUp") && !enabled(d, "cmdDown") && !enabled(d, "cmdPicklist"));
        QVERIFY(KvoTest::click(d, "cmdUp"));
        QCOMPARE(listed(*m_dialog), (QStringList{u"Count"_s, u"Material"_s}));
        QCOMPARE(m_dialog->selectedName(), u"Count"_s);
        // A pending change holds the type change back; Cancel discards the move.
        QVERIFY(!enabled(d, "cmdChangeType"));
        QVERIFY(KvoTest::click(d, "cmdCancel"));
        QCOMPARE(columns()->Item(1)->Name(), u"Material"_s);

        // An empty column set: nothing to select.
        QVERIFY(columns()->Remove(u"Material"_s) && columns()->Remove(u"Count"_s) && columns()->ColumnsSave(nullptr));
        frmConfigure empty;
        empty.prepare(*columns());
        QVERIFY(listed(empty).isEmpty());
        for (const char *name : {"cmdEdit", "cmdDelete", "cmdUp", "cmdDown", "cmdPicklist", "cmdApply"})
            QVERIFY2(!enabled(&empty, name), name);
    }

    // The six cells of a row: name, type, length (keyword and text), picklist and blanks (not for
    // keyword and Boolean), default (a date/time column's by its mode).
    void listCells()
    {
        QVERIFY(KvoTest::addColumns(*columns(),
                                    {{.name = u"Due"_s, .type = fcDateTime, .dateTimeDefaultMode = fcDTDM_Now},
                                     {.name = u"Done"_s, .type = fcBoolean}}));
        m_dialog->prepare(*columns());
        const auto *list = child<QTreeWidget>(m_dialog.get(), "lvwSearch");
        const auto row = [list](int i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells.append(list->topLevelItem(i)->text(c));
            return cells.join(u'|');
        };
        const ResourceTexts &t = ResourceTexts::instance();
        QCOMPARE(row(0), u"Material|%1|20|%2|%3|Steel"_s.arg(t.Text(7015), t.Text(7124), t.Text(7127)));
        QCOMPARE(row(1), u"Count|%1||%2|%3|"_s.arg(t.Text(7013), t.Text(7125), t.Text(7127)));
        QCOMPARE(row(2), u"Due|%1||%2|%3|%4"_s.arg(t.Text(7009), t.Text(7125), t.Text(7127), t.Text(8083)));
        QCOMPARE(row(3), u"Done|%1||||"_s.arg(t.Text(7008)));
    }

    // The dialogs centre themselves in the column set's owner rectangle.
    void centredInTheOwner()
    {
        columns()->setOwnerRect({toTwips(100), toTwips(80), toTwips(900), toTwips(600)});
        frmConfigure dialog;
        dialog.prepare(*columns());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY(qAbs(dialog.frameGeometry().center().x() - 550) <= 2);
        QVERIFY(qAbs(dialog.frameGeometry().center().y() - 380) <= 2);
    }

    void deleting_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("deleteAnswer"); // 0: not asked
        QTest::addColumn<int>("applyAnswer");  // 0: not asked
        QTest::addColumn<QStringList>("after");
        using namespace MsgBox;
        QTest::newRow("unsaved column, no question") << "Fresh" << 0 << 0 << QStringList{"Material", "Count"};
        QTest::newRow("saved column, cancelled")
                << "Count" << int(vbCancel) << 0 << QStringList{"Material", "Count", "Fresh"};
        QTest::newRow("saved column, Apply cancelled")
                << "Count" << int(vbOK) << int(vbCancel) << QStringList{"Material", "Count"};
        QTest::newRow("saved column, saved") << "Count" << int(vbOK) << int(vbOK) << QStringList{"Material", "Fresh"};
    }

    void deleting()
    {
        QFETCH(QString, column);
        QFETCH(int, deleteAnswer);
        QFETCH(int, applyAnswer);
        QFETCH(QStringList, after);
        QVERIFY(addThroughEditor(u"Fresh"_s, fcDouble));
        m_dialog->selectColumn(column);
        {
            KvoTest::ScriptedMessages messages(deleteAnswer ? deleteAnswer : MsgBox::vbOK);
            QVERIFY(KvoTest::click(m_dialog.get(), "cmdDelete"));
            QCOMPARE(messages.requests().size(), deleteAnswer ? 1 : 0);
            if (deleteAnswer)
                QCOMPARE(messages.requests().first().text, ResourceTexts::instance().Text(7117, {column}));
        }
        QCOMPARE(m_dialog->isStructureChanged(), deleteAnswer == MsgBox::vbOK);
        KvoTest::ScriptedMessages messages(applyAnswer ? applyAnswer : MsgBox::vbOK);
        QVERIFY(KvoTest::click(m_dialog.get(), "cmdApply"));
        QCOMPARE(messages.requests().size(), applyAnswer ? 1 : 0);
        // Cancelling the Apply question discards every change, the new column too.
        QCOMPARE(listed(*m_dialog), after);
        QVERIFY(!m_dialog->isChanged() && !m_dialog->isStructureChanged());
        QCOMPARE(KvoTest::rows(m_host->connection(),
                               u"SELECT [Name] FROM [SearchColumnConfiguration] ORDER BY [Position]"_s),
                 after);
        QCOMPARE(KvoTest::fieldNames(m_host->catalog(), u"PartsSearchData"_s).contains(u"Count"_s, Qt::CaseInsensitive),
                 after.contains(u"Count"_s));
    }

    void closing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("storedCount");
        QTest::addColumn<int>("countInMemory");
        using namespace MsgBox;
        QTest::newRow("Yes saves") << int(vbYes) << true << 3 << 3;
        QTest::newRow("No drops") << int(vbNo) << true << 2 << 2;
        QTest::newRow("Cancel stays") << int(vbCancel) << false << 2 << 3;
    }

    void closing()
    {
        QFETCH(int, answer);
        QVERIFY(addThroughEditor(u"Fresh"_s, fcText));
        KvoTest::ScriptedMessages messages(answer);
        m_dialog->close();
        QCOMPARE(messages.requests().size(), 1);
        QCOMPARE(messages.requests().first().text, ResourceTexts::instance().Text(7119));
        QTEST(!m_dialog->isVisible(), "closed");
        QTEST(KvoTest::cell(m_host->connection(), u"SELECT COUNT(*) FROM [SearchColumnConfiguration]"_s).toInt(),
              "storedCount");
        QTEST(int(columns()->Count()), "countInMemory");
        QCOMPARE(m_dialog->isChanged(), answer == MsgBox::vbCancel);
    }

    void picklistButtonOpensTheEditor()
    {
        m_dialog->selectColumn(u"Material"_s);
        QString opened;
        whenModal(this, u"frmPicklistEdit"_s, [&](QDialog *editor) {
            opened = editor->windowTitle();
            editor->reject();
        });
        QVERIFY(KvoTest::click(m_dialog.get(), "cmdPicklist"));
        QCOMPARE(opened, ResourceTexts::instance().Text(8352, {u"Material"_s}));
        // A picklist column that is not saved has no table yet.
        QVERIFY(addThroughEditor(u"Fresh"_s, fcText, u"x"_s));
        m_dialog->selectColumn(u"Fresh"_s);
        QVERIFY(!enabled(m_dialog.get(), "cmdPicklist"));
    }

    void changeType_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("asked");  // in the question
        QTest::addColumn<QString>("stored"); // record 1's value afterwards, read as text
        const auto row = [](const char *tag, const char *column, int type, int answer, const char *asked,
                            const char *stored) {
            QTest::newRow(tag) << QString::fromUtf8(column) << type << answer << QString::fromUtf8(asked)
                               << QString::fromUtf8(stored);
        };
        row("all convert", "Count", fcText, MsgBox::vbOK, "All 1 stored values", "12");
        row("cancelled", "Material", fcInteger32, MsgBox::vbCancel, "2 cannot", "Steel");
        row("values emptied", "Material", fcDouble, MsgBox::vbOK, "\n  1: Steel", "");
    }

    void changeType()
    {
        QFETCH(QString, column);
        QFETCH(int, type);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QString, stored);
        m_dialog->selectColumn(column);
        QVERIFY(enabled(m_dialog.get(), "cmdChangeType"));
        whenModal(this, u"frmChangeType"_s, [&](QDialog *chooser) {
            auto *types = child<QListWidget>(chooser, "lstType");
            types->setCurrentRow(type - 1); // the list leaves the keyword type out
            KvoTest::click(chooser, "cmdOk");
        });
        KvoTest::ScriptedMessages messages(answer);
        QVERIFY(KvoTest::click(m_dialog.get(), "cmdChangeType"));
        QCOMPARE(messages.requests().size(), 1);
        QVERIFY2(messages.requests().first().text.contains(asked), qPrintable(messages.requests().first().text));
        const QVariant value = KvoTest::cell(m_host->connection(),
                                             u"SELECT [%1] FROM [PartsSearchData] WHERE [PartId] = 1"_s.arg(column));
        QCOMPARE(value.isNull() ? QString()
                                : Convert::fromDatabase(value, answer == MsgBox::vbOK ? type : fcText).toText(),
                 stored);
        QCOMPARE(int(columns()->Item(column)->ColumnType()), answer == MsgBox::vbOK ? type : int(fcText));
        QCOMPARE(m_dialog->selectedName(), column);
    }

    void editorWarnings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("warning");
        QTest::addColumn<QString>("beside"); // the box the warning sits beside
        const auto row = [](const char *tag, const QString &name, const char *caption, int warning,
                            const char *beside) {
            QTest::newRow(tag) << name << QString::fromUtf8(caption) << warning << QString::fromUtf8(beside);
        };
        row("valid", u"Grade"_s, "Grade of steel", 0, "");
        row("base field in other case", u"description"_s, "", 1, "txtName");
        row("caption is a base field", u"Grade"_s, "Qty", 2, "txtCaption");
        row("name of another column", u"COUNT"_s, "", 3, "txtName");
        row("caption is another name", u"Grade"_s, "material", 4, "txtCaption");
        row("name is another caption", u"Stuff"_s, "", 5, "txtName");
        row("caption is another caption", u"Grade"_s, "stuff", 6, "txtCaption");
        row("too long", QString(60, u'n'), "", 7, "txtName");
    }

    void editorWarnings()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, warning);
        QFETCH(QString, beside);
        frmColumnEdit editor;
        editor.prepare(*columns(), nullptr, true);
        editor.show();
        QTest::keyClicks(child<QLineEdit>(&editor, "txtName"), name);
        QTest::keyClicks(child<QLineEdit>(&editor, "txtCaption"), caption);
        QCOMPARE(editor.nameWarning(), warning);
        const auto *label = child<QLabel>(&editor, "lblWarning");
        QCOMPARE(label->isVisible(), warning != 0);
        QCOMPARE(enabled(&editor, "cmdOk"), warning == 0);
        if (warning > 0 && warning < 7)
            QCOMPARE(label->text(), ResourceTexts::instance().Text(8161 + warning, {warning % 2 ? name : caption}));
        if (!beside.isEmpty()) {
            const QWidget *box = child(&editor, beside.toLatin1().constData());
            QVERIFY(qAbs(label->geometry().center().y() - box->geometry().center().y()) < box->height());
        }
    }

    void editorKeyFilterAndSize()
    {
        frmColumnEdit editor;
        editor.prepare(*columns(), nullptr, true);
        editor.show();
        QTest::keyClicks(child<QLineEdit>(&editor, "txtName"), u"Part no.-2_b"_s);
        QCOMPARE(child<QLineEdit>(&editor, "txtName")->text(), u"Partno2_b"_s);
        QTest::keyClicks(child<QLineEdit>(&editor, "txtCaption"), u"Part no.-2"_s);
        QCOMPARE(child<QLineEdit>(&editor, "txtCaption")->text(), u"Part no2"_s);
        // The up-down control stops at 255 and keeps the text box in step.
        child<QScrollBar>(&editor, "updSize")->setValue(300);
        QCOMPARE(child<QLineEdit>(&editor, "txtSize")->text(), u"255"_s);
        child<QLineEdit>(&editor, "txtSize")->setText(u"40"_s);
        QCOMPARE(child<QScrollBar>(&editor, "updSize")->value(), 40);
        child<QListWidget>(&editor, "lstType")->setCurrentRow(fcNote);
        QCOMPARE(int(editor.definition().textLengthInUI), 255);
    }

    void editorPicklistQuestions_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("picklist");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("asked"); // text number, 0: none
        QTest::addColumn<bool>("closes");
        using namespace MsgBox;
        QTest::newRow("switched off, Cancel") << "Material" << false << int(vbCancel) << 8160 << false;
        QTest::newRow("switched off, OK") << "Material" << false << int(vbOK) << 8160 << true;
        QTest::newRow("switched on") << "Count" << true << int(vbOK) << 8161 << true;
    }

    void editorPicklistQuestions()
    {
        QFETCH(QString, column);
        QFETCH(bool, picklist);
        QFETCH(int, answer);
        QFETCH(int, asked);
        QFETCH(bool, closes);
        frmColumnEdit editor;
        CFilterColumn *c = columns()->Item(column);
        editor.prepare(*columns(), c, false);
        editor.show();
        QVERIFY(!enabled(&editor, "cmdOk")); // nothing changed yet
        QVERIFY(!child(&editor, "txtName")->isEnabled() && !child(&editor, "lstType")->isEnabled());
        child<QCheckBox>(&editor, "chkIsPicklist")->setChecked(picklist);
        KvoTest::ScriptedMessages messages(answer);
        QVERIFY(KvoTest::click(&editor, "cmdOk"));
        QCOMPARE(messages.requests().size(), 1);
        QCOMPARE(messages.requests().first().text, ResourceTexts::instance().Text(asked, {column}));
        QCOMPARE(editor.isVisible(), !closes);
        QCOMPARE(c->IsPicklist(), closes ? picklist : !picklist);
    }

    void editorDefaults_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("picklist");
        QTest::addColumn<bool>("now"); // the date default mode
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("picklistDefault");
        QTest::addColumn<QString>("dateDefault");
        const auto row = [](const char *tag, int type, bool picklist, bool now, const QString &typed,
                            const QString &picklistDefault, const char *dateDefault) {
            QTest::newRow(tag) << type << picklist << now << typed << picklistDefault << QString::fromUtf8(dateDefault);
        };
        row("number as stored", fcInteger16, true, false, u"007"_s, u"7"_s, "Null:");
        row("no number, kept as typed", fcDouble, true, false, u"abc"_s, u"abc"_s, "Null:");
        row("date picklist", fcDateTime, true, false, u"2024-3-5"_s, u"2024-03-05 00:00:00"_s, "Null:");
        row("fixed date", fcDateTime, false, false, u"2024-03-05 10:30"_s, {}, "Date:2024-03-05 10:30:00");
        row("fixed date that is none", fcDateTime, false, false, u"soon"_s, {}, "Null:");
        row("now", fcDateTime, false, true, {}, {}, "Null:");
        row("text cut to its length", fcText, true, false, QString(30, u'x'), QString(20, u'x'), "Null:");
    }

    void editorDefaults()
    {
        QFETCH(int, type);
        QFETCH(bool, picklist);
        QFETCH(bool, now);
        QFETCH(QString, typed);
        frmColumnEdit editor;
        editor.prepare(*columns(), nullptr, true);
        editor.show();
        fillColumnEditor(&editor, u"Fresh"_s, type, picklist ? typed : QString());
        if (!picklist) {
            const auto options = editor.findChildren<QRadioButton *>(u"kvooptDateDefault"_s);
            QCOMPARE(options.size(), 2);
            for (QRadioButton *o : options) {
                if (o->property("Index").toInt() == (now ? 1 : 0))
                    o->setChecked(true);
            }
            QTest::keyClicks(child<QLineEdit>(&editor, "txtDefault"), typed);
        }
        QVERIFY(KvoTest::click(&editor, "cmdOk"));
        CFilterColumn *made = editor.column();
        QVERIFY(made);
        QTEST(made->PicklistDefault(), "picklistDefault");
        QTEST(KvoTest::typed(made->DateTimeDefaultValue()), "dateDefault");
        QCOMPARE(made->DateTimeDefaultMode(), now ? fcDTDM_Now : fcDTDM_Configure);
    }

    // The widgets give back the definition they were given, per type.
    void editorRoundTrip()
    {
        frmColumnEdit editor;
        editor.prepare(*columns(), nullptr, true);
        for (int type = _fc_First; type <= _fc_Last; ++type) {
            ColumnDefinition d;
            d.name = u"Round"_s;
            d.caption = u"Round trip"_s;
            d.description = u"what it is"_s;
            d.type = FilterColumnTypeConstants(type);
            d.textLengthInUI = type == fcNote ? 255 : type == fcText || type == fcKeyword ? 33 : 0;
            d.isPicklist = type != fcKeyword && type != fcBoolean && type != fcNote;
            d.picklistAllowBlanks = d.isPicklist;
            d.picklistDefault = type == fcNote ? u"note\ntext"_s : QString();
            d.dateTimeDefaultValue = Variant::null();
            editor.setDefinition(d, d.picklistDefault);
            const auto fields = [](const ColumnDefinition &c) {
                return QStringList{c.name,
                                   c.caption,
                                   c.description,
                                   QString::number(c.type),
                                   QString::number(c.textLengthInUI),
                                   QString::number(c.isPicklist),
                                   QString::number(c.picklistAllowBlanks),
                                   c.picklistDefault};
            };
            QCOMPARE(fields(editor.definition()), fields(d));
        }
    }

private:
    CFilterColumns *columns() { return m_host->columns(); }
    // Clicks New, fills the editor and presses its OK.
    bool addThroughEditor(const QString &name, int type, const QString &picklistDefault = {})
    {
        bool answered = false;
        whenModal(
                this, u"frmColumnEdit"_s,
                [&](QDialog *editor) {
                    fillColumnEditor(editor, name, type, picklistDefault);
                    KvoTest::click(editor, "cmdOk");
                },
                &answered);
        return KvoTest::click(m_dialog.get(), "cmdNew") && answered;
    }

    std::unique_ptr<KvoTest::Host> m_host;
    std::unique_ptr<frmConfigure> m_dialog;
};

QTEST_MAIN(TestConfigure)
#include "tst_ui_configure.moc"
