<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>ScanMonitor</name>
    <message>
        <source>Scan &amp;monitor</source>
        <translation>검색 모니터(&amp;M)</translation>
    </message>
    <message>
        <source>Scan monitor</source>
        <translation>검색 모니터</translation>
    </message>
    <message>
        <source>Filter by address or name</source>
        <translation>주소 또는 이름으로 필터</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>필터</translation>
    </message>
    <message>
        <source>&amp;Hide devices not seen for</source>
        <translation>다음 시간 동안 보이지 않은 장치 숨기기(&amp;H)</translation>
    </message>
    <message>
        <source> s</source>
        <translation>초</translation>
    </message>
    <message>
        <source>Export &amp;table...</source>
        <translation>표 내보내기(&amp;T)...</translation>
    </message>
    <message>
        <source>Export &amp;reports...</source>
        <translation>보고 내보내기(&amp;R)...</translation>
    </message>
    <message>
        <source>Export table</source>
        <translation>표 내보내기</translation>
    </message>
    <message>
        <source>Export reports</source>
        <translation>보고 내보내기</translation>
    </message>
    <message>
        <source>&amp;Assign to slot</source>
        <translation>슬롯에 할당(&amp;A)</translation>
    </message>
    <message>
        <source>RSSI over time</source>
        <translation>시간에 따른 RSSI</translation>
    </message>
    <message>
        <source>%1 of %2 devices shown, %3 reports</source>
        <translation>장치 %2개 중 %1개 표시, 보고 %3개</translation>
    </message>
    <message>
        <source>the plot shows %1 of the %2 selected devices</source>
        <translation>그래프는 선택한 장치 %2개 중 %1개를 표시합니다</translation>
    </message>
    <message>
        <source>statistics of %1 least recently seen devices (%2 reports) dropped: at most %3 devices are kept</source>
        <translation>가장 오래전에 본 장치 %1개(보고 %2개)의 통계를 버렸습니다: 장치는 최대 %3개까지 보관됩니다</translation>
    </message>
    <message>
        <source>%1 reports not recorded: they came faster than the window could take them</source>
        <translation>보고 %1개를 기록하지 못했습니다: 창이 받아들일 수 있는 것보다 빨리 들어왔습니다</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV 파일 (*.csv);;모든 파일 (*)</translation>
    </message>
    <message>
        <source>Cannot write the file %1: %2</source>
        <translation>파일 %1에 쓸 수 없습니다: %2</translation>
    </message>
    <message>
        <source>Every slot row holds a device. Empty one with &quot;X&quot; first.</source>
        <translation>모든 슬롯에 장치가 있습니다. 먼저 &quot;X&quot;로 슬롯을 비우십시오.</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>시간 (초)</translation>
    </message>
    <message>
        <source>RSSI (dBm)</source>
        <translation>RSSI (dBm)</translation>
    </message>
    <message>
        <source>Select devices in the table to plot their RSSI.</source>
        <translation>표에서 장치를 선택하면 RSSI 그래프가 그려집니다.</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>주소</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>이름</translation>
    </message>
    <message>
        <source>Hits</source>
        <translation>횟수</translation>
    </message>
    <message>
        <source>First RSSI</source>
        <translation>처음 RSSI</translation>
    </message>
    <message>
        <source>Last RSSI</source>
        <translation>마지막 RSSI</translation>
    </message>
    <message>
        <source>Min RSSI</source>
        <translation>최소 RSSI</translation>
    </message>
    <message>
        <source>Max RSSI</source>
        <translation>최대 RSSI</translation>
    </message>
    <message>
        <source>Mean RSSI</source>
        <translation>평균 RSSI</translation>
    </message>
    <message>
        <source>First seen (s)</source>
        <translation>처음 발견 (초)</translation>
    </message>
    <message>
        <source>Last seen (s)</source>
        <translation>마지막 발견 (초)</translation>
    </message>
    <message numerus="yes">
        <source>: %n reports plotted, latest %1 dBm at %2 s</source>
        <translation>
            <numerusform>: 보고 %n건 표시, 최근 %1 dBm, %2초</numerusform>
        </translation>
    </message>
    <message>
        <source>Devices seen in the scan</source>
        <translation>검색에서 본 장치</translation>
    </message>
    <message>
        <source>One row per device with its report count and RSSI statistics; the selected devices are plotted below.</source>
        <translation>장치마다 한 줄: 보고 수와 RSSI 통계. 선택한 장치는 아래 그래프에 그려집니다.</translation>
    </message>
    <message>
        <source>Scan counts</source>
        <translation>검색 집계</translation>
    </message>
</context>
</TS>
