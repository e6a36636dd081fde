<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>Menu</name>
    <message>
        <source>Other</source>
        <translation>Anders</translation>
    </message>
</context>
</TS>
