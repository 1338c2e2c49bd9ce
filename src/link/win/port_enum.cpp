// Windows: the registry's serial device map names the ports; the device setup
// class of ports adds what the system knows of each (nothing is opened).
#include "link/port_enum.h"

#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

std::string Utf8(const wchar_t* text, int length = -1) {
    if (text == nullptr) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty()) {
        out.pop_back();  // the terminating NUL
    }
    return out;
}

std::vector<std::string> MappedPorts() {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        wchar_t value[256];
        DWORD nameLength = 256;
        DWORD valueBytes = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        const LONG r =
            ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(value), &valueBytes);
        if (r == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (r != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        value[valueBytes / sizeof(wchar_t)] = L'\0';
        if (value[0] != L'\0') {
            ports.push_back(Utf8(value));
        }
    }
    ::RegCloseKey(key);
    return ports;
}

std::string DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[512] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                             sizeof buffer - sizeof(wchar_t), nullptr)) {
        return {};
    }
    return Utf8(buffer);  // the first string of a list
}

// "USB\VID_0403&PID_6001\A10KZP45": ids after "VID_" and "PID_", and for a
// USB device the serial number as its instance's last part.
void FillIds(const std::string& instance, SerialPortEntry& entry) {
    auto after = [&](const char* tag) -> std::string {
        const std::size_t at = instance.find(tag);
        return at == std::string::npos ? std::string() : instance.substr(at + 4, 4);
    };
    entry.vendorId = after("VID_");
    entry.productId = after("PID_");
    std::transform(entry.vendorId.begin(), entry.vendorId.end(), entry.vendorId.begin(), ::tolower);
    std::transform(entry.productId.begin(), entry.productId.end(), entry.productId.begin(), ::tolower);
    const std::size_t last = instance.rfind('\\');
    if (instance.rfind("USB\\", 0) == 0 && last != std::string::npos && instance.find('&', last) == std::string::npos) {
        entry.serial = instance.substr(last + 1);
    }
}

// Port name -> what the device setup class of ports says of it.
std::map<std::string, SerialPortEntry> SetupDetails() {
    std::map<std::string, SerialPortEntry> details;
    HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return details;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        wchar_t portName[64] = {};
        DWORD bytes = sizeof portName - sizeof(wchar_t);
        DWORD type = 0;
        const bool named = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName),
                                              &bytes) == ERROR_SUCCESS &&
                           type == REG_SZ;
        ::RegCloseKey(key);
        if (!named) {
            continue;
        }
        SerialPortEntry entry;
        entry.product = DeviceProperty(set, device, SPDRP_FRIENDLYNAME);
        if (entry.product.empty()) {
            entry.product = DeviceProperty(set, device, SPDRP_DEVICEDESC);
        }
        entry.manufacturer = DeviceProperty(set, device, SPDRP_MFG);
        wchar_t instance[512] = {};
        if (::SetupDiGetDeviceInstanceIdW(set, &device, instance, 511, nullptr)) {
            FillIds(Utf8(instance), entry);
        }
        details[Utf8(portName)] = entry;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return details;
}

// COM2 before COM10; other names after the numbered ones, by name.
bool PortOrder(const SerialPortEntry& a, const SerialPortEntry& b) {
    auto number = [](const std::string& name) {
        return name.size() > 3 && name.compare(0, 3, "COM") == 0 ? std::atol(name.c_str() + 3) : 0L;
    };
    const long na = number(a.path), nb = number(b.path);
    if ((na > 0) != (nb > 0)) {
        return na > 0;
    }
    return na != nb ? na < nb : a.path < b.path;
}

}  // namespace

std::vector<SerialPortEntry> ListSerialPorts() {
    const std::map<std::string, SerialPortEntry> details = SetupDetails();
    std::vector<SerialPortEntry> ports;
    for (const std::string& name : MappedPorts()) {
        const auto found = details.find(name);
        SerialPortEntry entry = found != details.end() ? found->second : SerialPortEntry{};
        entry.path = name;
        ports.push_back(std::move(entry));
    }
    std::sort(ports.begin(), ports.end(), PortOrder);
    ports.erase(std::unique(ports.begin(), ports.end(),
                            [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.path == b.path; }),
                ports.end());
    return ports;
}
