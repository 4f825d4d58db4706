// The data-entry control in Qt Designer: the plugin offers it under the library's name, and a form
// made in Designer hands the control the persisted properties it keeps, compiled by uic and loaded
// through QUiLoader with the plugin.
#include "ui_searchform.h"

#include "control/propertybag.h"
#include "control/ukvosearch.h"

#include <QFile>
#include <QPluginLoader>
#include <QTest>
#include <QUiLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <memory>

using namespace KvoPlx800SCtl;
using namespace Qt::StringLiterals;

namespace {

const QStringList persisted{u"BorderStyle"_s,      u"ShowOKButton"_s, u"ShowCancelButton"_s,
                            u"FieldsVisible"_s,    u"Enabled"_s,      u"DisplayBaseRecord"_s};

QUiLoader *pluginLoader(QObject *parent)
{
    auto *loader = new QUiLoader(parent);
    loader->clearPluginPaths();
    loader->addPluginPath(QStringLiteral(KVO_DESIGNER_PLUGIN_DIR));
    return loader;
}

} // namespace

class TestDesigner : public QObject
{
    Q_OBJECT

private slots:
    void pluginOffersTheControl()
    {
        QVERIFY(pluginLoader(this)->availableWidgets().contains(u"KvoPlx800SCtl::UKVOSearch"_s));

        QPluginLoader loader(QStringLiteral(KVO_DESIGNER_PLUGIN_FILE));
        auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
        QVERIFY2(plugin, qPrintable(loader.errorString()));
        QCOMPARE(plugin->group(), u"KvoPlx800SCtl"_s);
        QVERIFY(plugin->domXml().contains(u"class=\"%1\""_s.arg(plugin->name())));
        QVERIFY(!plugin->icon().isNull());
        QVERIFY(QFile::exists(QStringLiteral(KVO_SOURCE_DIR "/") + plugin->includeFile()));

        // A control dropped on a form starts with the properties of a new instance, each of which
        // Designer can edit and keep.
        std::unique_ptr<QWidget> dropped(plugin->createWidget(nullptr));
        QVERIFY(dropped);
        QCOMPARE(QString::fromLatin1(dropped->metaObject()->className()), plugin->name());
        UKVOSearch fresh;
        fresh.InitProperties();
        for (const QString &name : persisted) {
            const QByteArray property = name.toLatin1();
            const int index = dropped->metaObject()->indexOfProperty(property.constData());
            QVERIFY2(index >= 0, property.constData());
            const QMetaProperty meta = dropped->metaObject()->property(index);
            QVERIFY2(meta.isWritable() && meta.isDesignable() && meta.isStored(), property.constData());
            QCOMPARE(dropped->property(property.constData()), fresh.property(property.constData()));
        }
    }

    void formSetsPersistedProperties_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("inForm"); // as searchform.ui sets it on ctlSearch
        QTest::newRow("BorderStyle") << u"BorderStyle"_s << QVariant(1);
        QTest::newRow("ShowOKButton") << u"ShowOKButton"_s << QVariant(false);
        QTest::newRow("ShowCancelButton") << u"ShowCancelButton"_s << QVariant(false);
        QTest::newRow("FieldsVisible") << u"FieldsVisible"_s << QVariant(4);
        QTest::newRow("Enabled") << u"Enabled"_s << QVariant(false);
        QTest::newRow("DisplayBaseRecord") << u"DisplayBaseRecord"_s << QVariant(false);
    }

    // Each property set in the form arrives, through uic and through QUiLoader, and is persisted as
    // the host's property bag keeps it; the control the form leaves alone keeps the value of a new
    // instance.
    void formSetsPersistedProperties()
    {
        QFETCH(QString, property);
        QFETCH(QVariant, inForm);
        const QByteArray name = property.toLatin1();

        QWidget compiled;
        Ui::SearchForm ui;
        ui.setupUi(&compiled);
        QCOMPARE(ui.ctlSearch->property(name.constData()), inForm);
        PropertyBag bag;
        ui.ctlSearch->WriteProperties(bag);
        QCOMPARE(bag.ReadProperty(property, {}).toString(), inForm.toString());
        UKVOSearch fresh;
        fresh.InitProperties();
        QCOMPARE(ui.ctlDefaults->property(name.constData()), fresh.property(name.constData()));
        QVERIFY(fresh.property(name.constData()) != inForm);

        QFile file(QStringLiteral(KVO_DESIGNER_FORM));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QUiLoader *loader = pluginLoader(this);
        std::unique_ptr<QWidget> loaded(loader->load(&file));
        QVERIFY2(loaded, qPrintable(loader->errorString()));
        auto *control = loaded->findChild<QWidget *>(u"ctlSearch"_s);
        QVERIFY(control);
        QCOMPARE(control->property(name.constData()), inForm);
    }
};

QTEST_MAIN(TestDesigner)
#include "tst_ui_designer.moc"
