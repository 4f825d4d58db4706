// The configuration dialog and the column editor, driven through their widgets on every engine:
// new columns made and saved, deletion with its questions, moving, closing, the picklist button,
// the type change with its dry run, and the editor's checks, questions, defaults and round trip.
#include "uitest.h"

#include "config/frmcolumnedit.h"
#include "config/frmconfigure.h"
#include "core/conversions.h"
#include "picklists/cscpicklist.h"

#include "hostkit/catalog.h"
#include "hostkit/messagebox.h"

#include <QRadioButton>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::child;
using KvoTest::fillColumnEditor;
using KvoTest::text;
using KvoTest::whenModal;

namespace {

bool enabled(const QWidget *root, const char *name) { return KvoTest::button(root, name)->isEnabled(); }

QStringList listed(const frmConfigure &dialog) { return KvoTest::itemTexts(child<QTreeWidget>(&dialog, "lvwSearch")); }

} // namespace

class TestConfigure : public KvoTest::UiTest
{
    Q_OBJECT

private slots:
    // Every test starts with base table Parts (records 1..3) and the saved columns Material (a
    // text picklist with the entries Steel and Brass, record 1 holding Steel) and Count (int32).
    void init()
    {
        m_host = KvoTest::makeHost(
                3, {{u"Material"_s, fcText, u"Stuff"_s, 20, true, false, u"Steel"_s}, {u"Count"_s, fcInteger32}});
        QVERIFY(m_host);
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
        QVERIFY(addThroughEditor(u"Added"_s, type, picklistDefault));
        QCOMPARE(listed(*m_dialog), (QStringList{u"Material"_s, u"Count"_s, u"Added"_s}));
        QVERIFY(m_dialog->isChanged() && KvoTest::click(m_dialog.get(), "cmdApply"));
        QVERIFY(!m_dialog->isChanged() && !enabled(m_dialog.get(), "cmdApply"));
        QCOMPARE(KvoTest::definitionRow(*m_host, u"Added"_s), row);
        CFilterColumn *added = columns()->Item(u"Added"_s);
        QVERIFY(added);
        QVERIFY(columns()->MyStructureDefault(added).Compare(m_host->catalog(), CompareExact));
        QCOMPARE(KvoTest::tableExists(m_host->catalog(), u"PicklistPartsAdded"_s), !picklistDefault.isNull());
    }

    // The buttons follow the selection; the picklist button opens the selected column's editor,
    // once its picklist table is saved.
    void buttonsFollowTheSelection()
    {
        QWidget *d = m_dialog.get();
        for (const char *name : {"cmdEdit", "cmdDelete", "cmdUp", "cmdDown", "cmdPicklist", "cmdChangeType"})
            QVERIFY2(!enabled(d, name), name);
        m_dialog->selectColumn(u"Material"_s);
        QVERIFY(!enabled(d, "cmdUp") && enabled(d, "cmdDown") && enabled(d, "cmdPicklist"));
        QString opened;
        whenModal(this, u"frmPicklistEdit"_s, [&](QDialog *editor) {
            opened = editor->windowTitle();
            editor->reject();
        });
        QVERIFY(KvoTest::click(d, "cmdPicklist"));
        QCOMPARE(opened, text(8352, {u"Material"_s}));
        m_dialog->selectColumn(u"Count"_s);
        QVERIFY(enabled(d, "cmdUp") && !enabled(d, "cmdDown") && !enabled(d, "cmdPicklist"));
        QVERIFY(KvoTest::click(d, "cmdUp"));
        QCOMPARE(listed(*m_dialog), (QStringList{u"Count"_s, u"Material"_s}));
        QCOMPARE(m_dialog->selectedName(), u"Count"_s);
        // A pending change holds the type change back.
        QVERIFY(!enabled(d, "cmdChangeType"));
        QVERIFY(addThroughEditor(u"Fresh"_s, fcText, u"x"_s));
        m_dialog->selectColumn(u"Fresh"_s);
        QVERIFY(!enabled(d, "cmdPicklist"));
        // Cancel discards the move.
        QVERIFY(KvoTest::click(d, "cmdCancel"));
        QCOMPARE(columns()->Item(1)->Name(), u"Material"_s);
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
                QCOMPARE(messages.requests().first().text, text(7117, {column}));
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
        QTEST(!m_dialog->isVisible(), "closed");
        QTEST(KvoTest::cell(m_host->connection(), u"SELECT COUNT(*) FROM [SearchColumnConfiguration]"_s).toInt(),
              "storedCount");
        QTEST(int(columns()->Count()), "countInMemory");
        QCOMPARE(m_dialog->isChanged(), answer == MsgBox::vbCancel);
    }

    void changeType_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("asked");  // in the question
        QTest::addColumn<QString>("stored"); // record 1's value afterwards, read as text
        using namespace MsgBox;
        QTest::newRow("all convert") << u"Count"_s << int(fcText) << int(vbOK) << u"All 1 stored values"_s << u"12"_s;
        QTest::newRow("cancelled") << u"Material"_s << int(fcInteger32) << int(vbCancel) << u"2 cannot"_s << u"Steel"_s;
        QTest::newRow("values emptied") << u"Material"_s << int(fcDouble) << int(vbOK) << u"\n  1: Steel"_s
                                        << QString();
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
        QTest::newRow("valid") << u"Grade"_s << u"Grade of steel"_s << 0;
        QTest::newRow("base field in other case") << u"description"_s << QString() << 1;
        QTest::newRow("caption is a base field") << u"Grade"_s << u"Qty"_s << 2;
        QTest::newRow("name of another column") << u"COUNT"_s << QString() << 3;
        QTest::newRow("caption is another name") << u"Grade"_s << u"material"_s << 4;
        QTest::newRow("name is another caption") << u"Stuff"_s << QString() << 5;
        QTest::newRow("caption is another caption") << u"Grade"_s << u"stuff"_s << 6;
        QTest::newRow("too long") << QString(60, u'n') << QString() << 7;
    }

    // A name or caption that clashes with a base field or another column holds OK back and says why;
    // the name and caption boxes take no punctuation.
    void editorWarnings()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, warning);
        frmColumnEdit editor;
        editor.prepare(*columns(), nullptr, true);
        editor.show();
        QTest::keyClicks(child<QLineEdit>(&editor, "txtName"), name + u" .-"_s);
        QTest::keyClicks(child<QLineEdit>(&editor, "txtCaption"), caption.isEmpty() ? caption : caption + u".-"_s);
        QCOMPARE(child<QLineEdit>(&editor, "txtName")->text(), name);
        QCOMPARE(child<QLineEdit>(&editor, "txtCaption")->text(), caption);
        QCOMPARE(editor.nameWarning(), warning);
        const auto *label = child<QLabel>(&editor, "lblWarning");
        QCOMPARE(label->isVisible(), warning != 0);
        QCOMPARE(enabled(&editor, "cmdOk"), warning == 0);
        if (warning > 0 && warning < 7)
            QCOMPARE(label->text(), text(8161 + warning, {warning % 2 ? name : caption}));
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
        QCOMPARE(messages.requests().first().text, text(asked, {column}));
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

    // The widgets give back the definition they were given, per type: editing a column keeps it.
    void editorRoundTrip()
    {
        frmColumnEdit editor;
        editor.prepare(*columns(), nullptr, true);
        const auto fields = [](const ColumnDefinition &c) {
            return u"%1|%2|%3|%4|%5|%6|%7|%8"_s.arg(c.name, c.caption, c.description, QString::number(c.type),
                                                    QString::number(c.textLengthInUI), QString::number(c.isPicklist),
                                                    QString::number(c.picklistAllowBlanks), c.picklistDefault);
        };
        for (int type = _fc_First; type <= _fc_Last; ++type) {
            const bool picklist = type != fcKeyword && type != fcBoolean && type != fcNote;
            const qint16 length = type == fcNote ? 255 : type == fcText || type == fcKeyword ? 33 : 0;
            const ColumnDefinition d{.name = u"Round"_s,
                                     .type = FilterColumnTypeConstants(type),
                                     .caption = u"Round trip"_s,
                                     .textLengthInUI = length,
                                     .isPicklist = picklist,
                                     .picklistAllowBlanks = picklist,
                                     .picklistDefault = type == fcNote ? u"note\ntext"_s : QString(),
                                     .description = u"what it is"_s};
            editor.setDefinition(d, d.picklistDefault);
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
