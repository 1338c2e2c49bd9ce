#include "port_enum.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// First line of a sysfs attribute, without trailing blanks; empty when absent.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

// An 8250-family slot exists for every legacy port number whether or not a
// UART answers there; its type is 0 (unknown) then.
bool IsEmptyLegacySlot(const fs::path& classEntry) {
    const fs::path type = classEntry / "type";
    std::error_code ec;
    return fs::exists(type, ec) && ReadAttribute(type) == "0";
}

// Walks from the tty's device up to the USB device that carries the ids.
void FillUsbDetails(const fs::path& device, SerialPortEntry& entry) {
    std::error_code ec;
    fs::path dir = fs::canonical(device, ec);
    if (ec) {
        return;
    }
    for (int up = 0; up < 5 && !dir.empty() && dir != dir.root_path(); ++up, dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec)) {
            entry.vendorId = ReadAttribute(dir / "idVendor");
            entry.productId = ReadAttribute(dir / "idProduct");
            entry.manufacturer = ReadAttribute(dir / "manufacturer");
            entry.product = ReadAttribute(dir / "product");
            entry.serial = ReadAttribute(dir / "serial");
            return;
        }
    }
}

// Canonical device path -> the by-id link naming it.
std::map<std::string, std::string> ByIdLinks(const std::string& byIdDir) {
    std::map<std::string, std::string> links;
    std::error_code ec;
    for (fs::directory_iterator it(byIdDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkEc;
        const fs::path target = fs::canonical(it->path(), linkEc);
        if (!linkEc) {
            links.emplace(target.string(), it->path().string());
        }
    }
    return links;
}

}  // namespace

namespace port_enum_detail {

std::vector<SerialPortEntry> ListSerialPortsIn(const std::string& ttyClassDir, const std::string& devDir,
                                               const std::string& byIdDir) {
    const std::map<std::string, std::string> byId = ByIdLinks(byIdDir);
    std::vector<SerialPortEntry> ports;
    std::error_code ec;
    for (fs::directory_iterator it(ttyClassDir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path classEntry = it->path();
        std::error_code entryEc;
        // Virtual terminals, the console and pseudo-terminals have no device.
        if (!fs::exists(classEntry / "device", entryEc) || IsEmptyLegacySlot(classEntry)) {
            continue;
        }
        SerialPortEntry entry;
        entry.path = (fs::path(devDir) / classEntry.filename()).string();
        if (!fs::exists(entry.path, entryEc)) {
            continue;
        }
        const fs::path canonical = fs::canonical(entry.path, entryEc);
        const auto link = byId.find(entryEc ? entry.path : canonical.string());
        if (link != byId.end()) {
            entry.byId = link->second;
        }
        FillUsbDetails(classEntry / "device", entry);
        ports.push_back(std::move(entry));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.path < b.path; });
    return ports;
}

}  // namespace port_enum_detail

std::vector<SerialPortEntry> ListSerialPorts() {
    return port_enum_detail::ListSerialPortsIn("/sys/class/tty", "/dev", "/dev/serial/by-id");
}
