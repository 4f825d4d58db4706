// Commands that show and change the column definitions.
#include "cli.h"

#include "referencehost/columndef.h"

#include "columns/cfiltercolumns.h"
#include "columns/columntypechange.h"
#include "core/conversions.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/resourcetexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

struct TypeWord
{
    const char *word;
    FilterColumnTypeConstants type;
};
constexpr TypeWord typeWords[] = {
    {"keyword", fcKeyword}, {"text", fcText},         {"int16", fcInteger16}, {"int32", fcInteger32}, {"single", fcSingle},
    {"double", fcDouble},   {"datetime", fcDateTime}, {"boolean", fcBoolean}, {"note", fcNote},
};

std::optional<FilterColumnTypeConstants> typeOfWord(const QString &word)
{
    for (const TypeWord &t : typeWords) {
        if (word == QLatin1String(t.word))
            return t.type;
    }
    return std::nullopt;
}

QString wordOfType(int type)
{
    for (const TypeWord &t : typeWords) {
        if (t.type == type)
            return QLatin1String(t.word);
    }
    return QStringLiteral("undefined");
}

QString dateText(const Variant &value)
{
    return value.hasValue() ? Convert::isoText(value.toDate()) : QString();
}

// The arguments of a command on one column with --type T [--length N]: a usage failure unless
// they are all there and --length, when given, is a number from 1 to 255 (`length` stays 0
// without it).
int columnTypeArguments(Cli &cli, const Cli::Args &args, int *length)
{
    if (!args.ok())
        return cli.usage(args.error());
    if (args.positional().size() != 1)
        return cli.usage(QStringLiteral("%1 takes one column name").arg(cli.options().command));
    if (!args.has(QStringLiteral("type")))
        return cli.usage(QStringLiteral("%1 needs --type").arg(cli.options().command));
    if (!args.has(QStringLiteral("length")))
        return Cli::Ok;
    bool ok = false;
    *length = args.value(QStringLiteral("length")).toInt(&ok);
    if (!ok || *length < 1 || *length > 255)
        return cli.usage(QStringLiteral("--length must be a number from 1 to 255"));
    return Cli::Ok;
}

bool picklistAllowed(FilterColumnTypeConstants type)
{
    return type != fcKeyword && type != fcBoolean && type != fcNote;
}

} // namespace

void Cli::printColumns()
{
    const CFilterColumns &columns = *m_session.filter->FilterColumns();
    if (m_options.json) {
        QJsonArray array;
        for (const CFilterColumn *c : columns.NewEnum()) {
            QJsonObject o{
                {QStringLiteral("BaseTable"), columns.baseTableName()},
                {QStringLiteral("Position"), c->Index()},
                {QStringLiteral("Name"), c->Name()},
                {QStringLiteral("Type"), int(c->ColumnType())},
                {QStringLiteral("Size"), c->TextLengthInUI()},
                {QStringLiteral("Caption"), c->Caption()},
                {QStringLiteral("Description"), c->Description()},
                {QStringLiteral("IsPicklist"), c->IsPicklist()},
                {QStringLiteral("PicklistAllowBlanks"), c->PicklistAllowBlanks()},
                {QStringLiteral("PicklistDefault"), c->PicklistDefault()},
                {QStringLiteral("DateTimeDefaultMode"), int(c->DateTimeDefaultMode())},
                {QStringLiteral("DateTimeDefaultValue"),
                 c->DateTimeDefaultValue().hasValue() ? QJsonValue(dateText(c->DateTimeDefaultValue())) : QJsonValue()},
                {QStringLiteral("DisableEditDateTime"), c->DisableEditDateTime()},
            };
            if (!c->MergeName().isEmpty())
                o.insert(QStringLiteral("MergeName"), c->MergeName());
            array.append(o);
        }
        printJson(QJsonDocument(array));
        return;
    }
    const auto yesNo = [](bool b) { return b ? QStringLiteral("yes") : QStringLiteral("no"); };
    for (const CFilterColumn *c : columns.NewEnum()) {
        m_out << c->Index() << ". " << c->Name() << " (" << wordOfType(c->ColumnType()) << ")"
              << "  size=" << c->TextLengthInUI() << "  caption=\"" << c->Caption() << "\"  description=\""
              << c->Description() << "\"  picklist=" << yesNo(c->IsPicklist())
              << "  allow-blanks=" << yesNo(c->PicklistAllowBlanks()) << "  default=\"" << c->PicklistDefault() << "\"";
        if (c->ColumnType() == fcDateTime) {
            m_out << "  datetime-default="
                  << (c->DateTimeDefaultMode() == fcDTDM_Now ? QStringLiteral("now") : QStringLiteral("configured"))
                  << "  datetime-value=\"" << dateText(c->DateTimeDefaultValue()) << "\""
                  << "  disable-edit-time=" << yesNo(c->DisableEditDateTime());
        }
        if (!c->MergeName().isEmpty())
            m_out << "  merge-name=\"" << c->MergeName() << "\"";
        m_out << Qt::endl;
    }
}

static int cmdColumns(Cli &cli)
{
    if (const int rc = cli.requireColumns(true); rc != Cli::Ok)
        return rc;
    cli.printColumns();
    return Cli::Ok;
}

static int saveAndReport(Cli &cli)
{
    cli.lastTraceError().clear();
    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    if (!columns.ColumnsSave(nullptr)) {
        const QString why = cli.lastTraceError().isEmpty() ? QString() : QStringLiteral(": ") + cli.lastTraceError();
        return cli.failure(QStringLiteral("saving the columns failed") + why);
    }
    cli.printColumns();
    return Cli::Ok;
}

static int cmdAddColumn(Cli &cli)
{
    const Cli::Args args(cli.options().args,
                    {QStringLiteral("picklist"), QStringLiteral("allow-blanks"), QStringLiteral("disable-edit-time")},
                    {QStringLiteral("type"), QStringLiteral("caption"), QStringLiteral("description"),
                     QStringLiteral("length"), QStringLiteral("default"), QStringLiteral("datetime-default")});
    int givenLength = 0;
    if (const int rc = columnTypeArguments(cli, args, &givenLength); rc != Cli::Ok)
        return rc;
    if (args.has(QStringLiteral("datetime-default"))) {
        const QString m = args.value(QStringLiteral("datetime-default"));
        if (m != QLatin1String("configured") && m != QLatin1String("now"))
            return cli.usage(QStringLiteral("--datetime-default must be configured or now"));
    }
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;
    CFilterColumns &columns = *cli.session().filter->FilterColumns();

    const QString name = args.positional().first().trimmed();
    const QString caption = args.value(QStringLiteral("caption")).trimmed();
    const auto type = typeOfWord(args.value(QStringLiteral("type")));
    if (!type)
        return cli.failure(QStringLiteral("bad type \"%1\" (keyword, text, int16, int32, single, double, datetime, "
                                      "boolean or note)")
                           .arg(args.value(QStringLiteral("type"))));

    if (const QString refusal = columns.nameRefusal(name); !refusal.isEmpty())
        return cli.failure(refusal);
    if (const int clash = columns.nameClash(name, caption, nullptr))
        return cli.failure(ResourceTexts::instance().Text(8161 + clash, {clash % 2 ? name : caption}));

    int length = 0;
    if (*type == fcKeyword || *type == fcText) {
        length = givenLength > 0 ? givenLength : 20;
    } else if (*type == fcNote) {
        length = 255;
    } else if (args.has(QStringLiteral("length"))) {
        return cli.failure(QStringLiteral("--length applies only to keyword and text columns"));
    }

    const bool picklist = args.flag(QStringLiteral("picklist"));
    if (picklist && !picklistAllowed(*type))
        return cli.failure(QStringLiteral("a %1 column cannot be a picklist").arg(wordOfType(*type)));
    const bool allowBlanks = args.flag(QStringLiteral("allow-blanks"));
    if (allowBlanks && !picklist)
        return cli.failure(QStringLiteral("--allow-blanks applies only to picklist columns"));

    EFilterColumnDateTimeDefaultModeConstants mode = fcDTDM_Configure;
    if (args.has(QStringLiteral("datetime-default"))) {
        const QString m = args.value(QStringLiteral("datetime-default"));
        if (*type != fcDateTime)
            return cli.failure(QStringLiteral("--datetime-default applies only to datetime columns"));
        mode = m == QLatin1String("now") ? fcDTDM_Now : fcDTDM_Configure;
    }
    const bool disableEditTime = args.flag(QStringLiteral("disable-edit-time"));
    if (disableEditTime && (*type != fcDateTime || mode != fcDTDM_Now))
        return cli.failure(QStringLiteral("--disable-edit-time applies only to datetime columns with --datetime-default now"));

    CFilterColumn *column = KvoHost::addColumn(columns, {.name = name,
                                                         .type = *type,
                                                         .caption = caption,
                                                         .textLengthInUI = qint16(length),
                                                         .isPicklist = picklist,
                                                         .picklistAllowBlanks = allowBlanks,
                                                         .description = args.value(QStringLiteral("description")),
                                                         .dateTimeDefaultMode = mode,
                                                         .disableEditDateTime = disableEditTime});
    if (!column)
        return cli.failure(QStringLiteral("a column named \"%1\" exists already").arg(name));

    if (args.has(QStringLiteral("default"))) {
        const QString typed = args.value(QStringLiteral("default"));
        if (*type == fcDateTime && !picklist) {
            const auto date = Convert::parseDate(typed);
            if (mode != fcDTDM_Configure || !date)
                return cli.failure(QStringLiteral("the default of datetime column %1 must be a date, with --datetime-default "
                                              "configured")
                                   .arg(name));
            column->setDateTimeDefaultValue(Variant::date(*date));
        } else if (picklist || *type == fcNote) {
            if (!typed.trimmed().isEmpty() && !Convert::parseForType(typed, *type))
                return cli.failure(QStringLiteral("the default \"%1\" does not fit column %2 of type %3")
                                   .arg(typed, name, column->typeDisplayName()));
            column->setPicklistDefault(column->FormatPicklistValue(typed));
        } else {
            return cli.failure(QStringLiteral("--default applies to picklist, note and datetime columns"));
        }
    }
    return saveAndReport(cli);
}

static int cmdDropColumn(Cli &cli)
{
    if (cli.options().args.size() != 1)
        return cli.usage(QStringLiteral("drop-column takes one column name"));
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;
    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    if (!columns.Remove(cli.options().args.first()))
        return cli.failure(QStringLiteral("unknown column \"%1\"").arg(cli.options().args.first()));
    return saveAndReport(cli);
}

static int cmdMoveColumn(Cli &cli)
{
    if (cli.options().args.size() != 2)
        return cli.usage(QStringLiteral("move-column takes a column name and up or down"));
    const QString direction = cli.options().args.at(1);
    if (direction != QLatin1String("up") && direction != QLatin1String("down"))
        return cli.usage(QStringLiteral("move-column direction must be up or down"));
    int rc = Cli::Ok;
    CFilterColumn *column = cli.firstArgumentColumn(&rc);
    if (!column)
        return rc;
    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    // Moving the first column up or the last one down changes nothing and is no failure.
    static_cast<void>(direction == QLatin1String("up") ? columns.MoveColumnUp(column)
                                                       : columns.MoveColumnDown(column));
    return saveAndReport(cli);
}

// change-type NAME --type T [--length N] [--dry-run] [--yes]: converts a stored column to another
// single-valued type, keeping the values that convert (read in the C locale, like every value
// the tool reads). --dry-run only counts them.
static int cmdChangeType(Cli &cli)
{
    const Cli::Args args(cli.options().args, {QStringLiteral("dry-run"), QStringLiteral("yes")},
                         {QStringLiteral("type"), QStringLiteral("length")});
    int length = 0;
    if (const int rc = columnTypeArguments(cli, args, &length); rc != Cli::Ok)
        return rc;
    if (const int rc = cli.requireColumns(); rc != Cli::Ok)
        return rc;
    CFilterColumns &columns = *cli.session().filter->FilterColumns();
    const QString name = args.positional().first();
    const auto type = typeOfWord(args.value(QStringLiteral("type")));
    if (!type)
        return cli.failure(QStringLiteral("bad type \"%1\" (text, int16, int32, single, double, datetime, boolean or "
                                          "note)")
                                   .arg(args.value(QStringLiteral("type"))));
    if (length > 0 && *type != fcText)
        return cli.failure(QStringLiteral("--length applies only to text"));

    cli.lastTraceError().clear();
    ColumnTypeChange change(columns, name, *type, length);
    if (!change.refusal().isEmpty())
        return cli.failure(change.refusal());
    const auto preview = change.DryRun();
    if (!preview)
        return cli.failure(QStringLiteral("the values of %1 cannot be read").arg(name) + cli.traceReason());

    if (args.flag(QStringLiteral("dry-run"))) {
        if (cli.options().json) {
            // Written by hand: the members keep this order (a QJsonObject sorts them).
            QStringList examples;
            for (const ColumnTypeChange::Example &e : preview->examples) {
                const QByteArray value = QJsonDocument(QJsonArray{valueJson(e.value)}).toJson(QJsonDocument::Compact);
                examples.append(QStringLiteral("{\"id\":%1,\"value\":%2}")
                                        .arg(e.id)
                                        .arg(QString::fromUtf8(value.mid(1, value.size() - 2))));
            }
            cli.out() << QStringLiteral("{\"convertible\":%1,\"notConvertible\":%2,\"examples\":[%3]}")
                                 .arg(preview->convertible)
                                 .arg(preview->notConvertible)
                                 .arg(examples.join(QLatin1Char(',')))
                      << Qt::endl;
        } else {
            cli.out() << "convertible: " << preview->convertible << Qt::endl
                      << "not convertible: " << preview->notConvertible << Qt::endl;
            for (const ColumnTypeChange::Example &e : preview->examples)
                cli.out() << "example: " << e.id << ' ' << valueText(e.value) << Qt::endl;
        }
        return Cli::Ok;
    }
    if (preview->notConvertible > 0 && !args.flag(QStringLiteral("yes")))
        return cli.failure(QStringLiteral("changing %1 to %2 would lose %3 value(s) that do not convert; --yes makes "
                                          "them empty")
                                   .arg(name, args.value(QStringLiteral("type")))
                                   .arg(preview->notConvertible));
    if (!change.Run(true))
        return cli.failure(QStringLiteral("changing the type of %1 failed: %2").arg(name, change.lastError()));
    cli.printColumns();
    return Cli::Ok;
}

namespace {
const CommandRegistration registrations[] = {
        CommandRegistration({"columns", true, cmdColumns, "", 20}),
        CommandRegistration({"add-column", true, cmdAddColumn,
                             "NAME --type keyword|text|int16|int32|single|double|datetime|boolean|note\n"
                             "             [--caption C] [--description D] [--length N] [--picklist] [--allow-blanks]\n"
                             "             [--default TEXT] [--datetime-default configured|now] [--disable-edit-time]",
                             21}),
        CommandRegistration({"drop-column", true, cmdDropColumn, "NAME", 22}),
        CommandRegistration({"move-column", true, cmdMoveColumn, "NAME up|down", 23}),
        CommandRegistration({"change-type", true, cmdChangeType,
                             "NAME --type text|int16|int32|single|double|datetime|boolean|note\n"
                             "             [--length N] [--dry-run] [--yes]",
                             25}),
};
} // namespace
