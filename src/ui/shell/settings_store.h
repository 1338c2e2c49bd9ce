// The program's remembered values (last port, line setting, scan filters)
// in the user's settings file, group "Default Values". Values are integers
// and texts only; a value of another form gives the default. A write changes
// only its own entry and replaces the file atomically. A file that cannot be
// read (too large, unreadable, not a regular file) or written is never
// written over: the session's values are kept in memory and the user is
// told once that they will not be saved.
#pragma once

#include <QString>

#include <functional>

class SettingsStore {
public:
    static constexpr const char* kSection = "Default Values";
    static constexpr const char* kComPort = "Application COM port";
    static constexpr const char* kBaudRate = "Application buadrate";  // sic: the stored key
    static constexpr const char* kParity = "Application parity";
    static constexpr const char* kStopBit = "Application stopbit";
    static constexpr const char* kNameFilterCheck = "Name filter check";
    static constexpr const char* kNameFilterValue = "Name filter value";
    static constexpr const char* kRssiFilterCheck = "RSSI filter check";
    static constexpr const char* kRssiFilterValue = "Scan RSSI filter value";
    static constexpr const char* kBeaconFormat = "Beacon Adv. Data Format";
    static constexpr const char* kFindBudgetMs = "Find module time-out ms";

    static int GetProfileInt(const char* key, int def);
    static QString GetProfileString(const char* key, const QString& def);
    static void WriteProfileInt(const char* key, int value);
    static void WriteProfileString(const char* key, const QString& value);
    // Receives the one message that this session's settings will not be
    // saved; a message from before the handler came is handed over at once.
    static void OnNotice(std::function<void(const QString&)> handler);
    // Tests: use this INI file instead of the user's store; empty path restores the default store.
    // Without one the store is the user's <config>/Talvern/<application name>.conf.
    static void UseFile(const QString& iniPath);
};
