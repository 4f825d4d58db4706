#include "mainwindow.h"

#include "referencehost/host.h"

#include "columns/cfiltercolumns.h"
#include "control/ukvosearch.h"
#include "core/columntypes.h"
#include "core/conversions.h"

#include "hostkit/adotypes.h"
#include "hostkit/messagebox.h"
#include "hostkit/recordset.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

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
#include <QTableWidget>
#include <QToolBar>

#include <cmath>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;

namespace {

constexpr int UnsavedChangesQuestion = 7872;
constexpr int ConfigureCaption = 7104;

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

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("tblRecords"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
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
    loadRecords();

    connect(m_table, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous, int) { currentRowChanged(row, previous); });
    if (!m_ids.isEmpty())
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

void DemoMainWindow::selectRow(int row)
{
    if (row < 0 || row >= m_table->rowCount())
        return;
    m_table->setCurrentCell(row, qMax(0, m_table->currentColumn()));
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

    m_configureAction = new QAction(ResourceTexts::instance().Text(ConfigureCaption) + QStringLiteral("..."), this);
    m_configureAction->setObjectName(QStringLiteral("actConfigure"));
    connect(m_configureAction, &QAction::triggered, this, &DemoMainWindow::configure);
    m_picklistsAction = libraryAction(fltr_FMI_EDITPICKLISTS);
    m_picklistsAction->setObjectName(QStringLiteral("actEditPicklists"));
    connect(m_picklistsAction, &QAction::triggered, this, &DemoMainWindow::editPicklists);
    updateActions();

    // The library's dialogs for these are not there yet.
    QAction *filter = libraryAction(fltr_FMI_FILTER);
    QAction *clearFilter = libraryAction(fltr_FMI_CLEARFILTER);
    for (QAction *action : {filter, clearFilter}) {
        action->setEnabled(false);
        action->setToolTip(action->text() + tr(" (not available yet)"));
    }

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
    m_configureAction->setEnabled(columns != nullptr);
    m_picklistsAction->setEnabled(columns && columns->HasPicklists());
}

QString DemoMainWindow::selectStatement(const QString &condition) const
{
    const Connection &db = m_session.connection();
    const QString table = m_session.structure->Name();
    const QString base = db.QuoteName(table);
    const QString fields = control()->SQLSearchFields();
    const QString join = control()->SQLSearchJoinOn();
    const QString searchTable = control()->SQLSearchTable();
    const bool joined = !fields.isEmpty() && !join.isEmpty() && !searchTable.isEmpty();

    QString sql = QStringLiteral("SELECT ") + base + QStringLiteral(".*");
    if (joined)
        sql += QLatin1Char(',') + fields;
    sql += QStringLiteral(" FROM ") + base;
    if (joined)
        sql += QStringLiteral(" LEFT JOIN ") + searchTable + QStringLiteral(" ON ") + join;
    if (!condition.isEmpty())
        sql += QStringLiteral(" WHERE ") + condition;
    if (!m_keyField.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + db.QualifiedName(table, m_keyField);
    return sql;
}

void DemoMainWindow::loadRecords()
{
    m_keyField.clear();
    for (const BaseIndexDefinition &index : m_session.structure->IndexDefinitions()) {
        if (index.Kind == IndexKind::Primary && index.Columns.size() == 1) {
            m_keyField = index.Columns.first();
            break;
        }
    }
    m_baseFieldCount = int(m_session.structure->FieldDescriptors().size());
    m_searchTypes.clear();
    if (CSearchFilter *filter = control()->MyFilter(); filter && filter->FilterColumns()) {
        for (const CFilterColumn *column : filter->FilterColumns()->NewEnum()) {
            if (column->ColumnType() != fcKeyword)
                m_searchTypes.append(column->ColumnType());
        }
    }

    const QSignalBlocker blocker(m_table);
    m_table->clear();
    m_table->setRowCount(0);
    m_ids.clear();
    m_shownRow = -1;
    std::unique_ptr<RecordSet> records = m_session.connection().OpenQuery(selectStatement());
    if (!records) {
        m_statusText->setText(tr("The records cannot be read: %1").arg(m_session.connection().lastError()));
        return;
    }
    m_baseTypes.clear();
    const QStringList names = records->fieldNames();
    for (int i = 0; i < names.size() && i < m_baseFieldCount; ++i) {
        const BaseFieldDescriptor *field = m_session.structure->FieldDescriptor(names.at(i));
        m_baseTypes.append(field ? field->Type : 0);
    }
    m_table->setColumnCount(int(names.size()));
    m_table->setHorizontalHeaderLabels(names);
    m_table->setRowCount(records->RecordCount());
    int row = 0;
    for (records->MoveFirst(); !records->EOF(); records->MoveNext(), ++row) {
        m_ids.append(m_keyField.isEmpty() ? 0 : records->value(m_keyField).toInt());
        fillRow(row, *records);
    }
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

void DemoMainWindow::fillRow(int row, const RecordSet &records)
{
    for (int field = 0; field < records.fieldCount(); ++field) {
        auto *item = new QTableWidgetItem(cellText(field, records.value(field)));
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        const bool number = field >= m_baseFieldCount
                                    ? ColumnTypes::isNumber(m_searchTypes.value(field - m_baseFieldCount, fcText))
                                    : records.fieldNames().at(field) == m_keyField;
        item->setTextAlignment(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
        m_table->setItem(row, field, item);
    }
}

// Reads one record again after its search values were saved.
void DemoMainWindow::refreshRow(int row)
{
    if (row < 0 || row >= m_ids.size() || m_keyField.isEmpty())
        return;
    const CSearchFilter *filter = control()->MyFilter();
    const QString key = filter && filter->FilterColumns() ? filter->FilterColumns()->keyLiteral(m_ids.at(row))
                                                          : QString::number(m_ids.at(row));
    const Connection &db = m_session.connection();
    std::unique_ptr<RecordSet> records = m_session.connection().OpenQuery(
            selectStatement(db.QualifiedName(m_session.structure->Name(), m_keyField) + QStringLiteral(" = ") + key));
    if (!records || records->EOF())
        return;
    const QSignalBlocker blocker(m_table);
    fillRow(row, *records);
}

// The control shows the record of `row`, in edit mode: the user may start editing.
void DemoMainWindow::showRow(int row)
{
    if (row < 0 || row >= m_ids.size() || m_keyField.isEmpty())
        return;
    const qint32 id = m_ids.at(row);
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
        const QSignalBlocker blocker(m_table);
        m_table->setCurrentCell(previous, qMax(0, m_table->currentColumn()));
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
    const int row = int(m_ids.indexOf(id));
    selectRow(row < 0 ? 0 : row);
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
    const int row = int(m_ids.indexOf(id));
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
    QString text = tr("%1 records in %2").arg(m_ids.size()).arg(m_session.structure->Name());
    if (m_entry)
        text += tr("  |  record %1").arg(m_entry->Id());
    text += QStringLiteral("  |  ") + m_databaseLabel;
    m_statusText->setText(text);
}
