<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>PortList</name>
    <message>
        <source>Find module</source>
        <translation>모듈 찾기</translation>
    </message>
    <message>
        <source>Reconnect automatically</source>
        <translation>자동으로 다시 연결</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>일련번호 %1</translation>
    </message>
    <message>
        <source>No permission to open this port.</source>
        <translation>이 포트를 열 권한이 없습니다.</translation>
    </message>
    <message>
        <source>No permission: join the group "%1" (sudo usermod -aG %1 $USER) and log in again.</source>
        <translation>권한 없음: "%1" 그룹에 가입(sudo usermod -aG %1 $USER)한 뒤 다시 로그인하세요.</translation>
    </message>
    <message>
        <source>%1 answered</source>
        <translation>%1 응답</translation>
    </message>
    <message>
        <source>Unsupported device: %1</source>
        <translation>지원하지 않는 장치: %1</translation>
    </message>
    <message>
        <source>No module answered</source>
        <translation>응답한 모듈 없음</translation>
    </message>
    <message>
        <source>In use by another program</source>
        <translation>다른 프로그램이 사용 중</translation>
    </message>
    <message>
        <source>Cannot be opened: %1</source>
        <translation>열 수 없음: %1</translation>
    </message>
    <message>
        <source>No serial port found. Check that the module's cable is plugged in; its port appears here within a second.</source>
        <translation>시리얼 포트가 없습니다. 모듈의 케이블이 연결되어 있는지 확인해 주세요. 연결하면 1초 안에 여기에 나타납니다.</translation>
    </message>
    <message>
        <source>Looking for the module...</source>
        <translation>모듈을 찾는 중...</translation>
    </message>
    <message>
        <source>No module answered. Is the dial on 'Set' and the module powered?</source>
        <translation>응답한 모듈이 없습니다. 다이얼이 'Set'에 있고 모듈에 전원이 들어와 있는지 확인해 주세요.</translation>
    </message>
    <message>
        <source>Waiting for the module on %1</source>
        <translation>%1에서 모듈을 기다리는 중</translation>
    </message>
    <message>
        <source>Waiting for the module on %1 (last try: %2)</source>
        <translation>%1에서 모듈을 기다리는 중 (마지막 시도: %2)</translation>
    </message>
    <message>
        <source>in use by another program</source>
        <translation>다른 프로그램이 사용 중</translation>
    </message>
    <message>
        <source>no permission</source>
        <translation>권한 없음</translation>
    </message>
    <message>
        <source>no module answered</source>
        <translation>응답한 모듈 없음</translation>
    </message>
    <message>
        <source>another kind of device answered</source>
        <translation>다른 종류의 장치가 응답함</translation>
    </message>
    <message>
        <source>the port went away again</source>
        <translation>포트가 다시 사라짐</translation>
    </message>
    <message>
        <source>Not a device</source>
        <translation>장치가 아닙니다</translation>
    </message>
    <message>
        <source>Not a serial port</source>
        <translation>시리얼 포트가 아닙니다</translation>
    </message>
    <message>
        <source>This is the terminal the program runs in</source>
        <translation>이 프로그램이 실행 중인 터미널입니다</translation>
    </message>
    <message>
        <source>The terminal of another program's session</source>
        <translation>다른 프로그램 세션의 터미널입니다</translation>
    </message>
    <message>
        <source>Port details</source>
        <translation>포트 정보</translation>
    </message>
    <message>
        <source>The chosen port&apos;s device, its USB description and what Find module found on it.</source>
        <translation>선택한 포트의 장치, USB 설명, 모듈 찾기 결과.</translation>
    </message>
    <message>
        <source>Baud rate dial set to &apos;Set&apos;</source>
        <translation>통신속도 다이얼을 &apos;Set&apos;으로 설정</translation>
    </message>
</context>
</TS>
