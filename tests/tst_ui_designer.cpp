// The data-entry control in Qt Designer: the plugin offers it, and the persisted properties a form
// made in Designer sets reach the control, compiled by uic and loaded through QUiLoader.
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

class TestDesigner : public QObject
{
    Q_OBJECT

private slots:
    void formSetsPersistedProperties()
    {
        QPluginLoader plugin(QStringLiteral(KVO_DESIGNER_PLUGIN_FILE));
        auto *offered = qobject_cast<QDesignerCustomWidgetInterface *>(plugin.instance());
        QVERIFY2(offered, qPrintable(plugin.errorString()));
        QVERIFY(QFile::exists(QStringLiteral(KVO_SOURCE_DIR "/") + offered->includeFile()));
        std::unique_ptr<QWidget> dropped(offered->createWidget(nullptr));
        QCOMPARE(QString::fromLatin1(dropped->metaObject()->className()), offered->name());

        QWidget compiled;
        Ui::SearchForm ui;
        ui.setupUi(&compiled);
        PropertyBag bag;
        ui.ctlSearch->WriteProperties(bag);
        QUiLoader loader;
        loader.clearPluginPaths();
        loader.addPluginPath(QStringLiteral(KVO_DESIGNER_PLUGIN_DIR));
        QFile form(QStringLiteral(KVO_DESIGNER_FORM));
        QVERIFY(form.open(QIODevice::ReadOnly));
        std::unique_ptr<QWidget> loaded(loader.load(&form));
        QVERIFY2(loaded, qPrintable(loader.errorString()));
        QWidget *control = loaded->findChild<QWidget *>(u"ctlSearch"_s);
        QVERIFY(control && QString::fromLatin1(control->metaObject()->className()) == offered->name());
        UKVOSearch fresh;
        fresh.InitProperties();

        // As searchform.ui sets them on ctlSearch; ctlDefaults and a dropped control keep those of a
        // new instance. Designer shows and keeps each of them.
        const QList<std::pair<const char *, QVariant>> inForm{
                {"BorderStyle", 1},   {"ShowOKButton", false}, {"ShowCancelButton", false},
                {"FieldsVisible", 4}, {"Enabled", false},      {"DisplayBaseRecord", false}};
        for (const auto &[name, value] : inForm) {
            const QMetaProperty meta = dropped->metaObject()->property(dropped->metaObject()->indexOfProperty(name));
            QVERIFY2(meta.isWritable() && meta.isDesignable() && meta.isStored(), name);
            QVERIFY2(fresh.property(name) != value, name);
            QCOMPARE(dropped->property(name), fresh.property(name));
            QCOMPARE(ui.ctlDefaults->property(name), fresh.property(name));
            QCOMPARE(ui.ctlSearch->property(name), value);
            QCOMPARE(control->property(name), value);
            QCOMPARE(bag.ReadProperty(QString::fromLatin1(name), {}).toString(), value.toString());
        }
    }
};

QTEST_MAIN(TestDesigner)
#include "tst_ui_designer.moc"
