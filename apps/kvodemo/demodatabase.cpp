#include "demodatabase.h"

#include "referencehost/columndef.h"
#include "referencehost/host.h"
#include "referencehost/tables.h"

#include "columns/cfiltercolumns.h"
#include "core/controls.h"
#include "core/conversions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace KvoPlx800SCtl;

namespace DemoDatabase {

namespace {

const QStringList customers = {QStringLiteral("Acme Machine"), QStringLiteral("General Parts"),
                               QStringLiteral("Northside Auto Supply"), QStringLiteral("Valley Gear and Axle"),
                               QStringLiteral("Harbor Mfg")};
const QStringList operations = {QStringLiteral("Drill"), QStringLiteral("Mill"), QStringLiteral("Tap"),
                                QStringLiteral("Bore"), QStringLiteral("Chamfer")};

QString dataDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share/kvodemo");
    return dir;
}

// The columns the demo adds to the DNC-file set: one of each kind the set lacks.
bool addDemoColumns(CFilterColumns &columns)
{
    return KvoHost::addColumns(columns, {{.name = QStringLiteral("Operations"),
                                          .type = fcKeyword,
                                          .caption = QStringLiteral("Operations"),
                                          .description = QStringLiteral("Machining operations of the program")},
                                         {.name = QStringLiteral("Revision"),
                                          .type = fcInteger16,
                                          .caption = QStringLiteral("Revision"),
                                          .textLengthInUI = 0,
                                          .description = QStringLiteral("Revision of the program")},
                                         {.name = QStringLiteral("Released"),
                                          .type = fcDateTime,
                                          .caption = QStringLiteral("Released"),
                                          .textLengthInUI = 0,
                                          .description = QStringLiteral("When the program was released")},
                                         {.name = QStringLiteral("Proven"),
                                          .type = fcBoolean,
                                          .caption = QStringLiteral("Proven Out"),
                                          .textLengthInUI = 0,
                                          .description = QStringLiteral("The program ran on the machine")}});
}

// The sample values of record `id`: the three demonstration values, keywords for most records,
// and the typed columns. Every fifth record keeps an empty customer.
bool fillRecord(KvoHost::Host &session, int id)
{
    CSearchFilter &filter = *session.filter;
    CFilterColumns &columns = *filter.FilterColumns();
    CMergeBaseEntry entry(id);
    if (!filter.InitializeSearchData(&entry))
        return false;
    filter.UpdateDemoDncFile(nullptr, nullptr, &entry, QStringLiteral("D-%1").arg(1000 + id * 7),
                             QStringLiteral("P%1-%2").arg(id, 3, 10, QLatin1Char('0')).arg(QChar(u'A' + id % 4)),
                             id % 5 == 0 ? QString() : customers.at(id % customers.size()));

    ComboBoxModel keywords;
    for (int i = 0; i < id % 4; ++i)
        keywords.addItem(operations.at((id + i * 2) % operations.size()));
    CFilterColumn *keywordColumn = columns.Item(QStringLiteral("Operations"));
    if (keywordColumn)
        keywordColumn->setMyControl(&keywords);
    if (CFilterColumn *c = columns.Item(QStringLiteral("Revision")))
        c->setUpdatedValue(Variant::int16(qint16(1 + id % 4)));
    if (CFilterColumn *c = columns.Item(QStringLiteral("Released")); c && id % 3 != 0)
        c->setUpdatedValue(Variant::date(Convert::makeDate(QDate(2024, 2, 1).addDays(id * 9), QTime(9 + id % 8, 30))));
    if (CFilterColumn *c = columns.Item(QStringLiteral("Proven")))
        c->setUpdatedValue(Variant::boolean(id % 3 != 1));
    const bool saved = columns.SaveDataFromClientUpdates(&entry);
    if (keywordColumn)
        keywordColumn->releaseControls();
    return saved;
}

} // namespace

QString defaultTable() { return QStringLiteral("DncFiles"); }

QString defaultPath() { return dataDirectory() + QStringLiteral("/demo.sqlite"); }

QString profilePath() { return dataDirectory() + QStringLiteral("/profile.ini"); }

bool create(KvoHost::Host &session, int records, QString *error)
{
    if (!KvoHost::createSampleHostTables(session.catalog(), records, error))
        return false;
    session.openTable(defaultTable(), {}, profilePath());
    if (!session.filter || !session.filter->FilterColumns()) {
        *error = QStringLiteral("the search columns of %1 cannot be set up").arg(defaultTable());
        return false;
    }
    session.filter->CreateDemoColumnSet(fltrDCS_DncFile, nullptr, nullptr);
    if (!addDemoColumns(*session.filter->FilterColumns())) {
        *error = QStringLiteral("the demonstration columns cannot be saved");
        return false;
    }
    session.reopenFilter();
    if (!session.filter->Exists()) {
        *error = QStringLiteral("the demonstration columns cannot be read back");
        return false;
    }
    for (int id = 1; id <= records; ++id) {
        if (!fillRecord(session, id)) {
            *error = QStringLiteral("the sample values of record %1 cannot be saved").arg(id);
            return false;
        }
    }
    return true;
}

bool openDefault(KvoHost::Host &session, const QString &path, QString *error)
{
    const bool fresh = !QFileInfo::exists(path);
    if (fresh && !QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    if (!session.open(QStringLiteral("sqlite:") + path, error))
        return false;
    if (!fresh) {
        session.openTable(defaultTable(), {}, profilePath());
        return true;
    }
    if (create(session, 25, error))
        return true;
    session.close();
    QFile::remove(path);
    return false;
}

} // namespace DemoDatabase
