#pragma once

#include <QString>
#include <QStringList>

// The edit controls a column is bound to, as the core sees them. The widgets library adapts real
// widgets to these interfaces; the in-memory models below serve hosts without a window (the
// command-line tool edits a record through them just as a user edits the data-entry control).
namespace KvoPlx800SCtl {

class IControl
{
public:
    enum class Kind { TextBox, CheckBox, ComboBox, Label, Button };
    virtual ~IControl() = default;
    virtual Kind kind() const = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setFocus() {}
};

// Text selection of a box: start and length in characters.
struct TextSelection
{
    int start = 0;
    int length = 0;
};

class ITextBox : public IControl
{
public:
    Kind kind() const override { return Kind::TextBox; }
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual int maxLength() const = 0;   // 0 = no limit
    virtual void setMaxLength(int length) = 0;
    virtual TextSelection selection() const = 0;   // length 0: the caret at `start`
};

class ICheckBox : public IControl
{
public:
    enum State { Unchecked = 0, Checked = 1, Grayed = 2 };
    Kind kind() const override { return Kind::CheckBox; }
    virtual int value() const = 0;
    virtual void setValue(int state) = 0;
};

class IComboBox : public IControl
{
public:
    Kind kind() const override { return Kind::ComboBox; }
    virtual QString text() const = 0;           // the edit text, or the selected entry's text
    virtual void setText(const QString &text) = 0;
    virtual int count() const = 0;
    virtual QString itemText(int index) const = 0;
    virtual void addItem(const QString &text) = 0;
    virtual void removeItem(int index) = 0;
    virtual void clear() = 0;
    virtual int listIndex() const = 0;          // -1: no entry selected
    virtual void setListIndex(int index) = 0;
    virtual TextSelection selection() const = 0;
    QStringList items() const;
};

class ILabel : public IControl
{
public:
    Kind kind() const override { return Kind::Label; }
    virtual QString caption() const = 0;
    virtual void setCaption(const QString &caption) = 0;
};

class IButton : public IControl
{
public:
    Kind kind() const override { return Kind::Button; }
};

// In-memory controls.
class TextBoxModel : public ITextBox
{
public:
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    QString text() const override { return m_text; }
    void setText(const QString &text) override;
    int maxLength() const override { return m_maxLength; }
    void setMaxLength(int length) override;
    TextSelection selection() const override { return m_selection; }
    void setSelection(TextSelection selection) { m_selection = selection; }

private:
    QString m_text;
    int m_maxLength = 0;
    TextSelection m_selection;
    bool m_enabled = true;
};

class CheckBoxModel : public ICheckBox
{
public:
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    int value() const override { return m_value; }
    void setValue(int state) override { m_value = state; }

private:
    int m_value = Unchecked;
    bool m_enabled = true;
};

class ComboBoxModel : public IComboBox
{
public:
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    QString text() const override;
    void setText(const QString &text) override;
    int count() const override { return int(m_items.size()); }
    QString itemText(int index) const override { return m_items.value(index); }
    void addItem(const QString &text) override { m_items.append(text); }
    void removeItem(int index) override;
    void clear() override;
    int listIndex() const override { return m_index; }
    void setListIndex(int index) override;
    TextSelection selection() const override { return m_selection; }
    void setSelection(TextSelection selection) { m_selection = selection; }

private:
    QStringList m_items;
    QString m_text;
    int m_index = -1;
    TextSelection m_selection;
    bool m_enabled = true;
};

class LabelModel : public ILabel
{
public:
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    QString caption() const override { return m_caption; }
    void setCaption(const QString &caption) override { m_caption = caption; }

private:
    QString m_caption;
    bool m_enabled = true;
};

class ButtonModel : public IButton
{
public:
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }

private:
    bool m_enabled = true;
};

} // namespace KvoPlx800SCtl
