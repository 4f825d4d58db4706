// The user's last filter in the user profile, and the filter request that offers it again.
#include "core/csearchfilter.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/tracescope.h"
#include "core/windows.h"

#include "hostkit/texthelper.h"
#include "hostkit/userprofile.h"

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CSearchFilter";

QString key(const char *word, int n) { return QLatin1String(word) + QString::number(n); }

bool hasCompareTo(FilterComparisonClasses cls)
{
    return cls == kvoCC_Keyword || cls == kvoCC_Text || cls == kvoCC_Numeric || cls == kvoCC_Date;
}
} // namespace

QString CSearchFilter::FilterSection(const QString &userKey, EFilterDatabaseModes mode) const
{
    const QString base = m_columns ? m_columns->baseTableName() : QString();
    return base + QLatin1Char('_') + userKey + (mode == fltrDBMode_Archive ? QStringLiteral("_Archive") : QString())
           + QStringLiteral("_Last_Filter");
}

std::unique_ptr<CFilterTerms> CSearchFilter::GetFilter(CFilterColumns *columns, IUserProfile *profile,
                                                       const QString &userKey, EFilterDatabaseModes mode) const
{
    return traced("GetFilter", Module, std::unique_ptr<CFilterTerms>(), [&](std::unique_ptr<CFilterTerms> &result) {
        if (!profile)
            return;
        auto terms = std::make_unique<CFilterTerms>();
        terms->setFilterColumns(columns);
        const QString section = FilterSection(userKey, mode);
        for (int n = 1;; ++n) {
            const QString field = profile->GetText(section, key("Field", n), QString());
            if (field.isEmpty())
                break;
            const QString table = profile->GetText(section, key("Table", n), QString());
            const FilterComparisonClasses cls = ComparisonClassOfField(field, table);
            const auto operation =
                    EComparisonOperations(profile->GetNumber(section, key("Operation", n), kvoOP_Equals));
            QString compareTo;
            if (hasCompareTo(cls)) {
                compareTo = profile->GetText(section, key("CompareTo", n), QString());
                // A date is stored by the profile's date writer; the filter holds it as the user
                // would type it.
                if (cls == kvoCC_Date) {
                    if (const auto date = Convert::parseDate(compareTo))
                        compareTo = Convert::displayDate(*date);
                }
            }
            const auto conjunction = EConjunctions(profile->GetNumber(section, key("Conjunction", n), kvoCJ_None));
            // A term whose column no longer exists is reported by Add and left out; the filter
            // keeps a note of it, so the dialog can tell the user.
            if (!terms->Add(conjunction, table, field, cls, operation, compareTo))
                terms->noteProblem({FilterTermProblem::NoSuchColumn, n, field, compareTo});
        }
        result = std::move(terms);
    });
}

void CSearchFilter::SaveFilter(const CFilterTerms *terms, CFilterColumns *columns, IUserProfile *profile,
                               const QString &userKey, EFilterDatabaseModes mode) const
{
    Q_UNUSED(columns);
    traced("SaveFilter", Module, [&] {
        if (!profile)
            return;
        const QString section = FilterSection(userKey, mode);
        require(profile->DeleteSection(section), QStringLiteral("the filter could not be written to the profile"));
        if (!terms)
            return;
        int n = 0;
        for (const CFilterTerm *t : terms->NewEnum()) {
            ++n;
            if (t->Conjunction() != kvoCJ_None)
                require(profile->SetNumber(section, key("Conjunction", n), t->Conjunction()),
                        QStringLiteral("the filter could not be written to the profile"));
            require(profile->SetText(section, key("Field", n), t->Field()),
                    QStringLiteral("the filter could not be written to the profile"));
            require(profile->SetText(section, key("Table", n), t->Table()),
                    QStringLiteral("the filter could not be written to the profile"));
            require(profile->SetNumber(section, key("Operation", n), t->Operation()),
                    QStringLiteral("the filter could not be written to the profile"));
            const FilterComparisonClasses cls = t->ComparisonClass();
            if (cls == kvoCC_Date) {
                if (const auto date = Convert::parseDate(t->CompareTo()))
                    require(profile->SetDate(section, key("CompareTo", n), *date),
                            QStringLiteral("the filter could not be written to the profile"));
                else
                    require(profile->SetText(section, key("CompareTo", n), t->CompareTo()),
                            QStringLiteral("the filter could not be written to the profile"));
            } else if (hasCompareTo(cls)) {
                require(profile->SetText(section, key("CompareTo", n), t->CompareTo()),
                        QStringLiteral("the filter could not be written to the profile"));
            }
        }
    });
}

std::unique_ptr<CFilterTerms> CSearchFilter::LastFilter(IUserProfile *oOldProfile, const QString &strUser,
                                                        EFilterDatabaseModes mode)
{
    return traced("LastFilter", Module, std::unique_ptr<CFilterTerms>(), [&](std::unique_ptr<CFilterTerms> &result) {
        if (!m_columns)
            return;
        CFilterColumns *columns = m_columns.get();
        IUserProfile *profile = columns->profile();
        const QString number = QString::number(TextHelper::instance().CurrentUserNumber());
        const auto found = [](const std::unique_ptr<CFilterTerms> &t) { return t && t->HasTerms(); };

        result = GetFilter(columns, profile, number, mode);
        if (found(result))
            return;
        // Saved by an older host under the user's name.
        result = GetFilter(columns, profile, strUser, mode);
        if (found(result)) {
            SaveFilter(nullptr, columns, oOldProfile, strUser, mode);
            SaveFilter(result.get(), columns, profile, number, mode);
            return;
        }
        // Saved in the older profile.
        result = GetFilter(columns, oOldProfile, strUser, mode);
        if (found(result)) {
            SaveFilter(nullptr, columns, oOldProfile, strUser, mode);
            SaveFilter(result.get(), columns, profile, strUser, mode);
            return;
        }
        result = std::make_unique<CFilterTerms>();
        result->setFilterColumns(columns);
    });
}

std::unique_ptr<CFilterTerms> CSearchFilter::Filter(IUserProfile *oOldProfile, const QString &strUser,
                                                    IFormsInterface *oFI, EFilterDatabaseModes enmMode,
                                                    FilterRequestStatus *status)
{
    FilterRequestStatus outcome = FilterRequestStatus::NotOpened;
    auto result = traced("Filter", Module, std::unique_ptr<CFilterTerms>(), [&](std::unique_ptr<CFilterTerms> &result) {
        if (!m_columns)
            return;
        SetupOwnerLocation(oFI);
        const std::unique_ptr<CFilterTerms> saved = LastFilter(oOldProfile, strUser, enmMode);
        ISearchFilterWindows *windows = searchFilterWindows();
        if (!windows) {
            reportNotAvailable("Filter", Module, QStringLiteral("the filter dialog"));
            return;
        }
        FilterDialogResult answer = windows->Filter(*m_columns, saved.get());
        outcome = answer.status;
        if (outcome != FilterRequestStatus::Applied || !answer.terms) {
            outcome = outcome == FilterRequestStatus::Applied ? FilterRequestStatus::NotOpened : outcome;
            return;
        }
        result = std::move(answer.terms);
        const QString number = QString::number(TextHelper::instance().CurrentUserNumber());
        SaveFilter(result.get(), m_columns.get(), m_columns->profile(), number, enmMode);
    });
    if (status)
        *status = outcome;
    return result;
}

} // namespace KvoPlx800SCtl
