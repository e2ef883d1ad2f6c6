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
    <name>FMServer</name>
    <message>
        <source>Dateiname muss auf .fm enden</source>
        <translation>File name must end in .fm</translation>
    </message>
</context>
</TS>
