// info, export, set, apply, reboot and factory-reset.
#include "ops/station/apply_runner.h"
#include "commands.h"
#include "interrupt.h"
#include "ops/station/exit_codes.h"
#include "link/file_io.h"
#include "ops/station/module_link.h"
#include "ops/profiles/profile.h"
#include "report.h"

#include <cstdio>
#include <iostream>
#include <sstream>

namespace {

// Reads everything back from an identified module; prints the error itself.
bool ReadModule(const std::string& port, OpenResult& opened, ReadResult& read) {
    opened = OpenModule(port);
    if (!opened.link) {
        PrintError(opened.error);
        return false;
    }
    read = ReadModuleSettings(*opened.link);
    if (!read) {
        PrintError(port + ": read-back failed: " + read.Describe());
        return false;
    }
    return true;
}

int ExitOf(const OpenResult& opened, const ReadResult& read) { return !opened.link ? opened.exitCode : ExitFor(read); }

int Finish(const GlobalOptions& g, const PortReport& r, bool dryRun) {
    for (const std::string& w : r.warnings) {
        PrintWarning(w);
    }
    if (g.json) {
        EmitJson(PortReportJson(r), r.exitCode);
    } else {
        PrintPortReport(r, dryRun);
    }
    if (r.exitCode != 0) {
        PrintError(r.error);
    }
    return r.exitCode;
}

}  // namespace

bool LoadProfileFile(const std::string& file, SettingsPatch& patch, std::string& model, std::string& error,
                     std::string* text) {
    // Regular files only: a FIFO or a device in its place is refused, never waited on.
    const file_io::ReadResult read = file_io::ReadWholeFile(file, profile::kMaxBytes);
    if (read.error) {
        error = file + ": cannot read the profile: " + read.error.Text();
        return false;
    }
    const profile::Parsed parsed = profile::Parse(read.data);
    if (!parsed.error.empty()) {
        error = file + ": " + parsed.error;
        return false;
    }
    patch = parsed.patch;
    model = parsed.model;
    if (text) {
        *text = read.data;
    }
    return true;
}

int CmdInfo(const GlobalOptions& g, const std::string& port) {
    OpenResult opened;
    ReadResult read;
    if (!ReadModule(port, opened, read)) {
        return ExitOf(opened, read);
    }
    if (g.json) {
        nlohmann::json j = SettingsJson(read.settings);
        j["port"] = port;
        EmitJson(j, EXIT_OK);
    } else {
        PrintSettings(port, read.settings);
    }
    return EXIT_OK;
}

int CmdExport(const GlobalOptions& g, const std::string& port) {
    OpenResult opened;
    ReadResult read;
    if (!ReadModule(port, opened, read)) {
        return ExitOf(opened, read);
    }
    if (g.json) {
        EmitJson({{"port", port}, {"profile", nlohmann::json::parse(profile::Export(read.settings))}}, EXIT_OK);
        return EXIT_OK;
    }
    std::cout << profile::Export(read.settings);
    return EXIT_OK;
}

int CmdSet(const GlobalOptions& g, const std::string& port, const std::vector<std::string>& assignments,
           bool skipUnsupported) {
    ApplyRequest request;
    request.keepGoing = [] { return !interrupt::Requested(); };
    request.port = port;
    request.skipUnsupported = skipUnsupported;
    for (const std::string& word : assignments) {
        if (std::string error = settings_patch::AddAssignment(request.patch, word); !error.empty()) {
            PrintError(error);
            return EXIT_USAGE;
        }
    }
    if (request.patch.Empty()) {
        PrintError("set: name at least one setting, e.g. name=KST-01");
        return EXIT_USAGE;
    }
    return Finish(g, RunApply(request), false);
}

int CmdApply(const GlobalOptions& g, const std::string& port, const std::string& file, bool dryRun,
             bool skipUnsupported) {
    ApplyRequest request;
    request.keepGoing = [] { return !interrupt::Requested(); };
    request.port = port;
    request.dryRun = dryRun;
    request.skipUnsupported = skipUnsupported;
    std::string error;
    if (!LoadProfileFile(file, request.patch, request.profileModel, error)) {
        PrintError(error);
        return EXIT_USAGE;
    }
    return Finish(g, RunApply(request), dryRun);
}

int CmdReboot(const GlobalOptions& g, const std::string& port, bool factoryReset, bool confirmed) {
    if (factoryReset && !confirmed) {
        PrintError("factory-reset erases the module's settings; add --yes to do it");
        return EXIT_USAGE;
    }
    OpenResult opened = OpenModule(port);
    if (!opened.link) {
        PrintError(opened.error);
        return opened.exitCode;
    }
    DeviceSession& session = opened.link->session;
    const SessionResult r = factoryReset ? session.FactoryReset() : session.Reboot();
    const char* what = factoryReset ? "factory-reset" : "reboot";
    if (g.json) {
        nlohmann::json j = {{"port", port}, {"command", what}, {"ok", bool(r)}};
        if (!r) {
            j["error"] = port + ": " + r.Describe();
        }
        EmitJson(j, ExitFor(r));
    } else if (r) {
        std::printf("%s: %s done, the module restarted\n", port.c_str(), what);
    }
    if (!r) {
        PrintError(port + ": " + r.Describe());
    }
    return ExitFor(r);
}
