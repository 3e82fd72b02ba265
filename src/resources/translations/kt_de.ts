<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>KTSevenZipUnarchiver</name>
    <message>
        <source>install the 7zip package to open encrypted 7z archives</source>
        <translation>Installieren Sie das Paket 7zip, um verschlüsselte 7z-Archive zu öffnen</translation>
    </message>
</context>
<context>
    <name>KTEncode</name>
    <message>
        <source>Detect automatically</source>
        <translation>Automatisch erkennen</translation>
    </message>
</context>
<context>
    <name>KTEncodings</name>
    <message>
        <source>Unicode (UTF-8)</source>
        <translation>Unicode (UTF-8)</translation>
    </message>
    <message>
        <source>Western (ISO Latin 1)</source>
        <translation>Westeuropäisch (ISO Latin 1)</translation>
    </message>
    <message>
        <source>Western (Windows Latin 1)</source>
        <translation>Westeuropäisch (Windows Latin 1)</translation>
    </message>
    <message>
        <source>Western (Mac OS Roman)</source>
        <translation>Westeuropäisch (Mac OS Roman)</translation>
    </message>
    <message>
        <source>Latin-US (DOS, CP437)</source>
        <translation>Latin-US (DOS, CP437)</translation>
    </message>
    <message>
        <source>Western European (DOS, CP850)</source>
        <translation>Westeuropäisch (DOS, CP850)</translation>
    </message>
    <message>
        <source>Portuguese (DOS, CP860)</source>
        <translation>Portugiesisch (DOS, CP860)</translation>
    </message>
    <message>
        <source>Central European (ISO Latin 2)</source>
        <translation>Mitteleuropäisch (ISO Latin 2)</translation>
    </message>
    <message>
        <source>Central European (Windows Latin 2)</source>
        <translation>Mitteleuropäisch (Windows Latin 2)</translation>
    </message>
    <message>
        <source>Central European (DOS, CP852)</source>
        <translation>Mitteleuropäisch (DOS, CP852)</translation>
    </message>
    <message>
        <source>Western (ISO Latin 3)</source>
        <translation>Westeuropäisch (ISO Latin 3)</translation>
    </message>
    <message>
        <source>Central European (ISO Latin 4)</source>
        <translation>Mitteleuropäisch (ISO Latin 4)</translation>
    </message>
    <message>
        <source>Cyrillic (ISO 8859-5)</source>
        <translation>Kyrillisch (ISO 8859-5)</translation>
    </message>
    <message>
        <source>Cyrillic (Windows)</source>
        <translation>Kyrillisch (Windows)</translation>
    </message>
    <message>
        <source>Cyrillic (DOS, CP866)</source>
        <translation>Kyrillisch (DOS, CP866)</translation>
    </message>
    <message>
        <source>Cyrillic (DOS, CP855)</source>
        <translation>Kyrillisch (DOS, CP855)</translation>
    </message>
    <message>
        <source>Cyrillic (KOI8-R)</source>
        <translation>Kyrillisch (KOI8-R)</translation>
    </message>
    <message>
        <source>Ukrainian (KOI8-U)</source>
        <translation>Ukrainisch (KOI8-U)</translation>
    </message>
    <message>
        <source>Cyrillic (Mac OS)</source>
        <translation>Kyrillisch (Mac OS)</translation>
    </message>
    <message>
        <source>Arabic (ISO 8859-6)</source>
        <translation>Arabisch (ISO 8859-6)</translation>
    </message>
    <message>
        <source>Arabic (Windows)</source>
        <translation>Arabisch (Windows)</translation>
    </message>
    <message>
        <source>Greek (ISO 8859-7)</source>
        <translation>Griechisch (ISO 8859-7)</translation>
    </message>
    <message>
        <source>Greek (Windows)</source>
        <translation>Griechisch (Windows)</translation>
    </message>
    <message>
        <source>Greek (DOS, CP737)</source>
        <translation>Griechisch (DOS, CP737)</translation>
    </message>
    <message>
        <source>Hebrew (ISO 8859-8)</source>
        <translation>Hebräisch (ISO 8859-8)</translation>
    </message>
    <message>
        <source>Hebrew (Windows)</source>
        <translation>Hebräisch (Windows)</translation>
    </message>
    <message>
        <source>Hebrew (DOS, CP862)</source>
        <translation>Hebräisch (DOS, CP862)</translation>
    </message>
    <message>
        <source>Turkish (ISO Latin 5)</source>
        <translation>Türkisch (ISO Latin 5)</translation>
    </message>
    <message>
        <source>Turkish (Windows Latin 5)</source>
        <translation>Türkisch (Windows Latin 5)</translation>
    </message>
    <message>
        <source>Turkish (DOS, CP857)</source>
        <translation>Türkisch (DOS, CP857)</translation>
    </message>
    <message>
        <source>Nordic (ISO Latin 6)</source>
        <translation>Nordisch (ISO Latin 6)</translation>
    </message>
    <message>
        <source>Thai (ISO 8859-11)</source>
        <translation>Thai (ISO 8859-11)</translation>
    </message>
    <message>
        <source>Thai (Windows, CP874)</source>
        <translation>Thai (Windows, CP874)</translation>
    </message>
    <message>
        <source>Baltic (ISO Latin 7)</source>
        <translation>Baltisch (ISO Latin 7)</translation>
    </message>
    <message>
        <source>Baltic (Windows)</source>
        <translation>Baltisch (Windows)</translation>
    </message>
    <message>
        <source>Baltic (DOS, CP775)</source>
        <translation>Baltisch (DOS, CP775)</translation>
    </message>
    <message>
        <source>Celtic (ISO Latin 8)</source>
        <translation>Keltisch (ISO Latin 8)</translation>
    </message>
    <message>
        <source>Western (ISO Latin 9)</source>
        <translation>Westeuropäisch (ISO Latin 9)</translation>
    </message>
    <message>
        <source>Vietnamese (Windows)</source>
        <translation>Vietnamesisch (Windows)</translation>
    </message>
    <message>
        <source>Japanese (Shift JIS)</source>
        <translation>Japanisch (Shift JIS)</translation>
    </message>
    <message>
        <source>Japanese (Windows, CP932)</source>
        <translation>Japanisch (Windows, CP932)</translation>
    </message>
    <message>
        <source>Japanese (EUC)</source>
        <translation>Japanisch (EUC)</translation>
    </message>
    <message>
        <source>Japanese (ISO 2022-JP)</source>
        <translation>Japanisch (ISO 2022-JP)</translation>
    </message>
    <message>
        <source>Chinese Simplified (GBK, CP936)</source>
        <translation>Chinesisch vereinfacht (GBK, CP936)</translation>
    </message>
    <message>
        <source>Chinese Simplified (GB 18030)</source>
        <translation>Chinesisch vereinfacht (GB 18030)</translation>
    </message>
    <message>
        <source>Chinese Simplified (GB 2312)</source>
        <translation>Chinesisch vereinfacht (GB 2312)</translation>
    </message>
    <message>
        <source>Chinese Traditional (Big 5)</source>
        <translation>Chinesisch traditionell (Big 5)</translation>
    </message>
    <message>
        <source>Chinese Traditional (Windows, CP950)</source>
        <translation>Chinesisch traditionell (Windows, CP950)</translation>
    </message>
    <message>
        <source>Chinese Traditional (Big 5 HKSCS)</source>
        <translation>Chinesisch traditionell (Big 5 HKSCS)</translation>
    </message>
    <message>
        <source>Korean (EUC)</source>
        <translation>Koreanisch (EUC)</translation>
    </message>
    <message>
        <source>Korean (Windows, CP949)</source>
        <translation>Koreanisch (Windows, CP949)</translation>
    </message>
</context>
<context>
    <name>KTExtractionError</name>
    <message>
        <source>The archive cannot be read</source>
        <translation>Das Archiv kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Not an archive or an unsupported format</source>
        <translation>Kein Archiv oder ein nicht unterstütztes Format</translation>
    </message>
    <message>
        <source>The archive is damaged</source>
        <translation>Das Archiv ist beschädigt</translation>
    </message>
    <message>
        <source>Wrong or missing password</source>
        <translation>Falsches oder fehlendes Passwort</translation>
    </message>
    <message>
        <source>The archive is encrypted with a method that is not supported</source>
        <translation>Das Archiv ist mit einem nicht unterstützten Verfahren verschlüsselt</translation>
    </message>
    <message>
        <source>No space left on the disk</source>
        <translation>Kein Platz mehr auf dem Datenträger</translation>
    </message>
    <message>
        <source>The extracted files cannot be written</source>
        <translation>Die entpackten Dateien können nicht geschrieben werden</translation>
    </message>
    <message>
        <source>The archive holds an unsafe entry</source>
        <translation>Das Archiv enthält einen unsicheren Eintrag</translation>
    </message>
    <message>
        <source>The temporary folder cannot be made</source>
        <translation>Der temporäre Ordner kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>A program needed for this archive is not installed</source>
        <translation>Ein für dieses Archiv nötiges Programm ist nicht installiert</translation>
    </message>
</context>
<context>
    <name>KTFileTreeModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Änderungsdatum</translation>
    </message>
</context>
<context>
    <name>KTPasswordDialog</name>
    <message>
        <source>Password Required</source>
        <translation>Passwort erforderlich</translation>
    </message>
    <message>
        <source>This archive is protected by a password.</source>
        <translation>Dieses Archiv ist durch ein Passwort geschützt.</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>Show password</source>
        <translation>Passwort anzeigen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>“%1” is protected by a password.</source>
        <translation>„%1“ ist durch ein Passwort geschützt.</translation>
    </message>
</context>
<context>
    <name>KTUnarchiveResultViewController</name>
    <message>
        <source>Extract Another Archive</source>
        <translation>Weiteres Archiv entpacken</translation>
    </message>
    <message>
        <source>Back to the first screen (Backspace)</source>
        <translation>Zurück zum ersten Bildschirm (Rücktaste)</translation>
    </message>
    <message>
        <source>Save a Copy…</source>
        <translation>Kopie sichern …</translation>
    </message>
    <message>
        <source>Save a copy of the selected entry, or of everything (Ctrl+S)</source>
        <translation>Eine Kopie des gewählten Eintrags oder von allem sichern (Strg+S)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Open the selected entry, or the extracted folder (Enter)</source>
        <translation>Den gewählten Eintrag oder den entpackten Ordner öffnen (Eingabe)</translation>
    </message>
    <message>
        <source>Mail…</source>
        <translation>Per E-Mail senden …</translation>
    </message>
    <message>
        <source>No application could open “%1”.</source>
        <translation>Kein Programm konnte „%1“ öffnen.</translation>
    </message>
    <message>
        <source>Save a Copy</source>
        <translation>Kopie sichern</translation>
    </message>
    <message>
        <source>The copy could not be saved as “%1”.</source>
        <translation>Die Kopie konnte nicht als „%1“ gesichert werden.</translation>
    </message>
    <message>
        <source>The folder could not be packed for mailing.</source>
        <translation>Der Ordner konnte für die E-Mail nicht gepackt werden.</translation>
    </message>
    <message>
        <source>The mail client could not be reached.</source>
        <translation>Das E-Mail-Programm ist nicht erreichbar.</translation>
    </message>
    <message>
        <source>The program xdg-email, which hands files to the mail client, is missing. It comes with the package xdg-utils.</source>
        <translation>Das Programm xdg-email, das Dateien an das E-Mail-Programm übergibt, fehlt. Es gehört zum Paket xdg-utils.</translation>
    </message>
    <message>
        <source>No mail client is set up on this computer.</source>
        <translation>Auf diesem Computer ist kein E-Mail-Programm eingerichtet.</translation>
    </message>
    <message>
        <source>Choose a default mail client in your desktop&apos;s settings, then try again.</source>
        <translation>Wählen Sie in den Einstellungen Ihrer Arbeitsumgebung ein Standard-E-Mail-Programm und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The mail client could not take the file.</source>
        <translation>Das E-Mail-Programm konnte die Datei nicht übernehmen.</translation>
    </message>
    <message>
        <source>A folder cannot be copied into itself, and nothing can replace the folder it comes from.</source>
        <translation>Ein Ordner kann nicht in sich selbst kopiert werden, und nichts kann den Ordner ersetzen, aus dem es stammt.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>KTUnarchiveViewController</name>
    <message>
        <source>Filename encoding:</source>
        <translation>Zeichenkodierung der Namen:</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <source>Open the project&apos;s home page</source>
        <translation>Die Website des Projekts öffnen</translation>
    </message>
    <message>
        <source>Drop an archive here to extract it</source>
        <translation>Ziehen Sie ein Archiv hierher, um es zu entpacken</translation>
    </message>
    <message>
        <source>Drop an archive here</source>
        <translation>Archiv hierher ziehen</translation>
    </message>
    <message>
        <source>Drop an archive on this area, or press Enter or Space to choose one in a file dialog.</source>
        <translation>Legen Sie ein Archiv auf diesem Bereich ab, oder drücken Sie die Eingabe- oder Leertaste, um eines in einem Dateidialog zu wählen.</translation>
    </message>
    <message>
        <source>Extract “%1” To</source>
        <translation>„%1“ entpacken nach</translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Entpacken</translation>
    </message>
    <message>
        <source>Choose an Archive…</source>
        <translation>Archiv auswählen …</translation>
    </message>
    <message>
        <source>Extract error or password error, try again!</source>
        <translation>Fehler beim Entpacken oder falsches Passwort, bitte erneut versuchen!</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stop extracting (Esc)</source>
        <translation>Entpacken abbrechen (Esc)</translation>
    </message>
    <message>
        <source>Archives (%1)</source>
        <translation>Archive (%1)</translation>
    </message>
    <message>
        <source>Choose an Archive</source>
        <translation>Archiv auswählen</translation>
    </message>
    <message>
        <source>Extracting...</source>
        <translation>Entpacke …</translation>
    </message>
</context>
<context>
    <name>KTWindowController</name>
    <message>
        <source>KT Extractor</source>
        <translation>KT Extractor</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Open Archive…</source>
        <translation>Archiv ö&amp;ffnen …</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Contact</source>
        <translation>&amp;Kontakt</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Extracts an archive and shows what came out.</source>
        <translation>Entpackt ein Archiv und zeigt, was darin war.</translation>
    </message>
    <message>
        <source>Ask for the folder to extract ARCHIVE into.</source>
        <translation>Nach dem Ordner fragen, in den ARCHIVE entpackt wird.</translation>
    </message>
    <message>
        <source>The archive to extract.</source>
        <translation>Das zu entpackende Archiv.</translation>
    </message>
</context>
<context>
    <name>KTAccessibleProgressIndicator</name>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
</context>
</TS>
