#include "ops/station/apply_runner.h"

#include "ops/station/exit_codes.h"
#include "ops/station/module_link.h"
#include "ops/session/device_settings.h"

#include <cstdio>

bool ExpandNameTemplate(const std::string& tmpl, const std::string& addressHex, int sequence, std::string& out,
                        std::string& error) {
    out.clear();
    for (std::size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] != '{') {
            out.push_back(tmpl[i]);
            continue;
        }
        const std::size_t close = tmpl.find('}', i);
        if (close == std::string::npos) {
            error = "name template: \"{\" without \"}\"";
            return false;
        }
        const std::string field = tmpl.substr(i + 1, close - i - 1);
        if (field == "addr") {
            out += addressHex;
        } else if (field == "addr4") {
            out += addressHex.size() >= 4 ? addressHex.substr(addressHex.size() - 4) : addressHex;
        } else if (field == "seq") {
            out += std::to_string(sequence);
        } else if (field.size() == 6 && field.compare(0, 5, "seq:0") == 0 && field[5] >= '1' && field[5] <= '8') {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%0*d", field[5] - '0', sequence);
            out += buf;
        } else {
            error = "name template: unknown placeholder {" + field + "} (use {addr}, {addr4}, {seq} or {seq:03})";
            return false;
        }
        i = close;
    }
    return true;
}

PortReport RunApply(const ApplyRequest& request, const ApplyProgress& progress) {
    PortReport report;
    report.port = request.port;
    auto say = [&](const std::string& event, const std::string& detail = {}) {
        if (progress) {
            progress(request.port, event, detail);
        }
    };
    auto keepGoing = [&] { return !request.keepGoing || request.keepGoing(); };
    auto fail = [&](int code, std::string error) {
        report.exitCode = code;
        report.error = std::move(error);
        return report;
    };
    auto interrupted = [&] {
        report.interrupted = true;
        std::string written;
        for (const std::string& f : report.outcome.written) {
            written += (written.empty() ? "" : ", ") + f;
        }
        return fail(EXIT_INTERRUPTED, request.port + ": interrupted; written before the stop: " +
                                          (written.empty() ? "nothing" : written + " (not verified)"));
    };

    OpenResult opened = OpenModule(request.port);
    if (!opened.link) {
        report.identifyError = opened.identifyError;
        return fail(opened.exitCode, opened.error);
    }
    ModuleLink& link = *opened.link;
    report.model = link.modelText;
    say("identified", link.modelText);
    if (!request.profileModel.empty() && request.profileModel != link.modelText) {
        report.warnings.push_back(request.port + ": the profile is for a " + request.profileModel +
                                  ", this module is a " + link.modelText);
    }
    if (!keepGoing()) {
        return interrupted();
    }

    SettingsPatch patch = request.patch;
    report.skipped = settings_patch::UnsupportedFields(patch, link.model);
    if (!report.skipped.empty()) {
        if (!request.skipUnsupported) {
            std::string fields;
            for (const std::string& f : report.skipped) {
                fields += (fields.empty() ? "" : ", ") + f;
            }
            report.skipped.clear();
            return fail(EXIT_NO_MODULE, request.port + ": the " + link.modelText + " has no " + fields +
                                            "; nothing was written (--skip-unsupported leaves them out)");
        }
        settings_patch::DropUnsupported(patch, link.model);
    }

    const ReadResult current = ReadModuleSettings(link);
    if (!current) {
        return fail(ExitFor(current), request.port + ": read-back failed: " + current.Describe());
    }
    report.before = current.settings;
    report.address = AddressText(current.settings.address);
    say("read", report.address);
    if (!keepGoing()) {
        return interrupted();
    }

    if (!request.nameTemplate.empty()) {
        std::string name, error;
        if (!ExpandNameTemplate(request.nameTemplate, report.address, request.sequence, name, error)) {
            return fail(EXIT_USAGE, error);
        }
        patch.values["name"] = name;
    }
    if (request.beforeWrite) {
        std::string reason;
        if (!request.beforeWrite(current.settings, patch, reason)) {
            if (reason.empty()) {
                report.heldBack = true;
                return report;
            }
            return fail(EXIT_USAGE, request.port + ": " + reason + "; nothing was written");
        }
    }
    if (const auto name = patch.values.find("name"); name != patch.values.end()) {
        report.nameGiven = name->second;
    }

    // The plan's size tells when the writes are over and the read-back starts.
    const std::size_t toWrite =
        request.dryRun ? 0 : ApplyPatch(link.session, current.settings, patch, true).changes.size();
    std::size_t written = 0;
    report.outcome = ApplyPatch(
        link.session, current.settings, patch, request.dryRun,
        [&](const std::vector<std::string>& fields) {
            std::string list;
            for (const std::string& f : fields) {
                list += (list.empty() ? "" : " ") + f;
            }
            written += fields.size();
            say("wrote", list);
        },
        [&] {
            const bool go = keepGoing();
            if (go && toWrite > 0 && written >= toWrite) {
                say("verifying");
            }
            return go;
        });
    const ApplyOutcome& o = report.outcome;
    if (o.stopped) {
        return interrupted();
    }
    if (!o.refused.empty()) {
        return fail(EXIT_USAGE, request.port + ": " + o.refused + "; nothing was written");
    }
    if (!o.failure) {
        return fail(ExitFor(o.failure), request.port + ": " + o.failure.Describe());
    }
    if (!o.mismatches.empty()) {
        const FieldChange& m = o.mismatches.front();
        return fail(EXIT_MISMATCH,
                    request.port + ": " + m.field + " reads back as \"" + m.to + "\", not \"" + m.from + "\"");
    }
    if (o.verified && !o.written.empty()) {
        say("verified");
    }
    return report;
}

std::string JoinedWords(const std::vector<std::string>& words, const char* separator) {
    std::string out;
    for (const std::string& w : words) {
        out += (out.empty() ? "" : separator) + w;
    }
    return out;
}
