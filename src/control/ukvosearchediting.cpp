// The data-entry control while values are shown and edited: the editing state and its events,
// the button and entry-control handlers, the status line and the deferred button update.
#include "ukvosearch_p.h"

#include "columns/basvalidate.h"
#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/tracescope.h"

#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/texthelper.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>

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

// The character code a key press gives, as the keystroke check reads it: Backspace 8, Ctrl+C 3,
// Ctrl+V 22, a printable character its code; -1 for keys that type nothing (arrows, Delete ...).
int characterCode(const QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste))
        return 22;
    if (event->matches(QKeySequence::Copy))
        return 3;
    if (event->key() == Qt::Key_Backspace)
        return 8;
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint())
        return text.at(0).unicode();
    return -1;
}

QString savedText(const Variant &value) { return value.hasValue() ? Convert::displayText(value) : QString(); }

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
        controlsBuilt = false;
        editing = value;
        // The Cancel button is shown exactly while editing; the host's stored setting stays.
        showCancel = value;
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
    for (FieldRow &row : rows) {
        row.column->Validate();
        showValidity(row);
        row.column->RefreshKeywordButtons();
    }
    dirty = false;
    refreshStatusText();
    scheduleControlsUpdate();
}

void UKVOSearch::Private::saveData()
{
    CFilterColumns *set = columns();
    if (!set || !container)
        return;
    set->SaveDataFromEditControl(sourceEntry);
    dirty = false;
    scheduleControlsUpdate();
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
            for (const FieldRow &row : rows) {
                for (QPushButton *b : {row.add, row.now}) {
                    if (b)
                        b->setDefault(b == defaultButton);
                }
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

        // The validity scan: up to the first invalid column; an enabled Add or Now button of a
        // valid column takes the default role (the last one found keeps it).
        bool validEnd = false;
        QPushButton *columnDefault = nullptr;
        for (CFilterColumn *c : set->NewEnum()) {
            if (!c->isValid()) {
                validEnd = false;
                break;
            }
            validEnd = true;
            for (const FieldRow &row : rows) {
                if (row.column != c)
                    continue;
                if (row.add && row.add->isEnabled())
                    columnDefault = row.add;
                if (row.now && row.now->isEnabled())
                    columnDefault = row.now;
            }
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
    updateStatus(validityText(row ? row->column : nullptr));
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

void UKVOSearch::Private::showValidity(FieldRow &row)
{
    if (!row.label || !row.column)
        return;
    const bool invalid = !row.column->isValid();
    QFont font = row.label->font();
    if (font.bold() == invalid && font.italic() == invalid)
        return;
    font.setBold(invalid);
    font.setItalic(invalid);
    row.label->setFont(font);
}

// --- Buttons --------------------------------------------------------------------------------------

void UKVOSearch::Private::focusAndIdle(QPushButton *button)
{
    // The field that loses the focus finishes its own handling before the button acts.
    if (button && button->isVisible())
        button->setFocus(Qt::OtherFocusReason);
    HostKit::ServicesHelper::instance().Idle();
}

void UKVOSearch::Private::cmdEditClick()
{
    traced("cmdEdit_Click", Module, [&] {
        if (inButtonRoutine)
            return;
        QPointer<UKVOSearch> self(q);
        const auto busy = busyWhile(q, inButtonRoutine);
        focusAndIdle(cmdEdit);
        if (!self || !cmdEdit->isEnabled())
            return;
        setEditing(true);
    });
}

void UKVOSearch::Private::cmdOkClick()
{
    traced("cmdOk_Click", Module, [&] {
        if (inButtonRoutine)
            return;
        QPointer<UKVOSearch> self(q);
        const auto busy = busyWhile(q, inButtonRoutine);
        focusAndIdle(cmdOk);
        if (!self || !filter)
            return;
        // Saving is the host's business: it calls SaveData in its handler when it wants to.
        emit q->OkButtonClick();
        if (!self || !filter)
            return;
        setEditing(false);
    });
}

void UKVOSearch::Private::cmdApplyClick()
{
    traced("cmdApply_Click", Module, [&] {
        if (inButtonRoutine)
            return;
        QPointer<UKVOSearch> self(q);
        const auto busy = busyWhile(q, inButtonRoutine);
        focusAndIdle(cmdApply);
        if (!self || !cmdApply->isEnabled() || !dirty)
            return;
        saveData();
        emit q->ApplyButtonClick();
        if (!self || !filter)
            return;
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

void UKVOSearch::Private::cmdAddClick(const QString &tag)
{
    traced("cmdAdd_Click", Module, [&] {
        QPointer<UKVOSearch> self(q);
        CFilterColumn *column = columns() ? columns()->findByName(tag) : nullptr;
        if (!column)
            return;
        if (auto *button = dynamic_cast<ButtonControl *>(column->addButton()))
            focusAndIdle(button->widget());
        if (!self || !column->AddKeyword())
            return;
        dirty = true;
        scheduleControlsUpdate();
        // Back to the box for the next keyword, which replaces the one just added as it is typed.
        if (auto *combo = dynamic_cast<ComboBoxControl *>(column->asComboBox()); combo && combo->widget()) {
            combo->setFocus();
            if (QLineEdit *edit = combo->widget()->lineEdit())
                edit->selectAll();
        }
    });
}

void UKVOSearch::Private::cmdRemoveClick(const QString &tag)
{
    traced("cmdRemove_Click", Module, [&] {
        QPointer<UKVOSearch> self(q);
        CFilterColumn *column = columns() ? columns()->findByName(tag) : nullptr;
        if (!column)
            return;
        if (auto *button = dynamic_cast<ButtonControl *>(column->removeButton()))
            focusAndIdle(button->widget());
        if (!self || !column->RemoveKeyword())
            return;
        dirty = true;
        scheduleControlsUpdate();
    });
}

void UKVOSearch::Private::cmdNowClick(const QString &tag)
{
    traced("cmdNow_Click", Module, [&] {
        QPointer<UKVOSearch> self(q);
        CFilterColumn *column = columns() ? columns()->findByName(tag) : nullptr;
        if (!column)
            return;
        if (auto *button = dynamic_cast<ButtonControl *>(column->nowButton()))
            focusAndIdle(button->widget());
        if (!self)
            return;
        if (ITextBox *box = column->asTextBox())
            box->setText(Convert::displayText(Variant::date(Convert::now())));
        dirty = true;
        scheduleControlsUpdate();
    });
}

// --- Entry controls -------------------------------------------------------------------------------

void UKVOSearch::Private::connectRow(FieldRow &row)
{
    const QString tag = row.name;
    if (auto *edit = qobject_cast<QLineEdit *>(row.entry)) {
        connect(edit, &QLineEdit::textChanged, this, [this, tag] { textChanged(tag); });
    } else if (auto *note = qobject_cast<QPlainTextEdit *>(row.entry)) {
        connect(note, &QPlainTextEdit::textChanged, this, [this, tag] { noteChanged(tag); });
    } else if (auto *check = qobject_cast<QCheckBox *>(row.entry)) {
        connect(check, &QCheckBox::toggled, this, [this, tag] { checkToggled(tag); });
    } else if (auto *combo = qobject_cast<QComboBox *>(row.entry)) {
        if (combo->isEditable()) {
            connect(combo, &QComboBox::editTextChanged, this, [this, tag] { keywordComboChanged(tag); });
            connect(combo, &QComboBox::currentIndexChanged, this, [this, tag] { keywordComboChanged(tag); });
        } else {
            connect(combo, &QComboBox::currentIndexChanged, this, [this, tag] { pickComboChanged(tag); });
        }
    }
    if (row.add)
        connect(row.add, &QPushButton::clicked, this, [this, tag] { cmdAddClick(tag); });
    if (row.remove)
        connect(row.remove, &QPushButton::clicked, this, [this, tag] { cmdRemoveClick(tag); });
    if (row.now)
        connect(row.now, &QPushButton::clicked, this, [this, tag] { cmdNowClick(tag); });
    for (QWidget *w : row.widgets()) {
        if (w != row.label)
            w->installEventFilter(this);
    }
}

void UKVOSearch::Private::textChanged(const QString &tag)
{
    if (rebuilding)
        return;
    traced("txtTextField_Change", Module, [&] {
        CFilterColumn *column = columns() ? columns()->findByName(tag) : nullptr;
        if (!column)
            return;
        column->Validate();
        for (FieldRow &row : rows) {
            if (row.column != column)
                continue;
            showValidity(row);
            if (editing) {
                if (row.entry->hasFocus())
                    prompts(column);
                else
                    refreshStatusText();
            }
        }
        dirty = true;
        scheduleControlsUpdate();
    });
}

void UKVOSearch::Private::noteChanged(const QString &tag)
{
    if (rebuilding)
        return;
    traced("txtNoteField_Change", Module, [&] {
        CFilterColumn *column = columns() ? columns()->findByName(tag) : nullptr;
        if (!column)
            return;
        column->Validate();
        dirty = true;
        scheduleControlsUpdate();
    });
}

void UKVOSearch::Private::checkToggled(const QString &tag)
{
    if (rebuilding)
        return;
    traced("chkField_Click", Module, [&] {
        if (!columns() || !columns()->findByName(tag))
            return;
        dirty = true;
        scheduleControlsUpdate();
    });
}

void UKVOSearch::Private::keywordComboChanged(const QString &tag)
{
    if (rebuilding)
        return;
    traced("cboField_Change", Module, [&] {
        CFilterColumn *column = columns() ? columns()->findByName(tag) : nullptr;
        if (!column)
            return;
        column->RefreshKeywordButtons();
        scheduleControlsUpdate();
    });
}

void UKVOSearch::Private::pickComboChanged(const QString &tag)
{
    if (rebuilding)
        return;
    traced("cboFieldView_Click", Module, [&] {
        if (mode != cseModeEdit || !editing)
            return;
        CFilterColumn *column = columns() ? columns()->findByName(tag) : nullptr;
        if (!column || !column->IsPicklist() || column->ColumnType() == fcKeyword)
            return;
        const IComboBox *combo = column->asComboBox();
        const QString text = combo ? combo->text() : QString();
        if (HostKit::TextHelper::TextEqual(text, savedText(column->SavedValue()), 1))
            return;
        column->Validate();
        dirty = true;
        scheduleControlsUpdate();
    });
}

void UKVOSearch::Private::fieldGotFocus(QWidget *widget)
{
    traced("Field_GotFocus", Module, [&] {
        FieldRow *row = rowOf(widget);
        if (!row)
            return;
        checkVisible(*row);
        if (widget != row->entry || widget->objectName() == QLatin1String("cboFieldView"))
            return;
        if (mode == cseModeEdit && editing)
            prompts(row->column);
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            edit->selectAll();
        else if (auto *note = qobject_cast<QPlainTextEdit *>(widget))
            note->selectAll();
    });
}

void UKVOSearch::Private::fieldLostFocus(QWidget *widget, Qt::FocusReason reason)
{
    // A popup (a combo's list, a menu) or another window takes the focus only for a moment.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return;
    traced("Field_LostFocus", Module, [&] {
        FieldRow *row = rowOf(widget);
        if (!row || widget != row->entry || !filter)
            return;
        const QString name = widget->objectName();
        if (name == QLatin1String("cboField") || name == QLatin1String("chkField")) {
            clearPanels();
            return;
        }
        auto *edit = qobject_cast<QLineEdit *>(widget);
        auto *note = qobject_cast<QPlainTextEdit *>(widget);
        if (!edit && !note)
            return;
        clearPanels();
        CFilterColumn *column = row->column;
        const bool readOnly = edit ? edit->isReadOnly() : note->isReadOnly();
        const QString text = edit ? edit->text() : note->toPlainText();
        if (readOnly || text.trimmed().isEmpty() || !column->isValid())
            return;
        QString normal = text.trimmed();
        const FilterColumnTypeConstants type = column->ColumnType();
        if (edit && type != fcText && type != fcNote && type != fcKeyword) {
            const auto value = Convert::parseForType(text, type);
            if (!value || !value->hasValue())
                return;
            normal = Convert::displayText(*value);
        }
        // Written only when it differs, so leaving a field never marks the record changed.
        if (normal == text)
            return;
        if (edit)
            edit->setText(normal);
        else
            note->setPlainText(normal);
    });
}

bool UKVOSearch::Private::fieldKeyPress(QWidget *widget, QKeyEvent *event)
{
    return traced("Field_KeyPress", Module, false, [&](bool &dropped) {
        const FieldRow *row = rowOf(widget);
        if (!row || widget != row->entry)
            return;
        const int code = characterCode(event);
        if (code < 0)
            return;
        const QString name = widget->objectName();
        const FilterColumnTypeConstants type = row->column->ColumnType();
        int maxLength = 0;
        if (name == QLatin1String("txtTextField")) {
            if (type != fcText || static_cast<QLineEdit *>(widget)->isReadOnly())
                return;
        } else if (name == QLatin1String("txtNoteField")) {
            if (type != fcNote || static_cast<QPlainTextEdit *>(widget)->isReadOnly())
                return;
        } else if (name == QLatin1String("cboField")) {
            maxLength = row->column->TextLengthInUI();
        } else {
            return;
        }
        if (basValidate::IsKeyAllowed(row->control, code, maxLength))
            return;
        QApplication::beep();
        dropped = true;
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
