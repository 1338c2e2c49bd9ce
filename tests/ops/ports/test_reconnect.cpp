// Waiting for the module's device to come back: by its stable name under a
// new path, or by its path when it has no stable name.
#include "ops/ports/reconnect_watch.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <iterator>
#include <unistd.h>

namespace {

SerialPortEntry Entry(const char* path, const char* byId) {
    SerialPortEntry e;
    e.path = path;
    e.byId = byId;
    return e;
}

TEST(ReconnectWatch, FindsTheSameAdapterUnderItsNewPathOnceSettled) {
    std::vector<SerialPortEntry> ports = {Entry("/dev/ttyUSB0", "/dev/serial/by-id/usb-KESTOV_A-port0"),
                                          Entry("/dev/ttyUSB1", "/dev/serial/by-id/usb-Other-port0")};
    ReconnectWatch watch([&] { return ports; });
    watch.Chosen("/dev/ttyUSB0");
    EXPECT_EQ(watch.Poll(), "") << "not waiting before the device is lost";

    watch.Lost();
    ports = {Entry("/dev/ttyUSB1", "/dev/serial/by-id/usb-Other-port0")};
    EXPECT_EQ(watch.Poll(), "");
    EXPECT_FALSE(watch.Pending()) << "nothing to look at again until a port comes";
    // Replugged into another socket: another number, the same stable name.
    ports.push_back(Entry("/dev/ttyUSB2", "/dev/serial/by-id/usb-KESTOV_A-port0"));
    EXPECT_EQ(watch.Poll(), "") << "just appeared: give it a moment";
    EXPECT_TRUE(watch.Pending()) << "a second look is due without another change";
    EXPECT_EQ(watch.Poll(), "/dev/ttyUSB2");
    EXPECT_TRUE(watch.Trying());
    EXPECT_FALSE(watch.Pending());
    EXPECT_EQ(watch.Poll(), "") << "one try at a time";
    watch.Succeeded();
    EXPECT_FALSE(watch.Waiting());
    EXPECT_EQ(watch.Poll(), "");
}

// Failed tries do not end the waiting: each is followed by a pause that
// doubles from a quarter second to five seconds, and a loss during a try
// counts as that try failing.
TEST(ReconnectWatch, KeepsTryingAfterFailuresWithGrowingPauses) {
    using namespace std::chrono_literals;
    std::vector<SerialPortEntry> ports = {Entry("/dev/ttyUSB0", "/dev/serial/by-id/usb-KESTOV_A-port0")};
    ReconnectWatch watch([&] { return ports; });
    watch.Chosen("/dev/ttyUSB0");
    ReconnectWatch::Clock::time_point now{};
    watch.Lost(now);
    EXPECT_EQ(watch.Poll(now), "");
    ASSERT_EQ(watch.Poll(now), "/dev/ttyUSB0");

    const std::chrono::milliseconds pauses[] = {250ms, 500ms, 1000ms, 2000ms, 4000ms, 5000ms, 5000ms};
    const ReconnectSnag snags[] = {ReconnectSnag::InUse,      ReconnectSnag::NoAnswer,     ReconnectSnag::Dropped,
                                   ReconnectSnag::InUse,      ReconnectSnag::NoPermission, ReconnectSnag::OpenFailed,
                                   ReconnectSnag::Unsupported};
    for (std::size_t i = 0; i < std::size(pauses); ++i) {
        SCOPED_TRACE(i);
        if (snags[i] == ReconnectSnag::Dropped) {
            watch.Lost(now);  // gone again while being identified
        } else {
            watch.Failed(snags[i], "detail", now);
        }
        EXPECT_TRUE(watch.Waiting());
        EXPECT_FALSE(watch.Trying());
        EXPECT_EQ(watch.LastSnag(), snags[i]);
        EXPECT_EQ(watch.Poll(now + pauses[i] - 1ms), "") << "still pausing";
        now += pauses[i];
        ASSERT_EQ(watch.Poll(now), "/dev/ttyUSB0");
    }
    watch.Succeeded();
    EXPECT_FALSE(watch.Waiting());

    // A new loss starts again with the shortest pause and no snag.
    watch.Lost(now);
    EXPECT_EQ(watch.LastSnag(), ReconnectSnag::None);
    EXPECT_EQ(watch.Poll(now), "");
    ASSERT_EQ(watch.Poll(now), "/dev/ttyUSB0");
    watch.Failed(ReconnectSnag::InUse, {}, now);
    EXPECT_EQ(watch.Poll(now + 250ms), "/dev/ttyUSB0");
}

TEST(ReconnectWatch, OpenErrorsReadAsSnags) {
    EXPECT_EQ(ReconnectWatch::SnagOf(std::make_error_code(std::errc::device_or_resource_busy)), ReconnectSnag::InUse);
    EXPECT_EQ(ReconnectWatch::SnagOf(std::make_error_code(std::errc::permission_denied)), ReconnectSnag::NoPermission);
    EXPECT_EQ(ReconnectWatch::SnagOf(std::make_error_code(std::errc::no_such_file_or_directory)),
              ReconnectSnag::OpenFailed);
}

TEST(ReconnectWatch, WithoutAStableNameThePathMustComeBack) {
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
    watch.Succeeded();

    // The user chose again meanwhile: no more waiting.
    watch.Lost();
    watch.Stop();
    EXPECT_EQ(watch.Poll(), "");
    ::close(master);
    ::close(slave);
}

}  // namespace
