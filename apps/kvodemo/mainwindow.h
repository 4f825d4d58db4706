#pragma once

#include "control/icontainer.h"
#include "core/interfaces.h"

#include "uisupport/windowsupport.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QDockWidget;
class QLabel;
class QTableView;
class RecordsModel;
namespace KvoHost {
class Host;
}

namespace KvoPlx800SCtl {
class CFilterTerms;
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
// editing, saves on OK, and shows the saved values in the table row afterwards. Filter opens the
// library's filter dialog and shows the records it selects; the filter in force is restored when
// the window opens again. The table fetches its rows as they come into view, so a table of a
// million records opens at once.
class DemoMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `session` must hold an open base table and outlive the window.
    DemoMainWindow(KvoHost::Host &session, const QString &databaseLabel, QWidget *parent = nullptr);
    ~DemoMainWindow() override;

    KvoPlx800SCtl::UKVOSearch *control() const;
    // The host's search filter of the base table; nullptr when there is none.
    KvoPlx800SCtl::CSearchFilter *searchFilter() const;
    // The owner of the dialogs the window opens.
    KvoPlx800SCtl::HostKit::IFormsInterface *formsInterface() { return &m_owner; }
    QTableView *records() const { return m_table; }
    RecordsModel *model() const { return m_model; }
    // The records shown (those the filter selects) and the records of the table.
    int recordCount() const;
    qint64 totalCount() const;
    // The key of the record shown in the control, 0 when none is.
    qint32 currentId() const;
    // Makes a table row current (it is then shown in the control).
    void selectRow(int row);
    // The condition of the filter in force; empty without one.
    QString filterCondition() const;
    QString statusText() const;

    // The menu commands.
    void editData();
    void viewData();
    void filter();
    void clearFilter();
    void reload();
    // Shows the records `terms` select (every record for nullptr or a filter without terms) and
    // remembers in the profile whether a filter is in force.
    void applyFilter(std::unique_ptr<KvoPlx800SCtl::CFilterTerms> terms);
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
    void restoreFilter();
    // Reads the records of the host's query; `sameTable`: only the filter changed.
    void loadRecords(bool sameTable = false);
    QString cellText(int field, const QVariant &value) const;
    bool isNumberField(int field) const;
    void refreshRow(int row);
    void showRow(int row);
    void currentRowChanged(int row, int previous);
    // Asks about unsaved changes of the control; false when the user wants to stay.
    bool leaveRecord();
    void updateStatus();

    KvoHost::Host &m_session;
    QString m_databaseLabel;
    KvoPlx800SCtl::WidgetFormsInterface m_owner{this};
    QTableView *m_table = nullptr;
    RecordsModel *m_model = nullptr;
    QDockWidget *m_dock = nullptr;
    ControlDock *m_dockContent = nullptr;
    QLabel *m_statusText = nullptr;
    QString m_keyField;
    int m_baseFieldCount = 0;
    QList<int> m_searchTypes; // column type of each search field after the base fields
    QList<int> m_baseTypes;   // ADO type of each base field
    int m_shownRow = -1;
    std::unique_ptr<KvoPlx800SCtl::CFilterTerms> m_filter; // in force; nullptr without one
    QString m_loadError;
    std::unique_ptr<KvoPlx800SCtl::HostKit::RecordSet> m_record;
    std::unique_ptr<KvoPlx800SCtl::ISearchBaseEntry> m_entry;
    QAction *m_editAction = nullptr;
    QAction *m_viewAction = nullptr;
    QAction *m_filterAction = nullptr;
    QAction *m_clearFilterAction = nullptr;
    QAction *m_configureAction = nullptr;
    QAction *m_picklistsAction = nullptr;
};
