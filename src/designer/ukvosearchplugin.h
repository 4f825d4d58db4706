#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace KvoPlx800SCtl {

// Offers UKVOSearch to Qt Designer, in a widget box group of the library's name. Designer edits the
// control's persisted properties (BorderStyle, ShowOKButton, ShowCancelButton, FieldsVisible,
// Enabled, DisplayBaseRecord) and keeps them in the .ui file; a form loaded through QUiLoader or
// compiled by uic sets them on the control.
class UKVOSearchPlugin : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit UKVOSearchPlugin(QObject *parent = nullptr);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override { return false; }
    QWidget *createWidget(QWidget *parent) override;
    QString domXml() const override;
    bool isInitialized() const override { return m_initialized; }
    void initialize(QDesignerFormEditorInterface *) override { m_initialized = true; }

private:
    bool m_initialized = false;
};

} // namespace KvoPlx800SCtl
