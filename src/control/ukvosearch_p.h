#pragma once

// The inside of the data-entry control: its state, its child widgets and the per-column field
// rows. Shared by ukvosearch.cpp (surface, properties, lifecycle), ukvosearchlayout.cpp (field
// rows, arrangement, scrolling) and ukvosearchediting.cpp (editing, handlers, deferred update).

#include "ukvosearch.h"
#include "widgetcontrols.h"

#include "columns/cfiltercolumn.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

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

// The widgets of one column: the label (none for a check box), the entry control bound to the
// column, and the buttons of the row. Built by the factory functions of the field setup and
// deleted as a whole at every rebuild.
struct FieldRow
{
    CFilterColumn *column = nullptr;
    QString name;  // the column's name, also each widget's "Tag"
    int index = 0; // the column's Index; each widget's "Index"

    QLabel *label = nullptr;
    LabelControl *labelControl = nullptr;
    QWidget *entry = nullptr;
    IControl *control = nullptr;
    QPushButton *now = nullptr;
    QPushButton *add = nullptr;
    QPushButton *remove = nullptr;
    ButtonControl *nowControl = nullptr;
    ButtonControl *addControl = nullptr;
    ButtonControl *removeControl = nullptr;

    int templateWidth = 0; // the width the entry control asks for (its width template)
    bool stretch = false;  // the entry control takes the whole width left (note boxes)
    QRect bounds;          // the row inside the field area after the last arrangement

    QList<QWidget *> widgets() const;
};

class UKVOSearch::Private : public QObject
{
public:
    explicit Private(UKVOSearch *owner);
    ~Private() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

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

    std::vector<FieldRow> rows;

    // --- Surface (ukvosearch.cpp) -----------------------------------------------------------
    void createFixedControls();
    void setButtonCaptions();
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
    void deleteFieldRows();
    void controlsArrange();
    void arrangeFields(int width);
    void arrangeButtons();
    void placeBanner();
    void calculateMinimumHeight();
    void tabOrder();
    void repositionFields(int value);
    void checkVisible(const FieldRow &row);
    bool entriesLocked() const;
    QPushButton *makeButton(const char *name, int textNumber);
    FieldRow *rowOf(const QObject *widget);

    // --- Editing (ukvosearchediting.cpp) ----------------------------------------------------
    void setEditing(bool value);
    void resetData();
    void saveData();
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
    void showValidity(FieldRow &row);
    void connectRow(FieldRow &row);

    // Button routines; `byCode` skips the guards a click would meet (Display and CloseSearch).
    void cmdEditClick();
    void cmdOkClick();
    void cmdApplyClick();
    void cmdCancelClick(bool byCode);
    void cmdResetClick();
    void cmdClearClick();
    void cmdTemplateCopyClick();
    void cmdTemplatePasteClick();
    void cmdAddClick(const QString &tag);
    void cmdRemoveClick(const QString &tag);
    void cmdNowClick(const QString &tag);
    void focusAndIdle(QPushButton *button);

    // Entry-control events.
    void textChanged(const QString &tag);
    void noteChanged(const QString &tag);
    void checkToggled(const QString &tag);
    void keywordComboChanged(const QString &tag);
    void pickComboChanged(const QString &tag);
    void fieldGotFocus(QWidget *widget);
    void fieldLostFocus(QWidget *widget, Qt::FocusReason reason);
    bool fieldKeyPress(QWidget *widget, QKeyEvent *event);
    bool controlKeyPress(QKeyEvent *event);
};

} // namespace KvoPlx800SCtl
