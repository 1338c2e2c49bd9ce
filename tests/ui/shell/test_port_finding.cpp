// Finding the module in the port dialog: descriptions and stable names,
// permission and empty-list help, ports that come and go, "Find module".
#include "shell_fixture.h"
#include "qt_wait.h"

#include "sim/kestov_sim.h"
#include "ui/shell/module_finder.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/port_list_view.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextLayout>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

class FakePorts : public PortListSource {
public:
    std::vector<SerialPortEntry> Ports() override { return ports; }
    bool MayOpen(const std::string& path, std::string& group) override {
        const auto it = denied.find(path);
        if (it == denied.end()) return true;
        group = it->second;
        return false;
    }
    std::vector<SerialPortEntry> ports;
    std::map<std::string, std::string> denied;  // path -> group to join
};

SerialPortEntry Usb(const std::string& path, const std::string& byId) {
    SerialPortEntry e;
    e.path = path;
    e.byId = byId;
    e.vendorId = "10c4";
    e.productId = "ea60";
    e.manufacturer = "Silicon Labs";
    e.product = "CP2102 USB to UART Bridge Controller";
    e.serial = "0001";
    return e;
}

SerialPortEntry Plain(const std::string& path) {
    SerialPortEntry e;
    e.path = path;
    return e;
}

using qt_test::WaitFor;

class PortFinding : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        PortListSource::Install(&source);
        // A budget no loaded machine runs out of; silent ports cost two AT tries of it.
        SettingsStore::WriteProfileInt(SettingsStore::kFindBudgetMs, 6000);
    }
    void TearDown() override {
        PortListSource::Install(nullptr);
        ShellTest::TearDown();
    }
    static int Rejected(ComConfigDlg&) { return QDialog::Rejected; }
    static QStringList Items(const ComConfigDlg& dlg) {
        QStringList items;
        for (int i = 0; i < PortCombo(dlg)->count(); ++i) items << PortCombo(dlg)->itemText(i);
        return items;
    }
    static QString Status(const ComConfigDlg& dlg, const QString& path) {
        const int at = PortCombo(dlg)->findText(path);
        return at < 0 ? QStringLiteral("<not listed>") : PortCombo(dlg)->itemData(at, kPortStatusRole).toString();
    }
    static QString Remembered() {
        return SettingsStore::GetProfileString(SettingsStore::kComPort, QStringLiteral("<none>"));
    }
    FakePorts source;
};

using FindBudget = ShellTest;

TEST_F(FindBudget, IsHalfASecondUnlessTheSettingsGiveMoreWithinItsRange) {
    EXPECT_EQ(ModuleFinder::BudgetMs(), 500u);  // absent
    const struct {
        const char* stored;
        unsigned ms;
    } cases[] = {
        {"6000", 6000}, {"10000", 10000}, {"500", 500}, {"499", 500}, {"10001", 500}, {"-1", 500}, {"soon", 500},
    };
    for (const auto& c : cases) {
        SettingsStore::WriteProfileString(SettingsStore::kFindBudgetMs, QString::fromLatin1(c.stored));
        EXPECT_EQ(ModuleFinder::BudgetMs(), c.ms) << c.stored;
    }
}

TEST_F(PortFinding, EntriesDescribeTheDeviceAndTheRememberedAdapterIsFoundByItsStableName) {
    const std::string byId = "/dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0";
    source.ports = {Plain("/dev/ttyS0"), Usb("/dev/ttyUSB0", byId)};
    ComConfigDlg dlg;
    Run(dlg, [](ComConfigDlg& d) {
        d.SelectPort(PortCombo(d)->findText(QStringLiteral("/dev/ttyUSB0")));
        return int(QDialog::Rejected);
    });
    // The stable name is what is remembered.
    EXPECT_EQ(Remembered(), QString::fromStdString(byId));
    const int at = PortCombo(dlg)->findText(QStringLiteral("/dev/ttyUSB0"));
    const QString description = PortCombo(dlg)->itemData(at, kPortDescriptionRole).toString();
    for (const char* part : {"CP2102 USB to UART Bridge Controller", "Silicon Labs", "0001", byId.c_str()})
        EXPECT_TRUE(description.contains(QString::fromUtf8(part))) << part;
    EXPECT_TRUE(PortInfo(dlg)->text().contains(QStringLiteral("Silicon Labs")));
    EXPECT_EQ(PortInfo(dlg)->textFormat(), Qt::PlainText);

    // Replugged into another socket: another number, found by its stable name.
    source.ports = {Plain("/dev/ttyS0"), Plain("/dev/ttyUSB0"), Usb("/dev/ttyUSB3", byId)};
    ComConfigDlg again;
    Run(again, Rejected);
    EXPECT_EQ(PortCombo(again)->currentText(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(OkAnswer(again), QStringLiteral("/dev/ttyUSB3"));
}

TEST_F(PortFinding, EmptyListAndMissingPermissionSaySoInBothLanguages) {
    const struct {
        int korean;
        const char* empty;
        const char* permission;
    } cases[] = {
        {0, "No serial port found", "join the group \"dialout\""},
        {1, "시리얼 포트가 없습니다", "\"dialout\" 그룹"},
    };
    for (const auto& c : cases) {
        SetKoreanUiOverride(c.korean);
        source.ports.clear();
        ComConfigDlg empty;
        Run(empty, Rejected);
        EXPECT_TRUE(PortInfo(empty)->text().contains(QString::fromUtf8(c.empty)))
            << PortInfo(empty)->text().toStdString();
        EXPECT_FALSE(FindButton(empty)->isEnabled());

        source.ports = {Plain("/dev/ttyUSB0"), Plain("/dev/ttyUSB1")};
        source.denied = {{"/dev/ttyUSB1", "dialout"}};
        SettingsStore::WriteProfileString(SettingsStore::kComPort, QStringLiteral("/dev/ttyUSB1"));
        ComConfigDlg denied;
        Run(denied, Rejected);
        EXPECT_TRUE(Status(denied, QStringLiteral("/dev/ttyUSB1")).contains(QString::fromUtf8(c.permission)))
            << Status(denied, QStringLiteral("/dev/ttyUSB1")).toStdString();
        EXPECT_TRUE(Status(denied, QStringLiteral("/dev/ttyUSB0")).isEmpty());
        EXPECT_TRUE(PortInfo(denied)->text().contains(QString::fromUtf8(c.permission)));
        EXPECT_TRUE(PortInfo(denied)->text().contains(QStringLiteral("usermod -aG dialout")));
    }
}

TEST_F(PortFinding, PluggedAndUnpluggedPortsShowUpWhileTheDialogIsOpenKeepingTheTypedText) {
    source.ports = {Plain("/dev/ttyS0")};
    ComConfigDlg dlg;
    Run(dlg, [this](ComConfigDlg& d) {
        PortCombo(d)->lineEdit()->setText(QStringLiteral("/dev/ttyAC"));
        source.ports.push_back(Usb("/dev/ttyUSB0", "/dev/serial/by-id/usb-A"));
        EXPECT_TRUE(WaitFor([&] { return Items(d).contains(QStringLiteral("/dev/ttyUSB0")); }));
        EXPECT_EQ(PortCombo(d)->currentText(), QStringLiteral("/dev/ttyAC"));

        PortCombo(d)->setCurrentIndex(PortCombo(d)->findText(QStringLiteral("/dev/ttyUSB0")));
        source.ports = {Usb("/dev/ttyUSB0", "/dev/serial/by-id/usb-A")};
        EXPECT_TRUE(WaitFor([&] { return !Items(d).contains(QStringLiteral("/dev/ttyS0")); }));
        EXPECT_EQ(PortCombo(d)->currentText(), QStringLiteral("/dev/ttyUSB0"));
        return int(QDialog::Rejected);
    });
}

// Three simulated ports: one with a module, one silent, one that another
// program holds. The module's port is marked and chosen; nothing reaches the
// held one.
TEST_F(PortFinding, FindModuleMarksAndSelectsTheOnePortWithAModule) {
    std::vector<std::unique_ptr<sim::KestovSimulator>> sims;
    for (const char* model : {"KESTOV-LV220", "KESTOV-LV200", "KESTOV-LV200"}) {
        sims.push_back(std::make_unique<sim::KestovSimulator>(model));
        ASSERT_TRUE(sims.back()->Start());
    }
    sims[1]->SetSilent(true);
    const int holder = ::open(sims[2]->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    for (auto& s : sims) source.ports.push_back(Plain(s->DevicePath()));
    const QString module = QString::fromStdString(sims[0]->DevicePath());

    ComConfigDlg dlg;
    Run(dlg, [&](ComConfigDlg& d) {
        d.SelectPort(PortCombo(d)->findText(QString::fromStdString(sims[1]->DevicePath())));
        FindButton(d)->click();
        EXPECT_TRUE(WaitFor([&] { return FindButton(d)->isEnabled(); }));
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(Status(dlg, module), QStringLiteral("KESTOV-LV220 answered"));
    EXPECT_EQ(Status(dlg, QString::fromStdString(sims[1]->DevicePath())), QStringLiteral("No module answered"));
    EXPECT_EQ(Status(dlg, QString::fromStdString(sims[2]->DevicePath())), QStringLiteral("In use by another program"));
    EXPECT_EQ(PortCombo(dlg)->currentText(), module);
    EXPECT_EQ(Remembered(), module);
    EXPECT_TRUE(sims[2]->Commands().empty());
    EXPECT_EQ(OkAnswer(dlg), module);
    ::close(holder);
}

// The remembered port is a by-id link to a listed path, as when the user
// typed it: one entry, chosen, probed once and found.
TEST_F(PortFinding, ADeviceNamedByALinkAndItsPathIsListedAndProbedOnce) {
    sim::KestovSimulator module("KESTOV-LV210");
    ASSERT_TRUE(module.Start());
    char tmpl[] = "/tmp/kestov-byid-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string link = std::string(tmpl) + "/usb-KESTOV_LV210-if00-port0";
    ASSERT_EQ(::symlink(module.DevicePath().c_str(), link.c_str()), 0);
    source.ports = {Plain(module.DevicePath())};
    SettingsStore::WriteProfileString(SettingsStore::kComPort, QString::fromStdString(link));
    const QString path = QString::fromStdString(module.DevicePath());

    ComConfigDlg dlg;
    Run(dlg, [&](ComConfigDlg& d) {
        EXPECT_EQ(Items(d), QStringList{path});
        EXPECT_EQ(PortCombo(d)->currentText(), path);
        FindButton(d)->click();
        EXPECT_TRUE(WaitFor([&] { return FindButton(d)->isEnabled(); }));
        // Typed again and the list opened: still the one entry.
        PortCombo(d)->setEditText(QString::fromStdString(link));
        PortCombo(d)->showPopup();
        PortCombo(d)->hidePopup();
        EXPECT_EQ(Items(d), QStringList{path});
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(Status(dlg, path), QStringLiteral("KESTOV-LV210 answered"));
    EXPECT_EQ(module.Commands(), (std::vector<std::string>{"AT", "AT+MODEL?"}));
    ::unlink(link.c_str());
    ::rmdir(tmpl);
}

// Height of a text laid out at a width, broken between words where it can
// and inside a long word (a by-id name) where it must.
int WrappedHeight(const QString& text, const QFont& font, int width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal height = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            height += line.height();
        }
        layout.endLayout();
    }
    return static_cast<int>(std::ceil(height));
}

// The found module's port, named by a long by-id link: its description, its
// stable name and the probe's finding all fit, with the controls below moved
// down rather than covered.
TEST_F(PortFinding, PortDetailsAfterFindModuleFitInBothLanguages) {
    sim::KestovSimulator module("KESTOV-LV200");
    ASSERT_TRUE(module.Start());
    source.ports = {Usb(module.DevicePath(),
                        "/dev/serial/by-id/usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0001-if00-port0")};
    for (const int korean : {0, 1}) {
        SCOPED_TRACE(korean ? "Korean" : "English");
        SetKoreanUiOverride(korean);
        ComConfigDlg dlg;
        Run(dlg, [&](ComConfigDlg& d) {
            auto* find = d.findChild<QPushButton*>(QStringLiteral("findModule"));
            find->click();
            EXPECT_TRUE(WaitFor([&] { return find->isEnabled(); }));
            const auto* info = d.findChild<QLabel*>(QStringLiteral("portInfo"));
            const auto* reconnect = d.findChild<QCheckBox*>(QStringLiteral("reconnect"));
            EXPECT_TRUE(info->text().contains(QStringLiteral("KESTOV-LV200")));
            EXPECT_TRUE(info->text().contains(QStringLiteral("if00-port0")));
            EXPECT_LE(WrappedHeight(info->text(), info->font(), info->width()), info->height())
                << info->text().toStdString();
            EXPECT_LT(info->geometry().bottom(), reconnect->geometry().top());
            for (const QWidget* w : d.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (!w->isWindow()) EXPECT_TRUE(d.rect().contains(w->geometry())) << w->metaObject()->className();
            return int(QDialog::Rejected);
        });
    }
}

TEST_F(PortFinding, ReconnectOptionIsRememberedAndOffByDefault) {
    source.ports = {Plain("/dev/ttyS0")};
    ComConfigDlg dlg;
    Run(dlg, [](ComConfigDlg& d) {
        EXPECT_FALSE(ReconnectCheck(d)->isChecked());
        ReconnectCheck(d)->click();
        return int(QDialog::Rejected);
    });
    EXPECT_TRUE(ComConfigDlg::ReconnectEnabled());
    ComConfigDlg again;
    Run(again, Rejected);
    EXPECT_TRUE(ReconnectCheck(again)->isChecked());
}

}  // namespace

// Pictures of the dialog after "Find module", in both languages, and of the
// open port list. Runs only when KESTOV_SCREENSHOT_DIR names a directory.
TEST_F(PortFinding, Screenshots) {
    const QString dir = qEnvironmentVariable("KESTOV_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KESTOV_SCREENSHOT_DIR not set";
    // The module, a silent USB adapter and a board another program holds.
    std::vector<std::unique_ptr<sim::KestovSimulator>> sims;
    for (int i = 0; i < 3; ++i) {
        sims.push_back(std::make_unique<sim::KestovSimulator>("KESTOV-LV200"));
        ASSERT_TRUE(sims.back()->Start());
    }
    sims[1]->SetSilent(true);
    const int holder = ::open(sims[2]->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    SerialPortEntry module = Plain(sims[0]->DevicePath());
    module.product = "Simulated module";
    SerialPortEntry board = Plain(sims[2]->DevicePath());
    board.manufacturer = "Arduino (www.arduino.cc)";
    board.product = "Uno";
    source.ports = {module, Usb(sims[1]->DevicePath(), "/dev/serial/by-id/usb-Silicon_Labs_CP2102_0001-if00-port0"),
                    board};
    for (const int korean : {0, 1}) {
        SetKoreanUiOverride(korean);
        ComConfigDlg dlg;
        Run(dlg, [&](ComConfigDlg& d) {
            d.show();
            FindButton(d)->click();
            EXPECT_TRUE(WaitFor([&] { return FindButton(d)->isEnabled(); }));
            QCoreApplication::processEvents();
            const QString suffix = korean ? QStringLiteral("ko") : QStringLiteral("en");
            EXPECT_TRUE(d.grab().save(dir + QStringLiteral("/port-dialog-") + suffix + QStringLiteral(".png")));
            PortCombo(d)->showPopup();
            QCoreApplication::processEvents();
            QWidget* popup = PortCombo(d)->view()->window();
            EXPECT_TRUE(popup->grab().save(dir + QStringLiteral("/port-list-") + suffix + QStringLiteral(".png")));
            PortCombo(d)->hidePopup();
            return int(QDialog::Rejected);
        });
    }
    ::close(holder);
}
