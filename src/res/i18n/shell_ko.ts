<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>Strings</name>
    <message>
        <source>The device name contains a character the module cannot take.</source>
        <translation>장치 이름에 모듈이 받을 수 없는 문자가 있습니다.</translation>
    </message>
    <message>
        <source>The name in Scan filter contains a character the module cannot take.</source>
        <translation>Scan filter의 이름에 모듈이 받을 수 없는 문자가 있습니다.</translation>
    </message>
    <message>
        <source>Slot %d: The TAG contains a character the module cannot take.</source>
        <translation>Slot %d: TAG에 모듈이 받을 수 없는 문자가 있습니다.</translation>
    </message>
</context>
</TS>
