// The kinds of field rows and the table that gives each column type its kind. A new column type
// is one more row kind here and one more line in the table.
#include "fieldrow.h"

#include "widgetcontrols.h"

#include "columns/cfiltercolumn.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/tracescope.h"

#include "hostkit/texthelper.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace KvoPlx800SCtl {

namespace {

constexpr const char *Module = "KVOSearchEdit";

// Runs a row's change handler under its trace name; while the rows are being deleted their
// handlers stay quiet.
template <typename Body>
void handleChange(const IFieldRowHost &host, const char *procedure, Body &&body)
{
    if (!host.isRebuilding())
        traced(procedure, Module, std::forward<Body>(body));
}

// The characters a text column's box is made wide enough for.
int textChars(const CFilterColumn *column) { return qMax(1, int(column->TextLengthInUI())); }

// A text box row (a single-line QLineEdit or a multi-line QPlainTextEdit): a value is typed, and on
// leaving a valid value is rewritten in its normal form.
template <typename Box, typename BoxControl>
class TextBoxRow : public FieldRow
{
public:
    void selectEntryText() override { m_box->selectAll(); }

    void normaliseEntry() override
    {
        const QString text = m_boxControl->text();
        if (m_box->isReadOnly() || text.trimmed().isEmpty() || !column()->isValid())
            return;
        const std::optional<QString> normal = normalForm(text);
        // Written only when it differs, so leaving a field never marks the record changed.
        if (normal && *normal != text)
            m_boxControl->setText(*normal);
    }

    std::optional<int> keystrokeLimit() const override
    {
        return m_checksKeys && !m_box->isReadOnly() ? std::optional<int>(0) : std::nullopt;
    }

protected:
    // `checksKeys`: keystrokes that would give an unacceptable text are dropped.
    TextBoxRow(const FieldRowContext &context, const char *arrayName, int widthChars, bool checksKeys)
        : FieldRow(context), m_checksKeys(checksKeys)
    {
        addLabel();
        m_box = new Box(parent());
        tag(m_box, arrayName);
        m_box->setReadOnly(locked());
        m_boxControl = new BoxControl(m_box);
        setEntry(m_box, m_boxControl, templateWidth(m_box, widthChars));
    }

    void applyLock() override { m_box->setReadOnly(locked()); }

    // The text a valid entry is rewritten to on leaving; nullopt leaves it as it is.
    virtual std::optional<QString> normalForm(const QString &text) const { return text.trimmed(); }

    Box *m_box = nullptr;
    BoxControl *m_boxControl = nullptr;

private:
    const bool m_checksKeys;
};

// A single-line text box ("txtTextField"); every change validates the value at once.
class LineRow : public TextBoxRow<QLineEdit, LineEditControl>
{
public:
    LineRow(const FieldRowContext &context, int maxLength, int widthChars, bool checksKeys)
        : TextBoxRow(context, "txtTextField", widthChars, checksKeys)
    {
        m_box->setMaxLength(maxLength);
        QObject::connect(m_box, &QLineEdit::textChanged, receiver(), [this] { textChanged(); });
    }

private:
    void textChanged()
    {
        handleChange(host(), "txtTextField_Change", [&] {
            column()->Validate();
            host().showValidated(*this);
            host().markDirty();
        });
    }
};

// A text column: its own length, checked keystroke by keystroke.
class TextRow : public LineRow
{
public:
    explicit TextRow(const FieldRowContext &context)
        : LineRow(context, textChars(context.column), textChars(context.column), true)
    {}
};

// A number (or any value typed as text and converted): shown in the form the conversions give.
class ValueRow : public LineRow
{
public:
    explicit ValueRow(const FieldRowContext &context) : LineRow(context, 255, 15, false) {}

protected:
    std::optional<QString> normalForm(const QString &text) const override
    {
        const auto value = Convert::parseForType(text, column()->ColumnType());
        if (!value || !value->hasValue())
            return std::nullopt;
        return Convert::displayText(*value);
    }
};

// A date: a value box with a Now button while it can be edited, or a box that only shows the
// value when the column forbids editing it.
class DateRow : public ValueRow
{
public:
    explicit DateRow(const FieldRowContext &context) : ValueRow(context) { lockEntries(); }

protected:
    void applyLock() override { lockEntries(); }

private:
    void lockEntries()
    {
        if (column()->DisableEditDateTime()) {
            m_box->setReadOnly(true);
            return;
        }
        ValueRow::applyLock();
        if (locked() || m_now)
            return;
        m_now = addButton(Button::Now);
        QObject::connect(m_now, &QPushButton::clicked, receiver(), [this] { nowClicked(); });
    }

    void nowClicked()
    {
        traced("cmdNow_Click", Module, [&] {
            if (!host().settleBefore(m_now))
                return;
            m_box->setText(Convert::displayText(Variant::date(Convert::now())));
            host().markDirty();
        });
    }

    QPushButton *m_now = nullptr;
};

// A note: a multi-line box of up to 255 characters ("txtNoteField"), keystrokes checked.
class NoteRow : public TextBoxRow<QPlainTextEdit, NoteEditControl>
{
public:
    explicit NoteRow(const FieldRowContext &context) : TextBoxRow(context, "txtNoteField", 15, true)
    {
        m_box->setTabChangesFocus(true);
        m_boxControl->setMaxLength(255);
        QObject::connect(m_box, &QPlainTextEdit::textChanged, receiver(), [this] { textChanged(); });
    }

protected:
    int entryHeight() const override { return m_box->fontMetrics().lineSpacing() * 3 + 2 * m_box->frameWidth() + 8; }
    bool isMultiLine() const override { return true; }

private:
    void textChanged()
    {
        handleChange(host(), "txtNoteField_Change", [&] {
            column()->Validate();
            host().markDirty();
        });
    }
};

// A Boolean: a check box carrying the caption, without a label of its own.
class CheckRow : public FieldRow
{
public:
    explicit CheckRow(const FieldRowContext &context) : FieldRow(context)
    {
        auto *check = new QCheckBox(column()->CaptionOrName(), parent());
        tag(check, "chkField");
        setEntry(check, new CheckBoxControl(check), check->sizeHint().width());
        lockEntries();
        QObject::connect(check, &QCheckBox::toggled, receiver(),
                         [this] { handleChange(host(), "chkField_Click", [&] { host().markDirty(); }); });
    }

protected:
    void applyLock() override { lockEntries(); }

private:
    void lockEntries()
    {
        // A locked box shows its value but takes neither clicks nor the focus.
        entry()->setAttribute(Qt::WA_TransparentForMouseEvents, locked());
        entry()->setFocusPolicy(locked() ? Qt::NoFocus : Qt::StrongFocus);
    }
};

// A combo box row: editable ("cboField", typing leaves no entry selected) or a drop-down list
// ("cboFieldView").
class ComboRow : public FieldRow
{
public:
    ComboRow(const FieldRowContext &context, bool editable, int widthChars) : FieldRow(context)
    {
        addLabel();
        m_combo = new QComboBox(parent());
        setEditable(editable);
        setEntry(m_combo, new ComboBoxControl(m_combo), templateWidth(m_combo, widthChars) + 24);
    }

    // A drop-down list is picked from, not described.
    bool showsPrompts() const override { return m_combo->isEditable(); }

protected:
    void setEditable(bool editable)
    {
        tag(m_combo, editable ? "cboField" : "cboFieldView");
        if (m_combo->isEditable() == editable)
            return;
        m_combo->setEditable(editable);
        if (editable) {
            // Enter adds nothing by itself, and typing is not completed from the list.
            m_combo->setInsertPolicy(QComboBox::NoInsert);
            m_combo->setCompleter(nullptr);
        }
    }

    QComboBox *m_combo = nullptr;
};

// A keyword list: while editing, a keyword is typed into the box and added to the list with Add
// or removed from it with Remove; otherwise the list is only shown.
class KeywordRow : public ComboRow
{
public:
    explicit KeywordRow(const FieldRowContext &context) : ComboRow(context, !context.locked, textChars(context.column))
    {
        if (!locked())
            addButtons();
    }

    QPushButton *actionButton() const override { return locked() ? nullptr : m_add; }
    std::optional<int> keystrokeLimit() const override
    {
        return locked() ? std::nullopt : std::optional<int>(column()->TextLengthInUI());
    }

protected:
    void applyLock() override
    {
        setEditable(!locked());
        if (!locked() && !m_add)
            addButtons();
    }

private:
    void addButtons()
    {
        m_add = addButton(Button::Add);
        m_remove = addButton(Button::Remove);
        QObject::connect(m_combo, &QComboBox::editTextChanged, receiver(), [this] { typed(); });
        QObject::connect(m_combo, &QComboBox::currentIndexChanged, receiver(), [this] { typed(); });
        // The list itself is the value: keywords put in or taken out by any means (a template
        // paste, Clear) make the record dirty; a keyword typed but not added does not.
        QAbstractItemModel *list = m_combo->model();
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            QObject::connect(list, signal, receiver(), [this] { listChanged(); });
        QObject::connect(list, &QAbstractItemModel::modelReset, receiver(), [this] { listChanged(); });
        QObject::connect(m_add, &QPushButton::clicked, receiver(), [this] { addClicked(); });
        QObject::connect(m_remove, &QPushButton::clicked, receiver(), [this] { removeClicked(); });
    }

    // A locked list only shows the record's keywords: filling it changes nothing.
    void typed()
    {
        if (locked())
            return;
        handleChange(host(), "cboField_Change", [&] {
            column()->RefreshKeywordButtons();
            host().scheduleUpdate();
        });
    }

    void listChanged()
    {
        if (locked())
            return;
        handleChange(host(), "cboField_ListChange", [&] { host().markDirty(); });
    }

    void addClicked()
    {
        traced("cmdAdd_Click", Module, [&] {
            if (!host().settleBefore(m_add) || !column()->AddKeyword())
                return;
            host().markDirty();
            // Back to the box for the next keyword, which replaces the one just added as it is typed.
            m_combo->setFocus(Qt::OtherFocusReason);
            if (QLineEdit *edit = m_combo->lineEdit())
                edit->selectAll();
        });
    }

    void removeClicked()
    {
        traced("cmdRemove_Click", Module, [&] {
            if (!host().settleBefore(m_remove) || !column()->RemoveKeyword())
                return;
            host().markDirty();
        });
    }

    QPushButton *m_add = nullptr;
    QPushButton *m_remove = nullptr;
};

// A value picked from the column's picklist while editing.
class PicklistRow : public ComboRow
{
public:
    explicit PicklistRow(const FieldRowContext &context)
        : ComboRow(context, false, ColumnTypes::isText(context.column->ColumnType()) ? textChars(context.column) : 15)
    {
        QObject::connect(m_combo, &QComboBox::currentIndexChanged, receiver(), [this] { picked(); });
    }

private:
    void picked()
    {
        handleChange(host(), "cboFieldView_Click", [&] {
            if (!host().isEntryOpen() || !column()->IsPicklist())
                return;
            const Variant saved = column()->SavedValue();
            const QString savedText = saved.hasValue() ? Convert::displayText(saved) : QString();
            if (HostKit::TextHelper::TextEqual(m_combo->currentText(), savedText, 1))
                return;
            column()->Validate();
            host().markDirty();
        });
    }
};

using FieldRowFactory = std::unique_ptr<FieldRow> (*)(const FieldRowContext &);

template <typename Row>
std::unique_ptr<FieldRow> create(const FieldRowContext &context)
{
    return std::make_unique<Row>(context);
}

// The row kinds of a column type: the one a value is typed or shown in, and the one it is picked
// in from the column's picklist while editing (none: the typed kind serves picklist columns too).
struct RowKinds
{
    int type;
    FieldRowFactory typed;
    FieldRowFactory picked;
};

constexpr RowKinds Kinds[] = {
        {fcText, create<TextRow>, create<PicklistRow>},
        {fcNote, create<NoteRow>, create<PicklistRow>},
        {fcInteger16, create<ValueRow>, create<PicklistRow>},
        {fcInteger32, create<ValueRow>, create<PicklistRow>},
        {fcSingle, create<ValueRow>, create<PicklistRow>},
        {fcDouble, create<ValueRow>, create<PicklistRow>},
        {fcDateTime, create<DateRow>, create<PicklistRow>},
        {fcBoolean, create<CheckRow>, nullptr},
        {fcKeyword, create<KeywordRow>, nullptr},
};

// A type without a kind of its own is typed as a value.
constexpr RowKinds OtherKinds{fcUndefined, create<ValueRow>, create<PicklistRow>};

const RowKinds &kindsOf(int type)
{
    for (const RowKinds &kinds : Kinds) {
        if (kinds.type == type)
            return kinds;
    }
    return OtherKinds;
}

} // namespace

std::unique_ptr<FieldRow> createFieldRow(const FieldRowContext &context)
{
    const RowKinds &kinds = kindsOf(context.column->ColumnType());
    const bool picked = kinds.picked && context.column->IsPicklist() && !context.locked;
    return (picked ? kinds.picked : kinds.typed)(context);
}

bool relockFieldRow(FieldRow &row, bool locked)
{
    if (row.locked() == locked)
        return true;
    const RowKinds &kinds = kindsOf(row.column()->ColumnType());
    if (kinds.picked && row.column()->IsPicklist())
        return false;
    row.setLocked(locked);
    return true;
}

} // namespace KvoPlx800SCtl
