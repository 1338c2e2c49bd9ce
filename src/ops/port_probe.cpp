#include "port_probe.h"

#include "device_session.h"
#include "link/comm.h"

#include <thread>

namespace {

ProbeResult ProbeOne(const std::string& path, unsigned budgetMs) {
    ProbeResult r{path, ProbeOutcome::OpenFailed, "", ""};
    KestovLV2xxComm comm;
    std::error_code ec;
    comm.Open(ec, path, 115200, 0, 0);
    if (ec) {
        r.detail = ec.message();
        if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) {
            r.outcome = ProbeOutcome::NoPermission;
        } else if (ec == std::errc::device_or_resource_busy || ec == std::errc::resource_unavailable_try_again) {
            r.outcome = ProbeOutcome::InUse;
        }
        return r;
    }
    DeviceSession session(comm);
    // Half the budget for each question; one try, there is no time for two.
    const unsigned half = budgetMs / 2 > 0 ? budgetMs / 2 : 1;
    const IdentifyResult id = session.Identify({half, 1, half});
    comm.Close();
    if (id) {
        r.outcome = ProbeOutcome::Module;
        r.model = id.modelText;
    } else {
        r.outcome = ProbeOutcome::NoModule;
        r.model = id.error == SessionError::Unsupported ? id.modelText : "";
        r.detail = id.Describe();
    }
    return r;
}

}  // namespace

std::vector<ProbeResult> ProbePorts(const std::vector<std::string>& paths, unsigned budget_ms) {
    std::vector<ProbeResult> results(paths.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        threads.emplace_back([&, i] { results[i] = ProbeOne(paths[i], budget_ms); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    return results;
}
