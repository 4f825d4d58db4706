#pragma once

#include "uisupport/librarydialog.h"

class QLabel;
class QListWidget;

namespace KvoPlx800SCtl {

// The picklist entries that could not be removed because records still use them. Display lists
// kept hidden entries; QueryHide lists kept current entries and offers to hide them instead.
class frmPicklistKept : public LibraryDialog
{
    Q_OBJECT

public:
    explicit frmPicklistKept(QWidget *parent = nullptr);

    void Display(const QStringList &entries, HostKit::IFormsInterface *owner);
    // True when the user chose to hide the entries (cmdOk); false on cmdClose or the close box.
    bool QueryHide(const QStringList &entries, HostKit::IFormsInterface *owner);
    // Everything Display (`query` false) and QueryHide do before the dialog is shown.
    void prepare(const QStringList &entries, bool query, HostKit::IFormsInterface *owner);

private:
    QLabel *m_lblPrompt = nullptr;
    QListWidget *m_lstKept = nullptr;
    QPushButton *m_cmdOk = nullptr;
    QPushButton *m_cmdClose = nullptr;
};

} // namespace KvoPlx800SCtl
