#include "mainwindow.h"

#include "recordsmodel.h"

#include "referencehost/host.h"

#include "columns/cfiltercolumns.h"
#include "control/ukvosearch.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "filter/cfilterterms.h"
#include "filter/recordcount.h"

#include "hostkit/adotypes.h"
#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/texthelper.h"
#include "hostkit/userprofile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

#include <cmath>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

constexpr int UnsavedChangesQuestion = 7872;
constexpr int ConfigureCaption = 7104;

// Where the demo host remembers whether a filter is in force, per base table.
const QString HostSection = QStringLiteral("kvodemo");
QString filterAppliedKey(const QString &table) { return table + QStringLiteral("_FilterApplied"); }

bool isDateType(int adoType) { return adoType == adDate || adoType == adDBTimeStamp; }

} // namespace

// --- ControlDock --------------------------------------------------------------------------------

ControlDock::ControlDock(QWidget *parent) : QWidget(parent), m_control(new UKVOSearch(this))
{
    m_control->setObjectName(QStringLiteral("cseEdit"));
    m_control->InitProperties();
}

float ControlDock::Height() const { return toTwips(height()); }

float ControlDock::Left() const { return toTwips(x()); }

float ControlDock::ScaleWidth() const { return toTwips(width()); }

void ControlDock::SizeMin()
{
    setMinimumSize(int(std::ceil(m_control->WidthMin() / TwipsPerPixel)),
                   int(std::ceil(m_control->HeightMin() / TwipsPerPixel)));
}

float ControlDock::TextWidth(QString &strText) const { return toTwips(fontMetrics().horizontalAdvance(strText)); }

float ControlDock::Top() const { return toTwips(y()); }

float ControlDock::Width() const { return toTwips(width()); }

void ControlDock::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_control->setGeometry(rect());
}

// --- DemoMainWindow -----------------------------------------------------------------------------

DemoMainWindow::DemoMainWindow(KvoHost::Host &session, const QString &databaseLabel, QWidget *parent)
    : QMainWindow(parent), m_session(session), m_databaseLabel(databaseLabel)
{
    setObjectName(QStringLiteral("DemoMainWindow"));
    setWindowTitle(QStringLiteral("kvodemo - %1").arg(session.baseTable->TableName()));

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblRecords"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Column widths follow the first page of rows: a million rows are never read for them.
    m_table->horizontalHeader()->setResizeContentsPrecision(RecordsModel::PageSize);
    m_model = new RecordsModel(
            session.connection(), [this](int field, const QVariant &value) { return cellText(field, value); },
            [this](int field) { return isNumberField(field); }, this);
    m_table->setModel(m_model);
    setCentralWidget(m_table);

    m_dockContent = new ControlDock(this);
    // The Cancel button only while editing: viewing has nothing to cancel here. The table shows
    // the base record already.
    m_dockContent->control()->setShowCancelButton(false);
    m_dockContent->control()->setDisplayBaseRecord(false);
    m_dock = new QDockWidget(tr("Search Data"), this);
    m_dock->setObjectName(QStringLiteral("dockSearchData"));
    m_dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable
                        | QDockWidget::DockWidgetClosable);
    m_dock->setWidget(m_dockContent);
    addDockWidget(Qt::RightDockWidgetArea, m_dock);

    m_statusText = new QLabel(this);
    statusBar()->addWidget(m_statusText, 1);

    connectControl();
    openControl();
    createActions();
    restoreFilter();

    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                currentRowChanged(current.row(), previous.row());
            });
    if (recordCount() > 0)
        selectRow(0);
}

DemoMainWindow::~DemoMainWindow()
{
    UKVOSearch *cse = control();
    disconnect(cse, nullptr, this, nullptr);
    cse->CloseSearch();
}

UKVOSearch *DemoMainWindow::control() const { return m_dockContent->control(); }

CSearchFilter *DemoMainWindow::searchFilter() const { return m_session.filter.get(); }

qint32 DemoMainWindow::currentId() const { return m_entry ? m_entry->Id() : 0; }

int DemoMainWindow::recordCount() const { return m_model->rowCount(); }

qint64 DemoMainWindow::totalCount() const { return m_model->total(); }

QString DemoMainWindow::filterCondition() const { return m_filter ? m_filter->SQLString() : QString(); }

QString DemoMainWindow::statusText() const { return m_statusText->text(); }

void DemoMainWindow::selectRow(int row)
{
    if (row < 0 || row >= recordCount())
        return;
    m_table->setCurrentIndex(m_model->index(row, qMax(0, m_table->currentIndex().column())));
    if (m_shownRow != row)
        currentRowChanged(row, m_shownRow);
}

// The control opens on the session's base table.
void DemoMainWindow::openControl()
{
    control()->OpenSearch(m_dockContent, m_session.handler.get(), m_session.baseTable.get(), &m_session.catalog(),
                          m_session.profile.get(), 0, m_session.structure.get());
}

// The host accepts every request to edit, saves on OK (the control saves on Apply itself), and
// shows the saved values in the table.
void DemoMainWindow::connectControl()
{
    UKVOSearch *cse = control();
    connect(
            cse, &UKVOSearch::OnStartEditing, this, [](ISearchBaseEntry *&, bool &accepted) { accepted = true; },
            Qt::DirectConnection);
    connect(cse, &UKVOSearch::OkButtonClick, this, [this] {
        if (control()->IsDirty())
            control()->SaveData();
        refreshRow(m_shownRow);
    });
    connect(cse, &UKVOSearch::ApplyButtonClick, this, [this] { refreshRow(m_shownRow); });
    connect(cse, &UKVOSearch::Changed, this,
            [this] { m_editAction->setEnabled(control()->Exists() && !control()->IsEditing()); });
}

void DemoMainWindow::createActions()
{
    UKVOSearch *cse = control();
    const auto libraryAction = [&](int item) {
        return new QAction(iconFromPicture(cse->BitmapSmall(item)), cse->StandardCaption(item), this);
    };

    m_editAction = libraryAction(fltr_FMI_EDITDATA);
    m_editAction->setObjectName(QStringLiteral("actEditData"));
    m_editAction->setShortcut(Qt::Key_F2);
    connect(m_editAction, &QAction::triggered, this, &DemoMainWindow::editData);

    m_viewAction = libraryAction(fltr_FMI_VIEWDATA);
    m_viewAction->setObjectName(QStringLiteral("actViewData"));
    m_viewAction->setShortcut(Qt::Key_F3);
    connect(m_viewAction, &QAction::triggered, this, &DemoMainWindow::viewData);

    m_filterAction = libraryAction(fltr_FMI_FILTER);
    m_filterAction->setObjectName(QStringLiteral("actFilter"));
    m_filterAction->setShortcut(QKeySequence::Find);
    connect(m_filterAction, &QAction::triggered, this, &DemoMainWindow::filter);
    m_clearFilterAction = libraryAction(fltr_FMI_CLEARFILTER);
    m_clearFilterAction->setObjectName(QStringLiteral("actClearFilter"));
    m_clearFilterAction->setEnabled(false);
    connect(m_clearFilterAction, &QAction::triggered, this, &DemoMainWindow::clearFilter);
    QAction *filter = m_filterAction;
    QAction *clearFilter = m_clearFilterAction;

    m_configureAction = new QAction(ResourceTexts::instance().Text(ConfigureCaption) + QStringLiteral("..."), this);
    m_configureAction->setObjectName(QStringLiteral("actConfigure"));
    connect(m_configureAction, &QAction::triggered, this, &DemoMainWindow::configure);
    m_picklistsAction = libraryAction(fltr_FMI_EDITPICKLISTS);
    m_picklistsAction->setObjectName(QStringLiteral("actEditPicklists"));
    connect(m_picklistsAction, &QAction::triggered, this, &DemoMainWindow::editPicklists);
    updateActions();

    auto *reloadAction = new QAction(tr("&Reload"), this);
    reloadAction->setShortcut(QKeySequence::Refresh);
    connect(reloadAction, &QAction::triggered, this, &DemoMainWindow::reload);
    auto *quit = new QAction(tr("&Quit"), this);
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(reloadAction);
    file->addSeparator();
    file->addAction(quit);

    QMenu *search = menuBar()->addMenu(tr("&Search Data"));
    search->addAction(m_editAction);
    search->addAction(m_viewAction);
    search->addSeparator();
    search->addAction(filter);
    search->addAction(clearFilter);
    search->addSeparator();
    search->addAction(m_configureAction);
    search->addAction(m_picklistsAction);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(m_dock->toggleViewAction());

    QToolBar *tools = addToolBar(tr("Search Data"));
    tools->setObjectName(QStringLiteral("tbSearchData"));
    tools->setMovable(false);
    tools->setIconSize(QSize(16, 16));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addAction(m_editAction);
    tools->addAction(m_viewAction);
    tools->addSeparator();
    tools->addAction(filter);
    tools->addAction(clearFilter);
}

void DemoMainWindow::updateActions()
{
    const bool hasColumns = control()->Exists();
    m_editAction->setEnabled(hasColumns && !control()->IsEditing());
    m_viewAction->setEnabled(hasColumns);
    const CFilterColumns *columns = m_session.filter ? m_session.filter->FilterColumns() : nullptr;
    m_filterAction->setEnabled(columns != nullptr);
    m_configureAction->setEnabled(columns != nullptr);
    m_picklistsAction->setEnabled(columns && columns->HasPicklists());
}

// The filter in force when the window closed comes back: the user's last filter, if one was
// applied then.
void DemoMainWindow::restoreFilter()
{
    const QString table = m_session.structure->Name();
    if (m_session.profile && m_session.filter
        && m_session.profile->GetNumber(HostSection, filterAppliedKey(table), 0) == 1) {
        auto last = m_session.filter->LastFilter(nullptr, TextHelper::instance().CurrentUserName(), fltrDBMode_Normal);
        if (last && last->HasTerms())
            m_filter = std::move(last);
    }
    m_clearFilterAction->setEnabled(m_filter != nullptr);
    loadRecords();
}

// The host's query: the base table's fields and the search columns, the search data joined on
// the key, the records the filter selects.
void DemoMainWindow::loadRecords(bool sameTable)
{
    m_keyField.clear();
    for (const BaseIndexDefinition &index : m_session.structure->IndexDefinitions()) {
        if (index.Kind == IndexKind::Primary && index.Columns.size() == 1) {
            m_keyField = index.Columns.first();
            break;
        }
    }
    const QList<BaseFieldDescriptor> baseFields = m_session.structure->FieldDescriptors();
    m_baseFieldCount = int(baseFields.size());
    m_baseTypes.clear();
    for (const BaseFieldDescriptor &field : baseFields)
        m_baseTypes.append(field.Type);
    m_searchTypes.clear();
    if (CSearchFilter *filter = control()->MyFilter(); filter && filter->FilterColumns()) {
        for (const CFilterColumn *column : filter->FilterColumns()->NewEnum()) {
            if (column->ColumnType() != fcKeyword)
                m_searchTypes.append(column->ColumnType());
        }
    }

    const Connection &db = m_session.connection();
    const QString table = m_session.structure->Name();
    const QString base = db.QuoteName(table);
    const QString fields = control()->SQLSearchFields();
    const QString join = control()->SQLSearchJoinOn();
    const QString searchTable = control()->SQLSearchTable();
    const bool joined = !fields.isEmpty() && !join.isEmpty() && !searchTable.isEmpty();
    RecordsModel::Query query;
    query.select =
            QStringLiteral("SELECT ") + base + QStringLiteral(".*") + (joined ? QLatin1Char(',') + fields : QString());
    query.from = QStringLiteral("FROM ") + base
                 + (joined ? QStringLiteral(" LEFT JOIN ") + searchTable + QStringLiteral(" ON ") + join : QString());
    query.baseTable = table;
    query.keyField = m_keyField;

    const QSignalBlocker blocker(m_table->selectionModel());
    m_shownRow = -1;
    m_loadError.clear();
    if (m_keyField.isEmpty() || !m_model->load(query, filterCondition(), &m_loadError, sameTable)) {
        if (m_loadError.isEmpty())
            m_loadError = tr("the table has no single-field primary key");
    }
    // Widths follow the table's first page; a new filter keeps them.
    if (!sameTable)
        m_table->resizeColumnsToContents();
    updateStatus();
}

QString DemoMainWindow::cellText(int field, const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    if (field >= m_baseFieldCount) {
        const int type = m_searchTypes.value(field - m_baseFieldCount, fcText);
        const Variant v = Convert::fromDatabase(value, type);
        if (type == fcBoolean)
            return v.isNull() ? QString() : (v.toBool() ? tr("Yes") : tr("No"));
        return Convert::displayText(v);
    }
    if (isDateType(m_baseTypes.value(field)))
        return Convert::displayText(Convert::fromDatabase(value, fcDateTime));
    return value.toString();
}

bool DemoMainWindow::isNumberField(int field) const
{
    if (field >= m_baseFieldCount)
        return ColumnTypes::isNumber(m_searchTypes.value(field - m_baseFieldCount, fcText));
    return m_model->headerData(field, Qt::Horizontal).toString() == m_keyField;
}

// Reads one record again after its search values were saved.
void DemoMainWindow::refreshRow(int row) { m_model->refresh(row); }

// The control shows the record of `row`, in edit mode: the user may start editing.
void DemoMainWindow::showRow(int row)
{
    if (row < 0 || row >= recordCount() || m_keyField.isEmpty())
        return;
    const qint32 id = m_model->keyAt(row);
    const CSearchFilter *filter = control()->MyFilter();
    const QString key =
            filter && filter->FilterColumns() ? filter->FilterColumns()->keyLiteral(id) : QString::number(id);
    const Connection &db = m_session.connection();
    std::unique_ptr<RecordSet> record = m_session.connection().OpenQuery(
            QStringLiteral("SELECT * FROM ") + db.QuoteName(m_session.structure->Name()) + QStringLiteral(" WHERE ")
            + db.QuoteName(m_keyField) + QStringLiteral(" = ") + key);
    auto entry = std::make_unique<CMergeBaseEntry>(id);
    control()->Display(record.get(), entry.get(), cseModeEdit);
    // The control now holds the new record; the old one may go.
    m_record = std::move(record);
    m_entry = std::move(entry);
    m_shownRow = row;
    updateStatus();
    emit recordDisplayed(id);
}

void DemoMainWindow::currentRowChanged(int row, int previous)
{
    if (row == m_shownRow || row < 0)
        return;
    if (!leaveRecord()) {
        const QSignalBlocker blocker(m_table->selectionModel());
        m_table->setCurrentIndex(m_model->index(previous, qMax(0, m_table->currentIndex().column())));
        return;
    }
    showRow(row);
}

bool DemoMainWindow::leaveRecord()
{
    UKVOSearch *cse = control();
    if (!cse->IsDirty())
        return true;
    const int answer =
            ServicesHelper::instance().ShowMessage(ResourceTexts::instance().Text(UnsavedChangesQuestion),
                                                   MsgBox::vbYesNoCancel | MsgBox::vbQuestion, windowTitle(), &m_owner);
    if (answer == MsgBox::vbCancel)
        return false;
    if (answer == MsgBox::vbYes) {
        cse->SaveData();
        refreshRow(m_shownRow);
    }
    return true;
}

// Edit Data: the dock comes forward and the control starts editing the current record.
void DemoMainWindow::editData()
{
    m_dock->show();
    m_dock->raise();
    UKVOSearch *cse = control();
    if (!cse->IsEditing() && cse->EditMode() == cseModeEdit) {
        if (auto *edit = cse->findChild<QPushButton *>(QStringLiteral("cmdEdit")))
            edit->click();
    }
    cse->setFocus();
    if (const CSearchFilter *filter = cse->MyFilter(); filter && cse->IsEditing() && filter->Exists()) {
        if (IControl *first = filter->FilterColumns()->Item(1)->MyControl())
            first->setFocus();
    }
}

// View Data: the library's examine window over the current record.
void DemoMainWindow::viewData()
{
    if (!m_entry || !m_session.filter)
        return;
    m_session.filter->View(m_record.get(), m_entry.get(), &m_owner);
}

void DemoMainWindow::reload()
{
    if (!leaveRecord())
        return;
    const qint32 id = currentId();
    loadRecords();
    const int row = m_model->rowOf(id);
    selectRow(row < 0 ? 0 : row);
}

// Filter: the library's dialog, offered the user's last filter; OK shows the records the new
// filter selects (a filter cleared in the dialog shows them all).
void DemoMainWindow::filter()
{
    if (!m_session.filter || !leaveRecord())
        return;
    auto status = FilterRequestStatus::NotOpened;
    auto terms = m_session.filter->Filter(nullptr, TextHelper::instance().CurrentUserName(), &m_owner,
                                          fltrDBMode_Normal, &status);
    if (status == FilterRequestStatus::Applied)
        applyFilter(std::move(terms));
    else if (status == FilterRequestStatus::NotOpened)
        statusBar()->showMessage(tr("The filter dialog cannot be opened."), 5000);
}

// Clear Filter: every record again. The last filter stays in the profile for the dialog to offer.
void DemoMainWindow::clearFilter()
{
    if (leaveRecord())
        applyFilter(nullptr);
}

void DemoMainWindow::applyFilter(std::unique_ptr<CFilterTerms> terms)
{
    m_filter = terms && terms->HasTerms() ? std::move(terms) : nullptr;
    m_clearFilterAction->setEnabled(m_filter != nullptr);
    if (m_session.profile) {
        // Not remembered only means the next start shows every record.
        static_cast<void>(m_session.profile->SetNumber(HostSection, filterAppliedKey(m_session.structure->Name()),
                                                       m_filter ? 1 : 0));
    }
    const qint32 id = currentId();
    loadRecords(true);
    const int row = m_model->rowOf(id);
    selectRow(row < 0 ? 0 : row);
    if (recordCount() == 0)
        updateStatus();
}

void DemoMainWindow::configure()
{
    if (!leaveRecord() || !m_session.filter)
        return;
    m_session.filter->Configure(&m_owner);
    reopen();
}

void DemoMainWindow::editPicklists()
{
    if (!leaveRecord() || !m_session.filter || !m_session.filter->FilterColumns())
        return;
    m_session.filter->FilterColumns()->EditPicklists(&m_owner);
    reopen();
}

void DemoMainWindow::reopen()
{
    const qint32 id = currentId();
    UKVOSearch *cse = control();
    cse->CloseSearch();
    m_record.reset();
    m_entry.reset();
    openControl();
    updateActions();
    loadRecords();
    // A filter on a column that is gone selects nothing any more: every record again.
    if (!m_loadError.isEmpty() && m_filter)
        applyFilter(nullptr);
    const int row = m_model->rowOf(id);
    selectRow(row < 0 ? 0 : row);
}

void DemoMainWindow::closeEvent(QCloseEvent *event)
{
    if (leaveRecord())
        event->accept();
    else
        event->ignore();
}

void DemoMainWindow::updateStatus()
{
    const QString table = m_session.structure->Name();
    if (!m_loadError.isEmpty()) {
        m_statusText->setText(tr("The records cannot be read: %1").arg(m_loadError));
        return;
    }
    QString text = m_filter ? tr("%1 of %2 records in %3").arg(recordCount()).arg(totalCount()).arg(table)
                            : tr("%1 records in %2").arg(recordCount()).arg(table);
    if (m_entry)
        text += tr("  |  record %1").arg(m_entry->Id());
    text += QStringLiteral("  |  ") + m_databaseLabel;
    m_statusText->setText(text);
}
