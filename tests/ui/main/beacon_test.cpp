// Beacon data: source and format radios, both formats, final serial data.
#include "window_fixture.h"

#include <QRadioButton>

using namespace mainwin_test;

TEST_F(WindowTest, BeaconRadiosSwitchTheirInputs) {
    StartSim();  // user data off by default
    OpenWindow();
    for (int id : {1031, 1042, 1082, 1083}) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(1029));
    Click(1030);
    EXPECT_TRUE(Enabled(1082));
    EXPECT_TRUE(Enabled(1031));
    EXPECT_FALSE(Enabled(1042));
    Click(1083);
    EXPECT_FALSE(Enabled(1031));
    EXPECT_TRUE(Enabled(1042));
    Click(1029);
    for (int id : {1031, 1042, 1082, 1083}) EXPECT_FALSE(Enabled(id)) << id;
    // Not saved: the next enabling follows the module's source again.
    Click(1030);
    Edit(1069)->setText(QStringLiteral("5"));
    Click(1070);
    EXPECT_EQ(NextBoxId(1000), 113);
    EXPECT_FALSE(Enabled(1082));
}

TEST_F(WindowTest, BeaconDataTable) {
    StartSim();
    OpenWindow();
    const std::string hex52(52, 'A'), hex54(54, 'B');
    std::string z26;
    for (int i = 0; i < 26; ++i) z26 += "7A";  // 26 x 'z' as sent
    struct Case {
        int format;         // 1082 hex, 1083 string
        std::string input;  // UTF-8
        int message;
        std::string sent;  // AT+BEACON argument when accepted
    } const cases[] = {
        {1082, "0201060AFF", 0, "0201060AFF"},
        {1082, "0201060", 132, ""},
        {1082, "02GG", 134, ""},
        {1082, hex54, 133, ""},
        {1082, hex52, 0, hex52},
        {1082, "", 135, ""},
        {1083, "abc", 0, "616263"},
        {1083, "가나다라마바사아자", 133, ""},  // 27 bytes
        {1083, std::string(26, 'z'), 0, z26},
        {1083, "a\rb", 0, "610D62"},  // any byte goes out as hex digits
        {1083, "", 135, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        Click(1030);
        Click(c.format);
        // The other format's edit holds valid data; only the checked one counts.
        Edit(1031)->setText(c.format == 1082 ? QString::fromStdString(c.input) : QStringLiteral("0102"));
        Edit(1042)->setText(c.format == 1083 ? QString::fromUtf8(c.input.c_str()) : QStringLiteral("ok"));
        m_sim->ClearLog();
        Click(1032);
        if (c.message) {
            EXPECT_EQ(NextBoxId(1000), c.message);
            EXPECT_TRUE(Ready());
            EXPECT_TRUE(Commands().empty());
            continue;
        }
        EXPECT_EQ(NextBoxId(), 115);
        EXPECT_TRUE(WaitFor([&] { return Ready(); }));
        const auto cmds = Commands();
        ASSERT_GE(cmds.size(), 3u);
        EXPECT_EQ(cmds[1], "AT+BEACON=" + c.sent);
        EXPECT_EQ(cmds[2], "AT+UCBEACON=ON");
        // Read back afterwards: the hex edit shows what the module holds.
        EXPECT_EQ(Edit(1031)->text(), QString::fromStdString(m_sim->State().beaconHex));
        EXPECT_TRUE(qobject_cast<QRadioButton*>(W(1030))->isChecked());
    }
}

TEST_F(WindowTest, FinalSerialDataSendsOnlyTheSwitch) {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.userBeacon = true;
    StartSim().SetState(s);
    OpenWindow();
    Click(1029);
    Edit(1031)->setText(QStringLiteral("XYZ"));  // invalid data is not looked at
    m_sim->ClearLog();
    Click(1032);
    EXPECT_EQ(NextBoxId(), 115);
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
    const auto cmds = Commands();
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_EQ(cmds[0], "AT+MODEL?");
    EXPECT_EQ(cmds[1], "AT+UCBEACON=OFF");
    EXPECT_FALSE(m_sim->State().userBeacon);
    EXPECT_TRUE(qobject_cast<QRadioButton*>(W(1029))->isChecked());
}

// Advertising data the module holds is mostly not text: flags, lengths, a
// 16-bit UUID (AA FE is not UTF-8). Saved as a string without an edit, the
// very bytes read go back; an edit sends what was typed.
TEST_F(WindowTest, StringSaveAfterReadBackWritesTheBytesRead) {
    for (const std::string hex : {"0201060303AAFE", "020106000341", "48656C6C6F"}) {
        SCOPED_TRACE(hex);
        sim::SimState s = sim::DefaultState("KESTOV-LV200");
        s.userBeacon = true;
        s.beaconHex = hex;
        StartSim().SetState(s);
        OpenWindow();
        Click(1083);
        m_sim->ClearLog();
        Click(1032);
        EXPECT_EQ(NextBoxId(), 115);
        EXPECT_TRUE(WaitFor([&] { return Ready(); }));
        const auto cmds = Commands();
        ASSERT_GE(cmds.size(), 2u);
        EXPECT_EQ(cmds[1], "AT+BEACON=" + hex);
        EXPECT_EQ(m_sim->State().beaconHex, hex);

        Click(1083);
        Edit(1042)->setText(Edit(1042)->text() + QStringLiteral("!"));
        m_sim->ClearLog();
        Click(1032);
        EXPECT_EQ(NextBoxId(), 115);
        EXPECT_TRUE(WaitFor([&] { return Ready(); }));
        EXPECT_NE(Commands().at(1), "AT+BEACON=" + hex);
        EXPECT_EQ(Commands().at(1).substr(Commands().at(1).size() - 2), "21");
        DestroyWindow();
    }
}
