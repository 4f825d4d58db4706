// Translations: every resource text has a German translation that keeps its placeholders, a host's
// own texts are never translated, and a language installed while a window of the library is open
// shows at once in its texts: column headers, list cells, tab titles, combo items, menus and the
// lines composed from resource texts with arguments.
#include "filterui.h"
#include "testui.h"

#include "config/frmconfigure.h"
#include "core/basglobals.h"
#include "filter/ui/frmfilter.h"
#include "picklists/cscpicklist.h"
#include "picklists/ui/frmpicklistedit.h"

#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTranslator>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
using KvoTest::child;
using KvoTest::text;

namespace {

// The placeholders of a text (%1, %2 ...), sorted.
QStringList placeholders(const QString &text)
{
    static const QRegularExpression placeholder(u"%\\d+"_s);
    QStringList found;
    for (const QRegularExpressionMatch &match : placeholder.globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

// Installs a translator while it lives, and waits until the windows have had the LanguageChange.
class InstalledTranslator
{
public:
    explicit InstalledTranslator(QTranslator *translator) : m_translator(translator)
    {
        QCoreApplication::installTranslator(m_translator);
        QCoreApplication::processEvents();
    }
    ~InstalledTranslator()
    {
        QCoreApplication::removeTranslator(m_translator);
        QCoreApplication::processEvents();
    }
    InstalledTranslator(const InstalledTranslator &) = delete;
    InstalledTranslator &operator=(const InstalledTranslator &) = delete;

private:
    QTranslator *m_translator;
};

// A text that a window shows, and the text it should show, read in the language installed at the
// time.
struct Shown
{
    std::function<QString()> shown;
    std::function<QString()> expected;
};

enum class Window { Configure, PicklistEditor, Filter };

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    // Base table Parts (records 1..3) with the search columns Material (text), Count (16-bit
    // integer) and Size (32-bit integer with a picklist).
    void initTestCase()
    {
        installWidgetsSupport();
        m_german = std::make_unique<QTranslator>();
        QVERIFY(m_german->load(u"kvo_de"_s, QStringLiteral(KVO_TRANSLATIONS_DIR)));
        m_host = KvoTest::makeHost(
                3, {{u"Material"_s, fcText}, {u"Count"_s, fcInteger16}, {u"Size"_s, fcInteger32, {}, 0, true}});
        QVERIFY(m_host);
    }
    void cleanupTestCase() { m_host.reset(); }

    void everyResourceTextIsTranslated_data()
    {
        QTest::addColumn<int>("number");
        for (int number : ResourceTexts::instance().textNumbers())
            QTest::addRow("%d", number) << number;
    }

    // A translation exists, is not empty and fills the same arguments as the English text.
    void everyResourceTextIsTranslated()
    {
        QFETCH(int, number);
        const QString english = text(number);
        const QString translated = m_german->translate("ResourceTexts", english.toUtf8().constData());
        QVERIFY2(!translated.trimmed().isEmpty(), qPrintable(english));
        QCOMPARE(placeholders(translated), placeholders(english));
    }

    // A host's own text is never translated.
    void hostTextsStayAsGiven()
    {
        const QString english = text(8067);
        ResourceTexts::instance().setText(8066, english);
        {
            InstalledTranslator installed(m_german.get());
            QVERIFY(text(8067) != english);
            QCOMPARE(text(8066), english);
        }
        ResourceTexts::instance().resetTexts();
        QCOMPARE(text(8067), english);
    }

    void languageSwitchesInOpenWindows_data()
    {
        QTest::addColumn<Window>("window");
        QTest::newRow("configure") << Window::Configure;
        QTest::newRow("picklist editor") << Window::PicklistEditor;
        QTest::newRow("filter") << Window::Filter;
    }

    // Each window opens in English; its texts turn German when German is installed and English
    // again when it is removed, while what the user chose stays chosen.
    void languageSwitchesInOpenWindows()
    {
        QFETCH(Window, window);
        CFilterColumns &columns = *m_host->columns();
        switch (window) {
        case Window::Configure: {
            frmConfigure configure;
            configure.prepare(columns);
            QVERIFY(open(&configure));
            auto *list = child<QTreeWidget>(&configure, "lvwSearch");
            QTreeWidgetItem *size = list->findItems(u"Size"_s, Qt::MatchExactly).value(0);
            QVERIFY(size);
            checkLanguageSwitch(
                    {{[=] { return list->headerItem()->text(1); }, [] { return text(7108); }},
                     {[=] { return size->text(1); }, [] { return basGlobals::ColumnTypeDisplayName(fcInteger32); }},
                     {[=] { return size->text(3); }, [] { return text(7124); }}});
            break;
        }
        case Window::PicklistEditor: {
            frmPicklistEdit editor;
            QVERIFY(editor.prepare(*columns.Item(u"Size"_s)->PickList(), nullptr));
            QVERIFY(open(&editor));
            // A text that is no number: the warning names the column's type.
            QTest::keyClicks(child<QLineEdit>(&editor, "txtNew"), u"many"_s);
            auto *tabs = child<QTabWidget>(&editor, "tabEdit");
            checkLanguageSwitch({{[=] { return tabs->tabText(1); }, [] { return text(8356); }},
                                 {[&] { return child<QLabel>(&editor, "lblNewWarning")->text(); },
                                  [] {
                                      return text(8377, {u"many"_s, basGlobals::ColumnTypeDisplayName(fcInteger32)});
                                  }}});
            break;
        }
        case Window::Filter: {
            frmFilter filter;
            filter.Setup(columns, nullptr);
            QVERIFY(open(&filter));
            QVERIFY(KvoTest::fillFilterRow(filter, 0, u"base.Qty > 0"_s));
            QVERIFY(KvoTest::fillFilterRow(filter, 1, u"or base.Qty < 0"_s));
            // The count that the rows' last change started has ended: no later count shows the line anew.
            QTRY_VERIFY(!child<QTimer>(&filter, "tmrCount")->isActive());
            QComboBox *comparison = filter.cboComparison(0);
            QComboBox *conjunction = filter.cboConjunction(1);
            const auto chosen = [=] { return QVariantList{comparison->currentData(), conjunction->currentData()}; };
            const QVariantList before = chosen();
            checkLanguageSwitch(
                    {{[&] { return filter.lblCount()->text(); }, [] { return text(7640, {u"3"_s}); }},
                     {[=] { return comparison->currentText(); }, [] { return text(7488 + kvoOP_Greater); }},
                     {[=] { return conjunction->currentText(); }, [] { return text(7589); }},
                     {[&] { return child<QMenu>(&filter, "mnuHelp")->title(); }, [] { return text(7590); }}},
                    [&] { QCOMPARE(chosen(), before); });
            break;
        }
        }
    }

private:
    static bool open(QWidget *window)
    {
        window->show();
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window);
    }

    // Each text shows its resource text in English, turns into a different German text when
    // German is installed (`whileGerman` then checks more) and back once it is removed.
    void checkLanguageSwitch(const QList<Shown> &texts, const std::function<void()> &whileGerman = {})
    {
        QStringList english;
        for (const Shown &t : texts) {
            QTRY_COMPARE(t.shown(), t.expected());
            english << t.shown();
        }
        {
            InstalledTranslator installed(m_german.get());
            for (qsizetype i = 0; i < texts.size(); ++i) {
                QVERIFY2(texts[i].expected() != english[i], qPrintable(english[i]));
                QTRY_COMPARE(texts[i].shown(), texts[i].expected());
            }
            if (whileGerman)
                whileGerman();
        }
        for (qsizetype i = 0; i < texts.size(); ++i)
            QTRY_COMPARE(texts[i].shown(), english[i]);
    }

    std::unique_ptr<QTranslator> m_german;
    std::unique_ptr<KvoTest::Host> m_host;
};

QTEST_MAIN(TestTranslations)
#include "tst_ui_translations.moc"
