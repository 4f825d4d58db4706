<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>DemoMainWindow</name>
    <message>
        <source>Search Data</source>
        <translation>Suchdaten</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>&amp;Neu laden</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Search Data</source>
        <translation>&amp;Suchdaten</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>the table has no single-field primary key</source>
        <translation>die Tabelle hat keinen Primärschlüssel aus einem einzigen Feld</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>The filter dialog cannot be opened.</source>
        <translation>Das Filter-Dialogfeld kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The records cannot be read: %1</source>
        <translation>Die Datensätze können nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>%1 of %2 records in %3</source>
        <translation>%1 von %2 Datensätzen in %3</translation>
    </message>
    <message>
        <source>%1 records in %2</source>
        <translation>%1 Datensätze in %2</translation>
    </message>
    <message>
        <source>  |  record %1</source>
        <translation>  |  Datensatz %1</translation>
    </message>
</context>
</TS>
