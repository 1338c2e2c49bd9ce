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
bool LoadProfileFile(const std::string& file, struct SettingsPatch& patch, std::string& model, std::string& error);
