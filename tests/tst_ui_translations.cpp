// Translations: every resource text has a German translation that keeps its placeholders, and a
// host's own texts are never translated.
#include "testui.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTranslator>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;
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

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_german.load(u"kvo_de"_s, QStringLiteral(KVO_TRANSLATIONS_DIR))); }

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
        const QString translated = m_german.translate("ResourceTexts", english.toUtf8().constData());
        QVERIFY2(!translated.trimmed().isEmpty(), qPrintable(english));
        QCOMPARE(placeholders(translated), placeholders(english));
    }

    // A host's own text is never translated.
    void hostTextsStayAsGiven()
    {
        const QString english = text(8067);
        ResourceTexts::instance().setText(8066, english);
        {
            QCoreApplication::installTranslator(&m_german);
            const auto removed = qScopeGuard([this] { QCoreApplication::removeTranslator(&m_german); });
            QVERIFY(text(8067) != english);
            QCOMPARE(text(8066), english);
        }
        ResourceTexts::instance().resetTexts();
        QCOMPARE(text(8067), english);
    }

private:
    QTranslator m_german;
};

QTEST_MAIN(TestTranslations)
#include "tst_ui_translations.moc"
