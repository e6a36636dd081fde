<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>Internal</name>
    <message>
        <source>Country</source>
        <comment>Localization information (ISO 639)</comment>
        <translation>CZ</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>Language</source>
        <comment>Localization information (ISO 3166)</comment>
        <translation>cz</translation>
    </message>
    <message>
        <source>Greeting</source>
        <translation>Ahoj</translation>
    </message>
</context>
</TS>
