// The reference user profile on an INI file.
#include "hostkit/userprofile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace KvoPlx800SCtl::HostKit;

class TestProfile : public QObject
{
    Q_OBJECT

private:
    QString path(const QString &name = QStringLiteral("profile.ini")) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    int m_file = 0;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void valuesAreWrittenInTheirFormats_data()
    {
        QTest::addColumn<int>("kind"); // 0 text, 1 number, 2 double, 3 date, 4 Boolean
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("text") << 0 << QVariant(QStringLiteral("Aluminium")) << "Aluminium";
        QTest::newRow("empty text") << 0 << QVariant(QString()) << "";
        QTest::newRow("text with comma") << 0 << QVariant(QStringLiteral("a, b, c")) << "a, b, c";
        QTest::newRow("text with at sign") << 0 << QVariant(QStringLiteral("@Variant(x)")) << "@Variant(x)";
        QTest::newRow("text with quotes")
                << 0 << QVariant(QStringLiteral("say \"hi\"; 'x' = y")) << "say \"hi\"; 'x' = y";
        QTest::newRow("text with spaces") << 0 << QVariant(QStringLiteral("  padded  ")) << "  padded  ";
        QTest::newRow("text with line break")
                << 0 << QVariant(QStringLiteral("one\ntwo\r\nthree")) << "one\ntwo\r\nthree";
        QTest::newRow("text with backslash") << 0 << QVariant(QStringLiteral("C:\\temp\\x")) << "C:\\temp\\x";
        QTest::newRow("text, non-Latin") << 0 << QVariant(QStringLiteral("材料 Ωμέγα")) << "材料 Ωμέγα";
        QTest::newRow("text like a number") << 0 << QVariant(QStringLiteral("007")) << "007";
        QTest::newRow("number") << 1 << QVariant(12345) << "12345";
        QTest::newRow("negative number") << 1 << QVariant(-2147483647 - 1) << "-2147483648";
        QTest::newRow("double") << 2 << QVariant(2.5) << "2.5";
        QTest::newRow("double, negative") << 2 << QVariant(-123.456) << "-123.456";
        QTest::newRow("double, round trip") << 2 << QVariant(0.1 + 0.2) << "0.30000000000000004";
        QTest::newRow("double, large") << 2 << QVariant(1e20) << "1e+20";
        QTest::newRow("date") << 3 << QVariant(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))) << "#2024-03-05 07:08:09#";
        QTest::newRow("date, afternoon") << 3 << QVariant(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)))
                                         << "#1999-12-31 23:59:59#";
        QTest::newRow("date zero") << 3 << QVariant(QDateTime(QDate(1899, 12, 30), QTime(0, 0)))
                                   << "#1899-12-30 00:00:00#";
        QTest::newRow("true") << 4 << QVariant(true) << "True";
        QTest::newRow("false") << 4 << QVariant(false) << "False";
    }

    // Each kind is written as its text, read back the same, also through a new profile object.
    void valuesAreWrittenInTheirFormats()
    {
        QFETCH(int, kind);
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        const QString file = path(QStringLiteral("values%1.ini").arg(++m_file));
        {
            UserProfile profile(file);
            const QString section = QStringLiteral("Parts_Template");
            const QString key = QStringLiteral("Value");
            switch (kind) {
            case 0:
                profile.SetText(section, key, value.toString());
                break;
            case 1:
                profile.SetNumber(section, key, value.toInt());
                break;
            case 2:
                profile.SetDouble(section, key, value.toDouble());
                break;
            case 3:
                profile.SetDate(section, key, value.toDateTime());
                break;
            default:
                profile.SetBoolean(section, key, value.toBool());
                break;
            }
            QCOMPARE(profile.GetText(section, key, QStringLiteral("default")), stored);
        }
        UserProfile reopened(file);
        QCOMPARE(reopened.GetText(QStringLiteral("Parts_Template"), QStringLiteral("Value"), QStringLiteral("default")),
                 stored);
        if (kind == 1)
            QCOMPARE(reopened.GetNumber(QStringLiteral("Parts_Template"), QStringLiteral("Value"), 0), value.toInt());
    }

    void getNumber_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "42" << 42;
        QTest::newRow("spaces") << " 42 " << 42;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("fraction rounds half to even") << "2.5" << 2;
        QTest::newRow("fraction rounds") << "2.6" << 3;
        QTest::newRow("text") << "abc" << -1;
        QTest::newRow("number then text") << "12abc" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("Boolean text") << "True" << -1;
        QTest::newRow("too large") << "3000000000" << -1;
        QTest::newRow("decimal comma") << "2,5" << -1;
    }

    void getNumber()
    {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        UserProfile profile(path(QStringLiteral("numbers.ini")));
        profile.SetText(QStringLiteral("N"), QStringLiteral("k"), stored);
        QCOMPARE(profile.GetNumber(QStringLiteral("N"), QStringLiteral("k"), -1), expected);
        QCOMPARE(profile.GetNumber(QStringLiteral("N"), QStringLiteral("missing"), -5), -5);
        QCOMPARE(profile.GetNumber(QStringLiteral("Missing"), QStringLiteral("k"), 9), 9);
    }

    void missingValuesGiveTheDefault()
    {
        UserProfile profile(path(QStringLiteral("missing.ini")));
        QCOMPARE(profile.GetText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
        profile.SetText(QStringLiteral("S"), QStringLiteral("k"), QString());
        QCOMPARE(profile.GetText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("dflt")), QString());
        QVERIFY(profile.Sections().contains(QStringLiteral("S")));
        QCOMPARE(profile.Keys(QStringLiteral("Nope")), QStringList());
    }

    // Names with separators, escapes and non-Latin letters stay apart and come back as written.
    void hostileNamesRoundTrip()
    {
        const QStringList sections{QStringLiteral("Parts_Template"),
                                   QStringLiteral("Filter Parts 1"),
                                   QStringLiteral("a/b"),
                                   QStringLiteral("a%2Fb"),
                                   QStringLiteral("a\\b"),
                                   QStringLiteral("/lead"),
                                   QStringLiteral("trail/"),
                                   QStringLiteral("a//b"),
                                   QStringLiteral("General"),
                                   QStringLiteral("部品 フィルタ"),
                                   QStringLiteral("Ünïcödé"),
                                   QStringLiteral("[brackets]"),
                                   QStringLiteral("semi;colon=eq#hash"),
                                   QStringLiteral("%"),
                                   QStringLiteral("%25"),
                                   QStringLiteral("general"),
                                   QStringLiteral("")};
        const QStringList keys{QStringLiteral("Field"),  QStringLiteral("Compare To"), QStringLiteral("x/y"),
                               QStringLiteral("x%2Fy"),  QStringLiteral("x\\y"),       QStringLiteral("Größe"),
                               QStringLiteral("キー"),   QStringLiteral("k=v"),        QStringLiteral("#k;"),
                               QStringLiteral(" space"), QStringLiteral("%"),          QStringLiteral("")};
        const QString file = path(QStringLiteral("hostile.ini"));
        {
            UserProfile profile(file);
            for (const QString &section : sections) {
                for (const QString &key : keys)
                    profile.SetText(section, key, section + QLatin1Char('|') + key);
            }
        }
        UserProfile profile(file);
        const QStringList storedSections = profile.Sections();
        QCOMPARE(QSet<QString>(storedSections.cbegin(), storedSections.cend()),
                 QSet<QString>(sections.cbegin(), sections.cend()));
        for (const QString &section : sections) {
            const QStringList stored = profile.Keys(section);
            QCOMPARE(QSet<QString>(stored.cbegin(), stored.cend()), QSet<QString>(keys.cbegin(), keys.cend()));
            for (const QString &key : keys)
                QCOMPARE(profile.GetText(section, key, QStringLiteral("?")), section + QLatin1Char('|') + key);
        }

        // Deleting one section leaves the ones whose names look alike.
        profile.DeleteSection(QStringLiteral("a/b"));
        UserProfile after(file);
        QVERIFY(!after.Sections().contains(QStringLiteral("a/b")));
        QCOMPARE(after.Keys(QStringLiteral("a/b")), QStringList());
        QCOMPARE(after.GetText(QStringLiteral("a/b"), QStringLiteral("Field"), QStringLiteral("gone")),
                 QStringLiteral("gone"));
        QCOMPARE(after.Sections().size(), sections.size() - 1);
        for (const QString &other : {QStringLiteral("a%2Fb"), QStringLiteral("a\\b"), QStringLiteral("a//b")})
            QCOMPARE(after.GetText(other, QStringLiteral("Field"), QString()), other + QStringLiteral("|Field"));
    }

    void deleteSectionPersists()
    {
        const QString file = path(QStringLiteral("delete.ini"));
        {
            UserProfile profile(file);
            profile.SetText(QStringLiteral("Filter"), QStringLiteral("Field1"), QStringLiteral("Material"));
            profile.SetNumber(QStringLiteral("Filter"), QStringLiteral("Operation1"), 2);
            profile.SetText(QStringLiteral("Keep"), QStringLiteral("k"), QStringLiteral("v"));
            QCOMPARE(profile.Keys(QStringLiteral("Filter")).size(), 2);
            profile.DeleteSection(QStringLiteral("Filter"));
            QCOMPARE(profile.Keys(QStringLiteral("Filter")), QStringList());
            profile.DeleteSection(QStringLiteral("Never there"));
        }
        UserProfile reopened(file);
        QCOMPARE(reopened.Sections(), QStringList{QStringLiteral("Keep")});
        QCOMPARE(reopened.GetNumber(QStringLiteral("Filter"), QStringLiteral("Operation1"), -1), -1);
        QCOMPARE(reopened.GetText(QStringLiteral("Keep"), QStringLiteral("k"), QString()), QStringLiteral("v"));
        QCOMPARE(reopened.filePath(), file);
    }

    // The file is written at once: another reader sees a change before the writer goes away.
    void changesReachTheFileAtOnce()
    {
        const QString file = path(QStringLiteral("immediate.ini"));
        UserProfile writer(file);
        writer.SetText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("first"));
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly | QIODevice::Text));
        const QByteArray content = raw.readAll();
        QVERIFY2(content.contains("[S]"), content.constData());
        QVERIFY2(content.contains("first"), content.constData());
    }

    void stampChangesOnEveryWrite()
    {
        UserProfile profile(path(QStringLiteral("stamps.ini")));
        UserProfile other(path(QStringLiteral("stamps2.ini")));
        static const QRegularExpression format(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
        QString previous;
        QSet<QString> seen;
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        for (int i = 0; i < 200; ++i) {
            // Two profiles share the clock: their stamps never repeat either.
            UserProfile &target = (i % 2) ? other : profile;
            target.SetStamp(QStringLiteral("Parts_Template"), QStringLiteral("Stamp"));
            const QString stamp = target.GetText(QStringLiteral("Parts_Template"), QStringLiteral("Stamp"), QString());
            QVERIFY2(format.match(stamp).hasMatch(), qPrintable(stamp));
            QVERIFY2(stamp > previous, qPrintable(stamp + QLatin1String(" after ") + previous));
            QVERIFY(!seen.contains(stamp));
            seen.insert(stamp);
            previous = stamp;
        }
        const QDateTime first = QDateTime::fromString(*std::min_element(seen.cbegin(), seen.cend()),
                                                      QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        QVERIFY(first.isValid());
        QVERIFY(first >= before.addSecs(-1));
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
