#pragma once

#include "columns/cfiltercolumn.h"

#include "uisupport/librarydialog.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QScrollBar;

namespace KvoPlx800SCtl {

class CFilterColumns;

// The column editor: the definition of one search column. MakeNew adds a new column to a column
// set, Edit changes one; both show the dialog modally. Name and type are taken over only while
// the column is new (not saved yet); for a saved column those two boxes are disabled. The name
// is checked as it is typed, against the base table's fields, the other columns and the longest
// name the derived table names allow; OK is enabled only while the name is valid and something
// differs from the column.
//
// The widgets and the definition meet in definition() and setDefinition(), so that the round
// trip can be checked without clicking.
class frmColumnEdit : public LibraryDialog
{
    Q_OBJECT

public:
    explicit frmColumnEdit(QWidget *parent = nullptr);

    // The new column (added to `columns`), or nullptr when the user cancelled.
    CFilterColumn *MakeNew(CFilterColumns &columns);
    // True when the user pressed OK and the column took the dialog's values. `isNew`: the column
    // is not saved yet, so its name and type may still change.
    bool Edit(CFilterColumn &column, CFilterColumns &columns, bool isNew = false);
    // Everything MakeNew (`column` nullptr) and Edit do before the dialog is shown.
    void prepare(CFilterColumns &columns, CFilterColumn *column, bool isNew);
    // The column made or changed by OK; nullptr before.
    CFilterColumn *column() const { return m_done ? m_column : nullptr; }

    // What the widgets hold: text length by type (the size for keyword and text, 255 for note,
    // else 0), no picklist for the types that have none, the date default only for a date/time
    // column without a picklist, and as picklistDefault the default text as typed.
    ColumnDefinition definition() const;
    // Fills the widgets; `defaultText` is the default as shown (see defaultTextOf).
    void setDefinition(const ColumnDefinition &definition, const QString &defaultText);
    // The default of a column as the editor shows it: the picklist default (numbers and dates in
    // the user's form), a date/time column's configured date, or a note column's default text.
    static QString defaultTextOf(const ColumnDefinition &definition);
    // The display name of a column type, in the language shown at the time.
    static TranslatedText typeName(int type);

    // 0 when the name is valid; 1 to 6: the clash of nameClash (warning 8162 + code - 1); 7: too
    // long; -1: empty.
    int nameWarning() const { return m_warning; }

public slots:
    void accept() override;

private:
    void buildControls();
    FilterColumnTypeConstants selectedType() const;
    // ValidateName and ValidateNameWarning.
    bool validateName();
    bool validatePicklistSetting();
    void controlsUpdate();
    bool differsFromColumn() const;
    void writeColumn(CFilterColumn &column) const;

    CFilterColumns *m_columns = nullptr;
    CFilterColumn *m_column = nullptr;
    bool m_isNew = true;
    bool m_done = false;
    int m_warning = -1;
    bool m_updating = false;
    ColumnDefinition m_original;
    QString m_originalDefault;

    QGridLayout *m_grid = nullptr;
    QLineEdit *m_txtName = nullptr;
    QLineEdit *m_txtCaption = nullptr;
    QLineEdit *m_txtDescription = nullptr;
    QListWidget *m_lstType = nullptr;
    QLabel *m_lblSize = nullptr;
    QLineEdit *m_txtSize = nullptr;
    QScrollBar *m_updSize = nullptr;
    QCheckBox *m_chkIsPicklist = nullptr;
    QCheckBox *m_chkPicklistBlank = nullptr;
    QLabel *m_lblDefault = nullptr;
    QLineEdit *m_txtDefault = nullptr;
    QPlainTextEdit *m_txtNoteDefault = nullptr;
    QRadioButton *m_optConfigure = nullptr; // kvooptDateDefault(0)
    QRadioButton *m_optNow = nullptr;       // kvooptDateDefault(1)
    QCheckBox *m_chkDisableEditTime = nullptr;
    QLabel *m_lblWarning = nullptr;
    QPushButton *m_cmdOk = nullptr;
    QPushButton *m_cmdCancel = nullptr;
};

} // namespace KvoPlx800SCtl
