#pragma once

#include "core/controls.h"
#include "core/enums.h"
#include "core/variant.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace KvoPlx800SCtl {

class CScPicklist;
class SearchTables;

// What defines a column: the attributes one row of the definition table keeps. The defaults are
// those of a new column in the column editor.
struct ColumnDefinition
{
    QString name = {};
    FilterColumnTypeConstants type = fcUndefined;
    QString caption = {};
    qint16 textLengthInUI = 20;
    bool isPicklist = false;
    bool picklistAllowBlanks = false;
    QString picklistDefault = {};
    QString description = {};
    EFilterColumnDateTimeDefaultModeConstants dateTimeDefaultMode = fcDTDM_Configure;
    Variant dateTimeDefaultValue = Variant::null();
    bool disableEditDateTime = false;
    QString mergeName = {}; // set by a configuration copy; empty otherwise

    bool operator==(const ColumnDefinition &) const = default;
};

// One search column of a base table: its definition and the values of the record now shown.
class CFilterColumn
{
public:
    // `tables` are the tables of the column set the column belongs to (nullptr: none yet).
    explicit CFilterColumn(const SearchTables *tables, ColumnDefinition definition = {});
    ~CFilterColumn();
    CFilterColumn(const CFilterColumn &) = delete;
    CFilterColumn &operator=(const CFilterColumn &) = delete;

    // --- Public members ---------------------------------------------------------------------
    QString Caption() const { return m_def.caption; }
    QString CaptionOrName() const;
    FilterColumnTypeConstants ColumnType() const { return m_def.type; }
    QString Description() const { return m_def.description; }
    qint16 Index() const { return m_index; }
    QString Name() const { return m_def.name; }
    // The column's picklist object, made (and set up with the column set's handler and base-table
    // structure) on the first read; it lives as long as the column.
    CScPicklist *PickList();
    const QStringList &SavedKeys() const { return m_savedKeys; }
    QStringList &SavedKeys() { return m_savedKeys; }
    Variant SavedValue() const { return m_savedValue; }
    void setSavedValue(const Variant &value) { m_savedValue = value; }
    void setTemplateValue(const Variant &value) { m_templateValue = value; }
    static constexpr int TextLengthInDB() { return 255; }
    qint16 TextLengthInUI() const { return m_def.textLengthInUI; }
    Variant UpdatedValue() const { return m_updatedValue; }
    void setUpdatedValue(const Variant &value) { m_updatedValue = value; }
    // The value the bound control shows now, converted to the column's type.
    Variant Value() const;

    // The entries of the column's picklist as last read, so that showing a record does not read
    // the whole picklist table each time. `stamp` is what the cheap check of the table gave just
    // before the entries were read; an entry the check no longer matches is read again.
    struct PicklistEntries
    {
        bool valid = false;
        QStringList visible;                  // the entries offered to every record, in table order
        QList<QPair<int, QString>> hidden;    // hidden entries: their place among all and their text
        QVariantList stamp;
        bool canHide = true; // the table has the field of hidden entries
    };
    PicklistEntries &picklistEntries() { return m_picklistEntries; }
    const PicklistEntries &picklistEntries() const { return m_picklistEntries; }
    // The next read of the picklist goes to its table (its entries or settings may have changed).
    void dropPicklistEntries() { m_picklistEntries = {}; }

    // --- Definition (inside the library) ----------------------------------------------------
    const ColumnDefinition &definition() const { return m_def; }
    void setDefinition(const ColumnDefinition &definition) { m_def = definition; }
    void setName(const QString &name) { m_def.name = name; }
    void setCaption(const QString &caption) { m_def.caption = caption; }
    void setDescription(const QString &description) { m_def.description = description; }
    void setColumnType(FilterColumnTypeConstants type) { m_def.type = type; }
    void setTextLengthInUI(qint16 length) { m_def.textLengthInUI = length; }
    void setIndex(qint16 index) { m_index = index; }
    bool IsPicklist() const { return m_def.isPicklist; }
    void setIsPicklist(bool on) { m_def.isPicklist = on; }
    bool PicklistAllowBlanks() const { return m_def.picklistAllowBlanks; }
    void setPicklistAllowBlanks(bool on) { m_def.picklistAllowBlanks = on; }
    QString PicklistDefault() const { return m_def.picklistDefault; }
    void setPicklistDefault(const QString &text) { m_def.picklistDefault = text; }
    EFilterColumnDateTimeDefaultModeConstants DateTimeDefaultMode() const { return m_def.dateTimeDefaultMode; }
    void setDateTimeDefaultMode(EFilterColumnDateTimeDefaultModeConstants mode) { m_def.dateTimeDefaultMode = mode; }
    Variant DateTimeDefaultValue() const { return m_def.dateTimeDefaultValue; }
    void setDateTimeDefaultValue(const Variant &value) { m_def.dateTimeDefaultValue = value; }
    bool DisableEditDateTime() const { return m_def.disableEditDateTime; }
    void setDisableEditDateTime(bool on) { m_def.disableEditDateTime = on; }
    QString MergeName() const { return m_def.mergeName; }
    void setMergeName(const QString &name) { m_def.mergeName = name; }
    bool isMergeColumn() const { return !m_def.mergeName.isEmpty(); }
    // What a save of the column set last brought the column's table and picklist to: the
    // definition, and whether the set's fields had indexes. Cleared when the set is read again.
    struct Shaped
    {
        ColumnDefinition definition;
        bool indexedFields = false;
    };
    const std::optional<Shaped> &shaped() const { return m_shaped; }
    void setShaped(std::optional<Shaped> shaped) { m_shaped = std::move(shaped); }

    const SearchTables *tables() const { return m_tables; }
    QString typeDisplayName() const;
    // The status-line prompt describing what the column expects.
    QString typePrompt() const;

    // --- Values ----------------------------------------------------------------------------
    const Variant &TemplateValue() const { return m_templateValue; }
    QStringList &TemplateKeys() { return m_templateKeys; }

    // The value of this column for a new record at `now`.
    Variant DefaultValue(const QDateTime &now) const;
    // SQL literal of DefaultValue(now): NULL, a date literal, a quoted text or a C-locale number.
    QString DefaultValueSql(const QDateTime &now) const;
    // A value typed by a user as an SQL literal of the column's type; nullopt (Empty) when it does
    // not convert (and always for Boolean columns). Numbers are read in `locale`.
    std::optional<QString> SQLFormatPicklistValue(const QString &text, const QLocale &locale = QLocale()) const;
    // A default typed by a user in the current locale, in the form it is stored: text types cut to
    // TextLengthInUI characters and trimmed, numbers as the C-locale text of the converted value
    // (007 becomes 7), dates as "yyyy-mm-dd hh:nn:ss"; anything else unchanged.
    QString FormatPicklistValue(const QString &text) const;
    // The stored picklist default as a value of the column's type (Null when it does not convert).
    Variant picklistDefaultValue() const;

    // --- Bound controls ---------------------------------------------------------------------
    IControl *MyControl() const { return m_control; }
    void setMyControl(IControl *control) { m_control = control; }
    ITextBox *asTextBox() const;
    ICheckBox *asCheckBox() const;
    IComboBox *asComboBox() const;
    ILabel *asLabel() const;
    void setCompanions(ILabel *label, IButton *addButton, IButton *removeButton, IButton *nowButton);
    ILabel *labelControl() const { return m_label; }
    IButton *addButton() const { return m_addButton; }
    IButton *removeButton() const { return m_removeButton; }
    IButton *nowButton() const { return m_nowButton; }
    // Drops every control reference (the controls are being deleted).
    void releaseControls();

    bool IsBlank() const;
    void ResetData();
    void CopyTemplate();
    void ClearValue();
    bool IsPicklistTableMissing() const;

    // Keyword entry through the bound combo box.
    bool AddKeyword();
    bool RemoveKeyword();
    void RefreshKeywordButtons();

    // The validity of the control's text for the column's type (recomputed by Validate).
    bool isValid() const { return m_valid; }
    bool Validate();

private:
    void putValue(const Variant &value, const QStringList &keys);

    const SearchTables *m_tables;
    ColumnDefinition m_def;
    qint16 m_index = 0;
    std::optional<Shaped> m_shaped;

    Variant m_savedValue = Variant::null();
    QStringList m_savedKeys;
    Variant m_updatedValue;
    Variant m_templateValue;
    QStringList m_templateKeys;

    IControl *m_control = nullptr;
    ILabel *m_label = nullptr;
    IButton *m_addButton = nullptr;
    IButton *m_removeButton = nullptr;
    IButton *m_nowButton = nullptr;
    bool m_valid = true;
    std::unique_ptr<CScPicklist> m_pickList;
    PicklistEntries m_picklistEntries;
};

} // namespace KvoPlx800SCtl
