#pragma once

#include "icontainer.h"
#include "propertybag.h"

#include "core/csearchfilter.h"
#include "core/enums.h"

#include "hostkit/resourcetexts.h"

#include <QWidget>

#include <memory>

namespace KvoPlx800SCtl {

namespace HostKit {
class Catalog;
class IBaseTableStructure;
class IDatabaseHandler;
class IUserProfile;
class RecordSet;
} ///< namespace HostKit

/// The data-entry control: shows the search values of one base record of a base table and lets the
/// user edit them. A host window places it, calls OpenSearch once, then Display for every base
/// record that becomes current, and handles its signals. Sizes are logical pixels inside the
/// widget and twips at IContainer, WidthMin, HeightMin.
class UKVOSearch : public QWidget
{
    Q_OBJECT
    /// The persisted properties, as Qt Designer edits them and a .ui file keeps them.
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool ShowOKButton READ ShowOKButton WRITE setShowOKButton)
    Q_PROPERTY(bool ShowCancelButton READ ShowCancelButton WRITE setShowCancelButton)
    Q_PROPERTY(int FieldsVisible READ FieldsVisible WRITE setFieldsVisible)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)
    Q_PROPERTY(bool DisplayBaseRecord READ DisplayBaseRecord WRITE setDisplayBaseRecord)

public:
    /// A control on `parent`, closed (no search filter) until OpenSearch.
    explicit UKVOSearch(QWidget *parent = nullptr);
    ~UKVOSearch() override;

    // --- Public members ---------------------------------------------------------------------
    /// The library's large menu picture for a FilterMenuItems value (none for some items).
    HostKit::Picture BitmapLarge(int enmBitmapId) const;
    /// The library's small menu picture for a FilterMenuItems value.
    HostKit::Picture BitmapSmall(int enmBitmapId) const;
    /// Border style of the outer frame: 0 none, 1 fixed single. A persisted property.
    qint16 BorderStyle() const;
    /// Sets the border style (see BorderStyle()) and marks the property changed.
    void setBorderStyle(qint16 style);
    /// Cancels an edit in progress, releases the search filter and the container and removes the
    /// field rows; the control is closed until the next OpenSearch.
    void CloseSearch();
    /// Whether the values shown were changed since they were loaded, saved or reset.
    bool IsDirty() const;
    /// Shows the base record `oSource` (its row in `rstSource`) in mode `enmMode`: cseModeEdit
    /// offers the Edit button, cseModeExamine only shows (and cancels an edit in progress). Does
    /// nothing while the control is closed.
    void Display(HostKit::RecordSet *rstSource, ISearchBaseEntry *oSource, KVOSearchEditExamineModes enmMode);
    /// Whether the base record's own fields are listed above the search values. A persisted property.
    bool DisplayBaseRecord() const;
    /// Sets DisplayBaseRecord() and marks the property changed.
    void setDisplayBaseRecord(bool display);
    /// The mode of the last Display.
    KVOSearchEditExamineModes EditMode() const;
    /// The control's own enabled state (QWidget's), as a persisted property.
    bool Enabled() const;
    /// Enables or disables the control and marks the Enabled property changed.
    void setEnabledProperty(bool enabled);
    /// Whether the control holds a search filter whose column set is set up.
    bool Exists() const;
    /// The number of field rows the host would like to see at once. Stored and persisted only.
    qint16 FieldsVisible() const;
    /// Sets FieldsVisible() and marks the property changed.
    void setFieldsVisible(qint16 count);
    /// The suggested minimum height, in twips.
    float HeightMin() const;
    /// Whether the user is editing the values (after Edit, until OK, Apply or Cancel).
    bool IsEditing() const;
    /// The search filter that OpenSearch made; nullptr while the control is closed.
    CSearchFilter *MyFilter() const;
    /// Closes the control, then makes its search filter from the host's components (as
    /// CCommon::CreateSearchFilterObject does) and keeps it with the container `obj`, which is told
    /// when the control's minimum size changes. False when the set-up failed or `obj` is missing;
    /// the control then stays closed.
    bool OpenSearch(IContainer *obj, HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable,
                    HostKit::Catalog *roCatalog, HostKit::IUserProfile *roProfile, int enmConvertMode,
                    HostKit::IBaseTableStructure *roBaseStructure);
    /// Repaints the control's own surface.
    void Refresh();
    /// Shows the values as last loaded or saved again and clears the dirty flag.
    void ResetData();
    /// Writes the record's values; false when not all of them were written (the record stays dirty).
    bool SaveData();
    /// Shows the library's about box modally.
    void ShowAboutBox();
    /// Whether the Cancel button is offered. A persisted property.
    bool ShowCancelButton() const;
    /// Sets ShowCancelButton() and marks the property changed.
    void setShowCancelButton(bool show);
    /// Whether the OK button is offered. A persisted property.
    bool ShowOKButton() const;
    /// Sets ShowOKButton() and marks the property changed.
    void setShowOKButton(bool show);
    /// The search filter's CSearchFilter::SQLSearchFields(); empty while the control is closed.
    QString SQLSearchFields() const;
    /// The search filter's CSearchFilter::SQLSearchJoinOn(); empty while the control is closed.
    QString SQLSearchJoinOn() const;
    /// The search filter's CSearchFilter::SQLSearchTable(); empty while the control is closed.
    QString SQLSearchTable() const;
    /// The library's standard menu caption for a FilterMenuItems value.
    QString StandardCaption(int enmCaptionId) const;
    /// The suggested minimum width, in twips.
    float WidthMin() const;

    // --- Persisted properties ---------------------------------------------------------------
    /// A new instance without stored properties.
    void InitProperties();
    /// Takes the persisted properties from the host's bag (each missing one at its default).
    void ReadProperties(const IPropertyBag &bag);
    /// Writes the persisted properties into the host's bag (a value equal to its default is left out).
    void WriteProperties(IPropertyBag &bag) const;
    /// Whether a property was changed since the properties were last read or written.
    bool isPropertyChanged(const QString &name) const;

protected:
    // A LanguageChange shows the control's texts in the language installed since.
    void changeEvent(QEvent *event) override;

signals:
    /// Apply was pressed: the values were saved (when dirty) and editing ended.
    void ApplyButtonClick();
    /// The editing state or the values shown changed.
    void Changed();
    /// Cancel was pressed: the changes were dropped and editing ended.
    void CancelButtonClick();
    /// OK was pressed and editing ended; saving is the handler's business (SaveData when IsDirty).
    void OkButtonClick();
    /// Raised before editing starts; editing starts only when a handler sets blnAccepted to true.
    /// Handlers must be connected directly (the arguments are references).
    void OnStartEditing(KvoPlx800SCtl::ISearchBaseEntry *&oEntry, bool &blnAccepted);
    /// Raised when editing of `oEntry` has ended (OK, Apply or Cancel). Connect directly.
    void OnCompleteEditing(KvoPlx800SCtl::ISearchBaseEntry *&oEntry);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace KvoPlx800SCtl
