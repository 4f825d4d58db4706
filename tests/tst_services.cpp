// The host kit's services: global helpers, message boxes, resource texts and pictures, trace,
// progress, the database handler and the base-table structure read from the catalog.
#include "core/tracescope.h"
#include "hostkit/adotypes.h"
#include "hostkit/basetablestructure.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/formsinterface.h"
#include "hostkit/messagebox.h"
#include "hostkit/progress.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/texthelper.h"
#include "hostkit/trace.h"

#include "testdatabases.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

namespace {

// Collects what reaches Qt's message handler while it lives.
class LogCapture
{
public:
    struct Entry
    {
        QtMsgType type;
        QString category;
        QString text;
    };

    LogCapture()
    {
        s_entries.clear();
        m_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            s_entries.append(Entry{type, QString::fromUtf8(context.category), text});
        });
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }

    QList<Entry> inCategory(const QString &category) const
    {
        QList<Entry> result = s_entries;
        result.removeIf([&category](const Entry &entry) { return entry.category != category; });
        return result;
    }

private:
    static inline QList<Entry> s_entries;
    QtMessageHandler m_previous;
};

// The placeholders %1..%9 that a text holds.
QSet<int> placeholders(const QString &text)
{
    QSet<int> found;
    static const QRegularExpression re(u"%(\\d)"_s);
    for (auto it = re.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured(1).toInt());
    return found;
}

} // namespace

class TestServices : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        ServicesHelper &services = ServicesHelper::instance();
        services.setMessageHandler({});
        services.setProgressFactory({});
        services.setIdleHandler({});
        services.setEditHandler({});
        services.setScreenSizeProvider({});
        services.clearReportedErrors();
        ResourceTexts::instance().resetTexts();
        FormsGlobal::instance().setDiagnosticSink({});
        FormsGlobal::instance().setDiagnosticLogEnabled(false);
    }

    void defaultAnswerOfEachButtonSet_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("expected");
        using namespace MsgBox;
        QTest::newRow("ok") << int(vbOKOnly) << int(vbOK);
        QTest::newRow("ok, button 2 missing") << int(vbOKOnly | vbDefaultButton2) << int(vbOK);
        QTest::newRow("ok cancel") << int(vbOKCancel) << int(vbOK);
        QTest::newRow("ok cancel, cancel default") << int(vbOKCancel | vbDefaultButton2 | vbQuestion) << int(vbCancel);
        QTest::newRow("abort retry ignore") << int(vbAbortRetryIgnore) << int(vbAbort);
        QTest::newRow("abort retry ignore 2") << int(vbAbortRetryIgnore | vbDefaultButton2) << int(vbRetry);
        QTest::newRow("abort retry ignore 3") << int(vbAbortRetryIgnore | vbDefaultButton3) << int(vbIgnore);
        QTest::newRow("yes no cancel") << int(vbYesNoCancel | vbExclamation) << int(vbYes);
        QTest::newRow("yes no cancel 2") << int(vbYesNoCancel | vbDefaultButton2) << int(vbNo);
        QTest::newRow("yes no cancel 3") << int(vbYesNoCancel | vbDefaultButton3) << int(vbCancel);
        QTest::newRow("yes no") << int(vbYesNo | vbQuestion) << int(vbYes);
        QTest::newRow("yes no, no default") << int(vbYesNo | vbDefaultButton2) << int(vbNo);
        QTest::newRow("yes no, button 3 missing") << int(vbYesNo | vbDefaultButton3) << int(vbYes);
        QTest::newRow("retry cancel") << int(vbRetryCancel | vbCritical) << int(vbRetry);
        QTest::newRow("retry cancel 2") << int(vbRetryCancel | vbDefaultButton2) << int(vbCancel);
    }

    // Without a handler the box's default button answers and the message goes to the trace.
    void defaultAnswerOfEachButtonSet()
    {
        QFETCH(int, style);
        QFETCH(int, expected);
        QCOMPARE(MsgBox::defaultResult(style), expected);
        LogCapture log;
        QCOMPARE(ServicesHelper::instance().ShowMessage(u"Nobody reads this"_s, style, u"Headless"_s), expected);
        const auto lines = log.inCategory(u"kvo.messages"_s);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().type, QtWarningMsg);
        QVERIFY(lines.first().text.contains(u"Nobody reads this"_s) && lines.first().text.contains(u"Headless"_s));
    }

    // A handler answers every box with what it was shown; a second one replaces it and gets it back.
    void messageHandlerIsScriptedAndReplaceable()
    {
        ServicesHelper &services = ServicesHelper::instance();
        QList<MessageRequest> seen;
        FixedFormsInterface owner(OwnerRect{1, 2, 3, 4});
        const Picture picture = ResourceTexts::instance().LoadPicture(PictureId::FilterSmall);
        QVERIFY(!services.setMessageHandler([&](const MessageRequest &request) {
            seen.append(request);
            return int(MsgBox::vbNo);
        })); // none was installed
        QCOMPARE(services.ShowMessage(u"First?"_s, MsgBox::vbYesNo | MsgBox::vbQuestion, u"T1"_s, &owner, picture),
                 int(MsgBox::vbNo));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.at(0).text + seen.at(0).title, u"First?T1"_s);
        QCOMPARE(seen.at(0).style, MsgBox::vbYesNo | MsgBox::vbQuestion);
        QCOMPARE(seen.at(0).owner, &owner);
        QCOMPARE(seen.at(0).picture.Number, int(PictureId::FilterSmall));

        ServicesHelper::MessageHandler first = services.setMessageHandler([](const MessageRequest &) { return 99; });
        QCOMPARE(services.ShowMessage(u"x"_s, 0), 99);
        QCOMPARE(services.setMessageHandler(first)(MessageRequest{}), 99);
        QCOMPARE(services.ShowMessage(u"Second"_s, MsgBox::vbOKOnly), int(MsgBox::vbNo));
        QCOMPARE(seen.size(), 2);
    }

    // The column editor's patterns admit what add-column admits: letters of any script,
    // digits and "_", captions also a space; control keys pass, and a refused character is dropped
    // whatever the classes say.
    void keyFilter_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("admitted");
        QTest::addColumn<QString>("dropped");
        const auto row = [](const char *tag, const char *pattern, const char *refused, const QString &admitted,
                            const QString &dropped) {
            QTest::newRow(tag) << QString::fromLatin1(pattern) << QString::fromLatin1(refused) << admitted << dropped;
        };
        row("name", "ULDZ/_", "", u"aZ\u00e9\u00c4\u4e2d\u03a90_9\b\t"_s, u" -.'\"%/\u00a0"_s);
        row("caption", "ULDZ/_ ", "", u"a _9"_s, u"-.,/"_s);
        row("upper only", "U", "", u"A\u00c4\u4e2d"_s, u"a\u00e40_\b"_s);
        row("lower and digits", "LD", "", u"a\u00e40\u0663"_s, u"A_ \b"_s);
        row("refused beats the classes", "ULD/_", "x_", u"ay1"_s, u"x_"_s);
        row("nothing", "", "", {}, u"a0_ "_s);
    }

    void keyFilter()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, refused);
        QFETCH(QString, admitted);
        QFETCH(QString, dropped);
        const ServicesHelper &services = ServicesHelper::instance();
        for (const uint key : admitted.toUcs4())
            QVERIFY2(services.KeyFilter(int(key), pattern, refused) == int(key), qPrintable(QString::number(key)));
        for (const uint key : dropped.toUcs4())
            QVERIFY2(services.KeyFilter(int(key), pattern, refused) == 0, qPrintable(QString::number(key)));
        QVERIFY(services.PassesKeyFilter(admitted, pattern, refused));
        QCOMPARE(services.PassesKeyFilter(admitted + dropped, pattern, refused), dropped.isEmpty());
    }

    // Every number the library asks for exists and takes exactly the arguments its caller hands
    // over; they are filled in.
    void everyLibraryTextExists()
    {
        const struct
        {
            int first, last, arguments;
        } used[] = {{6816, 6823, 0}, // menu captions
                    {6912, 6915, 0}, {6916, 6916, 1}, {6917, 6918, 0},
                    {6919, 6919, 1}, {6920, 6920, 0}, // type prompts
                    {7008, 7017, 0},                  // type names
                    {7104, 7104, 0}, {7106, 7106, 1}, {7107, 7109, 0},
                    {7111, 7113, 0}, {7115, 7115, 1}, {7116, 7116, 0},
                    {7117, 7117, 1}, {7118, 7122, 0}, {7124, 7128, 0}, // configuration dialog
                    {7129, 7129, 2}, {7130, 7130, 3}, {7131, 7131, 4}, // type change
                    {7132, 7132, 0}, {7133, 7133, 2}, {7134, 7134, 1},
                    {7296, 7309, 0}, {7392, 7392, 1},                  // column editor, record caption
                    {7488, 7499, 0}, {7584, 7594, 0}, {7595, 7595, 1}, // comparisons, filter dialog
                    {7596, 7596, 3}, {7597, 7601, 0}, {7602, 7602, 1},
                    {7603, 7603, 0}, {7604, 7604, 1}, {7680, 7680, 0},
                    {7681, 7681, 1}, {7682, 7684, 0}, {7685, 7686, 1},
                    {7872, 7872, 0}, // status line
                    {8064, 8086, 0}, // buttons
                    {8160, 8167, 1}, {8168, 8168, 3}, {8352, 8352, 1},
                    {8353, 8354, 0}, {8355, 8355, 1}, {8356, 8356, 0},
                    {8357, 8357, 2}, {8375, 8375, 0}, {8376, 8376, 1},
                    {8377, 8377, 2}, {8552, 8552, 0}, // picklists
                    {8358, 8374, 0}, {8456, 8464, 0}, {8469, 8474, 0},
                    {8476, 8479, 0}, // locked records
                    {8495, 8495, 2}, // population check progress: table, share done
                    {8548, 8550, 0}, {8551, 8551, 2}, {TextId::ConvertTableQuestion, TextId::ConvertTableQuestion, 1}};
        const ResourceTexts &texts = ResourceTexts::instance();
        for (const auto &range : used) {
            for (int number = range.first; number <= range.last; ++number) {
                const QString raw = texts.Text(number);
                QVERIFY2(texts.hasText(number) && !raw.trimmed().isEmpty(), qPrintable(QString::number(number)));
                QSet<int> expected;
                QStringList args;
                for (int i = 1; i <= range.arguments; ++i) {
                    expected.insert(i);
                    args.append(u"<arg%1>"_s.arg(i));
                }
                QVERIFY2(placeholders(raw) == expected, qPrintable(u"%1: %2"_s.arg(number).arg(raw)));
                const QString filled = texts.Text(number, args);
                for (const QString &arg : std::as_const(args))
                    QVERIFY2(filled.contains(arg), qPrintable(filled));
                QVERIFY2(placeholders(filled).isEmpty(), qPrintable(filled));
            }
        }
    }

    void textsFitTheirUse()
    {
        const ResourceTexts &texts = ResourceTexts::instance();
        // The comparisons (7488 + operation) and the type names tell their values apart, as do
        // the six name warnings; the locked-record pairs name the lock.
        const std::pair<int, int> groups[] = {{7488, 7499}, {7008, 7017}, {8162, 8167}};
        for (const auto &[first, last] : groups) {
            QSet<QString> distinct;
            for (int n = first; n <= last; ++n)
                distinct.insert(texts.Text(n));
            QCOMPARE(distinct.size(), last - first + 1);
        }
        for (int n : {8457, 8460, 8461, 8463, 8464, 8472, 8473, 8476, 8478, 8479})
            QVERIFY2(texts.Text(n).contains(u"locked"_s), qPrintable(QString::number(n)));
        for (int n : {8471, 8477})
            QVERIFY(texts.Text(n).contains(u"saved"_s));
    }

    void textLookUpAndArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in order") << "%1 of %2" << QStringList{"a", "b"} << "a of b";
        QTest::newRow("reordered") << "%2 before %1" << QStringList{"a", "b"} << "b before a";
        QTest::newRow("repeated") << "%1-%1" << QStringList{"x"} << "x-x";
        QTest::newRow("argument holds a placeholder") << "%1 and %2" << QStringList{"%2", "b"} << "%2 and b";
        QTest::newRow("missing argument stays") << "%1 %2" << QStringList{"a"} << "a %2";
        QTest::newRow("no arguments") << "100% %1" << QStringList{} << "100% %1";
        QTest::newRow("percent sign") << "50% of %1" << QStringList{"all"} << "50% of all";
        QTest::newRow("tenth argument") << "%10/%1" << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"}
                                        << "ten/1";
        QTest::newRow("digit after a small placeholder") << "%12" << QStringList{"a", "b"} << "a2";
        QTest::newRow("trailing percent") << "%1%" << QStringList{"a"} << "a%";
    }

    void textLookUpAndArguments()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        QCOMPARE(ResourceTexts::substitute(text, args), expected);
        ResourceTexts::instance().setText(8999, text);
        QCOMPARE(ResourceTexts::instance().Text(8999, args), expected);
    }

    void unknownAndOverriddenTexts()
    {
        ResourceTexts &texts = ResourceTexts::instance();
        for (int number : {0, 123456, -1}) {
            QVERIFY(!texts.hasText(number));
            QCOMPARE(texts.Text(number, {u"x"_s}), QString());
        }
        const QString original = texts.Text(7681, {u"Parts"_s});
        texts.setText(7681, u"Nothing for %1 yet"_s);
        QCOMPARE(texts.Text(7681, {u"Parts"_s}), u"Nothing for Parts yet"_s);
        texts.setText(123456, u"host text"_s);
        QVERIFY(texts.hasText(123456));
        texts.resetTexts();
        QCOMPARE(texts.Text(7681, {u"Parts"_s}), original);
        QVERIFY(!texts.hasText(123456));
        const QList<int> numbers = texts.textNumbers();
        QVERIFY(numbers.contains(7681));
        QVERIFY(std::is_sorted(numbers.cbegin(), numbers.cend()));
    }

    // The pictures are told apart and are XPM (a window reads them, see tst_ui_examine); numbers
    // without a picture give a null one.
    void picturesDifferAndUnknownOnesAreNull()
    {
        const ResourceTexts &texts = ResourceTexts::instance();
        QSet<QByteArray> seen;
        for (int n : {201, 202, 203, 301, 302, 303, int(PictureId::BaseTableField), int(PictureId::SearchColumn)}) {
            const Picture picture = texts.LoadPicture(n);
            QCOMPARE(picture.Number, n);
            QCOMPARE(picture.Format, QByteArray("XPM"));
            QVERIFY(picture.Data.startsWith("/* XPM */"));
            seen.insert(picture.Data);
        }
        QCOMPARE(seen.size(), 8);
        for (int n : {0, 204, 6816})
            QVERIFY(texts.LoadPicture(n).isNull());
    }

    void traceSinksGetErrors()
    {
        Trace &trace = Trace::instance();
        QList<QPair<TraceError, int>> first;
        int secondCalls = 0;
        const int id1 = trace.addErrorSink([&](const TraceError &e, int line) { first.append({e, line}); });
        int id2 = 0;
        // The second sink removes itself from inside its own call.
        id2 = trace.addErrorSink([&](const TraceError &, int) {
            ++secondCalls;
            trace.removeErrorSink(id2);
        });
        QVERIFY(id1 != id2);
        const int before = trace.errorCount();

        LogCapture log;
        trace.ReportError(TraceError{3021, u"No current record."_s, u"CFilterColumns.GetData"_s}, 120);
        trace.ReportError(TraceError{5, u"Invalid call."_s, u"basImport.AnalyzeDataBlock"_s}, 7);
        QCOMPARE(trace.errorCount(), before + 2);
        QCOMPARE(first.size(), 2);
        QCOMPARE(first.at(0).first.Number, 3021);
        QCOMPARE(first.at(0).first.Description, u"No current record."_s);
        QCOMPARE(first.at(0).first.Source, u"CFilterColumns.GetData"_s);
        QCOMPARE(first.at(0).second, 120);
        QCOMPARE(first.at(1).second, 7);
        QCOMPARE(secondCalls, 1);

        // Warnings in the module's own category, with number, description, source and line.
        const auto lines = log.inCategory(u"kvo.CFilterColumns"_s);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().type, QtWarningMsg);
        for (const QString &part : {u"3021"_s, u"No current record."_s, u"CFilterColumns.GetData"_s, u"120"_s})
            QVERIFY2(lines.first().text.contains(part), qPrintable(lines.first().text));
        QCOMPARE(log.inCategory(u"kvo.basImport"_s).size(), 1);

        // A check's error goes to the trace too, and is kept for the caller.
        ServicesHelper::instance().ReportError(u"CheckTable"_s, u"The key could not be added."_s);
        QCOMPARE(first.size(), 3);
        QVERIFY(first.at(2).first.Source.contains(u"CheckTable"_s));
        QCOMPARE(ServicesHelper::instance().reportedErrors(),
                 QStringList{u"CheckTable: The key could not be added."_s});

        trace.removeErrorSink(id1);
        trace.ReportError(TraceError{1, u"later"_s, u"x.y"_s});
        QCOMPARE(first.size(), 3);
        QCOMPARE(trace.errorCount(), before + 4);
    }

    // Enter and Leave are debug lines: silent until a logging rule switches the module on.
    void enterAndLeaveFollowLoggingRules()
    {
        Trace &trace = Trace::instance();
        QCOMPARE(&trace.category(u"RulesModule"_s), &trace.category(u"RulesModule"_s));
        QCOMPARE(QByteArray(trace.category(u"RulesModule"_s).categoryName()), QByteArray("kvo.RulesModule"));
        {
            LogCapture log;
            trace.Enter(u"Proc"_s, u"RulesModule"_s, u"App"_s);
            trace.Leave(u"Proc"_s, u"RulesModule"_s, u"App"_s);
            trace.Info(u"RulesModule"_s, u"info line"_s);
            QVERIFY(log.inCategory(u"kvo.RulesModule"_s).isEmpty());
        }
        // The library's own procedures follow the rules as they are when each one runs.
        static const char ScopeModule[] = "RulesModule";
        KvoPlx800SCtl::traced("Before", ScopeModule, [] {});
        QLoggingCategory::setFilterRules(u"kvo.RulesModule.debug=true"_s);
        LogCapture log;
        trace.Enter(u"Proc"_s, u"RulesModule"_s, u"App"_s);
        trace.Leave(u"Proc"_s, u"RulesModule"_s);
        trace.Enter(u"Other"_s, u"QuietModule"_s);
        KvoPlx800SCtl::traced("Scoped", ScopeModule, [] {});
        QLoggingCategory::setFilterRules(QString());
        KvoPlx800SCtl::traced("After", ScopeModule, [] {});
        const auto lines = log.inCategory(u"kvo.RulesModule"_s);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(2).text.contains(u"enter RulesModule.Scoped"_s) && lines.at(3).text.contains(u"leave"_s));
        QCOMPARE(lines.at(0).type, QtDebugMsg);
        for (const char *part : {"enter", "RulesModule.Proc", "App"})
            QVERIFY2(lines.at(0).text.contains(QLatin1String(part)), qPrintable(lines.at(0).text));
        QVERIFY(lines.at(1).text.contains(u"leave"_s));
        QVERIFY(log.inCategory(u"kvo.QuietModule"_s).isEmpty());
    }

    void progressIndicatorForwardsToItsBase()
    {
        QStringList baseEvents;
        Progress base([&](const QString &text, int done, int total, bool ended) {
            baseEvents.append(u"%1 %2/%3%4"_s.arg(text).arg(done).arg(total).arg(ended ? " end" : ""));
        });
        base.Start(u"Checking tables"_s, 4);
        baseEvents.clear();

        std::unique_ptr<IProgress> indicator = ServicesHelper::instance().ProgressIndicator(nullptr, &base);
        QVERIFY(indicator);
        QCOMPARE(indicator->Text(), u"Checking tables"_s); // taken over from the base
        QVERIFY(baseEvents.isEmpty());
        indicator->Start(u"Columns"_s, 3);
        indicator->Step(1);
        indicator->SetText(u"Picklists"_s);
        indicator->Step(3);
        indicator->End();
        QCOMPARE(baseEvents,
                 (QStringList{"Columns 0/3", "Columns 1/3", "Picklists 1/3", "Picklists 3/3", "Picklists 3/3 end"}));
        QCOMPARE(base.startCount(), 2);
        QCOMPARE(base.done(), 3);
        QCOMPARE(base.total(), 3);
        QVERIFY(!base.running());
        QCOMPARE(indicator->Text(), u"Picklists"_s);
        // Cancelling the base cancels the indicator.
        QVERIFY(!indicator->Cancelled());
        base.cancel();
        QVERIFY(indicator->Cancelled());

        // Without a base it is a progress object of its own.
        std::unique_ptr<IProgress> alone = ServicesHelper::instance().ProgressIndicator(nullptr);
        alone->Start(u"alone"_s, 2);
        alone->Step(2);
        QCOMPARE(alone->Text(), u"alone"_s);
        QVERIFY(!alone->Cancelled());
    }

    void textEqual_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("equal");
        const struct
        {
            const char *name, *a, *b;
            int mode;
            bool equal;
        } rows[] = {{"ascii case", "Material", "MATERIAL", 1, true},
                    {"ascii case, binary", "Material", "MATERIAL", 0, false},
                    {"same, binary", "Material", "Material", 0, true},
                    {"different", "Material", "Materials", 1, false},
                    {"empty", "", "", 1, true},
                    {"empty and space", "", " ", 1, false},
                    {"umlaut", "Größe", "GRÖSSE", 1, true},
                    {"sharp s, binary", "Größe", "GRÖSSE", 0, false},
                    {"capital sharp s", "ẞ", "ss", 1, true},
                    {"ligature", "ﬁle", "FILE", 1, true},
                    {"final sigma", "ΟΔΟΣ", "οδος", 1, true},
                    {"titlecase digraph", "ǅ", "ǆ", 1, true},
                    {"cyrillic", "Деталь", "ДЕТАЛЬ", 1, true},
                    {"beyond the BMP", "𐐀𐐁", "𐐨𐐩", 1, true},
                    {"dotted capital I", "İ", "i̇", 1, true},
                    {"dotted capital I is not i", "İ", "i", 1, false},
                    {"kelvin sign", "K", "k", 1, true}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString::fromUtf8(r.a) << QString::fromUtf8(r.b) << r.mode << r.equal;
    }

    void textEqual()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, mode);
        QFETCH(bool, equal);
        QCOMPARE(TextHelper::TextEqual(a, b, mode), equal);
        QCOMPARE(TextHelper::TextEqual(b, a, mode), equal);
    }

    void diagnosticLog()
    {
        FormsGlobal &forms = FormsGlobal::instance();
        QStringList lines;
        forms.setDiagnosticSink([&](const QString &line) { lines.append(line); });
        forms.WriteDiagnosticLine(u"not written"_s);
        QVERIFY(lines.isEmpty());
        forms.setDiagnosticLogEnabled(true);
        forms.WriteDiagnosticLine(u"defined field count = 3"_s);
        QCOMPARE(lines, QStringList{"defined field count = 3"});

        forms.setDiagnosticSink({});
        LogCapture log;
        forms.WriteDiagnosticLine(u"to the category"_s);
        const auto logged = log.inCategory(u"kvo.diagnostic"_s);
        QCOMPARE(logged.size(), 1);
        QCOMPARE(logged.first().type, QtInfoMsg);
        QCOMPARE(logged.first().text, u"to the category"_s);
    }

    void convertRequestAsksTheUser_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("expected");
        QTest::newRow("yes") << int(MsgBox::vbYes) << CheckTableResult::Continue;
        QTest::newRow("no") << int(MsgBox::vbNo) << CheckTableResult::Declined;
        // Nobody to answer: No is the default, so nothing is converted unasked.
        QTest::newRow("no handler") << 0 << CheckTableResult::Declined;
    }

    void convertRequestAsksTheUser()
    {
        QFETCH(int, answer);
        QFETCH(int, expected);
        DatabaseHandler handler(4);
        if (answer == 0) {
            QCOMPARE(handler.ConvertRequest(QString(), u"Parts"_s, 0), expected);
            return;
        }
        QList<MessageRequest> asked;
        ServicesHelper::instance().setMessageHandler([&](const MessageRequest &request) {
            asked.append(request);
            return answer;
        });
        QCOMPARE(handler.ConvertRequest(u"x"_s, u"PartsSearchData"_s, 0), expected);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().style, MsgBox::vbYesNo | MsgBox::vbQuestion | MsgBox::vbDefaultButton2);
        QCOMPARE(asked.first().text, u"The table \"PartsSearchData\" must be converted. Convert it now?"_s);
        QCOMPARE(handler.convertRequests(), QStringList{"PartsSearchData"});
        // A host text replaces the built-in question.
        ResourceTexts::instance().setText(TextId::ConvertTableQuestion, u"Convert %1?"_s);
        handler.ConvertRequest(u"x"_s, u"T2"_s, 0);
        QCOMPARE(asked.last().text, u"Convert T2?"_s);
    }

    void dropTableAndBaseStructure_data() { KvoTest::addEngineColumn(); }

    // The handler drops a table (and one that is gone); the base-table structure reads fields,
    // keys and indexes from the catalog in its spelling.
    void dropTableAndBaseStructure()
    {
        QFETCH(Engine, engine);
        auto db = KvoTest::open(engine);
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(KvoTest::run(c, u"CREATE TABLE [Drop Me] ([Id] INTEGER NOT NULL PRIMARY KEY)"_s));
        QVERIFY(db->catalog->FindTable(u"Drop Me"_s));
        DatabaseHandler handler(c.dialect().DatabaseType());
        QVERIFY(handler.DropTable(*db->catalog, u"Drop Me"_s));
        QVERIFY(!db->catalog->FindTable(u"Drop Me"_s));
        QVERIFY(!db->catalog->tableNames().contains(u"Drop Me"_s));
        QVERIFY(handler.DropTable(*db->catalog, u"Drop Me"_s));

        QVERIFY(KvoTest::run(c,
                             u"CREATE TABLE [Parts] ([PartId] INTEGER NOT NULL, [PartNo] VARCHAR(40) NOT NULL, "
                             "[Material] VARCHAR(12), [Stock] INTEGER, CONSTRAINT [PK_Parts] PRIMARY KEY ([PartId]), "
                             "CONSTRAINT [UK_Parts] UNIQUE ([PartNo]))"_s));
        QVERIFY(KvoTest::run(c, u"CREATE INDEX [IX_Parts_Material] ON [Parts] ([Material], [Stock])"_s));
        db->catalog->Refresh();
        QVERIFY(!BaseTableStructure::fromCatalog(*db->catalog, u"NoSuchTable"_s));
        std::unique_ptr<BaseTableStructure> structure = BaseTableStructure::fromCatalog(*db->catalog, u"parts"_s);
        QVERIFY(structure);
        QCOMPARE(structure->Name(), u"Parts"_s); // the catalog's spelling

        // Each field as "name family size", each index as "kind name: fields" (kind 1 plain, 2 primary, 3 unique).
        QStringList fields;
        for (const BaseFieldDescriptor &field : structure->FieldDescriptors()) {
            QVERIFY(field.Defined && field.Caption == field.Name);
            fields << u"%1 %2 %3"_s.arg(field.Name)
                              .arg(int(adoFamily(field.Type)))
                              .arg(field.Type == adVarWChar ? field.Size : 0);
        }
        QCOMPARE(fields, (QStringList{"PartId 0 0", "PartNo 2 40", "Material 2 12", "Stock 0 0"}));
        QStringList indexes;
        for (const BaseIndexDefinition &index : structure->IndexDefinitions())
            indexes << u"%1 %2: %3"_s.arg(index.Kind)
                               .arg(index.Kind == IndexKind::Plain ? index.Name : QString(), index.Columns.join(u','));
        QCOMPARE(indexes, (QStringList{"2 : PartId", "3 : PartNo", "1 IX_Parts_Material: Material,Stock"}));

        const BaseFieldDescriptor *material = structure->FieldDescriptor(u"MATERIAL"_s);
        QVERIFY(material);
        QCOMPARE(material->Name, u"Material"_s);
        QVERIFY(!structure->FieldDescriptor(u"Nope"_s));
    }
};

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
