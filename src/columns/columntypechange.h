#pragma once

#include "core/enums.h"
#include "core/variant.h"

#include <QList>
#include <QString>

#include <optional>

namespace KvoPlx800SCtl {

class CFilterColumns;

// Changing the type of a stored single-valued column (text, note, 16/32-bit integer, single,
// double, date/time, Boolean) while keeping every value that converts. Saving a column set
// whose column changed its type drops the column's values; this keeps them.
//
// A value converts when it has a form of the new type (Convert::toColumnType: a text is read in
// the C locale first, the user's second) and that form converted back gives the same value: the
// same number, date or Boolean, or for a text column a text that reads as the same value of the
// new type ("7.50" and "7.5" are the same double; "3.5" is no 32-bit integer, since 4 is not 3.5).
// A text longer than the new text length does not convert. Null stays Null; a blank text stays
// blank when the new type holds texts and otherwise becomes Null; neither is counted. A keyword
// column keeps a list per record and is refused, as is a new type of keyword.
//
// The change runs as one unit: the column's field and values, its picklist (whose entries and
// default convert like values; a Boolean or note column has no picklist, so it is dropped) and
// its definition row. Where the engine's DDL is transactional the unit is one transaction, and
// an engine that cannot change a field's type in place rebuilds the search-data table in it
// (create, copy, drop, rename). Where DDL commits implicitly, a failure part-way puts the
// column back as it was: its type, values, picklist entries and definition row.
class ColumnTypeChange
{
public:
    // What happens to one stored value.
    enum class Outcome {
        Kept,     // Null, or a blank text: not counted (a blank becomes Null unless the type holds texts)
        Converts, // counted as convertible
        Lost,     // counted as not convertible
    };
    struct Converted
    {
        Outcome outcome;
        Variant value; // the value of the new type (Null when lost or blank)
    };
    // One value of type `from` as a value of type `to` whose texts are at most `length` long.
    static Converted convert(const Variant &value, int from, int to, int length);

    struct Example
    {
        qint32 id;
        Variant value; // as stored, of the column's present type
    };
    struct Preview
    {
        int convertible = 0;
        int notConvertible = 0;
        QList<Example> examples;    // the lowest keys whose value does not convert, at most MaxExamples
        bool dropsPicklist = false; // the column loses its picklist
    };
    static constexpr int MaxExamples = 5;

    // `length` is the text length of a new text type, 0 for the column's present length (the
    // length of a text or keyword column; 255, the field's length, for any other).
    ColumnTypeChange(CFilterColumns &columns, const QString &columnName, FilterColumnTypeConstants type,
                     int length = 0);
    ~ColumnTypeChange();
    ColumnTypeChange(const ColumnTypeChange &) = delete;
    ColumnTypeChange &operator=(const ColumnTypeChange &) = delete;

    // Why the change cannot be made (a keyword column or type, an unknown or unsaved column, a
    // column with unsaved changes, a length outside 1 to 255); empty when it can.
    QString refusal() const { return m_refusal; }
    // The type and text length are what the column has: there is nothing to change.
    bool changesNothing() const;
    // Counts the stored values; nullopt when the change is refused or the values cannot be read.
    std::optional<Preview> DryRun();
    // Converts. A value that does not convert becomes Null only with `dropUnconvertible`;
    // otherwise it refuses the change and nothing is changed. Afterwards the column set's
    // definitions are read again. True when the change was made (or there was none to make).
    [[nodiscard]] bool Run(bool dropUnconvertible);
    // Why DryRun or Run failed.
    QString lastError() const { return m_error; }

private:
    class Work;

    CFilterColumns &m_columns;
    QString m_name;
    FilterColumnTypeConstants m_type;
    int m_length = 0;
    QString m_refusal;
    QString m_error;
};

} // namespace KvoPlx800SCtl
