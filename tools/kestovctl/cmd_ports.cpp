// ports: the serial ports, and with --probe which of them hold a module.
#include "commands.h"
#include "ops/station/exit_codes.h"
#include "link/port_enum.h"
#include "ops/ports/port_probe.h"
#include "report.h"

#include <cstdio>
#include <iostream>

namespace {

const char* OutcomeWord(ProbeOutcome o) {
    switch (o) {
    case ProbeOutcome::Module:
        return "module";
    case ProbeOutcome::NoModule:
        return "no-module";
    case ProbeOutcome::InUse:
        return "in-use";
    case ProbeOutcome::NoPermission:
        return "no-permission";
    case ProbeOutcome::OpenFailed:
        return "open-failed";
    }
    return "";
}

}  // namespace

int CmdPorts(const GlobalOptions& g, bool probe, unsigned probeMs, const std::vector<std::string>& onlyPaths) {
    // Named paths replace the system's list.
    std::vector<SerialPortEntry> ports = onlyPaths.empty() ? ListSerialPorts() : std::vector<SerialPortEntry>{};
    for (const std::string& path : onlyPaths) {
        SerialPortEntry e;
        e.path = path;
        ports.push_back(e);
    }
    std::vector<ProbeResult> probes;
    if (probe) {
        std::vector<std::string> paths;
        for (const SerialPortEntry& p : ports) {
            paths.push_back(p.path);
        }
        probes = ProbePorts(paths, probeMs);
    }
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const SerialPortEntry& p = ports[i];
        nlohmann::json j = {{"path", p.path},
                            {"byId", p.byId},
                            {"vendorId", p.vendorId},
                            {"productId", p.productId},
                            {"manufacturer", p.manufacturer},
                            {"product", p.product},
                            {"serial", p.serial}};
        if (probe) {
            j["probe"] = OutcomeWord(probes[i].outcome);
            j["model"] = probes[i].model;
            if (!probes[i].detail.empty()) {
                j["detail"] = probes[i].detail;
            }
        }
        list.push_back(j);
    }
    if (g.json) {
        EmitJson({{"ports", list}}, EXIT_OK);
        return EXIT_OK;
    }
    if (ports.empty()) {
        std::printf("no serial ports\n");
    }
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const SerialPortEntry& p = ports[i];
        std::string usb = p.vendorId.empty() ? "" : p.vendorId + ":" + p.productId;
        if (!p.product.empty()) {
            usb += " " + p.product;
        }
        std::printf("%-16s %-10s", p.path.c_str(), usb.c_str());
        if (probe) {
            const ProbeResult& r = probes[i];
            std::printf("  %-13s %s", OutcomeWord(r.outcome),
                        r.outcome == ProbeOutcome::Module ? r.model.c_str() : r.detail.c_str());
        }
        if (!p.byId.empty()) {
            std::printf("  %s", p.byId.c_str());
        }
        std::printf("\n");
    }
    return EXIT_OK;
}
