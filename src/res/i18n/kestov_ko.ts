<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>Strings</name>
    <message>
        <source>KESTOV-LV200 Manager Info....</source>
        <translation>KESTOV-LV200 Manager 정보...</translation>
    </message>
    <message>
        <source>COM port closed</source>
        <translation>COM 포트 닫힘</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>준비</translation>
    </message>
    <message>
        <source>Unable to open a COM port.</source>
        <translation>COM 포트를 열 수 없습니다.</translation>
    </message>
    <message>
        <source>This program is for the KESTOV-LV200 series only.&#xd;
Please check the product name, communication port, dial to set, etc. and try again.</source>
        <translation>이 프로그램은 KESTOV-LV200 시리즈 전용 프로그램입니다.&#xd;
제품명, 통신포트, 설정모드 다이얼 등을 확인하시고 다시 시도해주세요.</translation>
    </message>
    <message>
        <source>Error on COM port. Closing the port.</source>
        <translation>COM 포트 오류. 포트를 닫습니다.</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>검색</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>중지</translation>
    </message>
    <message>
        <source>Device name is too long.</source>
        <translation>장치 이름이 너무 깁니다.</translation>
    </message>
    <message>
        <source>No device selected in the scanned devices list.</source>
        <translation>검색 장치 목록에서 선택된 장치가 없습니다.</translation>
    </message>
    <message>
        <source>Slot %d: Invalid Bluetooth address.</source>
        <translation>Slot %d: 블루투스 주소가 잘못되었습니다.</translation>
    </message>
    <message>
        <source>Completed device name settings.</source>
        <translation>장치 이름 설정을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Invalid advertising interval value.</source>
        <translation>애드버타이징 간격 값이 잘못되어 있습니다.</translation>
    </message>
    <message>
        <source>Completed Beacon settings.</source>
        <translation>비콘 관련 설정이 완료되었습니다.</translation>
    </message>
    <message>
        <source>Failed device name settings.</source>
        <translation>장치 이름 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Failed beacon data settings</source>
        <translation>비콘 관련 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Setting advertising interval has been Completed.</source>
        <translation>애드버타이징 간격 설정이 완료되었습니다.</translation>
    </message>
    <message>
        <source>Failed to save advertising interval.</source>
        <translation>애드버타이징 간격 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>The device is already assigned to a slot.</source>
        <translation>해당 장치는 이미 슬롯에 할당되어 있습니다.</translation>
    </message>
    <message>
        <source>Duplicated Bluetooth addresses are assigned to slot</source>
        <translation>Slot에 중복된 블루투스 주소 할당되어 있습니다.</translation>
    </message>
    <message>
        <source>Node (device) registration has been completed</source>
        <translation>노드(장치) 등록을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed to register node (device).</source>
        <translation>노드(장치) 등록을 실패하였습니다.</translation>
    </message>
    <message>
        <source>HW flow control: Item not selected.</source>
        <translation>HW flow control: 항목이 선택되지 않았습니다.</translation>
    </message>
    <message>
        <source>Parity: Item not selected.</source>
        <translation>Parity: 항목이 선택되지 않았습니다.</translation>
    </message>
    <message>
        <source>Stopbit: Item not selected.</source>
        <translation>Stopbit: 항목이 선택되지 않았습니다.</translation>
    </message>
    <message>
        <source>Completed UART option settings.</source>
        <translation>UART 옵션 설정을 완료하였습니다.</translation>
    </message>
    <message>
        <source>Failed UART option settings.</source>
        <translation>UART 옵션 설정을 실패하였습니다.</translation>
    </message>
    <message>
        <source>Invalid name length in Scan filter.</source>
        <translation>Scan filter의 이름 길이가 잘못되었습니다.</translation>
    </message>
    <message>
        <source>The hexadecimal string is not an even length.</source>
        <translation>16진수 문자열의 길이가 짝수가 아닙니다.</translation>
    </message>
    <message>
        <source>String is too long.</source>
        <translation>문자열의 길이가 너무 깁니다.</translation>
    </message>
    <message>
        <source>The format of the hexadecimal string is incorrect.</source>
        <translation>16진수 문자열의 형식이 잘못 되었습니다.</translation>
    </message>
    <message>
        <source>Beacon data is empty.</source>
        <translation>비콘 데이터가 비어 있습니다.</translation>
    </message>
    <message>
        <source>Invalid RSSI filter value</source>
        <translation>RSSI 필터값이 잘못되어 있습니다.</translation>
    </message>
    <message>
        <source>It seems like an unsupported device is attached. Please check the type of device you have connected and try again.</source>
        <translation>지원하지 않는 장치입니다. 연결된 장치 종류를 확인하시고 다시 시도해 주세요.</translation>
    </message>
    <message>
        <source>Reset to factory settings. Are you sure you want to continue?</source>
        <translation>공장 초기화를 실행합니다. 계속 하시겠습니까?</translation>
    </message>
    <message>
        <source>Device Address</source>
        <translation>장치 주소</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>장치 이름</translation>
    </message>
    <message>
        <source>RSSI</source>
        <translation>RSSI</translation>
    </message>
    <message>
        <source>Company and product identification, a product release number, and copyright and trademark notification.
Info.</source>
        <translation>프로그램 정보, 버전 번호 및 저작권을 표시합니다.
정보</translation>
    </message>
</context>
<context>
    <name>ComConfigDlg</name>
    <message>
        <source>Select COM port for communication</source>
        <translation>KESTOV-LV200과의 통신 설정</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>COM Port</source>
        <translation>통신 포트</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <source>KESTOV-LV200 Manager Information</source>
        <translation>KESTOV-LV200 Manager 정보</translation>
    </message>
    <message>
        <source>This program is a PC program for configuring KESTOV-LV200, LV210, LV220.</source>
        <translation>본 프로그램은 KESTOV-LV200, LV210, LV220 설정용 PC 프로그램입니다.</translation>
    </message>
</context>
</TS>
