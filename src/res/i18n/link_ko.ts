<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>KestovLink</name>
    <message>
        <source>in use by another program</source>
        <translation>다른 프로그램이 사용 중입니다</translation>
    </message>
</context>
</TS>
