// The template: one record's saved values kept in the user's profile for filling in other records.
#include "columns/cfiltercolumns.h"

#include "core/conversions.h"
#include "core/tracescope.h"

#include "hostkit/texthelper.h"
#include "hostkit/userprofile.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CFilterColumns";

QString keywordKey(const CFilterColumn *column, int position)
{
    return (column ? column->Name() : QStringLiteral("Unknown")) + QLatin1Char('_') + QString::number(position);
}

// A saved value of a number column as a number; texts are read in the C locale, then the user's.
std::optional<Variant> numberValue(FilterColumnTypeConstants type, const Variant &value)
{
    if (value.isNumber())
        return value;
    auto v = Convert::parseForType(value.toText(), type, QLocale::c());
    if (!v)
        v = Convert::parseForType(value.toText(), type);
    if (v && v->hasValue())
        return v;
    return std::nullopt;
}
} // namespace

void CFilterColumns::SaveTemplate()
{
    traced("SaveTemplate", Module, [&] {
        ClearTemplate();
        if (m_columns.empty())
            return;
        SaveTemplateTimestamp();
        for (const auto &c : m_columns) {
            if (c->ColumnType() == fcKeyword) {
                // Positions run 1, 2, 3 ... without gaps: a fetch stops at the first missing one.
                int position = 0;
                for (const QString &key : c->SavedKeys()) {
                    if (!key.isEmpty())
                        SaveTemplateValueKeyword(c.get(), key, ++position);
                }
            } else {
                SaveTemplateValueNormal(c.get());
            }
        }
    });
}

void CFilterColumns::ClearTemplate()
{
    traced("ClearTemplate", Module, [&] {
        if (m_profile)
            require(m_profile->DeleteSection(TemplateSection()),
                    QStringLiteral("the template could not be written to the profile"));
    });
}

void CFilterColumns::SaveTemplateTimestamp()
{
    traced("SaveTemplateTimestamp", Module, [&] {
        if (m_profile)
            require(m_profile->SetStamp(TemplateSection(), TimeStamp()),
                    QStringLiteral("the template could not be written to the profile"));
    });
}

void CFilterColumns::SaveTemplateValueNormal(CFilterColumn *column)
{
    traced("SaveTemplateValueNormal", Module, [&] {
        if (!m_profile || !column)
            return;
        const Variant value = column->SavedValue();
        // No value, no entry: a Null number or date and an empty text are absent from the template.
        if (!value.hasValue() || value.toText().isEmpty())
            return;
        const QString section = TemplateSection();
        const QString key = column->Name();
        const FilterColumnTypeConstants type = column->ColumnType();
        switch (type) {
        case fcInteger16:
        case fcInteger32:
            if (const auto v = numberValue(type, value)) {
                require(m_profile->SetNumber(section, key, v->toInt32()),
                        QStringLiteral("the template could not be written to the profile"));
                return;
            }
            break;
        case fcSingle:
        case fcDouble:
            if (const auto v = numberValue(type, value)) {
                // A single-precision value goes in as its shortest text, not as the wider double
                // that holds it (1.1, not 1.100000023841858).
                const double d = type == fcSingle
                                         ? QLocale::c().toDouble(Variant::single(float(v->toDouble())).toText())
                                         : v->toDouble();
                require(m_profile->SetDouble(section, key, d),
                        QStringLiteral("the template could not be written to the profile"));
                return;
            }
            break;
        case fcDateTime:
            if (value.type() == Variant::Type::Date || value.isNumber()) {
                require(m_profile->SetDate(section, key, value.toDate()),
                        QStringLiteral("the template could not be written to the profile"));
                return;
            }
            if (const auto d = Convert::parseDate(value.toText())) {
                require(m_profile->SetDate(section, key, *d),
                        QStringLiteral("the template could not be written to the profile"));
                return;
            }
            break;
        case fcBoolean:
            if (value.type() == Variant::Type::Boolean || value.isNumber()) {
                require(m_profile->SetBoolean(section, key, value.toBool()),
                        QStringLiteral("the template could not be written to the profile"));
                return;
            }
            if (const auto b = Convert::parseBoolean(value.toText())) {
                require(m_profile->SetBoolean(section, key, *b),
                        QStringLiteral("the template could not be written to the profile"));
                return;
            }
            break;
        default:
            break;
        }
        require(m_profile->SetText(section, key, value.toText()),
                QStringLiteral("the template could not be written to the profile"));
    });
}

void CFilterColumns::SaveTemplateValueKeyword(CFilterColumn *column, const QString &value, int position)
{
    traced("SaveTemplateValueKeyword", Module, [&] {
        if (!m_profile || !column || value.isEmpty())
            return;
        require(m_profile->SetText(TemplateSection(), keywordKey(column, position), value),
                QStringLiteral("the template could not be written to the profile"));
    });
}

bool CFilterColumns::FetchTemplateValues()
{
    return traced("FetchTemplateValues", Module, false, [&](bool &result) {
        if (!m_profile)
            return;
        const QString section = TemplateSection();
        const QString stamp = m_profile->GetText(section, TimeStamp(), QString());
        if (TextHelper::TextEqual(stamp, m_templateStamp, 1)) {
            result = true;
            return;
        }
        m_templateStamp = stamp;
        for (const auto &c : m_columns) {
            CFilterColumn *column = c.get();
            const QString key = column->Name();
            if (stamp.isEmpty()) {
                // The template was removed: nothing of it is pasted any more.
                column->setTemplateValue(Variant());
                column->TemplateKeys().clear();
                continue;
            }
            switch (column->ColumnType()) {
            case fcKeyword: {
                QStringList keys;
                for (int position = 1;; ++position) {
                    const QString value = m_profile->GetText(section, keywordKey(column, position), QString());
                    if (value.isEmpty())
                        break;
                    keys.append(value);
                }
                column->TemplateKeys() = keys;
                break;
            }
            case fcDateTime: {
                const auto d = Convert::parseDate(m_profile->GetText(section, key, QString()));
                column->setTemplateValue(d ? Variant::date(*d) : Variant::text(QString()));
                break;
            }
            case fcBoolean: {
                const auto b =
                        Convert::parseBoolean(m_profile->GetText(section, key, QStringLiteral("False")), QLocale::c());
                column->setTemplateValue(Variant::boolean(b.value_or(false)));
                break;
            }
            case fcInteger16:
            case fcInteger32:
            case fcSingle:
            case fcDouble: {
                // The profile holds numbers in the C locale; as typed values they show in the
                // user's locale when pasted.
                const QString text = m_profile->GetText(section, key, QStringLiteral("0"));
                const auto v = Convert::parseForType(text, column->ColumnType(), QLocale::c());
                column->setTemplateValue(v ? *v : Variant::text(text));
                break;
            }
            default:
                column->setTemplateValue(Variant::text(m_profile->GetText(section, key, QString())));
                break;
            }
        }
        result = true;
    });
}

void CFilterColumns::CopyTemplate()
{
    traced("CopyTemplate", Module, [&] {
        if (!FetchTemplateValues())
            return;
        for (const auto &c : m_columns)
            c->CopyTemplate();
    });
}

} // namespace KvoPlx800SCtl
