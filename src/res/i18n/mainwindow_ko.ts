<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>CKESTOVLV2xxManagerDlg</name>
    <message>
        <source>The list is full (%1 devices): devices seen later are not listed. The scan monitor keeps the most recently seen.</source>
        <translation>목록이 가득 찼습니다(장치 %1개): 이후에 본 장치는 목록에 넣지 않습니다. 스캔 모니터는 가장 최근에 본 장치를 보관합니다.</translation>
    </message>
    <message>
        <source>KESTOV-LV200 Manager</source>
        <translation>KESTOV-LV200 Manager</translation>
    </message>
    <message>
        <source>&amp;Menu</source>
        <translation>메뉴</translation>
    </message>
    <message>
        <source>&amp;Setup COM port</source>
        <translation>COM 포트 설정(&amp;S)</translation>
    </message>
    <message>
        <source>KESTOV-LV200 Manager I&amp;nfo.</source>
        <translation>KESTOV-LV200 Manager 정보(&amp;N)</translation>
    </message>
    <message>
        <source>[ Device Information ]</source>
        <translation>[ 장치 정보 ]</translation>
    </message>
    <message>
        <source>Module picture</source>
        <translation>모듈 사진</translation>
    </message>
    <message>
        <source>Bluetooth Address</source>
        <translation>블루투스 주소 </translation>
    </message>
    <message>
        <source>Firmware Version</source>
        <translation>펌웨어 버전</translation>
    </message>
    <message>
        <source>Dev. Name</source>
        <translation>장치 이름</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>장치 이름</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>이름 변경</translation>
    </message>
    <message>
        <source>Change device name</source>
        <translation>장치 이름 변경</translation>
    </message>
    <message>
        <source>Adv. Interval</source>
        <translation>Advertising 간격</translation>
    </message>
    <message>
        <source>Advertising interval in milliseconds</source>
        <translation>Advertising 간격 (밀리초)</translation>
    </message>
    <message>
        <source>msec</source>
        <translation>msec</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>Save advertising interval</source>
        <translation>Advertising 간격 저장</translation>
    </message>
    <message>
        <source>Refresh Info.</source>
        <translation>정보 갱신</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>장치 재시작</translation>
    </message>
    <message>
        <source>Factory Reset</source>
        <translation>공장 초기화</translation>
    </message>
    <message>
        <source>[ UART Options ]</source>
        <translation>[ UART 선택 사항 ]</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>Stopbit</source>
        <translation>Stopbit</translation>
    </message>
    <message>
        <source>H/W flow control</source>
        <translation>H/W flow control</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>적용</translation>
    </message>
    <message>
        <source>Apply UART options</source>
        <translation>UART 옵션 적용</translation>
    </message>
    <message>
        <source>[ Register Device (Master Function) ]</source>
        <translation>[ 장치 등록 (Master 기능) ]</translation>
    </message>
    <message>
        <source>Device Scan</source>
        <translation>장치 검색</translation>
    </message>
    <message>
        <source>Registered Device List</source>
        <translation>등록 장치 목록</translation>
    </message>
    <message>
        <source>Name filter</source>
        <translation>장치명 필터</translation>
    </message>
    <message>
        <source>Name filter text</source>
        <translation>장치명 필터 값</translation>
    </message>
    <message>
        <source>RSSI Filter</source>
        <translation>RSSI 필터</translation>
    </message>
    <message>
        <source>RSSI threshold</source>
        <translation>RSSI 필터 값</translation>
    </message>
    <message>
        <source>Scan or stop scanning</source>
        <translation>장치 검색 시작 또는 중지</translation>
    </message>
    <message>
        <source>Scanned devices</source>
        <translation>검색된 장치</translation>
    </message>
    <message>
        <source>Bluetooth address</source>
        <translation>블루투스 주소</translation>
    </message>
    <message>
        <source>Copy the selected device to slot %1</source>
        <translation>선택한 장치를 슬롯 %1에 복사</translation>
    </message>
    <message>
        <source>Slot %1 Bluetooth address</source>
        <translation>슬롯 %1 블루투스 주소</translation>
    </message>
    <message>
        <source>Slot %1 tag</source>
        <translation>슬롯 %1 태그</translation>
    </message>
    <message>
        <source>Clear slot %1</source>
        <translation>슬롯 %1 지우기</translation>
    </message>
    <message>
        <source>Save registered devices</source>
        <translation>등록 장치 저장</translation>
    </message>
    <message>
        <source>[ Beacon data settings (Slave function) ]</source>
        <translation>[ 비콘 데이터 설정 (Slave 기능) ]</translation>
    </message>
    <message>
        <source>Final Serial Data(Will use the data input from UART, Max. 26 octets)</source>
        <translation>최종 시리얼 데이터(최대 26byte로 UART로 입력된 데이터가 자동 송출)</translation>
    </message>
    <message>
        <source>User assigned data(Max. 26 octets, UTF-8 encoding for the case of string)</source>
        <translation>사용자 지정 데이터 설정(최대 26byte, 문자열은 UTF-8 형식)</translation>
    </message>
    <message>
        <source>Hexadecimal</source>
        <translation>16진수 형식</translation>
    </message>
    <message>
        <source>Beacon data, hexadecimal</source>
        <translation>비콘 데이터 (16진수)</translation>
    </message>
    <message>
        <source>String</source>
        <translation>문자열 형식</translation>
    </message>
    <message>
        <source>Beacon data, text</source>
        <translation>비콘 데이터 (문자열)</translation>
    </message>
    <message>
        <source>Save beacon settings</source>
        <translation>비콘 설정 저장</translation>
    </message>
    <message>
        <source>Link status</source>
        <translation>연결 상태</translation>
    </message>
    <message>
        <source>Program version</source>
        <translation>프로그램 버전</translation>
    </message>
    <message>
        <source>To use this port, add your user to the group &quot;%1&quot; (sudo usermod -aG %1 $USER), then log out and in again.</source>
        <translation>이 포트를 사용하려면 사용자를 &quot;%1&quot; 그룹에 추가한 뒤(sudo usermod -aG %1 $USER) 다시 로그인하세요.</translation>
    </message>
</context>
</TS>
