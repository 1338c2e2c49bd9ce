// Port dialog: sorting, remembering, writing at once, the fixed line setting,
// typed device paths, the instruction in both languages.
#include "shell_fixture.h"

#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/controls/gdiplus_img_ctrl.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>

#include <pty.h>
#include <unistd.h>

namespace {

// A pseudo-terminal such as the simulator makes.
struct Pty {
    Pty() {
        char name[128] = {};
        EXPECT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = QString::fromLatin1(name);
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
    int master = -1, slave = -1;
    QString path;
};

// Plain port names as the system would list them, without descriptions.
class NamedPorts : public PortListSource {
public:
    explicit NamedPorts(const std::vector<const char*>& names) : m_names(names) {}
    std::vector<SerialPortEntry> Ports() override {
        std::vector<SerialPortEntry> ports;
        for (const char* name : m_names) {
            SerialPortEntry e;
            e.path = name;
            ports.push_back(e);
        }
        return ports;
    }
    bool MayOpen(const std::string&, std::string&) override { return true; }

private:
    const std::vector<const char*>& m_names;
};

class PortDialog : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        PortListSource::Install(&source);
    }
    static QStringList Items(const ComConfigDlg& dlg) {
        QStringList items;
        for (int i = 0; i < PortCombo(dlg)->count(); ++i) items << PortCombo(dlg)->itemText(i);
        return items;
    }
    static QString Remembered() {
        return SettingsStore::GetProfileString(SettingsStore::kComPort, QStringLiteral("<none>"));
    }
    std::vector<const char*> ports;
    NamedPorts source{ports};
};

TEST_F(PortDialog, ListIsSortedWithoutCaseAndHoldsEachPortOnce) {
    ports = {"COM2", "COM10", "com3", "COM1", "COM2", "/dev/ttyUSB0"};
    ComConfigDlg dlg;
    Run(dlg, [](ComConfigDlg&) { return int(QDialog::Rejected); });
    EXPECT_EQ(Items(dlg), (QStringList{"/dev/ttyUSB0", "COM1", "COM10", "COM2", "com3"}));
}

TEST_F(PortDialog, RememberedPortIsPreselectedOnlyOnAnExactMatch) {
    const struct {
        const char* remembered;
        const char* selected;
    } cases[] = {
        {"COM2", "COM2"},
        {"com2", "COM1"},   // case differs: the first port stands in
        {"COM7", "COM1"},   // gone: the first port stands in
        {nullptr, "COM1"},  // nothing remembered: default COM1
    };
    ports = {"COM2", "COM1", "COM3"};
    for (const auto& c : cases) {
        SettingsStore::UseFile(dir.filePath(QStringLiteral("s%1.ini").arg(c.selected) +
                                            QString::fromLatin1(c.remembered ? c.remembered : "-")));
        if (c.remembered) SettingsStore::WriteProfileString(SettingsStore::kComPort, QString::fromLatin1(c.remembered));
        ComConfigDlg dlg;
        Run(dlg, [](ComConfigDlg&) { return int(QDialog::Rejected); });
        EXPECT_EQ(PortCombo(dlg)->currentText(), QString::fromLatin1(c.selected)) << c.remembered;
        // The stand-in is not written until the user chooses.
        if (c.remembered) {
            EXPECT_EQ(Remembered(), QString::fromLatin1(c.remembered));
        }
        EXPECT_EQ(OkAnswer(dlg), QString::fromLatin1(c.selected)) << c.remembered;
    }
}

TEST_F(PortDialog, SelectionIsWrittenAtOnceEvenWhenCancelled) {
    ports = {"COM1", "COM4", "COM9"};
    ComConfigDlg dlg;
    const std::optional<PortSettings> result = Run(dlg, [](ComConfigDlg& d) {
        d.SelectPort(PortCombo(d)->findText(QStringLiteral("COM9")));
        EXPECT_EQ(Remembered(), QStringLiteral("COM9"));
        d.reject();
        return d.result();
    });
    EXPECT_FALSE(result) << "Cancel answers no port";
    EXPECT_EQ(Remembered(), QStringLiteral("COM9"));

    // The next showing starts on the remembered port.
    ComConfigDlg again;
    Run(again, [](ComConfigDlg&) { return int(QDialog::Rejected); });
    EXPECT_EQ(PortCombo(again)->currentText(), QStringLiteral("COM9"));
    EXPECT_EQ(OkAnswer(again), QStringLiteral("COM9"));
}

TEST_F(PortDialog, OkTakesTheChoiceAndTheLineSettingIsAlwaysReset) {
    ports = {"COM1", "COM4"};
    ComConfigDlg dlg;
    const std::optional<PortSettings> result = Run(dlg, [](ComConfigDlg& d) {
        PortCombo(d)->setCurrentIndex(1);
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->m_portName, u"COM4");
    EXPECT_EQ(Remembered(), QStringLiteral("COM4"));
    // Not the record's defaults (9600 baud): the module's setting.
    EXPECT_EQ(result->m_baudRate, 115200u);
    EXPECT_EQ(result->m_parity, 0);
    EXPECT_EQ(result->m_stopBits, 0);
}

TEST_F(PortDialog, NoPortsLeavesTheNameEmptyAndOkWritesNothing) {
    ComConfigDlg dlg;
    const std::optional<PortSettings> result = Run(dlg, [](ComConfigDlg& d) {
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->m_portName.empty());
    EXPECT_EQ(Remembered(), QStringLiteral("<none>"));
}

TEST_F(PortDialog, TypedDevicePathCountsAsTheChoice) {
    ports = {"/dev/ttyS0"};
    ComConfigDlg dlg;
    const std::optional<PortSettings> typed = Run(dlg, [](ComConfigDlg& d) {
        PortCombo(d)->lineEdit()->setText(QStringLiteral("/dev/pts/7"));
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->m_portName, u"/dev/pts/7");
    EXPECT_EQ(Remembered(), QStringLiteral("/dev/pts/7"));

    // A remembered terminal that exists stays selectable although the system
    // does not list it: the simulator's pseudo-terminal.
    Pty pty;
    SettingsStore::WriteProfileString(SettingsStore::kComPort, pty.path);
    ComConfigDlg again;
    Run(again, [](ComConfigDlg&) { return int(QDialog::Rejected); });
    EXPECT_EQ(Items(again), (QStringList{pty.path, "/dev/ttyS0"}));
    EXPECT_EQ(OkAnswer(again), pty.path);
}

// Only a serial line is offered: not a file reached through /dev/.., not a
// device that is no terminal, not the controlling-terminal alias.
TEST_F(PortDialog, RememberedPathThatIsNoSerialLineIsNotOffered) {
    ports = {"/dev/ttyS0"};
    for (const char* remembered : {"/dev/../etc/passwd", "/dev/null", "/dev/tty", "/dev/ptmx"}) {
        SettingsStore::WriteProfileString(SettingsStore::kComPort, QString::fromLatin1(remembered));
        ComConfigDlg dlg;
        Run(dlg, [](ComConfigDlg&) { return int(QDialog::Rejected); });
        EXPECT_EQ(Items(dlg), QStringList{"/dev/ttyS0"}) << remembered;
        EXPECT_EQ(OkAnswer(dlg), QStringLiteral("/dev/ttyS0")) << remembered;
    }
    // Typed, it is refused with the reason before Ok.
    ComConfigDlg dlg;
    Run(dlg, [](ComConfigDlg& d) {
        PortCombo(d)->lineEdit()->setText(QStringLiteral("/dev/null"));
        emit PortCombo(d)->lineEdit()->editingFinished();
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("portInfo"))->text(), QStringLiteral("Not a serial port"));
        return int(QDialog::Rejected);
    });
}

TEST_F(PortDialog, OpeningTheListReadsThePortsAgainAndKeepsTheChoice) {
    ports = {"COM1", "COM5"};
    ComConfigDlg dlg;
    Run(dlg, [this](ComConfigDlg& d) {
        d.SelectPort(1);  // COM5
        ports = {"COM5", "COM1", "COM12"};
        PortCombo(d)->showPopup();
        PortCombo(d)->hidePopup();
        EXPECT_EQ(Items(d), (QStringList{"COM1", "COM12", "COM5"}));
        EXPECT_EQ(PortCombo(d)->currentText(), QStringLiteral("COM5"));
        return int(QDialog::Rejected);
    });
}

TEST_F(PortDialog, InstructionAndCaptionsInBothLanguages) {
    ports = {"COM1"};
    const struct {
        int korean;
        const char* instruction;
        const char* caption;
        const char* ok;
        const char* cancel;
    } cases[] = {
        {0, "Place baud rate dial to 'Set'", "Select COM port for communication", "Ok", "Cancel"},
        {1, "통신속도 다이얼을 'Set'으로 설정해 주세요", "KESTOV-LV200과의 통신 설정", "확인", "취소"},
    };
    for (const auto& c : cases) {
        SetKoreanUiOverride(c.korean);
        ComConfigDlg dlg;
        Run(dlg, [](ComConfigDlg&) { return int(QDialog::Rejected); });
        // Twice: the second showing must not append a second instruction.
        Run(dlg, [](ComConfigDlg&) { return int(QDialog::Rejected); });
        const QString text = QString::fromUtf8(c.instruction);
        EXPECT_EQ(Instruction(dlg)->toPlainText(), text);
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(c.caption));
        QStringList buttons;
        for (auto* b : dlg.findChildren<QPushButton*>()) buttons << b->text();
        EXPECT_TRUE(buttons.contains(QString::fromUtf8(c.ok)));
        EXPECT_TRUE(buttons.contains(QString::fromUtf8(c.cancel)));

        // Only the mark is bold and blue.
        const int mark = static_cast<int>(text.indexOf(QStringLiteral("'Set'")));
        QTextCursor cur(Instruction(dlg)->document());
        for (int i = 1; i <= text.size(); ++i) {
            cur.setPosition(i);
            const bool inMark = i > mark && i <= mark + 5;
            EXPECT_EQ(cur.charFormat().fontWeight() == QFont::Bold, inMark) << c.korean << " at " << i;
            EXPECT_EQ(cur.charFormat().foreground().color() == QColor(0, 0, 255), inMark) << i;
        }
        EXPECT_FALSE(DialPicture(dlg)->Picture().isNull());
    }
}

using SystemPorts = ShellTest;

// The system's own list (no source installed): device paths, each once.
TEST_F(SystemPorts, AreListedAsDevicePathsOnce) {
    ComConfigDlg dlg;
    Run(dlg, [](ComConfigDlg&) { return int(QDialog::Rejected); });
    QStringList items;
    for (int i = 0; i < PortCombo(dlg)->count(); ++i) items << PortCombo(dlg)->itemText(i);
    for (const QString& item : items) EXPECT_TRUE(item.startsWith(QStringLiteral("/dev/"))) << item.toStdString();
    EXPECT_EQ(items.removeDuplicates(), 0);
}

}  // namespace
