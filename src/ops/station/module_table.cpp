#include "ops/station/module_table.h"

#include "link/file_io.h"
#include "ops/station/csv_rows.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr std::size_t kMaxTableBytes = 16u << 20;

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// 12 upper-case hex digits, or empty when the text is no address.
std::string AddressKey(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == ':' || c == '-') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return {};
        }
        out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return out.size() == 12 ? out : std::string();
}

}  // namespace

bool ModuleTable::Load(const std::string& path, std::string& error) {
    const file_io::ReadResult read = file_io::ReadWholeFile(path, kMaxTableBytes);
    if (read.error) {
        error = path + ": cannot read the table: " + read.error.Text();
        return false;
    }
    if (!LoadText(read.data, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ModuleTable::LoadText(const std::string& text, std::string& error) {
    std::vector<std::vector<std::string>> rows;
    if (!ParseCsv(text, rows, error)) {
        return false;
    }
    if (rows.empty()) {
        error = "the table is empty";
        return false;
    }
    std::vector<std::string> header;
    for (const std::string& h : rows[0]) {
        std::string name = Trimmed(h);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        header.push_back(name);
    }
    const auto column = [&](const char* name) {
        const auto it = std::find(header.begin(), header.end(), name);
        return it == header.end() ? -1 : static_cast<int>(it - header.begin());
    };
    const int addressCol = column("address");
    const int serialCol = column("serial");
    if (addressCol < 0 && serialCol < 0) {
        error = "line 1: the table needs an \"address\" or a \"serial\" column";
        return false;
    }
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const std::string where = "line " + std::to_string(r + 1) + ": ";
        const std::vector<std::string>& row = rows[r];
        SettingsPatch patch;
        std::string address, serial;
        for (std::size_t c = 0; c < row.size() && c < header.size(); ++c) {
            const std::string cell = Trimmed(row[c]);
            if (static_cast<int>(c) == addressCol) {
                if (!cell.empty() && (address = AddressKey(cell)).empty()) {
                    error = where + "\"" + cell + "\" is not a Bluetooth address (12 hex digits)";
                    return false;
                }
            } else if (static_cast<int>(c) == serialCol) {
                serial = cell;
            } else if (!cell.empty()) {
                if (const std::string refused = settings_patch::AddAssignment(patch, header[c] + "=" + row[c]);
                    !refused.empty()) {
                    error = where + header[c] + ": " + refused;
                    return false;
                }
            }
        }
        if (address.empty() && serial.empty()) {
            error = where + "neither an address nor a serial number";
            return false;
        }
        if ((!address.empty() && m_byAddress.count(address)) || (!serial.empty() && m_bySerial.count(serial))) {
            error = where + "the module is in the table twice";
            return false;
        }
        if (!address.empty()) {
            m_byAddress[address] = patch;
        }
        if (!serial.empty()) {
            m_bySerial[serial] = patch;
        }
        ++m_rows;
    }
    return true;
}

const SettingsPatch* ModuleTable::Find(const std::string& addressHex, const std::string& adapterSerial) const {
    if (const auto it = m_byAddress.find(AddressKey(addressHex)); it != m_byAddress.end()) {
        return &it->second;
    }
    if (!adapterSerial.empty()) {
        if (const auto it = m_bySerial.find(adapterSerial); it != m_bySerial.end()) {
            return &it->second;
        }
    }
    return nullptr;
}
