#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace KvoPlx800SCtl::HostKit {

class Catalog;

// Check-table result codes of the database handler. 0 lets a check or conversion go on; 1 to 5
// stop it and are handed back to the host unchanged.
namespace CheckTableResult {
constexpr int Continue = 0;
constexpr int Declined = 1;   // the user (or the host) declined the conversion
constexpr int NotAllowed = 2; // the database may not be changed now
constexpr int Failed = 3;     // the conversion could not be done
constexpr int Cancelled = 4;  // cancelled through the progress indicator
constexpr int Busy = 5;       // the tables are in use
} // namespace CheckTableResult

// Convert modes: 0 checks and first offers a needed conversion through ConvertRequest; 1
// converts without asking.
namespace ConvertMode {
constexpr int CheckOnly = 0;
constexpr int Convert = 1;
} // namespace ConvertMode

// The host's database handler as the library sees it.
class IDatabaseHandler
{
public:
    virtual ~IDatabaseHandler();
    // Asked before tables are converted: a check-table result code (0 = go on).
    virtual int ConvertRequest(const QString &connectionString, const QString &tableName, int convertMode) = 0;
    // Database kind code (dialect.h, DatabaseKind).
    virtual int DatabaseType() const = 0;
    // Length of the text fields of tables the library creates without a length of their own.
    virtual int DefaultTextLength() const { return 255; }
    // Drops a table of the catalog's database.
    [[nodiscard]] virtual bool DropTable(Catalog &catalog, const QString &table);
};

// Reference handler. The convert question goes to a replaceable answer function; without one it
// is asked through the services helper's message box (Yes = go on, No = Declined).
class DatabaseHandler : public IDatabaseHandler
{
public:
    using ConvertAnswer = std::function<int(const QString &connectionString, const QString &tableName, int mode)>;

    explicit DatabaseHandler(int databaseType);

    int ConvertRequest(const QString &connectionString, const QString &tableName, int convertMode) override;
    int DatabaseType() const override { return m_databaseType; }
    int DefaultTextLength() const override { return m_defaultTextLength; }

    void setDatabaseType(int type) { m_databaseType = type; }
    void setConvertAnswer(ConvertAnswer answer) { m_answer = std::move(answer); }
    // Tables the handler was asked about, in order.
    const QStringList &convertRequests() const { return m_requests; }

private:
    int m_databaseType;
    static constexpr int m_defaultTextLength = 255;
    ConvertAnswer m_answer;
    QStringList m_requests;
};

} // namespace KvoPlx800SCtl::HostKit
