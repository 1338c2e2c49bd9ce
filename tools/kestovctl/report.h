// What kestovctl prints: JSON for --json, aligned text otherwise.
#pragma once

#include "apply_runner.h"
#include "ops/session/device_settings.h"

#include <nlohmann/json.hpp>

#include <string>

nlohmann::ordered_json SettingsJson(const DeviceSettings& s);
void PrintSettings(const std::string& port, const DeviceSettings& s);

// Per changed field: from, to and what became of it.
nlohmann::json PortReportJson(const PortReport& r);
void PrintPortReport(const PortReport& r, bool dryRun);

// One JSON document on one line; invalid UTF-8 from a module is replaced.
std::string Dump(const nlohmann::json& j);
// Errors go to stderr on one line: "kestovctl: TEXT".
void PrintError(const std::string& text);
