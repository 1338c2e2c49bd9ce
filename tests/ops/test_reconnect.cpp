// Waiting for the module's device to come back: by its stable name under a
// new path, or by its path when it has no stable name.
#include "ops/reconnect_watch.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

namespace {

SerialPortEntry Entry(const char* path, const char* byId) {
    SerialPortEntry e;
    e.path = path;
    e.by_id = byId;
    return e;
}

TEST(ReconnectWatch, FindsTheSameAdapterUnderItsNewPathOnceSettled)
{
    std::vector<SerialPortEntry> ports = {Entry("/dev/ttyUSB0", "/dev/serial/by-id/usb-KESTOV_A-port0"),
                                          Entry("/dev/ttyUSB1", "/dev/serial/by-id/usb-Other-port0")};
    ReconnectWatch watch([&] { return ports; });
    watch.Chosen("/dev/ttyUSB0");
    EXPECT_EQ(watch.Poll(), "") << "not waiting before the device is lost";

    watch.Lost();
    ports = {Entry("/dev/ttyUSB1", "/dev/serial/by-id/usb-Other-port0")};
    EXPECT_EQ(watch.Poll(), "");
    // Replugged into another socket: another number, the same stable name.
    ports.push_back(Entry("/dev/ttyUSB2", "/dev/serial/by-id/usb-KESTOV_A-port0"));
    EXPECT_EQ(watch.Poll(), "") << "just appeared: give it a moment";
    EXPECT_EQ(watch.Poll(), "/dev/ttyUSB2");
    EXPECT_FALSE(watch.Waiting());
    EXPECT_EQ(watch.Poll(), "");
}

TEST(ReconnectWatch, WithoutAStableNameThePathMustComeBack)
{
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ReconnectWatch watch([] { return std::vector<SerialPortEntry>{}; });
    watch.Chosen("/dev/kestov-gone");
    watch.Lost();
    EXPECT_EQ(watch.Poll(), "");
    EXPECT_EQ(watch.Poll(), "");
    EXPECT_TRUE(watch.Waiting());

    watch.Chosen(name);
    watch.Lost();
    EXPECT_EQ(watch.Poll(), "");
    EXPECT_EQ(watch.Poll(), name);

    // The user chose again meanwhile: no more waiting.
    watch.Lost();
    watch.Stop();
    EXPECT_EQ(watch.Poll(), "");
    ::close(master);
    ::close(slave);
}

}  // namespace
