#pragma once

#include "icontainer.h"

#include "core/enums.h"

#include "uisupport/windowsupport.h"

#include <QDialog>

#include <optional>

namespace KvoPlx800SCtl {

class CFilterColumns;
class ISearchBaseEntry;
class UKVOSearch;
namespace HostKit {
class RecordSet;
}

// The library's own window for the search values of one base record: one data-entry control
// (cseEdit) filling the window, which serves the control as its container. View shows the values,
// Edit lets the user edit and save them. Both show the window modally and return when it is
// hidden again (OK, Cancel, the close box or Esc); the caller then deletes it.
class frmExamine
    : public QDialog
    , public IContainer
{
    Q_OBJECT

public:
    explicit frmExamine(QWidget *parent = nullptr);
    ~frmExamine() override;

    void View(CFilterColumns &columns, HostKit::RecordSet *rstSource, ISearchBaseEntry *oSource);
    void Edit(CFilterColumns &columns, HostKit::RecordSet *rstSource, ISearchBaseEntry *oSource);
    // Everything View and Edit do before showing the window modally: caption, control opened on
    // the column set's base table and displaying the record, window sized and centred in the
    // column set's owner rectangle.
    void prepare(CFilterColumns &columns, HostKit::RecordSet *rstSource, ISearchBaseEntry *oSource,
                 KVOSearchEditExamineModes mode);

    UKVOSearch *cseEdit() const { return m_cseEdit; }
    // The window's minimum outer size, twips (recomputed by SizeMin).
    float minimumWidthTwips() const { return m_minWidth; }
    float minimumHeightTwips() const { return m_minHeight; }

    // --- IContainer (twips) -----------------------------------------------------------------
    float Height() const override;
    float Left() const override;
    float ScaleWidth() const override;
    void SizeMin() override;
    float TextWidth(QString &strText) const override;
    float Top() const override;
    float Width() const override;

public slots:
    // Closing by code takes the close box's way (the question about unsaved changes).
    void reject() override;

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void load();
    void keepInBounds();
    // Hides the window (ending a modal show) with the dialog result `result`.
    void unloadWindow(int result);

    UKVOSearch *m_cseEdit = nullptr;
    WidgetFormsInterface m_owner{this};
    LoadedWindowRegistration m_registration{this};
    float m_minWidth = 0;
    float m_minHeight = 0;
    bool m_resizing = false;
    bool m_unloading = false;
    bool m_forwardingKey = false;
    // The owner rectangle to centre in once the window's frame is known (at the first show).
    std::optional<HostKit::OwnerRect> m_centreIn;
};

} // namespace KvoPlx800SCtl
