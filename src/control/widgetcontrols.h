#pragma once

#include "core/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

// Real widgets as the controls a column binds to. Each adapter is a child of its widget, so it
// ends with the widget; it also watches the widget through a guarded pointer and behaves like an
// empty control once the widget is gone.
namespace KvoPlx800SCtl {

// A single-line text box.
class LineEditControl
    : public QObject
    , public ITextBox
{
public:
    explicit LineEditControl(QLineEdit *edit);

    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    void setFocus() override;
    QString text() const override;
    void setText(const QString &text) override;
    int maxLength() const override;
    void setMaxLength(int length) override;
    TextSelection selection() const override;

private:
    QPointer<QLineEdit> m_edit;
};

// A multi-line note box. QPlainTextEdit has no length limit of its own: the adapter cuts the
// text back to the maximum length whenever it grows beyond it.
class NoteEditControl
    : public QObject
    , public ITextBox
{
public:
    explicit NoteEditControl(QPlainTextEdit *edit);

    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    void setFocus() override;
    QString text() const override;
    void setText(const QString &text) override;
    int maxLength() const override { return m_maxLength; }
    void setMaxLength(int length) override;
    TextSelection selection() const override;

private:
    void enforceMaxLength();

    QPointer<QPlainTextEdit> m_edit;
    int m_maxLength = 0;
};

class CheckBoxControl
    : public QObject
    , public ICheckBox
{
public:
    explicit CheckBoxControl(QCheckBox *box);

    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    void setFocus() override;
    int value() const override;
    void setValue(int state) override;

private:
    QPointer<QCheckBox> m_box;
};

// A combo box: editable (keyword entry, where typing leaves no entry selected) or a drop-down
// list (picklists and the display of keyword lists).
class ComboBoxControl
    : public QObject
    , public IComboBox
{
public:
    explicit ComboBoxControl(QComboBox *combo);

    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    void setFocus() override;
    QString text() const override;
    void setText(const QString &text) override;
    int count() const override;
    QString itemText(int index) const override;
    void addItem(const QString &text) override;
    void removeItem(int index) override;
    void clear() override;
    // The selected entry; for an editable box -1 once the edit text no longer is that entry's.
    int listIndex() const override;
    void setListIndex(int index) override;
    TextSelection selection() const override;

private:
    QPointer<QComboBox> m_combo;
};

class LabelControl
    : public QObject
    , public ILabel
{
public:
    explicit LabelControl(QLabel *label);

    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    QString caption() const override;
    void setCaption(const QString &caption) override;

private:
    QPointer<QLabel> m_label;
};

class ButtonControl
    : public QObject
    , public IButton
{
public:
    explicit ButtonControl(QPushButton *button);

    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    void setFocus() override;

private:
    QPointer<QPushButton> m_button;
};

} // namespace KvoPlx800SCtl
