#pragma once

// One row of the data-entry control's field area: the widgets through which one search column is
// shown and edited. Each kind of row (text box, note box, value box, check box, keyword list,
// picklist ...) is a small class in fieldrowkinds.cpp, registered there in one table keyed by the
// column type; createFieldRow picks the kind for a column. The control keeps the field area, the
// buttons, the deferred update and the events, and asks a row only what depends on its kind.

#include <QList>
#include <QRect>

#include <memory>
#include <optional>

class QLabel;
class QObject;
class QPushButton;
class QWidget;

namespace KvoPlx800SCtl {

class CFilterColumn;
class IButton;
class IControl;
class ILabel;
class FieldRow;

// What a row asks of the control it sits in.
class IFieldRowHost
{
public:
    virtual ~IFieldRowHost() = default;

    // Values can be entered now (edit mode, editing).
    virtual bool isEntryOpen() const = 0;
    // The rows are being deleted: their handlers stay quiet.
    virtual bool isRebuilding() const = 0;
    // The record was changed through a row; the buttons follow after the deferred update.
    virtual void markDirty() = 0;
    // Only the buttons need the deferred update.
    virtual void scheduleUpdate() = 0;
    // The row's column was validated anew: its label and the status line follow.
    virtual void showValidated(FieldRow &row) = 0;
    // Gives `button` the focus and lets the field that loses it finish before the button acts.
    // False when the control ended or rebuilt its rows meanwhile: the calling row is gone then.
    [[nodiscard]] virtual bool settleBefore(QPushButton *button) = 0;
};

// What a row is built from.
struct FieldRowContext
{
    CFilterColumn *column = nullptr;
    QWidget *parent = nullptr; // the field area
    IFieldRowHost *host = nullptr;
    bool locked = false; // the entries only show values (examine mode, or not editing)
    int labelLimit = 0;  // a caption at least this wide wraps within this width
};

class FieldRow
{
public:
    explicit FieldRow(const FieldRowContext &context);
    virtual ~FieldRow();
    FieldRow(const FieldRow &) = delete;
    FieldRow &operator=(const FieldRow &) = delete;

    CFilterColumn *column() const { return m_context.column; }
    QLabel *label() const { return m_label; }
    QWidget *entry() const { return m_entry; }
    // The button that takes the default role while it is enabled and the entry has the focus
    // (a keyword's Add); none by default.
    virtual QPushButton *actionButton() const { return nullptr; }
    // Label, entry and buttons; the entry and the buttons in tab order.
    QList<QWidget *> widgets() const;
    QList<QWidget *> tabStops() const;
    bool contains(const QObject *widget) const;

    // Hands the entry and its companions to the column, which reads and writes the values through
    // them until the column's controls are released.
    void bind();

    // Whether the entries only show values (examine mode, or not editing).
    bool locked() const { return m_locked; }
    // Locks or opens the entries in place: the row keeps its widgets, shows or hides its buttons
    // and gains the ones it had no need for until now (bind again afterwards).
    void setLocked(bool locked);

    // --- Layout -----------------------------------------------------------------------------
    // The width the label asks of the label column (0 without a label).
    int labelWidth() const { return m_labelWidth; }
    // Places the widgets at height `y` of a field area `width` wide whose label column is
    // `labelColumnWidth` wide, with gaps of `gap`; returns the row's height.
    int place(int y, int width, int labelColumnWidth, int gap);
    // The row inside the field area after the last placing.
    QRect bounds() const { return m_bounds; }

    // --- What the control's events ask ------------------------------------------------------
    // Whether the entry describes its column in the status bar while it has the focus.
    virtual bool showsPrompts() const { return true; }
    // The entry got the focus: a text entry selects its text.
    virtual void selectEntryText() {}
    // The entry lost the focus: a valid value is rewritten in its normal form.
    virtual void normaliseEntry() {}
    // The length limit keystrokes are checked against (0 = none); nullopt: keys are not checked.
    virtual std::optional<int> keystrokeLimit() const { return std::nullopt; }
    IControl *control() const { return m_control; }
    // The label shows an invalid value in bold italics.
    void showValidity();

protected:
    enum class Button { Add, Remove, Now };

    // The caption label before the entry (every kind but the check box has one).
    void addLabel();
    void setEntry(QWidget *entry, IControl *control, int templateWidth);
    // A button of the row, placed after the ones added before; the column gets it as a companion.
    QPushButton *addButton(Button button);
    // Object name, "Tag" (the column's name) and "Index" (the column's index) of a widget.
    void tag(QWidget *widget, const char *arrayName) const;
    // The context object of the row's connections; they end before its widgets do.
    QObject *receiver() const { return m_receiver.get(); }
    IFieldRowHost &host() const { return *m_context.host; }
    // Makes the widgets follow locked(); buttons of a locked row are neither placed nor shown.
    virtual void applyLock() {}
    QWidget *parent() const { return m_context.parent; }

    // The entry's height; a multi-line entry takes the whole width left and its label stays on
    // the height of its first line.
    virtual int entryHeight() const;
    virtual bool isMultiLine() const { return false; }

    // The width of `count` "W" characters in the widget's font plus the box's frame.
    static int templateWidth(const QWidget *widget, int count);

private:
    void appendTabStops(QList<QWidget *> &list) const;

    const FieldRowContext m_context;
    bool m_locked;
    std::unique_ptr<QObject> m_receiver;
    QLabel *m_label = nullptr;
    QWidget *m_entry = nullptr;
    IControl *m_control = nullptr;
    QList<QPushButton *> m_buttons;
    // The companions the column is given with the entry.
    ILabel *m_labelControl = nullptr;
    IButton *m_addControl = nullptr;
    IButton *m_removeControl = nullptr;
    IButton *m_nowControl = nullptr;
    int m_templateWidth = 0; // the width the entry asks for
    int m_labelWidth = 0;
    QRect m_bounds;
};

// A new row of the kind registered for the context's column.
std::unique_ptr<FieldRow> createFieldRow(const FieldRowContext &context);
// Locks or opens `row` in place; false when its column takes another kind of row in that state
// (a picklist column is picked from a list only while editing), which the caller then creates.
[[nodiscard]] bool relockFieldRow(FieldRow &row, bool locked);

} // namespace KvoPlx800SCtl
