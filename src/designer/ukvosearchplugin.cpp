#include "ukvosearchplugin.h"

#include "control/ukvosearch.h"

#include <QIcon>

static void initPictures() { Q_INIT_RESOURCE(pictures); }

namespace KvoPlx800SCtl {

UKVOSearchPlugin::UKVOSearchPlugin(QObject *parent) : QObject(parent) { initPictures(); }

QString UKVOSearchPlugin::name() const { return QStringLiteral("KvoPlx800SCtl::UKVOSearch"); }

QString UKVOSearchPlugin::group() const { return QStringLiteral("KvoPlx800SCtl"); }

QString UKVOSearchPlugin::toolTip() const { return QStringLiteral("Search columns of one base record"); }

QString UKVOSearchPlugin::whatsThis() const
{
    return QStringLiteral("Shows and edits the search-column values of one base record. Call OpenSearch once "
                          "and Display for each record that becomes current.");
}

QString UKVOSearchPlugin::includeFile() const { return QStringLiteral("control/ukvosearch.h"); }

QIcon UKVOSearchPlugin::icon() const { return QIcon(QStringLiteral(":/kvo/pictures/search_column.xpm")); }

QWidget *UKVOSearchPlugin::createWidget(QWidget *parent)
{
    auto *control = new UKVOSearch(parent);
    control->InitProperties();
    return control;
}

QString UKVOSearchPlugin::domXml() const
{
    return QStringLiteral(R"(<ui language="c++">
 <widget class="KvoPlx800SCtl::UKVOSearch" name="ctlSearch">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>360</width><height>240</height></rect>
  </property>
 </widget>
</ui>
)");
}

} // namespace KvoPlx800SCtl
