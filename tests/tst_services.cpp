// The host kit's services: the key filter, the library's own texts, the database handler's convert
// question and the base-table structure read from the catalog.
#include "hostkit/adotypes.h"
#include "hostkit/basetablestructure.h"
#include "hostkit/catalog.h"
#include "hostkit/connection.h"
#include "hostkit/databasehandler.h"
#include "hostkit/messagebox.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include "testhost.h"

#include <QTest>

using namespace KvoPlx800SCtl::HostKit;
using namespace Qt::StringLiterals;

class TestServices : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        ServicesHelper &services = ServicesHelper::instance();
        services.setMessageHandler({});
        services.clearReportedErrors();
        ResourceTexts::instance().resetTexts();
    }

    // The column editor's patterns admit what add-column admits: letters of any script,
    // digits and "_", captions also a space; control keys pass, and a refused character is dropped
    // whatever the classes say.
    void keyFilter_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("admitted");
        QTest::addColumn<QString>("dropped");
        const auto row = [](const char *tag, const char *pattern, const char *refused, const QString &admitted,
                            const QString &dropped) {
            QTest::newRow(tag) << QString::fromLatin1(pattern) << QString::fromLatin1(refused) << admitted << dropped;
        };
        row("name", "ULDZ/_", "", u"aZ\u00e9\u00c4\u4e2d\u03a90_9\b\t"_s, u" -.'\"%/\u00a0"_s);
        row("caption", "ULDZ/_ ", "", u"a _9"_s, u"-.,/"_s);
        row("upper only", "U", "", u"A\u00c4\u4e2d"_s, u"a\u00e40_\b"_s);
        row("lower and digits", "LD", "", u"a\u00e40\u0663"_s, u"A_ \b"_s);
        row("refused beats the classes", "ULD/_", "x_", u"ay1"_s, u"x_"_s);
        row("nothing", "", "", {}, u"a0_ "_s);
    }

    void keyFilter()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, refused);
        QFETCH(QString, admitted);
        QFETCH(QString, dropped);
        const ServicesHelper &services = ServicesHelper::instance();
        for (const uint key : admitted.toUcs4())
            QVERIFY2(services.KeyFilter(int(key), pattern, refused) == int(key), qPrintable(QString::number(key)));
        for (const uint key : dropped.toUcs4())
            QVERIFY2(services.KeyFilter(int(key), pattern, refused) == 0, qPrintable(QString::number(key)));
        QVERIFY(services.PassesKeyFilter(admitted, pattern, refused));
        QCOMPARE(services.PassesKeyFilter(admitted + dropped, pattern, refused), dropped.isEmpty());
    }

    // The texts the library adds where the numbered ones leave none exist: Hide, Show, Save, Find:,
    // the picklist pages, the selection prompt, the kept-entries caption, the date default options.
    void textsWithoutANumberOfTheirOwnExist()
    {
        for (int number : {8078, 8079, 8080, 8086, 8353, 8354, 8356, 8375, 8552, 7308, 7309})
            QVERIFY2(!ResourceTexts::instance().Text(number).trimmed().isEmpty(), qPrintable(QString::number(number)));
    }

    void convertRequestAsksTheUser_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("expected");
        QTest::newRow("yes") << int(MsgBox::vbYes) << CheckTableResult::Continue;
        QTest::newRow("no") << int(MsgBox::vbNo) << CheckTableResult::Declined;
        // Nobody to answer: No is the default, so nothing is converted unasked.
        QTest::newRow("no handler") << 0 << CheckTableResult::Declined;
    }

    void convertRequestAsksTheUser()
    {
        QFETCH(int, answer);
        QFETCH(int, expected);
        DatabaseHandler handler(4);
        if (answer == 0) {
            QCOMPARE(handler.ConvertRequest(QString(), u"Parts"_s, 0), expected);
            return;
        }
        KvoTest::ScriptedMessages asked(answer);
        // A host text replaces the built-in question.
        ResourceTexts::instance().setText(TextId::ConvertTableQuestion, u"Convert %1?"_s);
        QCOMPARE(handler.ConvertRequest(u"x"_s, u"PartsSearchData"_s, 0), expected);
        QCOMPARE(asked.requests().size(), 1);
        QCOMPARE(asked.requests().first().style, MsgBox::vbYesNo | MsgBox::vbQuestion | MsgBox::vbDefaultButton2);
        QCOMPARE(asked.requests().first().text, u"Convert PartsSearchData?"_s);
        QCOMPARE(handler.convertRequests(), QStringList{"PartsSearchData"});
    }

    void dropTableAndBaseStructure_data() { KvoTest::addEngineColumn(); }

    // The handler drops a table (and one that is gone); the base-table structure reads fields,
    // keys and indexes from the catalog in its spelling.
    void dropTableAndBaseStructure()
    {
        QFETCH(Engine, engine);
        auto db = KvoTest::open(engine);
        QVERIFY(db);
        Connection &c = *db->connection;
        QVERIFY(KvoTest::run(c, u"CREATE TABLE [Drop Me] ([Id] INTEGER NOT NULL PRIMARY KEY)"_s));
        QVERIFY(db->catalog->FindTable(u"Drop Me"_s));
        DatabaseHandler handler(c.dialect().DatabaseType());
        QVERIFY(handler.DropTable(*db->catalog, u"Drop Me"_s));
        QVERIFY(!db->catalog->FindTable(u"Drop Me"_s) && !db->catalog->tableNames().contains(u"Drop Me"_s));
        QVERIFY(handler.DropTable(*db->catalog, u"Drop Me"_s));

        QVERIFY(KvoTest::run(c,
                             u"CREATE TABLE [Parts] ([PartId] INTEGER NOT NULL, [PartNo] VARCHAR(40) NOT NULL, "
                             "[Material] VARCHAR(12), [Stock] INTEGER, CONSTRAINT [PK_Parts] PRIMARY KEY ([PartId]), "
                             "CONSTRAINT [UK_Parts] UNIQUE ([PartNo]))"_s));
        QVERIFY(KvoTest::run(c, u"CREATE INDEX [IX_Parts_Material] ON [Parts] ([Material], [Stock])"_s));
        db->catalog->Refresh();
        QVERIFY(!BaseTableStructure::fromCatalog(*db->catalog, u"NoSuchTable"_s));
        std::unique_ptr<BaseTableStructure> structure = BaseTableStructure::fromCatalog(*db->catalog, u"parts"_s);
        QVERIFY(structure);
        QCOMPARE(structure->Name(), u"Parts"_s); // the catalog's spelling

        // Each field as "name family size", each index as "kind name: fields" (kind 1 plain, 2 primary, 3 unique).
        QStringList fields;
        for (const BaseFieldDescriptor &field : structure->FieldDescriptors()) {
            QVERIFY(field.Defined && field.Caption == field.Name);
            fields << u"%1 %2 %3"_s.arg(field.Name)
                              .arg(int(adoFamily(field.Type)))
                              .arg(field.Type == adVarWChar ? field.Size : 0);
        }
        QCOMPARE(fields, (QStringList{"PartId 0 0", "PartNo 2 40", "Material 2 12", "Stock 0 0"}));
        QStringList indexes;
        for (const BaseIndexDefinition &index : structure->IndexDefinitions())
            indexes << u"%1 %2: %3"_s.arg(index.Kind)
                               .arg(index.Kind == IndexKind::Plain ? index.Name : QString(), index.Columns.join(u','));
        QCOMPARE(indexes, (QStringList{"2 : PartId", "3 : PartNo", "1 IX_Parts_Material: Material,Stock"}));

        const BaseFieldDescriptor *material = structure->FieldDescriptor(u"MATERIAL"_s);
        QVERIFY(material);
        QCOMPARE(material->Name, u"Material"_s);
        QVERIFY(!structure->FieldDescriptor(u"Nope"_s));
    }
};

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
