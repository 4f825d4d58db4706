<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>KvoPlx800SCtl::UKVOSearch</name>
    <message>
        <source>%1
KvoPlx800SCtl search columns</source>
        <translation>%1
KvoPlx800SCtl-Suchspalten</translation>
    </message>
</context>
<context>
    <name>ResourceTexts</name>
    <message>
        <source>Edit Search Data</source>
        <translation>Suchdaten bearbeiten</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Clear Filter</source>
        <translation>Filter aufheben</translation>
    </message>
    <message>
        <source>View Search Data</source>
        <translation>Suchdaten anzeigen</translation>
    </message>
    <message>
        <source>Include Search Data</source>
        <translation>Suchdaten einbeziehen</translation>
    </message>
    <message>
        <source>Show Search Data Window</source>
        <translation>Suchdatenfenster anzeigen</translation>
    </message>
    <message>
        <source>Switch to Search Columns</source>
        <translation>Zu den Suchspalten wechseln</translation>
    </message>
    <message>
        <source>Edit Picklists</source>
        <translation>Auswahllisten bearbeiten</translation>
    </message>
    <message>
        <source>Check the box for Yes, clear it for No.</source>
        <translation>Aktivieren Sie das Kästchen für Ja, deaktivieren Sie es für Nein.</translation>
    </message>
    <message>
        <source>Enter a date, optionally followed by a time.</source>
        <translation>Geben Sie ein Datum ein, auf Wunsch gefolgt von einer Uhrzeit.</translation>
    </message>
    <message>
        <source>Enter a number.</source>
        <translation>Geben Sie eine Zahl ein.</translation>
    </message>
    <message>
        <source>Enter a whole number from -32768 to 32767.</source>
        <translation>Geben Sie eine ganze Zahl von -32768 bis 32767 ein.</translation>
    </message>
    <message>
        <source>Enter a keyword of up to %1 characters and add it to the list.</source>
        <translation>Geben Sie ein Schlüsselwort mit bis zu %1 Zeichen ein und fügen Sie es der Liste hinzu.</translation>
    </message>
    <message>
        <source>Enter a whole number from -2147483648 to 2147483647.</source>
        <translation>Geben Sie eine ganze Zahl von -2147483648 bis 2147483647 ein.</translation>
    </message>
    <message>
        <source>Enter a number (single precision).</source>
        <translation>Geben Sie eine Zahl ein (einfache Genauigkeit).</translation>
    </message>
    <message>
        <source>Enter a text of up to %1 characters.</source>
        <translation>Geben Sie einen Text mit bis zu %1 Zeichen ein.</translation>
    </message>
    <message>
        <source>Enter a note; it may have several lines.</source>
        <translation>Geben Sie eine Notiz ein; sie darf mehrere Zeilen haben.</translation>
    </message>
    <message>
        <source>Yes/No</source>
        <translation>Ja/Nein</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Datum/Uhrzeit</translation>
    </message>
    <message>
        <source>Number (double)</source>
        <translation>Zahl (doppelte Genauigkeit)</translation>
    </message>
    <message>
        <source>Integer (16-bit)</source>
        <translation>Ganzzahl (16 Bit)</translation>
    </message>
    <message>
        <source>Keyword</source>
        <translation>Schlüsselwort</translation>
    </message>
    <message>
        <source>Integer (32-bit)</source>
        <translation>Ganzzahl (32 Bit)</translation>
    </message>
    <message>
        <source>Number (single)</source>
        <translation>Zahl (einfache Genauigkeit)</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Undefined</source>
        <translation>Nicht festgelegt</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>Configure Search Columns</source>
        <translation>Suchspalten einrichten</translation>
    </message>
    <message>
        <source>Search columns of the table &quot;%1&quot;:</source>
        <translation>Suchspalten der Tabelle „%1“:</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Database:</source>
        <translation>Datenbank:</translation>
    </message>
    <message>
        <source>Table:</source>
        <translation>Tabelle:</translation>
    </message>
    <message>
        <source>Key field:</source>
        <translation>Schlüsselfeld:</translation>
    </message>
    <message>
        <source>Saving these changes deletes search data of the table &quot;%1&quot; for good. Save the changes now?</source>
        <translation>Beim Speichern dieser Änderungen werden Suchdaten der Tabelle „%1“ endgültig gelöscht. Die Änderungen jetzt speichern?</translation>
    </message>
    <message>
        <source>Save Search Columns</source>
        <translation>Suchspalten speichern</translation>
    </message>
    <message>
        <source>The search column &quot;%1&quot; and all the data stored in it will be deleted when the changes are saved. Delete the column?</source>
        <translation>Die Suchspalte „%1“ und alle darin gespeicherten Daten werden beim Speichern der Änderungen gelöscht. Die Spalte löschen?</translation>
    </message>
    <message>
        <source>Delete Search Column</source>
        <translation>Suchspalte löschen</translation>
    </message>
    <message>
        <source>The search columns have been changed. Do you want to save the changes?</source>
        <translation>Die Suchspalten wurden geändert. Möchten Sie die Änderungen speichern?</translation>
    </message>
    <message>
        <source>Picklist</source>
        <translation>Auswahlliste</translation>
    </message>
    <message>
        <source>Blanks Allowed</source>
        <translation>Leer erlaubt</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Vorgabe</translation>
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
        <source>Change Column Type</source>
        <translation>Spaltentyp ändern</translation>
    </message>
    <message>
        <source>New type of the column &quot;%1&quot; (now %2):</source>
        <translation>Neuer Typ der Spalte „%1“ (bisher %2):</translation>
    </message>
    <message>
        <source>All %1 stored values of the column &quot;%2&quot; can be converted to %3. Change the type now?</source>
        <translation>Alle %1 gespeicherten Werte der Spalte „%2“ lassen sich in %3 umwandeln. Den Typ jetzt ändern?</translation>
    </message>
    <message>
        <source>%1 stored values of the column &quot;%2&quot; can be converted to %3, but %4 cannot and will be emptied, for example:</source>
        <translation>%1 gespeicherte Werte der Spalte „%2“ lassen sich in %3 umwandeln, %4 jedoch nicht; diese werden geleert, zum Beispiel:</translation>
    </message>
    <message>
        <source>Change the type and empty those values?</source>
        <translation>Den Typ ändern und diese Werte leeren?</translation>
    </message>
    <message>
        <source>The picklist of the column &quot;%1&quot; will be deleted: a %2 column has no picklist.</source>
        <translation>Die Auswahlliste der Spalte „%1“ wird gelöscht: Eine Spalte vom Typ %2 hat keine Auswahlliste.</translation>
    </message>
    <message>
        <source>The type of the column &quot;%1&quot; could not be changed; the column is as it was.</source>
        <translation>Der Typ der Spalte „%1“ konnte nicht geändert werden; die Spalte ist unverändert.</translation>
    </message>
    <message>
        <source>Edit Search Column</source>
        <translation>Suchspalte bearbeiten</translation>
    </message>
    <message>
        <source>New Search Column</source>
        <translation>Neue Suchspalte</translation>
    </message>
    <message>
        <source>Caption:</source>
        <translation>Beschriftung:</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Description:</source>
        <translation>Beschreibung:</translation>
    </message>
    <message>
        <source>Length:</source>
        <translation>Länge:</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>Typ:</translation>
    </message>
    <message>
        <source>Allow blank entries</source>
        <translation>Leere Einträge zulassen</translation>
    </message>
    <message>
        <source>Default:</source>
        <translation>Vorgabe:</translation>
    </message>
    <message>
        <source>Do not allow the date and time to be changed</source>
        <translation>Änderung von Datum und Uhrzeit nicht zulassen</translation>
    </message>
    <message>
        <source>The date and time are filled in when a record gets its search data and cannot be changed afterwards.</source>
        <translation>Datum und Uhrzeit werden eingetragen, wenn ein Datensatz seine Suchdaten erhält, und können danach nicht mehr geändert werden.</translation>
    </message>
    <message>
        <source>Fixed date:</source>
        <translation>Festes Datum:</translation>
    </message>
    <message>
        <source>Date and time the record gets its search data</source>
        <translation>Datum und Uhrzeit, zu der der Datensatz seine Suchdaten erhält</translation>
    </message>
    <message>
        <source>Record of %1:</source>
        <translation>Datensatz aus %1:</translation>
    </message>
    <message>
        <source>is false</source>
        <translation>ist falsch</translation>
    </message>
    <message>
        <source>is true</source>
        <translation>ist wahr</translation>
    </message>
    <message>
        <source>equals</source>
        <translation>ist gleich</translation>
    </message>
    <message>
        <source>does not equal</source>
        <translation>ist ungleich</translation>
    </message>
    <message>
        <source>is less than</source>
        <translation>ist kleiner als</translation>
    </message>
    <message>
        <source>is greater than</source>
        <translation>ist größer als</translation>
    </message>
    <message>
        <source>is less than or equal to</source>
        <translation>ist kleiner oder gleich</translation>
    </message>
    <message>
        <source>is greater than or equal to</source>
        <translation>ist größer oder gleich</translation>
    </message>
    <message>
        <source>is like</source>
        <translation>ist wie</translation>
    </message>
    <message>
        <source>is not like</source>
        <translation>ist nicht wie</translation>
    </message>
    <message>
        <source>includes</source>
        <translation>enthält</translation>
    </message>
    <message>
        <source>excludes</source>
        <translation>enthält nicht</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Feld</translation>
    </message>
    <message>
        <source>Comparison</source>
        <translation>Vergleich</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>&lt;none&gt;</source>
        <translation>&lt;keines&gt;</translation>
    </message>
    <message>
        <source>And</source>
        <translation>Und</translation>
    </message>
    <message>
        <source>Or</source>
        <translation>Oder</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Filter Help</source>
        <translation>Hilfe zum Filter</translation>
    </message>
    <message>
        <source>A filter is made of up to ten rows. In each row choose a field, a comparison and, where the comparison needs one, the value to compare with. Rows after the first are joined to the rows before them with And or Or.</source>
        <translation>Ein Filter besteht aus bis zu zehn Zeilen. Wählen Sie in jeder Zeile ein Feld, einen Vergleich und, wo der Vergleich einen braucht, den Wert, mit dem verglichen wird. Zeilen nach der ersten werden mit Und oder Oder an die Zeilen davor angeschlossen.</translation>
    </message>
    <message>
        <source>Texts are compared as they are typed. With &quot;is like&quot; and &quot;is not like&quot;, % stands for any number of characters and _ for exactly one character; write \% or \_ to match the character itself.</source>
        <translation>Texte werden so verglichen, wie sie eingegeben sind. Bei „ist wie“ und „ist nicht wie“ steht % für beliebig viele Zeichen und _ für genau ein Zeichen; schreiben Sie \% oder \_, um das Zeichen selbst zu finden.</translation>
    </message>
    <message>
        <source>Keywords are tested with &quot;includes&quot; and &quot;excludes&quot;: a record matches when its keyword list holds (or does not hold) the keyword typed. Yes/No fields are tested with &quot;is true&quot; and &quot;is false&quot; and need no value.</source>
        <translation>Schlüsselwörter werden mit „enthält“ und „enthält nicht“ geprüft: Ein Datensatz passt, wenn seine Schlüsselwortliste das eingegebene Schlüsselwort enthält (oder nicht enthält). Ja/Nein-Felder werden mit „ist wahr“ und „ist falsch“ geprüft und brauchen keinen Wert.</translation>
    </message>
    <message>
        <source>Numbers are written in the format of your regional settings, for example %1.</source>
        <translation>Zahlen werden im Format Ihrer Regionaleinstellungen geschrieben, zum Beispiel %1.</translation>
    </message>
    <message>
        <source>Dates and times are written in the format of your regional settings, for example %2 or %1, or as year-month-day with a 24-hour time, for example %3.</source>
        <translation>Datum und Uhrzeit werden im Format Ihrer Regionaleinstellungen geschrieben, zum Beispiel %2 oder %1, oder als Jahr-Monat-Tag mit einer 24-Stunden-Uhrzeit, zum Beispiel %3.</translation>
    </message>
    <message>
        <source>Choose OK to apply the filter, Clear to remove all rows, or Cancel to keep the filter as it was.</source>
        <translation>Wählen Sie OK, um den Filter anzuwenden, Leeren, um alle Zeilen zu entfernen, oder Abbrechen, um den Filter unverändert zu lassen.</translation>
    </message>
    <message>
        <source>Fields You Can Filter On</source>
        <translation>Felder, nach denen Sie filtern können</translation>
    </message>
    <message>
        <source>How to Write Filter Values</source>
        <translation>So schreiben Sie Filterwerte</translation>
    </message>
    <message>
        <source>Keyword, up to %1 characters</source>
        <translation>Schlüsselwort, bis zu %1 Zeichen</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Zahl</translation>
    </message>
    <message>
        <source>Text, up to %1 characters</source>
        <translation>Text, bis zu %1 Zeichen</translation>
    </message>
    <message>
        <source>%1 records match.</source>
        <translation>Der Filter trifft auf %1 Datensätze zu.</translation>
    </message>
    <message>
        <source>1 record matches.</source>
        <translation>Der Filter trifft auf 1 Datensatz zu.</translation>
    </message>
    <message>
        <source>No record matches.</source>
        <translation>Der Filter trifft auf keinen Datensatz zu.</translation>
    </message>
    <message>
        <source>More than %1 records match.</source>
        <translation>Der Filter trifft auf mehr als %1 Datensätze zu.</translation>
    </message>
    <message>
        <source>Counting the matching records...</source>
        <translation>Die passenden Datensätze werden gezählt...</translation>
    </message>
    <message>
        <source>The matching records cannot be counted.</source>
        <translation>Die passenden Datensätze können nicht gezählt werden.</translation>
    </message>
    <message>
        <source>These conditions of your last filter could not be restored:</source>
        <translation>Diese Bedingungen Ihres letzten Filters konnten nicht wiederhergestellt werden:</translation>
    </message>
    <message>
        <source>the search column &quot;%1&quot; no longer exists</source>
        <translation>die Suchspalte „%1“ gibt es nicht mehr</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; no longer exists or cannot be filtered</source>
        <translation>das Feld „%1“ gibt es nicht mehr, oder nach ihm kann nicht gefiltert werden</translation>
    </message>
    <message>
        <source>&quot;%2&quot; is not a number (%1)</source>
        <translation>„%2“ ist keine Zahl (%1)</translation>
    </message>
    <message>
        <source>&quot;%2&quot; is not a date (%1)</source>
        <translation>„%2“ ist kein Datum (%1)</translation>
    </message>
    <message>
        <source>the comparison no longer applies to %1</source>
        <translation>der Vergleich passt nicht mehr zu %1</translation>
    </message>
    <message>
        <source>only the first %1 of its %2 conditions fit into the dialog</source>
        <translation>nur die ersten %1 seiner %2 Bedingungen passen in das Dialogfeld</translation>
    </message>
    <message>
        <source>No search columns are available.</source>
        <translation>Es sind keine Suchspalten verfügbar.</translation>
    </message>
    <message>
        <source>No search columns are defined for the table &quot;%1&quot;.</source>
        <translation>Für die Tabelle „%1“ sind keine Suchspalten festgelegt.</translation>
    </message>
    <message>
        <source>The value of this field is not valid.</source>
        <translation>Der Wert dieses Feldes ist ungültig.</translation>
    </message>
    <message>
        <source>The value of another field is not valid.</source>
        <translation>Der Wert eines anderen Feldes ist ungültig.</translation>
    </message>
    <message>
        <source>The values of this field and of one other field are not valid.</source>
        <translation>Die Werte dieses Feldes und eines weiteren Feldes sind ungültig.</translation>
    </message>
    <message>
        <source>The values of this field and of %1 other fields are not valid.</source>
        <translation>Die Werte dieses Feldes und von %1 weiteren Feldern sind ungültig.</translation>
    </message>
    <message>
        <source>The values of %1 fields are not valid.</source>
        <translation>Die Werte von %1 Feldern sind ungültig.</translation>
    </message>
    <message>
        <source>The search data has been changed. Do you want to save the changes?</source>
        <translation>Die Suchdaten wurden geändert. Möchten Sie die Änderungen speichern?</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Einblenden</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Copy Template</source>
        <translation>Vorlage kopieren</translation>
    </message>
    <message>
        <source>Paste Template</source>
        <translation>Vorlage einfügen</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Jetzt</translation>
    </message>
    <message>
        <source>Change Type...</source>
        <translation>Typ ändern...</translation>
    </message>
    <message>
        <source>Find:</source>
        <translation>Suchen:</translation>
    </message>
    <message>
        <source>The picklist of the column &quot;%1&quot; will be deleted with all its entries; the values stored in the records are kept. Do you want to go on?</source>
        <translation>Die Auswahlliste der Spalte „%1“ wird mit allen Einträgen gelöscht; die in den Datensätzen gespeicherten Werte bleiben erhalten. Möchten Sie fortfahren?</translation>
    </message>
    <message>
        <source>A picklist will be made for the column &quot;%1&quot; from the values already stored in the records.</source>
        <translation>Für die Spalte „%1“ wird aus den bereits in den Datensätzen gespeicherten Werten eine Auswahlliste angelegt.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is the name of a field of the base table.</source>
        <translation>„%1“ ist der Name eines Feldes der Basistabelle.</translation>
    </message>
    <message>
        <source>The caption &quot;%1&quot; is the name of a field of the base table.</source>
        <translation>Die Beschriftung „%1“ ist der Name eines Feldes der Basistabelle.</translation>
    </message>
    <message>
        <source>Another search column is already named &quot;%1&quot;.</source>
        <translation>Eine andere Suchspalte heißt bereits „%1“.</translation>
    </message>
    <message>
        <source>The caption &quot;%1&quot; is the name of another search column.</source>
        <translation>Die Beschriftung „%1“ ist der Name einer anderen Suchspalte.</translation>
    </message>
    <message>
        <source>The name &quot;%1&quot; is the caption of another search column.</source>
        <translation>Der Name „%1“ ist die Beschriftung einer anderen Suchspalte.</translation>
    </message>
    <message>
        <source>Another search column already has the caption &quot;%1&quot;.</source>
        <translation>Eine andere Suchspalte hat bereits die Beschriftung „%1“.</translation>
    </message>
    <message>
        <source>The name &quot;%1&quot; is too long for the table &quot;%2&quot;: a column name may have at most %3 bytes.</source>
        <translation>Der Name „%1“ ist für die Tabelle „%2“ zu lang: Ein Spaltenname darf höchstens %3 Byte haben.</translation>
    </message>
    <message>
        <source>Picklist of %1</source>
        <translation>Auswahlliste von %1</translation>
    </message>
    <message>
        <source>Choose the column whose picklist you want to edit:</source>
        <translation>Wählen Sie die Spalte, deren Auswahlliste Sie bearbeiten möchten:</translation>
    </message>
    <message>
        <source>New Entries</source>
        <translation>Neue Einträge</translation>
    </message>
    <message>
        <source>The entries of the picklist of the column &quot;%1&quot;. Type new entries on the first page; check entries to hide, show or remove them.</source>
        <translation>Die Einträge der Auswahlliste der Spalte „%1“. Geben Sie neue Einträge auf der ersten Seite ein; markieren Sie Einträge, um sie aus- oder einzublenden oder zu entfernen.</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>The entries of the picklist of the column &quot;%1&quot;. Type new entries on the first page; check entries to hide, show or remove them. The default entry &quot;%2&quot; cannot be checked.</source>
        <translation>Die Einträge der Auswahlliste der Spalte „%1“. Geben Sie neue Einträge auf der ersten Seite ein; markieren Sie Einträge, um sie aus- oder einzublenden oder zu entfernen. Der Vorgabeeintrag „%2“ kann nicht markiert werden.</translation>
    </message>
    <message>
        <source>The blank entry of the picklist could not be changed.</source>
        <translation>Der leere Eintrag der Auswahlliste konnte nicht geändert werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the blank entry could not be added.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; der leere Eintrag konnte daher nicht hinzugefügt werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the blank entry could not be removed.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; der leere Eintrag konnte daher nicht entfernt werden.</translation>
    </message>
    <message>
        <source>The picklist default could not be written into the search data.</source>
        <translation>Die Vorgabe der Auswahlliste konnte nicht in die Suchdaten geschrieben werden.</translation>
    </message>
    <message>
        <source>A record is locked by another user, so its search data could not be saved.</source>
        <translation>Ein Datensatz ist von einem anderen Benutzer gesperrt; seine Suchdaten konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The default entry could not be added to the picklist.</source>
        <translation>Der Vorgabeeintrag konnte der Auswahlliste nicht hinzugefügt werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the entry could not be saved.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; der Eintrag konnte daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The picklist entries could not be hidden.</source>
        <translation>Die Einträge der Auswahlliste konnten nicht ausgeblendet werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the entries could not be saved as hidden.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; die Einträge konnten daher nicht als ausgeblendet gespeichert werden.</translation>
    </message>
    <message>
        <source>The picklist entries could not be shown again.</source>
        <translation>Die Einträge der Auswahlliste konnten nicht wieder eingeblendet werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the entries could not be saved as shown.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; die Einträge konnten daher nicht als eingeblendet gespeichert werden.</translation>
    </message>
    <message>
        <source>The hidden picklist entries could not be removed.</source>
        <translation>Die ausgeblendeten Einträge der Auswahlliste konnten nicht entfernt werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the hidden entries could not be removed.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; die ausgeblendeten Einträge konnten daher nicht entfernt werden.</translation>
    </message>
    <message>
        <source>The picklist entries could not be removed.</source>
        <translation>Die Einträge der Auswahlliste konnten nicht entfernt werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the entries could not be removed.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; die Einträge konnten daher nicht entfernt werden.</translation>
    </message>
    <message>
        <source>The new picklist entries could not be saved.</source>
        <translation>Die neuen Einträge der Auswahlliste konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The picklist is locked by another user, so the new entries could not be saved.</source>
        <translation>Die Auswahlliste ist von einem anderen Benutzer gesperrt; die neuen Einträge konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Hidden Entries</source>
        <translation>Ausgeblendete Einträge</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is in the picklist already.</source>
        <translation>„%1“ steht bereits in der Auswahlliste.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no value of the type %2.</source>
        <translation>„%1“ ist kein Wert vom Typ %2.</translation>
    </message>
    <message>
        <source>The search column definitions could not be saved.</source>
        <translation>Die Definitionen der Suchspalten konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The definition table is locked by another user, so the definitions could not be saved.</source>
        <translation>Die Definitionstabelle ist von einem anderen Benutzer gesperrt; die Definitionen konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>A record is locked by another user, so the default value could not be saved in its search data.</source>
        <translation>Ein Datensatz ist von einem anderen Benutzer gesperrt; der Vorgabewert konnte daher nicht in seinen Suchdaten gespeichert werden.</translation>
    </message>
    <message>
        <source>The search data could not be copied.</source>
        <translation>Die Suchdaten konnten nicht kopiert werden.</translation>
    </message>
    <message>
        <source>The target record is locked by another user, so its search data could not be saved as a new row.</source>
        <translation>Der Zieldatensatz ist von einem anderen Benutzer gesperrt; seine Suchdaten konnten daher nicht als neue Zeile gespeichert werden.</translation>
    </message>
    <message>
        <source>The target record is locked by another user, so its search data could not be saved.</source>
        <translation>Der Zieldatensatz ist von einem anderen Benutzer gesperrt; seine Suchdaten konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The keywords could not be copied.</source>
        <translation>Die Schlüsselwörter konnten nicht kopiert werden.</translation>
    </message>
    <message>
        <source>The target record is locked by another user, so its old keywords could not be removed.</source>
        <translation>Der Zieldatensatz ist von einem anderen Benutzer gesperrt; seine alten Schlüsselwörter konnten daher nicht entfernt werden.</translation>
    </message>
    <message>
        <source>The target record is locked by another user, so its keywords could not be saved.</source>
        <translation>Der Zieldatensatz ist von einem anderen Benutzer gesperrt; seine Schlüsselwörter konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The search column definitions could not be opened.</source>
        <translation>Die Definitionen der Suchspalten konnten nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The definition table is locked by another user.</source>
        <translation>Die Definitionstabelle ist von einem anderen Benutzer gesperrt.</translation>
    </message>
    <message>
        <source>The search data could not be saved.</source>
        <translation>Die Suchdaten konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The record is locked by another user, so its search data could not be saved as a new row.</source>
        <translation>Der Datensatz ist von einem anderen Benutzer gesperrt; seine Suchdaten konnten daher nicht als neue Zeile gespeichert werden.</translation>
    </message>
    <message>
        <source>The record is locked by another user, so its search data could not be saved.</source>
        <translation>Der Datensatz ist von einem anderen Benutzer gesperrt; seine Suchdaten konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The search data could not be merged.</source>
        <translation>Die Suchdaten konnten nicht zusammengeführt werden.</translation>
    </message>
    <message>
        <source>The target record is locked by another user, so the merged search data could not be saved.</source>
        <translation>Der Zieldatensatz ist von einem anderen Benutzer gesperrt; die zusammengeführten Suchdaten konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The keywords could not be saved.</source>
        <translation>Die Schlüsselwörter konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The record is locked by another user, so its old keywords could not be removed.</source>
        <translation>Der Datensatz ist von einem anderen Benutzer gesperrt; seine alten Schlüsselwörter konnten daher nicht entfernt werden.</translation>
    </message>
    <message>
        <source>The record is locked by another user, so its keywords could not be saved.</source>
        <translation>Der Datensatz ist von einem anderen Benutzer gesperrt; seine Schlüsselwörter konnten daher nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Checking the search data of %1: %2</source>
        <translation>Die Suchdaten von %1 werden geprüft: %2</translation>
    </message>
    <message>
        <source>These entries could not be removed because records still use them:</source>
        <translation>Diese Einträge konnten nicht entfernt werden, weil Datensätze sie noch verwenden:</translation>
    </message>
    <message>
        <source>These hidden entries could not be removed because records still use them:</source>
        <translation>Diese ausgeblendeten Einträge konnten nicht entfernt werden, weil Datensätze sie noch verwenden:</translation>
    </message>
    <message>
        <source>Hidden entries are no longer offered for new values; the records that use them keep them.</source>
        <translation>Ausgeblendete Einträge werden für neue Werte nicht mehr angeboten; die Datensätze, die sie verwenden, behalten sie.</translation>
    </message>
    <message>
        <source>Choose %1 to hide the entries instead, or %2 to keep them as they are.</source>
        <translation>Wählen Sie %1, um die Einträge stattdessen auszublenden, oder %2, um sie unverändert zu lassen.</translation>
    </message>
    <message>
        <source>Picklist Entries Kept</source>
        <translation>Einträge der Auswahlliste behalten</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; must be converted. Convert it now?</source>
        <translation>Die Tabelle „%1“ muss umgewandelt werden. Jetzt umwandeln?</translation>
    </message>
</context>
</TS>
