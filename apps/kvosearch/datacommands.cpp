// Commands that read and write search values, filters, templates, picklists and demo sets.
#include "cli.h"

#include "columns/basvalidate.h"
#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "data/recordeditor.h"
#include "filter/cfilterterms.h"
#include "filter/filterfields.h"
#include "picklists/cscpicklist.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/connection.h"
#include "hostkit/recordset.h"
#include "hostkit/texthelper.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

struct OperationWord
{
    const char *word;
    EComparisonOperations operation;
};
constexpr OperationWord operationWords[] = {
        {"=", kvoOP_Equals},          {"<>", kvoOP_NotEquals},      {"<", kvoOP_Less},
        {">", kvoOP_Greater},         {"<=", kvoOP_LessOrEqual},    {">=", kvoOP_GreatorOrEqual},
        {"like", kvoOP_IsLike},       {"notlike", kvoOP_IsNotLike}, {"includes", kvoOP_Includes},
        {"excludes", kvoOP_Excludes}, {"istrue", kvoOP_IsTrue},     {"isfalse", kvoOP_IsFalse},
};

const char *className(FilterComparisonClasses cls)
{
    switch (cls) {
    case kvoCC_Boolean:
        return "Boolean";
    case kvoCC_Keyword:
        return "keyword";
    case kvoCC_Text:
        return "text";
    case kvoCC_Numeric:
        return "numeric";
    case kvoCC_Date:
        return "date";
    default:
        return "unknown";
    }
}

QJsonValue jsonValue(const CFilterColumn *c)
{
    if (c->ColumnType() == fcKeyword)
        return QJsonArray::fromStringList(c->SavedKeys());
    return valueJson(c->SavedValue());
}

QString textValue(const CFilterColumn *c)
{
    if (c->ColumnType() == fcKeyword)
        return c->SavedKeys().join(QStringLiteral(", "));
    return valueText(c->SavedValue());
}

} // namespace

QJsonValue valueJson(const Variant &v)
{
    switch (v.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null:
        return QJsonValue();
    case Variant::Type::Text:
        return v.toText();
    case Variant::Type::Boolean:
        return v.toBool();
    case Variant::Type::Date:
        return Convert::isoText(v.toDate());
    case Variant::Type::Int16:
    case Variant::Type::Int32:
        return v.toInt32();
    default:
        return v.toDouble();
    }
}

QString valueText(const Variant &v)
{
    if (v.type() == Variant::Type::Date)
        return Convert::isoText(v.toDate());
    return v.hasValue() ? Convert::displayText(v) : QString();
}

int Cli::entryOf(const QString &text, std::unique_ptr<ISearchBaseEntry> *entry)
{
    bool ok = false;
    const qint32 id = text.toInt(&ok);
    if (!ok)
        return usage(QStringLiteral("\"%1\" is not a record id").arg(text));
    if (const int rc = requireColumns(); rc != Ok)
        return rc;
    CFilterColumns &columns = *m_session.filter->FilterColumns();
    bool found = false;
    if (!m_session.connection().RowExists(columns.baseTableName(), columns.keyFieldName(), columns.keyLiteral(id),
                                          found))
        return failure(QStringLiteral("reading %1 failed: %2")
                               .arg(columns.baseTableName(), m_session.connection().lastError()));
    if (!found)
        return failure(QStringLiteral("no record %1 in %2").arg(id).arg(columns.baseTableName()));
    *entry = m_session.filter->MakeMergeBaseEntry(id);
    return Ok;
}

static void printRecord(Cli &cli)
{
    const CFilterColumns &columns = *cli.session().filter->FilterColumns();
    if (cli.options().json) {
        QJsonObject o;
        for (const CFilterColumn *c : columns.NewEnum())
            o.insert(c->Name(), jsonValue(c));
        cli.printJson(QJsonDocument(o));
        return;
    }
    for (const CFilterColumn *c : columns.NewEnum())
        cli.out() << c->Name() << ": " << textValue(c) << Qt::endl;
}

// The record of a command whose one argument is a record id.
static int recordArgument(Cli &cli, std::unique_ptr<ISearchBaseEntry> *entry)
{
    if (cli.options().args.size() != 1)
        return cli.usage(QStringLiteral("%1 takes one record id").arg(cli.options().command));
    return cli.entryOf(cli.options().args.first(), entry);
}

static int cmdGet(Cli &cli)
{
    std::unique_ptr<ISearchBaseEntry> entry;
    if (const int rc = recordArgument(cli, &entry); rc != Cli::Ok)
        return rc;
    cli.lastTraceError().clear();
    if (!cli.session().filter->FilterColumns()->GetData(entry.get()))
        return cli.failure(QStringLiteral("reading the record failed") + cli.traceReason());
    printRecord(cli);
    return Cli::Ok;
}

static int cmdSet(Cli &cli)
{
    if (cli.options().args.size() < 2)
        return cli.usage(QStringLiteral("set takes a record id and NAME=VALUE pairs"));
    for (const QString &pair : cli.options().args.mid(1)) {
        if (!pair.contains(QLatin1Char('=')))
            return cli.usage(QStringLiteral("\"%1\" is not NAME=VALUE").arg(pair));
    }
    std::unique_ptr<ISearchBaseEntry> entry;
    if (const int rc = cli.entryOf(cli.options().args.first(), &entry); rc != Cli::Ok)
        return rc;
    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    RecordEditor editor(columns);
    cli.lastTraceError().clear();
    // A record that cannot be read whole is not written: its unread keyword lists would be cleared.
    if (!editor.load(entry.get()))
        return cli.failure(QStringLiteral("reading the record failed") + cli.traceReason());
    for (const QString &pair : cli.options().args.mid(1)) {
        const QString name = pair.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = pair.section(QLatin1Char('='), 1);
        CFilterColumn *column = columns.findByName(name);
        if (!column)
            return cli.failure(QStringLiteral("unknown column \"%1\"").arg(name));
        QString error;
        if (!editor.setText(column, value, &error))
            return cli.failure(error);
    }
    // Nothing is written unless every field holds a value its column takes.
    if (CFilterColumn *invalid = editor.firstInvalid())
        return cli.failure(QStringLiteral("column %1 of type %2 holds a value that does not fit")
                                   .arg(invalid->Name(), invalid->typeDisplayName()));
    cli.lastTraceError().clear();
    if (!editor.save(entry.get()) || !cli.lastTraceError().isEmpty())
        return cli.failure(QStringLiteral("saving failed: ") + cli.lastTraceError());
    return Cli::Ok;
}

static int cmdInit(Cli &cli)
{
    std::unique_ptr<ISearchBaseEntry> entry;
    if (const int rc = recordArgument(cli, &entry); rc != Cli::Ok)
        return rc;
    cli.lastTraceError().clear();
    if (!cli.session().filter->InitializeSearchData(entry.get()) || !cli.lastTraceError().isEmpty())
        return cli.failure(
                QStringLiteral("writing the initial values failed")
                + (cli.lastTraceError().isEmpty() ? QString() : QStringLiteral(": ") + cli.lastTraceError()));
    return Cli::Ok;
}

static int printFilter(Cli &cli, const CFilterTerms &filter, bool ids)
{
    const QString sql = filter.SQLString();
    if (!ids) {
        cli.out() << sql << Qt::endl;
        return Cli::Ok;
    }
    if (sql.isEmpty())
        return Cli::Ok;
    const CFilterColumns &columns = *cli.session().filter->FilterColumns();
    Connection &db = cli.session().connection();
    const QString key = db.QuoteName(columns.keyFieldName());
    const QString query = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %1")
                                  .arg(key, db.QuoteName(columns.baseTableName()), sql);
    auto rs = db.OpenQuery(query);
    if (!rs)
        return cli.failure(QStringLiteral("the filter does not run: ") + db.lastError());
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext())
        cli.out() << rs->value(0).toString() << Qt::endl;
    return Cli::Ok;
}

static int cmdFilter(Cli &cli)
{
    const Cli::Args args(cli.options().args, {QStringLiteral("ids"), QStringLiteral("save"), QStringLiteral("archive")},
                         {});
    if (!args.ok())
        return cli.usage(args.error());
    if (args.positional().isEmpty())
        return cli.usage(QStringLiteral("filter needs at least one term"));
    if (args.flag(QStringLiteral("archive")) && !args.flag(QStringLiteral("save")))
        return cli.usage(QStringLiteral("--archive goes with --save"));

    // Terms alternate with the words and / or.
    struct Parsed
    {
        EConjunctions conjunction;
        QString field;
        bool base;
        EComparisonOperations operation;
        QString value;
    };
    QList<Parsed> parsed;
    EConjunctions next = kvoCJ_None;
    bool expectTerm = true;
    for (const QString &a : args.positional()) {
        if (!expectTerm) {
            if (a.compare(QLatin1String("and"), Qt::CaseInsensitive) == 0)
                next = kvoCJ_And;
            else if (a.compare(QLatin1String("or"), Qt::CaseInsensitive) == 0)
                next = kvoCJ_OR;
            else
                return cli.usage(QStringLiteral("expected and or or before \"%1\"").arg(a));
            expectTerm = true;
            continue;
        }
        const QString term = a.trimmed();
        const QString field = term.section(QLatin1Char(' '), 0, 0);
        const QString rest = term.section(QLatin1Char(' '), 1);
        const QString opWord = rest.section(QLatin1Char(' '), 0, 0);
        const QString value = rest.section(QLatin1Char(' '), 1);
        const OperationWord *op = nullptr;
        for (const OperationWord &w : operationWords) {
            if (opWord.compare(QLatin1String(w.word), Qt::CaseInsensitive) == 0)
                op = &w;
        }
        if (field.isEmpty() || !op)
            return cli.usage(QStringLiteral("\"%1\" is not FIELD OP VALUE").arg(a));
        const bool takesNoValue = op->operation == kvoOP_IsTrue || op->operation == kvoOP_IsFalse;
        if (takesNoValue && !value.trimmed().isEmpty())
            return cli.usage(QStringLiteral("%1 takes no value in \"%2\"").arg(opWord, a));
        const bool base = field.startsWith(QLatin1String("base."), Qt::CaseInsensitive);
        parsed.append({parsed.isEmpty() ? kvoCJ_None : next, base ? field.mid(5) : field, base, op->operation, value});
        expectTerm = false;
    }
    if (expectTerm)
        return cli.usage(QStringLiteral("the filter ends with and or or"));
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;

    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    CFilterTerms filter;
    filter.setFilterColumns(&columns);
    for (const Parsed &p : parsed) {
        QString table;
        QString field = p.field;
        FilterComparisonClasses cls = kvoCC_Unknown;
        if (p.base) {
            const BaseFieldDescriptor *descriptor = cli.session().structure->FieldDescriptor(p.field);
            if (!descriptor)
                return cli.failure(
                        QStringLiteral("unknown field \"%1\" of base table %2").arg(p.field, columns.baseTableName()));
            field = descriptor->Name;
            table = columns.baseTableName();
            cls = basValidate::ComparisonClassFromColumn(descriptor);
        } else {
            const CFilterColumn *column = columns.findByName(p.field);
            if (!column)
                return cli.failure(QStringLiteral("unknown column \"%1\"").arg(p.field));
            field = column->Name();
            table = columns.SearchTableName(column);
            cls = basValidate::ComparisonClassFromColumn(column);
        }
        if (!admits(cls, p.operation))
            return cli.failure(QStringLiteral("%1 cannot be compared that way (a %2 field)")
                                       .arg(p.field, QLatin1String(className(cls))));
        if (cls == kvoCC_Numeric && !Convert::parseNumber(p.value))
            return cli.failure(QStringLiteral("\"%1\" is not a number (field %2)").arg(p.value, p.field));
        if (cls == kvoCC_Date && !Convert::parseDate(p.value))
            return cli.failure(QStringLiteral("\"%1\" is not a date (field %2)").arg(p.value, p.field));
        if (!filter.Add(p.conjunction, table, field, cls, p.operation, p.value))
            return cli.failure(QStringLiteral("the term on %1 cannot be added").arg(p.field));
    }
    if (args.flag(QStringLiteral("save"))) {
        const QString number = QString::number(TextHelper::instance().CurrentUserNumber());
        cli.session().filter->SaveFilter(&filter, &columns, cli.session().profile.get(), number,
                                         args.flag(QStringLiteral("archive")) ? fltrDBMode_Archive : fltrDBMode_Normal);
    }
    return printFilter(cli, filter, args.flag(QStringLiteral("ids")));
}

static int cmdLastFilter(Cli &cli)
{
    const Cli::Args args(cli.options().args, {QStringLiteral("ids"), QStringLiteral("archive")}, {});
    if (!args.ok())
        return cli.usage(args.error());
    if (!args.positional().isEmpty())
        return cli.usage(QStringLiteral("last-filter takes no arguments"));
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;
    const auto filter = cli.session().filter->LastFilter(nullptr, TextHelper::instance().CurrentUserName(),
                                                         args.flag(QStringLiteral("archive")) ? fltrDBMode_Archive
                                                                                              : fltrDBMode_Normal);
    if (!filter)
        return cli.failure(QStringLiteral("the last filter cannot be read"));
    return printFilter(cli, *filter, args.flag(QStringLiteral("ids")));
}

static int cmdTemplate(Cli &cli)
{
    if (cli.options().args.size() != 2)
        return cli.usage(QStringLiteral("template takes save or paste and a record id"));
    const QString action = cli.options().args.first();
    if (action != QLatin1String("save") && action != QLatin1String("paste"))
        return cli.usage(QStringLiteral("template takes save or paste"));
    std::unique_ptr<ISearchBaseEntry> entry;
    if (const int rc = cli.entryOf(cli.options().args.at(1), &entry); rc != Cli::Ok)
        return rc;
    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    cli.lastTraceError().clear();
    if (action == QLatin1String("save")) {
        if (!columns.GetData(entry.get()))
            return cli.failure(QStringLiteral("reading the record failed") + cli.traceReason());
        columns.SaveTemplate();
        return Cli::Ok;
    }
    // The paste button followed by Apply.
    RecordEditor editor(columns);
    if (!editor.load(entry.get()))
        return cli.failure(QStringLiteral("reading the record failed") + cli.traceReason());
    editor.pasteTemplate();
    if (CFilterColumn *invalid = editor.firstInvalid())
        return cli.failure(QStringLiteral("the template's value of column %1 of type %2 does not fit")
                                   .arg(invalid->Name(), invalid->typeDisplayName()));
    if (!editor.save(entry.get()))
        return cli.failure(QStringLiteral("saving failed") + cli.traceReason());
    return Cli::Ok;
}

static int cmdDemoSet(Cli &cli)
{
    if (cli.options().args.size() != 1)
        return cli.usage(QStringLiteral("demo-set takes dnc or packet"));
    const QString which = cli.options().args.first();
    if (which != QLatin1String("dnc") && which != QLatin1String("packet"))
        return cli.usage(QStringLiteral("demo-set takes dnc or packet"));
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;
    if (cli.session().filter->Exists()) {
        cli.err() << "kvosearch: " << cli.options().table << " has search columns already; nothing changed" << Qt::endl;
    } else {
        cli.session().filter->CreateDemoColumnSet(which == QLatin1String("dnc") ? fltrDCS_DncFile : fltrDCS_Packet,
                                                  nullptr, nullptr);
        if (!cli.session().filter->Exists())
            return cli.failure(
                    QStringLiteral("creating the demonstration set failed")
                    + (cli.lastTraceError().isEmpty() ? QString() : QStringLiteral(": ") + cli.lastTraceError()));
    }
    cli.printColumns();
    return Cli::Ok;
}

static int cmdPicklist(Cli &cli)
{
    if (cli.options().args.isEmpty())
        return cli.usage(QStringLiteral("picklist takes a column name"));
    const bool adding = cli.options().args.size() >= 2;
    if (adding && (cli.options().args.at(1) != QLatin1String("add") || cli.options().args.size() < 3))
        return cli.usage(QStringLiteral("picklist NAME [add TEXT...]"));
    int rc = Cli::Ok;
    CFilterColumn *column = cli.firstArgumentColumn(&rc);
    if (!column)
        return rc;
    if (!column->IsPicklist())
        return cli.failure(QStringLiteral("column %1 is not a picklist column").arg(column->Name()));
    CScPicklist *picklist = column->PickList();
    if (adding) {
        for (const QString &entry : cli.options().args.mid(2)) {
            if (!Convert::parseForType(entry, column->ColumnType()))
                return cli.failure(QStringLiteral("\"%1\" does not fit column %2 of type %3")
                                           .arg(entry, column->Name(), column->typeDisplayName()));
        }
        cli.lastTraceError().clear();
        if (!picklist->SaveAdditions(cli.options().args.mid(2)) || !cli.lastTraceError().isEmpty())
            return cli.failure(QStringLiteral("adding the entries failed: ") + cli.lastTraceError());
    }
    Connection &db = cli.session().connection();
    auto rs = db.OpenQuery(QStringLiteral("SELECT %1, %2 FROM %3")
                                   .arg(db.QuoteName(column->Name()), db.QuoteName(picklist->HideEntry()),
                                        db.QuoteName(picklist->TableName())));
    if (!rs)
        return cli.failure(QStringLiteral("the picklist of %1 cannot be read: %2").arg(column->Name(), db.lastError()));
    QJsonArray array;
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
        const Variant value = Convert::fromDatabase(rs->value(0), column->ColumnType());
        const QString text =
                value.type() == Variant::Type::Date ? Convert::isoText(value.toDate()) : Convert::displayText(value);
        const Variant hidden = Convert::fromDatabase(rs->value(1), fcBoolean);
        const bool isHidden = hidden.hasValue() && hidden.toBool();
        if (cli.options().json)
            array.append(QJsonObject{{QStringLiteral("entry"), text}, {QStringLiteral("hidden"), isHidden}});
        else
            cli.out() << text << (isHidden ? QStringLiteral("\t(hidden)") : QString()) << Qt::endl;
    }
    if (cli.options().json)
        cli.printJson(QJsonDocument(array));
    return Cli::Ok;
}

namespace {
const CommandRegistration registrations[] = {
        CommandRegistration({"get", true, cmdGet, "ID", 30}),
        CommandRegistration({"set", true, cmdSet, "ID NAME=VALUE...", 31}),
        CommandRegistration({"init", true, cmdInit, "ID", 32}),
        CommandRegistration({"filter", true, cmdFilter,
                             "TERM [and|or TERM]... [--ids] [--save [--archive]]\n"
                             "       TERM: \"FIELD OP VALUE\", FIELD a column or base.FIELD, OP one of\n"
                             "       = <> < > <= >= like notlike includes excludes istrue isfalse",
                             33}),
        CommandRegistration({"last-filter", true, cmdLastFilter, "[--archive] [--ids]", 34}),
        CommandRegistration({"template", true, cmdTemplate, "save ID | template paste ID", 35}),
        CommandRegistration({"demo-set", true, cmdDemoSet, "dnc|packet", 36}),
        CommandRegistration({"picklist", true, cmdPicklist, "NAME [add TEXT...]", 37}),
};
} // namespace
