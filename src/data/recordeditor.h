#pragma once

#include "core/controls.h"
#include "core/interfaces.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace KvoPlx800SCtl {

class CFilterColumn;
class CFilterColumns;

// Edits the search values of one base record without a window, the way a user edits them in the
// data-entry control: every column is bound to an in-memory control of the kind the control
// would show (text box, check box, keyword or picklist combo box), the controls are filled from
// the stored values, changed, checked, and the valid fields are saved.
class RecordEditor
{
public:
    explicit RecordEditor(CFilterColumns &columns);
    ~RecordEditor();
    RecordEditor(const RecordEditor &) = delete;
    RecordEditor &operator=(const RecordEditor &) = delete;

    // Reads the record and shows its values in the controls; false when not every column was read.
    [[nodiscard]] bool load(ISearchBaseEntry *entry);
    // Types `text` into a column's field as a user would: numbers and dates in the current
    // locale (dates also in ISO form), Booleans as true/false, yes/no or 1/0, keyword lists as
    // items separated by commas, a picklist value as one of its entries. An empty text clears the
    // field. False, with `error` naming the column and its type, when the text does not fit.
    bool setText(CFilterColumn *column, const QString &text, QString *error);
    // Puts the template's values into the fields (the paste button).
    void pasteTemplate();
    // The first column whose field does not hold a valid value, or nullptr.
    CFilterColumn *firstInvalid() const;
    // Writes every valid field and every keyword list (the Apply button); true when all was written.
    [[nodiscard]] bool save(ISearchBaseEntry *entry);

    IControl *control(const CFilterColumn *column) const;

private:
    struct Binding
    {
        CFilterColumn *column;
        std::unique_ptr<IControl> control;
    };
    void bind();

    CFilterColumns &m_columns;
    std::vector<Binding> m_bindings;
};

} // namespace KvoPlx800SCtl
