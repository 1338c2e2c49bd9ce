// Per-module values for the station: a CSV table whose header names an
// "address" column (12 hex digits, colons allowed) and/or a "serial" column
// (the USB adapter's serial number), and any setting fields ("name",
// "slot1", "beacon-string", ...) whose cells are written to that module. An
// empty cell leaves the field to the profile.
#pragma once

#include "ops/session/settings_patch.h"

#include <map>
#include <string>

class ModuleTable {
public:
    // False with the reason (file, line and field) when the table is not usable.
    bool Load(const std::string& path, std::string& error);
    bool LoadText(const std::string& text, std::string& error);

    // The row for this module: by address first, else by the adapter's serial.
    const SettingsPatch* Find(const std::string& addressHex, const std::string& adapterSerial) const;
    std::size_t Size() const { return m_rows; }

private:
    std::map<std::string, SettingsPatch> m_byAddress;
    std::map<std::string, SettingsPatch> m_bySerial;
    std::size_t m_rows = 0;
};
