// The port list read from a device tree laid out as the kernel lays it out:
// a USB adapter with its strings and by-id link, an ACM modem, a real and an
// empty legacy slot, and a virtual terminal.
#include "link/port_enum.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class PortEnumTree : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("kestov-port-enum-" + std::to_string(::getpid()));
        fs::remove_all(root);
        const fs::path usb = root / "sys/devices/pci0/usb1/1-2";
        Attr(usb / "idVendor", "10c4");
        Attr(usb / "idProduct", "ea60");
        Attr(usb / "manufacturer", "Silicon Labs");
        Attr(usb / "product", "CP2102 USB to UART Bridge Controller");
        Attr(usb / "serial", "0001");
        fs::create_directories(usb / "1-2:1.0/ttyUSB0");
        Tty("ttyUSB0", usb / "1-2:1.0/ttyUSB0");

        const fs::path acm = root / "sys/devices/pci0/usb1/1-3";
        Attr(acm / "idVendor", "2341");
        Attr(acm / "idProduct", "0043");
        fs::create_directories(acm / "1-3:1.0");
        Tty("ttyACM0", acm / "1-3:1.0");

        fs::create_directories(root / "sys/devices/platform/serial8250");
        Tty("ttyS0", root / "sys/devices/platform/serial8250", "4");
        Tty("ttyS1", root / "sys/devices/platform/serial8250", "0");
        Tty("tty1", {});

        fs::create_directories(root / "dev/serial/by-id");
        fs::create_symlink("../../ttyUSB0", root / "dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0");
    }
    void TearDown() override { fs::remove_all(root); }

    static void Attr(const fs::path& file, const std::string& value) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << value << "\n";
    }
    // A class entry, its device link (none for virtual ones) and its node.
    void Tty(const std::string& name, const fs::path& device, const std::string& type = "") {
        const fs::path entry = root / "sys/class/tty" / name;
        fs::create_directories(entry);
        if (!device.empty()) fs::create_directory_symlink(device, entry / "device");
        if (!type.empty()) Attr(entry / "type", type);
        fs::create_directories(root / "dev");
        std::ofstream(root / "dev" / name) << "";
    }

    std::vector<SerialPortEntry> List() const {
        return port_enum_detail::ListSerialPortsIn((root / "sys/class/tty").string(), (root / "dev").string(),
                                                   (root / "dev/serial/by-id").string());
    }

    fs::path root;
};

TEST_F(PortEnumTree, HardwarePortsWithTheirUsbDetailsAndStableNames) {
    const std::vector<SerialPortEntry> ports = List();
    ASSERT_EQ(ports.size(), 3u);
    const std::string dev = (root / "dev").string();
    EXPECT_EQ(ports[0].path, dev + "/ttyACM0");
    EXPECT_EQ(ports[1].path, dev + "/ttyS0");
    EXPECT_EQ(ports[2].path, dev + "/ttyUSB0");

    EXPECT_EQ(ports[0].vendorId, "2341");
    EXPECT_EQ(ports[0].productId, "0043");
    EXPECT_TRUE(ports[0].byId.empty());

    EXPECT_TRUE(ports[1].vendorId.empty());
    EXPECT_TRUE(ports[1].product.empty());

    const SerialPortEntry& usb = ports[2];
    EXPECT_EQ(usb.byId, dev + "/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0");
    EXPECT_EQ(usb.vendorId, "10c4");
    EXPECT_EQ(usb.productId, "ea60");
    EXPECT_EQ(usb.manufacturer, "Silicon Labs");
    EXPECT_EQ(usb.product, "CP2102 USB to UART Bridge Controller");
    EXPECT_EQ(usb.serial, "0001");
}

TEST(PortEnumSystem, EveryListedPortIsADevicePath) {
    for (const SerialPortEntry& p : ListSerialPorts()) {
        EXPECT_EQ(p.path.rfind("/dev/", 0), 0u) << p.path;
        EXPECT_TRUE(p.byId.empty() || p.byId.rfind("/dev/serial/by-id/", 0) == 0) << p.byId;
    }
}

}  // namespace
