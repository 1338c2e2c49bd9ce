<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>Station</name>
    <message><source>&amp;Provisioning station...</source><translation>프로비저닝 스테이션(&amp;P)...</translation></message>
    <message><source>Provisioning station</source><translation>프로비저닝 스테이션</translation></message>
    <message><source>Browse...</source><translation>찾아보기...</translation></message>
    <message><source>Settings profiles (*.json)</source><translation>설정 프로필 (*.json)</translation></message>
    <message><source>&amp;Profile:</source><translation>프로필(&amp;P):</translation></message>
    <message><source>&amp;Name template:</source><translation>이름 템플릿(&amp;N):</translation></message>
    <message><source>e.g. KST-{addr4} or node-{seq:03}</source><translation>예: KST-{addr4} 또는 node-{seq:03}</translation></message>
    <message><source>Module &amp;table:</source><translation>모듈 표(&amp;T):</translation></message>
    <message><source>CSV files (*.csv)</source><translation>CSV 파일 (*.csv)</translation></message>
    <message><source>&amp;Refuse modules the table lacks</source><translation>표에 없는 모듈 거부(&amp;R)</translation></message>
    <message><source>&amp;Record file:</source><translation>기록 파일(&amp;R):</translation></message>
    <message><source>Records (*.jsonl *.csv)</source><translation>기록 (*.jsonl *.csv)</translation></message>
    <message><source>&amp;Watch folder:</source><translation>감시 폴더(&amp;W):</translation></message>
    <message><source>empty: the system&apos;s serial ports</source><translation>비우면: 시스템의 시리얼 포트</translation></message>
    <message><source>Write modules already &amp;done again</source><translation>이미 완료된 모듈도 다시 쓰기(&amp;D)</translation></message>
    <message><source>&amp;Sound on done and failed</source><translation>완료와 실패 시 소리(&amp;S)</translation></message>
    <message><source>S&amp;tart</source><translation>시작(&amp;T)</translation></message>
    <message><source>P&amp;ause</source><translation>일시 정지(&amp;A)</translation></message>
    <message><source>Res&amp;ume</source><translation>계속(&amp;U)</translation></message>
    <message><source>St&amp;op</source><translation>중지(&amp;O)</translation></message>
    <message><source>Done</source><translation>완료</translation></message>
    <message><source>Failed</source><translation>실패</translation></message>
    <message><source>Could not read the profile: %1</source><translation>프로필을 읽을 수 없습니다: %1</translation></message>
    <message><source>This profile cannot be used:
%1</source><translation>이 프로필은 사용할 수 없습니다:
%1</translation></message>
    <message><source>The table cannot be used: %1</source><translation>표를 사용할 수 없습니다: %1</translation></message>
    <message><source>Choose a record file first.</source><translation>먼저 기록 파일을 선택하십시오.</translation></message>
    <message><source>From &amp;connected module...</source><translation>연결된 모듈에서(&amp;C)...</translation></message>
    <message><source>Profile taken from the connected module: %1</source><translation>연결된 모듈에서 프로필을 가져왔습니다: %1</translation></message>
    <message><source>Waiting for modules.</source><translation>모듈을 기다리는 중입니다.</translation></message>
    <message><source>Stopping: the modules in progress finish.</source><translation>중지하는 중: 진행 중인 모듈은 끝까지 처리합니다.</translation></message>
    <message><source>Stopped.</source><translation>중지되었습니다.</translation></message>
    <message><source>Waiting</source><translation>대기 중</translation></message>
    <message><source>Identifying</source><translation>확인 중</translation></message>
    <message><source>Writing</source><translation>쓰는 중</translation></message>
    <message><source>Verifying</source><translation>검증 중</translation></message>
    <message><source>Already done</source><translation>이미 완료</translation></message>
    <message><source>Left alone</source><translation>건드리지 않음</translation></message>
    <message><source>Gone</source><translation>분리됨</translation></message>
    <message><source>Port</source><translation>포트</translation></message>
    <message><source>State</source><translation>상태</translation></message>
    <message><source>Address</source><translation>주소</translation></message>
    <message><source>Name</source><translation>이름</translation></message>
    <message><source>Seconds</source><translation>초</translation></message>
    <message><source>Result</source><translation>결과</translation></message>
</context>
</TS>
