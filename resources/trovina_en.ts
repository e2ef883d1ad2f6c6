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
    <name>TMCPlaces</name>
    <message>
        <source>Code nicht gefunden</source>
        <translation>Code not found</translation>
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
</TS>
