// Command -> reply bytes over the real pseudo-terminal, in sequences that
// carry state from one command to the next.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/kestov_sim.h"
#include "sim_port.h"

namespace {

using simtest::SimPort;

struct Exchange {
    std::string send;    // raw bytes, CR included
    std::string expect;  // exact reply bytes; empty: none yet
};

class SimCommandsTest : public ::testing::Test {
protected:
    void StartModel(const std::string& model) {
        m_module = std::make_unique<sim::KestovSimulator>(model);
        m_module->SetScanDevices({});  // replies only, no scan reports in between
        std::string error;
        ASSERT_TRUE(m_module->Start(&error)) << error;
        m_port = std::make_unique<SimPort>(m_module->DevicePath());
        ASSERT_TRUE(m_port->IsOpen());
    }

    void Run(const std::vector<Exchange>& script) {
        for (const Exchange& x : script) {
            m_port->Send(x.send);
            if (!x.expect.empty()) {
                EXPECT_EQ(m_port->Read(x.expect.size()), x.expect) << "after " << x.send;
            }
        }
        // Nothing stray is left over: a probe gets exactly its own reply.
        m_port->Send("AT\r");
        EXPECT_EQ(m_port->Read(3), "OK\r");
    }

    std::unique_ptr<sim::KestovSimulator> m_module;
    std::unique_ptr<SimPort> m_port;
};

TEST_F(SimCommandsTest, EveryCommandOfTheLv200KeepsItsState) {
    StartModel("KESTOV-LV200");
    const std::vector<Exchange> script = {
        {"AT\r", "OK\r"},
        {"\nAT\r\n", "OK\r"},  // LF is ignored
        {"AT+V", ""},          // a command may arrive in pieces
        {"ER?\r", "v1.2.0\r"},
        {"AT+MODEL?\r", "KESTOV-LV200\r"},
        {"AT+INFO?\r", "00:1A:2B:3C:4D:5E,LV200,0,READY\r"},
        {"AT+MANUF=센서1\r", "OK\r"},
        {"AT+INFO?\r", "00:1A:2B:3C:4D:5E,센서1,0,READY\r"},
        {"AT+MANUF=123456789\r", "ERROR\r"},
        {"AT+MANUF=a,b\r", "ERROR\r"},
        {"AT+MANUF=\xC3\r", "ERROR\r"},  // not UTF-8
        {"AT+INFO?\r", "00:1A:2B:3C:4D:5E,센서1,0,READY\r"},
        {"AT+SF=ON,Küche\r", "OK\r"},
        {"AT+SF=ON,\r", "ERROR\r"},
        {"AT+SF=ON,123456789\r", "ERROR\r"},
        {"AT+SF=OFF\r", "OK\r"},
        {"AT+SF=MAYBE\r", "ERROR\r"},
        {"AT+SETSLOT=1,A1B2C3D4E5F6\r", "OK\r"},
        {"AT+GETSLOT=1\r", "+SLOT,1,A1B2C3D4E5F6\r"},
        {"AT+SETSLOT=8,0a0b0c0d0e0f,Küche1\r", "OK\r"},
        {"AT+GETSLOT=8\r", "+SLOT,8,0A0B0C0D0E0F,Küche1\r"},
        {"AT+SETSLOT=9,A1B2C3D4E5F6\r", "ERROR\r"},
        {"AT+SETSLOT=0,A1B2C3D4E5F6\r", "ERROR\r"},
        {"AT+SETSLOT=2,A1B2C3D4E5\r", "ERROR\r"},
        {"AT+SETSLOT=2,A1B2C3D4E5FG\r", "ERROR\r"},
        {"AT+SETSLOT=2,A1B2C3D4E5F6,123456789\r", "ERROR\r"},
        {"AT+GETSLOT=2\r", "ERROR\r"},  // empty
        {"AT+GETSLOT=9\r", "ERROR\r"},
        {"AT+DELSLOT=1\r", "OK\r"},
        {"AT+GETSLOT=1\r", "ERROR\r"},
        {"AT+DELSLOT=9\r", "ERROR\r"},
        {"AT+UCBEACON?\r", "OFF\r"},
        {"AT+UCBEACON=ON\r", "OK\r"},
        {"AT+UCBEACON?\r", "ON\r"},
        {"AT+UCBEACON=1\r", "ERROR\r"},
        {"AT+BEACON?\r", "+BEACON,020106\r"},
        {"AT+BEACON=0a0B\r", "OK\r"},
        {"AT+BEACON?\r", "+BEACON,0A0B\r"},
        {"AT+BEACON=ABC\r", "ERROR\r"},
        {"AT+BEACON=" + std::string(54, 'A') + "\r", "ERROR\r"},
        {"AT+BEACON=" + std::string(52, 'F') + "\r", "OK\r"},
        {"AT+BEACON=ZZ\r", "ERROR\r"},
        {"AT+ADVINTERVAL?\r", "100\r"},
        {"AT+ADVINTERVAL=2560\r", "OK\r"},
        {"AT+ADVINTERVAL?\r", "2560\r"},
        {"AT+ADVINTERVAL=19\r", "ERROR\r"},
        {"AT+ADVINTERVAL=1x\r", "ERROR\r"},
        {"AT+UARTOPT?\r", "+UARTOPT,0,N,1\r"},
        {"AT+UARTOPT=1,E,2\r", "OK\r"},
        {"AT+UARTOPT?\r", "+UARTOPT,1,E,2\r"},
        {"AT+UARTOPT=2,N,1\r", "ERROR\r"},
        {"AT+UARTOPT=0,n,1\r", "ERROR\r"},
        {"AT+UARTOPT=0,N,3\r", "ERROR\r"},
        {"AT+STOPSCAN\r", "+STOPPED\r"},  // also when idle
        {"AT+STARTSCAN\r", "+SCANNING\r"},
        {"AT+INFO?\r", "00:1A:2B:3C:4D:5E,센서1,0,SCANNING\r"},
        {"AT+STOPSCAN\r", "+STOPPED\r"},
        {"ATZ\r", "+READY\r"},  // restart keeps the settings
        {"AT+INFO?\r", "00:1A:2B:3C:4D:5E,센서1,0,READY\r"},
        {"AT&F\r", "+READY\r"},  // factory settings
        {"AT+INFO?\r", "00:1A:2B:3C:4D:5E,LV200,0,READY\r"},
        {"AT+GETSLOT=8\r", "ERROR\r"},
        {"AT+ADVINTERVAL?\r", "100\r"},
        {"AT+UARTOPT?\r", "+UARTOPT,0,N,1\r"},
        {"AT+BEACON?\r", "+BEACON,020106\r"},
        {"AT+MODEL?\r", "KESTOV-LV200\r"},
        {"AT+INFO\r", "ERROR\r"},
        {"AT+FOO\r", "ERROR\r"},
        {"at\r", "ERROR\r"},
        {"AT+MANUF=" + std::string(600, 'x') + "\r", "ERROR\r"},
    };
    Run(script);

    // The log holds every command line, without its CR, in order.
    const auto log = m_module->Log();
    ASSERT_EQ(log.size(), script.size());  // "AT+V" + "ER?" is one line, the probe one more
    EXPECT_EQ(log[1].command, "AT");
    EXPECT_EQ(log[2].command, "AT+VER?");
    EXPECT_EQ(log.back().command, "AT");
    for (std::size_t i = 1; i < log.size(); ++i) EXPECT_LE(log[i - 1].at, log[i].at);
    EXPECT_EQ(m_module->State().name, "LV200");
}

TEST_F(SimCommandsTest, Lv230HasSevenSlotsAndNoBeacon) {
    StartModel("KESTOV-LV230");
    Run({
        {"AT+MODEL?\r", "KESTOV-LV230\r"},
        {"AT+INFO?\r", "00:1A:2B:3C:4D:5E,LV230,0,READY\r"},
        {"AT+SETSLOT=7,A1B2C3D4E5F6\r", "OK\r"},
        {"AT+GETSLOT=7\r", "+SLOT,7,A1B2C3D4E5F6\r"},
        {"AT+SETSLOT=8,A1B2C3D4E5F6\r", "ERROR\r"},
        {"AT+GETSLOT=8\r", "ERROR\r"},
        {"AT+DELSLOT=8\r", "OK\r"},  // the program always writes eight slots
        {"AT+BEACON?\r", "ERROR\r"},
        {"AT+BEACON=00\r", "ERROR\r"},
        {"AT+UCBEACON?\r", "ERROR\r"},
        {"AT+UCBEACON=OFF\r", "ERROR\r"},
        {"AT&F\r", "+READY\r"},
        {"AT+MODEL?\r", "KESTOV-LV230\r"},  // a factory reset keeps the model
    });
}

// A number setting answers and takes its range, whatever its name; every
// row of the factory list is one, starting at its factory value.
TEST_F(SimCommandsTest, NumberSettingsAnswerAndKeepTheirRange) {
    StartModel("KESTOV-LV200");
    sim::SimState state = m_module->State();
    for (const sim::SimNumber& n : sim::FactoryNumbers()) {
        ASSERT_NE(state.Number(n.name), nullptr) << n.name;
        EXPECT_EQ(state.Number(n.name)->value, n.value) << n.name;
    }
    state.numbers.push_back({"LEVEL", 2, 7, 3});
    m_module->SetState(state);
    Run({
        {"AT+LEVEL?\r", "+LEVEL:3\r"},
        {"AT+LEVEL=7\r", "OK\r"},
        {"AT+LEVEL?\r", "+LEVEL:7\r"},
        {"AT+LEVEL=2\r", "OK\r"},
        {"AT+LEVEL=1\r", "ERROR\r"},
        {"AT+LEVEL=8\r", "ERROR\r"},
        {"AT+LEVEL=\r", "ERROR\r"},
        {"AT+LEVEL=-1\r", "ERROR\r"},
        {"AT+LEVEL?1\r", "ERROR\r"},
        {"AT+LEVEL?\r", "+LEVEL:2\r"},
        {"AT+LEVELS?\r", "ERROR\r"},
    });
    EXPECT_EQ(m_module->State().Number("LEVEL")->value, 2u);
}

TEST_F(SimCommandsTest, OtherModelTextPlaysAnUnsupportedDevice) {
    StartModel("ACME-BT40");
    Run({
        {"AT+MODEL?\r", "ACME-BT40\r"},
        {"AT+SETSLOT=8,A1B2C3D4E5F6\r", "OK\r"},
        {"AT+BEACON?\r", "+BEACON,020106\r"},
    });
}

}  // namespace
