<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>Program</name>
    <message>
        <source>Show this help and exit.</source>
        <translation>이 도움말을 보이고 끝냅니다.</translation>
    </message>
    <message>
        <source>Show the program&apos;s version and exit.</source>
        <translation>프로그램 버전을 보이고 끝냅니다.</translation>
    </message>
    <message>
        <source>Append the wire traffic of every session to FILE.</source>
        <translation>모든 세션의 통신 내용을 FILE에 덧붙여 기록합니다.</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>Run against a simulated module (LV200, LV210, LV220, LV230 or any model text).</source>
        <translation>모의 모듈로 실행합니다 (LV200, LV210, LV220, LV230 또는 임의의 모델 이름).</translation>
    </message>
    <message>
        <source>With --demo: the model the simulated module reports.</source>
        <translation>--demo와 함께: 모의 모듈이 알리는 모델.</translation>
    </message>
    <message>
        <source>Try &quot;kestov-lv200-manager --help&quot;.</source>
        <translation>&quot;kestov-lv200-manager --help&quot;를 실행해 보세요.</translation>
    </message>
    <message>
        <source>Usage: kestov-lv200-manager [--traffic-log FILE] [--demo [MODEL]]</source>
        <translation>사용법: kestov-lv200-manager [--traffic-log FILE] [--demo [MODEL]]</translation>
    </message>
    <message>
        <source>Configures KESTOV LV200-series Bluetooth LE serial modules over a serial port.</source>
        <translation>시리얼 포트로 KESTOV LV200 시리즈 블루투스 LE 시리얼 모듈을 설정합니다.</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>옵션:</translation>
    </message>
    <message>
        <source>The toolkit&apos;s display options (-platform, -style, -reverse, ...) are passed on.</source>
        <translation>툴킷의 화면 옵션(-platform, -style, -reverse, ...)은 그대로 전달됩니다.</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>예상하지 못한 인수: %1</translation>
    </message>
    <message>
        <source>--traffic-log needs a file</source>
        <translation>--traffic-log에는 파일이 필요합니다</translation>
    </message>
    <message>
        <source>No display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set. Start the program from a desktop session.</source>
        <translation>창을 표시할 디스플레이가 없습니다: DISPLAY와 WAYLAND_DISPLAY가 모두 설정되어 있지 않습니다. 데스크톱 세션에서 프로그램을 시작하세요.</translation>
    </message>
    <message>
        <source>The window cannot be shown: the display &quot;%1&quot; could not be used (see the lines above). Start the program from a desktop session.</source>
        <translation>창을 표시할 수 없습니다: 디스플레이 &quot;%1&quot;을(를) 사용할 수 없습니다(위의 메시지 참조). 데스크톱 세션에서 프로그램을 시작하세요.</translation>
    </message>
    <message>
        <source>Simulated module</source>
        <translation>모의 모듈</translation>
    </message>
</context>
</TS>
