<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>Profiles</name>
    <message>
        <source>&amp;Export settings...</source>
        <translation>설정 내보내기(&amp;E)...</translation>
    </message>
    <message>
        <source>&amp;Import settings...</source>
        <translation>설정 가져오기(&amp;I)...</translation>
    </message>
    <message>
        <source>Export settings</source>
        <translation>설정 내보내기</translation>
    </message>
    <message>
        <source>Import settings</source>
        <translation>설정 가져오기</translation>
    </message>
    <message>
        <source>Settings profiles (*.json)</source>
        <translation>설정 프로필 (*.json)</translation>
    </message>
    <message>
        <source>Connect a module and wait until its settings are shown.</source>
        <translation>모듈을 연결하고 설정이 표시될 때까지 기다려 주세요.</translation>
    </message>
    <message>
        <source>Could not write the file: %1</source>
        <translation>파일을 쓸 수 없습니다: %1</translation>
    </message>
    <message>
        <source>Settings exported.</source>
        <translation>설정을 내보냈습니다.</translation>
    </message>
    <message>
        <source>Could not read the file: %1</source>
        <translation>파일을 읽을 수 없습니다: %1</translation>
    </message>
    <message>
        <source>This profile cannot be used:
%1</source>
        <translation>이 프로필은 사용할 수 없습니다:
%1</translation>
    </message>
    <message>
        <source>The module already holds these settings.</source>
        <translation>모듈에 이미 같은 설정이 있습니다.</translation>
    </message>
    <message>
        <source>Left out, this model does not have them: %1
</source>
        <translation>이 모델에 없는 항목은 제외합니다: %1
</translation>
    </message>
    <message>
        <source>These settings will change:

%1
Write them to the module?</source>
        <translation>다음 설정이 바뀝니다:

%1
모듈에 기록하시겠습니까?</translation>
    </message>
    <message>
        <source>Completed importing settings.</source>
        <translation>설정 가져오기를 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed importing settings: %1</source>
        <translation>설정 가져오기를 실패하였습니다: %1</translation>
    </message>
    <message>
        <source>Failed exporting settings: %1</source>
        <translation>설정 내보내기를 실패하였습니다: %1</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>Device name</source>
        <translation>디바이스 이름</translation>
    </message>
    <message>
        <source>Advertising interval</source>
        <translation>Advertising 간격</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>패리티</translation>
    </message>
    <message>
        <source>Stop bits</source>
        <translation>정지 비트</translation>
    </message>
    <message>
        <source>Flow control</source>
        <translation>흐름 제어</translation>
    </message>
    <message>
        <source>Slot %1</source>
        <translation>슬롯 %1</translation>
    </message>
    <message>
        <source>Beacon source</source>
        <translation>비콘 소스</translation>
    </message>
    <message>
        <source>Beacon data</source>
        <translation>비콘 데이터</translation>
    </message>
</context>
</TS>
