#include "link/device_access.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

TEST(DeviceAccess, BareNamesLiveUnderDev) {
    EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");
    EXPECT_EQ(SerialDevicePath(""), "");
}

class AccessGroup : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kestov-access-XXXXXX";
        int fd = ::mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        ::close(fd);
        m_path = tmpl;
    }
    void TearDown() override { ::unlink(m_path.c_str()); }
    std::string m_path;
};

TEST_F(AccessGroup, NamesTheOwningGroupOnlyForPermissionErrorsItCouldGrant) {
    const auto denied = std::make_error_code(std::errc::permission_denied);
    struct group* gr = ::getgrgid(::getegid());
    ASSERT_NE(gr, nullptr);
    const std::string expected = gr->gr_name;

    ASSERT_EQ(::chmod(m_path.c_str(), 0660), 0);
    EXPECT_EQ(AccessGroupFor(m_path, denied), expected);
    // Another error, or a group that may not write, gives no advice.
    EXPECT_EQ(AccessGroupFor(m_path, std::make_error_code(std::errc::device_or_resource_busy)), "");
    ASSERT_EQ(::chmod(m_path.c_str(), 0640), 0);
    EXPECT_EQ(AccessGroupFor(m_path, denied), "");
    EXPECT_EQ(AccessGroupFor("/nonexistent/tty", denied), "");
}
