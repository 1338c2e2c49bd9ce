#include "report.h"

#include "ops/session/setting_fields.h"
#include "ops/session/settings_patch.h"
#include "ops/traffic/traffic_text.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <mutex>

using nlohmann::json;

namespace {

std::string FieldStatus(const PortReport& r, const FieldChange& c) {
    const ApplyOutcome& o = r.outcome;
    const bool written = std::find(o.written.begin(), o.written.end(), c.field) != o.written.end();
    if (!written) {
        return r.exitCode == 0 ? "would write" : "not written";
    }
    for (const FieldChange& m : o.mismatches) {
        if (m.field == c.field) {
            return "mismatch";
        }
    }
    return o.verified ? "verified" : "written";
}

// Module texts may hold anything: shown as the traffic view shows wire bytes.
std::string Visible(const std::string& text) { return traffic::EscapeWireBytes(text); }

std::mutex g_outputMutex;
std::atomic<bool> g_jsonEmitted{false};
std::string g_firstError;

}  // namespace

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

void PrintError(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_outputMutex);
    if (g_firstError.empty()) {
        g_firstError = text;
    }
    std::fprintf(stderr, "kestovctl: %s\n", Visible(text).c_str());
}

void PrintWarning(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_outputMutex);
    std::fprintf(stderr, "kestovctl: warning: %s\n", Visible(text).c_str());
}

void EmitJson(json body, const json& exitStatus) {
    json j = {{"schema", kJsonSchema}};
    j.update(body);
    j["exit"] = exitStatus;
    std::lock_guard<std::mutex> lock(g_outputMutex);
    std::cout << Dump(j) << std::endl;
    g_jsonEmitted = true;
}

bool JsonEmitted() { return g_jsonEmitted; }

const std::string& FirstError() { return g_firstError; }

nlohmann::ordered_json SettingsJson(const DeviceSettings& s) {
    nlohmann::ordered_json j = {
        {"model", s.modelName},
        {"firmware", s.firmware},
        {"address", AddressText(s.address)},
        {"state", s.state},
    };
    j.update(setting_fields::ToJson(s));
    return j;
}

void PrintSettings(const std::string& port, const DeviceSettings& s) {
    auto row = [](const std::string& label, const std::string& value) {
        std::printf("%-10s %s\n", label.c_str(), Visible(value).c_str());
    };
    row("Port", port);
    row("Model", s.modelName);
    row("Firmware", s.firmware);
    row("Address", AddressText(s.address));
    for (const setting_fields::Command& c : setting_fields::Commands()) {
        if (!c.info) {
            continue;
        }
        if (c.beaconOnly && !s.hasBeacon) {
            row(c.infoLabel, "(none on this model)");
            continue;
        }
        const int count = c.perSlot ? static_cast<int>(s.slotEntries.size()) : 1;
        for (int n = 1; n <= count; ++n) {
            row(c.perSlot ? c.infoLabel + (" " + std::to_string(n)) : c.infoLabel, c.info(s, n));
        }
    }
}

json PortReportJson(const PortReport& r) {
    json fields = json::array();
    for (const FieldChange& c : r.outcome.changes) {
        fields.push_back({{"field", c.field}, {"from", c.from}, {"to", c.to}, {"status", FieldStatus(r, c)}});
    }
    json j = {{"port", r.port},
              {"ok", r.exitCode == 0},
              {"exit", r.exitCode},
              {"changes", fields},
              {"written", r.outcome.written}};
    if (!r.model.empty()) {
        j["model"] = r.model;
    }
    if (!r.address.empty()) {
        j["address"] = r.address;
    }
    // Fixed keys: present (maybe empty) in every report.
    j["skipped"] = r.skipped;
    j["warnings"] = r.warnings;
    j["interrupted"] = r.interrupted;
    j["verified"] = r.outcome.verified;
    if (r.exitCode != 0) {
        j["error"] = r.error;
    }
    return j;
}

void PrintPortReport(const PortReport& r, bool dryRun) {
    if (r.outcome.changes.empty() && r.exitCode == 0) {
        std::printf("%s: nothing to change\n", r.port.c_str());
    }
    for (const std::string& f : r.skipped) {
        std::printf("%-14s skipped: the %s has none\n", f.c_str(), r.model.c_str());
    }
    for (const FieldChange& c : r.outcome.changes) {
        std::printf("%-14s %s -> %s  %s\n", c.field.c_str(), Visible(c.from.empty() ? "\"\"" : c.from).c_str(),
                    Visible(c.to.empty() ? "\"\"" : c.to).c_str(), dryRun ? "(dry run)" : FieldStatus(r, c).c_str());
    }
}
