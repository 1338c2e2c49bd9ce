<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>Files</name>
    <message>
        <source>it is a FIFO, not a regular file</source>
        <translation>일반 파일이 아니라 FIFO입니다</translation>
    </message>
    <message>
        <source>it is a folder, not a regular file</source>
        <translation>일반 파일이 아니라 폴더입니다</translation>
    </message>
    <message>
        <source>it is a device, not a regular file</source>
        <translation>일반 파일이 아니라 장치입니다</translation>
    </message>
    <message>
        <source>it is a socket, not a regular file</source>
        <translation>일반 파일이 아니라 소켓입니다</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>일반 파일이 아닙니다</translation>
    </message>
    <message>
        <source>the file is too large</source>
        <translation>파일이 너무 큽니다</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>The settings file %1 cannot be read: %2
The settings of this session will not be saved.</source>
        <translation>설정 파일 %1 을(를) 읽을 수 없습니다: %2
이번 실행의 설정은 저장되지 않습니다.</translation>
    </message>
    <message>
        <source>The settings cannot be saved in %1: %2
The settings of this session will not be saved.</source>
        <translation>설정을 %1 에 저장할 수 없습니다: %2
이번 실행의 설정은 저장되지 않습니다.</translation>
    </message>
    <message>
        <source>The settings file %1 cannot be read as settings.
The settings of this session will not be saved.</source>
        <translation>설정 파일 %1 을(를) 설정으로 읽을 수 없습니다.
이번 실행의 설정은 저장되지 않습니다.</translation>
    </message>
</context>
<context>
    <name>TrafficSession</name>
    <message>
        <source>Cannot write the traffic log %1: %2
Logging to file is off.</source>
        <translation>통신 기록 파일 %1 에 쓸 수 없습니다: %2
파일에 기록하지 않습니다.</translation>
    </message>
    <message>
        <source>Writing the traffic log %1 failed: %2
Logging to file is off.</source>
        <translation>통신 기록 파일 %1 에 쓰지 못했습니다: %2
파일 기록을 껐습니다.</translation>
    </message>
    <message>
        <source>Logging to file was turned off in the last session: writing the traffic log %1 failed: %2</source>
        <translation>지난 실행에서 파일 기록이 꺼졌습니다. 통신 기록 파일 %1 에 쓰지 못했습니다: %2</translation>
    </message>
</context>
</TS>
