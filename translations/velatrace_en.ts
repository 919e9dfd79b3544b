<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>velatrace::InstrumentDialog</name>
    <message numerus="yes">
        <source>%n device(s) found.</source>
        <translation>
            <numerusform>%n device found.</numerusform>
            <numerusform>%n devices found.</numerusform>
        </translation>
    </message>
</context>
</TS>
