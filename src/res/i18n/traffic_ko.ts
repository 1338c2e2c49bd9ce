<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>CKESTOVLV2xxManagerDlg</name>
    <message>
        <source>&amp;Traffic</source>
        <translation>통신 내용(&amp;T)</translation>
    </message>
</context>
<context>
    <name>TrafficWindow</name>
    <message>
        <source>sent</source>
        <translation>보냄</translation>
    </message>
    <message>
        <source>received</source>
        <translation>받음</translation>
    </message>
    <message>
        <source>Time (ms)</source>
        <translation>시간 (ms)</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>방향</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>내용</translation>
    </message>
    <message>
        <source>Routing</source>
        <translation>처리</translation>
    </message>
    <message>
        <source>Traffic</source>
        <translation>통신 내용</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>일시 정지(&amp;P)</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>지우기(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Filter:</source>
        <translation>필터(&amp;F):</translation>
    </message>
    <message>
        <source>&amp;Hide scan reports</source>
        <translation>스캔 보고 숨기기(&amp;H)</translation>
    </message>
    <message>
        <source>Lo&amp;g to file</source>
        <translation>파일에 기록(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;Save as...</source>
        <translation>다른 이름으로 저장(&amp;S)...</translation>
    </message>
    <message>
        <source>Se&amp;nd</source>
        <translation>보내기(&amp;N)</translation>
    </message>
    <message>
        <source>AT command, sent with CR</source>
        <translation>AT 명령 (CR을 붙여 보냄)</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>명령</translation>
    </message>
    <message>
        <source>Appends every line to %1 from the moment the port opens.</source>
        <translation>포트를 여는 순간부터 모든 줄을 %1 에 덧붙여 기록합니다.</translation>
    </message>
    <message>
        <source>%1 shown, %2 kept, %3 dropped (the newest %4 are kept)</source>
        <translation>%1줄 표시, %2줄 보관, %3줄 버림 (최근 %4줄 보관)</translation>
    </message>
    <message>
        <source>%1 dropped while the view was closed (the newest %2 are kept then)</source>
        <translation>보기가 닫혀 있는 동안 %1줄 버림 (그동안은 최근 %2줄 보관)</translation>
    </message>
    <message>
        <source>paused, %1 new</source>
        <translation>일시 정지됨, 새 줄 %1개</translation>
    </message>
    <message>
        <source>%1: the link closed before a reply.</source>
        <translation>%1: 응답 전에 연결이 닫혔습니다.</translation>
    </message>
    <message>
        <source>Not sent: the command holds a control character.</source>
        <translation>보내지 않음: 명령에 제어 문자가 있습니다.</translation>
    </message>
    <message>
        <source>Not sent: the command is longer than %1 bytes.</source>
        <translation>보내지 않음: 명령이 %1바이트보다 깁니다.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; restarts the module or changes its serial settings; the manager identifies it again afterwards. Send it?</source>
        <translation>&quot;%1&quot; 명령은 모듈을 다시 시작하거나 시리얼 설정을 바꿉니다. 보낸 뒤 모듈을 다시 확인합니다. 보내시겠습니까?</translation>
    </message>
    <message>
        <source>%1: waiting for the reply...</source>
        <translation>%1: 응답을 기다리는 중...</translation>
    </message>
    <message>
        <source>Save traffic as</source>
        <translation>통신 내용 저장</translation>
    </message>
    <message>
        <source>Text files (*.txt);;All files (*)</source>
        <translation>텍스트 파일 (*.txt);;모든 파일 (*)</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 에 쓸 수 없습니다: %2</translation>
    </message>
    <message numerus="yes">
        <source>%1: final reply after %n line(s).</source>
        <translation>
            <numerusform>%1: %n줄 뒤에 최종 응답.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1: no final reply within %2 ms, %n line(s).</source>
        <translation>
            <numerusform>%1: %2 ms 안에 최종 응답 없음, %n줄.</numerusform>
        </translation>
    </message>
    <message>
        <source>Command result</source>
        <translation>명령 결과</translation>
    </message>
    <message>
        <source>Every line on the wire: time since the port opened, direction, text and what was done with it.</source>
        <translation>선로의 모든 줄: 포트를 연 뒤의 시간, 방향, 내용, 처리 방식.</translation>
    </message>
    <message>
        <source>Line counts</source>
        <translation>줄 수</translation>
    </message>
    <message>
        <source>Writes the lines shown to a text file.</source>
        <translation>표시된 줄을 텍스트 파일로 저장합니다.</translation>
    </message>
</context>
</TS>
