#include "cfiltercolumn.h"

#include "basvalidate.h"
#include "core/basglobals.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/sqlsupport.h"
#include "core/tracescope.h"
#include "picklists/cscpicklist.h"
#include "searchtables.h"

#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/databasehelper.h"
#include "hostkit/dialect.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/texthelper.h"

namespace KvoPlx800SCtl {

using HostKit::TextHelper;

namespace {
constexpr const char *Module = "CFilterColumn";

using ColumnTypes::isNumber;
using ColumnTypes::isText;
} // namespace

CFilterColumn::CFilterColumn(const SearchTables *tables, ColumnDefinition definition)
    : m_tables(tables), m_def(std::move(definition))
{}

CFilterColumn::~CFilterColumn() = default;

CScPicklist *CFilterColumn::PickList()
{
    return traced("PickList(Get)", Module, static_cast<CScPicklist *>(nullptr), [&](CScPicklist *&result) {
        if (!m_pickList) {
            auto pickList = std::make_unique<CScPicklist>();
            pickList->Init(m_tables ? m_tables->handler() : nullptr, m_tables ? m_tables->baseStructure() : nullptr,
                           this);
            m_pickList = std::move(pickList);
        }
        result = m_pickList.get();
    });
}

QString CFilterColumn::CaptionOrName() const { return m_def.caption.isEmpty() ? m_def.name : m_def.caption; }

QString CFilterColumn::typeDisplayName() const { return basGlobals::ColumnTypeDisplayName(m_def.type); }

QString CFilterColumn::typePrompt() const
{
    auto &texts = HostKit::ResourceTexts::instance();
    switch (m_def.type) {
    case fcKeyword:
        return texts.Text(6916, {QString::number(m_def.textLengthInUI)});
    case fcText:
        return texts.Text(6919, {QString::number(m_def.textLengthInUI)});
    case fcInteger16:
        return texts.Text(6915);
    case fcInteger32:
        return texts.Text(6917);
    case fcSingle:
        return texts.Text(6918);
    case fcDouble:
        return texts.Text(6914);
    case fcDateTime:
        return texts.Text(6913);
    case fcBoolean:
        return texts.Text(6912);
    case fcNote:
        return texts.Text(6920);
    default:
        return {};
    }
}

Variant CFilterColumn::Value() const
{
    if (m_def.isPicklist && m_def.type != fcKeyword) {
        // A picklist column offers its entries as text; a blank choice of a non-text column is no
        // value at all.
        const IComboBox *combo = asComboBox();
        const QString text = combo ? combo->text().trimmed() : QString();
        if (isText(m_def.type))
            return Variant::text(text);
        if (text.isEmpty())
            return Variant::null();
        const auto v = Convert::parseForType(text, m_def.type);
        return v ? *v : ColumnTypes::zero(m_def.type);
    }
    switch (m_def.type) {
    case fcText:
    case fcNote: {
        const ITextBox *box = asTextBox();
        return Variant::text(box ? box->text().trimmed() : QString());
    }
    case fcInteger16:
    case fcInteger32:
    case fcSingle:
    case fcDouble:
    case fcDateTime: {
        const ITextBox *box = asTextBox();
        const QString text = box ? box->text().trimmed() : QString();
        if (text.isEmpty())
            return Variant::null();
        const auto v = Convert::parseForType(text, m_def.type);
        return v ? *v : ColumnTypes::zero(m_def.type);
    }
    case fcBoolean: {
        const ICheckBox *box = asCheckBox();
        return Variant::boolean(box && box->value() == ICheckBox::Checked);
    }
    default:
        return Variant::null();
    }
}

Variant CFilterColumn::DefaultValue(const QDateTime &now) const
{
    if (m_def.isPicklist && m_def.type != fcNote) {
        if (isText(m_def.type))
            return Variant::text(m_def.picklistDefault.trimmed());
        // A blank or unconvertible default of a non-text column is no default.
        return picklistDefaultValue();
    }
    if (m_def.type == fcNote)
        return Variant::text(m_def.picklistDefault);
    if (m_def.type == fcDateTime) {
        if (m_def.dateTimeDefaultMode == fcDTDM_Now)
            return Variant::date(now);
        return m_def.dateTimeDefaultValue.hasValue() ? Variant::date(m_def.dateTimeDefaultValue.toDate())
                                                     : Variant::null();
    }
    return ColumnTypes::zero(m_def.type); // the empty text, 0 or False
}

QString CFilterColumn::DefaultValueSql(const QDateTime &now) const
{
    const HostKit::Dialect *db = m_tables ? m_tables->dialect() : nullptr;
    return db ? columnLiteral(*db, m_def.type, DefaultValue(now)) : QStringLiteral("NULL");
}

Variant CFilterColumn::picklistDefaultValue() const
{
    // Stored defaults are in the C locale; one typed before that rule still reads in the user's.
    const auto v = Convert::readValue(m_def.picklistDefault, m_def.type);
    return v ? *v : Variant::null();
}

QString CFilterColumn::FormatPicklistValue(const QString &text) const
{
    if (text.isEmpty())
        return text;
    if (isText(m_def.type))
        return text.left(m_def.textLengthInUI > 0 ? m_def.textLengthInUI : text.size()).trimmed();
    if (isNumber(m_def.type) || m_def.type == fcDateTime) {
        const auto v = Convert::parseForType(text, m_def.type);
        if (v && v->hasValue())
            return v->toText();
    }
    return text;
}

std::optional<QString> CFilterColumn::SQLFormatPicklistValue(const QString &text, const QLocale &locale) const
{
    return traced("SQLFormatPicklistValue", Module, std::optional<QString>(), [&](std::optional<QString> &result) {
        const HostKit::Dialect *db = m_tables ? m_tables->dialect() : nullptr;
        require(db != nullptr, QStringLiteral("the column has no SQL dialect"));
        const QString t = text.trimmed();
        if (isText(m_def.type)) {
            result = db->QuoteText(t);
            return;
        }
        if (isNumber(m_def.type)) {
            const auto v = Convert::parseForType(t, m_def.type, locale);
            if (!v || !v->hasValue())
                return;
            const int kind = m_tables->handler() ? m_tables->handler()->DatabaseType() : 0;
            if (kind == HostKit::DatabaseKind::SqlServer) {
                static const char *const sqlTypes[] = {"SMALLINT", "INT", "REAL", "FLOAT"};
                result = QStringLiteral("CONVERT(%1, %2)")
                                 .arg(QLatin1String(sqlTypes[m_def.type - fcInteger16]), v->toText());
            } else {
                result = v->toText();
            }
            return;
        }
        if (m_def.type == fcDateTime) {
            if (const auto d = Convert::parseDate(t))
                result = db->SqlDateLiteral(*d);
        }
    });
}

ITextBox *CFilterColumn::asTextBox() const { return dynamic_cast<ITextBox *>(m_control); }

ICheckBox *CFilterColumn::asCheckBox() const { return dynamic_cast<ICheckBox *>(m_control); }

IComboBox *CFilterColumn::asComboBox() const { return dynamic_cast<IComboBox *>(m_control); }

ILabel *CFilterColumn::asLabel() const { return dynamic_cast<ILabel *>(m_control); }

void CFilterColumn::setCompanions(ILabel *label, IButton *addButton, IButton *removeButton, IButton *nowButton)
{
    m_label = label;
    m_addButton = addButton;
    m_removeButton = removeButton;
    m_nowButton = nowButton;
}

void CFilterColumn::releaseControls()
{
    m_control = nullptr;
    setCompanions(nullptr, nullptr, nullptr, nullptr);
}

bool CFilterColumn::IsBlank() const
{
    return traced("IsBlank", Module, true, [&](bool &result) {
        if (const ITextBox *t = asTextBox())
            result = t->text().trimmed().isEmpty();
        else if (const ICheckBox *c = asCheckBox())
            result = c->value() == ICheckBox::Unchecked;
        else if (const ILabel *l = asLabel())
            result = l->caption().trimmed().isEmpty();
        else if (const IComboBox *b = asComboBox())
            result = b->count() == 0;
    });
}

void CFilterColumn::putValue(const Variant &value, const QStringList &keys)
{
    if (ITextBox *box = asTextBox()) {
        if (m_def.type == fcDateTime) {
            const bool none = !value.hasValue() || (value.type() == Variant::Type::Text && value.toText().isEmpty());
            box->setText(none || Variant::isDateZero(value) ? QString() : Convert::displayText(value));
            return;
        }
        const QString text = value.hasValue() ? Convert::displayText(value) : QString();
        if (isText(m_def.type))
            box->setMaxLength(qMax(int(m_def.textLengthInUI), int(text.size())));
        box->setText(text);
    } else if (ICheckBox *check = asCheckBox()) {
        check->setValue(value.hasValue() && value.toBool() ? ICheckBox::Checked : ICheckBox::Unchecked);
    } else if (ILabel *label = asLabel()) {
        const bool on = value.hasValue() && value.toBool();
        label->setCaption(CaptionOrName() + QStringLiteral(" = ")
                          + (on ? QStringLiteral("True") : QStringLiteral("False")));
    } else if (IComboBox *combo = asComboBox()) {
        combo->clear();
        for (const QString &k : keys)
            combo->addItem(k);
        if (m_def.type == fcKeyword) {
            if (combo->count() > 0)
                combo->setListIndex(0);
            return;
        }
        const QString wanted = value.hasValue() ? Convert::displayText(value) : QString();
        for (int i = 0; i < combo->count(); ++i) {
            if (TextHelper::TextEqual(combo->itemText(i), wanted, 1)) {
                combo->setListIndex(i);
                break;
            }
        }
    }
}

void CFilterColumn::ResetData()
{
    traced("ResetData", Module, [&] { putValue(m_savedValue, m_savedKeys); });
}

void CFilterColumn::CopyTemplate()
{
    // A keyword column's list becomes the template's keywords; a picklist column keeps the entries
    // its list offers and selects the template's value among them.
    traced("CopyTemplate", Module,
           [&] { putValue(m_templateValue, m_def.type == fcKeyword ? m_templateKeys : m_savedKeys); });
}

void CFilterColumn::ClearValue()
{
    traced("ClearValue", Module, [&] {
        if (ITextBox *box = asTextBox()) {
            box->setText(QString());
        } else if (ICheckBox *check = asCheckBox()) {
            check->setValue(ICheckBox::Unchecked);
        } else if (IComboBox *combo = asComboBox()) {
            if (m_def.type == fcKeyword) {
                combo->clear();
                return;
            }
            combo->setListIndex(-1);
            for (int i = 0; i < combo->count(); ++i) {
                if (Convert::sameValueText(m_def.type, combo->itemText(i), m_def.picklistDefault)) {
                    combo->setListIndex(i);
                    break;
                }
            }
        }
    });
}

bool CFilterColumn::IsPicklistTableMissing() const
{
    return traced("IsPicklistTableMissing", Module, false, [&](bool &result) {
        if (!m_def.isPicklist || !m_tables || !m_tables->catalog())
            return;
        result = !HostKit::DatabaseHelper::FindTable(*m_tables->catalog(), m_tables->picklistTable(m_def.name));
    });
}

bool CFilterColumn::AddKeyword()
{
    return traced("AddKeyword", Module, false, [&](bool &result) {
        IComboBox *combo = asComboBox();
        if (!combo || combo->listIndex() >= 0)
            return;
        const QString keyword = combo->text().trimmed();
        if (keyword.isEmpty())
            return;
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemText(i) == keyword) {
                combo->setListIndex(i);
                return;
            }
        }
        combo->addItem(keyword);
        combo->setListIndex(combo->count() - 1);
        result = true;
    });
}

bool CFilterColumn::RemoveKeyword()
{
    return traced("RemoveKeyword", Module, false, [&](bool &result) {
        IComboBox *combo = asComboBox();
        if (!combo)
            return;
        const int i = combo->listIndex();
        if (i < 0)
            return;
        combo->removeItem(i);
        if (combo->count() > 0)
            combo->setListIndex(qMin(i, combo->count() - 1));
        else
            RefreshKeywordButtons();
        combo->setFocus();
        result = true;
    });
}

void CFilterColumn::RefreshKeywordButtons()
{
    traced("RefreshKeywordButtons", Module, [&] {
        IComboBox *combo = asComboBox();
        if (m_def.type != fcKeyword || !combo || !m_addButton)
            return;
        const bool selected = combo->listIndex() >= 0;
        m_addButton->setEnabled(!selected && !combo->text().trimmed().isEmpty());
        if (m_removeButton)
            m_removeButton->setEnabled(selected);
    });
}

bool CFilterColumn::Validate()
{
    const ITextBox *box = asTextBox();
    if (!box) {
        m_valid = true;
        return m_valid;
    }
    const QString text = box->text();
    switch (m_def.type) {
    case fcInteger16:
        m_valid = basValidate::IsIntegerText(text);
        break;
    case fcInteger32:
        m_valid = basValidate::IsLongText(text);
        break;
    case fcSingle:
        m_valid = basValidate::IsSingleText(text);
        break;
    case fcDouble:
        m_valid = basValidate::IsDoubleText(text);
        break;
    case fcDateTime:
        m_valid = basValidate::IsDateText(text, false);
        break;
    default:
        m_valid = true;
        break;
    }
    return m_valid;
}

} // namespace KvoPlx800SCtl
