#pragma once

#include "uisupport/librarydialog.h"

class QListWidget;

namespace KvoPlx800SCtl {

class CFilterColumns;

// The choice of the picklist column whose picklist editor opens, when a column set has several.
class frmPicklistSelect : public LibraryDialog
{
    Q_OBJECT

public:
    explicit frmPicklistSelect(QWidget *parent = nullptr);

    void SelectAndEdit(CFilterColumns &columns, HostKit::IFormsInterface *owner);
    // Everything SelectAndEdit does before the dialog is shown.
    void prepare(CFilterColumns &columns, HostKit::IFormsInterface *owner);

private:
    void initializeColumnList();
    void cmdEdit();

    CFilterColumns *m_columns = nullptr;
    QListWidget *m_lstColumns = nullptr;
    QPushButton *m_cmdEdit = nullptr;
};

} // namespace KvoPlx800SCtl
