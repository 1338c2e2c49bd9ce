// The subcommands; each returns the exit status.
#pragma once

#include <string>
#include <vector>

struct GlobalOptions {
    bool json = false;
};

int CmdPorts(const GlobalOptions& g, bool probe, unsigned probeMs, const std::vector<std::string>& onlyPaths);
int CmdInfo(const GlobalOptions& g, const std::string& port);
int CmdExport(const GlobalOptions& g, const std::string& port);
int CmdSet(const GlobalOptions& g, const std::string& port, const std::vector<std::string>& assignments,
           bool skipUnsupported);
int CmdApply(const GlobalOptions& g, const std::string& port, const std::string& file, bool dryRun,
             bool skipUnsupported);
int CmdReboot(const GlobalOptions& g, const std::string& port, bool factoryReset, bool confirmed);
// seconds <= 0: until Ctrl+C.
int CmdScan(const GlobalOptions& g, const std::string& port, double seconds, const std::string& nameFilter,
            bool rssiSet, int rssiMin, std::size_t maxDevices);
int CmdProvision(const GlobalOptions& g, const std::string& file, const std::vector<std::string>& ports,
                 const std::string& nameTemplate, bool skipUnsupported);

// Reads a profile file, refusing what is not usable; false with the error.
// model: what the profile names, maybe empty.
// text, when given, gets the file's bytes.
bool LoadProfileFile(const std::string& file, struct SettingsPatch& patch, std::string& model, std::string& error,
                     std::string* text = nullptr);
// Refuses a name template with an unknown placeholder or one that can give a
// name the module refuses (checked with the longest address and sequence).
bool CheckNameTemplate(const std::string& nameTemplate, int largestSequence, std::string& error);

int CmdStation(const GlobalOptions& g, const std::string& file, const std::string& nameTemplate,
               const std::string& table, bool refuseMissing, const std::string& log, const std::string& pattern,
               const std::vector<std::string>& dirs, bool again, bool skipUnsupported, unsigned settleMs);
