#include "recordeditor.h"

#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/tracescope.h"

#include "hostkit/texthelper.h"

namespace KvoPlx800SCtl {

namespace {
constexpr const char *Module = "RecordEditor";

QString typeMismatch(const CFilterColumn *column, const QString &text, const QString &what)
{
    return QStringLiteral("column %1 of type %2: \"%3\" is not %4")
            .arg(column->Name(), column->typeDisplayName(), text, what);
}
// The characters a field of a text column takes.
int lengthLimit(const CFilterColumn *column)
{
    const int ui = column->TextLengthInUI();
    return ui > 0 ? qMin(ui, CFilterColumn::TextLengthInDB()) : CFilterColumn::TextLengthInDB();
}

QString tooLong(const CFilterColumn *column)
{
    return QStringLiteral("column %1 of type %2 takes at most %3 characters")
            .arg(column->Name(), column->typeDisplayName())
            .arg(lengthLimit(column));
}
} // namespace

RecordEditor::RecordEditor(CFilterColumns &columns) : m_columns(columns) { bind(); }

RecordEditor::~RecordEditor()
{
    for (Binding &b : m_bindings)
        b.column->releaseControls();
}

void RecordEditor::bind()
{
    for (CFilterColumn *c : m_columns.NewEnum()) {
        std::unique_ptr<IControl> control;
        if (c->ColumnType() == fcKeyword || c->IsPicklist())
            control = std::make_unique<ComboBoxModel>();
        else if (c->ColumnType() == fcBoolean)
            control = std::make_unique<CheckBoxModel>();
        else
            control = std::make_unique<TextBoxModel>();
        c->setMyControl(control.get());
        m_bindings.push_back({c, std::move(control)});
    }
}

IControl *RecordEditor::control(const CFilterColumn *column) const
{
    for (const Binding &b : m_bindings) {
        if (b.column == column)
            return b.control.get();
    }
    return nullptr;
}

bool RecordEditor::load(ISearchBaseEntry *entry)
{
    return traced("load", Module, false, [&](bool &result) {
        m_columns.RevalidatePicklists();
        const bool read = m_columns.GetData(entry);
        // What could be read is shown either way.
        for (Binding &b : m_bindings) {
            b.column->ResetData();
            b.column->Validate();
        }
        result = read;
    });
}

bool RecordEditor::setText(CFilterColumn *column, const QString &text, QString *error)
{
    IControl *control = this->control(column);
    if (!control) {
        *error = QStringLiteral("column %1 is not being edited").arg(column ? column->Name() : QString());
        return false;
    }
    const QString trimmed = text.trimmed();
    if (auto *combo = dynamic_cast<IComboBox *>(control)) {
        if (column->ColumnType() == fcKeyword) {
            combo->clear();
            for (const QString &part : text.split(QLatin1Char(','))) {
                if (part.trimmed().size() > lengthLimit(column)) {
                    *error = tooLong(column);
                    return false;
                }
                combo->setText(part.trimmed());
                column->AddKeyword();
            }
            combo->setText(QString());
            return true;
        }
        // A picklist column takes one of the entries its list offers (the blank one clears it).
        if (trimmed.isEmpty()) {
            combo->setListIndex(-1);
            combo->setText(QString());
            return true;
        }
        for (int i = 0; i < combo->count(); ++i) {
            if (HostKit::TextHelper::TextEqual(combo->itemText(i).trimmed(), trimmed, 1)) {
                combo->setListIndex(i);
                return true;
            }
        }
        *error = QStringLiteral("column %1 of type %2: \"%3\" is not an entry of its picklist")
                         .arg(column->Name(), column->typeDisplayName(), text);
        return false;
    }
    if (auto *check = dynamic_cast<ICheckBox *>(control)) {
        const auto value = trimmed.isEmpty() ? std::optional<bool>(false) : Convert::parseBoolean(trimmed);
        if (!value) {
            *error = typeMismatch(column, text, QStringLiteral("true or false"));
            return false;
        }
        check->setValue(*value ? ICheckBox::Checked : ICheckBox::Unchecked);
        return true;
    }
    auto *box = dynamic_cast<ITextBox *>(control);
    box->setMaxLength(0);
    box->setText(column->ColumnType() == fcText || column->ColumnType() == fcNote ? text : trimmed);
    if ((column->ColumnType() == fcText || column->ColumnType() == fcNote) && trimmed.size() > lengthLimit(column)) {
        *error = tooLong(column);
        return false;
    }
    if (!column->Validate()) {
        *error = typeMismatch(column, text,
                              column->ColumnType() == fcDateTime ? QStringLiteral("a date")
                                                                 : QStringLiteral("a number of that type"));
        return false;
    }
    return true;
}

void RecordEditor::pasteTemplate()
{
    traced("pasteTemplate", Module, [&] {
        m_columns.CopyTemplate();
        for (Binding &b : m_bindings)
            b.column->Validate();
    });
}

CFilterColumn *RecordEditor::firstInvalid() const
{
    for (const Binding &b : m_bindings) {
        if (!b.column->Validate())
            return b.column;
    }
    return nullptr;
}

bool RecordEditor::save(ISearchBaseEntry *entry)
{
    return traced("save", Module, false, [&](bool &result) { result = m_columns.SaveDataFromEditControl(entry); });
}

} // namespace KvoPlx800SCtl
