// The data-entry control while values are shown and edited: the editing state and its events,
// the button and entry-control handlers, the status line and the deferred button update.
#include "ukvosearch_p.h"

#include "columns/basvalidate.h"
#include "columns/cfiltercolumns.h"
#include "core/tracescope.h"
#include "uisupport/windowsupport.h"

#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace KvoPlx800SCtl {

namespace {

constexpr const char *Module = "KVOSearchEdit";
constexpr int UpdateDelayMs = 200;

// Sets `flag` for the routine that runs; it is cleared when the routine ends, unless the control
// ended meanwhile.
[[nodiscard]] auto busyWhile(UKVOSearch *control, bool &flag)
{
    flag = true;
    return qScopeGuard([self = QPointer<UKVOSearch>(control), &flag] {
        if (self)
            flag = false;
    });
}

} // namespace

// --- Editing state --------------------------------------------------------------------------------

void UKVOSearch::Private::setEditing(bool value)
{
    traced("IsEditing(Let)", Module, [&] {
        if (value == editing || changingEditing || !filter)
            return;
        QPointer<UKVOSearch> self(q);
        const auto busy = busyWhile(q, changingEditing);
        ISearchBaseEntry *entry = sourceEntry;
        if (value) {
            bool accepted = false;
            emit q->OnStartEditing(entry, accepted);
            if (!self || !filter || !accepted)
                return;
        } else {
            emit q->OnCompleteEditing(entry);
            if (!self || !filter)
                return;
        }
        editing = value;
        // The Cancel button is shown exactly while editing; the host's stored setting stays.
        showCancel = value;
        // The rows stay; the record is read again and shown in them.
        if (controlsBuilt)
            relockFieldRows();
        controlSetup();
        scheduleControlsUpdate();
        if (container)
            container->SizeMin();
        controlsArrange();
        emit q->Changed();
    });
}

void UKVOSearch::Private::resetData()
{
    CFilterColumns *set = columns();
    if (!set)
        return;
    for (CFilterColumn *c : set->NewEnum())
        c->ResetData();
    // A rebuilt box may show the same text as before without a change event: validate anew.
    for (const auto &row : rows) {
        row->column()->Validate();
        row->showValidity();
        row->column()->RefreshKeywordButtons();
    }
    dirty = false;
    refreshStatusText();
    scheduleControlsUpdate();
}

bool UKVOSearch::Private::saveData()
{
    CFilterColumns *set = columns();
    if (!set || !container)
        return false;
    // A save that failed leaves the record dirty: what the user typed stays, and so does Apply.
    if (!set->SaveDataFromEditControl(sourceEntry))
        return false;
    dirty = false;
    scheduleControlsUpdate();
    return true;
}

void UKVOSearch::Private::clearData()
{
    traced("ClearData", Module, [&] {
        CFilterColumns *set = columns();
        if (!set)
            return;
        bool cleared = false;
        for (CFilterColumn *c : set->NewEnum()) {
            if (!c->IsBlank()) {
                c->ClearValue();
                dirty = true;
                cleared = true;
            }
        }
        if (cleared)
            scheduleControlsUpdate();
    });
}

bool UKVOSearch::Private::isClear() const
{
    const CFilterColumns *set = columns();
    if (!set)
        return true;
    for (const CFilterColumn *c : set->NewEnum()) {
        if (!c->IsBlank())
            return false;
    }
    return true;
}

// --- Deferred update ------------------------------------------------------------------------------

void UKVOSearch::Private::scheduleControlsUpdate()
{
    tmrUpdate->stop();
    updatePending = true;
    tmrUpdate->setInterval(UpdateDelayMs);
    tmrUpdate->start();
}

void UKVOSearch::Private::testControlsUpdate()
{
    if (!updatePending)
        return;
    updatePending = false;
    runControlsUpdate();
}

void UKVOSearch::Private::runControlsUpdate()
{
    traced("RunControlsUpdate", Module, [&] {
        auto &texts = HostKit::ResourceTexts::instance();
        const QList<QPushButton *> all{cmdOk,    cmdCancel, cmdApply,        cmdReset,
                                       cmdClear, cmdEdit,   cmdTemplateCopy, cmdTemplatePaste};
        defaultButton = nullptr;
        cancelButton = nullptr;

        auto showBanner = [&](const QString &text) {
            if (text.isEmpty()) {
                delete banner;
                banner = nullptr;
                return;
            }
            if (!banner) {
                banner = new QLabel(picContainer);
                banner->setObjectName(QStringLiteral("picLine"));
                banner->setProperty("Index", 2);
                banner->setAlignment(Qt::AlignCenter);
                banner->setWordWrap(true);
                banner->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
                banner->setAutoFillBackground(true);
            }
            banner->setText(text);
            placeBanner();
        };
        auto finish = [&] {
            for (QPushButton *b : all)
                b->setDefault(b == defaultButton);
            for (const auto &row : rows) {
                if (QPushButton *b = row->actionButton())
                    b->setDefault(b == defaultButton);
            }
            arrangeButtons();
        };

        const CFilterColumns *set = columns();
        if (!set) {
            // A closed control shows only why it has nothing to show.
            for (QPushButton *b : all)
                b->hide();
            showBanner(texts.Text(7680));
            finish();
            return;
        }

        const bool okVisible = mode == cseModeEdit && editing && showOk;
        cmdOk->setVisible(okVisible);
        cmdCancel->setVisible(showCancel);
        if (showCancel)
            cmdCancel->setEnabled(true);

        // The validity scan: up to the first invalid column. A keyword's enabled Add button takes
        // the default role only while its own box has the focus; a date's Now button never does,
        // so Enter never changes a value.
        bool validEnd = false;
        QPushButton *columnDefault = nullptr;
        const QWidget *focused = QApplication::focusWidget();
        for (CFilterColumn *c : set->NewEnum()) {
            if (!c->isValid()) {
                validEnd = false;
                break;
            }
            validEnd = true;
            const FieldRow *row = rowFor(c);
            if (!row || !focused || (focused != row->entry() && !row->entry()->isAncestorOf(focused)))
                continue;
            if (QPushButton *b = row->actionButton(); b && b->isEnabled())
                columnDefault = b;
        }

        const bool applyVisible = mode == cseModeEdit && editing;
        cmdEdit->setVisible(mode == cseModeEdit && !editing);
        for (QPushButton *b : {cmdApply, cmdReset, cmdClear, cmdTemplatePaste, cmdTemplateCopy})
            b->setVisible(applyVisible);

        // The banner says that there is nothing to enter; an invalid value is named by the status
        // line instead.
        showBanner(set->Count() == 0 ? texts.Text(7681, {set->baseTableName()}) : QString());

        if (!applyVisible) {
            if (showCancel)
                cancelButton = cmdCancel;
            finish();
            return;
        }

        const bool applyEnabled = dirty && validEnd;
        cmdApply->setEnabled(applyEnabled);
        cmdReset->setEnabled(dirty);
        if (okVisible)
            cmdOk->setEnabled(applyEnabled);
        cmdClear->setEnabled(!isClear());

        defaultButton = columnDefault;
        if (!defaultButton) {
            if (applyEnabled)
                defaultButton = cmdApply;
            else if (okVisible && cmdOk->isEnabled())
                defaultButton = cmdOk;
        }
        if (cmdReset->isEnabled())
            cancelButton = cmdReset;
        else if (showCancel && cmdCancel->isEnabled())
            cancelButton = cmdCancel;

        cmdTemplateCopy->setEnabled(!dirty && validEnd);
        finish();
    });
}

// --- Status line ----------------------------------------------------------------------------------

void UKVOSearch::Private::clearPanels()
{
    for (QLabel *panel : std::as_const(statusPanels)) {
        sbrStatus->removeWidget(panel);
        delete panel;
    }
    statusPanels.clear();
    sbrStatus->clearMessage();
}

void UKVOSearch::Private::addPanel(const QString &text)
{
    auto *panel = new QLabel(text, sbrStatus);
    panel->setObjectName(QStringLiteral("sbrPanel"));
    sbrStatus->addWidget(panel);
    panel->show();
    statusPanels.append(panel);
}

QString UKVOSearch::Private::validityText(const CFilterColumn *focused) const
{
    const CFilterColumns *set = columns();
    if (!set)
        return {};
    int invalid = 0;
    for (const CFilterColumn *c : set->NewEnum()) {
        if (!c->isValid())
            ++invalid;
    }
    auto &texts = HostKit::ResourceTexts::instance();
    const bool focusedInvalid = focused && !focused->isValid();
    if (invalid == 0)
        return {};
    if (invalid == 1)
        return texts.Text(focusedInvalid ? 7682 : 7683);
    if (!focusedInvalid)
        return texts.Text(7686, {QString::number(invalid)});
    if (invalid == 2)
        return texts.Text(7684);
    return texts.Text(7685, {QString::number(invalid - 1)});
}

void UKVOSearch::Private::prompts(CFilterColumn *column)
{
    traced("Prompts", Module, [&] {
        clearPanels();
        if (!column)
            return;
        const QString prompt = column->typePrompt();
        if (!prompt.isEmpty())
            addPanel(prompt);
        if (!column->Description().isEmpty())
            addPanel(column->Description());
        updateStatus(validityText(column));
    });
}

void UKVOSearch::Private::refreshStatusText()
{
    const QWidget *focus = QApplication::focusWidget();
    const FieldRow *row = focus ? rowOf(focus) : nullptr;
    updateStatus(validityText(row ? row->column() : nullptr));
}

void UKVOSearch::Private::updateStatus(const QString &text)
{
    traced("UpdateStatus", Module, [&] {
        txtStatus->setText(text);
        const bool shown = !picStatus->isHidden();
        if (text.isEmpty() == shown)
            controlsArrange();
    });
}

// --- Field rows --------------------------------------------------------------------------------

void UKVOSearch::Private::markDirty()
{
    dirty = true;
    scheduleControlsUpdate();
}

void UKVOSearch::Private::showValidated(FieldRow &row)
{
    row.showValidity();
    if (!editing)
        return;
    if (row.entry()->hasFocus())
        prompts(row.column());
    else
        refreshStatusText();
}

bool UKVOSearch::Private::settleBefore(QPushButton *button)
{
    QPointer<UKVOSearch> self(q);
    const quint64 generation = rowGeneration;
    focusAndIdle(button);
    return self && rowGeneration == generation;
}

// --- Buttons --------------------------------------------------------------------------------------

void UKVOSearch::Private::focusAndIdle(QPushButton *button)
{
    // The field that loses the focus finishes its own handling before the button acts.
    if (button && button->isVisible())
        button->setFocus(Qt::OtherFocusReason);
    HostKit::ServicesHelper::instance().Idle();
}

void UKVOSearch::Private::buttonRoutine(const char *name, QPushButton *button,
                                        const std::function<void(const QPointer<UKVOSearch> &self)> &body)
{
    traced(name, Module, [&] {
        if (inButtonRoutine)
            return;
        QPointer<UKVOSearch> self(q);
        const auto busy = busyWhile(q, inButtonRoutine);
        focusAndIdle(button);
        if (self)
            body(self);
    });
}

void UKVOSearch::Private::cmdEditClick()
{
    buttonRoutine("cmdEdit_Click", cmdEdit, [this](const QPointer<UKVOSearch> &) {
        if (cmdEdit->isEnabled())
            setEditing(true);
    });
}

void UKVOSearch::Private::cmdOkClick()
{
    buttonRoutine("cmdOk_Click", cmdOk, [this](const QPointer<UKVOSearch> &self) {
        if (!filter)
            return;
        // Saving is the host's business: it calls SaveData in its handler when it wants to.
        emit q->OkButtonClick();
        if (self && filter)
            setEditing(false);
    });
}

void UKVOSearch::Private::cmdApplyClick()
{
    buttonRoutine("cmdApply_Click", cmdApply, [this](const QPointer<UKVOSearch> &self) {
        if (!cmdApply->isEnabled() || !dirty || !saveData())
            return;
        emit q->ApplyButtonClick();
        if (self && filter)
            setEditing(false);
    });
}

void UKVOSearch::Private::cmdCancelClick(bool byCode)
{
    traced("cmdCancel_Click", Module, [&] {
        // A Cancel pressed again from a handler of the events it raises (a host that closes the
        // control on Cancel, say) is not re-entered.
        if (inButtonRoutine || changingEditing)
            return;
        QPointer<UKVOSearch> self(q);
        const auto busy = busyWhile(q, inButtonRoutine);
        if (!byCode) {
            focusAndIdle(cmdCancel);
            if (!self || cmdCancel->isHidden())
                return;
        }
        emit q->CancelButtonClick();
        if (!self || !filter)
            return;
        setEditing(false);
    });
}

void UKVOSearch::Private::cmdResetClick()
{
    traced("cmdReset_Click", Module, [&] {
        QPointer<UKVOSearch> self(q);
        focusAndIdle(cmdReset);
        if (self && dirty)
            resetData();
    });
}

void UKVOSearch::Private::cmdClearClick()
{
    traced("cmdClear_Click", Module, [&] {
        QPointer<UKVOSearch> self(q);
        focusAndIdle(cmdClear);
        if (self)
            clearData();
    });
}

void UKVOSearch::Private::cmdTemplateCopyClick()
{
    traced("cmdTemplateCopy_Click", Module, [&] {
        if (CFilterColumns *set = columns())
            set->SaveTemplate();
    });
}

void UKVOSearch::Private::cmdTemplatePasteClick()
{
    traced("cmdTemplatePaste_Click", Module, [&] {
        // The fields' change handlers mark the record dirty.
        if (CFilterColumns *set = columns())
            set->CopyTemplate();
    });
}

// --- Entry controls -------------------------------------------------------------------------------

void UKVOSearch::Private::fieldGotFocus(QWidget *widget)
{
    traced("Field_GotFocus", Module, [&] {
        FieldRow *row = rowOf(widget);
        if (!row)
            return;
        checkVisible(*row);
        if (widget != row->entry() || !row->showsPrompts())
            return;
        if (isEntryOpen())
            prompts(row->column());
        row->selectEntryText();
    });
}

void UKVOSearch::Private::fieldLostFocus(QWidget *widget, Qt::FocusReason reason)
{
    // A popup (a combo's list, a menu) or another window takes the focus only for a moment.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return;
    traced("Field_LostFocus", Module, [&] {
        FieldRow *row = rowOf(widget);
        if (!row || widget != row->entry() || !filter || !row->showsPrompts())
            return;
        clearPanels();
        row->normaliseEntry();
    });
}

bool UKVOSearch::Private::fieldKeyPress(QWidget *widget, QKeyEvent *event)
{
    return traced("Field_KeyPress", Module, false, [&](bool &dropped) {
        const FieldRow *row = rowOf(widget);
        if (!row || widget != row->entry())
            return;
        const int code = keystrokeCode(event);
        if (code < 0)
            return;
        const std::optional<int> maxLength = row->keystrokeLimit();
        if (!maxLength || basValidate::IsKeyAllowed(row->control(), code, *maxLength))
            return;
        QApplication::beep();
        dropped = true;
    });
}

bool UKVOSearch::Private::fieldContextMenu(QWidget *widget, QContextMenuEvent *event)
{
    return traced("Field_ContextMenu", Module, false, [&](bool &shown) {
        const FieldRow *row = rowOf(widget);
        if (!row && widget->parentWidget())
            row = rowOf(widget->parentWidget()); // a multi-line box's viewport, a combo box's line edit
        const std::optional<int> maxLength = row ? row->keystrokeLimit() : std::nullopt;
        if (!maxLength)
            return;
        QWidget *entry = row->entry();
        std::unique_ptr<QMenu> menu;
        std::function<void()> paste;
        QLineEdit *line = qobject_cast<QLineEdit *>(entry);
        if (auto *combo = qobject_cast<QComboBox *>(entry))
            line = combo->lineEdit();
        if (line) {
            menu.reset(line->createStandardContextMenu());
            paste = [line] { line->paste(); };
        } else if (auto *note = qobject_cast<QPlainTextEdit *>(entry)) {
            menu.reset(note->createStandardContextMenu(note->viewport()->mapFrom(widget, event->pos())));
            paste = [note] { note->paste(); };
        }
        if (!menu)
            return;
        // The menu's Paste is replaced by one that checks first (the standard one is known by its
        // name or by the shortcut its text shows).
        const QString shortcut = u'\t' + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        const QList<QAction *> actions = menu->actions();
        const auto standard = std::find_if(actions.begin(), actions.end(), [&](const QAction *a) {
            return a->objectName() == QLatin1String("edit-paste") || a->text().endsWith(shortcut);
        });
        if (standard != actions.end()) {
            QAction *original = *standard;
            auto *checked = new QAction(original->icon(), original->text(), menu.get());
            checked->setObjectName(QStringLiteral("edit-paste"));
            checked->setEnabled(original->isEnabled());
            menu->insertAction(original, checked);
            delete original; // a child of the menu, like every action of a standard menu
            const int limit = *maxLength;
            IControl *control = row->control();
            QObject::connect(checked, &QAction::triggered, menu.get(), [control, limit, paste] {
                if (basValidate::IsKeyAllowed(control, 22, limit))
                    paste();
                else
                    QApplication::beep();
            });
        }
        menu->setObjectName(QStringLiteral("mnuFieldContext"));
        menu->exec(event->globalPos());
        shown = true;
    });
}

bool UKVOSearch::Private::controlKeyPress(QKeyEvent *event)
{
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool escape = key == Qt::Key_Escape;
    if ((!enter && !escape) || (event->modifiers() & ~Qt::KeypadModifier))
        return false;
    // The roles follow what was typed last, even inside the 200 ms of the deferred update.
    testControlsUpdate();
    QPushButton *button = enter ? defaultButton.data() : cancelButton.data();
    if (!button || button->isHidden() || !button->isEnabled())
        return false;
    event->accept();
    button->click();
    return true;
}

} // namespace KvoPlx800SCtl
