// What kestovctl prints: JSON for --json, aligned text otherwise.
#pragma once

#include "ops/station/apply_runner.h"
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
// "kestovctl: warning: TEXT" on stderr.
void PrintWarning(const std::string& text);

// Every JSON document starts with the schema version and carries "exit":
// the exit status it stands for, or null on a progress event.
inline constexpr int kJsonSchema = 1;
// Prints one document on its own line (thread-safe) and flushes it.
void EmitJson(nlohmann::json body, const nlohmann::json& exitStatus);
// Whether a command has printed a document yet; if not, main prints one for
// the outcome with the first error.
bool JsonEmitted();
const std::string& FirstError();
