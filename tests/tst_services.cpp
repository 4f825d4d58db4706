// The host kit's services: global helpers, message boxes, resource texts and pictures, trace,
// progress, the database handler and the base-table structure read from the catalog.
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
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }

    QList<Entry> inCategory(const QString &category) const
    {
        QList<Entry> result;
        for (const Entry &entry : std::as_const(s_entries)) {
            if (entry.category == category)
                result.append(entry);
        }
        return result;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        s_entries.append(Entry{type, QString::fromUtf8(context.category), text});
    }

    static inline QList<Entry> s_entries;
    QtMessageHandler m_previous;
};

// The placeholders %1..%9 that a text holds.
QSet<int> placeholders(const QString &text)
{
    QSet<int> found;
    static const QRegularExpression re(QStringLiteral("%(\\d)"));
    auto it = re.globalMatch(text);
    while (it.hasNext())
        found.insert(it.next().captured(1).toInt());
    return found;
}

// The quoted strings of an XPM text, in order.
QStringList xpmStrings(const QByteArray &data)
{
    QStringList strings;
    const QString text = QString::fromLatin1(data);
    qsizetype pos = 0;
    while ((pos = text.indexOf(QLatin1Char('"'), pos)) >= 0) {
        const qsizetype end = text.indexOf(QLatin1Char('"'), pos + 1);
        if (end < 0)
            break;
        strings.append(text.mid(pos + 1, end - pos - 1));
        pos = end + 1;
    }
    return strings;
}

class RecordingHandler : public IProgressHandler
{
public:
    class Result : public ProgressResult
    {
    public:
        explicit Result(int value) : value(value) {}
        int value;
    };

    std::unique_ptr<ProgressResult> IProgressHandler_ProcessRequest(IProgress &progress, int request,
                                                                    ProgressArgs *args) override
    {
        calledWith = &progress;
        lastRequest = request;
        lastArgs = args;
        progress.SetText(QStringLiteral("working on %1").arg(request));
        return std::make_unique<Result>(request * 10);
    }

    IProgress *calledWith = nullptr;
    int lastRequest = -1;
    ProgressArgs *lastArgs = nullptr;
};

void addEngines()
{
    QTest::addColumn<QString>("engine");
    for (const QString &engine : KvoTest::configuredEngines())
        QTest::newRow(qPrintable(engine)) << engine;
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

    // Each global is made once: every call hands out the same object, with the state set before.
    void globalsAreMadeOnceAndKept()
    {
        QCOMPARE(&ServicesHelper::instance(), &ServicesHelper::instance());
        QCOMPARE(&ResourceTexts::instance(), &ResourceTexts::instance());
        QCOMPARE(&Trace::instance(), &Trace::instance());
        QCOMPARE(&TextHelper::instance(), &TextHelper::instance());
        QCOMPARE(&FormsGlobal::instance(), &FormsGlobal::instance());

        const QString title = ServicesHelper::instance().ApplicationTitle();
        ServicesHelper::instance().setApplicationTitle(QStringLiteral("Kept title"));
        QCOMPARE(ServicesHelper::instance().ApplicationTitle(), QStringLiteral("Kept title"));
        ServicesHelper::instance().setApplicationTitle(title);

        TextHelper::instance().setCurrentUser(42, QStringLiteral("operator"));
        QCOMPARE(TextHelper::instance().CurrentUserNumber(), 42);
        QCOMPARE(TextHelper::instance().CurrentUserName(), QStringLiteral("operator"));

        FormsGlobal::instance().setClosingMode(1);
        QCOMPARE(FormsGlobal::instance().ClosingMode(), 1);
        FormsGlobal::instance().setClosingMode(0);

        ResourceTexts::instance().setText(7104, QStringLiteral("Columns"));
        QCOMPARE(ResourceTexts::instance().Text(7104), QStringLiteral("Columns"));
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
        const int answer = ServicesHelper::instance().ShowMessage(QStringLiteral("Nobody reads this"), style,
                                                                  QStringLiteral("Headless"));
        QCOMPARE(answer, expected);
        const auto lines = log.inCategory(QStringLiteral("kvo.messages"));
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().type, QtWarningMsg);
        QVERIFY(lines.first().text.contains(QStringLiteral("Nobody reads this")));
        QVERIFY(lines.first().text.contains(QStringLiteral("Headless")));
    }

    void messageHandlerIsScriptedAndReplaceable()
    {
        ServicesHelper &services = ServicesHelper::instance();
        QList<MessageRequest> seen;
        FixedFormsInterface owner(OwnerRect{1, 2, 3, 4});
        const Picture picture = ResourceTexts::instance().LoadPicture(PictureId::FilterSmall);

        ServicesHelper::MessageHandler previous = services.setMessageHandler([&](const MessageRequest &request) {
            seen.append(request);
            return seen.size() == 1 ? int(MsgBox::vbNo) : int(MsgBox::vbCancel);
        });
        QVERIFY(!previous); // none was installed

        QCOMPARE(services.ShowMessage(QStringLiteral("First?"), MsgBox::vbYesNo | MsgBox::vbQuestion,
                                      QStringLiteral("T1"), &owner, picture),
                 int(MsgBox::vbNo));
        QCOMPARE(services.ShowMessage(QStringLiteral("Second?"), MsgBox::vbYesNoCancel), int(MsgBox::vbCancel));
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0).text, QStringLiteral("First?"));
        QCOMPARE(seen.at(0).style, MsgBox::vbYesNo | MsgBox::vbQuestion);
        QCOMPARE(seen.at(0).title, QStringLiteral("T1"));
        QCOMPARE(seen.at(0).owner, &owner);
        QCOMPARE(seen.at(0).picture.Number, int(PictureId::FilterSmall));
        QCOMPARE(seen.at(1).owner, nullptr);
        QVERIFY(seen.at(1).picture.isNull());

        // A second handler replaces the first and gets it back; putting the first back works.
        ServicesHelper::MessageHandler first = services.setMessageHandler([](const MessageRequest &) { return 99; });
        QVERIFY(first);
        QCOMPARE(services.ShowMessage(QStringLiteral("x"), 0), 99);
        ServicesHelper::MessageHandler second = services.setMessageHandler(first);
        QCOMPARE(second(MessageRequest{}), 99);
        QCOMPARE(services.ShowMessage(QStringLiteral("Third"), MsgBox::vbOKOnly), int(MsgBox::vbCancel));
        QCOMPARE(seen.size(), 3);
    }

    // Every number the library asks for, with the number of arguments it hands over.
    void everyLibraryTextExists_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("argumentCount");
        auto add = [](int number, int arguments) { QTest::addRow("%d", number) << number << arguments; };
        auto range = [&](int first, int last, int arguments) {
            for (int n = first; n <= last; ++n)
                add(n, arguments);
        };
        range(6816, 6823, 0); // menu captions
        for (int n : {6912, 6913, 6914, 6915, 6917, 6918, 6920})
            add(n, 0);        // type prompts
        add(6916, 1);         // keyword prompt, text length
        add(6919, 1);         // text prompt, text length
        range(7008, 7017, 0); // type names
        add(7104, 0);
        add(7106, 1); // base table
        for (int n : {7107, 7108, 7109, 7111, 7112, 7113, 7116, 7118, 7119, 7120, 7121, 7122, 7124, 7125, 7126, 7127})
            add(n, 0);
        add(7115, 1);         // base table
        add(7117, 1);         // column name
        range(7296, 7307, 0); // column editor
        add(7392, 1);         // record caption
        range(7488, 7499, 0); // comparisons
        range(7584, 7594, 0); // filter dialog, help paragraphs
        add(7595, 1);         // a number
        add(7596, 3);         // long time, long date, ISO date
        range(7597, 7601, 0);
        add(7602, 1); // keyword class, text length
        add(7603, 0);
        add(7604, 1); // text class, text length
        add(7680, 0);
        add(7681, 1); // base table
        range(7682, 7684, 0);
        add(7685, 1); // invalid count - 1
        add(7686, 1); // invalid count
        add(7872, 0);
        range(8064, 8077, 0); // buttons
        for (int n : {8081, 8082, 8083, 8085})
            add(n, 0);
        range(8160, 8167, 1); // picklist switch, name warnings
        add(8352, 1);         // column name
        add(8355, 1);         // column name
        add(8357, 2);         // column name, default
        range(8358, 8374, 0); // picklist locked-record texts
        range(8456, 8464, 0); // locked-record texts
        range(8469, 8474, 0);
        range(8476, 8479, 0);
        add(8495, 2);                         // population check progress: table, share done
        range(8548, 8550, 0);                 // kept entries
        add(8551, 2);                         // the two button texts
        add(TextId::ConvertTableQuestion, 1); // table name
    }

    // The text exists and takes exactly the arguments the caller hands over; they are filled in.
    void everyLibraryTextExists()
    {
        QFETCH(int, number);
        QFETCH(int, argumentCount);
        const ResourceTexts &texts = ResourceTexts::instance();
        QVERIFY(texts.hasText(number));
        const QString raw = texts.Text(number);
        QVERIFY(!raw.trimmed().isEmpty());

        QSet<int> expected;
        QStringList args;
        for (int i = 1; i <= argumentCount; ++i) {
            expected.insert(i);
            args.append(QStringLiteral("<arg%1>").arg(i));
        }
        QCOMPARE(placeholders(raw), expected);
        const QString filled = texts.Text(number, args);
        for (const QString &arg : std::as_const(args))
            QVERIFY2(filled.contains(arg), qPrintable(filled));
        QVERIFY2(placeholders(filled).isEmpty(), qPrintable(filled));
    }

    void textsFitTheirUse()
    {
        const ResourceTexts &texts = ResourceTexts::instance();
        // The comparisons are 7488 + operation value; no two read the same.
        QSet<QString> comparisons;
        for (int n = 7488; n <= 7499; ++n)
            comparisons.insert(texts.Text(n));
        QCOMPARE(comparisons.size(), 12);
        // The type names tell the nine types and "undefined" apart.
        QSet<QString> types;
        for (int n = 7008; n <= 7017; ++n)
            types.insert(texts.Text(n));
        QCOMPARE(types.size(), 10);
        // The six name warnings differ, and the locked-record pairs name the lock.
        QSet<QString> warnings;
        for (int n = 8162; n <= 8167; ++n)
            warnings.insert(texts.Text(n));
        QCOMPARE(warnings.size(), 6);
        for (int n : {8457, 8460, 8461, 8463, 8464, 8472, 8473, 8476, 8478, 8479})
            QVERIFY2(texts.Text(n).contains(QStringLiteral("locked")), qPrintable(QString::number(n)));
        for (int n : {8471, 8477})
            QVERIFY(texts.Text(n).contains(QStringLiteral("saved")));
        QCOMPARE(texts.Text(8066), QStringLiteral("OK"));
        QCOMPARE(texts.Text(8073), QStringLiteral("Cancel"));
        QCOMPARE(texts.Text(TextId::ConvertTableQuestion, {QStringLiteral("Parts")}),
                 QStringLiteral("The table \"Parts\" must be converted. Convert it now?"));
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
        QCOMPARE(texts.Text(0), QString());
        QVERIFY(!texts.hasText(0));
        QCOMPARE(texts.Text(0, {QStringLiteral("x")}), QString());
        QCOMPARE(texts.Text(123456), QString());
        QVERIFY(!texts.hasText(123456));
        QVERIFY(!texts.hasText(-1));

        const QString original = texts.Text(7681, {QStringLiteral("Parts")});
        texts.setText(7681, QStringLiteral("Nothing for %1 yet"));
        QCOMPARE(texts.Text(7681, {QStringLiteral("Parts")}), QStringLiteral("Nothing for Parts yet"));
        texts.setText(123456, QStringLiteral("host text"));
        QVERIFY(texts.hasText(123456));
        texts.resetTexts();
        QCOMPARE(texts.Text(7681, {QStringLiteral("Parts")}), original);
        QVERIFY(!texts.hasText(123456));
        const QList<int> numbers = texts.textNumbers();
        QVERIFY(numbers.contains(7681));
        QVERIFY(std::is_sorted(numbers.cbegin(), numbers.cend()));
    }

    void picturesAreValidXpm_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("size");
        QTest::newRow("edit large") << int(PictureId::EditDataLarge) << 32;
        QTest::newRow("filter large") << int(PictureId::FilterLarge) << 32;
        QTest::newRow("clear large") << int(PictureId::ClearFilterLarge) << 32;
        QTest::newRow("edit small") << int(PictureId::EditDataSmall) << 16;
        QTest::newRow("filter small") << int(PictureId::FilterSmall) << 16;
        QTest::newRow("clear small") << int(PictureId::ClearFilterSmall) << 16;
        QTest::newRow("base table field") << int(PictureId::BaseTableField) << 16;
        QTest::newRow("search column") << int(PictureId::SearchColumn) << 16;
    }

    // Header, colour table and every pixel row are checked as an XPM reader would read them.
    void picturesAreValidXpm()
    {
        QFETCH(int, number);
        QFETCH(int, size);
        const Picture picture = ResourceTexts::instance().LoadPicture(number);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.Number, number);
        QCOMPARE(picture.Format, QByteArray("XPM"));
        QVERIFY(picture.Data.startsWith("/* XPM */"));

        const QStringList strings = xpmStrings(picture.Data);
        QVERIFY(!strings.isEmpty());
        const QStringList header = strings.first().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(header.size(), 4);
        QCOMPARE(header.at(0).toInt(), size);
        QCOMPARE(header.at(1).toInt(), size);
        const int colours = header.at(2).toInt();
        const int cpp = header.at(3).toInt();
        QVERIFY(colours >= 2);
        QVERIFY(cpp == 1 || cpp == 2);
        QCOMPARE(strings.size(), 1 + colours + size);

        QSet<QString> keys;
        QString transparentKey;
        for (int i = 1; i <= colours; ++i) {
            const QString line = strings.at(i);
            const QString key = line.left(cpp);
            const QString colourEntry = line.mid(cpp).trimmed();
            QVERIFY2(colourEntry.startsWith(QLatin1String("c ")), qPrintable(line));
            const QString colour = colourEntry.mid(2).trimmed();
            QVERIFY2(colour == QLatin1String("None")
                             || QRegularExpression(QStringLiteral("^#[0-9A-Fa-f]{6}$")).match(colour).hasMatch(),
                     qPrintable(line));
            if (colour == QLatin1String("None"))
                transparentKey = key;
            QVERIFY2(!keys.contains(key), qPrintable(line));
            keys.insert(key);
        }
        int opaque = 0;
        int transparent = 0;
        for (int row = 0; row < size; ++row) {
            const QString pixels = strings.at(1 + colours + row);
            QCOMPARE(pixels.size(), qsizetype(size * cpp));
            for (int x = 0; x < size; ++x) {
                const QString key = pixels.mid(x * cpp, cpp);
                QVERIFY2(keys.contains(key), qPrintable(QStringLiteral("row %1: %2").arg(row).arg(pixels)));
                ++(key == transparentKey ? transparent : opaque);
            }
        }
        // A drawn icon on a transparent ground.
        QVERIFY(opaque > size * size / 5);
        QVERIFY(transparent > 0);
    }

    void picturesDifferAndUnknownOnesAreNull()
    {
        const ResourceTexts &texts = ResourceTexts::instance();
        QSet<QByteArray> seen;
        for (int n : {201, 202, 203, 301, 302, 303, int(PictureId::BaseTableField), int(PictureId::SearchColumn)})
            seen.insert(texts.LoadPicture(n).Data);
        QCOMPARE(seen.size(), 8);
        QVERIFY(texts.LoadPicture(0).isNull());
        QVERIFY(texts.LoadPicture(204).isNull());
        QVERIFY(texts.LoadPicture(6816).isNull());
    }

    void traceSinksGetErrors()
    {
        Trace &trace = Trace::instance();
        QList<QPair<TraceError, int>> first;
        QList<QPair<TraceError, int>> second;
        const int id1 = trace.addErrorSink([&](const TraceError &e, int line) { first.append({e, line}); });
        int id2 = 0;
        // The second sink removes itself from inside its own call.
        id2 = trace.addErrorSink([&](const TraceError &e, int line) {
            second.append({e, line});
            trace.removeErrorSink(id2);
        });
        QVERIFY(id1 != id2);
        const int before = trace.errorCount();

        LogCapture log;
        trace.ReportError(
                TraceError{3021, QStringLiteral("No current record."), QStringLiteral("CFilterColumns.GetData")}, 120);
        trace.ReportError(TraceError{5, QStringLiteral("Invalid call."), QStringLiteral("basImport.AnalyzeDataBlock")},
                          7);

        QCOMPARE(trace.errorCount(), before + 2);
        QCOMPARE(first.size(), 2);
        QCOMPARE(first.at(0).first.Number, 3021);
        QCOMPARE(first.at(0).first.Description, QStringLiteral("No current record."));
        QCOMPARE(first.at(0).first.Source, QStringLiteral("CFilterColumns.GetData"));
        QCOMPARE(first.at(0).second, 120);
        QCOMPARE(first.at(1).second, 7);
        QCOMPARE(second.size(), 1);

        // Warnings in the module's own category, with number, description, source and line.
        const auto lines = log.inCategory(QStringLiteral("kvo.CFilterColumns"));
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().type, QtWarningMsg);
        for (const QString &part : {QStringLiteral("3021"), QStringLiteral("No current record."),
                                    QStringLiteral("CFilterColumns.GetData"), QStringLiteral("120")})
            QVERIFY2(lines.first().text.contains(part), qPrintable(lines.first().text));
        QCOMPARE(log.inCategory(QStringLiteral("kvo.basImport")).size(), 1);

        trace.removeErrorSink(id1);
        trace.ReportError(TraceError{1, QStringLiteral("later"), QStringLiteral("x.y")});
        QCOMPARE(first.size(), 2);
        QCOMPARE(trace.errorCount(), before + 3);
    }

    // Enter and Leave are debug lines: silent until a logging rule switches the module on.
    void enterAndLeaveFollowLoggingRules()
    {
        Trace &trace = Trace::instance();
        QCOMPARE(&trace.category(QStringLiteral("RulesModule")), &trace.category(QStringLiteral("RulesModule")));
        QCOMPARE(QByteArray(trace.category(QStringLiteral("RulesModule")).categoryName()),
                 QByteArray("kvo.RulesModule"));
        {
            LogCapture log;
            trace.Enter(QStringLiteral("Proc"), QStringLiteral("RulesModule"), QStringLiteral("App"));
            trace.Leave(QStringLiteral("Proc"), QStringLiteral("RulesModule"), QStringLiteral("App"));
            trace.Info(QStringLiteral("RulesModule"), QStringLiteral("info line"));
            QVERIFY(log.inCategory(QStringLiteral("kvo.RulesModule")).isEmpty());
        }
        QLoggingCategory::setFilterRules(QStringLiteral("kvo.RulesModule.debug=true"));
        {
            LogCapture log;
            trace.Enter(QStringLiteral("Proc"), QStringLiteral("RulesModule"), QStringLiteral("App"));
            trace.Leave(QStringLiteral("Proc"), QStringLiteral("RulesModule"));
            trace.Enter(QStringLiteral("Other"), QStringLiteral("QuietModule"));
            const auto lines = log.inCategory(QStringLiteral("kvo.RulesModule"));
            QCOMPARE(lines.size(), 2);
            QCOMPARE(lines.at(0).type, QtDebugMsg);
            QVERIFY(lines.at(0).text.contains(QStringLiteral("enter")));
            QVERIFY(lines.at(0).text.contains(QStringLiteral("RulesModule.Proc")));
            QVERIFY(lines.at(0).text.contains(QStringLiteral("App")));
            QVERIFY(lines.at(1).text.contains(QStringLiteral("leave")));
            QVERIFY(log.inCategory(QStringLiteral("kvo.QuietModule")).isEmpty());
        }
        QLoggingCategory::setFilterRules(QString());
    }

    void servicesReportErrorsAndCalls()
    {
        ServicesHelper &services = ServicesHelper::instance();
        QList<TraceError> traced;
        const int sink = Trace::instance().addErrorSink([&](const TraceError &e, int) { traced.append(e); });
        services.ReportError(QStringLiteral("CheckTable"), QStringLiteral("The key could not be added."));
        services.ReportError(QStringLiteral("CheckColumn"), QStringLiteral("Field missing."));
        Trace::instance().removeErrorSink(sink);
        QCOMPARE(services.reportedErrors(),
                 (QStringList{"CheckTable: The key could not be added.", "CheckColumn: Field missing."}));
        QCOMPARE(traced.size(), 2);
        QCOMPARE(traced.at(0).Description, QStringLiteral("The key could not be added."));
        QVERIFY(traced.at(0).Source.contains(QStringLiteral("CheckTable")));
        services.clearReportedErrors();
        QVERIFY(services.reportedErrors().isEmpty());

        int idles = 0;
        services.Idle(); // without a handler: runs pending events, nothing else
        services.setIdleHandler([&] { ++idles; });
        services.Idle();
        services.Idle();
        QCOMPARE(idles, 2);

        int edits = 0;
        const int before = services.editCallCount();
        services.EditCall();
        services.setEditHandler([&] { ++edits; });
        services.EditCall();
        QCOMPARE(services.editCallCount(), before + 2);
        QCOMPARE(edits, 1);

        QCOMPARE(services.ScreenSizeTwips(), QSizeF(1024 * 15, 768 * 15));
        services.setScreenSizeProvider([] { return QSizeF(1920 * 15, 1080 * 15); });
        QCOMPARE(services.ScreenSizeTwips(), QSizeF(28800, 16200));
    }

    void progressIndicatorForwardsToItsBase()
    {
        QStringList baseEvents;
        Progress base([&](const QString &text, int done, int total, bool ended) {
            baseEvents.append(QStringLiteral("%1 %2/%3%4").arg(text).arg(done).arg(total).arg(ended ? " end" : ""));
        });
        base.Start(QStringLiteral("Checking tables"), 4);
        baseEvents.clear();

        std::unique_ptr<IProgress> indicator = ServicesHelper::instance().ProgressIndicator(nullptr, &base);
        QVERIFY(indicator);
        QCOMPARE(indicator->Text(), QStringLiteral("Checking tables")); // taken over from the base
        QVERIFY(baseEvents.isEmpty());

        indicator->Start(QStringLiteral("Columns"), 3);
        indicator->Step(1);
        indicator->SetText(QStringLiteral("Picklists"));
        indicator->Step(3);
        indicator->End();
        QCOMPARE(baseEvents,
                 (QStringList{"Columns 0/3", "Columns 1/3", "Picklists 1/3", "Picklists 3/3", "Picklists 3/3 end"}));
        QCOMPARE(base.startCount(), 2);
        QCOMPARE(base.done(), 3);
        QCOMPARE(base.total(), 3);
        QVERIFY(!base.running());
        QCOMPARE(indicator->Text(), QStringLiteral("Picklists"));

        // Cancelling the base cancels the indicator.
        QVERIFY(!indicator->Cancelled());
        base.cancel();
        QVERIFY(indicator->Cancelled());

        // Without a base it is a progress object of its own.
        std::unique_ptr<IProgress> alone = ServicesHelper::instance().ProgressIndicator(nullptr);
        alone->Start(QStringLiteral("alone"), 2);
        alone->Step(2);
        QCOMPARE(alone->Text(), QStringLiteral("alone"));
        QVERIFY(!alone->Cancelled());
    }

    void progressFactoryReplacesTheIndicator()
    {
        FixedFormsInterface owner(OwnerRect{});
        Progress base;
        IFormsInterface *seenOwner = nullptr;
        IProgress *seenBase = nullptr;
        ServicesHelper::instance().setProgressFactory(
                [&](IFormsInterface *o, IProgress *b) -> std::unique_ptr<IProgress> {
                    seenOwner = o;
                    seenBase = b;
                    auto made = std::make_unique<Progress>();
                    made->SetText(QStringLiteral("from factory"));
                    return made;
                });
        std::unique_ptr<IProgress> indicator = ServicesHelper::instance().ProgressIndicator(&owner, &base);
        QCOMPARE(seenOwner, &owner);
        QCOMPARE(seenBase, &base);
        QCOMPARE(indicator->Text(), QStringLiteral("from factory"));
    }

    void runRequestCallsTheHandlerBack()
    {
        Progress progress;
        RecordingHandler handler;
        ProgressArgs args;
        std::unique_ptr<ProgressResult> result = progress.RunRequest(7, &args, handler);
        QCOMPARE(handler.calledWith, &progress);
        QCOMPARE(handler.lastRequest, 7);
        QCOMPARE(handler.lastArgs, &args);
        QCOMPARE(progress.Text(), QStringLiteral("working on 7"));
        auto *typed = dynamic_cast<RecordingHandler::Result *>(result.get());
        QVERIFY(typed);
        QCOMPARE(typed->value, 70);
    }

    void textEqual_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("equal");
        QTest::newRow("ascii case") << "Material"
                                    << "MATERIAL" << 1 << true;
        QTest::newRow("ascii case, binary") << "Material"
                                            << "MATERIAL" << 0 << false;
        QTest::newRow("same, binary") << "Material"
                                      << "Material" << 0 << true;
        QTest::newRow("different") << "Material"
                                   << "Materials" << 1 << false;
        QTest::newRow("empty") << ""
                               << "" << 1 << true;
        QTest::newRow("empty and space") << ""
                                         << " " << 1 << false;
        QTest::newRow("umlaut") << "Größe"
                                << "GRÖSSE" << 1 << true;
        QTest::newRow("sharp s, binary") << "Größe"
                                         << "GRÖSSE" << 0 << false;
        QTest::newRow("capital sharp s") << "ẞ"
                                         << "ss" << 1 << true;
        QTest::newRow("ligature") << "ﬁle"
                                  << "FILE" << 1 << true;
        QTest::newRow("final sigma") << "ΟΔΟΣ"
                                     << "οδος" << 1 << true;
        QTest::newRow("titlecase digraph") << "ǅ"
                                           << "ǆ" << 1 << true;
        QTest::newRow("cyrillic") << "Деталь"
                                  << "ДЕТАЛЬ" << 1 << true;
        QTest::newRow("beyond the BMP") << "𐐀𐐁"
                                        << "𐐨𐐩" << 1 << true;
        QTest::newRow("dotted capital I") << "İ"
                                          << "i̇" << 1 << true;
        QTest::newRow("dotted capital I is not i") << "İ"
                                                   << "i" << 1 << false;
        QTest::newRow("kelvin sign") << "K"
                                     << "k" << 1 << true;
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
        forms.WriteDiagnosticLine(QStringLiteral("not written"));
        QVERIFY(lines.isEmpty());
        forms.setDiagnosticLogEnabled(true);
        QVERIFY(forms.DiagnosticLogEnabled());
        forms.WriteDiagnosticLine(QStringLiteral("defined field count = 3"));
        QCOMPARE(lines, QStringList{QStringLiteral("defined field count = 3")});

        forms.setDiagnosticSink({});
        LogCapture log;
        forms.WriteDiagnosticLine(QStringLiteral("to the category"));
        const auto logged = log.inCategory(QStringLiteral("kvo.diagnostic"));
        QCOMPARE(logged.size(), 1);
        QCOMPARE(logged.first().type, QtInfoMsg);
        QCOMPARE(logged.first().text, QStringLiteral("to the category"));
    }

    void convertRequestAsksTheAnswerFunction()
    {
        DatabaseHandler handler(3);
        QStringList calls;
        handler.setConvertAnswer([&](const QString &connection, const QString &table, int mode) {
            calls.append(QStringLiteral("%1|%2|%3").arg(connection, table).arg(mode));
            return table == QLatin1String("Busy") ? CheckTableResult::Busy : CheckTableResult::Continue;
        });
        QCOMPARE(handler.ConvertRequest(QStringLiteral("sqlite:a.db"), QStringLiteral("Parts"), ConvertMode::CheckOnly),
                 CheckTableResult::Continue);
        QCOMPARE(handler.ConvertRequest(QStringLiteral("sqlite:a.db"), QStringLiteral("Busy"), ConvertMode::Convert),
                 CheckTableResult::Busy);
        QCOMPARE(calls, (QStringList{"sqlite:a.db|Parts|0", "sqlite:a.db|Busy|1"}));
        QCOMPARE(handler.convertRequests(), (QStringList{"Parts", "Busy"}));
        QCOMPARE(handler.DatabaseType(), 3);
        QCOMPARE(handler.DefaultTextLength(), 255);
    }

    void convertRequestAsksTheUser_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("expected");
        QTest::newRow("yes") << int(MsgBox::vbYes) << CheckTableResult::Continue;
        QTest::newRow("no") << int(MsgBox::vbNo) << CheckTableResult::Declined;
        // Nobody to answer: the default button of Yes/No is Yes.
        QTest::newRow("no handler") << 0 << CheckTableResult::Continue;
    }

    void convertRequestAsksTheUser()
    {
        QFETCH(int, answer);
        QFETCH(int, expected);
        DatabaseHandler handler(4);
        if (answer == 0) {
            QCOMPARE(handler.ConvertRequest(QString(), QStringLiteral("Parts"), 0), expected);
            return;
        }
        QList<MessageRequest> asked;
        ServicesHelper::instance().setMessageHandler([&](const MessageRequest &request) {
            asked.append(request);
            return answer;
        });
        QCOMPARE(handler.ConvertRequest(QStringLiteral("x"), QStringLiteral("PartsSearchData"), 0), expected);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().style, MsgBox::vbYesNo | MsgBox::vbQuestion);
        QCOMPARE(asked.first().text,
                 ResourceTexts::instance().Text(TextId::ConvertTableQuestion, {QStringLiteral("PartsSearchData")}));
        QCOMPARE(handler.convertRequests(), QStringList{QStringLiteral("PartsSearchData")});

        // A host text replaces the built-in question.
        ResourceTexts::instance().setText(TextId::ConvertTableQuestion, QStringLiteral("Convert %1?"));
        handler.ConvertRequest(QStringLiteral("x"), QStringLiteral("T2"), 0);
        QCOMPARE(asked.last().text, QStringLiteral("Convert T2?"));
    }

    void dropTable_data() { addEngines(); }

    void dropTable()
    {
        QFETCH(QString, engine);
        auto db = KvoTest::open(engine);
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(KvoTest::exec(c,
                              QStringLiteral("CREATE TABLE %1 (%2 INTEGER NOT NULL PRIMARY KEY)")
                                      .arg(c.QuoteName(QStringLiteral("Drop Me")), c.QuoteName(QStringLiteral("Id")))));
        QVERIFY(db->catalog->FindTable(QStringLiteral("Drop Me")));

        DatabaseHandler handler(c.dialect().DatabaseType());
        QVERIFY(handler.DropTable(*db->catalog, QStringLiteral("Drop Me")));
        QVERIFY(!db->catalog->FindTable(QStringLiteral("Drop Me")));
        QVERIFY(!db->catalog->tableNames().contains(QStringLiteral("Drop Me")));
        // Nothing to drop: the table is gone all the same.
        QVERIFY(handler.DropTable(*db->catalog, QStringLiteral("Drop Me")));
    }

    void baseStructureFromCatalog_data() { addEngines(); }

    void baseStructureFromCatalog()
    {
        QFETCH(QString, engine);
        auto db = KvoTest::open(engine);
        QVERIFY(db);
        Connection &c = *db->connection;
        auto q = [&](const char *name) { return c.QuoteName(QString::fromLatin1(name)); };
        QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE TABLE %1 (%2 INTEGER NOT NULL, %3 VARCHAR(40) NOT NULL, "
                                                "%4 VARCHAR(12), %5 INTEGER, CONSTRAINT %6 PRIMARY KEY (%2), "
                                                "CONSTRAINT %7 UNIQUE (%3))")
                                         .arg(q("Parts"), q("PartId"), q("PartNo"), q("Material"), q("Stock"),
                                              q("PK_Parts"), q("UK_Parts"))));
        QVERIFY(KvoTest::exec(c, QStringLiteral("CREATE INDEX %1 ON %2 (%3, %4)")
                                         .arg(q("IX_Parts_Material"), q("Parts"), q("Material"), q("Stock"))));

        QVERIFY(!BaseTableStructure::fromCatalog(*db->catalog, QStringLiteral("NoSuchTable")));
        std::unique_ptr<BaseTableStructure> structure =
                BaseTableStructure::fromCatalog(*db->catalog, QStringLiteral("parts"));
        QVERIFY(structure);
        QCOMPARE(structure->Name(), QStringLiteral("Parts")); // the catalog's spelling

        const QList<BaseFieldDescriptor> fields = structure->FieldDescriptors();
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields.at(0).Name, QStringLiteral("PartId"));
        QCOMPARE(fields.at(1).Name, QStringLiteral("PartNo"));
        QCOMPARE(fields.at(3).Name, QStringLiteral("Stock"));
        for (const BaseFieldDescriptor &field : fields) {
            QCOMPARE(field.Caption, field.Name);
            QVERIFY(field.Defined);
        }
        QCOMPARE(adoFamily(fields.at(0).Type), AdoFamily::Integer);
        QCOMPARE(adoFamily(fields.at(1).Type), AdoFamily::Text);
        QCOMPARE(fields.at(1).Size, 40);
        QCOMPARE(fields.at(2).Size, 12);

        const QList<BaseIndexDefinition> indexes = structure->IndexDefinitions();
        QCOMPARE(indexes.size(), 3);
        QCOMPARE(indexes.at(0).Kind, IndexKind::Primary);
        QCOMPARE(indexes.at(0).Columns, QStringList{QStringLiteral("PartId")});
        QCOMPARE(indexes.at(1).Kind, IndexKind::Unique);
        QCOMPARE(indexes.at(1).Columns, QStringList{QStringLiteral("PartNo")});
        QCOMPARE(indexes.at(2).Kind, IndexKind::Plain);
        QCOMPARE(indexes.at(2).Name, QStringLiteral("IX_Parts_Material"));
        QCOMPARE(indexes.at(2).Columns, (QStringList{"Material", "Stock"}));

        const BaseFieldDescriptor *material = structure->FieldDescriptor(QStringLiteral("MATERIAL"));
        QVERIFY(material);
        QCOMPARE(material->Name, QStringLiteral("Material"));
        QVERIFY(!structure->FieldDescriptor(QStringLiteral("Nope")));
        structure->setCaption(QStringLiteral("material"), QStringLiteral("Werkstoff"));
        QCOMPARE(structure->FieldDescriptor(QStringLiteral("Material"))->Caption, QStringLiteral("Werkstoff"));
        structure->setCaption(QStringLiteral("Material"), QString());
        QCOMPARE(structure->FieldDescriptor(QStringLiteral("Material"))->Caption, QStringLiteral("Material"));
    }
};

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
