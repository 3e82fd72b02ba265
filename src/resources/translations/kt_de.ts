<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>KTAboutDialog</name>
    <message>
        <source>About KT Extractor</source>
        <translation>Über KT Extractor</translation>
    </message>
    <message>
        <source>KT Extractor</source>
        <translation>KT Extractor</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Licence: %1</source>
        <translation>Lizenz: %1</translation>
    </message>
    <message>
        <source>not installed</source>
        <translation>nicht installiert</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Qt %1 · libarchive %2 · ICU %3 · 7-Zip %4</source>
        <translation>Qt %1 · libarchive %2 · ICU %3 · 7-Zip %4</translation>
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
        <source>The folder to extract into cannot be written</source>
        <translation>In den Zielordner kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>A program needed for this archive is not installed</source>
        <translation>Ein für dieses Archiv nötiges Programm ist nicht installiert</translation>
    </message>
    <message>
        <source>The archive holds a device, FIFO or socket</source>
        <translation>Das Archiv enthält ein Gerät, ein FIFO oder einen Socket</translation>
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
    <name>KTOpenWithDialog</name>
    <message>
        <source>Open With</source>
        <translation>Öffnen mit</translation>
    </message>
    <message>
        <source>Choose an application to open “%1” (%2):</source>
        <translation>Wählen Sie ein Programm, um „%1“ (%2) zu öffnen:</translation>
    </message>
    <message>
        <source>No application on this computer says it opens this kind of file.</source>
        <translation>Kein Programm auf diesem Computer gibt an, diese Art Datei zu öffnen.</translation>
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
    <name>KTSevenZipUnarchiver</name>
    <message>
        <source>install the 7zip package to open encrypted 7z archives</source>
        <translation>Installieren Sie das Paket 7zip, um verschlüsselte 7z-Archive zu öffnen</translation>
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
    <message>
        <source>Incomplete: only what was read before the damage.</source>
        <translation>Unvollständig: nur, was vor der Beschädigung gelesen wurde.</translation>
    </message>
    <message>
        <source>Reading the names again failed; this is the first result.</source>
        <translation>Die Namen konnten nicht erneut gelesen werden; dies ist das erste Ergebnis.</translation>
    </message>
    <message>
        <source>Some names were not valid UTF-8.</source>
        <translation>Einige Namen waren kein gültiges UTF-8.</translation>
    </message>
    <message>
        <source>They were read as UTF-8, the encoding chosen; detection may read them.</source>
        <translation>Sie wurden als UTF-8 gelesen, die gewählte Kodierung; die automatische Erkennung kann sie womöglich lesen.</translation>
    </message>
    <message>
        <source>Read Names Again with Detection</source>
        <translation>Namen mit Erkennung neu lesen</translation>
    </message>
    <message>
        <source>Move To…</source>
        <translation>Verschieben nach …</translation>
    </message>
    <message>
        <source>Move the whole result to another folder, without a second copy on the disk</source>
        <translation>Das ganze Ergebnis in einen anderen Ordner verschieben, ohne zweite Kopie auf dem Datenträger</translation>
    </message>
    <message>
        <source>Move To</source>
        <translation>Verschieben nach</translation>
    </message>
    <message>
        <source>The result could not be moved to “%1”.</source>
        <translation>Das Ergebnis konnte nicht nach „%1“ verschoben werden.</translation>
    </message>
    <message>
        <source>It was copied there, but the original at %1 could not be removed entirely: %2</source>
        <translation>Es wurde dorthin kopiert, aber das Original unter %1 konnte nicht vollständig entfernt werden: %2</translation>
    </message>
    <message>
        <source>Open With…</source>
        <translation>Öffnen mit …</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Im Ordner zeigen</translation>
    </message>
    <message>
        <source>In the temporary folder: the system may remove it. Save a copy to keep it.</source>
        <translation>Im temporären Ordner: Das System kann ihn entfernen. Sichern Sie eine Kopie, um ihn zu behalten.</translation>
    </message>
    <message>
        <source>“%1” is a program. Opening it may run it.</source>
        <translation>„%1“ ist ein Programm. Beim Öffnen wird es möglicherweise ausgeführt.</translation>
    </message>
    <message>
        <source>Open it only if you trust where the archive came from.</source>
        <translation>Öffnen Sie es nur, wenn Sie der Herkunft des Archivs vertrauen.</translation>
    </message>
    <message>
        <source>No application is set up to open “%1”.</source>
        <translation>Kein Programm ist zum Öffnen von „%1“ eingerichtet.</translation>
    </message>
    <message>
        <source>The program xdg-open, which hands files to their applications, is missing. It comes with the package xdg-utils.</source>
        <translation>Das Programm xdg-open, das Dateien an ihre Programme übergibt, fehlt. Es gehört zum Paket xdg-utils.</translation>
    </message>
    <message>
        <source>Choose an application for it, or show it in its folder.</source>
        <translation>Wählen Sie ein Programm dafür oder zeigen Sie es in seinem Ordner.</translation>
    </message>
    <message>
        <source>“%1” could not be started.</source>
        <translation>„%1“ konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>No file manager could show “%1”.</source>
        <translation>Kein Dateimanager konnte „%1“ zeigen.</translation>
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
        <source>Extracting...</source>
        <translation>Entpacke …</translation>
    </message>
    <message>
        <source>No web browser is set up to open the home page.</source>
        <translation>Kein Webbrowser ist zum Öffnen der Homepage eingerichtet.</translation>
    </message>
</context>
<context>
    <name>KTArchiveChooser</name>
    <message>
        <source>Archives (%1)</source>
        <translation>Archive (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Choose an Archive</source>
        <translation>Archiv auswählen</translation>
    </message>
    <message>
        <source>Extract “%1” To</source>
        <translation>„%1“ entpacken nach</translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Entpacken</translation>
    </message>
</context>
<context>
    <name>KTFailureNotice</name>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Show What Was Extracted</source>
        <translation>Zeige, was entpackt wurde</translation>
    </message>
    <message>
        <source>Extract error or password error, try again!</source>
        <translation>Fehler beim Entpacken oder falsches Passwort, bitte erneut versuchen!</translation>
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
    <message>
        <source>&amp;Preferences…</source>
        <translation>&amp;Einstellungen …</translation>
    </message>
</context>
<context>
    <name>KTPreferencesDialog</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Extract into</source>
        <translation>Entpacken in</translation>
    </message>
    <message>
        <source>The &amp;temporary folder</source>
        <translation>Den &amp;temporären Ordner</translation>
    </message>
    <message>
        <source>The system may remove results there, at the next start or after some days.</source>
        <translation>Das System kann Ergebnisse dort entfernen, beim nächsten Start oder nach einigen Tagen.</translation>
    </message>
    <message>
        <source>&amp;Beside the archive</source>
        <translation>&amp;Neben das Archiv</translation>
    </message>
    <message>
        <source>This &amp;folder:</source>
        <translation>Diesen &amp;Ordner:</translation>
    </message>
    <message>
        <source>No folder chosen</source>
        <translation>Kein Ordner gewählt</translation>
    </message>
    <message>
        <source>&amp;Choose…</source>
        <translation>&amp;Wählen …</translation>
    </message>
    <message>
        <source>Extract Into</source>
        <translation>Entpacken in</translation>
    </message>
</context>
<context>
    <name>KTDesktopNotifier</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
</context>
<context>
    <name>KTJobAnnouncer</name>
    <message>
        <source>%1 extracted</source>
        <translation>%1 entpackt</translation>
    </message>
    <message>
        <source>%1 could not be extracted</source>
        <translation>%1 konnte nicht entpackt werden</translation>
    </message>
    <message>
        <source>1 file, %1</source>
        <translation>1 Datei, %1</translation>
    </message>
    <message numerus="yes">
        <source>%n files, %1</source>
        <translation>
            <numerusform>%n Datei, %1</numerusform>
            <numerusform>%n Dateien, %1</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;About KT Extractor</source>
        <translation>Ü&amp;ber KT Extractor</translation>
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
    <name>KTSkippedEntries</name>
    <message>
        <source>%1 entries were not extracted: they would have written outside the folder or are special files</source>
        <translation>%1 Einträge wurden nicht entpackt: Sie hätten außerhalb des Ordners geschrieben oder sind Spezialdateien</translation>
    </message>
    <message>
        <source>1 entry was not extracted: it is a device, FIFO or socket</source>
        <translation>1 Eintrag wurde nicht entpackt: Er ist ein Gerät, ein FIFO oder ein Socket</translation>
    </message>
    <message>
        <source>%1 entries were not extracted: they are devices, FIFOs or sockets</source>
        <translation>%1 Einträge wurden nicht entpackt: Sie sind Geräte, FIFOs oder Sockets</translation>
    </message>
    <message>
        <source>1 entry was not extracted: it would have written outside the folder</source>
        <translation>1 Eintrag wurde nicht entpackt: Er hätte außerhalb des Ordners geschrieben</translation>
    </message>
    <message>
        <source>%1 entries were not extracted: they would have written outside the folder</source>
        <translation>%1 Einträge wurden nicht entpackt: Sie hätten außerhalb des Ordners geschrieben</translation>
    </message>
    <message>
        <source>… and %1 more</source>
        <translation>… und %1 weitere</translation>
    </message>
</context>
<context>
    <name>KTProgressLine</name>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>%1% — %2</source>
        <translation>%1 % — %2</translation>
    </message>
    <message numerus="yes">
        <source>%n s left</source>
        <translation>
            <numerusform>noch %n s</numerusform>
            <numerusform>noch %n s</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n min left</source>
        <translation>
            <numerusform>noch %n min</numerusform>
            <numerusform>noch %n min</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 h %2 min left</source>
        <translation>noch %1 h %2 min</translation>
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
