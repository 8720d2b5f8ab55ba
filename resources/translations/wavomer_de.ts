<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>text</name>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>Öffnen …</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Speichern unter …</translation>
    </message>
    <message>
        <source>Import...</source>
        <translation>Importieren …</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Exportieren …</translation>
    </message>
    <message>
        <source>Export on Markers...</source>
        <translation>An Markern exportieren …</translation>
    </message>
    <message>
        <source>Tags...</source>
        <translation>Tags …</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einsetzen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Add Track</source>
        <translation>Spur hinzufügen</translation>
    </message>
    <message>
        <source>Delete Tracks</source>
        <translation>Spuren löschen</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Fade In</source>
        <translation>Einblenden</translation>
    </message>
    <message>
        <source>Fade Out</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Custom Fade...</source>
        <translation>Eigene Blende …</translation>
    </message>
    <message>
        <source>Volume...</source>
        <translation>Lautstärke …</translation>
    </message>
    <message>
        <source>Effects...</source>
        <translation>Effekte …</translation>
    </message>
    <message>
        <source>Insert Silence...</source>
        <translation>Stille einfügen …</translation>
    </message>
    <message>
        <source>Insert Noise...</source>
        <translation>Rauschen einfügen …</translation>
    </message>
    <message>
        <source>Audio Record</source>
        <translation>Audioaufnahme</translation>
    </message>
    <message>
        <source>Play/Pause</source>
        <translation>Wiedergabe/Pause</translation>
    </message>
    <message>
        <source>Add Marker</source>
        <translation>Marker setzen</translation>
    </message>
    <message>
        <source>Previous Marker</source>
        <translation>Vorheriger Marker</translation>
    </message>
    <message>
        <source>Next Marker</source>
        <translation>Nächster Marker</translation>
    </message>
    <message>
        <source>Show Marker List</source>
        <translation>Markerliste einblenden</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Close Marker List</source>
        <translation>Markerliste ausblenden</translation>
    </message>
    <message>
        <source>A new project could not be made.</source>
        <translation>Ein neues Projekt konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The project &quot;%1&quot; could not be opened.</source>
        <translation>Das Projekt „%1“ konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; is not a Wavomer project.</source>
        <translation>Der Ordner „%1“ ist kein Wavomer-Projekt.</translation>
    </message>
    <message>
        <source>Wavomer projects are folders whose names end in &quot;.wvmp&quot;.</source>
        <translation>Wavomer-Projekte sind Ordner, deren Namen auf „.wvmp“ enden.</translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>Time Ruler</source>
        <translation>Zeitlineal</translation>
    </message>
    <message>
        <source>Tracks</source>
        <translation>Spuren</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Spur</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>Steuerung</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
    <message>
        <source>Transport</source>
        <translation>Transport</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Wavomer</source>
        <translation>Wavomer</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Importing...</source>
        <translation>Wird importiert …</translation>
    </message>
    <message>
        <source>Import progress</source>
        <translation>Importfortschritt</translation>
    </message>
    <message>
        <source>Finish the recording before close the app.</source>
        <translation>Beenden Sie die Aufnahme, bevor Sie das Programm schließen.</translation>
    </message>
    <message>
        <source>Do you want to save the changes made to the project &quot;%1&quot;?</source>
        <translation>Möchten Sie die Änderungen am Projekt „%1“ speichern?</translation>
    </message>
    <message>
        <source>Your changes will be lost if you don&apos;t save them.</source>
        <translation>Ihre Änderungen gehen verloren, wenn Sie sie nicht speichern.</translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation>Nicht speichern</translation>
    </message>
    <message>
        <source>Marker List</source>
        <translation>Markerliste</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; could not be imported.</source>
        <translation>Die Datei „%1“ konnte nicht importiert werden.</translation>
    </message>
    <message>
        <source>The project was saved with warnings.</source>
        <translation>Das Projekt wurde mit Warnungen gespeichert.</translation>
    </message>
    <message>
        <source>The project could not be saved.</source>
        <translation>Das Projekt konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Wavomer Projects (*.wvmp)</source>
        <translation>Wavomer-Projekte (*.wvmp)</translation>
    </message>
    <message>
        <source>Current Time</source>
        <translation>Aktuelle Zeit</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>A multi-track audio editor.</source>
        <translation>Ein mehrspuriger Audioeditor.</translation>
    </message>
    <message>
        <source>Play on the silent device.</source>
        <translation>Auf dem stummen Gerät wiedergeben.</translation>
    </message>
    <message>
        <source>A project to open.</source>
        <translation>Ein zu öffnendes Projekt.</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Spur %1</translation>
    </message>
    <message>
        <source>%1 sections</source>
        <translation>%1 Abschnitte</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>Hide %1</source>
        <translation>%1 ausblenden</translation>
    </message>
    <message>
        <source>Quit %1</source>
        <translation>%1 beenden</translation>
    </message>
    <message>
        <source>%1 Help</source>
        <translation>%1-Hilfe</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Choose</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>The export could not be finished.</source>
        <translation>Der Export konnte nicht abgeschlossen werden.</translation>
    </message>
    <message>
        <source>The export was finished with warnings.</source>
        <translation>Der Export wurde mit Warnungen abgeschlossen.</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Sample Rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>Bit Rate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>One Channel per Track</source>
        <translation>Ein Kanal pro Spur</translation>
    </message>
    <message>
        <source>Stereo Mix</source>
        <translation>Stereo-Mischung</translation>
    </message>
    <message>
        <source>Mono Mix</source>
        <translation>Mono-Mischung</translation>
    </message>
    <message>
        <source>Split into one file per marker segment</source>
        <translation>In eine Datei pro Markerabschnitt aufteilen</translation>
    </message>
    <message>
        <source>&lt;b&gt;%1&lt;/b&gt; %2&lt;br&gt;A multi-track audio editor.</source>
        <translation>&lt;b&gt;%1&lt;/b&gt; %2&lt;br&gt;Ein Mehrspur-Audioeditor.</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>Wird exportiert …</translation>
    </message>
    <message>
        <source>Export progress</source>
        <translation>Exportfortschritt</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>Wird abgebrochen …</translation>
    </message>
    <message>
        <source>The picture could not be converted to PNG.</source>
        <translation>Das Bild konnte nicht in PNG umgewandelt werden.</translation>
    </message>
    <message>
        <source>Cover picture</source>
        <translation>Titelbild</translation>
    </message>
    <message>
        <source>Drop an image file here</source>
        <translation>Eine Bilddatei hierher ziehen</translation>
    </message>
    <message>
        <source>No cover picture</source>
        <translation>Kein Titelbild</translation>
    </message>
    <message>
        <source>not number</source>
        <translation>keine Zahl</translation>
    </message>
    <message>
        <source>ID3</source>
        <translation>ID3</translation>
    </message>
    <message>
        <source>Image...</source>
        <translation>Bild …</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Clear the cover picture</source>
        <translation>Das Titelbild entfernen</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Composer</source>
        <translation>Komponist</translation>
    </message>
    <message>
        <source>Grouping</source>
        <translation>Gruppierung</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Track No.</source>
        <translation>Titelnr.</translation>
    </message>
    <message>
        <source>of</source>
        <translation>von</translation>
    </message>
    <message>
        <source>Disc No.</source>
        <translation>CD-Nr.</translation>
    </message>
    <message>
        <source>BPM</source>
        <translation>BPM</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Total tracks</source>
        <translation>Anzahl der Titel</translation>
    </message>
    <message>
        <source>Total discs</source>
        <translation>Anzahl der CDs</translation>
    </message>
    <message>
        <source>Input error</source>
        <translation>Eingabefehler</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>The picture &quot;%1&quot; could not be read.</source>
        <translation>Das Bild „%1“ konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Images (%1)</source>
        <translation>Bilder (%1)</translation>
    </message>
    <message>
        <source>Waveform colour</source>
        <translation>Wellenformfarbe</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Reset the waveform colour</source>
        <translation>Die Wellenformfarbe zurücksetzen</translation>
    </message>
    <message>
        <source>Audio Filter</source>
        <translation>Audiofilter</translation>
    </message>
    <message>
        <source>Effect:</source>
        <translation>Effekt:</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keiner</translation>
    </message>
    <message>
        <source>Effect</source>
        <translation>Effekt</translation>
    </message>
    <message>
        <source>Effect settings</source>
        <translation>Effekteinstellungen</translation>
    </message>
    <message>
        <source>Fade curve</source>
        <translation>Blendkurve</translation>
    </message>
    <message>
        <source>Up and Down move the selected level, Left and Right choose the start or stop level.</source>
        <translation>Auf und Ab verschieben den gewählten Pegel, Links und Rechts wählen den Start- oder Endpegel.</translation>
    </message>
    <message>
        <source>Fade Effect</source>
        <translation>Blendeffekt</translation>
    </message>
    <message>
        <source>Start level:</source>
        <translation>Startpegel:</translation>
    </message>
    <message>
        <source>Stop level:</source>
        <translation>Endpegel:</translation>
    </message>
    <message>
        <source>Start level</source>
        <translation>Startpegel</translation>
    </message>
    <message>
        <source>Stop level</source>
        <translation>Endpegel</translation>
    </message>
    <message>
        <source>Type minutes:seconds or seconds.</source>
        <translation>Minuten:Sekunden oder Sekunden eingeben.</translation>
    </message>
    <message>
        <source>Insert mute duration:</source>
        <translation>Dauer der einzufügenden Stille:</translation>
    </message>
    <message>
        <source>Insert noise duration:</source>
        <translation>Dauer des einzufügenden Rauschens:</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Rauschen</translation>
    </message>
    <message>
        <source>The silence could not be inserted.</source>
        <translation>Die Stille konnte nicht eingefügt werden.</translation>
    </message>
    <message>
        <source>The noise could not be inserted.</source>
        <translation>Das Rauschen konnte nicht eingefügt werden.</translation>
    </message>
    <message>
        <source>Preview position</source>
        <translation>Vorschauposition</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Volume factor:</source>
        <translation>Lautstärkefaktor:</translation>
    </message>
    <message>
        <source>Volume factor</source>
        <translation>Lautstärkefaktor</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Input level</source>
        <translation>Eingangspegel</translation>
    </message>
    <message>
        <source>Input:</source>
        <translation>Eingang:</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Computer Audio</source>
        <translation>Computer-Audio</translation>
    </message>
    <message>
        <source>The recording could not be placed on the timeline. It is kept in the folder &quot;Record Files&quot;.</source>
        <translation>Die Aufnahme konnte nicht in die Zeitleiste eingefügt werden. Sie bleibt im Ordner „Record Files“ erhalten.</translation>
    </message>
    <message>
        <source>The sound server offers no monitor of the computer&apos;s output, so its sound cannot be recorded. The previous input stays chosen.</source>
        <translation>Der Soundserver bietet keinen Monitor der Computerausgabe an, daher kann deren Ton nicht aufgenommen werden. Der bisherige Eingang bleibt ausgewählt.</translation>
    </message>
    <message>
        <source>The recording stopped. What was recorded until then is on the timeline.</source>
        <translation>Die Aufnahme wurde beendet. Was bis dahin aufgenommen wurde, liegt in der Zeitleiste.</translation>
    </message>
    <message>
        <source>The unfinished recording &quot;%1&quot; could not be repaired.</source>
        <translation>Die unvollendete Aufnahme „%1“ konnte nicht repariert werden.</translation>
    </message>
    <message>
        <source>Wavomer stopped while recording. The recording &quot;%1&quot; (%2 seconds) has been repaired. Import it into the project?</source>
        <translation>Wavomer wurde während einer Aufnahme beendet. Die Aufnahme „%1“ (%2 Sekunden) wurde repariert. In das Projekt importieren?</translation>
    </message>
    <message>
        <source>Unfinished Recording</source>
        <translation>Unvollendete Aufnahme</translation>
    </message>
    <message>
        <source>Keep in Folder</source>
        <translation>Im Ordner lassen</translation>
    </message>
    <message>
        <source>Stop Record</source>
        <translation>Aufnahme beenden</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufnahme läuft</translation>
    </message>
    <message>
        <source>Press Space or Return to stop the recording.</source>
        <translation>Leertaste oder Eingabetaste beendet die Aufnahme.</translation>
    </message>
    <message>
        <source>The recording stopped. Nothing was recorded.</source>
        <translation>Die Aufnahme wurde beendet. Es wurde nichts aufgenommen.</translation>
    </message>
    <message>
        <source>The recording stopped and could not be placed on the timeline. It is kept in &quot;%1&quot; and can be imported.</source>
        <translation>Die Aufnahme wurde beendet und konnte nicht in die Zeitleiste eingefügt werden. Sie liegt in „%1“ und kann importiert werden.</translation>
    </message>
    <message>
        <source>The project &quot;%1&quot; is open in %2. Here it is read-only until it is closed there.</source>
        <translation>Das Projekt „%1“ ist in %2 geöffnet. Hier ist es schreibgeschützt, bis es dort geschlossen wird.</translation>
    </message>
    <message>
        <source>Open Anyway</source>
        <translation>Trotzdem öffnen</translation>
    </message>
    <message>
        <source>Some audio files of the project &quot;%1&quot; cannot be read. Their sections play silence.</source>
        <translation>Einige Audiodateien des Projekts „%1“ können nicht gelesen werden. Ihre Abschnitte spielen Stille.</translation>
    </message>
    <message>
        <source>Importing &quot;%1&quot;...</source>
        <translation>„%1“ wird importiert …</translation>
    </message>
    <message>
        <source>The project &quot;%1&quot; was changed by another program since it was opened or saved here. Saving overwrites those changes.</source>
        <translation>Das Projekt „%1“ wurde von einem anderen Programm geändert, seit es hier geöffnet oder gesichert wurde. Sichern überschreibt diese Änderungen.</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists. Do you want to replace it?</source>
        <translation>„%1“ existiert bereits. Möchten Sie es ersetzen?</translation>
    </message>
    <message>
        <source>Its tracks, markers and audio are replaced by this project&apos;s.</source>
        <translation>Seine Spuren, Marker und Audiodaten werden durch die dieses Projekts ersetzt.</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>%1 (cannot be read: %2)</source>
        <translation>%1 (nicht lesbar: %2)</translation>
    </message>
    <message>
        <source>%1 — %2 — changed %3</source>
        <translation>%1 — %2 — geändert %3</translation>
    </message>
    <message numerus="yes">
        <source>Discard the unsaved changes of %n project(s)? They cannot be recovered afterwards.</source>
        <translation>
            <numerusform>Die ungesicherten Änderungen von %n Projekt verwerfen? Sie können danach nicht wiederhergestellt werden.</numerusform>
            <numerusform>Die ungesicherten Änderungen von %n Projekten verwerfen? Sie können danach nicht wiederhergestellt werden.</numerusform>
        </translation>
    </message>
    <message>
        <source>Recover Unsaved Changes</source>
        <translation>Ungesicherte Änderungen wiederherstellen</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>The unsaved changes &quot;%1&quot; cannot be read; they are kept.</source>
        <translation>Die ungesicherten Änderungen „%1“ können nicht gelesen werden; sie bleiben erhalten.</translation>
    </message>
    <message>
        <source>The unsaved changes of &quot;%1&quot; could not be recovered; they are kept.</source>
        <translation>Die ungesicherten Änderungen von „%1“ konnten nicht wiederhergestellt werden; sie bleiben erhalten.</translation>
    </message>
    <message>
        <source>Wavomer stopped before these projects were saved. Their changes were kept.</source>
        <translation>Wavomer wurde beendet, bevor diese Projekte gesichert wurden. Ihre Änderungen wurden aufbewahrt.</translation>
    </message>
    <message>
        <source>Unsaved projects</source>
        <translation>Ungesicherte Projekte</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Your latest changes are not protected against a crash.</source>
        <translation>Ihre letzten Änderungen sind nicht gegen einen Absturz geschützt.</translation>
    </message>
    <message>
        <source>Zoom to Fit</source>
        <translation>Ganzes Projekt zeigen</translation>
    </message>
    <message>
        <source>Zoom to Selection</source>
        <translation>Auswahl zeigen</translation>
    </message>
    <message>
        <source>Fit the project to the window when it opens</source>
        <translation>Projekt beim Öffnen ins Fenster einpassen</translation>
    </message>
    <message>
        <source>Open Recent</source>
        <translation>Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>Clear Menu</source>
        <translation>Menü leeren</translation>
    </message>
    <message>
        <source>Opening &quot;%1&quot;...</source>
        <translation>„%1“ wird geöffnet …</translation>
    </message>
    <message>
        <source>Do you want to delete track %1?</source>
        <translation>Möchten Sie Spur %1 löschen?</translation>
    </message>
    <message>
        <source>Do you want to delete tracks %1 to %2?</source>
        <translation>Möchten Sie die Spuren %1 bis %2 löschen?</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>Selection Start</source>
        <translation>Auswahlanfang</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Selection End</source>
        <translation>Auswahlende</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Selection Length</source>
        <translation>Auswahllänge</translation>
    </message>
    <message>
        <source>Cursor</source>
        <translation>Cursor</translation>
    </message>
    <message>
        <source>Type a time as 65.2, 1:05.2 or 00:01:05.200</source>
        <translation>Geben Sie eine Zeit als 65.2, 1:05.2 oder 00:01:05.200 ein</translation>
    </message>
    <message>
        <source>The export is finished, but no file manager could show the files.</source>
        <translation>Der Export ist fertig, aber kein Dateimanager konnte die Dateien zeigen.</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Copy Path</source>
        <translation>Pfad kopieren</translation>
    </message>
    <message>
        <source>The folder could not be opened.</source>
        <translation>Der Ordner konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Bit Depth</source>
        <translation>Bittiefe</translation>
    </message>
    <message>
        <source>16 bits</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>24 bits</source>
        <translation>24 Bit</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Number the pieces in the file names</source>
        <translation>Die Teile in den Dateinamen nummerieren</translation>
    </message>
    <message>
        <source>%1, level %2, peak %3</source>
        <translation>%1, Pegel %2, Spitze %3</translation>
    </message>
    <message>
        <source>clipped</source>
        <translation>übersteuert</translation>
    </message>
    <message>
        <source>CLIP</source>
        <translation>CLIP</translation>
    </message>
    <message>
        <source>Volume in dB</source>
        <translation>Lautstärke in dB</translation>
    </message>
    <message>
        <source>dB</source>
        <translation>dB</translation>
    </message>
    <message>
        <source>Wavomer Help</source>
        <translation>Wavomer-Hilfe</translation>
    </message>
    <message>
        <source>Export Finished</source>
        <translation>Export fertig</translation>
    </message>
    <message>
        <source>Marker Name</source>
        <translation>Markername</translation>
    </message>
    <message>
        <source>Loudness...</source>
        <translation>Lautheit...</translation>
    </message>
    <message>
        <source>no sound</source>
        <translation>kein Klang</translation>
    </message>
    <message>
        <source>Integrated loudness: %1
Loudness range: %2
True peak: %3
Sample peak: %4</source>
        <translation>Integrierte Lautheit: %1
Lautheitsbereich: %2
True Peak: %3
Sample Peak: %4</translation>
    </message>
    <message>
        <source>Measuring the loudness...</source>
        <translation>Die Lautheit wird gemessen...</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Lautheit</translation>
    </message>
    <message>
        <source>The loudness of the project</source>
        <translation>Die Lautheit des Projekts</translation>
    </message>
    <message>
        <source>The loudness of the selection</source>
        <translation>Die Lautheit der Auswahl</translation>
    </message>
    <message>
        <source>Chapter %1</source>
        <translation>Kapitel %1</translation>
    </message>
    <message>
        <source>More: %1</source>
        <translation>Mehr: %1</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>-14 LUFS (Streaming)</source>
        <translation>-14 LUFS (Streaming)</translation>
    </message>
    <message>
        <source>-16 LUFS (Podcast)</source>
        <translation>-16 LUFS (Podcast)</translation>
    </message>
    <message>
        <source>-23 LUFS (Broadcast)</source>
        <translation>-23 LUFS (Rundfunk)</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Eigene</translation>
    </message>
    <message>
        <source>Custom Loudness</source>
        <translation>Eigene Lautheit</translation>
    </message>
    <message>
        <source>True-Peak Ceiling</source>
        <translation>True-Peak-Obergrenze</translation>
    </message>
    <message>
        <source>Normalise each piece on its own</source>
        <translation>Jedes Stück für sich normalisieren</translation>
    </message>
    <message>
        <source>Chapters at markers</source>
        <translation>Kapitel an den Markern</translation>
    </message>
    <message>
        <source>Add Markers at Silences...</source>
        <translation>Marker in Pausen setzen …</translation>
    </message>
    <message>
        <source>Measuring progress</source>
        <translation>Messfortschritt</translation>
    </message>
    <message>
        <source>Add Markers at Silences</source>
        <translation>Marker in Pausen setzen</translation>
    </message>
    <message>
        <source>Adds a marker in each silence of the whole project.</source>
        <translation>Setzt in jede Pause des ganzen Projekts einen Marker.</translation>
    </message>
    <message>
        <source>Adds a marker in each silence of the selected tracks within the selection.</source>
        <translation>Setzt in jede Pause der ausgewählten Spuren innerhalb der Auswahl einen Marker.</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>Schwelle</translation>
    </message>
    <message>
        <source>Threshold:</source>
        <translation>Schwelle:</translation>
    </message>
    <message>
        <source>Shortest silence</source>
        <translation>Kürzeste Pause</translation>
    </message>
    <message>
        <source>Shortest silence:</source>
        <translation>Kürzeste Pause:</translation>
    </message>
    <message>
        <source>Start of each silence</source>
        <translation>Anfang jeder Pause</translation>
    </message>
    <message>
        <source>Middle of each silence</source>
        <translation>Mitte jeder Pause</translation>
    </message>
    <message>
        <source>End of each silence</source>
        <translation>Ende jeder Pause</translation>
    </message>
    <message>
        <source>Place each marker at</source>
        <translation>Position jedes Markers</translation>
    </message>
    <message>
        <source>Place each marker at:</source>
        <translation>Position jedes Markers:</translation>
    </message>
    <message>
        <source>A silence is where every scanned track stays below the threshold. The silence before the first sound and after the last gets no marker.</source>
        <translation>Eine Pause ist, wo jede durchsuchte Spur unter der Schwelle bleibt. Die Stille vor dem ersten und nach dem letzten Klang erhält keinen Marker.</translation>
    </message>
    <message>
        <source>Add Markers</source>
        <translation>Marker setzen</translation>
    </message>
    <message>
        <source>Looking for silences...</source>
        <translation>Pausen werden gesucht …</translation>
    </message>
    <message>
        <source>Scanning progress</source>
        <translation>Suchfortschritt</translation>
    </message>
    <message>
        <source>Added 1 marker at a silence.</source>
        <translation>1 Marker in einer Pause gesetzt.</translation>
    </message>
    <message>
        <source>Added %1 markers at silences.</source>
        <translation>%1 Marker in Pausen gesetzt.</translation>
    </message>
    <message>
        <source>No silences were found: no marker was added.</source>
        <translation>Keine Pause gefunden: Es wurde kein Marker gesetzt.</translation>
    </message>
    <message>
        <source>Every silence found has a marker already: no marker was added.</source>
        <translation>Jede gefundene Pause hat schon einen Marker: Es wurde kein Marker gesetzt.</translation>
    </message>
</context>
</TS>
