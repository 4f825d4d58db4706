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
} // namespace HostKit

// The data-entry control: shows the search values of one base record of a base table and lets the
// user edit them. A host window places it, calls OpenSearch once, then Display for every base
// record that becomes current, and handles its signals. Sizes are logical pixels inside the
// widget and twips at IContainer, WidthMin, HeightMin.
class UKVOSearch : public QWidget
{
    Q_OBJECT

public:
    explicit UKVOSearch(QWidget *parent = nullptr);
    ~UKVOSearch() override;

    // --- Public members ---------------------------------------------------------------------
    HostKit::Picture BitmapLarge(int enmBitmapId) const;
    HostKit::Picture BitmapSmall(int enmBitmapId) const;
    qint16 BorderStyle() const;
    void setBorderStyle(qint16 style);
    void CloseSearch();
    bool IsDirty() const;
    void Display(HostKit::RecordSet *rstSource, ISearchBaseEntry *oSource, KVOSearchEditExamineModes enmMode);
    bool DisplayBaseRecord() const;
    void setDisplayBaseRecord(bool display);
    KVOSearchEditExamineModes EditMode() const;
    // The control's own enabled state (QWidget's), as a persisted property.
    bool Enabled() const;
    void setEnabledProperty(bool enabled);
    bool Exists() const;
    qint16 FieldsVisible() const;
    void setFieldsVisible(qint16 count);
    float HeightMin() const;
    bool IsEditing() const;
    CSearchFilter *MyFilter() const;
    bool OpenSearch(IContainer *obj, HostKit::IDatabaseHandler *roHandler, ISearchBaseTable *roBaseTable,
                    HostKit::Catalog *roCatalog, HostKit::IUserProfile *roProfile, int enmConvertMode,
                    HostKit::IBaseTableStructure *roBaseStructure);
    void Refresh();
    void ResetData();
    // Writes the record's values; false when not all of them were written (the record stays dirty).
    bool SaveData();
    void ShowAboutBox();
    bool ShowCancelButton() const;
    void setShowCancelButton(bool show);
    bool ShowOKButton() const;
    void setShowOKButton(bool show);
    QString SQLSearchFields() const;
    QString SQLSearchJoinOn() const;
    QString SQLSearchTable() const;
    QString StandardCaption(int enmCaptionId) const;
    float WidthMin() const;

    // --- Persisted properties ---------------------------------------------------------------
    // A new instance without stored properties.
    void InitProperties();
    void ReadProperties(const IPropertyBag &bag);
    void WriteProperties(IPropertyBag &bag) const;
    // Whether a property was changed since the properties were last read or written.
    bool isPropertyChanged(const QString &name) const;

protected:
    // A LanguageChange shows the control's texts in the language installed since.
    void changeEvent(QEvent *event) override;

signals:
    void ApplyButtonClick();
    void Changed();
    void CancelButtonClick();
    void OkButtonClick();
    // Raised before editing starts; editing starts only when a handler sets blnAccepted to true.
    // Handlers must be connected directly (the arguments are references).
    void OnStartEditing(KvoPlx800SCtl::ISearchBaseEntry *&oEntry, bool &blnAccepted);
    void OnCompleteEditing(KvoPlx800SCtl::ISearchBaseEntry *&oEntry);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace KvoPlx800SCtl
