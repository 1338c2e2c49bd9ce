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
    <message>
        <source>The device name cannot contain a comma: the module&apos;s reply separates its fields with commas, so the name could not be read back.</source>
        <translation>장치 이름에 쉼표(,)를 쓸 수 없습니다. 모듈의 응답은 항목을 쉼표로 구분하므로 이름을 다시 읽을 수 없습니다.</translation>
    </message>
    <message>
        <source>%1 was set.</source>
        <translation>%1 설정을 완료했습니다.</translation>
    </message>
    <message>
        <source>Failed setting %1.</source>
        <translation>%1 설정에 실패했습니다.</translation>
    </message>
</context>
</TS>
