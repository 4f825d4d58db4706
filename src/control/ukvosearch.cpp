// The data-entry control's surface: public members, persisted properties, opening, displaying
// and closing. The field rows and the arrangement are in ukvosearchlayout.cpp, editing and the
// deferred update in ukvosearchediting.cpp.
#include "ukvosearch_p.h"

#include "columns/cfiltercolumns.h"
#include "core/basglobals.h"
#include "core/tracescope.h"

#include "hostkit/catalog.h"
#include "hostkit/databasehelper.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include "uisupport/windowsupport.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

namespace KvoPlx800SCtl {

namespace {

constexpr const char *Module = "KVOSearchEdit";

QString prop(const char *name) { return QString::fromLatin1(name); }

// A stored Boolean: a Boolean, a number (non-zero is true) or the texts True/False, 1/0, -1.
bool readBoolean(const IPropertyBag &bag, const char *name, bool defaultValue)
{
    const QVariant v = bag.ReadProperty(prop(name), defaultValue);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return v.toLongLong() != 0;
    case QMetaType::QString: {
        const QString t = v.toString().trimmed().toLower();
        if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("-1"))
            return true;
        if (t == QLatin1String("false") || t == QLatin1String("0"))
            return false;
        return defaultValue;
    }
    default:
        return defaultValue;
    }
}

// A stored 16-bit integer; anything else (or out of range) gives the default.
qint16 readInt16(const IPropertyBag &bag, const char *name, qint16 defaultValue)
{
    const QVariant v = bag.ReadProperty(prop(name), defaultValue);
    bool ok = false;
    const qlonglong n = v.typeId() == QMetaType::QString ? v.toString().trimmed().toLongLong(&ok) : v.toLongLong(&ok);
    if (!ok || n < -32768 || n > 32767)
        return defaultValue;
    return qint16(n);
}

} // namespace

// --- Private ------------------------------------------------------------------------------------

UKVOSearch::Private::Private(UKVOSearch *owner) : q(owner) {}

UKVOSearch::Private::~Private()
{
    // The columns end with the filter; none may keep a widget of this control.
    if (CFilterColumns *set = columns()) {
        for (CFilterColumn *c : set->NewEnum())
            c->releaseControls();
    }
    // The rows delete their widgets; the events those raise meanwhile are not handled.
    rebuilding = true;
    rows.clear();
}

CFilterColumns *UKVOSearch::Private::columns() const { return filter ? filter->FilterColumns() : nullptr; }

void UKVOSearch::Private::markChanged(const QString &property) { changedProperties.insert(property); }

void UKVOSearch::Private::applyBorderStyle()
{
    if (!picContainer)
        return;
    if (borderStyle == 1) {
        picContainer->setFrameStyle(QFrame::Box | QFrame::Plain);
        picContainer->setLineWidth(1);
    } else {
        picContainer->setFrameStyle(QFrame::NoFrame);
    }
}

QPushButton *UKVOSearch::Private::makeButton(const char *name, int textNumber)
{
    auto *button = new QPushButton(picContainer);
    button->setObjectName(QString::fromLatin1(name));
    setResourceText(button, textNumber);
    // Enter and Esc are the control's own business (see controlKeyPress).
    button->setAutoDefault(false);
    button->hide();
    return button;
}

void UKVOSearch::Private::createFixedControls()
{
    picContainer = new QFrame(q);
    picContainer->setObjectName(QStringLiteral("picContainer"));

    lblEntry = new QLabel(picContainer);
    lblEntry->setObjectName(QStringLiteral("lblEntry"));
    lvwEntry = new QTreeWidget(picContainer);
    lvwEntry->setObjectName(QStringLiteral("lvwEntry"));
    lvwEntry->setRootIsDecorated(false);
    lvwEntry->setItemsExpandable(false);
    lvwEntry->setUniformRowHeights(true);
    lvwEntry->setSelectionMode(QAbstractItemView::NoSelection);
    lvwEntry->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    picView = new QWidget(picContainer);
    picView->setObjectName(QStringLiteral("picView"));
    picView->installEventFilter(this);
    picFields = new QWidget(picView);
    picFields->setObjectName(QStringLiteral("picFields"));
    vsbFields = new QScrollBar(Qt::Vertical, picContainer);
    vsbFields->setObjectName(QStringLiteral("vsbFields"));
    vsbFields->setRange(0, 100);
    vsbFields->hide();
    connect(vsbFields, &QScrollBar::valueChanged, this, [this](int value) { repositionFields(value); });

    picStatus = new QFrame(picContainer);
    picStatus->setObjectName(QStringLiteral("picStatus"));
    picStatus->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    picStatus->hide();
    txtStatus = new QLabel(picStatus);
    txtStatus->setObjectName(QStringLiteral("txtStatus"));
    txtStatus->setWordWrap(true);

    sbrStatus = new QStatusBar(picContainer);
    sbrStatus->setObjectName(QStringLiteral("sbrStatus"));
    sbrStatus->setSizeGripEnabled(false);

    separator = new QFrame(picContainer);
    separator->setObjectName(QStringLiteral("picLine"));
    separator->setProperty("Index", 1);
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    // Member 0 of the label and Add button arrays: hidden, measured by the sizing setup.
    lblFieldTemplate = new QLabel(QStringLiteral("W"), picContainer);
    lblFieldTemplate->setObjectName(QStringLiteral("lblField"));
    lblFieldTemplate->setProperty("Index", 0);
    lblFieldTemplate->hide();
    cmdAddTemplate = makeButton("cmdAdd", 8074);
    cmdAddTemplate->setProperty("Index", 0);

    cmdOk = makeButton("cmdOk", 8066);
    cmdCancel = makeButton("cmdCancel", 8073);
    cmdApply = makeButton("cmdApply", 8067);
    cmdReset = makeButton("cmdReset", 8064);
    cmdClear = makeButton("cmdClear", 8076);
    cmdEdit = makeButton("cmdEdit", 8070);
    cmdTemplateCopy = makeButton("cmdTemplateCopy", 8081);
    cmdTemplatePaste = makeButton("cmdTemplatePaste", 8082);

    connect(cmdEdit, &QPushButton::clicked, this, [this] { cmdEditClick(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOkClick(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApplyClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancelClick(false); });
    connect(cmdReset, &QPushButton::clicked, this, [this] { cmdResetClick(); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClearClick(); });
    connect(cmdTemplateCopy, &QPushButton::clicked, this, [this] { cmdTemplateCopyClick(); });
    connect(cmdTemplatePaste, &QPushButton::clicked, this, [this] { cmdTemplatePasteClick(); });

    tmrUpdate = new QTimer(q);
    tmrUpdate->setObjectName(QStringLiteral("tmrUpdate"));
    tmrUpdate->setSingleShot(true);
    connect(tmrUpdate, &QTimer::timeout, this, [this] {
        tmrUpdate->stop();
        testControlsUpdate();
    });

    q->installEventFilter(this);
}

void UKVOSearch::Private::setButtonCaptions()
{
    setResourceText(cmdOk, 8066);
    setResourceText(cmdApply, 8067);
    setResourceText(cmdReset, 8064);
    setResourceText(cmdCancel, 8073);
    setResourceText(cmdClear, 8076);
    setResourceText(cmdTemplateCopy, 8081);
    setResourceText(cmdTemplatePaste, 8082);
    setResourceText(cmdEdit, 8070);
}

// Another language: every text shown again in it, the computed ones (banner, status line and
// prompts) made anew, and the layout fitted to the new widths.
void UKVOSearch::Private::retranslate()
{
    traced("LanguageChange", Module, [&] {
        retranslateTexts(q);
        if (banner)
            runControlsUpdate();
        const QWidget *focus = QApplication::focusWidget();
        const FieldRow *row = focus ? rowOf(focus) : nullptr;
        if (!statusPanels.isEmpty() && row && focus == row->entry())
            prompts(row->column());
        else if (!txtStatus->text().isEmpty())
            refreshStatusText();
        sizeSetup();
        if (container)
            container->SizeMin();
        controlsArrange();
    });
}

bool UKVOSearch::Private::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == q) {
        switch (event->type()) {
        case QEvent::Resize:
            controlsArrange();
            break;
        case QEvent::KeyPress:
            if (controlKeyPress(static_cast<QKeyEvent *>(event)))
                return true;
            break;
        default:
            break;
        }
        return false;
    }
    if (watched == picView) {
        if (event->type() == QEvent::Resize) {
            repositionFields(vsbFields->value());
        } else if (event->type() == QEvent::Wheel && !vsbFields->isHidden()) {
            QCoreApplication::sendEvent(vsbFields, event);
            return true;
        }
        return false;
    }
    if (rebuilding)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
        fieldGotFocus(widget);
        break;
    case QEvent::FocusOut:
        fieldLostFocus(widget, static_cast<QFocusEvent *>(event)->reason());
        break;
    case QEvent::KeyPress:
        return fieldKeyPress(widget, static_cast<QKeyEvent *>(event));
    default:
        break;
    }
    return false;
}

void UKVOSearch::Private::controlSetup()
{
    traced("ControlSetup", Module, [&] {
        if (legacyButtons)
            markChanged(QStringLiteral("OkCancelButtons"));
        CFilterColumns *set = columns();
        if (!set)
            return;
        // A column that cannot be read has reported why and shows as empty; the others are shown.
        static_cast<void>(set->GetData(sourceEntry));
        // The base record changes with every Display, not only when the fields are rebuilt.
        setupListView();
        if (!controlsBuilt) {
            setupBaseControls();
            setupDataEntryFields();
            picFields->raise();
            controlsArrange();
            tabOrder();
            controlsBuilt = true;
        }
        // The status bar belongs to the edit mode, which Display may have changed.
        calculateMinimumHeight();
        resetData();
    });
}

void UKVOSearch::Private::closeSearch()
{
    if (editing)
        cmdCancelClick(true);
    controlsBuilt = false;
    editing = false;
    dirty = false;
    deleteFieldRows();
    if (banner) {
        delete banner;
        banner = nullptr;
    }
    clearPanels();
    updateStatus(QString());
    lvwEntry->clear();
    lvwEntry->setColumnCount(0);
    filter.reset();
    container = nullptr;
    sourceRecords = nullptr;
    sourceEntry = nullptr;
    scheduleControlsUpdate();
}

// --- UKVOSearch -----------------------------------------------------------------------------------

UKVOSearch::UKVOSearch(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>(this))
{
    d->createFixedControls();
    d->setupBaseControls();
    d->sizeSetup();
    d->calculateMinimumHeight();
}

UKVOSearch::~UKVOSearch()
{
    d->tmrUpdate->stop();
    d->rebuilding = true;
    if (CFilterColumns *set = d->columns()) {
        for (CFilterColumn *c : set->NewEnum())
            c->releaseControls();
    }
    // Ending the inside first drops every connection and event filter it holds on the widgets,
    // which QWidget deletes afterwards.
    d.reset();
}

void UKVOSearch::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        d->retranslate();
}

HostKit::Picture UKVOSearch::BitmapLarge(int enmBitmapId) const
{
    return traced("BitmapLarge(Get)", Module, HostKit::Picture{},
                  [&](HostKit::Picture &result) { result = basGlobals::BitmapLarge(enmBitmapId); });
}

HostKit::Picture UKVOSearch::BitmapSmall(int enmBitmapId) const
{
    return traced("BitmapSmall(Get)", Module, HostKit::Picture{},
                  [&](HostKit::Picture &result) { result = basGlobals::BitmapSmall(enmBitmapId); });
}

qint16 UKVOSearch::BorderStyle() const { return d->borderStyle; }

void UKVOSearch::setBorderStyle(qint16 style)
{
    traced("BorderStyle(Let)", Module, [&] {
        d->borderStyle = style;
        d->applyBorderStyle();
        d->markChanged(QStringLiteral("BorderStyle"));
        d->controlsArrange();
        update();
    });
}

void UKVOSearch::CloseSearch()
{
    traced("CloseSearch", Module, [&] { d->closeSearch(); });
}

bool UKVOSearch::IsDirty() const { return d->dirty; }

void UKVOSearch::Display(HostKit::RecordSet *rstSource, ISearchBaseEntry *oSource, KVOSearchEditExamineModes enmMode)
{
    traced("Display", Module, [&] {
        if (!d->filter)
            return;
        if (d->editing && enmMode == cseModeExamine) {
            QPointer<UKVOSearch> self(this);
            d->cmdCancelClick(true);
            if (!self || !d->filter)
                return;
        }
        d->sourceRecords = rstSource;
        d->sourceEntry = oSource;
        d->mode = enmMode;
        d->controlSetup();
        if (d->container)
            d->container->SizeMin();
        d->controlsArrange();
    });
}

bool UKVOSearch::DisplayBaseRecord() const { return d->displayBaseRecord; }

void UKVOSearch::setDisplayBaseRecord(bool display)
{
    traced("DisplayBaseRecord(Let)", Module, [&] {
        d->displayBaseRecord = display;
        d->markChanged(QStringLiteral("DisplayBaseRecord"));
        d->calculateMinimumHeight();
        d->controlsArrange();
    });
}

KVOSearchEditExamineModes UKVOSearch::EditMode() const { return d->mode; }

bool UKVOSearch::Enabled() const { return isEnabled(); }

void UKVOSearch::setEnabledProperty(bool enabled)
{
    traced("Enabled(Let)", Module, [&] {
        setEnabled(enabled);
        d->markChanged(QStringLiteral("Enabled"));
    });
}

bool UKVOSearch::Exists() const
{
    return traced("Exists", Module, false, [&](bool &result) { result = d->filter && d->filter->Exists(); });
}

qint16 UKVOSearch::FieldsVisible() const { return d->fieldsVisible; }

void UKVOSearch::setFieldsVisible(qint16 count)
{
    // Stored and persisted only: neither the minimum height nor the arrangement reads it.
    d->fieldsVisible = count;
    d->markChanged(QStringLiteral("FieldsVisible"));
}

float UKVOSearch::HeightMin() const { return d->heightMin; }

bool UKVOSearch::IsEditing() const { return d->editing; }

CSearchFilter *UKVOSearch::MyFilter() const { return d->filter.get(); }

bool UKVOSearch::OpenSearch(IContainer *obj, HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable,
                            HostKit::Catalog *roCatalog, HostKit::IUserProfile *roProfile, int enmConvertMode,
                            HostKit::IBaseTableStructure *roBaseStructure)
{
    return traced("OpenSearch", Module, false, [&](bool &result) {
        d->closeSearch();
        auto newFilter = std::make_unique<CSearchFilter>();
        newFilter->OpenSearch(roHandler, roBaseTable, roCatalog, roProfile, enmConvertMode, roBaseStructure);
        if (CFilterColumns *set = newFilter->FilterColumns()) {
            HostKit::Catalog *catalog = set->catalog();
            const bool tableFound =
                    catalog && roBaseTable && HostKit::DatabaseHelper::FindTable(*catalog, roBaseTable->TableName());
            if (obj && tableFound) {
                d->filter = std::move(newFilter);
                d->container = obj;
            }
        }
        result = d->filter && d->container;
    });
}

void UKVOSearch::Refresh() { update(); }

void UKVOSearch::ResetData()
{
    traced("ResetData", Module, [&] { d->resetData(); });
}

bool UKVOSearch::SaveData()
{
    return traced("SaveData", Module, false, [&](bool &result) { result = d->saveData(); });
}

void UKVOSearch::ShowAboutBox()
{
    traced("ShowAboutBox", Module, [&] {
        const QString title = HostKit::ServicesHelper::instance().ApplicationTitle();
        QMessageBox::about(this, title, tr("%1\nKvoPlx800SCtl search columns").arg(title));
    });
}

bool UKVOSearch::ShowCancelButton() const { return d->showCancel; }

void UKVOSearch::setShowCancelButton(bool show)
{
    traced("ShowCancelButton(Let)", Module, [&] {
        d->showCancel = show;
        d->showCancelStored = show;
        d->markChanged(QStringLiteral("ShowCancelButton"));
        d->controlsArrange();
        d->scheduleControlsUpdate();
    });
}

bool UKVOSearch::ShowOKButton() const { return d->showOk; }

void UKVOSearch::setShowOKButton(bool show)
{
    traced("ShowOKButton(Let)", Module, [&] {
        d->showOk = show;
        d->markChanged(QStringLiteral("ShowOKButton"));
        d->scheduleControlsUpdate();
    });
}

QString UKVOSearch::SQLSearchFields() const
{
    return traced("SQLSearchFields", Module, QString(),
                  [&](QString &result) { result = Exists() ? d->filter->SQLSearchFields() : QString(); });
}

QString UKVOSearch::SQLSearchJoinOn() const
{
    return traced("SQLSearchJoinOn", Module, QString(),
                  [&](QString &result) { result = Exists() ? d->filter->SQLSearchJoinOn() : QString(); });
}

QString UKVOSearch::SQLSearchTable() const
{
    return traced("SQLSearchTable", Module, QString(),
                  [&](QString &result) { result = Exists() ? d->filter->SQLSearchTable() : QString(); });
}

QString UKVOSearch::StandardCaption(int enmCaptionId) const
{
    return traced("StandardCaption(Get)", Module, QString(),
                  [&](QString &result) { result = basGlobals::StandardCaption(enmCaptionId); });
}

float UKVOSearch::WidthMin() const { return d->widthMin; }

// --- Persisted properties -------------------------------------------------------------------------

void UKVOSearch::InitProperties()
{
    traced("InitProperties", Module, [&] {
        setEnabledProperty(true);
        setShowOKButton(true);
        setShowCancelButton(true);
        setDisplayBaseRecord(true);
        setBorderStyle(0);
        setFieldsVisible(0);
        d->sizeSetup();
    });
}

void UKVOSearch::ReadProperties(const IPropertyBag &bag)
{
    traced("ReadProperties", Module, [&] {
        d->setButtonCaptions();
        d->clearPanels();
        setEnabledProperty(readBoolean(bag, "Enabled", true));
        d->legacyButtons = !readBoolean(bag, "OkCancelButtons", true);
        setShowCancelButton(readBoolean(bag, "ShowCancelButton", true));
        setShowOKButton(readBoolean(bag, "ShowOKButton", true));
        setDisplayBaseRecord(readBoolean(bag, "DisplayBaseRecord", true));
        const qint16 border = readInt16(bag, "BorderStyle", 0);
        setBorderStyle(border == 0 || border == 1 ? border : 0);
        setFieldsVisible(readInt16(bag, "FieldsVisible", 0));
        d->sizeSetup();
        d->changedProperties.clear();
    });
}

void UKVOSearch::WriteProperties(IPropertyBag &bag) const
{
    traced("WriteProperties", Module, [&] {
        bag.WriteProperty(prop("Enabled"), Enabled(), true);
        // A legacy "OkCancelButtons" of False is written as its default, so it leaves the bag.
        if (d->legacyButtons)
            bag.WriteProperty(prop("OkCancelButtons"), true, true);
        bag.WriteProperty(prop("ShowOKButton"), d->showOk, true);
        bag.WriteProperty(prop("ShowCancelButton"), d->showCancelStored, true);
        bag.WriteProperty(prop("DisplayBaseRecord"), d->displayBaseRecord, true);
        bag.WriteProperty(prop("BorderStyle"), int(d->borderStyle), 0);
        bag.WriteProperty(prop("FieldsVisible"), int(d->fieldsVisible), 0);
        d->changedProperties.clear();
    });
}

bool UKVOSearch::isPropertyChanged(const QString &name) const { return d->changedProperties.contains(name); }

} // namespace KvoPlx800SCtl
