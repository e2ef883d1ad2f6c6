<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="de_DE">
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
    <name>FMServer</name>
    <message>
        <source>Dateiname muss auf .fm enden</source>
        <translation>File name must end in .fm</translation>
    </message>
</context>
</TS>
