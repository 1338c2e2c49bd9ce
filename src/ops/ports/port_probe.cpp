#include "ops/ports/port_probe.h"

#include "link/at_protocol.h"
#include "link/comm.h"
#include "link/device_access.h"
#include "link/platform.h"
#include "link/port_path.h"
#include "link/serialport.h"
#include "ops/session/device_session.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A module at 115200 baud answers AT within a few milliseconds; a second try
// covers one that lost the first after waking up. Each try may take this
// share of the budget (150 ms of half a second).
constexpr unsigned kAtShareTenths = 3;
constexpr int kAtTries = 2;
// Closing the engine and restoring the line take a little of the budget.
constexpr auto kCloseReserve = std::chrono::milliseconds(30);

unsigned MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<unsigned>(left.count()) : 0;
}

ProbeResult Failure(const std::string& path, const std::error_code& ec) {
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) {
        return {path, ProbeOutcome::NoPermission, "", AccessGroupFor(path, ec)};
    }
    if (ec == std::errc::device_or_resource_busy || ec == std::errc::resource_unavailable_try_again) {
        return {path, ProbeOutcome::InUse, "", ec.message()};
    }
    return {path, ProbeOutcome::OpenFailed, "", ec.message()};
}

// The query itself is the identification's own: AT, then the model question,
// with time-outs cut to what is left of the budget. The model text is kept
// whatever it is.
ProbeOutcome QueryModel(KestovLV2xxComm& comm, Clock::time_point deadline, unsigned at_timeout_ms, std::string& model) {
    const unsigned left = MsLeft(deadline);
    if (left == 0) {
        return ProbeOutcome::NoModule;
    }
    DeviceSession::IdentifyOptions options;
    options.probeTries = kAtTries;
    options.probeTimeoutMs = std::max(1u, std::min(at_timeout_ms, left / (kAtTries + 1)));
    options.modelTimeoutMs = std::max(1u, left - options.probeTimeoutMs * kAtTries);
    DeviceSession session(comm);
    const IdentifyResult id = session.Identify(options);
    model = id.modelText;
    return id ? ProbeOutcome::Module : ProbeOutcome::NoModule;
}

ProbeResult ProbeOne(const std::string& path, const PortPathCheck& checked, Clock::time_point deadline,
                     unsigned at_timeout_ms) {
    if (checked.error) {
        return Failure(path, checked.error);
    }
    // A classic serial program's lock file: not even opened.
    if (uucp_lock::HeldByAnother(checked.device)) {
        return Failure(path, PortError::InUse);
    }
    // The line setting found before is put back afterwards.
    platform::LineGuard line;
    if (const std::error_code ec = line.Take(checked.device)) {
        return Failure(path, ec);
    }
    KestovLV2xxComm comm;
    std::error_code ec;
    comm.Open(ec, checked.device, 115200, 0, 0);
    if (ec) {
        return Failure(path, ec);
    }
    ProbeResult result{path, ProbeOutcome::NoModule, "", ""};
    result.outcome = QueryModel(comm, deadline, at_timeout_ms, result.model);
    comm.Close();
    return result;
}

}  // namespace

std::vector<ProbeResult> ProbePorts(const std::vector<std::string>& paths, unsigned budget_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(budget_ms) - kCloseReserve;
    const unsigned at_timeout_ms = budget_ms * kAtShareTenths / 10;
    std::vector<PortPathCheck> checks;
    checks.reserve(paths.size());
    for (const std::string& path : paths) {
        checks.push_back(CheckPortPath(path));
    }
    // A device named twice (a by-id link and its path) is asked once: the
    // second open would only find it held by the first.
    std::vector<std::size_t> same_as(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        same_as[i] = i;
        for (std::size_t j = 0; j < i && !checks[i].error; ++j) {
            if (!checks[j].error && checks[j].device == checks[i].device) {
                same_as[i] = j;
                break;
            }
        }
    }
    std::vector<ProbeResult> results(paths.size());
    std::vector<std::thread> probes;
    probes.reserve(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (same_as[i] != i) {
            continue;
        }
        probes.emplace_back([&results, &paths, &checks, i, deadline, at_timeout_ms] {
            results[i] = ProbeOne(paths[i], checks[i], deadline, at_timeout_ms);
        });
    }
    for (std::thread& t : probes) {
        t.join();
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (same_as[i] != i) {
            results[i] = results[same_as[i]];
            results[i].path = paths[i];
        }
    }
    return results;
}
