#include "cscpicklist.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/tracescope.h"
#include "core/windows.h"

#include "hostkit/texthelper.h"

#include <QRegularExpression>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CFilterColumns";

// The number a text starts with ("12.5 mm" gives 12.5); 0 when it starts with none.
double leadingNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

std::optional<QDateTime> dateOf(const QString &text)
{
    // Stored defaults are ISO text; one typed in the user's locale is read as well.
    if (const auto d = Convert::parseDate(text, QLocale::c()))
        return d;
    return Convert::parseDate(text);
}

std::optional<bool> booleanOf(const QString &text)
{
    if (const auto b = Convert::parseBoolean(text, QLocale::c()))
        return b;
    return Convert::parseBoolean(text);
}

bool sameDefault(FilterColumnTypeConstants type, const QString &a, const QString &b)
{
    switch (type) {
    case fcKeyword:
    case fcText:
    case fcNote:
        return TextHelper::TextEqual(a, b);
    case fcDateTime:
        return dateOf(a) == dateOf(b);
    case fcBoolean:
        return booleanOf(a) == booleanOf(b);
    default:
        return leadingNumber(a) == leadingNumber(b);
    }
}
} // namespace

bool CFilterColumns::HasPicklists() const
{
    return traced("HasPicklists(Get)", Module, false, [&](bool &result) {
        for (const auto &column : m_columns) {
            if (column->IsPicklist()) {
                result = true;
                return;
            }
        }
    });
}

void CFilterColumns::EditPicklists(IFormsInterface *oFI)
{
    traced("EditPicklists", Module, [&] {
        CFilterColumn *only = nullptr;
        int count = 0;
        for (const auto &column : m_columns) {
            if (!column->IsPicklist())
                continue;
            only = column.get();
            if (++count >= 2)
                break;
        }
        if (count >= 2) {
            SelectAndEditPicklist(oFI);
        } else if (count == 1) {
            CScPicklist *pickList = only->PickList();
            require(pickList != nullptr, QStringLiteral("the column has no picklist object"));
            pickList->Edit(oFI);
        }
    });
}

void CFilterColumns::SelectAndEditPicklist(IFormsInterface *oFI)
{
    traced("SelectAndEditPicklist", Module, [&] {
        if (ISearchFilterWindows *windows = searchFilterWindows())
            windows->SelectAndEditPicklist(*this, oFI);
        else
            reportNotAvailable("SelectAndEditPicklist", Module, QStringLiteral("the picklist selection dialog"));
    });
}

bool CFilterColumns::PicklistChanged(const CFilterColumn *oldColumn, const CFilterColumn *newColumn) const
{
    return traced("PicklistChanged", Module, false, [&](bool &result) {
        if (!oldColumn)
            return;
        if (!newColumn) {
            result = true;
            return;
        }
        if (oldColumn->IsPicklist() != newColumn->IsPicklist()) {
            result = true;
            return;
        }
        if (!oldColumn->IsPicklist())
            return;
        result = oldColumn->PicklistAllowBlanks() != newColumn->PicklistAllowBlanks()
                 || oldColumn->ColumnType() != newColumn->ColumnType()
                 || !sameDefault(newColumn->ColumnType(), oldColumn->PicklistDefault(), newColumn->PicklistDefault());
    });
}

} // namespace KvoPlx800SCtl
