#include "link/serialport.h"

#include "pty_peer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using linktest::PtyPeer;
using linktest::WaitUntil;
using namespace std::chrono_literals;

// What the port reported through its two callbacks.
struct Reports {
    std::mutex mutex;
    std::string bytes;
    int reads = 0;
    int read_errors = 0;
    std::error_code last_read_error;
    std::size_t written = 0;

    std::string Bytes() {
        std::lock_guard<std::mutex> lock(mutex);
        return bytes;
    }
    int ReadErrors() {
        std::lock_guard<std::mutex> lock(mutex);
        return read_errors;
    }
    std::size_t Written() {
        std::lock_guard<std::mutex> lock(mutex);
        return written;
    }
};

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() : port(std::make_shared<CSerialportMP>(exec.Context())) {
        port->m_readHandler = [this](std::shared_ptr<CSerialportMP>, std::error_code& ec,
                                     const std::vector<uint8_t>& data, unsigned n) {
            std::lock_guard<std::mutex> lock(reports.mutex);
            ++reports.reads;
            reports.bytes.append(data.begin(), data.begin() + n);
            if (ec) {
                ++reports.read_errors;
                reports.last_read_error = ec;
            }
        };
        port->m_writeHandler = [this](std::shared_ptr<CSerialportMP>, std::error_code& ec, unsigned n) {
            std::lock_guard<std::mutex> lock(reports.mutex);
            if (!ec) {
                reports.written += n;
            }
        };
    }
    ~SerialPortTest() override {
        port->Close();
        exec.Stop();
    }

    // Opens the pty (or another path) the way the engine does: threads are
    // started after the port posted its first read.
    std::error_code Open(const std::string& path, uint8_t parity = 0, uint8_t stop_bits = 0) {
        std::error_code ec;
        port->Open(ec, path, 115200, parity, stop_bits);
        if (!ec && (!exec.HasThreads() || exec.Context().stopped())) {
            exec.Start();
        }
        return ec;
    }

    PtyPeer peer;
    IoServiceExec exec;
    Reports reports;
    std::shared_ptr<CSerialportMP> port;
};

TEST(IoServiceExecTest, ThreadCountIsHalfTheHardwareAndAtLeastOne) {
    const std::pair<unsigned, unsigned> cases[] = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {8, 4}, {16, 8}};
    for (const auto& [hardware, threads] : cases) {
        EXPECT_EQ(IoServiceExec::ThreadCountFor(hardware), threads) << hardware;
    }
}

TEST_F(SerialPortTest, LongWriteArrivesWholeInChunks) {
    ASSERT_FALSE(Open(peer.Path()));
    std::string data(2000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>('A' + i % 26);
    }
    ASSERT_EQ(port->Write(data.data(), static_cast<unsigned>(data.size())), 0);
    EXPECT_EQ(peer.ReadExactly(data.size()), data);
    EXPECT_TRUE(WaitUntil([&] { return reports.Written() == data.size(); }));
}

TEST_F(SerialPortTest, WriteWithoutBytesIsRefused) {
    const char byte = 'x';
    EXPECT_EQ(port->Write(nullptr, 1), 22);
    EXPECT_EQ(port->Write(&byte, 0), 22);
}

TEST_F(SerialPortTest, ReceivedBytesReachTheHandlerInOrder) {
    ASSERT_FALSE(Open(peer.Path()));
    std::string data;
    for (int i = 0; i < 5000; ++i) {
        data += static_cast<char>(i % 251);
    }
    peer.Write(data.substr(0, 1));
    peer.Write(data.substr(1));
    ASSERT_TRUE(WaitUntil([&] { return reports.Bytes().size() >= data.size(); }));
    EXPECT_EQ(reports.Bytes(), data);
    EXPECT_EQ(reports.ReadErrors(), 0);
}

TEST_F(SerialPortTest, CloseDropsWhatIsStillQueued) {
    ASSERT_FALSE(Open(peer.Path()));
    // Far more than the pty takes while nobody reads the master.
    const std::string flood(1 << 20, 'x');
    port->Write(flood.data(), static_cast<unsigned>(flood.size()));
    ASSERT_TRUE(WaitUntil([&] { return reports.Written() > 0; }));
    port->Close();
    EXPECT_FALSE(port->IsOpen());
    // What had gone out before the close is the module's business.
    peer.DiscardInput();

    ASSERT_FALSE(Open(peer.Path()));
    port->Write("NEW\r", 4);
    EXPECT_EQ(peer.ReadUntil('\r'), "NEW\r");
}

TEST_F(SerialPortTest, CancelledReadDoesNotReachTheHandler) {
    ASSERT_FALSE(Open(peer.Path()));
    peer.Write("a");
    ASSERT_TRUE(WaitUntil([&] { return reports.Bytes() == "a"; }));
    // A read is pending now; Close returns after its cancelled completion ran.
    port->Close();
    EXPECT_EQ(reports.ReadErrors(), 0);
}

TEST_F(SerialPortTest, OpenFailuresComeBackInTheErrorCode) {
    struct Case {
        const char* path;
        std::errc expected;
    };
    const Case cases[] = {
        {"/dev/kestov-no-such-port", std::errc::no_such_file_or_directory},
        // A bare name is looked up under /dev: /dev/null is there, but no tty.
        {"null", std::errc::inappropriate_io_control_operation},
    };
    for (const auto& c : cases) {
        const std::error_code ec = Open(c.path);
        EXPECT_EQ(ec, c.expected) << c.path << ": " << ec.message();
        EXPECT_FALSE(port->IsOpen());
    }
    EXPECT_FALSE(Open(peer.Path()));
    EXPECT_TRUE(port->IsOpen());
}

TEST_F(SerialPortTest, SecondOpenIsBusyAndLeavesThePortWorking) {
    ASSERT_FALSE(Open(peer.Path()));
    const std::error_code ec = Open(peer.Path());
    EXPECT_EQ(ec.value(), 16);
    EXPECT_EQ(ec.category(), std::generic_category());
    EXPECT_TRUE(port->IsOpen());
    port->Write("AT\r", 3);
    EXPECT_EQ(peer.ReadUntil('\r'), "AT\r");
}

TEST_F(SerialPortTest, DeviceIsHeldExclusivelyWhileOpen) {
    int exclusive = -1;
    ASSERT_FALSE(Open(peer.Path()));
    ASSERT_EQ(::ioctl(peer.SlaveFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    if (::geteuid() != 0) {  // root may open an exclusive tty anyway
        const int fd = ::open(peer.Path().c_str(), O_RDWR | O_NOCTTY);
        EXPECT_EQ(fd, -1);
        EXPECT_EQ(errno, EBUSY);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    port->Close();
    ASSERT_EQ(::ioctl(peer.SlaveFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

// The exclusive-open flag does not hold root back, and other serial programs
// look for an advisory lock: a locked device is refused, ours is locked.
TEST_F(SerialPortTest, AdvisoryLockKeepsThePortToOneProgram) {
    const int other = ::open(peer.Path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    const std::error_code refused = Open(peer.Path());
    EXPECT_EQ(refused, PortError::InUse);
    EXPECT_EQ(refused.message(), "in use by another program");
    EXPECT_FALSE(port->IsOpen());
    ::flock(other, LOCK_UN);

    ASSERT_FALSE(Open(peer.Path()));
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "the port is not locked while open";
    auto second = std::make_shared<CSerialportMP>(exec.Context());
    std::error_code ec;
    second->Open(ec, peer.Path(), 115200, 0, 0);
    EXPECT_EQ(ec, PortError::InUse);
    port->Close();
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0) << "the lock outlived the close";
    ::close(other);
}

TEST_F(SerialPortTest, RejectedSettingsLeaveThePortClosed) {
    // One and a half stop bits: Linux has none, so the option is refused.
    EXPECT_TRUE(Open(peer.Path(), 0, 1));
    EXPECT_FALSE(port->IsOpen());

    const std::pair<std::pair<uint8_t, uint8_t>, const char*> invalid[] = {
        {{3, 0}, "invalid parity value"},
        {{0, 3}, "invalid stop_bits value"},
    };
    for (const auto& [settings, message] : invalid) {
        try {
            Open(peer.Path(), settings.first, settings.second);
            ADD_FAILURE() << "no exception for " << message;
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), message);
        }
        EXPECT_FALSE(port->IsOpen());
    }
    EXPECT_FALSE(Open(peer.Path(), 2, 2));
    EXPECT_TRUE(port->IsOpen());
}

TEST_F(SerialPortTest, PortNotOwnedBySharedPtrCannotOpen) {
    CSerialportMP plain(exec.Context());
    std::error_code ec;
    try {
        plain.Open(ec, peer.Path(), 115200, 0, 0);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("It seems like that instance is not created from shared_ptr: ", 0), 0u);
    }
    EXPECT_FALSE(plain.IsOpen());
}

TEST_F(SerialPortTest, HangUpEndsTheReadLoopAfterOneFailedRead) {
    ASSERT_FALSE(Open(peer.Path()));
    peer.Write("x");
    ASSERT_TRUE(WaitUntil([&] { return reports.Bytes() == "x"; }));
    peer.CloseMaster();
    // With the read loop stopped nothing is outstanding, so the run threads
    // end by themselves; a loop that kept reading would keep them busy.
    ASSERT_TRUE(WaitUntil([&] { return reports.ReadErrors() > 0 && !exec.HasThreads(); }));
    EXPECT_EQ(reports.ReadErrors(), 1);
    EXPECT_TRUE(port->IsOpen());  // closing is the owner's decision
}

TEST_F(SerialPortTest, StopEndsEvenWhileAReadIsPending) {
    ASSERT_FALSE(Open(peer.Path()));
    ASSERT_TRUE(exec.HasThreads());
    auto stopped = std::async(std::launch::async, [&] { exec.Stop(); });
    ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(exec.HasThreads());

    // The context runs again after a new Start, and the port still works.
    exec.Start();
    port->Write("AT\r", 3);
    EXPECT_EQ(peer.ReadUntil('\r'), "AT\r");
}

}  // namespace
