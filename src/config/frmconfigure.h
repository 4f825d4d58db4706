#pragma once

#include "core/enums.h"

#include "uisupport/librarydialog.h"

#include <QSet>

class QLabel;
class QListWidget;
class QSpinBox;
class QTreeWidget;

namespace KvoPlx800SCtl {

class CFilterColumn;
class CFilterColumns;

// The configuration dialog: the search columns of one base table, to add, edit, delete, reorder
// and retype, and the picklist editor of a picklist column. Changes stay in the column set until
// Apply writes them all (ColumnsSave), after which the definitions are read back; Cancel and the
// Apply question's Cancel discard them by reading the definitions again.
//
// The dialog holds no column pointer across a removal or a new fetch: the list's rows are keyed
// by column name, and a column is looked up by name when it is needed.
class frmConfigure : public LibraryDialog
{
    Q_OBJECT

public:
    explicit frmConfigure(QWidget *parent = nullptr);

    // Shows the dialog modally for `columns`, centred in their owner rectangle.
    void Configure(CFilterColumns &columns);
    // Everything Configure does before the dialog is shown.
    void prepare(CFilterColumns &columns);

    // Some definition differs from what the database holds.
    bool isChanged() const { return m_changed; }
    // A change that removes stored data was made (a saved column deleted): Apply asks first.
    bool isStructureChanged() const { return m_structure; }
    // The name of the selected row's column; empty when none is selected.
    QString selectedName() const;
    void selectColumn(const QString &name);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void setupFields();
    void refreshList(const QString &select = {});
    void controlsUpdate();
    // A column of the set that the database holds (not one added in this dialog).
    bool isStored(const QString &name) const;
    CFilterColumn *selectedColumn() const;
    void saveChanges();
    void changeType();

    void cmdNew();
    void cmdEdit();
    void cmdDelete();
    void cmdUp();
    void cmdDown();
    void cmdMove(bool up);
    void cmdPicklist();
    void cmdApply();
    void cmdCancel();

    CFilterColumns *m_columns = nullptr;
    bool m_changed = false;
    bool m_structure = false;
    bool m_closing = false;
    QSet<QString> m_stored; // names in lower case

    QTreeWidget *m_lvwSearch = nullptr;
    QLabel *m_lblDBName = nullptr;
    QLabel *m_lblTableName = nullptr;
    QLabel *m_lblKeyName = nullptr;
    QLabel *m_lblSearchFields = nullptr;
    QPushButton *m_cmdNew = nullptr;
    QPushButton *m_cmdEdit = nullptr;
    QPushButton *m_cmdDelete = nullptr;
    QPushButton *m_cmdUp = nullptr;
    QPushButton *m_cmdDown = nullptr;
    QPushButton *m_cmdPicklist = nullptr;
    QPushButton *m_cmdChangeType = nullptr;
    QPushButton *m_cmdApply = nullptr;
    QPushButton *m_cmdCancel = nullptr;
};

// The choice of a column's new type for "Change Type...": the single-valued types and, for text,
// the length. Shown modally by choose().
class frmChangeType : public LibraryDialog
{
    Q_OBJECT

public:
    explicit frmChangeType(QWidget *parent = nullptr);
    // False when the user cancelled; otherwise the type and length chosen.
    bool choose(const CFilterColumn &column, const HostKit::OwnerRect &owner);
    void prepare(const CFilterColumn &column, const HostKit::OwnerRect &owner);
    FilterColumnTypeConstants type() const;
    int length() const;

private:
    void update();

    QLabel *m_lblPrompt = nullptr;
    QListWidget *m_lstType = nullptr;
    QLabel *m_lblSize = nullptr;
    QSpinBox *m_txtSize = nullptr;
    QPushButton *m_cmdOk = nullptr;
    FilterColumnTypeConstants m_present = fcUndefined;
};

} // namespace KvoPlx800SCtl
