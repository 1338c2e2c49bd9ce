#include "port_enum.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The USB device a tty hangs off: the nearest parent directory with idVendor.
void FillUsbIdentity(const fs::path& ttyDevice, SerialPortEntry& entry) {
    std::error_code ec;
    fs::path dir = fs::canonical(ttyDevice, ec);
    for (int depth = 0; !ec && depth < 8 && dir.has_parent_path() && dir != dir.root_path(); ++depth) {
        if (fs::exists(dir / "idVendor", ec)) {
            entry.vendor_id = FirstLine(dir / "idVendor");
            entry.product_id = FirstLine(dir / "idProduct");
            entry.manufacturer = FirstLine(dir / "manufacturer");
            entry.product = FirstLine(dir / "product");
            entry.serial = FirstLine(dir / "serial");
            return;
        }
        dir = dir.parent_path();
    }
}

}  // namespace

std::vector<SerialPortEntry> ListSerialPorts() {
    std::vector<SerialPortEntry> ports;
    std::error_code ec;
    for (const fs::directory_entry& tty : fs::directory_iterator("/sys/class/tty", ec)) {
        const fs::path device = tty.path() / "device";
        std::error_code e;
        if (!fs::exists(device, e)) {
            continue;  // virtual terminals and the like
        }
        // The legacy 8250 placeholders have a device but no driver behind a real port.
        const std::string driver = fs::canonical(device / "driver", e).filename().string();
        if (driver == "serial8250" && !fs::exists(device / "resources", e)) {
            continue;
        }
        SerialPortEntry entry;
        entry.path = "/dev/" + tty.path().filename().string();
        FillUsbIdentity(device, entry);
        ports.push_back(std::move(entry));
    }
    for (const fs::directory_entry& link : fs::directory_iterator("/dev/serial/by-id", ec)) {
        std::error_code e;
        const fs::path target = fs::canonical(link.path(), e);
        for (SerialPortEntry& p : ports) {
            if (!e && target == p.path) {
                p.by_id = link.path().string();
            }
        }
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.path < b.path; });
    return ports;
}
