// The data-entry control's widgets: the fixed frame, one row of entry controls per column, the
// arrangement, the minimum size, the tab order and the scrolling of the field area. Sizes are
// logical pixels here; WidthMin and HeightMin are handed out in twips.
#include "ukvosearch_p.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/tracescope.h"

#include "uisupport/windowsupport.h"

#include "hostkit/formsinterface.h"
#include "hostkit/recordset.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTreeWidget>

#include <cmath>

namespace KvoPlx800SCtl {

namespace {

constexpr const char *Module = "KVOSearchEdit";

QString listText(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return Convert::displayDate(value.toDateTime());
    return value.toString();
}

} // namespace

FieldRow *UKVOSearch::Private::rowOf(const QObject *widget) const
{
    for (const auto &row : rows) {
        if (row->contains(widget))
            return row.get();
    }
    return nullptr;
}

FieldRow *UKVOSearch::Private::rowFor(const CFilterColumn *column) const
{
    for (const auto &row : rows) {
        if (row->column() == column)
            return row.get();
    }
    return nullptr;
}

// --- Sizing setup ---------------------------------------------------------------------------------

void UKVOSearch::Private::sizeSetup()
{
    traced("SizeSetup", Module, [&] {
        gap = qMax(2, lblFieldTemplate->sizeHint().height() / 2);
        const int containerFrame = 2 * picContainer->frameWidth();
        const int viewFrame = 0; // the viewport has no border of its own
        const double fifteenW = q->fontMetrics().horizontalAdvance(QString(15, QLatin1Char('W')));
        const double fields = 2 * gap + cmdOk->sizeHint().width() + containerFrame + viewFrame + 1.5 * fifteenW
                              + 2 * cmdAddTemplate->sizeHint().width() + 2 * gap;
        // The row of buttons while editing, each as wide as its caption (arrangeButtons squeezes
        // them only when a host makes the control narrower than this).
        int buttons = containerFrame + 3 * gap;
        for (QPushButton *b : {cmdApply, cmdReset, cmdClear, cmdTemplateCopy, cmdTemplatePaste, cmdOk, cmdCancel})
            buttons += b->sizeHint().width() + gap;
        widthMin = float(std::ceil(qMax(fields, double(buttons))) * HostKit::TwipsPerPixel);
    });
}

// --- Fixed controls and list view ----------------------------------------------------------------

void UKVOSearch::Private::setupBaseControls()
{
    traced("SetupBaseControls", Module, [&] {
        const CFilterColumns *set = columns();
        setResourceText(lblEntry, 7392, {set ? set->baseTableName() : QString()});
        setResourceText(cmdAddTemplate, 8074);
        applyBorderStyle();
    });
}

void UKVOSearch::Private::setupListView()
{
    traced("SetupListView", Module, [&] {
        lvwEntry->clear();
        lvwEntry->setColumnCount(0);
        if (!sourceRecords || !sourceRecords->isOpen())
            return;
        const QStringList fields = sourceRecords->fieldNames();
        lvwEntry->setHeaderLabels(fields);
        if (!sourceRecords->EOF() && !sourceRecords->BOF()) {
            QStringList values;
            for (int i = 0; i < fields.size(); ++i)
                values.append(listText(sourceRecords->value(i)));
            lvwEntry->addTopLevelItem(new QTreeWidgetItem(values));
        }
        // A header is widened when its value needs more room.
        for (int i = 0; i < fields.size(); ++i)
            lvwEntry->resizeColumnToContents(i);
    });
}

// --- Field rows -----------------------------------------------------------------------------------

void UKVOSearch::Private::deleteFieldRows()
{
    rebuilding = true;
    ++rowGeneration;
    if (QWidget *focus = QApplication::focusWidget(); focus && picFields->isAncestorOf(focus))
        picView->setFocus(Qt::OtherFocusReason);
    if (CFilterColumns *set = columns()) {
        for (CFilterColumn *c : set->NewEnum())
            c->releaseControls();
    }
    for (const auto &row : rows) {
        row->column()->releaseControls();
        for (QWidget *w : row->widgets())
            w->removeEventFilter(this);
    }
    rows.clear();
    rebuilding = false;
}

FieldRowContext UKVOSearch::Private::rowContext(CFilterColumn *column)
{
    FieldRowContext context;
    context.column = column;
    context.parent = picFields;
    context.host = this;
    context.locked = entriesLocked();
    context.labelLimit = 2 * cmdAddTemplate->sizeHint().width();
    return context;
}

std::unique_ptr<FieldRow> UKVOSearch::Private::createRow(CFilterColumn *column)
{
    std::unique_ptr<FieldRow> row = createFieldRow(rowContext(column));
    for (QWidget *w : row->widgets())
        w->show();
    attachRow(*row);
    return row;
}

void UKVOSearch::Private::attachRow(FieldRow &row)
{
    row.bind();
    // The control watches focus and keystrokes of everything but the label.
    for (QWidget *w : row.widgets()) {
        if (w != row.label())
            w->installEventFilter(this);
    }
    // What is pasted passes the same check as what is typed: through the context menu
    // (fieldContextMenu; the event goes to a multi-line box's viewport and to an editable
    // combo box's line edit) or Ctrl+V, and nothing is dropped into a checked box.
    if (row.keystrokeLimit()) {
        row.entry()->setAcceptDrops(false);
        if (auto *area = qobject_cast<QAbstractScrollArea *>(row.entry()))
            area->viewport()->installEventFilter(this);
        else if (auto *combo = qobject_cast<QComboBox *>(row.entry()); combo && combo->lineEdit())
            combo->lineEdit()->installEventFilter(this);
    }
}

void UKVOSearch::Private::setupDataEntryFields()
{
    traced("SetupDataEntryFields", Module, [&] {
        deleteFieldRows();
        labelColumnWidth = 0;
        CFilterColumns *set = columns();
        if (!set)
            return;
        rows.reserve(std::size_t(set->Count()));
        for (CFilterColumn *c : set->NewEnum()) {
            rows.push_back(createRow(c));
            labelColumnWidth = qMax(labelColumnWidth, rows.back()->labelWidth());
        }
    });
}

void UKVOSearch::Private::relockFieldRows()
{
    traced("RelockFieldRows", Module, [&] {
        const bool locked = entriesLocked();
        for (auto &row : rows) {
            if (relockFieldRow(*row, locked)) {
                // Buttons and line edits the row gained are watched too (installing a filter
                // again moves it, it does not double it).
                attachRow(*row);
                continue;
            }
            // The column takes another kind of row in this state: only that row is made anew.
            CFilterColumn *column = row->column();
            if (QWidget *focus = QApplication::focusWidget(); focus && row->contains(focus))
                picView->setFocus(Qt::OtherFocusReason);
            for (QWidget *w : row->widgets())
                w->removeEventFilter(this);
            column->releaseControls();
            std::unique_ptr<FieldRow> old = std::exchange(row, createRow(column));
            rebuilding = true;
            ++rowGeneration;
            old.reset();
            rebuilding = false;
        }
        tabOrder();
    });
}

// --- Arrangement ----------------------------------------------------------------------------------

namespace {

int listViewHeight(const QTreeWidget *list)
{
    return list->header()->sizeHint().height() + list->fontMetrics().height() + 10
           + list->horizontalScrollBar()->sizeHint().height() + 2 * list->frameWidth();
}

} // namespace

void UKVOSearch::Private::controlsArrange()
{
    traced("ControlsArrange", Module, [&] {
        const int g = gap;
        picContainer->setGeometry(q->rect());
        const QRect inner = picContainer->contentsRect();
        const int x = inner.left() + g;
        const int w = qMax(0, inner.width() - 2 * g);
        int top = inner.top() + g;
        int bottom = inner.bottom() + 1 - g;

        lblEntry->setVisible(displayBaseRecord);
        lvwEntry->setVisible(displayBaseRecord);
        if (displayBaseRecord) {
            const int lh = lblEntry->sizeHint().height();
            lblEntry->setGeometry(x, top, w, lh);
            top += lh;
            const int lvh = listViewHeight(lvwEntry);
            lvwEntry->setGeometry(x, top, w, lvh);
            top += lvh + g;
        }

        bottom -= cmdOk->sizeHint().height() + g;

        const bool editMode = mode == cseModeEdit;
        separator->setVisible(editMode);
        sbrStatus->setVisible(editMode);
        if (editMode) {
            separator->setGeometry(x, bottom - 2, w, 2);
            bottom -= 2 + g;
            const int sh = sbrStatus->sizeHint().height();
            sbrStatus->setGeometry(x, bottom - sh, w, sh);
            bottom -= sh + g;
        }

        const bool statusShown = !txtStatus->text().isEmpty();
        picStatus->setVisible(statusShown);
        if (statusShown) {
            const int frame = picStatus->frameWidth();
            const int th = txtStatus->heightForWidth(qMax(1, w - 2 * frame - 2 * g));
            const int ph = qMax(th, txtStatus->sizeHint().height()) + 2 * frame + g;
            picStatus->setGeometry(x, bottom - ph, w, ph);
            txtStatus->setGeometry(frame + g, frame + g / 2, qMax(0, w - 2 * frame - 2 * g), ph - 2 * frame - g);
            bottom -= ph + g;
        }

        const int viewHeight = qMax(0, bottom - top);
        const int scrollWidth = vsbFields->sizeHint().width();
        int fieldsHeight = 0;
        int viewWidth = w;
        arrangeFields(viewWidth);
        fieldsHeight = rows.empty() ? 0 : rows.back()->bounds().bottom() + 1 + g;
        const bool scrolling = viewHeight > 0 && fieldsHeight > viewHeight;
        if (scrolling) {
            viewWidth = qMax(0, w - scrollWidth);
            arrangeFields(viewWidth);
            fieldsHeight = rows.empty() ? 0 : rows.back()->bounds().bottom() + 1 + g;
        }
        picView->setGeometry(x, top, viewWidth, viewHeight);
        picFields->resize(viewWidth, fieldsHeight);
        if (scrolling && fieldsHeight > viewHeight) {
            const int large = int(std::lround(double(viewHeight) / double(fieldsHeight) * 100.0));
            vsbFields->setGeometry(x + viewWidth, top, scrollWidth, viewHeight);
            vsbFields->setPageStep(qMax(1, large));
            vsbFields->setSingleStep(qMax(1, int(std::lround(large / 5.0))));
            vsbFields->show();
        } else {
            vsbFields->hide();
            vsbFields->setValue(0);
        }
        repositionFields(vsbFields->value());

        separator->raise();
        arrangeButtons();
        placeBanner();
        scheduleControlsUpdate();
    });
}

void UKVOSearch::Private::arrangeFields(int width)
{
    int y = gap;
    for (const auto &row : rows)
        y += row->place(y, width, labelColumnWidth, gap) + gap;
}

void UKVOSearch::Private::arrangeButtons()
{
    const int g = gap;
    const QRect inner = picContainer->contentsRect();
    const int bh = cmdOk->sizeHint().height();
    const int y = inner.bottom() + 1 - g - bh;
    const int left = inner.left() + g;
    const int right = inner.right() + 1 - g;

    // The editing buttons from the left, OK and Cancel at the right; only visible ones take room.
    QList<QPushButton *> leftGroup;
    for (QPushButton *b : {cmdEdit, cmdApply, cmdReset, cmdClear, cmdTemplateCopy, cmdTemplatePaste}) {
        if (!b->isHidden())
            leftGroup.append(b);
    }
    QList<QPushButton *> rightGroup;
    for (QPushButton *b : {cmdOk, cmdCancel}) {
        if (!b->isHidden())
            rightGroup.append(b);
    }
    const int count = int(leftGroup.size() + rightGroup.size());
    if (count == 0)
        return;
    int wanted = 0;
    for (QPushButton *b : leftGroup + rightGroup)
        wanted += b->sizeHint().width();
    const int room = qMax(0, right - left - (count - 1) * g - (rightGroup.isEmpty() || leftGroup.isEmpty() ? 0 : g));
    // A narrow control squeezes every button alike.
    const double scale = wanted > room && wanted > 0 ? double(room) / double(wanted) : 1.0;
    auto widthOf = [&](QPushButton *b) { return qMax(16, int(b->sizeHint().width() * scale)); };
    int bx = left;
    for (QPushButton *b : leftGroup) {
        b->setGeometry(bx, y, widthOf(b), bh);
        bx += widthOf(b) + g;
    }
    bx = right;
    for (auto it = rightGroup.crbegin(); it != rightGroup.crend(); ++it) {
        bx -= widthOf(*it);
        (*it)->setGeometry(bx, y, widthOf(*it), bh);
        bx -= g;
    }
}

void UKVOSearch::Private::placeBanner()
{
    if (!banner)
        return;
    QRect area = picView->geometry();
    if (!vsbFields->isHidden())
        area.setRight(vsbFields->geometry().right());
    if (area.height() < banner->sizeHint().height())
        area.setHeight(banner->sizeHint().height());
    banner->setGeometry(area);
    banner->show();
    banner->raise();
}

void UKVOSearch::Private::calculateMinimumHeight()
{
    traced("CalculateMinimumHeight", Module, [&] {
        const int g = gap;
        int h = 2 * picContainer->frameWidth() + g;
        if (displayBaseRecord)
            h += lblEntry->sizeHint().height() + listViewHeight(lvwEntry) + g;
        if (mode == cseModeEdit)
            h += sbrStatus->sizeHint().height() + g + 2 + g;
        h += cmdTemplatePaste->sizeHint().height() + g;
        heightMin = float(h * HostKit::TwipsPerPixel);
    });
}

void UKVOSearch::Private::tabOrder()
{
    traced("TabOrder", Module, [&] {
        QList<QWidget *> order{lvwEntry};
        for (const auto &row : rows)
            order.append(row->tabStops());
        order << vsbFields << cmdApply << cmdReset << cmdClear << cmdTemplateCopy << cmdTemplatePaste << cmdOk
              << cmdCancel << cmdEdit;
        for (qsizetype i = 1; i < order.size(); ++i)
            QWidget::setTabOrder(order.at(i - 1), order.at(i));
    });
}

// --- Scrolling ------------------------------------------------------------------------------------

void UKVOSearch::Private::repositionFields(int value)
{
    if (vsbFields->isHidden()) {
        picFields->move(0, 0);
        return;
    }
    const int range = picView->height() - picFields->height(); // negative while scrolling
    picFields->move(0, int(std::lround(value / 100.0 * range)));
}

void UKVOSearch::Private::checkVisible(const FieldRow &row)
{
    if (vsbFields->isHidden())
        return;
    const int top = row.bounds().top();
    const int bottom = row.bounds().bottom() + 1;
    while (bottom + picFields->y() > picView->height() && vsbFields->value() < vsbFields->maximum())
        vsbFields->setValue(vsbFields->value() + 1);
    while (top + picFields->y() < 0 && vsbFields->value() > 0)
        vsbFields->setValue(vsbFields->value() - 1);
}

} // namespace KvoPlx800SCtl
