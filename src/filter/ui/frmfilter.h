#pragma once

#include "core/windows.h"
#include "filter/filterfields.h"

#include "uisupport/windowsupport.h"

#include <QDialog>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace KvoPlx800SCtl {

class CFilterColumns;
class CFilterTerms;
class LineEditControl;
class RecordCounter;

// The filter dialog: up to ten rows of field, comparison and value, each row after the first joined
// to the rows before it by And or Or. It opens pre-filled with the user's last filter, tells which
// of its conditions could not be restored, shows how many records the rows select while they
// change, and hands back the filter the rows make on OK.
class frmFilter : public QDialog
{
    Q_OBJECT

public:
    static constexpr int Rows = 10;
    // The count waits this long after the last change, so typing never waits for it.
    static constexpr int CountDelayMs = 300;

    explicit frmFilter(QWidget *parent = nullptr);
    ~frmFilter() override;

    // Shows the dialog modally for `columns`, pre-filled from `terms` (may be nullptr). Applied with
    // the filter the rows make on OK (a filter without terms when row 0 holds the none item),
    // Cancelled on Cancel, Esc or the close box.
    FilterDialogResult Filter(CFilterColumns &columns, const CFilterTerms *terms);
    // Everything Filter does before it shows the dialog: captions, field lists, the rows of
    // `terms`, the report of what could not be restored, the place in the owner rectangle.
    void Setup(CFilterColumns &columns, const CFilterTerms *terms);
    // The filter the rows make now: what OK hands back.
    std::unique_ptr<CFilterTerms> termsFromRows() const;
    // After OK: the filter handed back (once).
    std::unique_ptr<CFilterTerms> takeResult() { return std::move(m_result); }

    // The control arrays, by row index; nullptr outside 0..9 (the conjunction list: 1..9).
    QComboBox *imgcboFields(int row) const;
    QComboBox *cboComparison(int row) const;
    QLineEdit *txtCompareTo(int row) const;
    QComboBox *cboConjunction(int row) const;
    // The number of records the rows select, and the report on the last filter.
    QLabel *lblCount() const { return m_lblCount; }
    QLabel *lblProblems() const { return m_lblProblems; }

protected:
    // A LanguageChange shows every remembered text again (retranslateTexts).
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Row
    {
        QComboBox *fields = nullptr;
        QComboBox *comparison = nullptr;
        QLineEdit *compareTo = nullptr;
        QComboBox *conjunction = nullptr;   // rows after the first
        LineEditControl *control = nullptr; // the value box for the keystroke check
    };

    void initializeControls();
    void loadFieldList(int row);
    void loadConjunctions(int row);
    // The field chosen in `row`: nullptr for the none item or no item.
    const FilterField *selectedField(int row) const;
    void imgcboFields_Click(int row);
    void txtCompareTo_Change(int row);
    void ControlsUpdate();
    void cmdOK_Click();
    void cmdClear_Click();
    void showHelp();
    void prefill(const CFilterTerms &terms);
    void scheduleCount();
    void count();
    void showCount(int request, qint64 count, bool more);

    CFilterColumns *m_columns = nullptr;
    QList<FilterField> m_fields;
    std::array<Row, Rows> m_rows;
    QLabel *m_lblFields = nullptr;
    QLabel *m_lblComparison = nullptr;
    QLabel *m_lblCompareTo = nullptr;
    QLabel *m_lblProblems = nullptr;
    QLabel *m_lblCount = nullptr;
    QPushButton *m_cmdOk = nullptr;
    QPushButton *m_cmdClear = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QPushButton *m_cmdHelp = nullptr;
    QMenu *m_mnuHelp = nullptr;
    QAction *m_mnuHelpDisplay = nullptr;
    QTimer *m_tmrCount = nullptr;
    std::unique_ptr<RecordCounter> m_counter;
    int m_countRequest = 0;
    bool m_selecting = false; // a field-selection step runs
    std::unique_ptr<CFilterTerms> m_result;
    std::optional<HostKit::OwnerRect> m_centreIn;
    LoadedWindowRegistration m_registration{this};
};

} // namespace KvoPlx800SCtl
