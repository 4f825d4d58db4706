// The two demonstration column sets and their sample values.
#include "basglobals.h"
#include "csearchfilter.h"
#include "tracescope.h"

#include "columns/cfiltercolumns.h"
#include "picklists/cscpicklist.h"

#include "hostkit/connection.h"
#include "hostkit/progress.h"
#include "hostkit/serviceshelper.h"

#include <array>
#include <vector>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {
constexpr const char *Module = "CSearchFilter";

struct DemoColumn
{
    const char *name;
    const char *caption;
    FilterColumnTypeConstants type;
    qint16 textLength;
    bool picklist;
    bool allowBlanks;
    const char *picklistDefault;
    bool disableEditDateTime;
};

struct DemoSet
{
    std::vector<DemoColumn> columns;
    const char *picklistColumn;
    std::vector<const char *> entries;
};

const DemoSet &dncFileSet()
{
    static const DemoSet set{
            {
                    {"DrawingNo", "Drawing Number", fcText, 20, false, false, "", true},
                    {"PartNo", "Part Number", fcText, 20, false, false, "", true},
                    {"Customer", "", fcText, 20, true, true, "", true},
            },
            "Customer",
            {"Acme Machine", "General Parts", "Northside Auto Supply", "Valley Gear and Axle", "Harbor Mfg"},
    };
    return set;
}

const DemoSet &packetSet()
{
    static const DemoSet set{
            {
                    {"OpNo", "Operation Number", fcText, 10, false, false, "", true},
                    {"OpType", "Operation Type", fcText, 20, true, true, "", true},
                    {"Description", "", fcNote, 255, false, true, "Add description here!", false},
            },
            "OpType",
            {"Drill", "Finish Cut", "Mill", "Rough Cut"},
    };
    return set;
}

void buildDemoSet(CFilterColumns &columns, const DemoSet &set, IProgress *roProgress, IFormsInterface *oFI)
{
    std::unique_ptr<IProgress> indicator = ServicesHelper::instance().ProgressIndicator(oFI, roProgress);
    struct Close
    {
        IProgress *progress;
        ~Close()
        {
            if (progress)
                progress->End();
        }
    } close{indicator.get()};

    for (const DemoColumn &c : set.columns) {
        const CFilterColumn *added =
                columns.Add(QString::fromUtf8(c.name), QString::fromUtf8(c.caption), QString(), c.type, c.textLength,
                            c.picklist, c.allowBlanks, QString::fromUtf8(c.picklistDefault), fcDTDM_Now,
                            Variant::date(Variant::dateZero()), c.disableEditDateTime);
        require(added != nullptr, QStringLiteral("the demo column %1 cannot be added").arg(QString::fromUtf8(c.name)));
    }
    require(columns.ColumnsSave(roProgress), QStringLiteral("the demo columns cannot be saved"));
    require(columns.ColumnsFetch(), QStringLiteral("the demo columns cannot be read back"));

    CFilterColumn *column = columns.Item(QString::fromUtf8(set.picklistColumn));
    require(column != nullptr, QStringLiteral("the demo picklist column is missing"));
    CScPicklist *pickList = column->PickList();
    require(pickList != nullptr, QStringLiteral("the demo picklist column has no picklist"));
    QStringList entries;
    for (const char *entry : set.entries)
        entries.append(QString::fromUtf8(entry));
    require(pickList->SaveAdditions(entries), QStringLiteral("the demo picklist entries cannot be saved"));
}

// One UPDATE of the search-data row of `entry` with three text values; no row is inserted.
void updateDemoRow(CFilterColumns *columns, ISearchBaseEntry *entry, const std::array<const char *, 3> &fields,
                   const std::array<QString, 3> &values)
{
    if (!entry || !columns)
        return;
    Connection *db = columns->connection();
    require(db != nullptr, QStringLiteral("no database connection"));
    QString setList;
    for (size_t i = 0; i < fields.size(); ++i)
        db->AddUpdatePair(setList, QString::fromUtf8(fields[i]), db->QuoteText(values[i]));
    const QString sql = QStringLiteral("UPDATE ") + db->QuoteName(columns->SearchDataTableName())
                        + QStringLiteral(" SET ") + setList + QStringLiteral(" WHERE ")
                        + columns->SearchTableSeekCriteria(entry);
    if (!db->ExecuteSql(sql))
        fail(db->lastError());
}

} // namespace

void CSearchFilter::CreateDemoColumnSet(EDemoColumnSet enmDemoSet, IProgress *roProgress, IFormsInterface *oFI)
{
    traced("CreateDemoColumnSet", Module, [&] {
        if (Exists())
            return;
        switch (enmDemoSet) {
        case fltrDCS_DncFile:
        case fltrDCS_Packet:
            require(m_columns != nullptr, QStringLiteral("the search filter has no column set"));
            buildDemoSet(*m_columns, enmDemoSet == fltrDCS_DncFile ? dncFileSet() : packetSet(), roProgress, oFI);
            break;
        default: {
            ServicesHelper &services = ServicesHelper::instance();
            services.ShowMessage(basGlobals::DemoSetName(enmDemoSet) + QStringLiteral(" is not implemented yet"), 0,
                                 services.ApplicationTitle(), oFI);
            break;
        }
        }
    });
}

void CSearchFilter::UpdateDemoDncFile(IProgress *roProgress, IFormsInterface *oFI, ISearchBaseEntry *sbeDncFile,
                                      const QString &strDrawingNo, const QString &strPartNo, const QString &strCustomer)
{
    Q_UNUSED(roProgress);
    Q_UNUSED(oFI);
    traced("UpdateDemoDncFile", Module, [&] {
        updateDemoRow(m_columns.get(), sbeDncFile, {"DrawingNo", "PartNo", "Customer"},
                      {strDrawingNo, strPartNo, strCustomer});
    });
}

void CSearchFilter::UpdateDemoPacket(IProgress *roProgress, IFormsInterface *oFI, ISearchBaseEntry *sbePacket,
                                     const QString &strOpNo, const QString &strOpType, const QString &strDescription)
{
    Q_UNUSED(roProgress);
    Q_UNUSED(oFI);
    traced("UpdateDemoPacket", Module, [&] {
        updateDemoRow(m_columns.get(), sbePacket, {"OpNo", "OpType", "Description"},
                      {strOpNo, strOpType, strDescription});
    });
}

} // namespace KvoPlx800SCtl
