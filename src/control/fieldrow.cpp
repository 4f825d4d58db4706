#include "fieldrow.h"

#include "widgetcontrols.h"

#include "columns/cfiltercolumn.h"

#include "uisupport/windowsupport.h"

#include <QLabel>
#include <QPushButton>

namespace KvoPlx800SCtl {

FieldRow::FieldRow(const FieldRowContext &context)
    : m_context(context), m_locked(context.locked), m_receiver(std::make_unique<QObject>())
{}

FieldRow::~FieldRow()
{
    // No handler of the row runs once its widgets start to go.
    m_receiver.reset();
    for (QWidget *w : widgets())
        delete w;
}

QList<QWidget *> FieldRow::widgets() const
{
    QList<QWidget *> list;
    list.reserve(m_buttons.size() + 2);
    if (m_label)
        list.append(m_label);
    appendTabStops(list);
    return list;
}

QList<QWidget *> FieldRow::tabStops() const
{
    QList<QWidget *> list;
    appendTabStops(list);
    return list;
}

void FieldRow::appendTabStops(QList<QWidget *> &list) const
{
    if (m_entry)
        list.append(m_entry);
    for (QPushButton *b : m_buttons)
        list.append(b);
}

bool FieldRow::contains(const QObject *widget) const
{
    if (!widget)
        return false;
    if (widget == m_entry || widget == m_label)
        return true;
    for (const QPushButton *b : m_buttons) {
        if (b == widget)
            return true;
    }
    return false;
}

void FieldRow::bind()
{
    CFilterColumn *c = column();
    c->setMyControl(m_control);
    // A locked row's buttons are hidden: the column has none to enable.
    if (m_locked)
        c->setCompanions(m_labelControl, nullptr, nullptr, nullptr);
    else
        c->setCompanions(m_labelControl, m_addControl, m_removeControl, m_nowControl);
}

void FieldRow::setLocked(bool locked)
{
    if (locked == m_locked)
        return;
    m_locked = locked;
    applyLock();
    for (QPushButton *b : std::as_const(m_buttons))
        b->setVisible(!locked);
}

void FieldRow::tag(QWidget *widget, const char *arrayName) const
{
    widget->setObjectName(QString::fromLatin1(arrayName));
    widget->setProperty("Tag", column()->Name());
    widget->setProperty("Index", column()->Index());
}

int FieldRow::templateWidth(const QWidget *widget, int count)
{
    return widget->fontMetrics().horizontalAdvance(QString(qMax(1, count), QLatin1Char('W'))) + 12;
}

void FieldRow::addLabel()
{
    m_label = new QLabel(column()->CaptionOrName() + QStringLiteral(": "), parent());
    tag(m_label, "lblField");
    m_labelControl = new LabelControl(m_label);
    const int width = m_label->sizeHint().width();
    if (width >= m_context.labelLimit)
        m_label->setWordWrap(true);
    m_labelWidth = qMin(width, m_context.labelLimit);
}

void FieldRow::setEntry(QWidget *entry, IControl *control, int templateWidth)
{
    m_entry = entry;
    m_control = control;
    m_templateWidth = templateWidth;
}

QPushButton *FieldRow::addButton(Button button)
{
    struct Kind
    {
        const char *name;
        int textNumber;
        IButton *FieldRow::*control;
    };
    static const Kind kinds[] = {{"cmdAdd", 8074, &FieldRow::m_addControl},
                                 {"cmdRemove", 8075, &FieldRow::m_removeControl},
                                 {"cmdNow", 8083, &FieldRow::m_nowControl}};
    const Kind &kind = kinds[int(button)];
    auto *b = new QPushButton(parent());
    setResourceText(b, kind.textNumber);
    tag(b, kind.name);
    // Enter is the control's business (its default button).
    b->setAutoDefault(false);
    this->*kind.control = new ButtonControl(b);
    m_buttons.append(b);
    return b;
}

int FieldRow::entryHeight() const { return m_entry->sizeHint().height(); }

int FieldRow::place(int y, int width, int labelColumnWidth, int gap)
{
    const int g = gap;
    const int entryX = g + (labelColumnWidth > 0 ? labelColumnWidth + g : 0);
    // A locked row's buttons are hidden and take no room.
    const QList<QPushButton *> buttons = m_locked ? QList<QPushButton *>() : m_buttons;
    int buttonsWidth = 0;
    for (QPushButton *b : buttons)
        buttonsWidth += b->sizeHint().width() + g;
    const int available = qMax(40, width - entryX - buttonsWidth - g);
    const bool multiLine = isMultiLine();
    const int entryWidth = multiLine ? available : qMin(m_templateWidth, available);
    const int entryHeight = this->entryHeight();
    int rowHeight = entryHeight;
    for (QPushButton *b : buttons)
        rowHeight = qMax(rowHeight, b->sizeHint().height());
    if (m_label) {
        const bool wraps = m_label->wordWrap();
        const int lineHeight = qMax(m_label->sizeHint().height(), qMin(entryHeight, rowHeight));
        const int labelHeight = wraps ? m_label->heightForWidth(labelColumnWidth) : lineHeight;
        m_label->setAlignment(Qt::AlignLeft | (wraps ? Qt::AlignTop : Qt::AlignVCenter));
        rowHeight = qMax(rowHeight, labelHeight);
        const int singleLine = multiLine ? m_label->sizeHint().height() + g : lineHeight;
        m_label->setGeometry(g, y, labelColumnWidth, wraps ? labelHeight : singleLine);
    }
    m_entry->setGeometry(entryX, y, entryWidth, entryHeight);
    int bx = entryX + entryWidth + g;
    for (QPushButton *b : buttons) {
        const QSize size = b->sizeHint();
        b->setGeometry(bx, y, size.width(), qMax(size.height(), entryHeight));
        bx += size.width() + g;
    }
    m_bounds = QRect(0, y, width, rowHeight);
    return rowHeight;
}

void FieldRow::showValidity()
{
    if (!m_label)
        return;
    const bool invalid = !column()->isValid();
    QFont font = m_label->font();
    if (font.bold() == invalid && font.italic() == invalid)
        return;
    font.setBold(invalid);
    font.setItalic(invalid);
    m_label->setFont(font);
}

} // namespace KvoPlx800SCtl
