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
        <source>Take the connected module as the profile</source>
        <translation>연결된 모듈을 프로필로 사용</translation>
    </message>
    <message>
        <source>This profile was made for a %1; this module is a %2.
</source>
        <translation>이 프로필은 %1용으로 만들어졌습니다. 이 모듈은 %2입니다.
</translation>
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
    <message>
        <source>Slot list, entry %1</source>
        <translation>슬롯 목록, %1번째 항목</translation>
    </message>
    <message>
        <source>UART options</source>
        <translation>UART 옵션</translation>
    </message>
    <message>
        <source>Beacon</source>
        <translation>비콘</translation>
    </message>
    <message>
        <source>Slot list</source>
        <translation>슬롯 목록</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>모델</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>프로필</translation>
    </message>
    <message>
        <source>User assigned data</source>
        <translation>사용자 지정 데이터</translation>
    </message>
    <message>
        <source>Final serial data</source>
        <translation>최종 시리얼 데이터</translation>
    </message>
    <message>
        <source>(empty)</source>
        <translation>(비어 있음)</translation>
    </message>
    <message>
        <source>The file is larger than %1 KiB.</source>
        <translation>파일이 %1 KiB보다 큽니다.</translation>
    </message>
    <message>
        <source>The file is not valid JSON (at byte %1).</source>
        <translation>올바른 JSON 파일이 아닙니다(%1번째 바이트).</translation>
    </message>
    <message>
        <source>The file holds no JSON object.</source>
        <translation>파일에 JSON 객체가 없습니다.</translation>
    </message>
    <message>
        <source>%1: expected a JSON object.</source>
        <translation>%1: JSON 객체여야 합니다.</translation>
    </message>
    <message>
        <source>The file is not a settings profile.</source>
        <translation>설정 프로필 파일이 아닙니다.</translation>
    </message>
    <message>
        <source>The profile does not say its version.</source>
        <translation>프로필에 버전이 없습니다.</translation>
    </message>
    <message>
        <source>Profile version %1 is not supported; this program reads version %2.</source>
        <translation>프로필 버전 %1은(는) 지원하지 않습니다. 이 프로그램은 버전 %2의 프로필을 읽습니다.</translation>
    </message>
    <message>
        <source>%1: unknown key &quot;%2&quot;.</source>
        <translation>%1: 알 수 없는 키 &quot;%2&quot;입니다.</translation>
    </message>
    <message>
        <source>The model &quot;%1&quot; is not supported.</source>
        <translation>모델 &quot;%1&quot;은(는) 지원하지 않습니다.</translation>
    </message>
    <message>
        <source>%1: expected text.</source>
        <translation>%1: 문자열이어야 합니다.</translation>
    </message>
    <message>
        <source>%1: expected a whole number from %2 to %3.</source>
        <translation>%1: %2부터 %3까지의 정수여야 합니다.</translation>
    </message>
    <message>
        <source>%1: expected true or false.</source>
        <translation>%1: true 또는 false여야 합니다.</translation>
    </message>
    <message>
        <source>The slot list must be a list of at most %1 slots.</source>
        <translation>슬롯 목록은 최대 %1개 슬롯의 목록이어야 합니다.</translation>
    </message>
    <message>
        <source>%1: needs &quot;slot&quot; and &quot;address&quot;.</source>
        <translation>%1: &quot;slot&quot;과 &quot;address&quot;가 필요합니다.</translation>
    </message>
    <message>
        <source>Slot %1 appears twice.</source>
        <translation>슬롯 %1이(가) 두 번 나옵니다.</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not a value this setting takes.</source>
        <translation>%1: &quot;%2&quot;은(는) 이 설정에 쓸 수 없는 값입니다.</translation>
    </message>
    <message>
        <source>The profile cannot be read.</source>
        <translation>프로필을 읽을 수 없습니다.</translation>
    </message>
    <message>
        <source>the link to the module closed</source>
        <translation>모듈과의 연결이 닫혔습니다</translation>
    </message>
    <message>
        <source>%1: no answer from the module in time</source>
        <translation>%1: 모듈이 제시간에 응답하지 않았습니다</translation>
    </message>
    <message>
        <source>%1: the module refused it</source>
        <translation>%1: 모듈이 거부하였습니다</translation>
    </message>
    <message>
        <source>%1: an answer from the module that cannot be used</source>
        <translation>%1: 모듈의 응답을 사용할 수 없습니다</translation>
    </message>
    <message>
        <source>%1: a value was refused before it was sent</source>
        <translation>%1: 값이 보내기 전에 거부되었습니다</translation>
    </message>
    <message>
        <source>The module now answers as %1, not as the %2 whose settings were compared. Nothing was written.</source>
        <translation>모듈이 이제 %1(으)로 응답합니다. 설정을 비교한 %2이(가) 아닙니다. 아무것도 기록하지 않았습니다.</translation>
    </message>
    <message>
        <source>%1 reads back as &quot;%2&quot;.</source>
        <translation>%1: 다시 읽은 값이 &quot;%2&quot;입니다.</translation>
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
