#pragma once

#include "core/enums.h"

#include "uisupport/windowsupport.h"

#include <QDialog>

#include <array>
#include <optional>

class QPushButton;
class QRadioButton;
class QTextBrowser;

namespace KvoPlx800SCtl {

class CFilterColumns;

// The filter help: how filter values are written (the general view), or the fields of the column
// set that a filter can compare with their kinds (the columns view). The text is built from the
// resource texts, the search columns and the base-table fields each time the view or the
// language changes.
class frmFilterHelp : public QDialog
{
    Q_OBJECT

public:
    static constexpr int GeneralView = 1;
    static constexpr int ColumnsView = 2;

    explicit frmFilterHelp(QWidget *parent = nullptr);

    // Shows the window modally for `columns` and returns when it is closed.
    void Display(CFilterColumns &columns);
    // Everything Display does before it shows the window.
    void prepare(CFilterColumns &columns);

    // The selected view: 1 the general help, 2 the columns.
    int OptionView() const;
    void setOptionView(int view);
    // The text of a view, paragraphs separated by an empty line.
    QString GeneralHelpText() const;
    QString ColumnsHelpText() const;
    // The name of a comparison class, given a text length (empty for a class without one).
    static QString ComparisonClassName(FilterComparisonClasses cls, int textLength);

    QTextBrowser *rtfHelp() const { return m_rtfHelp; }

protected:
    // A LanguageChange shows every remembered text again (retranslateTexts).
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void InitializeControls();
    void InitializeHelp(int view);

    CFilterColumns *m_columns = nullptr;
    QTextBrowser *m_rtfHelp = nullptr;
    QWidget *m_picButtons = nullptr;
    std::array<QRadioButton *, 2> m_optView{};
    QPushButton *m_cmdOk = nullptr;
    std::optional<HostKit::OwnerRect> m_centreIn;
    LoadedWindowRegistration m_registration{this};
};

} // namespace KvoPlx800SCtl
