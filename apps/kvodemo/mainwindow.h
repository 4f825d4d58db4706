#pragma once

#include "control/icontainer.h"
#include "core/interfaces.h"

#include "uisupport/windowsupport.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QDockWidget;
class QLabel;
class QTableWidget;
namespace KvoHost {
class Host;
}

namespace KvoPlx800SCtl {
class CSearchFilter;
class UKVOSearch;
namespace HostKit {
class RecordSet;
}
} // namespace KvoPlx800SCtl

// The dock's content: the data-entry control filling it. It is the control's container, so it
// keeps itself at least as large as the control's minimum size.
class ControlDock
    : public QWidget
    , public KvoPlx800SCtl::IContainer
{
public:
    explicit ControlDock(QWidget *parent = nullptr);
    KvoPlx800SCtl::UKVOSearch *control() const { return m_control; }

    float Height() const override;
    float Left() const override;
    float ScaleWidth() const override;
    void SizeMin() override;
    float TextWidth(QString &strText) const override;
    float Top() const override;
    float Width() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    KvoPlx800SCtl::UKVOSearch *m_control;
};

// The demo host's main window: the records of the base table joined with their search columns,
// and the data-entry control docked beside them showing the current record. The host accepts
// editing, saves on OK, and shows the saved values in the table row afterwards.
class DemoMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `session` must hold an open base table and outlive the window.
    DemoMainWindow(KvoHost::Host &session, const QString &databaseLabel, QWidget *parent = nullptr);
    ~DemoMainWindow() override;

    KvoPlx800SCtl::UKVOSearch *control() const;
    QTableWidget *records() const { return m_table; }
    int recordCount() const { return int(m_ids.size()); }
    // The key of the record shown in the control, 0 when none is.
    qint32 currentId() const;
    // Makes a table row current (it is then shown in the control).
    void selectRow(int row);
    // The SELECT over the base table and its search-data table, with an optional condition.
    QString selectStatement(const QString &condition = {}) const;

    // The host's own search filter, and the owner of the dialogs it opens.
    KvoPlx800SCtl::CSearchFilter *searchFilter() const;
    KvoPlx800SCtl::HostKit::IFormsInterface *formsInterface() { return &m_owner; }

    // The menu commands.
    void editData();
    void viewData();
    void reload();
    // The library's configuration dialog and picklist editors; afterwards the table and the
    // control show the columns as they are now.
    void configure();
    void editPicklists();
    // Opens the control's search filter again (it has one of its own) and reads the records again,
    // keeping the current record.
    void reopen();

signals:
    void recordDisplayed(qint32 id);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createActions();
    void connectControl();
    void openControl();
    void updateActions();
    void loadRecords();
    void fillRow(int row, const KvoPlx800SCtl::HostKit::RecordSet &records);
    void refreshRow(int row);
    void showRow(int row);
    void currentRowChanged(int row, int previous);
    // Asks about unsaved changes of the control; false when the user wants to stay.
    bool leaveRecord();
    QString cellText(int field, const QVariant &value) const;
    void updateStatus();

    KvoHost::Host &m_session;
    QString m_databaseLabel;
    KvoPlx800SCtl::WidgetFormsInterface m_owner{this};
    QTableWidget *m_table = nullptr;
    QDockWidget *m_dock = nullptr;
    ControlDock *m_dockContent = nullptr;
    QLabel *m_statusText = nullptr;
    QString m_keyField;
    int m_baseFieldCount = 0;
    QList<int> m_searchTypes; // column type of each search field after the base fields
    QList<int> m_baseTypes;   // ADO type of each base field
    QList<qint32> m_ids;      // key of each table row
    int m_shownRow = -1;
    std::unique_ptr<KvoPlx800SCtl::HostKit::RecordSet> m_record;
    std::unique_ptr<KvoPlx800SCtl::ISearchBaseEntry> m_entry;
    QAction *m_editAction = nullptr;
    QAction *m_viewAction = nullptr;
    QAction *m_configureAction = nullptr;
    QAction *m_picklistsAction = nullptr;
};
