#pragma once

// The inside of the data-entry control: its state, its child widgets and the per-column field
// rows (fieldrow.h). Shared by ukvosearch.cpp (surface, properties, lifecycle),
// ukvosearchlayout.cpp (field rows, arrangement, scrolling) and ukvosearchediting.cpp (editing,
// handlers, deferred update).

#include "fieldrow.h"
#include "ukvosearch.h"

#include "columns/cfiltercolumn.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <vector>

class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTimer;
class QTreeWidget;

namespace KvoPlx800SCtl {

class UKVOSearch::Private
    : public QObject
    , public IFieldRowHost
{
public:
    explicit Private(UKVOSearch *owner);
    ~Private() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // --- IFieldRowHost (ukvosearchediting.cpp) ----------------------------------------------
    bool isEntryOpen() const override { return mode == cseModeEdit && editing; }
    bool isRebuilding() const override { return rebuilding; }
    void markDirty() override;
    void scheduleUpdate() override { scheduleControlsUpdate(); }
    void showValidated(FieldRow &row) override;
    bool settleBefore(QPushButton *button) override;

    UKVOSearch *q;

    // --- State ------------------------------------------------------------------------------
    std::unique_ptr<CSearchFilter> filter;
    IContainer *container = nullptr;
    HostKit::RecordSet *sourceRecords = nullptr;
    ISearchBaseEntry *sourceEntry = nullptr;
    KVOSearchEditExamineModes mode = cseModeEdit;
    bool dirty = false;
    bool displayBaseRecord = true;
    bool showOk = true;
    bool showCancel = true;       // follows the editing state
    bool showCancelStored = true; // the persisted value, as the host set it
    qint16 borderStyle = 0;
    qint16 fieldsVisible = 0;
    float widthMin = 0;  // twips
    float heightMin = 0; // twips
    bool controlsBuilt = false;
    bool legacyButtons = false;
    bool editing = false;
    bool updatePending = false;
    QSet<QString> changedProperties;

    bool changingEditing = false; // set editing runs; a nested request is ignored
    bool inButtonRoutine = false; // Edit, OK, Apply or Cancel runs; nested presses are ignored
    bool rebuilding = false;      // field rows are being deleted; their handlers stay quiet
    quint64 rowGeneration = 0;    // changes whenever the field rows are deleted
    int gap = 4;                  // the layout unit g, logical pixels
    int labelColumnWidth = 0;

    // --- Fixed widgets ----------------------------------------------------------------------
    QFrame *picContainer = nullptr;
    QLabel *lblEntry = nullptr;
    QTreeWidget *lvwEntry = nullptr;
    QWidget *picView = nullptr;
    QWidget *picFields = nullptr;
    QScrollBar *vsbFields = nullptr;
    QFrame *picStatus = nullptr;
    QLabel *txtStatus = nullptr;
    QStatusBar *sbrStatus = nullptr;
    QList<QLabel *> statusPanels;
    QFrame *separator = nullptr; // picLine(1)
    QLabel *banner = nullptr;    // picLine(2), only while a banner is shown
    QLabel *lblFieldTemplate = nullptr;
    QPushButton *cmdAddTemplate = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdApply = nullptr;
    QPushButton *cmdReset = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdTemplateCopy = nullptr;
    QPushButton *cmdTemplatePaste = nullptr;
    QTimer *tmrUpdate = nullptr;
    QPointer<QPushButton> defaultButton;
    QPointer<QPushButton> cancelButton;

    std::vector<std::unique_ptr<FieldRow>> rows; // one per column, in column order

    // --- Surface (ukvosearch.cpp) -----------------------------------------------------------
    void createFixedControls();
    void setButtonCaptions();
    void retranslate();
    void markChanged(const QString &property);
    void applyBorderStyle();
    CFilterColumns *columns() const;
    // Control setup: read the record, build the controls when needed, show the values.
    void controlSetup();
    void closeSearch();

    // --- Layout (ukvosearchlayout.cpp) ------------------------------------------------------
    void sizeSetup();
    void setupBaseControls();
    void setupListView();
    void setupDataEntryFields();
    // Locks or opens the built rows for the editing state, in place where the row allows it.
    void relockFieldRows();
    FieldRowContext rowContext(CFilterColumn *column);
    std::unique_ptr<FieldRow> createRow(CFilterColumn *column);
    void attachRow(FieldRow &row);
    void deleteFieldRows();
    void controlsArrange();
    void arrangeFields(int width);
    void arrangeButtons();
    void placeBanner();
    void calculateMinimumHeight();
    void tabOrder();
    void repositionFields(int value);
    void checkVisible(const FieldRow &row);
    bool entriesLocked() const { return !isEntryOpen(); }
    QPushButton *makeButton(const char *name, int textNumber);
    FieldRow *rowOf(const QObject *widget) const;
    FieldRow *rowFor(const CFilterColumn *column) const;

    // --- Editing (ukvosearchediting.cpp) ----------------------------------------------------
    void setEditing(bool value);
    void resetData();
    bool saveData();
    void clearData();
    bool isClear() const;
    void scheduleControlsUpdate();
    void testControlsUpdate();
    void runControlsUpdate();
    void updateStatus(const QString &text);
    void prompts(CFilterColumn *column);
    void refreshStatusText();
    QString validityText(const CFilterColumn *focused) const;
    void clearPanels();
    void addPanel(const QString &text);

    // Button routines; `byCode` skips the guards a click would meet (Display and CloseSearch).
    void cmdEditClick();
    void cmdOkClick();
    void cmdApplyClick();
    void cmdCancelClick(bool byCode);
    void cmdResetClick();
    void cmdClearClick();
    void cmdTemplateCopyClick();
    void cmdTemplatePasteClick();
    void focusAndIdle(QPushButton *button);
    // A click's routine: never re-entered; `button` takes the focus and pending events are handled
    // before `body` runs, unless the control ended meanwhile. `self` tells `body` whether the
    // control still exists after an event it raised.
    void buttonRoutine(const char *name, QPushButton *button,
                       const std::function<void(const QPointer<UKVOSearch> &self)> &body);

    // Entry-control events (the rows handle their own change signals and buttons).
    void fieldGotFocus(QWidget *widget);
    void fieldLostFocus(QWidget *widget, Qt::FocusReason reason);
    bool fieldKeyPress(QWidget *widget, QKeyEvent *event);
    bool fieldContextMenu(QWidget *widget, QContextMenuEvent *event);
    bool controlKeyPress(QKeyEvent *event);
};

} // namespace KvoPlx800SCtl
