// Scan reports: their exact form, the module's name filter, the scanning
// state, and silence after the stop reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "sim/kestov_sim.h"
#include "sim_device.h"
#include "sim_port.h"

namespace {

using simtest::SimPort;

using testsupport::Device;

TEST(SimScanTest, ReportsHonourTheNameFilterAndEndWithTheStopReply) {
    sim::KestovSimulator module;
    module.SetScanDevices(
        {Device(1, "센서-1", -40), Device(2, "Sensor-2", -50), Device(3, "센서,3", -95), Device(4, "Lamp", -60)});
    module.SetScanRate(500);
    ASSERT_TRUE(module.Start());
    SimPort port(module.DevicePath());
    ASSERT_TRUE(port.IsOpen());

    port.Send("AT+SF=ON,센서\r");
    ASSERT_EQ(port.Read(3), "OK\r");
    port.Send("AT+STARTSCAN\r");
    ASSERT_EQ(port.ReadLine(), "+SCANNING\r");

    const std::set<std::string> allowed = {"+C01122334401,-40,센서-1\r", "+C01122334403,-95,센서,3\r"};
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const std::string line = port.ReadLine();
        ASSERT_EQ(allowed.count(line), 1u) << line;
        seen.insert(line);
    }
    EXPECT_EQ(seen, allowed);  // the population is cycled through

    // Other commands are answered while reports keep coming.
    module.SetScanRate(2000);
    port.Send("AT+INFO?\r");
    std::string line;
    while (allowed.count(line = port.ReadLine()) == 1) {
    }
    EXPECT_EQ(line, "00:1A:2B:3C:4D:5E,LV200,0,SCANNING\r");

    port.Send("AT+STOPSCAN\r");
    while (allowed.count(line = port.ReadLine()) == 1) {
    }
    EXPECT_EQ(line, "+STOPPED\r");
    port.Send("AT\r");
    EXPECT_EQ(port.ReadLine(), "OK\r");  // no report after the stop reply
    EXPECT_GE(module.ReportsSent(), 20u);
    EXPECT_FALSE(module.State().scanning);
}

TEST(SimScanTest, JitterKeepsReportsAroundTheBaseRssi) {
    sim::KestovSimulator module;
    module.SetScanDevices({Device(9, "Tag", -60)});
    module.SetScanRate(1000);
    module.SetRssiJitter(5);
    ASSERT_TRUE(module.Start());
    SimPort port(module.DevicePath());
    port.Send("AT+STARTSCAN\r");
    ASSERT_EQ(port.ReadLine(), "+SCANNING\r");
    std::set<int> rssis;
    for (int i = 0; i < 50; ++i) {
        const std::string line = port.ReadLine();
        ASSERT_EQ(line.rfind("+C01122334409,-", 0), 0u) << line;
        ASSERT_EQ(line.substr(line.size() - 5), ",Tag\r") << line;
        rssis.insert(std::stoi(line.substr(14)));
    }
    EXPECT_GE(*rssis.begin(), -65);
    EXPECT_LE(*rssis.rbegin(), -55);
    EXPECT_GT(rssis.size(), 1u);
}

TEST(SimScanTest, MadeDevicesAreDistinctDeterministicAndVaried) {
    const auto devices = sim::KestovSimulator::MakeDevices(300, 7);
    ASSERT_EQ(devices.size(), 300u);
    std::set<std::string> addresses;
    bool utf8 = false;
    for (const auto& d : devices) {
        addresses.insert(std::string(reinterpret_cast<const char*>(d.address), 6));
        EXPECT_FALSE(d.name.empty());
        EXPECT_LE(d.name.size(), 20u);
        EXPECT_EQ(d.name.find('\r'), std::string::npos);
        EXPECT_GE(d.rssi, -95);
        EXPECT_LE(d.rssi, -30);
        utf8 = utf8 || std::any_of(d.name.begin(), d.name.end(), [](char c) { return c & 0x80; });
    }
    EXPECT_EQ(addresses.size(), devices.size());
    EXPECT_TRUE(utf8);
    const auto again = sim::KestovSimulator::MakeDevices(300, 7);
    EXPECT_TRUE(std::equal(devices.begin(), devices.end(), again.begin(), [](const auto& a, const auto& b) {
        return std::equal(a.address, a.address + 6, b.address) && a.name == b.name && a.rssi == b.rssi;
    }));
}

}  // namespace
