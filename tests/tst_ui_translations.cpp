// Translations: every resource text has a German translation that keeps its placeholders, and a
// language installed while the examine window is open shows at once in its caption, in the
// control's label, buttons and status line, and in the message asked when it closes.
#include "testhost.h"
#include "testui.h"

#include "columns/cfiltercolumns.h"
#include "control/frmexamine.h"
#include "control/ukvosearch.h"
#include "core/controls.h"
#include "uisupport/widgetssupport.h"

#include "hostkit/formsinterface.h"
#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"

#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTranslator>

#include <memory>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

QString text(int number, const QStringList &args = {}) { return ResourceTexts::instance().Text(number, args); }

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

std::unique_ptr<QTranslator> loadTranslator(const QString &language)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(u"kvo_"_s + language, QStringLiteral(KVO_TRANSLATIONS_DIR)))
        return nullptr;
    return translator;
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

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWidgetsSupport(); }

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
        const std::unique_ptr<QTranslator> german = loadTranslator(u"de"_s);
        QVERIFY(german);
        const QString english = text(number);
        const QString translated = german->translate("ResourceTexts", english.toUtf8().constData());
        QVERIFY2(!translated.trimmed().isEmpty(), qPrintable(english));
        QCOMPARE(placeholders(translated), placeholders(english));
    }

    // A host's own text is never translated.
    void hostTextsStayAsGiven()
    {
        const std::unique_ptr<QTranslator> german = loadTranslator(u"de"_s);
        QVERIFY(german);
        const QString english = text(8067);
        ResourceTexts::instance().setText(8066, english);
        {
            InstalledTranslator installed(german.get());
            QVERIFY(text(8067) != english);
            QCOMPARE(text(8066), english);
        }
        ResourceTexts::instance().resetTexts();
        QCOMPARE(text(8067), english);
    }

    void languageSwitchesWhileTheExamineWindowIsOpen()
    {
        auto host = KvoTest::makeHost(3, {{"Material", fcText}, {"Count", fcInteger16}});
        QVERIFY(host);
        auto record = host->connection().OpenQuery(u"SELECT * FROM Parts WHERE PartId = 1"_s);
        QVERIFY(record);
        CMergeBaseEntry entry(1);
        frmExamine window;
        window.prepare(*host->columns(), record.get(), &entry, cseModeEdit);
        FormsGlobal::instance().setClosingMode(0);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        UKVOSearch *control = window.cseEdit();
        QVERIFY(KvoTest::click(control, "cmdEdit"));
        // A value out of range: the status line says the field is invalid, the panel how to enter it.
        QVERIFY(KvoTest::typeInto(control, u"Count"_s, u"40000"_s));
        auto *status = control->findChild<QLabel *>(u"txtStatus"_s);
        auto *entryLabel = control->findChild<QLabel *>(u"lblEntry"_s);
        QVERIFY(status && entryLabel);
        QTRY_COMPARE(status->text(), text(7682));
        const auto prompt = [control] {
            const QList<QLabel *> panels = control->findChildren<QLabel *>(u"sbrPanel"_s);
            return panels.isEmpty() ? QString() : panels.first()->text();
        };
        QCOMPARE(prompt(), text(6915));

        // What each text shows, with its resource text.
        struct Shown
        {
            std::function<QString()> shown;
            std::function<QString()> expected;
        };
        const QList<Shown> texts{
                {[&] { return window.windowTitle(); }, [] { return text(6816); }},
                {[&] { return entryLabel->text(); }, [] { return text(7392, {u"Parts"_s}); }},
                {[&] { return KvoTest::button(control, "cmdApply")->text(); }, [] { return text(8067); }},
                {[&] { return KvoTest::button(control, "cmdReset")->text(); }, [] { return text(8064); }},
                {[&] { return status->text(); }, [] { return text(7682); }},
                {prompt, [] { return text(6915); }},
        };
        QStringList english;
        for (const Shown &t : texts) {
            QCOMPARE(t.shown(), t.expected());
            english << t.shown();
        }

        const std::unique_ptr<QTranslator> german = loadTranslator(u"de"_s);
        QVERIFY(german);
        {
            InstalledTranslator installed(german.get());
            for (qsizetype i = 0; i < texts.size(); ++i) {
                QVERIFY2(texts[i].expected() != english[i], qPrintable(english[i]));
                QTRY_COMPARE(texts[i].shown(), texts[i].expected());
            }
            // The question on closing with unsaved changes comes in German too.
            KvoTest::ScriptedMessages messages(MsgBox::vbCancel);
            window.close();
            QCOMPARE(messages.requests().size(), 1);
            QCOMPARE(messages.requests().first().text, text(7872));
            QVERIFY(window.isVisible());
        }
        // Back in English.
        for (qsizetype i = 0; i < texts.size(); ++i)
            QTRY_COMPARE(texts[i].shown(), english[i]);
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_ui_translations.moc"
