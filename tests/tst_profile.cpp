// The reference user profile on an INI file.
#include "hostkit/userprofile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {
QSet<QString> asSet(const QStringList &list) { return QSet<QString>(list.cbegin(), list.cend()); }
} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    int m_file = 0;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void valuesAreWrittenInTheirFormats_data()
    {
        QTest::addColumn<QVariant>("value"); // written with the setter of its type
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("number"); // GetNumber: -1 is the default
        const struct
        {
            const char *name;
            QVariant value;
            const char *stored;
            int number;
        } rows[] = {{"text", "Aluminium", "Aluminium", -1},
                    {"empty text", QString(), "", -1},
                    {"text with comma", "a, b, c", "a, b, c", -1},
                    {"text with at sign", "@Variant(x)", "@Variant(x)", -1},
                    {"text with quotes", "say \"hi\"; 'x' = y", "say \"hi\"; 'x' = y", -1},
                    {"text with spaces", "  padded  ", "  padded  ", -1},
                    {"text with line break", "one\ntwo\r\nthree", "one\ntwo\r\nthree", -1},
                    {"text with backslash", "C:\\temp\\x", "C:\\temp\\x", -1},
                    {"text, non-Latin", "材料 Ωμέγα", "材料 Ωμέγα", -1},
                    {"text like a number", "007", "007", 7},
                    {"number in spaces", " 42 ", " 42 ", 42},
                    {"number then text", "12abc", "12abc", -1},
                    {"number too large", "3000000000", "3000000000", -1},
                    {"decimal comma", "2,5", "2,5", -1},
                    {"number", 12345, "12345", 12345},
                    {"negative number", -2147483647 - 1, "-2147483648", -2147483647 - 1},
                    {"double, half to even", 2.5, "2.5", 2},
                    {"double, rounds", 2.6, "2.6", 3},
                    {"double, negative", -123.456, "-123.456", -123},
                    {"double, round trip", 0.1 + 0.2, "0.30000000000000004", 0},
                    {"double, large", 1e20, "1e+20", -1},
                    {"date", QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)), "#2024-03-05 07:08:09#", -1},
                    {"date, afternoon", QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)), "#1999-12-31 23:59:59#", -1},
                    {"date zero", QDateTime(QDate(1899, 12, 30), QTime(0, 0)), "#1899-12-30 00:00:00#", -1},
                    {"true", true, "True", -1},
                    {"false", false, "False", -1}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.value << QString::fromUtf8(r.stored) << r.number;
    }

    // Each type is written as its text and read back the same, also through a new profile object.
    void valuesAreWrittenInTheirFormats()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        const QString file = path(u"values%1.ini"_s.arg(++m_file));
        const QString section = u"Parts_Template"_s, key = u"Value"_s;
        {
            UserProfile profile(file);
            switch (value.typeId()) {
            case QMetaType::QString:
                QVERIFY(profile.SetText(section, key, value.toString()));
                break;
            case QMetaType::Int:
                QVERIFY(profile.SetNumber(section, key, value.toInt()));
                break;
            case QMetaType::Double:
                QVERIFY(profile.SetDouble(section, key, value.toDouble()));
                break;
            case QMetaType::QDateTime:
                QVERIFY(profile.SetDate(section, key, value.toDateTime()));
                break;
            default:
                QVERIFY(profile.SetBoolean(section, key, value.toBool()));
                break;
            }
            QCOMPARE(profile.GetText(section, key, u"default"_s), stored);
        }
        UserProfile reopened(file);
        QCOMPARE(reopened.GetText(section, key, u"default"_s), stored);
        QTEST(reopened.GetNumber(section, key, -1), "number");
    }

    // A missing section or key gives the default; an empty text is a value. A deleted section is
    // gone from the file; deleting an unknown one does nothing.
    void missingValuesAndDeletedSections()
    {
        const QString file = path(u"delete.ini"_s);
        {
            UserProfile profile(file);
            QCOMPARE(profile.GetText(u"S"_s, u"k"_s, u"dflt"_s), u"dflt"_s);
            QVERIFY(profile.SetText(u"S"_s, u"k"_s, QString()));
            QCOMPARE(profile.GetText(u"S"_s, u"k"_s, u"dflt"_s), QString());
            QVERIFY(profile.GetNumber(u"S"_s, u"missing"_s, -5) == -5
                    && profile.GetNumber(u"Missing"_s, u"k"_s, 9) == 9);
            QVERIFY(profile.SetNumber(u"Filter"_s, u"Operation1"_s, 2));
            QVERIFY(profile.DeleteSection(u"Filter"_s));
            QCOMPARE(profile.Keys(u"Filter"_s), QStringList());
            QVERIFY(profile.DeleteSection(u"Never there"_s));
        }
        UserProfile reopened(file);
        QCOMPARE(reopened.Sections(), QStringList{u"S"_s});
        QCOMPARE(reopened.GetNumber(u"Filter"_s, u"Operation1"_s, -1), -1);
        QCOMPARE(reopened.filePath(), file);
    }

    // Names with separators, escapes and non-Latin letters stay apart and come back as written.
    void hostileNamesRoundTrip()
    {
        // Split at "|"; the last of each is the empty name.
        const QStringList sections =
                u"Parts_Template|Filter Jobs 1|a/b|a%2Fb|a\\b|/lead|trail/|a//b|General|"
                u"部品 フィルタ|Ünïcödé|[brackets]|semi;colon=eq#hash|%|%25|general|"_s.split(u'|');
        const QStringList keys = u"Field|Compare To|x/y|x%2Fy|x\\y|Größe|キー|k=v|#k;| space|%|"_s.split(u'|');
        const QString file = path(u"hostile.ini"_s);
        {
            UserProfile profile(file);
            for (const QString &section : sections) {
                for (const QString &key : keys)
                    QVERIFY(profile.SetText(section, key, section + u'|' + key));
            }
        }
        UserProfile profile(file);
        QCOMPARE(asSet(profile.Sections()), asSet(sections));
        for (const QString &section : sections) {
            QCOMPARE(asSet(profile.Keys(section)), asSet(keys));
            for (const QString &key : keys)
                QCOMPARE(profile.GetText(section, key, u"?"_s), section + u'|' + key);
        }

        // Deleting one section leaves the ones whose names look alike.
        QVERIFY(profile.DeleteSection(u"a/b"_s));
        UserProfile after(file);
        QCOMPARE(after.Keys(u"a/b"_s), QStringList());
        QCOMPARE(after.GetText(u"a/b"_s, u"Field"_s, u"gone"_s), u"gone"_s);
        QCOMPARE(after.Sections().size(), sections.size() - 1);
        for (const QString &other : {u"a%2Fb"_s, u"a\\b"_s, u"a//b"_s})
            QCOMPARE(after.GetText(other, u"Field"_s, QString()), other + u"|Field"_s);
    }

    // The file is written at once: another reader sees a change before the writer goes away; a
    // write that cannot reach its file says so.
    void changesReachTheFileAtOnce()
    {
        UserProfile unwritable(u"/proc/kvo-no-such-folder/profile.ini"_s);
        QVERIFY(!unwritable.SetText(u"S"_s, u"k"_s, u"lost"_s));
        const QString file = path(u"immediate.ini"_s);
        UserProfile writer(file);
        QVERIFY(writer.SetText(u"S"_s, u"k"_s, u"first"_s));
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly | QIODevice::Text));
        const QByteArray content = raw.readAll();
        QVERIFY2(content.contains("[S]") && content.contains("first"), content.constData());
    }

    // Stamps rise on every write, never repeat (two profiles share the clock) and start now.
    void stampChangesOnEveryWrite()
    {
        UserProfile profile(path(u"stamps.ini"_s));
        UserProfile other(path(u"stamps2.ini"_s));
        static const QRegularExpression format(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"_s);
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        QString previous;
        for (int i = 0; i < 200; ++i) {
            UserProfile &target = (i % 2) ? other : profile;
            QVERIFY(target.SetStamp(u"Parts_Template"_s, u"Stamp"_s));
            const QString stamp = target.GetText(u"Parts_Template"_s, u"Stamp"_s, QString());
            QVERIFY2(format.match(stamp).hasMatch(), qPrintable(stamp));
            QVERIFY2(stamp > previous, qPrintable(stamp + u" after "_s + previous));
            if (i == 0)
                QVERIFY(QDateTime::fromString(stamp, u"yyyy-MM-dd HH:mm:ss.zzz"_s) >= before.addSecs(-1));
            previous = stamp;
        }
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
