<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AudioPipeline</name>
    <message>
        <source>The component is Busy</source>
        <translation>Die Komponente ist beschäftigt</translation>
    </message>
    <message>
        <source>The file name is not assigned</source>
        <translation>Der Dateiname ist nicht gesetzt</translation>
    </message>
    <message>
        <source>Audio stream %1 cannot be played: %2.</source>
        <translation>Die Tonspur %1 kann nicht abgespielt werden: %2.</translation>
    </message>
    <message>
        <source>Component is Busy</source>
        <translation>Die Komponente ist beschäftigt</translation>
    </message>
    <message>
        <source>Input is not assigned</source>
        <translation>Die Eingabe ist nicht gesetzt</translation>
    </message>
    <message>
        <source>Unknown error in the audio output</source>
        <translation>Unbekannter Fehler in der Audioausgabe</translation>
    </message>
    <message>
        <source>The Stream is not opened</source>
        <translation>Der Datenstrom ist nicht geöffnet</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>%1 needs a whole number, not &apos;%2&apos;</source>
        <translation>%1 braucht eine ganze Zahl, nicht „%2“</translation>
    </message>
    <message>
        <source>%1 %2 is not an MP3 bit rate (one of %3)</source>
        <translation>%1 %2 ist keine MP3-Bitrate (eine von %3)</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>--chapter %1: the last chapter comes before the first</source>
        <translation>--chapter %1: das letzte Kapitel liegt vor dem ersten</translation>
    </message>
    <message>
        <source>%1 &apos;%2&apos; is not a time (seconds like 12.5, or h:mm:ss.t)</source>
        <translation>%1 „%2“ ist keine Zeit (Sekunden wie 12.5 oder h:mm:ss.t)</translation>
    </message>
    <message>
        <source>--vbr needs MIN-MAX, like 128-256</source>
        <translation>--vbr braucht MIN-MAX, etwa 128-256</translation>
    </message>
    <message>
        <source>--vbr %1: the minimum is above the maximum</source>
        <translation>--vbr %1: das Minimum liegt über dem Maximum</translation>
    </message>
    <message>
        <source>--mode %1: choose dual, stereo, joint or mono</source>
        <translation>--mode %1: wählen Sie dual, stereo, joint oder mono</translation>
    </message>
    <message>
        <source>%1 %2: give 1 to 256 threads</source>
        <translation>%1 %2: geben Sie 1 bis 256 Threads an</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>--bitrate and --vbr exclude each other</source>
        <translation>--bitrate und --vbr schließen einander aus</translation>
    </message>
    <message>
        <source>--list-titles lists every title</source>
        <translation>--list-titles listet jeden Titel auf</translation>
    </message>
    <message>
        <source>--chapter goes with --rip</source>
        <translation>--chapter gehört zu --rip</translation>
    </message>
    <message>
        <source>--start must come before --end</source>
        <translation>--start muss vor --end liegen</translation>
    </message>
    <message>
        <source>%1 goes with --rip</source>
        <translation>%1 gehört zu --rip</translation>
    </message>
    <message>
        <source>%1 gives the ranges: leave out --start and --end</source>
        <translation>%1 gibt die Bereiche vor: lassen Sie --start und --end weg</translation>
    </message>
    <message>
        <source>%1 gives the titles: leave out --title</source>
        <translation>%1 gibt die Titel vor: lassen Sie --title weg</translation>
    </message>
    <message>
        <source>the window opens one file at a time</source>
        <translation>das Fenster öffnet eine Datei auf einmal</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>no source file given</source>
        <translation>keine Quelldatei angegeben</translation>
    </message>
    <message>
        <source>cannot open &quot;%1&quot;: No such file or directory</source>
        <translation>„%1“ kann nicht geöffnet werden: Datei oder Verzeichnis nicht gefunden</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a DVD (no VIDEO_TS folder with IFO files)</source>
        <translation>„%1“ ist keine DVD (kein VIDEO_TS-Ordner mit IFO-Dateien)</translation>
    </message>
    <message>
        <source>cannot read the DVD &quot;%1&quot;: %2</source>
        <translation>die DVD „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>cannot read &quot;%1&quot;: %2</source>
        <translation>„%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; has no audio stream</source>
        <translation>„%1“ hat keine Tonspur</translation>
    </message>
    <message>
        <source>cannot open %1: No such file or directory</source>
        <translation>%1 kann nicht geöffnet werden: Datei oder Verzeichnis nicht gefunden</translation>
    </message>
    <message>
        <source>cannot read the DVD %1: %2</source>
        <translation>die DVD %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>cannot open %1: it is a folder</source>
        <translation>%1 kann nicht geöffnet werden: es ist ein Ordner</translation>
    </message>
    <message>
        <source>title %1 of %2 has %3 chapters, not %4</source>
        <translation>Titel %1 von %2 hat %3 Kapitel, nicht %4</translation>
    </message>
    <message>
        <source>%1 has no audio track %2 (see --list-tracks)</source>
        <translation>%1 hat keine Tonspur %2 (siehe --list-tracks)</translation>
    </message>
    <message>
        <source>%1 has no audio stream</source>
        <translation>%1 hat keine Tonspur</translation>
    </message>
    <message>
        <source>cannot read the sound of %1: %2</source>
        <translation>der Ton von %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>the range from %1 to %2 is empty</source>
        <translation>der Bereich von %1 bis %2 ist leer</translation>
    </message>
    <message>
        <source>the track list %1: %2</source>
        <translation>die Titelliste %1: %2</translation>
    </message>
    <message>
        <source>track %1&apos;s output %2</source>
        <translation>die Ausgabe %2 von Titel %1</translation>
    </message>
    <message>
        <source>the output %1</source>
        <translation>die Ausgabe %1</translation>
    </message>
    <message>
        <source> would replace the source</source>
        <translation> würde die Quelle ersetzen</translation>
    </message>
    <message>
        <source> is a folder</source>
        <translation> ist ein Ordner</translation>
    </message>
    <message>
        <source>%1 already exists (use --force to replace it)</source>
        <translation>%1 existiert bereits (mit --force wird sie ersetzt)</translation>
    </message>
    <message>
        <source>cannot create the folder %1: %2</source>
        <translation>der Ordner %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>reading %1 failed: %2</source>
        <translation>das Lesen von %1 ist fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>track %1/%2 </source>
        <translation>Titel %1/%2 </translation>
    </message>
    <message>
        <source>; track 1 was written</source>
        <translation>; Titel 1 wurde geschrieben</translation>
    </message>
    <message>
        <source>; tracks 1 to %1 were written</source>
        <translation>; die Titel 1 bis %1 wurden geschrieben</translation>
    </message>
    <message>
        <source>interrupted; %1 was not written</source>
        <translation>abgebrochen; %1 wurde nicht geschrieben</translation>
    </message>
    <message>
        <source>interrupted; the unfinished tracks were not written</source>
        <translation>abgebrochen; die unfertigen Titel wurden nicht geschrieben</translation>
    </message>
    <message>
        <source>the range holds no sound of %1</source>
        <translation>der Bereich enthält keinen Ton von %1</translation>
    </message>
    <message>
        <source>track %1 of %2 (&quot;%3&quot;) failed: %4</source>
        <translation>Titel %1 von %2 („%3“) ist fehlgeschlagen: %4</translation>
    </message>
    <message>
        <source>%1 tracks </source>
        <translation>%1 Titel </translation>
    </message>
    <message>
        <source>Try &apos;sonavel --help&apos; for more information.
</source>
        <translation>„sonavel --help“ zeigt mehr Informationen.
</translation>
    </message>
    <message>
        <source>%1%2% [%3] %4x realtime, %5 left </source>
        <translation>%1%2% [%3] %4x Echtzeit, noch %5 </translation>
    </message>
    <message>
        <source>%1 needs a number from %2 to %3, not &apos;%4&apos;</source>
        <translation>%1 braucht eine Zahl von %2 bis %3, nicht „%4“</translation>
    </message>
    <message>
        <source>--vbr-quality %1: give 0 (best) to 9 (smallest)</source>
        <translation>--vbr-quality %1: 0 (am besten) bis 9 (am kleinsten) angeben</translation>
    </message>
    <message>
        <source>--cover needs a time or a picture file</source>
        <translation>--cover braucht eine Zeit oder eine Bilddatei</translation>
    </message>
    <message>
        <source>--bitrate and --vbr-quality exclude each other</source>
        <translation>--bitrate und --vbr-quality schließen einander aus</translation>
    </message>
    <message>
        <source>--one-file goes with --tracks or --split-chapters</source>
        <translation>--one-file gehört zu --tracks oder --split-chapters</translation>
    </message>
    <message>
        <source>%1 goes with --split-pauses or --list-pauses</source>
        <translation>%1 gehört zu --split-pauses oder --list-pauses</translation>
    </message>
    <message>
        <source>--split-chapters, --split-pauses and --tracks exclude each other</source>
        <translation>--split-chapters, --split-pauses und --tracks schließen einander aus</translation>
    </message>
    <message>
        <source>%1 gives the ranges: leave out --chapter</source>
        <translation>%1 gibt die Bereiche vor: --chapter weglassen</translation>
    </message>
    <message>
        <source>finding the songs </source>
        <translation>die Lieder werden gesucht </translation>
    </message>
    <message>
        <source>%1 holds no sound</source>
        <translation>%1 enthält keinen Ton</translation>
    </message>
    <message>
        <source>%1 is not a DVD; --dvd-title needs one</source>
        <translation>%1 ist keine DVD; --dvd-title braucht eine</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>unavailable: </source>
        <translation>nicht verfügbar: </translation>
    </message>
    <message>
        <source>the songs of %1: %2</source>
        <translation>die Lieder von %1: %2</translation>
    </message>
    <message>
        <source>--cover %1: the source ends at %2</source>
        <translation>--cover %1: die Quelle endet bei %2</translation>
    </message>
    <message>
        <source>the picture cannot be made</source>
        <translation>das Bild kann nicht erzeugt werden</translation>
    </message>
    <message>
        <source>--cover %1: neither a time nor a picture file</source>
        <translation>--cover %1: weder eine Zeit noch eine Bilddatei</translation>
    </message>
    <message>
        <source>--cover: </source>
        <translation>--cover: </translation>
    </message>
    <message>
        <source>SOURCE</source>
        <translation>QUELLE</translation>
    </message>
    <message>
        <source>OUTPUT</source>
        <translation>AUSGABE</translation>
    </message>
    <message>
        <source>TIME</source>
        <translation>ZEIT</translation>
    </message>
    <message>
        <source>start of the range (default: the beginning)</source>
        <translation>Anfang des Bereichs (Vorgabe: der Anfang)</translation>
    </message>
    <message>
        <source>end of the range, not included (default: the end)
TIME is seconds (12.5) or h:mm:ss.t (1:02:03.4); on a
DVD, on the title&apos;s time line</source>
        <translation>Ende des Bereichs, nicht enthalten (Vorgabe: das Ende)
ZEIT in Sekunden (12.5) oder h:mm:ss.t (1:02:03.4); bei
einer DVD auf der Zeitleiste des Titels</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>the DVD&apos;s title N (default: the longest)</source>
        <translation>Titel N der DVD (Vorgabe: der längste)</translation>
    </message>
    <message>
        <source>A[-B]</source>
        <translation>A[-B]</translation>
    </message>
    <message>
        <source>from chapter A&apos;s start to chapter B&apos;s end (B = A when
left out); --start and --end, when given, override</source>
        <translation>vom Anfang von Kapitel A bis zum Ende von Kapitel B
(ohne B: B = A); --start und --end gehen vor</translation>
    </message>
    <message>
        <source>KBPS</source>
        <translation>KBPS</translation>
    </message>
    <message>
        <source>MIN-MAX</source>
        <translation>MIN-MAX</translation>
    </message>
    <message>
        <source>TIME|FILE</source>
        <translation>ZEIT|DATEI</translation>
    </message>
    <message>
        <source>leave out the ReplayGain values (the loudness measured
while ripping: track gain, and album gain over the
tracks of a list, to -18 LUFS, and the sample peak)</source>
        <translation>die ReplayGain-Werte weglassen (die beim Rippen
gemessene Lautheit: Titel-Gain und Album-Gain über die
Titel einer Liste, auf -18 LUFS, und der Spitzenpegel)</translation>
    </message>
    <message>
        <source>HZ</source>
        <translation>HZ</translation>
    </message>
    <message>
        <source>MODE</source>
        <translation>MODUS</translation>
    </message>
    <message>
        <source>dual, stereo, joint or mono</source>
        <translation>dual, stereo, joint oder mono</translation>
    </message>
    <message>
        <source>TEXT</source>
        <translation>TEXT</translation>
    </message>
    <message>
        <source>ID3 tag texts (255 characters at most each)</source>
        <translation>Texte des ID3-Tags (je höchstens 255 Zeichen)</translation>
    </message>
    <message>
        <source>the N-th audio stream, as --list-tracks numbers them</source>
        <translation>die N-te Tonspur, wie --list-tracks sie zählt</translation>
    </message>
    <message>
        <source>LIST</source>
        <translation>LISTE</translation>
    </message>
    <message>
        <source>one MP3 per track of LIST: a cue sheet (TITLE, PERFORMER,
TRACK, INDEX 01 mm:ss:ff) or lines START [END] [TITLE];
the tracks play back one after the other without a gap
-o is then a folder (ending in /) or a name pattern:
%n number, %t title, %a artist, %A album
(default: &quot;%n - %t.mp3&quot; beside the source; for a DVD,
in a folder VOLUME_tNN in the output folder)</source>
        <translation>eine MP3 je Titel der LISTE: ein Cue-Sheet (TITLE,
PERFORMER, TRACK, INDEX 01 mm:ss:ff) oder Zeilen
ANFANG [ENDE] [TITEL]; die Titel spielen lückenlos
nacheinander
-o ist dann ein Ordner (mit / am Ende) oder ein
Namensmuster: %n Nummer, %t Titel, %a Interpret, %A Album
(Vorgabe: &quot;%n - %t.mp3&quot; neben der Quelle; bei einer DVD
in einem Ordner VOLUME_tNN im Ausgabeordner)</translation>
    </message>
    <message>
        <source>one MP3 per song: the sound is cut in its pauses (at the
quietest point of each), named and tagged as with --tracks</source>
        <translation>eine MP3 je Lied: der Ton wird in seinen Pausen
geschnitten (an der leisesten Stelle jeder Pause),
benannt und getaggt wie bei --tracks</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>a pause lasts S seconds at least (default 1)</source>
        <translation>eine Pause dauert mindestens S Sekunden (Vorgabe 1)</translation>
    </message>
    <message>
        <source>DB</source>
        <translation>DB</translation>
    </message>
    <message>
        <source>and lies DB decibels below the median loudness of the
sound (default 30): hiss and hum are a pause, applause
is not</source>
        <translation>und liegt DB Dezibel unter der mittleren Lautheit
(Median) des Tons (Vorgabe 30): Rauschen und Brummen
sind eine Pause, Beifall nicht</translation>
    </message>
    <message>
        <source>a track shorter than S seconds joins its neighbour
(default 20)</source>
        <translation>ein Titel kürzer als S Sekunden wird mit seinem
Nachbarn verbunden (Vorgabe 20)</translation>
    </message>
    <message>
        <source>print the songs --split-pauses would rip, as a list
--tracks reads (edit it, then rip with --tracks)</source>
        <translation>die Lieder ausgeben, die --split-pauses rippen würde,
als Liste, wie --tracks sie liest (bearbeiten, dann mit
--tracks rippen)</translation>
    </message>
    <message>
        <source>the tracks or chapters as one MP3 (-o names it) whose
chapter marks let players jump between them</source>
        <translation>die Titel oder Kapitel als eine MP3 (-o benennt sie),
deren Kapitelmarken Playern das Springen erlauben</translation>
    </message>
    <message>
        <source>encode on N threads (default: one per core; 1: one
encoder, as fast as one core allows)</source>
        <translation>auf N Threads kodieren (Vorgabe: einer je Kern; 1: ein
Kodierer, so schnell ein Kern es erlaubt)</translation>
    </message>
    <message>
        <source>replace an existing OUTPUT</source>
        <translation>eine vorhandene AUSGABE ersetzen</translation>
    </message>
    <message>
        <source>print nothing but errors</source>
        <translation>nur Fehler ausgeben</translation>
    </message>
    <message>
        <source>DVD</source>
        <translation>DVD</translation>
    </message>
    <message>
        <source>list the DVD&apos;s titles: length, chapters, audio streams</source>
        <translation>die Titel der DVD auflisten: Länge, Kapitel, Tonspuren</translation>
    </message>
    <message>
        <source>show this text</source>
        <translation>diesen Text zeigen</translation>
    </message>
    <message>
        <source>show the version</source>
        <translation>die Version zeigen</translation>
    </message>
    <message>
        <source>%1 counts from 1</source>
        <translation>%1 zählt ab 1</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>title %1 of %2: %3</source>
        <translation>Titel %1 von %2: %3</translation>
    </message>
    <message>
        <source>rip SOURCE&apos;s sound without a window; files named
after it are ripped in turn with the same options
(-o a folder), a summary at the end</source>
        <translation>den Ton von QUELLE ohne Fenster rippen; danach genannte
Dateien werden nacheinander mit denselben Optionen
gerippt (-o ein Ordner), am Ende eine Übersicht</translation>
    </message>
    <message>
        <source>one MP3 per chapter of the DVD title or of the file&apos;s
container (Matroska, MP4, ...; with --chapter, of those
chapters), named and tagged after the chapters&apos; titles
as with --tracks</source>
        <translation>eine MP3 je Kapitel des DVD-Titels oder des Containers
der Datei (Matroska, MP4, ...; mit --chapter: je Kapitel
davon), benannt und getaggt nach den Kapiteltiteln wie
bei --tracks</translation>
    </message>
    <message>
        <source>list SOURCE&apos;s audio streams with their languages and
titles (a DVD title&apos;s as the disc numbers them)</source>
        <translation>die Tonspuren von QUELLE mit Sprachen und Titeln
auflisten (bei einem DVD-Titel so nummeriert wie auf
der Disc)</translation>
    </message>
    <message>
        <source>print SOURCE&apos;s chapters (a DVD title&apos;s, or those its
container marks: Matroska, MP4, ...) as a list --tracks
reads</source>
        <translation>die Kapitel von QUELLE (eines DVD-Titels oder die im
Container markierten: Matroska, MP4, ...) als Liste
ausgeben, wie --tracks sie liest</translation>
    </message>
    <message>
        <source>--tracks lists the tracks of one source, not of several</source>
        <translation>--tracks listet die Titel einer Quelle auf, nicht mehrerer</translation>
    </message>
    <message>
        <source>
Options not given take the settings last used in the window.

Examples:
  sonavel --rip VTS_01_1.VOB --start 1:02:03 --end 1:05:00 -o song.mp3
  sonavel --rip film.mpg --vbr 128-256 --mode joint --title &quot;Main theme&quot;
  sonavel --rip concert.vob --start 2:00 --end 6:30 -o song.flac
  sonavel --rip concert.vob --tracks concert.cue --format opus -o ~/Music/Live/
  sonavel --list-tracks VTS_02_1.VOB
  sonavel --rip VTS_02_1.VOB --audio-track 2 --samplerate 48000
  sonavel --rip concert.vob --tracks concert.cue -o ~/Music/Live/
  sonavel --rip concert.mpg --split-pauses -o ~/Music/Live/
  sonavel --list-pauses lecture.mpg --min-pause 3 &gt; talks.txt
  sonavel --list-titles /dev/sr0
  sonavel --rip concert.iso --dvd-title 1 --chapter 6 --audio-track 2
  sonavel --rip /dev/sr0 --dvd-title 1 --split-chapters -o ~/Music/Live/
  sonavel --rip concert.mkv --split-chapters -o ~/Music/Live/
  sonavel --list-chapters lecture.mp4 &gt; talks.txt
  sonavel --rip *.mkv -o ~/Music/Rips/

Exit status: 0 done, 1 failed (one line on stderr says why; of several
sources, one line for each that failed), 2 usage error.
</source>
        <translation>
Nicht angegebene Optionen übernehmen die zuletzt im Fenster benutzten
Einstellungen.

Beispiele:
  sonavel --rip VTS_01_1.VOB --start 1:02:03 --end 1:05:00 -o lied.mp3
  sonavel --rip film.mpg --vbr 128-256 --mode joint --title &quot;Titelmelodie&quot;
  sonavel --rip konzert.vob --start 2:00 --end 6:30 -o lied.flac
  sonavel --rip konzert.vob --tracks konzert.cue --format opus -o ~/Musik/Live/
  sonavel --list-tracks VTS_02_1.VOB
  sonavel --rip VTS_02_1.VOB --audio-track 2 --samplerate 48000
  sonavel --rip konzert.vob --tracks konzert.cue -o ~/Musik/Live/
  sonavel --rip konzert.mpg --split-pauses -o ~/Musik/Live/
  sonavel --list-pauses vortrag.mpg --min-pause 3 &gt; vortraege.txt
  sonavel --list-titles /dev/sr0
  sonavel --rip konzert.iso --dvd-title 1 --chapter 6 --audio-track 2
  sonavel --rip /dev/sr0 --dvd-title 1 --split-chapters -o ~/Musik/Live/
  sonavel --rip konzert.mkv --split-chapters -o ~/Musik/Live/
  sonavel --list-chapters vortrag.mp4 &gt; vortraege.txt
  sonavel --rip *.mkv -o ~/Musik/Rips/

Rückgabewert: 0 fertig, 1 fehlgeschlagen (eine Zeile auf stderr sagt warum;
bei mehreren Quellen eine Zeile je fehlgeschlagener), 2 Aufruffehler.
</translation>
    </message>
    <message>
        <source>%1 has no chapters (it is not a DVD, and its container marks none)</source>
        <translation>%1 hat keine Kapitel (es ist keine DVD, und ihr Container markiert keine)</translation>
    </message>
    <message>
        <source>%1: %2 chapters</source>
        <translation>%1: %2 Kapitel</translation>
    </message>
    <message>
        <source>%1, title %2: %3 chapters</source>
        <translation>%1, Titel %2: %3 Kapitel</translation>
    </message>
    <message>
        <source>%1 has no chapters (it is not a DVD, and its container marks none); --chapter and --split-chapters need them</source>
        <translation>%1 hat keine Kapitel (es ist keine DVD, und ihr Container markiert keine); --chapter und --split-chapters brauchen sie</translation>
    </message>
    <message>
        <source>%1 has %2 chapters, not %3</source>
        <translation>%1 hat %2 Kapitel, nicht %3</translation>
    </message>
    <message>
        <source>the chapters of %1: %2</source>
        <translation>die Kapitel von %1: %2</translation>
    </message>
    <message>
        <source>source %1/%2 </source>
        <translation>Quelle %1/%2 </translation>
    </message>
    <message>
        <source>several sources rip into a folder: end -o with /</source>
        <translation>mehrere Quellen werden in einen Ordner gerippt: -o mit / beenden</translation>
    </message>
    <message>
        <source>%1 sources ripped</source>
        <translation>%1 Quellen gerippt</translation>
    </message>
    <message>
        <source>%1 of %2 sources ripped; failed: %3</source>
        <translation>%1 von %2 Quellen gerippt; fehlgeschlagen: %3</translation>
    </message>
    <message>
        <source>--samplerate %1: choose 32000, 44100, 48000 or source</source>
        <translation>--samplerate %1: wählen Sie 32000, 44100, 48000 oder source</translation>
    </message>
    <message>
        <source>MIX</source>
        <translation>MIX</translation>
    </message>
    <message>
        <source>how 5.1 and 7.1 sound becomes stereo: standard (centre
and surrounds at -3 dB against the fronts; AC-3 by the
levels it carries) or dialogue (the centre lifted:
+3 dB against the fronts, surrounds at -6 dB)</source>
        <translation>wie 5.1- und 7.1-Ton zu Stereo wird: standard (Mitte
und Surround -3 dB gegenüber vorn; AC-3 mit den Pegeln,
die es mitbringt) oder dialogue (die Mitte angehoben:
+3 dB gegenüber vorn, Surround -6 dB)</translation>
    </message>
    <message>
        <source>--downmix %1: choose standard or dialogue</source>
        <translation>--downmix %1: wählen Sie standard oder dialogue</translation>
    </message>
    <message>
        <source>--chapter needs A or A-B, like 6 or 6-8, not &apos;%1&apos;</source>
        <translation>--chapter braucht A oder A-B, etwa 6 oder 6-8, nicht „%1“</translation>
    </message>
    <message>
        <source>--tracks needs a file</source>
        <translation>--tracks braucht eine Datei</translation>
    </message>
    <message>
        <source>with %1</source>
        <translation>mit %1</translation>
    </message>
    <message>
        <source>when the window opens</source>
        <translation>beim Öffnen des Fensters</translation>
    </message>
    <message>
        <source>--one-file writes one file: -o names it, not a pattern of track names</source>
        <translation>--one-file schreibt eine Datei: -o benennt sie, kein Muster für Titelnamen</translation>
    </message>
    <message>
        <source>the pauses of %1 cut it into %2 songs: more than %3 tracks, which no list holds (give a longer --min-pause or --min-track)</source>
        <translation>die Pausen von %1 teilen sie in %2 Lieder: mehr als %3 Titel, die keine Liste fasst (längere --min-pause oder --min-track angeben)</translation>
    </message>
    <message>
        <source> is the same file as track %1&apos;s output %2</source>
        <translation> ist dieselbe Datei wie die Ausgabe %2 von Titel %1</translation>
    </message>
    <message>
        <source>the sound of %1 ends at %2, before the end of the range (%3)</source>
        <translation>der Ton von %1 endet bei %2, vor dem Ende des Bereichs (%3)</translation>
    </message>
    <message>
        <source>sonavel: warning: the sound of %1 ends at %2, before the end of the range (%3); the file ends there</source>
        <translation>sonavel: Warnung: der Ton von %1 endet bei %2, vor dem Ende des Bereichs (%3); die Datei endet dort</translation>
    </message>
    <message>
        <source>sonavel: warning: ignored %1: %2
</source>
        <translation>sonavel: Warnung: ohne Wirkung %1: %2
</translation>
    </message>
    <message>
        <source>the title&apos;s camera angle N (default: 1; --list-titles
counts them)</source>
        <translation>Kameraperspektive N des Titels (Vorgabe: 1; --list-titles
zählt sie)</translation>
    </message>
    <message>
        <source>--angle goes with --rip</source>
        <translation>--angle gehört zu --rip</translation>
    </message>
    <message>
        <source>audio track %1 of %2 cannot be played: %3 (see --list-tracks)</source>
        <translation>Tonspur %1 von %2 kann nicht abgespielt werden: %3 (siehe --list-tracks)</translation>
    </message>
    <message>
        <source>variable bit rate, every frame between two of
those rates</source>
        <translation>variable Bitrate, jeder Frame zwischen zweien
dieser Raten</translation>
    </message>
    <message>
        <source>variable bit rate of quality N, as the encoder&apos;s -V:
0 best and largest, 9 smallest (default: 2, or the
window&apos;s setting); bounded only by --vbr&apos;s limits or
those the settings dialog&apos;s Limit box stores</source>
        <translation>variable Bitrate der Qualität N, wie -V des Kodierers:
0 am besten und größten, 9 am kleinsten (Vorgabe: 2
oder die Einstellung des Fensters); begrenzt nur durch
--vbr oder die Grenzen, die das Feld „Begrenzen“ der
Einstellungen speichert</translation>
    </message>
    <message>
        <source>the front cover: the video&apos;s picture at TIME of the
source (scaled to square pixels), or a JPEG or PNG file;
larger than 1920 pixels, it is scaled down; every track
of a list gets it</source>
        <translation>das Titelbild: das Bild des Videos bei ZEIT der Quelle
(auf quadratische Pixel skaliert) oder eine JPEG- oder
PNG-Datei; über 1920 Pixel wird es verkleinert; jeder
Titel einer Liste bekommt es</translation>
    </message>
    <message>
        <source>%1 is not a DVD; --dvd-title and --angle need one</source>
        <translation>%1 ist keine DVD; --dvd-title und --angle brauchen eine</translation>
    </message>
    <message>
        <source>the output file (default: SOURCE with .mp3, .flac or .opus,
beside it; for a DVD, VOLUME_tNN_cNN.mp3 in the output folder);
its extension chooses the format when --format is not given</source>
        <translation>die Ausgabedatei (Vorgabe: QUELLE mit .mp3, .flac oder .opus,
daneben; bei einer DVD VOLUME_tNN_cNN.mp3 im Ausgabeordner);
ihre Endung wählt das Format, wenn --format fehlt</translation>
    </message>
    <message>
        <source>FORMAT</source>
        <translation>FORMAT</translation>
    </message>
    <message>
        <source>mp3 (LAME), flac (lossless: the source&apos;s own samples) or
opus (in Ogg, 48 kHz); default: OUTPUT&apos;s extension, else
the window&apos;s setting</source>
        <translation>mp3 (LAME), flac (verlustfrei: die Samples der Quelle) oder
opus (in Ogg, 48 kHz); Vorgabe: die Endung von AUSGABE, sonst
die Einstellung des Fensters</translation>
    </message>
    <message>
        <source>%1 %2: choose mp3, flac or opus</source>
        <translation>%1 %2: wählen Sie mp3, flac oder opus</translation>
    </message>
    <message>
        <source>FLAC&apos;s compression level: 0 fastest to 8 smallest
(default: 5, or the window&apos;s setting)</source>
        <translation>Kompressionsstufe von FLAC: 0 am schnellsten bis 8 am kleinsten
(Vorgabe: 5 oder die Einstellung des Fensters)</translation>
    </message>
    <message>
        <source>%1 %2: give 0 to 8</source>
        <translation>%1 %2: geben Sie 0 bis 8 an</translation>
    </message>
    <message>
        <source>MP3&apos;s constant bit rate: 8 16 24 32 40 48 56 64 80 96 112
128 144 160 192 224 256 320; Opus&apos;s: 32 to 256 (default 160)</source>
        <translation>konstante Bitrate von MP3: 8 16 24 32 40 48 56 64 80 96 112
128 144 160 192 224 256 320; von Opus: 32 bis 256 (Vorgabe 160)</translation>
    </message>
    <message>
        <source>the output %1 is named as a %2 file, not %3 (%4)</source>
        <translation>die Ausgabe %1 ist als %2-Datei benannt, nicht als %3 (%4)</translation>
    </message>
    <message>
        <source>%1 goes with %2 only, not %3</source>
        <translation>%1 gilt nur für %2, nicht für %3</translation>
    </message>
    <message>
        <source>--bitrate does not go with FLAC: it is lossless</source>
        <translation>--bitrate passt nicht zu FLAC: es ist verlustfrei</translation>
    </message>
    <message>
        <source>--bitrate %1: Opus takes %2 to %3 kbit/s</source>
        <translation>--bitrate %1: Opus nimmt %2 bis %3 kbit/s</translation>
    </message>
    <message>
        <source>--samplerate %1: Opus is always 48000 Hz</source>
        <translation>--samplerate %1: Opus hat immer 48000 Hz</translation>
    </message>
    <message>
        <source>sonavel: warning: %1 s of %2 had no sound that could be decoded; the file holds silence there</source>
        <translation>sonavel: Warnung: %1 s von %2 hatten keinen dekodierbaren Ton; die Datei enthält dort Stille</translation>
    </message>
    <message>
        <source>32000, 44100, 48000 or source (the source&apos;s own
rate: a 48 kHz DVD stays 48 kHz; other rates go to
the nearest of their family). FLAC keeps the
source&apos;s rate unless one is given; Opus is always
48000</source>
        <translation>32000, 44100, 48000 oder source (die eigene Rate der
Quelle: eine 48-kHz-DVD bleibt bei 48 kHz; andere
Raten gehen zur nächsten ihrer Familie). FLAC behält
die Rate der Quelle, wenn keine angegeben ist; Opus
hat immer 48000</translation>
    </message>
    <message>
        <source>Usage: sonavel [FILE]
       sonavel --rip SOURCE [-o OUTPUT] [--start TIME] [--end TIME]
               [--format mp3|flac|opus] [--compression N]
               [--bitrate KBPS | --vbr MIN-MAX] [--vbr-quality N]
               [--samplerate HZ|source] [--no-replaygain] [--cover TIME|FILE]
               [--mode dual|stereo|joint|mono] [--downmix standard|dialogue]
               [--title T] [--artist A]
               [--album A] [--year Y] [--comment C] [--genre G]
               [--audio-track N] [--jobs N] [--force] [--quiet]
               [--dvd-title N] [--angle N] [--chapter A[-B]]
       sonavel --rip SOURCE --tracks LIST [-o FOLDER/ | -o PATTERN] [options]
       sonavel --rip SOURCE [--dvd-title N] --split-chapters [--chapter A[-B]]
               [-o FOLDER/ | -o PATTERN] [options]
       sonavel --rip SOURCE --split-pauses [--min-pause S] [--pause-db DB]
               [--min-track S] [-o FOLDER/ | -o PATTERN] [options]
       sonavel --list-pauses SOURCE [--min-pause S] [--pause-db DB]
               [--min-track S] [--dvd-title N] [--audio-track N]
       sonavel --rip SOURCE (--tracks LIST | --split-chapters) --one-file
               [-o OUTPUT] [options]
       sonavel --list-tracks SOURCE [--dvd-title N]
       sonavel --list-titles DVD
       sonavel --list-chapters SOURCE [--dvd-title N]
       sonavel --rip SOURCE SOURCE... [-o FOLDER/] [options]
       sonavel --help | --version

Rips the sound of a range of a video (DVD .vob, VCD .dat, .mpeg, .mpg) to MP3,
FLAC or Opus; it also opens Matroska (.mkv, .mka, .webm), MP4 (.mp4, .m4v,
.m4a, .mov), MPEG-TS (.ts, .m2ts), AVI, FLV, Ogg, WAV and FLAC files.
A DVD opens as a DVD (titles, chapters, languages): its folder or the VIDEO_TS
folder, any file in VIDEO_TS, an .iso image, a mounted disc or /dev/sr0.
The chapters of a Matroska or MP4 file are its chapters as a DVD title&apos;s are.
Without options, opens the window (with FILE, opens that file or DVD).

</source>
        <translation>Aufruf: sonavel [DATEI]
       sonavel --rip QUELLE [-o AUSGABE] [--start ZEIT] [--end ZEIT]
               [--format mp3|flac|opus] [--compression N]
               [--bitrate KBPS | --vbr MIN-MAX] [--vbr-quality N]
               [--samplerate HZ|source] [--no-replaygain] [--cover ZEIT|DATEI]
               [--mode dual|stereo|joint|mono] [--downmix standard|dialogue]
               [--title T] [--artist A]
               [--album A] [--year J] [--comment K] [--genre G]
               [--audio-track N] [--jobs N] [--force] [--quiet]
               [--dvd-title N] [--angle N] [--chapter A[-B]]
       sonavel --rip QUELLE --tracks LISTE [-o ORDNER/ | -o MUSTER] [Optionen]
       sonavel --rip QUELLE [--dvd-title N] --split-chapters [--chapter A[-B]]
               [-o ORDNER/ | -o MUSTER] [Optionen]
       sonavel --rip QUELLE --split-pauses [--min-pause S] [--pause-db DB]
               [--min-track S] [-o ORDNER/ | -o MUSTER] [Optionen]
       sonavel --list-pauses QUELLE [--min-pause S] [--pause-db DB]
               [--min-track S] [--dvd-title N] [--audio-track N]
       sonavel --rip QUELLE (--tracks LISTE | --split-chapters) --one-file
               [-o AUSGABE] [Optionen]
       sonavel --list-tracks QUELLE [--dvd-title N]
       sonavel --list-titles DVD
       sonavel --list-chapters QUELLE [--dvd-title N]
       sonavel --rip QUELLE QUELLE... [-o ORDNER/] [Optionen]
       sonavel --help | --version

Rippt den Ton eines Bereichs eines Videos (DVD .vob, VCD .dat, .mpeg, .mpg) als MP3,
FLAC oder Opus; öffnet auch Matroska (.mkv, .mka, .webm), MP4 (.mp4, .m4v,
.m4a, .mov), MPEG-TS (.ts, .m2ts), AVI, FLV, Ogg, WAV und FLAC.
Eine DVD öffnet als DVD (Titel, Kapitel, Sprachen): ihr Ordner oder der Ordner
VIDEO_TS, eine beliebige Datei in VIDEO_TS, ein .iso-Abbild, eine eingehängte
Disc oder /dev/sr0.
Die Kapitel einer Matroska- oder MP4-Datei sind ihre Kapitel wie die eines DVD-Titels.
Ohne Optionen öffnet sich das Fenster (mit DATEI: mit dieser Datei oder DVD).

</translation>
    </message>
</context>
<context>
    <name>CommandListTitles</name>
    <message>
        <source>no title of &quot;%1&quot; can be played</source>
        <translation>kein Titel von &quot;%1&quot; kann abgespielt werden</translation>
    </message>
</context>
<context>
    <name>CommandRip</name>
    <message>
        <source>cannot rip %1: %2</source>
        <translation>%1 kann nicht gerippt werden: %2</translation>
    </message>
    <message>
        <source>the end of the source (%1)</source>
        <translation>dem Ende der Quelle (%1)</translation>
    </message>
    <message>
        <source>the end of any source</source>
        <translation>dem Ende jeder Quelle</translation>
    </message>
    <message>
        <source>the range starts at %1, after %2</source>
        <translation>der Bereich beginnt bei %1, nach %2</translation>
    </message>
    <message>
        <source>the range ends at %1, after %2</source>
        <translation>der Bereich endet bei %1, nach %2</translation>
    </message>
</context>
<context>
    <name>Common</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>„%1“ ist keine gültige ganze Zahl</translation>
    </message>
    <message>
        <source>%1%2%3%4 M bytes</source>
        <translation>%1%2%3%4 MByte</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>File access denied</source>
        <translation>Zugriff auf die Datei verweigert</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Ein-/Ausgabefehler</translation>
    </message>
</context>
<context>
    <name>Dvd</name>
    <message>
        <source>its size makes no sense</source>
        <translation>ihre Größe ergibt keinen Sinn</translation>
    </message>
    <message>
        <source>it cannot be read</source>
        <translation>sie kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>it holds no DVD-Video tables</source>
        <translation>sie enthält keine DVD-Video-Tabellen</translation>
    </message>
    <message>
        <source>%1.IFO is damaged (%2) and so is its backup %1.BUP (%3)</source>
        <translation>%1.IFO ist beschädigt (%2), ebenso ihre Sicherung %1.BUP (%3)</translation>
    </message>
    <message>
        <source>%1.%2 cannot be read</source>
        <translation>%1.%2 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>no DVD can be read at &quot;%1&quot;</source>
        <translation>unter „%1“ kann keine DVD gelesen werden</translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds no DVD-Video (no VIDEO_TS.IFO)</source>
        <translation>„%1“ enthält kein DVD-Video (keine VIDEO_TS.IFO)</translation>
    </message>
    <message>
        <source>the DVD&apos;s table of contents cannot be read: %1</source>
        <translation>das Inhaltsverzeichnis der DVD kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>VIDEO_TS.IFO lists no titles</source>
        <translation>VIDEO_TS.IFO führt keine Titel auf</translation>
    </message>
    <message>
        <source>not read</source>
        <translation>nicht gelesen</translation>
    </message>
    <message>
        <source>the DVD has no title %1 (it has %2)</source>
        <translation>die DVD hat keinen Titel %1 (sie hat %2)</translation>
    </message>
    <message>
        <source>title %1 cannot be played: %2</source>
        <translation>Titel %1 kann nicht abgespielt werden: %2</translation>
    </message>
    <message>
        <source>the image file is cut short: it ends at sector %1 of the disc, but title set %2 needs sector %3 (%4 MB are missing)</source>
        <translation>die Abbilddatei ist abgeschnitten: sie endet bei Sektor %1 der Disc, aber Titelsatz %2 braucht Sektor %3 (%4 MB fehlen)</translation>
    </message>
    <message>
        <source>its VOB files (VTS_%1_1.VOB, ...) are missing</source>
        <translation>seine VOB-Dateien (VTS_%1_1.VOB, ...) fehlen</translation>
    </message>
    <message>
        <source>it needs sector %1 of title set %2, but VTS_%3_1.VOB to VTS_%3_%4.VOB end at sector %5: a VTS_%3_n.VOB part is missing or cut short</source>
        <translation>er braucht Sektor %1 von Titelsatz %2, aber VTS_%3_1.VOB bis VTS_%3_%4.VOB enden bei Sektor %5: ein Teil VTS_%3_n.VOB fehlt oder ist abgeschnitten</translation>
    </message>
    <message>
        <source>the DVD&apos;s title set %1 ends before sector %2: %3</source>
        <translation>Titelsatz %1 der DVD endet vor Sektor %2: %3</translation>
    </message>
    <message>
        <source>sectors %1 to %2 of the DVD&apos;s title set %3 cannot be read%4</source>
        <translation>die Sektoren %1 bis %2 von Titelsatz %3 der DVD können nicht gelesen werden%4</translation>
    </message>
    <message>
        <source>its title table does not fit in the file</source>
        <translation>ihre Titeltabelle passt nicht in die Datei</translation>
    </message>
    <message>
        <source>its chapter table does not fit in the file</source>
        <translation>ihre Kapiteltabelle passt nicht in die Datei</translation>
    </message>
    <message>
        <source>its program-chain table does not fit in the file</source>
        <translation>ihre Programmkettentabelle passt nicht in die Datei</translation>
    </message>
    <message>
        <source>a chapter names a program chain that does not exist</source>
        <translation>ein Kapitel nennt eine Programmkette, die es nicht gibt</translation>
    </message>
    <message>
        <source>a chapter names a program that does not exist</source>
        <translation>ein Kapitel nennt ein Programm, das es nicht gibt</translation>
    </message>
    <message>
        <source>a program&apos;s cells are out of order</source>
        <translation>die Zellen eines Programms sind nicht in der richtigen Reihenfolge</translation>
    </message>
    <message>
        <source>the disc has no title %1</source>
        <translation>die Disc hat keinen Titel %1</translation>
    </message>
    <message>
        <source>%1 cannot be read</source>
        <translation>%1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>%1 has no entry for title %2</source>
        <translation>%1 hat keinen Eintrag für Titel %2</translation>
    </message>
    <message>
        <source>title %1 has no chapters</source>
        <translation>Titel %1 hat keine Kapitel</translation>
    </message>
    <message>
        <source>%1: a cell of title %2 is damaged</source>
        <translation>%1: eine Zelle von Titel %2 ist beschädigt</translation>
    </message>
    <message>
        <source>title %1 has no cells</source>
        <translation>Titel %1 hat keine Zellen</translation>
    </message>
    <message>
        <source>the title&apos;s sound does not carry it</source>
        <translation>der Ton des Titels enthält sie nicht</translation>
    </message>
    <message>
        <source>the disc marks it unavailable</source>
        <translation>die Disc kennzeichnet sie als nicht verfügbar</translation>
    </message>
    <message>
        <source>an angle of title set %1 cannot be followed through its interleaved block: %2 at sector %3</source>
        <translation>eine Kameraperspektive des Titelsatzes %1 lässt sich nicht durch ihren verschachtelten Block verfolgen: %2 bei Sektor %3</translation>
    </message>
    <message>
        <source>no navigation pack</source>
        <translation>kein Navigationspaket</translation>
    </message>
    <message>
        <source>a unit that ends past the cell</source>
        <translation>eine Einheit, die hinter der Zelle endet</translation>
    </message>
    <message>
        <source>no way on to the angle&apos;s next unit</source>
        <translation>kein Weg zur nächsten Einheit der Perspektive</translation>
    </message>
    <message>
        <source>title %1 has no angle %2</source>
        <translation>Titel %1 hat keine Kameraperspektive %2</translation>
    </message>
</context>
<context>
    <name>DvdChoice</name>
    <message>
        <source>1 chapter</source>
        <translation>1 Kapitel</translation>
    </message>
    <message>
        <source>%1 chapters</source>
        <translation>%1 Kapitel</translation>
    </message>
    <message>
        <source>no title of the DVD can be played (title 1: %1)</source>
        <translation>kein Titel der DVD kann abgespielt werden (Titel 1: %1)</translation>
    </message>
    <message>
        <source>%1: cannot be played</source>
        <translation>%1: kann nicht abgespielt werden</translation>
    </message>
    <message>
        <source>%1  cannot be played: %2</source>
        <translation>%1  kann nicht abgespielt werden: %2</translation>
    </message>
    <message>
        <source>no audio</source>
        <translation>kein Ton</translation>
    </message>
    <message>
        <source>1 angle</source>
        <translation>1 Kameraperspektive</translation>
    </message>
    <message>
        <source>%1 angles</source>
        <translation>%1 Kameraperspektiven</translation>
    </message>
    <message>
        <source>title %1 has %2, not %3</source>
        <translation>Titel %1 hat %2, nicht %3</translation>
    </message>
    <message>
        <source>Angle %1 of %2</source>
        <translation>Perspektive %1 von %2</translation>
    </message>
</context>
<context>
    <name>File</name>
    <message>
        <source>it is %1, which can be read only once</source>
        <translation>sie ist %1 und kann nur einmal gelesen werden</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>sie ist ein Ordner</translation>
    </message>
    <message>
        <source>it is not a plain file</source>
        <translation>sie ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is larger than %1 MB</source>
        <translation>sie ist größer als %1 MB</translation>
    </message>
</context>
<context>
    <name>Globals</name>
    <message>
        <source>Dual Channels</source>
        <translation>Zwei Kanäle</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Joint Stereo</source>
        <translation>Joint Stereo</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>All available Files (*.vob *.dat *.mpeg *.mpg *.iso *.ifo *.mkv *.mp4 *.m4v *.mov *.webm *.ts *.m2ts *.mts *.avi *.flv *.ogv *.m4a *.mka *.ogg *.oga *.opus *.wav *.flac);;DVD: VIDEO_TS.IFO, image or folder (VIDEO_TS.IFO *.iso *.vob);;DVD Movie Files (*.vob);;VCD/SVCD Movie Files (*.dat);;MPEG Files (*.mpeg *.mpg);;Video Files (*.mkv *.mp4 *.m4v *.mov *.webm *.ts *.m2ts *.mts *.avi *.flv *.ogv);;Sound Files (*.m4a *.mka *.ogg *.oga *.opus *.wav *.flac);;All files (*)</source>
        <translation>Alle unterstützten Dateien (*.vob *.dat *.mpeg *.mpg *.iso *.ifo *.mkv *.mp4 *.m4v *.mov *.webm *.ts *.m2ts *.mts *.avi *.flv *.ogv *.m4a *.mka *.ogg *.oga *.opus *.wav *.flac);;DVD: VIDEO_TS.IFO, Abbild oder Ordner (VIDEO_TS.IFO *.iso *.vob);;DVD-Filmdateien (*.vob);;VCD/SVCD-Filmdateien (*.dat);;MPEG-Dateien (*.mpeg *.mpg);;Videodateien (*.mkv *.mp4 *.m4v *.mov *.webm *.ts *.m2ts *.mts *.avi *.flv *.ogv);;Tondateien (*.m4a *.mka *.ogg *.oga *.opus *.wav *.flac);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>Help</name>
    <message>
        <source>The help cannot be shown: no web browser could be started. Open %1 in a browser to read it.</source>
        <translation>Die Hilfe kann nicht gezeigt werden: kein Webbrowser konnte gestartet werden. Öffnen Sie %1 in einem Browser, um sie zu lesen.</translation>
    </message>
</context>
<context>
    <name>Loudness</name>
    <message>
        <source>The loudness of %1 channels at %2 Hz cannot be measured.</source>
        <translation>Die Lautheit von %1 Kanälen bei %2 Hz kann nicht gemessen werden.</translation>
    </message>
    <message>
        <source>The loudness measurement ran out of memory.</source>
        <translation>Der Lautheitsmessung ging der Speicher aus.</translation>
    </message>
</context>
<context>
    <name>Media</name>
    <message>
        <source> (unavailable)</source>
        <translation> (nicht verfügbar)</translation>
    </message>
    <message>
        <source>the DVD is encrypted</source>
        <translation>die DVD ist verschlüsselt</translation>
    </message>
</context>
<context>
    <name>MediaResult</name>
    <message>
        <source>The asynchronous update is pending.</source>
        <translation>Die asynchrone Aktualisierung steht noch aus.</translation>
    </message>
    <message>
        <source>Sample was not updated after forced completion.</source>
        <translation>Das Sample wurde nach dem erzwungenen Abschluss nicht aktualisiert.</translation>
    </message>
    <message>
        <source>Reached the end of the stream; the sample wasn&apos;t updated.</source>
        <translation>Das Ende des Datenstroms ist erreicht; das Sample wurde nicht aktualisiert.</translation>
    </message>
    <message>
        <source>Invalid buffer size.</source>
        <translation>Ungültige Puffergröße.</translation>
    </message>
    <message>
        <source>No interface.</source>
        <translation>Keine Schnittstelle.</translation>
    </message>
    <message>
        <source>This method tried to access an invalid pointer.</source>
        <translation>Diese Methode hat versucht, auf einen ungültigen Zeiger zuzugreifen.</translation>
    </message>
    <message>
        <source>The update aborted.</source>
        <translation>Die Aktualisierung wurde abgebrochen.</translation>
    </message>
    <message>
        <source>This class cannot be created as part of an aggregate.</source>
        <translation>Diese Klasse kann nicht als Teil eines Aggregats erzeugt werden.</translation>
    </message>
    <message>
        <source>A specified class is not registered in the registration database.</source>
        <translation>Eine angegebene Klasse ist in der Registrierungsdatenbank nicht eingetragen.</translation>
    </message>
    <message>
        <source>An IMediaStream object could not be removed from an IMultiMediaStream object because it still contains at least one allocated sample.</source>
        <translation>Ein IMediaStream-Objekt konnte nicht aus einem IMultiMediaStream-Objekt entfernt werden, weil es noch mindestens ein belegtes Sample enthält.</translation>
    </message>
    <message>
        <source>The specified purpose ID can&apos;t be used for the call.</source>
        <translation>Die angegebene Zweck-ID kann für den Aufruf nicht verwendet werden.</translation>
    </message>
    <message>
        <source>No stream can be found with the specified attributes.</source>
        <translation>Es gibt keinen Datenstrom mit den angegebenen Eigenschaften.</translation>
    </message>
    <message>
        <source>One or more media streams don&apos;t support seeking.</source>
        <translation>Ein oder mehrere Mediendatenströme unterstützen kein Springen.</translation>
    </message>
    <message>
        <source>The stream formats are not compatible.</source>
        <translation>Die Formate der Datenströme sind nicht verträglich.</translation>
    </message>
    <message>
        <source>This sample already has a pending update.</source>
        <translation>Für dieses Sample steht bereits eine Aktualisierung aus.</translation>
    </message>
    <message>
        <source>The object can&apos;t accept the call because its initialize function or equivalent has not been called.</source>
        <translation>Das Objekt kann den Aufruf nicht annehmen, weil seine Initialisierungsfunktion oder etwas Gleichwertiges nicht aufgerufen wurde.</translation>
    </message>
    <message>
        <source>Source already defined.</source>
        <translation>Die Quelle ist bereits festgelegt.</translation>
    </message>
    <message>
        <source>The stream type is not valid for this operation.</source>
        <translation>Der Datenstromtyp ist für diesen Vorgang nicht gültig.</translation>
    </message>
    <message>
        <source>The IMultiMediaStream object is not in running state.</source>
        <translation>Das IMultiMediaStream-Objekt läuft nicht.</translation>
    </message>
    <message>
        <source>One of the parameters is invalid.</source>
        <translation>Einer der Parameter ist ungültig.</translation>
    </message>
    <message>
        <source>This is not a DVD-Video: there is no VIDEO_TS folder with a VIDEO_TS.IFO file.</source>
        <translation>Das ist kein DVD-Video: Es gibt keinen VIDEO_TS-Ordner mit einer Datei VIDEO_TS.IFO.</translation>
    </message>
    <message>
        <source>The DVD&apos;s IFO files are damaged: the title&apos;s tables cannot be read.</source>
        <translation>Die IFO-Dateien der DVD sind beschädigt: Die Tabellen des Titels können nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The DVD title points past the end of its VOB files: a VTS_nn_k.VOB part is missing or cut short.</source>
        <translation>Der DVD-Titel verweist über das Ende seiner VOB-Dateien hinaus: Ein Teil VTS_nn_k.VOB fehlt oder ist abgeschnitten.</translation>
    </message>
    <message>
        <source>The DVD is encrypted (CSS) and cannot be read without libdvdcss. Install libdvdcss2 (on Debian through the libdvd-pkg package) and open the disc again.</source>
        <translation>Die DVD ist verschlüsselt (CSS) und kann ohne libdvdcss nicht gelesen werden. Installieren Sie libdvdcss2 (unter Debian über das Paket libdvd-pkg) und öffnen Sie die Disc erneut.</translation>
    </message>
    <message>
        <source>The DVD has no such title.</source>
        <translation>Die DVD hat keinen solchen Titel.</translation>
    </message>
    <message>
        <source>A sector of the DVD cannot be read.</source>
        <translation>Ein Sektor der DVD kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Unrecognized error value.</source>
        <translation>Unbekannter Fehlerwert.</translation>
    </message>
    <message>
        <source>The file changed while it was being read (it was cut short or written over); nothing made from it is kept.</source>
        <translation>Die Datei hat sich beim Lesen geändert (sie wurde gekürzt oder überschrieben); nichts daraus wird behalten.</translation>
    </message>
    <message>
        <source>The DVD&apos;s navigation packs are damaged: a camera angle of the title cannot be followed through its interleaved block.</source>
        <translation>Die Navigationspakete der DVD sind beschädigt: eine Kameraperspektive des Titels lässt sich nicht durch ihren verschachtelten Block verfolgen.</translation>
    </message>
</context>
<context>
    <name>Mp3</name>
    <message>
        <source>An MP3 at %1 Hz cannot have a constant bit rate of %2 kbit/s; it can have %3 kbit/s.</source>
        <translation>Eine MP3 mit %1 Hz kann keine konstante Bitrate von %2 kbit/s haben; möglich sind %3 kbit/s.</translation>
    </message>
    <message>
        <source>the stream ends inside a frame or with data that is not a frame</source>
        <translation>der Datenstrom endet mitten in einem Frame oder mit Daten, die kein Frame sind</translation>
    </message>
    <message>
        <source>data that is not a Layer III frame</source>
        <translation>Daten, die kein Layer-III-Frame sind</translation>
    </message>
    <message>
        <source>a frame with invalid side information</source>
        <translation>einen Frame mit ungültigen Seiteninformationen</translation>
    </message>
    <message>
        <source>a frame whose main data lies outside the stream</source>
        <translation>einen Frame, dessen Hauptdaten außerhalb des Datenstroms liegen</translation>
    </message>
    <message>
        <source>libmp3lame.so.0 library could not be loaded.</source>
        <translation>Die Bibliothek libmp3lame.so.0 konnte nicht geladen werden.</translation>
    </message>
    <message>
        <source>libmp3lame.so.0 library could not be loaded: it lacks the function %1.</source>
        <translation>Die Bibliothek libmp3lame.so.0 konnte nicht geladen werden: ihr fehlt die Funktion %1.</translation>
    </message>
    <message>
        <source>The MP3 encoder could not be started.</source>
        <translation>Der MP3-Kodierer konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The MP3 encoder rejected its settings (error %1).</source>
        <translation>Der MP3-Kodierer hat seine Einstellungen abgelehnt (Fehler %1).</translation>
    </message>
    <message>
        <source>The MP3 encoder failed (error %1).</source>
        <translation>Der MP3-Kodierer ist fehlgeschlagen (Fehler %1).</translation>
    </message>
    <message>
        <source>The MP3 encoder was given a block it cannot take.</source>
        <translation>Der MP3-Kodierer hat einen Block bekommen, den er nicht annehmen kann.</translation>
    </message>
    <message>
        <source>The information frame cannot be made.</source>
        <translation>Der Informations-Frame kann nicht erzeugt werden.</translation>
    </message>
    <message>
        <source>Cannot update the information tag of &quot;%1&quot;. %2</source>
        <translation>Der Informations-Tag von „%1“ kann nicht aktualisiert werden. %2</translation>
    </message>
    <message>
        <source>The file has no information tag.</source>
        <translation>Die Datei hat keinen Informations-Tag.</translation>
    </message>
    <message>
        <source>The MP3 encoder wrote %1.</source>
        <translation>Der MP3-Kodierer hat %1 geschrieben.</translation>
    </message>
    <message>
        <source>The ID3 tag outgrew the room kept for it.</source>
        <translation>Der ID3-Tag ist größer geworden als der für ihn freigehaltene Platz.</translation>
    </message>
    <message>
        <source>The MP3 decoder for the peak cannot be started.</source>
        <translation>Der MP3-Dekodierer für den Spitzenpegel kann nicht gestartet werden.</translation>
    </message>
</context>
<context>
    <name>OutputSettings</name>
    <message>
        <source>FLAC, lossless, level %1</source>
        <translation>FLAC, verlustfrei, Stufe %1</translation>
    </message>
    <message>
        <source>Source&apos;s rate</source>
        <translation>Rate der Quelle</translation>
    </message>
</context>
<context>
    <name>Picture</name>
    <message>
        <source>the picture &quot;%1&quot; cannot be read: %2</source>
        <translation>das Bild „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a JPEG or PNG picture</source>
        <translation>„%1“ ist kein JPEG- oder PNG-Bild</translation>
    </message>
    <message>
        <source>the picture &quot;%1&quot; is too large to use as a cover (%2 x %3 pixels; decoding it would take more than %4 MB)</source>
        <translation>das Bild „%1“ ist zu groß für ein Titelbild (%2 x %3 Pixel; es zu dekodieren bräuchte mehr als %4 MB)</translation>
    </message>
    <message>
        <source>the picture &quot;%1&quot; is damaged: %2</source>
        <translation>das Bild „%1“ ist beschädigt: %2</translation>
    </message>
    <message>
        <source>the picture &quot;%1&quot; is damaged: its data end before the picture does</source>
        <translation>das Bild „%1“ ist beschädigt: seine Daten enden vor dem Bild</translation>
    </message>
</context>
<context>
    <name>ProgressCaption</name>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
</context>
<context>
    <name>Rip</name>
    <message>
        <source>Invalid MP3 bit rate (%1).</source>
        <translation>Ungültige MP3-Bitrate (%1).</translation>
    </message>
    <message>
        <source>Invalid MP3 sample rate (%1).</source>
        <translation>Ungültige MP3-Abtastrate (%1).</translation>
    </message>
    <message>
        <source>Invalid MP3 channel mode or quality.</source>
        <translation>Ungültiger MP3-Kanalmodus oder ungültige Qualität.</translation>
    </message>
    <message>
        <source>File name is not assigned.</source>
        <translation>Der Dateiname ist nicht gesetzt.</translation>
    </message>
    <message>
        <source>The MP3 output writes named files only.</source>
        <translation>Die MP3-Ausgabe schreibt nur benannte Dateien.</translation>
    </message>
    <message>
        <source>The input&apos;s audio format is not supported (%1 channels, %2 bits per sample, %3 Hz).</source>
        <translation>Das Audioformat der Eingabe wird nicht unterstützt (%1 Kanäle, %2 Bit je Sample, %3 Hz).</translation>
    </message>
    <message>
        <source>Input is not assigned</source>
        <translation>Die Eingabe ist nicht gesetzt</translation>
    </message>
    <message>
        <source>The audio input failed to deliver data.</source>
        <translation>Die Audioeingabe hat keine Daten geliefert.</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>Cannot write file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht geschrieben werden. %2</translation>
    </message>
    <message>
        <source>There is nothing to rip.</source>
        <translation>Es gibt nichts zu rippen.</translation>
    </message>
    <message>
        <source>The input cannot be read in parts.</source>
        <translation>Die Eingabe kann nicht in Teilen gelesen werden.</translation>
    </message>
    <message>
        <source>The source has no sound in this range.</source>
        <translation>Die Quelle hat in diesem Bereich keinen Ton.</translation>
    </message>
    <message>
        <source>The run was stopped.</source>
        <translation>Der Lauf wurde angehalten.</translation>
    </message>
    <message>
        <source>The MP3 encoder wrote a frame that does not fit.</source>
        <translation>Der MP3-Kodierer hat einen Frame geschrieben, der nicht passt.</translation>
    </message>
    <message>
        <source>The information frame cannot be made.</source>
        <translation>Der Informations-Frame kann nicht erzeugt werden.</translation>
    </message>
    <message>
        <source>The encoder delay and padding of &quot;%1&quot; cannot be set.</source>
        <translation>Verzögerung und Auffüllung des Kodierers können in „%1“ nicht eingetragen werden.</translation>
    </message>
    <message>
        <source>A FLAC metadata block cannot hold %1 bytes.</source>
        <translation>Ein FLAC-Metadatenblock kann keine %1 Bytes fassen.</translation>
    </message>
    <message>
        <source>FLAC takes 16-bit or 24-bit samples, not %1 bits.</source>
        <translation>FLAC nimmt Samples mit 16 oder 24 Bit, nicht mit %1 Bit.</translation>
    </message>
    <message>
        <source>Invalid FLAC compression level (%1).</source>
        <translation>Ungültige FLAC-Kompressionsstufe (%1).</translation>
    </message>
    <message>
        <source>Invalid output format (%1).</source>
        <translation>Ungültiges Ausgabeformat (%1).</translation>
    </message>
    <message>
        <source>The MP3 encoder takes 16-bit or float samples, not %1 bits.</source>
        <translation>Der MP3-Encoder nimmt Samples mit 16 Bit oder als Gleitkommazahlen, nicht mit %1 Bit.</translation>
    </message>
    <message>
        <source>The Opus pre-skip of &quot;%1&quot; cannot be %2.</source>
        <translation>Der Opus-Vorlauf (Pre-Skip) von &quot;%1&quot; kann nicht %2 sein.</translation>
    </message>
    <message>
        <source>The Opus encoder made no packet for this range.</source>
        <translation>Der Opus-Encoder hat für diesen Bereich kein Paket erzeugt.</translation>
    </message>
    <message>
        <source>Opus encodes float samples at 48000 Hz, not %1 bits at %2 Hz.</source>
        <translation>Opus kodiert Gleitkomma-Samples mit 48000 Hz, nicht %1 Bit mit %2 Hz.</translation>
    </message>
    <message>
        <source>Invalid Opus bit rate (%1 kbit/s).</source>
        <translation>Ungültige Opus-Bitrate (%1 kbit/s).</translation>
    </message>
    <message>
        <source>The comments outgrew the room kept for them.</source>
        <translation>Die Kommentare sind größer geworden als der für sie freigehaltene Platz.</translation>
    </message>
    <message>
        <source>The FLAC encoder made a frame that cannot be numbered.</source>
        <translation>Der FLAC-Encoder hat einen Frame erzeugt, der sich nicht nummerieren lässt.</translation>
    </message>
    <message>
        <source>Tracks %1 and %2 would be written to one file, &quot;%3&quot;.</source>
        <translation>Die Titel %1 und %2 würden in dieselbe Datei „%3“ geschrieben.</translation>
    </message>
    <message>
        <source>The sound ends at %1 s, before the end of the range.</source>
        <translation>Der Ton endet bei %1 s, vor dem Ende des Bereichs.</translation>
    </message>
    <message>
        <source>The FLAC encoder gave no signature of the samples.</source>
        <translation>Der FLAC-Encoder hat keine Signatur der Samples geliefert.</translation>
    </message>
</context>
<context>
    <name>RunInput</name>
    <message>
        <source>The Stream is not opened</source>
        <translation>Der Datenstrom ist nicht geöffnet</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>The settings can&apos;t be saved in
%1
(%2).
Changes last only until Sonavel ends.</source>
        <translation>Die Einstellungen können nicht gespeichert werden in
%1
(%2).
Änderungen gelten nur, bis Sonavel endet.</translation>
    </message>
    <message>
        <source>Failed to create key %1</source>
        <translation>Der Schlüssel %1 konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>the settings can&apos;t be saved in &quot;%1&quot; (%2)</source>
        <translation>die Einstellungen können nicht in „%1“ gespeichert werden (%2)</translation>
    </message>
</context>
<context>
    <name>Source</name>
    <message>
        <source>a pipe</source>
        <translation>eine Pipe</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ein Socket</translation>
    </message>
    <message>
        <source>a character device</source>
        <translation>ein zeichenorientiertes Gerät</translation>
    </message>
    <message>
        <source>it is %1, which can be read only once; save it to a file and rip that</source>
        <translation>es ist %1, das nur einmal gelesen werden kann; speichern Sie es in eine Datei und rippen Sie diese</translation>
    </message>
</context>
<context>
    <name>TMainFrm</name>
    <message>
        <source>No Video File  </source>
        <translation>Keine Videodatei  </translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>to the Begin</source>
        <translation>zum Anfang</translation>
    </message>
    <message>
        <source>to the End</source>
        <translation>zum Ende</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Modify</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Source File:</source>
        <translation>Quelldatei:</translation>
    </message>
    <message>
        <source>Output File:</source>
        <translation>Ausgabe:</translation>
    </message>
    <message>
        <source>Save Output MP3 File...</source>
        <translation>MP3-Ausgabedatei speichern...</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Rip!</source>
        <translation>&amp;Rippen!</translation>
    </message>
    <message>
        <source>Extracting MP3...</source>
        <translation>MP3 wird erstellt...</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Stop the rip (Esc)</source>
        <translation>Das Rippen anhalten (Esc)</translation>
    </message>
    <message>
        <source>Opening the source file, please have a wait....</source>
        <translation>Die Quelldatei wird geöffnet, bitte warten....</translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation>Unbekannter Fehler.</translation>
    </message>
    <message>
        <source>All %1 chapters</source>
        <translation>Alle %1 Kapitel</translation>
    </message>
    <message>
        <source>Play (Space)</source>
        <translation>Abspielen (Leertaste)</translation>
    </message>
    <message>
        <source>Pause (Space)</source>
        <translation>Pause (Leertaste)</translation>
    </message>
    <message>
        <source>to the Begin (Home)</source>
        <translation>zum Anfang (Pos1)</translation>
    </message>
    <message>
        <source>to the End (End)</source>
        <translation>zum Ende (Ende)</translation>
    </message>
    <message>
        <source>Open File (Ctrl+O)</source>
        <translation>Datei öffnen (Strg+O)</translation>
    </message>
    <message>
        <source>Thread can&apos;t be created while opening the source file!</source>
        <translation>Beim Öffnen der Quelldatei kann kein Thread erzeugt werden!</translation>
    </message>
    <message>
        <source>The DVD can NOT be opened: </source>
        <translation>Die DVD kann NICHT geöffnet werden: </translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>The source file can NOT be opened. Normally you need only install the needed codecs to solve the problem. Click the Help button to get more helps.</source>
        <translation>Die Quelldatei kann NICHT geöffnet werden. Meist genügt es, die nötigen Codecs zu installieren. Die Hilfe-Schaltfläche zeigt mehr dazu.</translation>
    </message>
    <message>
        <source>   The source file is invalid!   </source>
        <translation>   Die Quelldatei ist ungültig!   </translation>
    </message>
    <message>
        <source>Please open a video file at first!</source>
        <translation>Bitte öffnen Sie zuerst eine Videodatei!</translation>
    </message>
    <message>
        <source>MP3 files (*.mp3)</source>
        <translation>MP3-Dateien (*.mp3)</translation>
    </message>
    <message>
        <source>The specified output folder doesn&apos;t exist.
 </source>
        <translation>Der angegebene Ausgabeordner existiert nicht.
 </translation>
    </message>
    <message>
        <source>
Do you want to create the new folder?</source>
        <translation>
Soll der neue Ordner angelegt werden?</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>The output folder can&apos;t be created:
 </source>
        <translation>Der Ausgabeordner kann nicht angelegt werden:
 </translation>
    </message>
    <message>
        <source>Track %1&apos;s file would replace the source file:
 </source>
        <translation>Die Datei von Titel %1 würde die Quelldatei ersetzen:
 </translation>
    </message>
    <message>
        <source>
Choose another output folder.</source>
        <translation>
Wählen Sie einen anderen Ausgabeordner.</translation>
    </message>
    <message>
        <source>The output file would replace the source file:
 </source>
        <translation>Die Ausgabedatei würde die Quelldatei ersetzen:
 </translation>
    </message>
    <message>
        <source>
Choose another output file.</source>
        <translation>
Wählen Sie eine andere Ausgabedatei.</translation>
    </message>
    <message>
        <source>The output is a folder:
 </source>
        <translation>Die Ausgabe ist ein Ordner:
 </translation>
    </message>
    <message>
        <source>
Choose a file name.</source>
        <translation>
Wählen Sie einen Dateinamen.</translation>
    </message>
    <message>
        <source>One of the tracks&apos; files exists already:
 </source>
        <translation>Eine der Dateien der Titel existiert bereits:
 </translation>
    </message>
    <message>
        <source>%1 of the tracks&apos; files exist already, the first:
 </source>
        <translation>%1 der Dateien der Titel existieren bereits, die erste:
 </translation>
    </message>
    <message>
        <source>
Do you want to overwrite it?</source>
        <translation>
Soll sie überschrieben werden?</translation>
    </message>
    <message>
        <source>
Do you want to overwrite them?</source>
        <translation>
Sollen sie überschrieben werden?</translation>
    </message>
    <message>
        <source>
Do you want to overwrite the old file?</source>
        <translation>
Soll die alte Datei überschrieben werden?</translation>
    </message>
    <message>
        <source>Track %1 of %2 · </source>
        <translation>Stück %1 von %2 · </translation>
    </message>
    <message>
        <source>Seeking...</source>
        <translation>Suche...</translation>
    </message>
    <message>
        <source>%1 tracks ripped to
 </source>
        <translation>%1 Stücke gerippt nach
 </translation>
    </message>
    <message>
        <source>The MP3 has been extracted: </source>
        <translation>Die MP3 wurde erstellt: </translation>
    </message>
    <message>
        <source>The rip failed: </source>
        <translation>Das Rippen ist fehlgeschlagen: </translation>
    </message>
    <message>
        <source>Track %1 of %2 failed: </source>
        <translation>Titel %1 von %2 ist fehlgeschlagen: </translation>
    </message>
    <message>
        <source>
Track 1 has been ripped.</source>
        <translation>
Titel 1 wurde gerippt.</translation>
    </message>
    <message>
        <source>
Tracks 1 to %1 have been ripped.</source>
        <translation>
Die Titel 1 bis %1 wurden gerippt.</translation>
    </message>
    <message>
        <source>The rip had already finished when it was cancelled.
The MP3 file was kept:
 </source>
        <translation>Das Rippen war schon fertig, als es abgebrochen wurde.
Die MP3-Datei wurde behalten:
 </translation>
    </message>
    <message>
        <source>Output MP3 Information</source>
        <translation>Angaben zur MP3-Ausgabe</translation>
    </message>
    <message>
        <source>Settings:</source>
        <translation>Kodierung:</translation>
    </message>
    <message>
        <source>Change &amp;Settings...</source>
        <translation>Ein&amp;stellungen...</translation>
    </message>
    <message>
        <source>ID3 Tag:</source>
        <translation>ID3-Tag:</translation>
    </message>
    <message>
        <source>&amp;Edit ID3...</source>
        <translation>ID3 b&amp;earbeiten...</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>Dauer:</translation>
    </message>
    <message>
        <source>File Size:</source>
        <translation>Dateigröße:</translation>
    </message>
    <message>
        <source>Audio:</source>
        <translation>Ton:</translation>
    </message>
    <message>
        <source>The sound track to preview and rip</source>
        <translation>Die Tonspur für Vorschau und Rippen</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>DVD-Titel:</translation>
    </message>
    <message>
        <source>The DVD&apos;s title to preview and rip</source>
        <translation>Der Titel der DVD für Vorschau und Rippen</translation>
    </message>
    <message>
        <source>Chapter:</source>
        <translation>Kapitel:</translation>
    </message>
    <message>
        <source>Sets the range to a chapter (PageUp/PageDown move by chapters; double-click between two marks)</source>
        <translation>Setzt den Bereich auf ein Kapitel (Bild auf/Bild ab gehen kapitelweise; Doppelklick zwischen zwei Marken)</translation>
    </message>
    <message>
        <source>Title: No Title</source>
        <translation>Titel: Kein Titel</translation>
    </message>
    <message>
        <source>Title: </source>
        <translation>Titel: </translation>
    </message>
    <message>
        <source>Artist: </source>
        <translation>Interpret: </translation>
    </message>
    <message>
        <source>about %1</source>
        <translation>etwa %1</translation>
    </message>
    <message>
        <source>The whole source: drag the frame or use the wheel to scroll; Ctrl+wheel zooms</source>
        <translation>Die ganze Quelle: den Rahmen ziehen oder mit dem Rad blättern; Strg+Rad zoomt</translation>
    </message>
    <message>
        <source>Zoom &amp;In	Ctrl++</source>
        <translation>&amp;Vergrößern	Strg++</translation>
    </message>
    <message>
        <source>Zoom &amp;Out	Ctrl+-</source>
        <translation>Ver&amp;kleinern	Strg+-</translation>
    </message>
    <message>
        <source>Zoom to &amp;Range	Ctrl+R</source>
        <translation>Auf den &amp;Bereich zoomen	Strg+R</translation>
    </message>
    <message>
        <source>Show &amp;All	Ctrl+0</source>
        <translation>&amp;Alles zeigen	Strg+0</translation>
    </message>
    <message>
        <source>&amp;Snap Marker to Silence	S</source>
        <translation>Marke an &amp;Stille ausrichten	S</translation>
    </message>
    <message>
        <source>Tracks</source>
        <translation>Stücke</translation>
    </message>
    <message>
        <source>With tracks, Rip! writes one MP3 for each, numbered and tagged, into the output file&apos;s folder</source>
        <translation>Mit Titeln schreibt Rippen! für jeden eine MP3, nummeriert und getaggt, in den Ordner der Ausgabedatei</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Add ran&amp;ge</source>
        <translation>Bereich hin&amp;zufügen</translation>
    </message>
    <message>
        <source>Add the range from the start to the end marker as a track</source>
        <translation>Den Bereich von der Anfangs- bis zur Endmarke als Titel hinzufügen</translation>
    </message>
    <message>
        <source>Rena&amp;me</source>
        <translation>&amp;Umbenennen</translation>
    </message>
    <message>
        <source>Rename the chosen track (or double-click it)</source>
        <translation>Den gewählten Titel umbenennen (oder doppelklicken)</translation>
    </message>
    <message>
        <source>Remo&amp;ve</source>
        <translation>Ent&amp;fernen</translation>
    </message>
    <message>
        <source>Remove the chosen tracks (Delete)</source>
        <translation>Die gewählten Titel entfernen (Entf)</translation>
    </message>
    <message>
        <source>Move the chosen track up</source>
        <translation>Den gewählten Titel nach oben schieben</translation>
    </message>
    <message>
        <source>Move the chosen track down</source>
        <translation>Den gewählten Titel nach unten schieben</translation>
    </message>
    <message>
        <source>Tracks (%1)</source>
        <translation>Stücke (%1)</translation>
    </message>
    <message>
        <source>Chapters %1-%2</source>
        <translation>Kapitel %1-%2</translation>
    </message>
    <message>
        <source>Artist: None</source>
        <translation>Interpret: Keiner</translation>
    </message>
    <message>
        <source>Source File</source>
        <translation>Quelldatei</translation>
    </message>
    <message>
        <source>Output File</source>
        <translation>Ausgabedatei</translation>
    </message>
    <message>
        <source>Start of the range</source>
        <translation>Anfang des Bereichs</translation>
    </message>
    <message>
        <source>The time the rip starts at, h:mm:ss.t; the arrows move it by 100 ms</source>
        <translation>Die Zeit, bei der das Rippen beginnt, h:mm:ss.t; die Pfeile verschieben sie um 100 ms</translation>
    </message>
    <message>
        <source>End of the range</source>
        <translation>Ende des Bereichs</translation>
    </message>
    <message>
        <source>The time the rip ends at, h:mm:ss.t; the arrows move it by 100 ms</source>
        <translation>Die Zeit, bei der das Rippen endet, h:mm:ss.t; die Pfeile verschieben sie um 100 ms</translation>
    </message>
    <message>
        <source>Start later</source>
        <translation>Anfang später</translation>
    </message>
    <message>
        <source>Moves the start of the range 100 ms later</source>
        <translation>Verschiebt den Anfang des Bereichs um 100 ms nach später</translation>
    </message>
    <message>
        <source>Start earlier</source>
        <translation>Anfang früher</translation>
    </message>
    <message>
        <source>Moves the start of the range 100 ms earlier</source>
        <translation>Verschiebt den Anfang des Bereichs um 100 ms nach früher</translation>
    </message>
    <message>
        <source>End later</source>
        <translation>Ende später</translation>
    </message>
    <message>
        <source>Moves the end of the range 100 ms later</source>
        <translation>Verschiebt das Ende des Bereichs um 100 ms nach später</translation>
    </message>
    <message>
        <source>End earlier</source>
        <translation>Ende früher</translation>
    </message>
    <message>
        <source>Moves the end of the range 100 ms earlier</source>
        <translation>Verschiebt das Ende des Bereichs um 100 ms nach früher</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>The preview&apos;s position in the source</source>
        <translation>Die Position der Vorschau in der Quelle</translation>
    </message>
    <message>
        <source>Time line</source>
        <translation>Zeitleiste</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Ton</translation>
    </message>
    <message>
        <source>Chapter</source>
        <translation>Kapitel</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>A rip is running. Stop it and close?
The file it is writing is removed.</source>
        <translation>Ein Rippen läuft. Anhalten und schließen?
Die Datei, die es schreibt, wird entfernt.</translation>
    </message>
    <message>
        <source>There is no picture in the preview to use as the cover.</source>
        <translation>In der Vorschau ist kein Bild, das als Cover dienen könnte.</translation>
    </message>
    <message>
        <source>The source file can NOT be opened: %1.</source>
        <translation>Die Quelldatei kann NICHT geöffnet werden: %1.</translation>
    </message>
    <message>
        <source>This is not a video or sound file:
 %1
Open a DVD, a VCD, an MPEG file or another file with a sound track.</source>
        <translation>Dies ist keine Video- oder Tondatei:
 %1
Öffnen Sie eine DVD, eine VCD, eine MPEG-Datei oder eine andere Datei mit Tonspur.</translation>
    </message>
    <message>
        <source>The file has no sound track, so there is nothing to rip:
 %1</source>
        <translation>Die Datei hat keine Tonspur, es gibt also nichts zu rippen:
 %1</translation>
    </message>
    <message>
        <source>Type a time: h:mm:ss.t, m:ss or seconds; Enter sets it</source>
        <translation>Eine Zeit eingeben: h:mm:ss.t, m:ss oder Sekunden; Eingabe setzt sie</translation>
    </message>
    <message>
        <source>Not a time: write h:mm:ss.t, m:ss or seconds.</source>
        <translation>Keine Zeit: h:mm:ss.t, m:ss oder Sekunden schreiben.</translation>
    </message>
    <message>
        <source>The start must lie before the end, %1.</source>
        <translation>Der Anfang muss vor dem Ende liegen, %1.</translation>
    </message>
    <message>
        <source>The end must lie after the start, %1, and within %2.</source>
        <translation>Das Ende muss nach dem Anfang, %1, und innerhalb von %2 liegen.</translation>
    </message>
    <message>
        <source>Open File (Ctrl+O); the arrow: the files opened last</source>
        <translation>Datei öffnen (Strg+O); der Pfeil: die zuletzt geöffneten Dateien</translation>
    </message>
    <message>
        <source>No files opened yet</source>
        <translation>Noch keine Dateien geöffnet</translation>
    </message>
    <message>
        <source>&amp;Clear the list</source>
        <translation>Liste &amp;leeren</translation>
    </message>
    <message>
        <source>The MP3 has been extracted successfully.
%1
in %2
Do you want to play the MP3 now?</source>
        <translation>Die MP3 wurde erfolgreich erstellt.
%1
in %2
Soll die MP3 jetzt abgespielt werden?</translation>
    </message>
    <message>
        <source>The sound can&apos;t be read to find the songs:
 %1</source>
        <translation>Der Ton kann zum Finden der Lieder nicht gelesen werden:
 %1</translation>
    </message>
    <message>
        <source>The sound is still being read for the time line (%1 %).
Find the songs again when the time line is complete.</source>
        <translation>Der Ton wird noch für die Zeitleiste gelesen (%1 %).
Suchen Sie die Lieder erneut, wenn die Zeitleiste vollständig ist.</translation>
    </message>
    <message>
        <source>The Tracks list holds %1 tracks.
Replace them with the %2 songs found, or add the songs after them?</source>
        <translation>Die Titelliste enthält %1 Titel.
Sie durch die %2 gefundenen Lieder ersetzen oder die Lieder dahinter anfügen?</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Anfügen</translation>
    </message>
    <message>
        <source>Use as &amp;cover</source>
        <translation>Als &amp;Cover</translation>
    </message>
    <message>
        <source>The picture in the preview becomes the front cover of the MP3 (the tracks of a list share it)</source>
        <translation>Das Bild der Vorschau wird das Titelbild der MP3 (die Titel einer Liste teilen es)</translation>
    </message>
    <message>
        <source>1 track into %1</source>
        <translation>1 Stück nach %1</translation>
    </message>
    <message>
        <source>%1 tracks into %2</source>
        <translation>%1 Stücke nach %2</translation>
    </message>
    <message>
        <source>, cover</source>
        <translation>, Cover</translation>
    </message>
    <message>
        <source>%1 in 1 track</source>
        <translation>%1 in 1 Stück</translation>
    </message>
    <message>
        <source>%1 in %2 tracks</source>
        <translation>%1 in %2 Stücken</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>Remove every track: Rip! then rips the marked range</source>
        <translation>Alle Titel entfernen: Rippen! rippt dann den markierten Bereich</translation>
    </message>
    <message>
        <source>&amp;Find songs</source>
        <translation>Lie&amp;der finden</translation>
    </message>
    <message>
        <source>Fill the list with the songs found in the pauses of the sound; drag a track&apos;s boundary on the time line to move it</source>
        <translation>Die Liste mit den Liedern füllen, die in den Pausen des Tons gefunden werden; die Grenze eines Titels auf der Zeitleiste ziehen, um sie zu verschieben</translation>
    </message>
    <message>
        <source>Left/Right: 1 s back/on (Shift: 10 s); [ and ]: start and end of the range here; Ctrl+wheel: zoom (right button: more)
Chapters: PageUp/PageDown: previous/next chapter; Ctrl+[ and Ctrl+]: start and end at the nearest chapter mark; double-click: that chapter</source>
        <translation>Links/Rechts: 1 s zurück/vor (Umschalt: 10 s); [ und ]: Anfang und Ende des Bereichs hier; Strg+Rad: Zoom (rechte Taste: mehr)
Kapitel: Bild auf/Bild ab: voriges/nächstes Kapitel; Strg+[ und Strg+]: Anfang und Ende an der nächsten Kapitelmarke; Doppelklick: dieses Kapitel</translation>
    </message>
    <message>
        <source>Tracks %1 and %2 would be written to one file (a link leads from one name to the other):
 </source>
        <translation>Die Titel %1 und %2 würden in dieselbe Datei geschrieben (ein Link führt vom einen Namen zum anderen):
 </translation>
    </message>
    <message>
        <source>The pauses cut the sound into %1 songs, more than the %2 tracks a list holds.</source>
        <translation>Die Pausen teilen den Ton in %1 Lieder, mehr als die %2 Titel, die eine Liste fasst.</translation>
    </message>
    <message>
        <source>The %1 songs found do not fit after the %2 tracks of the list: a list holds %3 tracks.</source>
        <translation>Die %1 gefundenen Lieder passen nicht hinter die %2 Titel der Liste: eine Liste fasst %3 Titel.</translation>
    </message>
    <message>
        <source>Angle</source>
        <translation>Perspektive</translation>
    </message>
    <message>
        <source>Angle:</source>
        <translation>Perspektive:</translation>
    </message>
    <message>
        <source>The camera angle of the title to preview and rip</source>
        <translation>Die Kameraperspektive des Titels für Vorschau und Rippen</translation>
    </message>
    <message>
        <source>The output file ends in %1, but the format chosen writes %2 files:
 %3
Change the name or the format (Change Settings...).</source>
        <translation>Die Ausgabedatei endet auf %1, aber das gewählte Format schreibt %2-Dateien:
 %3
Ändern Sie den Namen oder das Format (Einstellungen...).</translation>
    </message>
    <message>
        <source>FLAC files (*.flac)</source>
        <translation>FLAC-Dateien (*.flac)</translation>
    </message>
    <message>
        <source>Opus files (*.opus)</source>
        <translation>Opus-Dateien (*.opus)</translation>
    </message>
    <message>
        <source>The tag has a cover already.
Replace it with the picture in the preview at %1?</source>
        <translation>Das Tag hat schon ein Cover.
Durch das Bild der Vorschau bei %1 ersetzen?</translation>
    </message>
    <message>
        <source>&amp;Keep</source>
        <translation>&amp;Behalten</translation>
    </message>
    <message>
        <source>The picture at %1 (%2 x %3 pixels) is now the cover, in place of the one before.</source>
        <translation>Das Bild bei %1 (%2 x %3 Pixel) ist jetzt das Cover, an Stelle des vorigen.</translation>
    </message>
    <message>
        <source>done</source>
        <translation>fertig</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>... and %1 more</source>
        <translation>... und %1 weitere</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
    <message>
        <source>Open &amp;folder</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>No program of this desktop plays the file:
 %1</source>
        <translation>Kein Programm dieses Desktops spielt die Datei ab:
 %1</translation>
    </message>
    <message>
        <source>No program of this desktop opens the folder:
 %1</source>
        <translation>Kein Programm dieses Desktops öffnet den Ordner:
 %1</translation>
    </message>
    <message>
        <source>The rip was cancelled before its first track was complete.
No file was written in
 %1</source>
        <translation>Das Rippen wurde abgebrochen, bevor das erste Stück fertig war.
Keine Datei wurde geschrieben in
 %1</translation>
    </message>
    <message>
        <source>The rip was cancelled after %1 of %2 tracks.
Kept in %3:</source>
        <translation>Das Rippen wurde nach %1 von %2 Stücken abgebrochen.
Behalten in %3:</translation>
    </message>
    <message>
        <source>Rip!</source>
        <translation>Rippen!</translation>
    </message>
    <message>
        <source>Rip 1 track</source>
        <translation>Rippen: 1 Stück</translation>
    </message>
    <message>
        <source>Rip %1 tracks</source>
        <translation>Rippen: %1 Stücke</translation>
    </message>
    <message>
        <source>Rip chapter %1</source>
        <translation>Rippen: Kapitel %1</translation>
    </message>
    <message>
        <source>Rip chapters %1-%2</source>
        <translation>Rippen: Kapitel %1-%2</translation>
    </message>
    <message>
        <source>Rip %1 - %2</source>
        <translation>Rippen: %1 - %2</translation>
    </message>
    <message>
        <source>Rip range</source>
        <translation>Rippen: Bereich</translation>
    </message>
    <message>
        <source>Choose the source file</source>
        <translation>Die Quelldatei wählen</translation>
    </message>
    <message>
        <source>The arrow: the files opened last</source>
        <translation>Der Pfeil: die zuletzt geöffneten Dateien</translation>
    </message>
    <message>
        <source>Rip progress</source>
        <translation>Fortschritt des Rippens</translation>
    </message>
    <message>
        <source>DVD title</source>
        <translation>DVD-Titel</translation>
    </message>
    <message>
        <source>%1 real time</source>
        <translation>%1 Echtzeit</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
</context>
<context>
    <name>TTipsFrm</name>
    <message>
        <source>No tips found!</source>
        <translation>Keine Tipps gefunden!</translation>
    </message>
    <message>
        <source>Tip of the Day</source>
        <translation>Tipp des Tages</translation>
    </message>
    <message>
        <source>Did you know?</source>
        <translation>Wussten Sie schon?</translation>
    </message>
    <message>
        <source>Show &amp;Tips on Startup</source>
        <translation>&amp;Tipps beim Start zeigen</translation>
    </message>
    <message>
        <source>&amp;Next Tip</source>
        <translation>&amp;Nächster Tipp</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>TTrackBar</name>
    <message>
        <source>Start %1, end %2</source>
        <translation>Anfang %1, Ende %2</translation>
    </message>
</context>
<context>
    <name>TVideoRendererWidget</name>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
</context>
<context>
    <name>TaboutFrm</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Home Page</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Support &amp;Email</source>
        <translation>Support-&amp;E-Mail</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Home &amp;Page</source>
        <translation>&amp;Webseite</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Free software under the GNU General Public License,
version 2 or later</source>
        <translation>Freie Software unter der GNU General Public License,
Version 2 oder später</translation>
    </message>
    <message>
        <source>No info</source>
        <translation>Keine Angabe</translation>
    </message>
</context>
<context>
    <name>TmsgFrm</name>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TrackList</name>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>more than %1 tracks</source>
        <translation>mehr als %1 Titel</translation>
    </message>
    <message>
        <source>the track has no INDEX 01</source>
        <translation>der Titel hat kein INDEX 01</translation>
    </message>
    <message>
        <source>a cue sheet of more than one FILE cannot be split from one source</source>
        <translation>ein Cue-Sheet mit mehr als einer FILE-Angabe kann nicht aus einer Quelle geteilt werden</translation>
    </message>
    <message>
        <source>INDEX before any TRACK</source>
        <translation>INDEX vor dem ersten TRACK</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a time of the form mm:ss:ff</source>
        <translation>„%1“ ist keine Zeit der Form mm:ss:ff</translation>
    </message>
    <message>
        <source>the end is not after the start</source>
        <translation>das Ende liegt nicht nach dem Anfang</translation>
    </message>
    <message>
        <source>it lists no tracks</source>
        <translation>sie enthält keine Titel</translation>
    </message>
    <message>
        <source>cannot read the track list &quot;%1&quot;: %2</source>
        <translation>die Titelliste „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>the track list &quot;%1&quot;: %2</source>
        <translation>die Titelliste „%1“: %2</translation>
    </message>
    <message>
        <source>track %1: %2</source>
        <translation>Titel %1: %2</translation>
    </message>
    <message>
        <source>the source&apos;s length is unknown, so the track needs an end</source>
        <translation>die Länge der Quelle ist unbekannt, daher braucht der Titel ein Ende</translation>
    </message>
    <message>
        <source>it starts at %1, after the end of the source (%2)</source>
        <translation>er beginnt bei %1, nach dem Ende der Quelle (%2)</translation>
    </message>
    <message>
        <source>it ends at %1, after the end of the source (%2)</source>
        <translation>er endet bei %1, nach dem Ende der Quelle (%2)</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>er ist leer</translation>
    </message>
    <message>
        <source>, not cut: a track too short</source>
        <translation>, nicht geschnitten: ein Titel zu kurz</translation>
    </message>
    <message>
        <source>the track starts at %1, not after the track before it (%2): list the tracks in the order they play</source>
        <translation>der Titel beginnt bei %1, nicht nach dem Titel davor (%2): die Titel in der Reihenfolge auflisten, in der sie spielen</translation>
    </message>
    <message>
        <source>the track starts at %1, before the track before it ends (%2): tracks may not overlap</source>
        <translation>der Titel beginnt bei %1, bevor der Titel davor endet (%2): Titel dürfen sich nicht überlappen</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a time (seconds like 12.5, or h:mm:ss.t; a title that begins with a number goes in quotes)</source>
        <translation>&apos;%1&apos; ist keine Zeit (Sekunden wie 12.5 oder h:mm:ss.t; ein Titel, der mit einer Zahl beginnt, kommt in Anführungszeichen)</translation>
    </message>
    <message>
        <source>%1 lies after the end of any source</source>
        <translation>%1 liegt nach dem Ende jeder Quelle</translation>
    </message>
    <message>
        <source>the text is not UTF-16 (a character is cut off)</source>
        <translation>der Text ist kein UTF-16 (ein Zeichen ist abgeschnitten)</translation>
    </message>
    <message>
        <source>the text is not UTF-8, as other lines are (byte 0x%1); save the list as UTF-8</source>
        <translation>der Text ist kein UTF-8 wie andere Zeilen (Byte 0x%1); die Liste als UTF-8 speichern</translation>
    </message>
    <message>
        <source>it holds a NUL byte, which no text does</source>
        <translation>sie enthält ein NUL-Byte, das in keinem Text vorkommt</translation>
    </message>
    <message>
        <source>no track list file is named</source>
        <translation>keine Titellisten-Datei angegeben</translation>
    </message>
    <message>
        <source>Chapter %1</source>
        <translation>Kapitel %1</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Stück %1</translation>
    </message>
</context>
<context>
    <name>TrackNames</name>
    <message>
        <source>the name pattern &quot;%1&quot; gives track %2 the name &quot;%3&quot; of an earlier track (put %n in it)</source>
        <translation>das Namensmuster „%1“ gibt Titel %2 den Namen „%3“ eines früheren Titels (fügen Sie %n ein)</translation>
    </message>
</context>
<context>
    <name>TsettingsFrm</name>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>%1 kbps</source>
        <translation>%1 kbps</translation>
    </message>
    <message>
        <source>MP3 Bitrate </source>
        <translation>MP3-Bitrate </translation>
    </message>
    <message>
        <source> Use &amp;Variable Bitrate Mode</source>
        <translation> &amp;Variable Bitrate verwenden</translation>
    </message>
    <message>
        <source>Bitrate:</source>
        <translation>Bitrate:</translation>
    </message>
    <message>
        <source>Min:</source>
        <translation>Min.:</translation>
    </message>
    <message>
        <source>Max:</source>
        <translation>Max.:</translation>
    </message>
    <message>
        <source> Sample Rate </source>
        <translation> Abtastrate </translation>
    </message>
    <message>
        <source>Channel Mode</source>
        <translation>Kanalmodus</translation>
    </message>
    <message>
        <source>ID3 Tag</source>
        <translation>ID3-Tag</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>Album:</source>
        <translation>Album:</translation>
    </message>
    <message>
        <source>Artist:</source>
        <translation>Interpret:</translation>
    </message>
    <message>
        <source>Genre:</source>
        <translation>Genre:</translation>
    </message>
    <message>
        <source>Year:</source>
        <translation>Jahr:</translation>
    </message>
    <message>
        <source>Comment:</source>
        <translation>Kommentar:</translation>
    </message>
    <message>
        <source>A history list can&apos;t be read; it is left as it is:
</source>
        <translation>Eine Verlaufsliste kann nicht gelesen werden; sie bleibt, wie sie ist:
</translation>
    </message>
    <message>
        <source>The history list can&apos;t be saved:
%1: %2</source>
        <translation>Die Verlaufsliste kann nicht gespeichert werden:
%1: %2</translation>
    </message>
    <message>
        <source>MP3 Settings ...</source>
        <translation>MP3-Einstellungen ...</translation>
    </message>
    <message>
        <source>ID3 Tag Editor</source>
        <translation>ID3-Tag-Editor</translation>
    </message>
    <message>
        <source>V%1: about %2 kbps</source>
        <translation>V%1: etwa %2 kbps</translation>
    </message>
    <message>
        <source>, best sound</source>
        <translation>, bester Klang</translation>
    </message>
    <message>
        <source>, transparent</source>
        <translation>, transparent</translation>
    </message>
    <message>
        <source>, smallest files</source>
        <translation>, kleinste Dateien</translation>
    </message>
    <message>
        <source>Quality:</source>
        <translation>Qualität:</translation>
    </message>
    <message>
        <source> Write &amp;ReplayGain loudness values</source>
        <translation> &amp;ReplayGain-Lautheitswerte schreiben</translation>
    </message>
    <message>
        <source>Measures the loudness while ripping, so that players can play every track (and a track list as an album) equally loud.</source>
        <translation>Misst die Lautheit beim Rippen, damit Player jeden Titel (und eine Titelliste als Album) gleich laut abspielen können.</translation>
    </message>
    <message>
        <source>&amp;Picture...</source>
        <translation>&amp;Bild...</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>Cover:</source>
        <translation>Cover:</translation>
    </message>
    <message>
        <source>Cover picture</source>
        <translation>Coverbild</translation>
    </message>
    <message>
        <source>Pictures (*.jpg *.jpeg *.png)</source>
        <translation>Bilder (*.jpg *.jpeg *.png)</translation>
    </message>
    <message>
        <source>An MP3 at %1 Hz can have a constant bit rate of %2 kbit/s.</source>
        <translation>Eine MP3 mit %1 Hz kann eine konstante Bitrate von %2 kbit/s haben.</translation>
    </message>
    <message>
        <source>The cover cannot be used: </source>
        <translation>Das Cover kann nicht verwendet werden: </translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <source>%1 x %2 pixels</source>
        <translation>%1 x %2 Pixel</translation>
    </message>
    <message>
        <source>Same as the source</source>
        <translation>Wie die Quelle</translation>
    </message>
    <message>
        <source>A 48 kHz DVD stays at 48 kHz, a 44.1 kHz file at 44.1 kHz; other rates go to the nearest of their family.</source>
        <translation>Eine 48-kHz-DVD bleibt bei 48 kHz, eine 44,1-kHz-Datei bei 44,1 kHz; andere Raten gehen zur nächsten ihrer Familie.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Dialogue: centre lifted</source>
        <translation>Dialog: Mitte angehoben</translation>
    </message>
    <message>
        <source>How 5.1 and 7.1 sound becomes stereo. Standard: the centre and the surrounds at -3 dB against the fronts (AC-3 by the levels it carries). Dialogue: the centre at +3 dB against the fronts, the surrounds at -6 dB. Neither can clip.</source>
        <translation>Wie 5.1- und 7.1-Ton zu Stereo wird. Standard: Mitte und Surround -3 dB gegenüber vorn (AC-3 mit den Pegeln, die es mitbringt). Dialog: die Mitte +3 dB gegenüber vorn, Surround -6 dB. Keines kann übersteuern.</translation>
    </message>
    <message>
        <source>&amp;Surround:</source>
        <translation>&amp;Surround:</translation>
    </message>
    <message>
        <source>&amp;Limit:</source>
        <translation>&amp;Begrenzen:</translation>
    </message>
    <message>
        <source>Off: the quality alone decides the bit rate of every frame, as the encoder&apos;s -V does.
On: no frame goes below Min or above Max, silence included.</source>
        <translation>Aus: die Qualität allein bestimmt die Bitrate jedes Frames, wie -V des Kodierers.
Ein: kein Frame liegt unter Min oder über Max, auch in der Stille.</translation>
    </message>
    <message>
        <source>Lower numbers sound better and make larger files; with Limit checked, the minimum and maximum bit rates also bound every frame.</source>
        <translation>Kleinere Zahlen klingen besser und ergeben größere Dateien; mit „Begrenzen“ begrenzen die minimale und maximale Bitrate zudem jeden Frame.</translation>
    </message>
    <message>
        <source>MP3</source>
        <translation>MP3</translation>
    </message>
    <message>
        <source>FLAC (lossless)</source>
        <translation>FLAC (verlustfrei)</translation>
    </message>
    <message>
        <source>Opus</source>
        <translation>Opus</translation>
    </message>
    <message>
        <source>MP3 plays everywhere; FLAC keeps every bit of the source&apos;s sound (larger files); Opus sounds better than MP3 at the same size.</source>
        <translation>MP3 spielt überall; FLAC behält jedes Bit des Tons der Quelle (größere Dateien); Opus klingt bei gleicher Größe besser als MP3.</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source>FLAC</source>
        <translation>FLAC</translation>
    </message>
    <message>
        <source>, fastest</source>
        <translation>, am schnellsten</translation>
    </message>
    <message>
        <source>, the usual</source>
        <translation>, üblich</translation>
    </message>
    <message>
        <source>, smallest</source>
        <translation>, am kleinsten</translation>
    </message>
    <message>
        <source>Every level keeps the sound exactly; higher levels take longer and make slightly smaller files.</source>
        <translation>Jede Stufe behält den Ton genau; höhere Stufen brauchen länger und machen etwas kleinere Dateien.</translation>
    </message>
    <message>
        <source>Compression:</source>
        <translation>Kompression:</translation>
    </message>
    <message>
        <source>The source&apos;s own</source>
        <translation>Die der Quelle</translation>
    </message>
    <message>
        <source>Another rate than the source&apos;s is resampled, so the file no longer holds the source&apos;s samples.</source>
        <translation>Eine andere Rate als die der Quelle wird umgerechnet; die Datei enthält dann nicht mehr die Samples der Quelle.</translation>
    </message>
    <message>
        <source>Sample rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <source>Variable bit rate around this average; 48 kHz, as Opus always is.</source>
        <translation>Variable Bitrate um diesen Mittelwert; 48 kHz, wie Opus immer.</translation>
    </message>
    <message>
        <source>FLAC Settings ...</source>
        <translation>FLAC-Einstellungen ...</translation>
    </message>
    <message>
        <source>Opus Settings ...</source>
        <translation>Opus-Einstellungen ...</translation>
    </message>
</context>
<context>
    <name>Xiph</name>
    <message>
        <source>The FLAC encoder cannot be made.</source>
        <translation>Der FLAC-Encoder kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>FLAC cannot hold %1 channels of %2 bits at %3 Hz at level %4.</source>
        <translation>FLAC kann %1 Kanäle mit %2 Bit bei %3 Hz in Stufe %4 nicht aufnehmen.</translation>
    </message>
    <message>
        <source>The FLAC encoder failed (%1).</source>
        <translation>Der FLAC-Encoder ist gescheitert (%1).</translation>
    </message>
    <message>
        <source>The Ogg stream cannot be made.</source>
        <translation>Der Ogg-Stream kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The Ogg stream refused a packet.</source>
        <translation>Der Ogg-Stream hat ein Paket abgelehnt.</translation>
    </message>
    <message>
        <source>The Opus encoder cannot be made: %1.</source>
        <translation>Der Opus-Encoder kann nicht angelegt werden: %1.</translation>
    </message>
    <message>
        <source>The Opus encoder refuses %1 kbit/s: %2.</source>
        <translation>Der Opus-Encoder lehnt %1 kbit/s ab: %2.</translation>
    </message>
    <message>
        <source>The Opus encoder failed: %1.</source>
        <translation>Der Opus-Encoder ist gescheitert: %1.</translation>
    </message>
</context>
</TS>
