<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="de_DE">
    <context>
        <name>AFTableAuto</name>
        <message>
            <source>Kanal</source>
            <translation>Channel</translation>
        </message>
        <message>
            <source>regional (Doppelklick schaltet um)</source>
            <translation>regional (double click toggles)</translation>
        </message>
        <message>
            <source>Doppelklick: regional</source>
            <translation>double click: regional</translation>
        </message>
    </context>
    <context>
        <name>AFTableSend</name>
        <message>
            <source>Code %1</source>
            <translation>Code %1</translation>
        </message>
    </context>
    <context>
        <name>Dynamic</name>
        <message>
            <source>Event Player</source>
            <translation>Event Player</translation>
        </message>
        <message>
            <source>Abspielen</source>
            <translation>Play</translation>
        </message>
        <message>
            <source>Speichern</source>
            <translation>Save</translation>
        </message>
        <message>
            <source>Wiederholen</source>
            <translation>Repeat</translation>
        </message>
        <message>
            <source>Zeit [s]</source>
            <translation>Time [s]</translation>
        </message>
        <message>
            <source>Befehl</source>
            <translation>Command</translation>
        </message>
        <message>
            <source>sonstige</source>
            <translation>other</translation>
        </message>
    </context>
    <context>
        <name>ECCSearch</name>
        <message>
            <source>%1 von %2 Ländern</source>
            <translation>%1 of %2 countries</translation>
        </message>
    </context>
    <context>
        <name>ECCSearchUI</name>
        <message>
            <source>Land suchen</source>
            <translation>Find country</translation>
        </message>
        <message>
            <source>Suche:</source>
            <translation>Search:</translation>
        </message>
        <message>
            <source>Teil des Namens, ISO-Code, ECC (hex) oder PI-Ländercode</source>
            <translation>part of the name, ISO code, ECC (hex) or PI country code</translation>
        </message>
        <message>
            <source>Name, ISO, ECC oder PI</source>
            <translation>name, ISO, ECC or PI</translation>
        </message>
        <message>
            <source>nur Länder dieses Gebiets zeigen</source>
            <translation>show only countries of this area</translation>
        </message>
        <message>
            <source>Europa</source>
            <translation>Europe</translation>
        </message>
        <message>
            <source>Afrika</source>
            <translation>Africa</translation>
        </message>
        <message>
            <source>Amerika</source>
            <translation>America</translation>
        </message>
        <message>
            <source>Vorderasien</source>
            <translation>Near East</translation>
        </message>
        <message>
            <source>Asien</source>
            <translation>Asia</translation>
        </message>
        <message>
            <source>Australien</source>
            <translation>Australia</translation>
        </message>
        <message>
            <source>Inseln</source>
            <translation>Islands</translation>
        </message>
        <message>
            <source>Doppelklick übernimmt das Land</source>
            <translation>double click takes the country</translation>
        </message>
        <message>
            <source>Land</source>
            <translation>Country</translation>
        </message>
        <message>
            <source>ECC und PI-Ländercode in die Quelle übernehmen</source>
            <translation>take ECC and PI country code into the source</translation>
        </message>
        <message>
            <source>Übernehmen</source>
            <translation>Take</translation>
        </message>
        <message>
            <source>Schließen</source>
            <translation>Close</translation>
        </message>
    </context>
    <context>
        <name>EONEdit</name>
        <message>
            <source>keiner</source>
            <translation>none</translation>
        </message>
    </context>
    <context>
        <name>EONModel</name>
        <message>
            <source>keine Frequenz: nicht gespeichert</source>
            <translation>no frequency: not stored</translation>
        </message>
        <message>
            <source>Kanal</source>
            <translation>Channel</translation>
        </message>
        <message>
            <source>Link</source>
            <translation>Link</translation>
        </message>
        <message>
            <source>Kanal des anderen Programms (leer: keiner)</source>
            <translation>channel of the other programme (empty: none)</translation>
        </message>
        <message>
            <source>PI-Code des anderen Programms</source>
            <translation>PI code of the other programme</translation>
        </message>
        <message>
            <source>Programmname (8 Zeichen)</source>
            <translation>programme service name (8 characters)</translation>
        </message>
        <message>
            <source>Programmart</source>
            <translation>programme type</translation>
        </message>
        <message>
            <source>Traffic Program</source>
            <translation>Traffic Program</translation>
        </message>
        <message>
            <source>Traffic Announcement</source>
            <translation>Traffic Announcement</translation>
        </message>
        <message>
            <source>Linkage Information (hex)</source>
            <translation>linkage information (hex)</translation>
        </message>
        <message>
            <source>Alternative Frequenzen in MHz, durch Leerzeichen getrennt</source>
            <translation>alternative frequencies in MHz, separated by blanks</translation>
        </message>
    </context>
    <context>
        <name>FMManager</name>
        <message>
            <source>Datei existiert bereits</source>
            <translation>File already exists</translation>
        </message>
        <message>
            <source>Datei nicht gefunden</source>
            <translation>File not found</translation>
        </message>
        <message>
            <source>Projekt kann nicht geladen werden</source>
            <translation>Cannot load the project</translation>
        </message>
        <message>
            <source>&amp;Beenden</source>
            <translation>&amp;Quit</translation>
        </message>
        <message>
            <source>&amp;Datei</source>
            <translation>&amp;File</translation>
        </message>
        <message>
            <source>&amp;Fernsteuerung</source>
            <translation>&amp;Remote</translation>
        </message>
        <message>
            <source>&amp;Neu...</source>
            <translation>&amp;New...</translation>
        </message>
        <message>
            <source>&amp;Ports...</source>
            <translation>&amp;Ports...</translation>
        </message>
        <message>
            <source>&amp;Speichern</source>
            <translation>&amp;Save</translation>
        </message>
        <message>
            <source>(neu)</source>
            <translation>(new)</translation>
        </message>
        <message>
            <source>Alle Modulatoren ein- oder ausschalten</source>
            <translation>Switch all modulators on or off air</translation>
        </message>
        <message>
            <source>Band %1   Dämpfung %2 dB</source>
            <translation>Band %1   Attenuation %2 dB</translation>
        </message>
        <message>
            <source>Datei kann nicht angelegt werden</source>
            <translation>Cannot create the file</translation>
        </message>
        <message>
            <source>Ferngesteuert von: </source>
            <translation>Remote controlled by: </translation>
        </message>
        <message>
            <source>Fernsteuerung inaktiv</source>
            <translation>Remote control inactive</translation>
        </message>
        <message>
            <source>Fernsteuerung</source>
            <translation>Remote control</translation>
        </message>
        <message>
            <source>Modulator %1 wird von %2 (%3 : %4) benutzt.
Übernehmen?</source>
            <translation>Modulator %1 is used by %2 (%3 : %4).
Take it over?</translation>
        </message>
        <message>
            <source>Modulator %1: #%2 %3 Firmware v%4</source>
            <translation>Modulator %1: #%2 %3 firmware v%4</translation>
        </message>
        <message>
            <source>Modulator %1: -</source>
            <translation>Modulator %1: -</translation>
        </message>
        <message>
            <source>Modulator %1: nicht konfiguriert</source>
            <translation>Modulator %1: not configured</translation>
        </message>
        <message>
            <source>Modulator %1: offline</source>
            <translation>Modulator %1: offline</translation>
        </message>
        <message>
            <source>Modulator %1: online</source>
            <translation>Modulator %1: online</translation>
        </message>
        <message>
            <source>Modulator %1: verbinde</source>
            <translation>Modulator %1: connecting</translation>
        </message>
        <message>
            <source>Modulator belegt</source>
            <translation>Modulator in use</translation>
        </message>
        <message>
            <source>Neues Projekt</source>
            <translation>New project</translation>
        </message>
        <message>
            <source>On Air</source>
            <translation>On Air</translation>
        </message>
        <message>
            <source>Port %1</source>
            <translation>Port %1</translation>
        </message>
        <message>
            <source>Port Fehler</source>
            <translation>Port error</translation>
        </message>
        <message>
            <source>Projekt nicht gespeichert</source>
            <translation>Project not saved</translation>
        </message>
        <message>
            <source>Projekt speichern</source>
            <translation>Save project</translation>
        </message>
        <message>
            <source>Projekt öffnen</source>
            <translation>Open project</translation>
        </message>
        <message>
            <source>Projektdateien enden auf .fm</source>
            <translation>Project files end in .fm</translation>
        </message>
        <message>
            <source>Projekte (*.fm)</source>
            <translation>Projects (*.fm)</translation>
        </message>
        <message>
            <source>RDS-Daten ab Port (TCP)</source>
            <translation>RDS data from port (TCP)</translation>
        </message>
        <message>
            <source>RDS-Port Fehler: Kanal %1 (Port %2)</source>
            <translation>RDS port error: channel %1 (port %2)</translation>
        </message>
        <message>
            <source> und %1 weitere</source>
            <translation> and %1 more</translation>
        </message>
        <message>
            <source>Kanal %1 (Port %2): %3</source>
            <translation>Channel %1 (port %2): %3</translation>
        </message>
        <message>
            <source>Sender</source>
            <translation>Transmitter</translation>
        </message>
        <message>
            <source>Speichern &amp;unter...</source>
            <translation>Save &amp;as...</translation>
        </message>
        <message>
            <source>Speichern</source>
            <translation>Save</translation>
        </message>
        <message>
            <source>Steuerport (TCP)</source>
            <translation>Control port (TCP)</translation>
        </message>
        <message>
            <source>keine Fernsteuerung verbunden</source>
            <translation>no remote client connected</translation>
        </message>
        <message>
            <source>Ö&amp;ffnen...</source>
            <translation>&amp;Open...</translation>
        </message>
        <message>
            <source>Projekt: %1%2</source>
            <translation>Project: %1%2</translation>
        </message>
        <message>
            <source> (geändert)</source>
            <translation> (changed)</translation>
        </message>
        <message>
            <source>Ok</source>
            <translation>Ok</translation>
        </message>
        <message>
            <source>Das neue Projekt hat ungespeicherte Änderungen.
Sollen sie gespeichert werden?</source>
            <translation>The new project has unsaved changes.
Save them?</translation>
        </message>
        <message>
            <source>Das Projekt %1 hat ungespeicherte Änderungen.
Sollen sie gespeichert werden?</source>
            <translation>The project %1 has unsaved changes.
Save them?</translation>
        </message>
        <message>
            <source>Verwerfen</source>
            <translation>Discard</translation>
        </message>
        <message>
            <source>Abbrechen</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>Beenden</source>
            <translation>Quit</translation>
        </message>
        <message>
            <source>Die letzten Änderungen lassen sich nicht in die Arbeitskopie schreiben (Datenträger voll?):
%1

Beim Beenden gehen sie verloren.</source>
            <translation>The latest changes cannot be written to the working copy (disk full?):
%1

Quitting now loses them.</translation>
        </message>
        <message>
            <source>Speichern unter...</source>
            <translation>Save as...</translation>
        </message>
        <message>
            <source>Trotzdem beenden</source>
            <translation>Quit anyway</translation>
        </message>
        <message>
            <source>nicht in die Arbeitskopie kopiert (Datenträger voll?)</source>
            <translation>not copied into the working copy (disk full?)</translation>
        </message>
        <message>
            <source>%1 nicht geöffnet: %2</source>
            <translation>%1 not opened: %2</translation>
        </message>
        <message>
            <source>Die Einstellungsdatei nimmt den Projektnamen nicht an (Datenträger voll?):
%1

Der nächste Start öffnet %2.</source>
            <translation>The settings file does not take the project name (disk full?):
%1

The next start opens %2.</translation>
        </message>
        <message>
            <source>die Arbeitskopie (neues Projekt)</source>
            <translation>the working copy (new project)</translation>
        </message>
        <message>
            <source>%1 (die Änderungen am Ersatzprojekt legt er in einer eigenen Datei ab)</source>
            <translation>%1 (it keeps the changes to the stand-in project in a file of its own)</translation>
        </message>
        <message>
            <source>Änderungen am Ersatzprojekt gesichert in %1</source>
            <translation>Changes to the stand-in project kept in %1</translation>
        </message>
        <message>
            <source>die Arbeitskopie von %1</source>
            <translation>the working copy of %1</translation>
        </message>
        <message>
            <source>ein neues Projekt</source>
            <translation>a new project</translation>
        </message>
    </context>
    <context>
        <name>main</name>
        <message>
            <source>Trovina läuft bereits mit der Einstellungsdatei
%1</source>
            <translation>Trovina is already running with the settings file
%1</translation>
        </message>
    </context>
    <context>
        <name>FMServer</name>
        <message>
            <source>Dateiname muss auf .fm enden</source>
            <translation>File name must end in .fm</translation>
        </message>
    </context>
    <context>
        <name>ODAModel</name>
        <message>
            <source>an</source>
            <translation>on</translation>
        </message>
        <message>
            <source>Gruppe senden</source>
            <translation>send group</translation>
        </message>
        <message>
            <source>Block %1 (hex)</source>
            <translation>block %1 (hex)</translation>
        </message>
        <message>
            <source>Checkword %1 (hex, 10 Bit)
leer: berechnen</source>
            <translation>checkword %1 (hex, 10 bits)
empty: computed</translation>
        </message>
        <message>
            <source>Gruppen pro Minute in Stream %1
negativ: mit freien Gruppen auffüllen</source>
            <translation>groups per minute on stream %1
negative: fill with free groups</translation>
        </message>
    </context>
    <context>
        <name>TMCEvents</name>
        <message>
            <source>Code nicht gefunden</source>
            <translation>Code not found</translation>
        </message>
        <message>
            <source>%1
%2
Zeile: %3 / C: %4</source>
            <translation>%1
%2
Line: %3 / C: %4</translation>
        </message>
        <message>
            <source>Referenz:</source>
            <translation>Reference:</translation>
        </message>
        <message>
            <source>länger anhaltend</source>
            <translation>longer lasting</translation>
        </message>
        <message>
            <source>beide Richtungen</source>
            <translation>both directions</translation>
        </message>
        <message>
            <source>Vorhersage</source>
            <translation>forecast</translation>
        </message>
        <message>
            <source>Stille Meldung</source>
            <translation>silent message</translation>
        </message>
        <message>
            <source>Wichtig!</source>
            <translation>Urgent!</translation>
        </message>
        <message>
            <source>Sehr wichtig!</source>
            <translation>Extremely urgent!</translation>
        </message>
        <message>
            <source>Aufheben: %1</source>
            <translation>Cancel: %1</translation>
        </message>
        <message>
            <source>Unbekannt</source>
            <translation>Unknown</translation>
        </message>
        <message>
            <source>für min. 15 Minuten</source>
            <translation>for at least 15 minutes</translation>
        </message>
        <message>
            <source>für min. 30 Minuten</source>
            <translation>for at least 30 minutes</translation>
        </message>
        <message>
            <source>für min. eine Stunde</source>
            <translation>for at least one hour</translation>
        </message>
        <message>
            <source>für min. 2 Stunden</source>
            <translation>for at least 2 hours</translation>
        </message>
        <message>
            <source>für min. 3 Stunden</source>
            <translation>for at least 3 hours</translation>
        </message>
        <message>
            <source>für min. 4 Stunden</source>
            <translation>for at least 4 hours</translation>
        </message>
        <message>
            <source>für den ganzen Tag</source>
            <translation>for the rest of the day</translation>
        </message>
        <message>
            <source>innerhalb von 15 Minuten</source>
            <translation>within 15 minutes</translation>
        </message>
        <message>
            <source>innerhalb von 30 Minuten</source>
            <translation>within 30 minutes</translation>
        </message>
        <message>
            <source>innerhalb einer Stunde</source>
            <translation>within one hour</translation>
        </message>
        <message>
            <source>innerhalb von 2 Stunden</source>
            <translation>within 2 hours</translation>
        </message>
        <message>
            <source>innerhalb von 3 Stunden</source>
            <translation>within 3 hours</translation>
        </message>
        <message>
            <source>innerhalb von 4 Stunden</source>
            <translation>within 4 hours</translation>
        </message>
        <message>
            <source>im Laufe des Tages</source>
            <translation>later today</translation>
        </message>
        <message>
            <source>für die nächsten Stunden</source>
            <translation>for the next few hours</translation>
        </message>
        <message>
            <source>bis morgen Abend</source>
            <translation>until tomorrow evening</translation>
        </message>
        <message>
            <source>für die restliche Woche</source>
            <translation>for the rest of the week</translation>
        </message>
        <message>
            <source>bis Ende nächster Woche</source>
            <translation>until the end of next week</translation>
        </message>
        <message>
            <source>bis zum Montagsende</source>
            <translation>until the end of the month</translation>
        </message>
        <message>
            <source>für lange Zeit</source>
            <translation>for a long period</translation>
        </message>
        <message>
            <source>in den nächsten Stunden</source>
            <translation>within the next few hours</translation>
        </message>
        <message>
            <source>Morgen</source>
            <translation>tomorrow</translation>
        </message>
        <message>
            <source>Übermorgen</source>
            <translation>the day after tomorrow</translation>
        </message>
        <message>
            <source>dieses Wochenende</source>
            <translation>this weekend</translation>
        </message>
        <message>
            <source>im Laufe der Woche</source>
            <translation>later this week</translation>
        </message>
        <message>
            <source>nächste Woche</source>
            <translation>next week</translation>
        </message>
    </context>
    <context>
        <name>TMCEventsUI</name>
        <message>
            <source>TMC Ereignis suchen</source>
            <translation>TMC event search</translation>
        </message>
        <message>
            <source>Textfragment suchen</source>
            <translation>Search for a text fragment</translation>
        </message>
        <message>
            <source>suche Ereignis, z.B.: Stau</source>
            <translation>search event, e.g.: queue</translation>
        </message>
        <message>
            <source>&lt;alle&gt;</source>
            <translation>&lt;all&gt;</translation>
        </message>
        <message>
            <source>_ Information</source>
            <translation>_ information</translation>
        </message>
        <message>
            <source>F Vorhersage</source>
            <translation>F forecast</translation>
        </message>
        <message>
            <source>S Still</source>
            <translation>S silent</translation>
        </message>
        <message>
            <source>_ ohne</source>
            <translation>_ none</translation>
        </message>
        <message>
            <source>D dynamisch</source>
            <translation>D dynamic</translation>
        </message>
        <message>
            <source>L langlebig</source>
            <translation>L longer lasting</translation>
        </message>
        <message>
            <source>_ normal</source>
            <translation>_ normal</translation>
        </message>
        <message>
            <source>U wichtig</source>
            <translation>U urgent</translation>
        </message>
        <message>
            <source>X sehr wichtig</source>
            <translation>X extremely urgent</translation>
        </message>
        <message>
            <source>&amp;Suche Ereignisse</source>
            <translation>&amp;Search events</translation>
        </message>
    </context>
    <context>
        <name>TMCEvtModel</name>
        <message>
            <source>Ereignis Code</source>
            <translation>Event code</translation>
        </message>
        <message>
            <source>Zeile im Standard</source>
            <translation>Line in the standard</translation>
        </message>
        <message>
            <source>Ereignistext Deutsch / English</source>
            <translation>Event text German / English</translation>
        </message>
    </context>
    <context>
        <name>TMCLblModel</name>
        <message>
            <source>Label nur einmal erlaubt</source>
            <translation>Label allowed only once</translation>
        </message>
        <message>
            <source>Separator erforderlich</source>
            <translation>Separator required</translation>
        </message>
        <message>
            <source>Dauer 0 unzulässig</source>
            <translation>Duration 0 not allowed</translation>
        </message>
        <message>
            <source>Jeder Code nur einmal erlaubt</source>
            <translation>Each code allowed only once</translation>
        </message>
        <message>
            <source>Quantifier hat falsche Bitbreite</source>
            <translation>Quantifier has the wrong bit width</translation>
        </message>
        <message>
            <source>Ereignis hat keinen Quantifier</source>
            <translation>Event has no quantifier</translation>
        </message>
        <message>
            <source>Stille Meldung unzulässig</source>
            <translation>Silent message not allowed</translation>
        </message>
        <message>
            <source>Limit für %1 Gruppen überschritten (max. %1*28 Bits)</source>
            <translation>Limit of %1 groups exceeded (max. %1*28 bits)</translation>
        </message>
        <message>
            <source>über 100 km</source>
            <translation>over 100 km</translation>
        </message>
        <message>
            <source>'Mitte' MMMM yyyy</source>
            <translation>'mid' MMMM yyyy</translation>
        </message>
        <message>
            <source>'Ende' MMMM yyyy</source>
            <translation>'end of' MMMM yyyy</translation>
        </message>
    </context>
    <context>
        <name>TMCMsgModel</name>
        <message>
            <source>nein</source>
            <translation>no</translation>
        </message>
        <message>
            <source>ja</source>
            <translation>yes</translation>
        </message>
        <message>
            <source>aufheben</source>
            <translation>cancel</translation>
        </message>
        <message>
            <source>nein / ja / aufheben</source>
            <translation>no / yes / cancel</translation>
        </message>
        <message>
            <source>Senden</source>
            <translation>Send</translation>
        </message>
        <message>
            <source>Ereignis</source>
            <translation>Event</translation>
        </message>
        <message>
            <source>Ortscode</source>
            <translation>Location</translation>
        </message>
        <message>
            <source>Ereignis Code</source>
            <translation>Event code</translation>
        </message>
        <message>
            <source>Location Code aus LTN</source>
            <translation>Location code from the LTN</translation>
        </message>
    </context>
    <context>
        <name>TMCPlaces</name>
        <message>
            <source>Code nicht gefunden</source>
            <translation>Code not found</translation>
        </message>
    </context>
    <context>
        <name>TMCPlacesUI</name>
        <message>
            <source>TMC Orte suchen</source>
            <translation>TMC location search</translation>
        </message>
        <message>
            <source>Textfragment suchen</source>
            <translation>Search for a text fragment</translation>
        </message>
        <message>
            <source>suche Ort, z.B.: Bonn</source>
            <translation>search location, e.g.: Bonn</translation>
        </message>
        <message>
            <source>&amp;Suche Orte</source>
            <translation>&amp;Search locations</translation>
        </message>
    </context>
    <context>
        <name>TMCTable</name>
        <message>
            <source>Daten</source>
            <translation>Data</translation>
        </message>
        <message>
            <source>Ereignis suchen</source>
            <translation>Find event</translation>
        </message>
        <message>
            <source>Ort suchen</source>
            <translation>Find location</translation>
        </message>
    </context>
    <context>
        <name>TabRDS</name>
        <message>
            <source>keine Frequenz: nicht gespeichert</source>
            <translation>no frequency: not stored</translation>
        </message>
        <message>
            <source>aus Log Datei</source>
            <translation>from log file</translation>
        </message>
        <message>
            <source>Fernzugriff</source>
            <translation>remote access</translation>
        </message>
        <message>
            <source>Name der %1. RDS Quelle</source>
            <translation>Name of RDS source %1</translation>
        </message>
        <message>
            <source>&lt;Kanal wählen&gt;</source>
            <translation>&lt;choose channel&gt;</translation>
        </message>
        <message>
            <source>Kanal %1</source>
            <translation>Channel %1</translation>
        </message>
        <message>
            <source> (RDS-Quelle %1)</source>
            <translation> (RDS source %1)</translation>
        </message>
        <message>
            <source>&lt;keine&gt;</source>
            <translation>&lt;none&gt;</translation>
        </message>
        <message>
            <source>Item toggle bit: aus</source>
            <translation>Item toggle bit: off</translation>
        </message>
        <message>
            <source>Item toggle bit: automatisch mit Audio ID3 Tag</source>
            <translation>Item toggle bit: automatic with the audio ID3 tag</translation>
        </message>
        <message>
            <source>Item toggle bit: ein</source>
            <translation>Item toggle bit: on</translation>
        </message>
        <message>
            <source>Item running bit: aus</source>
            <translation>Item running bit: off</translation>
        </message>
        <message>
            <source>Item running bit: ein</source>
            <translation>Item running bit: on</translation>
        </message>
        <message>
            <source>Die RadioText+ Tags gelten nur für eine RadioText-Gruppe!</source>
            <translation>The RadioText+ tags apply to one RadioText group only!</translation>
        </message>
        <message>
            <source>RDS-Log Dateien hinzufügen</source>
            <translation>Add RDS log files</translation>
        </message>
        <message>
            <source>Log Dateien (*.txt *.log);;Alle Dateien (*)</source>
            <translation>Log files (*.txt *.log);;All files (*)</translation>
        </message>
        <message>
            <source>bei &gt;25 Frequenzen sollte Verfahren B eingesetzt werden</source>
            <translation>with more than 25 frequencies method B should be used</translation>
        </message>
        <message>
            <source>RDS-Log speichern...</source>
            <translation>Save RDS log...</translation>
        </message>
        <message>
            <source>RDS-Log (*.txt);;Alle Dateien (*)</source>
            <translation>RDS log (*.txt);;All files (*)</translation>
        </message>
        <message>
            <source>RDS-Log nicht gespeichert: %1</source>
            <translation>RDS log not saved: %1</translation>
        </message>
        <message>
            <source>
ohne Wirkung: die Monitordaten tragen keine Streamnummer</source>
            <translation>
no effect: the monitor records carry no stream number</translation>
        </message>
    </context>
    <context>
        <name>TabRDSRT</name>
        <message>
            <source>sende Kennung in Gruppe 3A</source>
            <translation>send identification in group 3A</translation>
        </message>
        <message>
            <source>Gruppe 3A Erweiterter RadioText</source>
            <translation>Group 3A enhanced RadioText</translation>
        </message>
        <message>
            <source>enhanced RadioText Zusatzbits</source>
            <translation>enhanced RadioText additional bits</translation>
        </message>
        <message>
            <source>Textrichtung: Rechts nach Links
z.B. für arabisch</source>
            <translation>Text direction: right to left
f.i. for arabic</translation>
        </message>
        <message>
            <source>RTL Textrichtung</source>
            <translation>RTL text direction</translation>
        </message>
        <message>
            <source>Gruppe 3A RadioText+</source>
            <translation>Group 3A RadioText+</translation>
        </message>
        <message>
            <source>RadioText+ Zusatzbits</source>
            <translation>RadioText+ additional bits</translation>
        </message>
        <message>
            <source>RadioText+ Bits
C: RT/eRT flag, CB flag, SCB, Vorlage Nummer</source>
            <translation>RadioText+ Bits
C: RT/eRT flag, CB flag, SCB, Template number</translation>
        </message>
        <message>
            <source>setzt das RT/eRT Flag auf 1 (Bit 13 in Gruppe 3A Block C)</source>
            <translation>set RT/eRT flag to 1 (Bit 13 in Group 3A Block C)</translation>
        </message>
        <message>
            <source>RT+ gilt für eRT</source>
            <translation>RT+ is valid for eRT</translation>
        </message>
        <message>
            <source>sende RadioText+ Tags</source>
            <translation>send RadioText+ tags</translation>
        </message>
        <message>
            <source>sende in Gruppe</source>
            <translation>send in group</translation>
        </message>
        <message>
            <source>Gruppen pro Minute</source>
            <translation>Groups per minute</translation>
        </message>
        <message>
            <source>Verwende ID3 Tags aus der aktuell abgespielten Audiodatei</source>
            <translation>Use ID3 Tags from current played audio file (if present)</translation>
        </message>
        <message>
            <source>Tag aus Audiodatei</source>
            <translation>Use tags from audio</translation>
        </message>
        <message>
            <source>Tag hinzufügen</source>
            <translation>add tag</translation>
        </message>
        <message>
            <source>Tag entfernen</source>
            <translation>remove tag</translation>
        </message>
        <message>
            <source>beide Texte A und B abwechselnd senden oder
Text A in 2A und Text B in 2B dauerhaft senden</source>
            <translation>send both Texts A and B alternating or
send A in 2A and B in 2B simultaneous</translation>
        </message>
        <message>
            <source>n-mal Text B senden</source>
            <translation>send text B n times</translation>
        </message>
        <message>
            <source>Zeichen aus einem Hexcode erzeugen:
#21 -&gt; '!'</source>
            <translation>Generate Char from hex code:
#21 -&gt; '!'</translation>
        </message>
        <message>
            <source>immer mit Endezeichen beenden?
jeder 2A Block hat 4 Zeichen
'AAAA' -&gt; 41414141 (nein)
'AAAA' -&gt; 41414141 0D0D0D0D (ja)
'AA' -&gt; 41410D0D (bei ja und nein)
</source>
            <translation>always terminate with end char?
each 2A block has 4 bytes
'AAAA' -&gt; 41414141 (no)
'AAAA' -&gt; 41414141 0D0D0D0D (yes)
'AA' -&gt; 41410D0D (both yes and no)
</translation>
        </message>
        <message>
            <source>Text-Endezeichen festlegen</source>
            <translation>set text end char</translation>
        </message>
        <message>
            <source>Anzahl der Bytes von Text B</source>
            <translation>Number of bytes for Text B</translation>
        </message>
        <message>
            <source>Gruppe:</source>
            <translation>Group:</translation>
        </message>
        <message>
            <source>sende RT in Gruppe</source>
            <translation>send RadioText in this group</translation>
        </message>
        <message>
            <source>Text A/B Bit kippen wenn der Text sich ändert.</source>
            <translation>toggle Text A/B bit if text changes.</translation>
        </message>
        <message>
            <source>Text A/B Flag ändern</source>
            <translation>toggle Text A/B flag</translation>
        </message>
        <message>
            <source>! ändert auch die Encodierung von PS, PTYN und EON</source>
            <translation>! also changes the encoding of PS, PTYN and EON</translation>
        </message>
        <message>
            <source>Unicode #FEFF Byte Order Mark voranstellen, wenn möglich</source>
            <translation>prepend Unicode #FEFF Byte Order Mark, if possible</translation>
        </message>
        <message>
            <source>Gruppe senden</source>
            <translation>send group</translation>
        </message>
        <message>
            <source>senden</source>
            <translation>send</translation>
        </message>
        <message>
            <source>mit freien Gruppen auffüllen
es können mehr Gruppen pro Minute gesendet werden</source>
            <translation>use free slots
allows to send more groups per minute</translation>
        </message>
        <message>
            <source>frei</source>
            <translation>free</translation>
        </message>
        <message>
            <source>Gruppen pro Minute
Pro 2A Gruppe werden 4 E.1 Zeichen (4 Bytes) übertragen.</source>
            <translation>Groups per minute
each 2A group contains four E.1 characters (4 bytes).</translation>
        </message>
        <message>
            <source>n-mal Text A senden</source>
            <translation>send text A n times</translation>
        </message>
        <message>
            <source>Text B editieren</source>
            <translation>Edit text B</translation>
        </message>
        <message>
            <source>immer mit Endezeichen beenden?</source>
            <translation>always terminate with end char?</translation>
        </message>
        <message>
            <source>Anzahl der Bytes von Text A</source>
            <translation>number of bytes of Text A</translation>
        </message>
        <message>
            <source>als Hex-Bytes oder Latin1 anzeigen</source>
            <translation>show as hex bytes or latin1</translation>
        </message>
        <message>
            <source>erweiterten RadioText abwechselnd senden (A/B)</source>
            <translation>send enhanced RadioText alternating (A/B)</translation>
        </message>
        <message>
            <source>Erweiterter RadioText</source>
            <translation>enhanced RadioText</translation>
        </message>
        <message>
            <source>Text-Endezeichen 1x anhängen?</source>
            <translation>append text end char once?</translation>
        </message>
        <message>
            <source>Unicode Zeichen aus Hexcode:
#41 -&gt; 'A'
#0041 -&gt; 'A'
#03A9 -&gt; 'Ω'</source>
            <translation>Generate Unicode Char from hex code:
#41 -&gt; 'A'
#0041 -&gt; 'A'
#03A9 -&gt; 'Ω'</translation>
        </message>
        <message>
            <source>Text-Endezeichen 1x anhängen?
jeder Block hat 4 Bytes

UTF-8 'A':
'A' -&gt; 41 0D 00 00  (ja)
'A' -&gt; 41 00 00 00  (nein)
'AAAA' -&gt; 41414141 (nein)
'AAAA' -&gt; 41414141 0D000000 (ja)

UCS2-LE:
'AA' -&gt; 4100 4100 (nein)
'AA' -&gt; 4100 4100 0D00 0000 (ja)</source>
            <translation>append text end char once?
each block has 4 bytes

UTF-8 'A':
'A' -&gt; 41 0D 00 00  (yes)
'A' -&gt; 41 00 00 00  (no)
'AAAA' -&gt; 41414141 (no)
'AAAA' -&gt; 41414141 0D000000 (yes)

UCS2-LE:
'AA' -&gt; 4100 4100 (no)
'AA' -&gt; 4100 4100 0D00 0000 (yes)</translation>
        </message>
        <message>
            <source>sende erweiterten RadioText in Gruppe</source>
            <translation>send enhanced RadioText in Group</translation>
        </message>
        <message>
            <source>Encodieren als:</source>
            <translation>Encode as:</translation>
        </message>
        <message>
            <source>nur UTF-16LE (UCS-2) und UTF-8 sind im Standard spezifiziert!
Bits in Gruppe 3A entsprechend setzen</source>
            <translation>only UTF-16LE (UCS-2) and UTF-8 are specified in Standard!
set appropriate Bits in Group 3A</translation>
        </message>
        <message>
            <source>Gruppen pro Minute
Pro Gruppe werden 2 UCS Zeichen (4 Bytes) übertragen.</source>
            <translation>Groups per minute
each group contains two UCS characters (4 bytes).</translation>
        </message>
        <message>
            <source>als Hex-Bytes oder Unicode anzeigen</source>
            <translation>show as hex bytes or unicode</translation>
        </message>
    </context>
    <context>
        <name>TabRDSUI</name>
        <message>
            <source>RDS Quellen</source>
            <translation>RDS sources</translation>
        </message>
        <message>
            <source>Quelle hinzufügen</source>
            <translation>add source</translation>
        </message>
        <message>
            <source>Quelle</source>
            <translation>Source</translation>
        </message>
        <message>
            <source>Quelle löschen</source>
            <translation>remove source</translation>
        </message>
        <message>
            <source>Grundeinstellungen</source>
            <translation>Basic settings</translation>
        </message>
        <message>
            <source>Alternative Frequenzen</source>
            <translation>Alternative Frequencies</translation>
        </message>
        <message>
            <source>RDS direkt aus den Dateien abspielen
alle anderen Einstellungen haben keine Wirkung</source>
            <translation>play RDS from files
all other settings have no effect</translation>
        </message>
        <message>
            <source>RDS-Log Dateien nacheinander abspielen:</source>
            <translation>play RDS files sequentially:</translation>
        </message>
        <message>
            <source>Dateien hinzufügen</source>
            <translation>add files</translation>
        </message>
        <message>
            <source>Zeilen löschen</source>
            <translation>remove rows</translation>
        </message>
        <message>
            <source>RDS-Log Vorschau</source>
            <translation>RDS log preview</translation>
        </message>
        <message>
            <source>Log Dateien</source>
            <translation>Log Files</translation>
        </message>
        <message>
            <source>Paketzähler</source>
            <translation>Packet counter</translation>
        </message>
        <message>
            <source>zeige Paketzähler für Kanal</source>
            <translation>show packet counter for channel</translation>
        </message>
        <message>
            <source>Statistik für gewählten Kanal neu starten</source>
            <translation>Restart statistics for selected channel</translation>
        </message>
        <message>
            <source>Stream0 zeigen</source>
            <translation>show Stream0</translation>
        </message>
        <message>
            <source>Stream1 zeigen</source>
            <translation>show Stream1</translation>
        </message>
        <message>
            <source>Stream2 zeigen</source>
            <translation>show Stream2</translation>
        </message>
        <message>
            <source>Stream3 zeigen</source>
            <translation>show Stream3</translation>
        </message>
        <message>
            <source>Gruppen auswählen um den Log zu filtern</source>
            <translation>selected groups will be logged</translation>
        </message>
        <message>
            <source>Sendezeit anzeigen</source>
            <translation>log transmission time</translation>
        </message>
        <message>
            <source>Zeit</source>
            <translation>Time</translation>
        </message>
        <message>
            <source>Rawdaten anzeigen (13 Bytes Stream)</source>
            <translation>log raw data (13 bytes stream)</translation>
        </message>
        <message>
            <source>Gruppe anzeigen</source>
            <translation>log rds group</translation>
        </message>
        <message>
            <source>Gruppe</source>
            <translation>Group</translation>
        </message>
        <message>
            <source>Traffic Program, Traffic Announcement, Music/Speech Bits anzeigen</source>
            <translation>log TP, TA and MS bits</translation>
        </message>
        <message>
            <source>Program Type anzeigen</source>
            <translation>log program type (PTY)</translation>
        </message>
        <message>
            <source>Decoder Information anzeigen (Gruppen 0 &amp; 15B):
x00 Mono/Stereo
x01 Kunstkopf
x10 Komprimiert
x11 dynamisches PTY</source>
            <translation>log decoder information bits in group 0 &amp; 15B:
x00 stereo (else mono)
x01 artificial head
x10 compressed
x11 dynamic PTY</translation>
        </message>
        <message>
            <source>Checkword-Fehler mit * markieren</source>
            <translation>mark checkword errors with *</translation>
        </message>
        <message>
            <source>RDS-Log (gesendet)</source>
            <translation>RDS log (transmitted)</translation>
        </message>
        <message>
            <source>dekodierte Daten</source>
            <translation>decoded RDS data</translation>
        </message>
        <message>
            <source>TA</source>
            <translation>TA</translation>
        </message>
        <message>
            <source>zeige RadioText
zweimal klicken für Hexwerte</source>
            <translation>show RadioText
click twice for hex display</translation>
        </message>
        <message>
            <source>zeige erweiterten RadioText
zweimal klicken für Hexwerte</source>
            <translation>show enhanced RadioText
click twice for hex display</translation>
        </message>
        <message>
            <source>zeige RadioText+ Tags</source>
            <translation>show RadioText+ tags</translation>
        </message>
        <message>
            <source>PTY Name Gruppe 10A</source>
            <translation>PTY Name group 10A</translation>
        </message>
        <message>
            <source>Log speichern</source>
            <translation>Save log</translation>
        </message>
        <message>
            <source>Speichern</source>
            <translation>Save</translation>
        </message>
        <message>
            <source>Stream #0-3 anzeigen</source>
            <translation>log stream number #0-3</translation>
        </message>
        <message>
            <source>Paket Statistik</source>
            <translation>Packet Statistics</translation>
        </message>
    </context>
    <context>
        <name>TabTMCUI</name>
        <message>
            <source>TMC Quellen</source>
            <translation>TMC sources</translation>
        </message>
        <message>
            <source>Quelle hinzufügen</source>
            <translation>add source</translation>
        </message>
        <message>
            <source>Quelle</source>
            <translation>Source</translation>
        </message>
        <message>
            <source>Quelle löschen</source>
            <translation>remove source</translation>
        </message>
        <message>
            <source>Gruppe 3A (System Information)</source>
            <translation>Group 3A (System Information)</translation>
        </message>
        <message>
            <source>Bits in Gruppe 3A festlegen</source>
            <translation>Set the bits of group 3A</translation>
        </message>
        <message>
            <source>Variant Code 0 senden</source>
            <translation>Send variant code 0</translation>
        </message>
        <message>
            <source>Variante 0:</source>
            <translation>Variant 0:</translation>
        </message>
        <message>
            <source>Variant Code 1 senden</source>
            <translation>Send variant code 1</translation>
        </message>
        <message>
            <source>Variante 1:</source>
            <translation>Variant 1:</translation>
        </message>
        <message>
            <source>Variant Code 2 senden</source>
            <translation>Send variant code 2</translation>
        </message>
        <message>
            <source>Variante 2:</source>
            <translation>Variant 2:</translation>
        </message>
        <message>
            <source>Variant Code 3 senden</source>
            <translation>Send variant code 3</translation>
        </message>
        <message>
            <source>Variante 3:</source>
            <translation>Variant 3:</translation>
        </message>
        <message>
            <source>LTN AFI Mode Region Bits</source>
            <translation>LTN AFI mode region bits</translation>
        </message>
        <message>
            <source>0 aus: LTCC senden
1 an: Zeitrad aktivieren (Ta, Tw und Td) - obsolete</source>
            <translation>0 off: send LTCC
1 on: enable the time wheel (Ta, Tw and Td) - obsolete</translation>
        </message>
        <message>
            <source>Location Table Country Code (bei Mode = 0)
meist identisch mit PI CC, Germany = D oder 1</source>
            <translation>Location Table Country Code (with Mode = 0)
usually the same as the PI CC, Germany = D or 1</translation>
        </message>
        <message>
            <source>Aktive Zeit</source>
            <translation>Active time</translation>
        </message>
        <message>
            <source>Window Zeit</source>
            <translation>Window time</translation>
        </message>
        <message>
            <source>Delay Zeit</source>
            <translation>Delay time</translation>
        </message>
        <message>
            <source>minimale Anzahl anderer Gruppen zwischen zwei TMC 8A-Gruppen</source>
            <translation>least number of other groups between two TMC 8A groups</translation>
        </message>
        <message>
            <source>TMC AID Kennung (meist CD46)</source>
            <translation>TMC AID identifier (usually CD46)</translation>
        </message>
        <message>
            <source>sofort wiederholen</source>
            <translation>repeat at once</translation>
        </message>
        <message>
            <source>jede Meldung n-mal sofort wiederholen</source>
            <translation>repeat every message n times at once</translation>
        </message>
        <message>
            <source>Gruppe 8A (Tuning Information)</source>
            <translation>Group 8A (Tuning Information)</translation>
        </message>
        <message>
            <source>Gruppe 8A Tuning Information</source>
            <translation>Group 8A Tuning Information</translation>
        </message>
        <message>
            <source>Service Provider Name (8 Bytes, Varianten 4 und 5)</source>
            <translation>Service Provider Name (8 bytes, variants 4 and 5)</translation>
        </message>
        <message>
            <source>Verschlüsselung (TMCpro)</source>
            <translation>Encryption (TMCpro)</translation>
        </message>
        <message>
            <source>Ort/Location verschlüsseln nach 14819-6</source>
            <translation>Encrypt the location as ISO 14819-6 says</translation>
        </message>
        <message>
            <source>Service Key für ENCID festlegen</source>
            <translation>Set the service key of the ENCID</translation>
        </message>
        <message>
            <source>alle n Sekunden:</source>
            <translation>every n seconds:</translation>
        </message>
        <message>
            <source>sende alle n Sekunden</source>
            <translation>send every n seconds</translation>
        </message>
        <message>
            <source>Verkehrsmeldungen</source>
            <translation>Traffic messages</translation>
        </message>
        <message>
            <source>Meldung </source>
            <translation>Message </translation>
        </message>
        <message>
            <source>Verkehrsmeldung hinzufügen</source>
            <translation>add traffic message</translation>
        </message>
        <message>
            <source>Entfernen </source>
            <translation>Remove </translation>
        </message>
        <message>
            <source>Verkehrsmeldung löschen</source>
            <translation>remove traffic message</translation>
        </message>
        <message>
            <source>Meldung bearbeiten</source>
            <translation>Edit message</translation>
        </message>
        <message>
            <source>Dauer:</source>
            <translation>Duration:</translation>
        </message>
        <message>
            <source>Dauer festlegen</source>
            <translation>Set the duration</translation>
        </message>
        <message>
            <source>Ausmaß:</source>
            <translation>Extent:</translation>
        </message>
        <message>
            <source>Außmaß festlegen</source>
            <translation>Set the extent</translation>
        </message>
        <message>
            <source>Ereignis</source>
            <translation>Event</translation>
        </message>
        <message>
            <source>Ort</source>
            <translation>Location</translation>
        </message>
        <message>
            <source>Richtung</source>
            <translation>Direction</translation>
        </message>
        <message>
            <source>Richtungsbit setzen</source>
            <translation>Set the direction bit</translation>
        </message>
        <message>
            <source>Umleiten</source>
            <translation>Diversion</translation>
        </message>
        <message>
            <source>Umleitung empfohlen wenn gesetzt</source>
            <translation>Diversion advised when set</translation>
        </message>
        <message>
            <source>Ereignisinfo</source>
            <translation>Event information</translation>
        </message>
        <message>
            <source>Ortsinfo</source>
            <translation>Location information</translation>
        </message>
        <message>
            <source>Multigroup Zusatzinfos</source>
            <translation>Multi-group optional content</translation>
        </message>
    </context>
</TS>
