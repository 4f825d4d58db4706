#pragma once

#include "uisupport/librarydialog.h"

class QLabel;
class QLineEdit;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace KvoPlx800SCtl {

class CFilterColumn;
class CScPicklist;

// The picklist editor of one picklist column, with three checkable lists on the pages of
// tabEdit: entries typed since the dialog opened (tvwNew, written by Save), the current entries
// (tvwOld) and the hidden ones (tvwHidden). Hiding, showing and removing are written at once,
// each click's statements in one transaction. The default entry can never stay checked, so it
// can be neither hidden nor removed. An entry that records use is kept when it is removed and
// listed in the kept-entries dialog.
//
// Each node carries its text as shown (numbers and dates in the user's form) and, under
// ValueRole, the value as the database keeps it (C-locale text).
class frmPicklistEdit : public LibraryDialog
{
    Q_OBJECT

public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ValueRole = Qt::UserRole + 1;

    explicit frmPicklistEdit(QWidget *parent = nullptr);

    // Shows the editor modally for `picklist` under `owner`; returns when it closes.
    void Edit(CScPicklist &picklist, HostKit::IFormsInterface *owner);
    // Everything Edit does before the dialog is shown; false (and a message) when the picklist is
    // not set up.
    bool prepare(CScPicklist &picklist, HostKit::IFormsInterface *owner);

    // Why the text in txtNew cannot be added (empty when it can, or when it is blank).
    QString refusal() const;

private:
    TranslatedText refusalText() const;
    void buildControls();
    void initializeLists();
    void updateButtons();
    void fixDefault();
    bool isDefault(const QString &value) const;
    // The value a typed text stands for, as the database keeps it; empty when it is none.
    QString evaluateEntry(const QString &text) const;
    bool entryUsed(const QString &value) const;
    QString literalOf(const QString &value) const;
    QTreeWidgetItem *addNode(QTreeWidget *tree, const QString &shown, const QString &value);
    void locateEntry(QTreeWidget *tree, const QString &text);

    void addNewEntry();
    void removeNewItems();
    void saveAdditions();
    void hideShowCollection(const QStringList &values, bool hide);
    void removeItems(QTreeWidget *tree, bool hidden);

    CScPicklist *m_picklist = nullptr;
    CFilterColumn *m_column = nullptr;
    HostKit::IFormsInterface *m_callerOwner = nullptr;

    QLabel *m_lblPrompt = nullptr;
    QTabWidget *m_tabEdit = nullptr;
    QLineEdit *m_txtNew = nullptr;
    QLineEdit *m_txtOld = nullptr;
    QLineEdit *m_txtHidden = nullptr;
    QTreeWidget *m_tvwNew = nullptr;
    QTreeWidget *m_tvwOld = nullptr;
    QTreeWidget *m_tvwHidden = nullptr;
    QLabel *m_lblNewWarning = nullptr;
    QPushButton *m_cmdAdd = nullptr;
    QPushButton *m_cmdRemove = nullptr;
    QPushButton *m_cmdHide = nullptr;
    QPushButton *m_cmdShow = nullptr;
    QPushButton *m_cmdRemoveOld = nullptr;
    QPushButton *m_cmdRemoveHidden = nullptr;
    QPushButton *m_cmdSave = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QTimer *m_tmrFixDefault = nullptr;
};

} // namespace KvoPlx800SCtl
