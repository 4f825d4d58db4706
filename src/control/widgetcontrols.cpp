#include "widgetcontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>

namespace KvoPlx800SCtl {

// --- LineEditControl ----------------------------------------------------------------------------

LineEditControl::LineEditControl(QLineEdit *edit) : QObject(edit), m_edit(edit) {}

bool LineEditControl::isEnabled() const { return m_edit && m_edit->isEnabled(); }

void LineEditControl::setEnabled(bool enabled)
{
    if (m_edit)
        m_edit->setEnabled(enabled);
}

void LineEditControl::setFocus()
{
    if (m_edit)
        m_edit->setFocus(Qt::OtherFocusReason);
}

QString LineEditControl::text() const { return m_edit ? m_edit->text() : QString(); }

void LineEditControl::setText(const QString &text)
{
    if (m_edit)
        m_edit->setText(text);
}

int LineEditControl::maxLength() const
{
    // QLineEdit's "no limit" is a large number; the core's is 0.
    if (!m_edit || m_edit->maxLength() >= 32767)
        return 0;
    return m_edit->maxLength();
}

void LineEditControl::setMaxLength(int length)
{
    if (m_edit)
        m_edit->setMaxLength(length > 0 ? length : 32767);
}

TextSelection LineEditControl::selection() const
{
    if (!m_edit)
        return {};
    if (m_edit->hasSelectedText())
        return {m_edit->selectionStart(), int(m_edit->selectedText().size())};
    return {m_edit->cursorPosition(), 0};
}

// --- NoteEditControl ----------------------------------------------------------------------------

NoteEditControl::NoteEditControl(QPlainTextEdit *edit) : QObject(edit), m_edit(edit)
{
    connect(edit, &QPlainTextEdit::textChanged, this, [this] { enforceMaxLength(); });
}

bool NoteEditControl::isEnabled() const { return m_edit && m_edit->isEnabled(); }

void NoteEditControl::setEnabled(bool enabled)
{
    if (m_edit)
        m_edit->setEnabled(enabled);
}

void NoteEditControl::setFocus()
{
    if (m_edit)
        m_edit->setFocus(Qt::OtherFocusReason);
}

QString NoteEditControl::text() const { return m_edit ? m_edit->toPlainText() : QString(); }

void NoteEditControl::setText(const QString &text)
{
    if (!m_edit)
        return;
    const QString limited = m_maxLength > 0 ? text.left(m_maxLength) : text;
    if (limited != m_edit->toPlainText())
        m_edit->setPlainText(limited);
}

void NoteEditControl::setMaxLength(int length)
{
    m_maxLength = qMax(0, length);
    enforceMaxLength();
}

TextSelection NoteEditControl::selection() const
{
    if (!m_edit)
        return {};
    const QTextCursor cursor = m_edit->textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

void NoteEditControl::enforceMaxLength()
{
    if (!m_edit || m_maxLength <= 0)
        return;
    const QString text = m_edit->toPlainText();
    if (text.size() <= m_maxLength)
        return;
    // Setting the text again emits textChanged once more; the text then fits and nothing recurses.
    QTextCursor cursor = m_edit->textCursor();
    const int position = qMin(cursor.position(), m_maxLength);
    m_edit->setPlainText(text.left(m_maxLength));
    cursor = m_edit->textCursor();
    cursor.setPosition(position);
    m_edit->setTextCursor(cursor);
}

// --- CheckBoxControl ----------------------------------------------------------------------------

CheckBoxControl::CheckBoxControl(QCheckBox *box) : QObject(box), m_box(box) {}

bool CheckBoxControl::isEnabled() const { return m_box && m_box->isEnabled(); }

void CheckBoxControl::setEnabled(bool enabled)
{
    if (m_box)
        m_box->setEnabled(enabled);
}

void CheckBoxControl::setFocus()
{
    if (m_box)
        m_box->setFocus(Qt::OtherFocusReason);
}

int CheckBoxControl::value() const
{
    if (!m_box)
        return Unchecked;
    switch (m_box->checkState()) {
    case Qt::Checked:
        return Checked;
    case Qt::PartiallyChecked:
        return Grayed;
    default:
        return Unchecked;
    }
}

void CheckBoxControl::setValue(int state)
{
    if (!m_box)
        return;
    if (state == Grayed) {
        m_box->setTristate(true);
        m_box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    m_box->setCheckState(state == Checked ? Qt::Checked : Qt::Unchecked);
}

// --- ComboBoxControl ----------------------------------------------------------------------------

ComboBoxControl::ComboBoxControl(QComboBox *combo) : QObject(combo), m_combo(combo) {}

bool ComboBoxControl::isEnabled() const { return m_combo && m_combo->isEnabled(); }

void ComboBoxControl::setEnabled(bool enabled)
{
    if (m_combo)
        m_combo->setEnabled(enabled);
}

void ComboBoxControl::setFocus()
{
    if (m_combo)
        m_combo->setFocus(Qt::OtherFocusReason);
}

QString ComboBoxControl::text() const { return m_combo ? m_combo->currentText() : QString(); }

void ComboBoxControl::setText(const QString &text)
{
    if (!m_combo)
        return;
    if (m_combo->isEditable()) {
        // Like typing: no entry is selected afterwards, even one with the same text.
        m_combo->setCurrentIndex(-1);
        m_combo->setEditText(text);
        return;
    }
    // A drop-down list can only show one of its entries.
    m_combo->setCurrentIndex(m_combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

int ComboBoxControl::count() const { return m_combo ? m_combo->count() : 0; }

QString ComboBoxControl::itemText(int index) const { return m_combo ? m_combo->itemText(index) : QString(); }

void ComboBoxControl::addItem(const QString &text)
{
    if (!m_combo)
        return;
    // Adding the first entry to an empty box would select it; the core selects explicitly.
    const int before = m_combo->currentIndex();
    const QString editText = m_combo->currentText();
    m_combo->addItem(text);
    if (before < 0 && m_combo->currentIndex() >= 0) {
        m_combo->setCurrentIndex(-1);
        if (m_combo->isEditable())
            m_combo->setEditText(editText);
    }
}

void ComboBoxControl::removeItem(int index)
{
    if (!m_combo || index < 0 || index >= m_combo->count())
        return;
    const bool wasCurrent = m_combo->currentIndex() == index;
    m_combo->removeItem(index);
    if (wasCurrent) {
        m_combo->setCurrentIndex(-1);
        if (m_combo->isEditable())
            m_combo->setEditText(QString());
    }
}

void ComboBoxControl::clear()
{
    if (!m_combo)
        return;
    m_combo->clear();
    if (m_combo->isEditable())
        m_combo->setEditText(QString());
}

int ComboBoxControl::listIndex() const
{
    if (!m_combo)
        return -1;
    const int index = m_combo->currentIndex();
    if (index >= 0 && m_combo->isEditable() && m_combo->currentText() != m_combo->itemText(index))
        return -1;
    return index;
}

void ComboBoxControl::setListIndex(int index)
{
    if (!m_combo)
        return;
    if (index < 0 || index >= m_combo->count()) {
        m_combo->setCurrentIndex(-1);
        return;
    }
    m_combo->setCurrentIndex(index);
    if (m_combo->isEditable())
        m_combo->setEditText(m_combo->itemText(index));
}

TextSelection ComboBoxControl::selection() const
{
    if (!m_combo)
        return {};
    if (const QLineEdit *edit = m_combo->lineEdit()) {
        if (edit->hasSelectedText())
            return {edit->selectionStart(), int(edit->selectedText().size())};
        return {edit->cursorPosition(), 0};
    }
    return {0, int(m_combo->currentText().size())};
}

// --- LabelControl -------------------------------------------------------------------------------

LabelControl::LabelControl(QLabel *label) : QObject(label), m_label(label) {}

bool LabelControl::isEnabled() const { return m_label && m_label->isEnabled(); }

void LabelControl::setEnabled(bool enabled)
{
    if (m_label)
        m_label->setEnabled(enabled);
}

QString LabelControl::caption() const { return m_label ? m_label->text() : QString(); }

void LabelControl::setCaption(const QString &caption)
{
    if (m_label)
        m_label->setText(caption);
}

// --- ButtonControl ------------------------------------------------------------------------------

ButtonControl::ButtonControl(QPushButton *button) : QObject(button), m_button(button) {}

bool ButtonControl::isEnabled() const { return m_button && m_button->isEnabled(); }

void ButtonControl::setEnabled(bool enabled)
{
    if (m_button)
        m_button->setEnabled(enabled);
}

void ButtonControl::setFocus()
{
    if (m_button)
        m_button->setFocus(Qt::OtherFocusReason);
}

} // namespace KvoPlx800SCtl
