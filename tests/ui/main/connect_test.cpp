// Start-up, connection and read-back, link failures, keyboard and closing.
#include "window_fixture.h"

#include "sim_slots.h"
#include "ui/shell/com_config_dlg.h"

#include "ui/main/scan_list_model.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTableView>

using namespace mainwin_test;

namespace {

// Every control switched by EnableControls.
const std::vector<int> kSwitched = [] {
    std::vector<int> ids = {1014, 1025, 1024, 1027, 1007, 1075, 1076, 1077, 1028, 1010, 1011, 1013, 1026,
                            1033, 1015, 1069, 1070, 1078, 1031, 1042, 1082, 1083, 1032, 1029, 1030};
    for (int n = 1; n <= 8; ++n) {
        ids.push_back(1060 + n);
        ids.push_back(1042 + n);
        ids.push_back(1033 + n);
        ids.push_back(1052 + n);
    }
    return ids;
}();

}  // namespace

TEST_F(WindowTest, TemplateHasEveryControlWithNameAndAccessibleText) {
    m_acceptPort = false;
    OpenWindow(false);
    ASSERT_TRUE(WaitFor([&] { return m_portDialogs == 1; }));
    // 84 controls: the addressed ones by id, the rest as labels and frames.
    int addressed = 0;
    for (int id = 1000; id < 1100; ++id) {
        if (QWidget* w = W(id)) {
            ++addressed;
            EXPECT_EQ(w->objectName(), QStringLiteral("ctl%1").arg(id));
            const bool interactive = w->focusPolicy() != Qt::NoFocus && !qobject_cast<QLabel*>(w);
            if (interactive) {
                const QString name =
                    w->accessibleName().isEmpty() ? (Button(id) ? Button(id)->text() : QString()) : w->accessibleName();
                EXPECT_FALSE(name.isEmpty()) << id;
            }
        }
    }
    EXPECT_EQ(addressed, 65);  // 84 minus 19 plain labels and frames
    // Cancelled at start-up: nothing usable, status unchanged.
    for (int id : kSwitched) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(StatusPaneText(0), QStringLiteral("COM port closed"));
    EXPECT_EQ(StatusPaneText(1), QStringLiteral("Version 1.4.2"));
    EXPECT_EQ(Edit(1028)->text(), QStringLiteral("-45"));
    EXPECT_EQ(Edit(1025)->text(), QStringLiteral("TALVERN"));
    EXPECT_FALSE(m_win->isSizeGripEnabled());
    EXPECT_EQ(m_win->minimumSize(), m_win->maximumSize());
    EXPECT_FALSE(m_win->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(WindowTest, TabOrderFollowsTheSections) {
    m_acceptPort = false;
    OpenWindow(false);
    std::vector<int> expected = {1014, 1015, 1069, 1070, 1010, 1011, 1013, 1076, 1077,
                                 1075, 1078, 1024, 1025, 1027, 1028, 1026, 1007};
    for (int n = 1; n <= 8; ++n)
        for (int id : {1052 + n, 1060 + n, 1042 + n, 1033 + n}) expected.push_back(id);
    for (int id : {1033, 1029, 1030, 1082, 1031, 1083, 1042, 1032}) expected.push_back(id);
    std::vector<int> chain;
    QWidget* w = W(1014);
    do {
        for (int id : expected)
            if (W(id) == w && (w->focusPolicy() & Qt::TabFocus)) chain.push_back(id);
        w = w->nextInFocusChain();
    } while (w != W(1014));
    EXPECT_EQ(chain, expected);
}

TEST_F(WindowTest, ReadsBackAnLv200AndEnablesEverything) {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.version = "v2.0.1";
    s.name = "NODE-1";
    s.advInterval = 250;
    s.parity = 'E';
    s.stopBits = 2;
    s.flowControl = 1;
    SetSimSlot(s, 1, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, "Tag1");
    SetSimSlot(s, 3, {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}, "");
    s.beaconHex = "616263";
    s.userBeacon = true;
    StartSim().SetState(s);
    OpenWindow();

    EXPECT_EQ(qobject_cast<QLabel*>(W(1009))->text(), QStringLiteral("v2.0.1"));
    EXPECT_EQ(qobject_cast<QLabel*>(W(1052))->text(), QStringLiteral("001A2B3C4D5E"));
    EXPECT_EQ(Edit(1014)->text(), QStringLiteral("NODE-1"));
    EXPECT_EQ(Edit(1069)->text(), QStringLiteral("250"));
    EXPECT_EQ(Combo(1076)->currentData().toInt(), int('E'));
    EXPECT_EQ(Combo(1077)->currentData().toInt(), 2);
    EXPECT_EQ(Combo(1075)->currentData().toInt(), 1);
    EXPECT_EQ(Edit(1061)->text(), QStringLiteral("112233445566"));
    EXPECT_TRUE(Edit(1061)->isReadOnly());
    EXPECT_EQ(Edit(1043)->text(), QStringLiteral("Tag1"));
    EXPECT_EQ(Edit(1062)->text(), QString());
    EXPECT_FALSE(Edit(1062)->isReadOnly());
    EXPECT_EQ(Edit(1063)->text(), QStringLiteral("A1B2C3D4E5F6"));
    EXPECT_EQ(Edit(1045)->text(), QString());
    EXPECT_TRUE(qobject_cast<QRadioButton*>(W(1030))->isChecked());
    EXPECT_EQ(Edit(1031)->text(), QStringLiteral("616263"));
    EXPECT_EQ(Edit(1042)->text(), QStringLiteral("abc"));
    const QString port = QString::fromStdString(m_sim->DevicePath());
    EXPECT_EQ(StatusPaneText(0), port + QStringLiteral(", 115200, No parity, 1 stopbit"));
    // User data in hex format: everything but the string edit.
    for (int id : kSwitched) EXPECT_EQ(Enabled(id), id != 1042) << id;
    EXPECT_FALSE(m_win->Ops().IsBusy());
    EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(WindowTest, Lv230KeepsSlotEightAndBeaconDisabled) {
    StartSim("KESTOV-LV230");
    OpenWindow();
    for (int id : {1068, 1050, 1041, 1060, 1031, 1042, 1082, 1083, 1032, 1029, 1030}) EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {1069, 1070, 1067, 1049, 1040, 1059, 1026, 1033}) EXPECT_TRUE(Enabled(id)) << id;
    const auto cmds = Commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), std::string("AT+BEACON?")), 0);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), std::string("AT+GETSLOT=8")), 0);

    // The interval works on this model too.
    m_sim->ClearLog();
    Edit(1069)->setText(QStringLiteral("500"));
    Click(1070);
    EXPECT_EQ(NextBoxId(), 118);
    EXPECT_TRUE(WaitForCommand("AT+ADVINTERVAL=500"));
}

TEST_F(WindowTest, UnsupportedModelShowsMessageAndAsksForThePortAgain) {
    StartSim("KESTOV-LV999");
    int accepted = 0;
    ComConfigDlg::SetModalSeam([&](ComConfigDlg& dlg) {
        ++m_portDialogs;
        if (accepted++ > 0) return int(QDialog::Rejected);
        dlg.findChild<QComboBox*>(QStringLiteral("portCombo"))
            ->setEditText(QString::fromStdString(m_sim->DevicePath()));
        dlg.accept();
        return dlg.result();
    });
    OpenWindow(false);
    EXPECT_EQ(NextBoxId(), 137);
    EXPECT_TRUE(WaitFor([&] { return m_portDialogs == 2; }));
    EXPECT_FALSE(Enabled(1010));
    EXPECT_EQ(StatusPaneText(0), QStringLiteral("COM port closed"));
}

TEST_F(WindowTest, HangUpDuringAScanClosesAndReconnectWorks) {
    StartSim();
    OpenWindow();
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Button(1026)->text() == QStringLiteral("Stop"); }));
    m_sim->HangUp();
    EXPECT_EQ(NextBoxId(), 106);
    for (int id : kSwitched) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(Button(1026)->text(), QStringLiteral("Scan"));
    EXPECT_EQ(StatusPaneText(0), QStringLiteral("COM port closed"));
    EXPECT_FALSE(m_win->Ops().IsLinkOpen());

    // "Setup COM port" with a fresh module.
    StartSim();
    auto* setup = m_win->findChild<QAction*>(QStringLiteral("cmd32772"));
    ASSERT_NE(setup, nullptr);
    setup->trigger();
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
    EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(WindowTest, ModuleTextIsShownLiterally) {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.name = "<b>x</b>";
    s.version = "v<i>1</i>";
    StartSim().SetState(s);
    OpenWindow();
    EXPECT_EQ(Edit(1014)->text(), QStringLiteral("<b>x</b>"));
    auto* fw = qobject_cast<QLabel*>(W(1009));
    EXPECT_EQ(fw->textFormat(), Qt::PlainText);
    EXPECT_EQ(fw->text(), QStringLiteral("v<i>1</i>"));
}

TEST_F(WindowTest, EscapeAndEnterDoNothingCloseBoxEnds) {
    StartSim();
    OpenWindow();
    m_win->activateWindow();
    // Enter on a focused button and in an edit, Escape anywhere.
    for (int id : {1013, 1014}) {
        W(id)->setFocus();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(W(id), &press);
        }
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_win->isVisible());
    EXPECT_TRUE(TakeBoxes().empty());  // no factory-reset question
    EXPECT_TRUE(Ready());

    // Closing while a scan runs: the window goes, the worker is joined.
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Button(1026)->text() == QStringLiteral("Stop"); }));
    EXPECT_TRUE(m_win->close());
    EXPECT_FALSE(m_win->isVisible());
    m_win.reset();
    EXPECT_TRUE(TakeBoxes().empty());
}
