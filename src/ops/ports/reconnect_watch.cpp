#include "ops/ports/reconnect_watch.h"

#include "link/port_path.h"

#include <algorithm>
#include <utility>

namespace {

bool IsByIdName(const std::string& name) { return name.rfind("/dev/serial/by-id/", 0) == 0; }

}  // namespace

ReconnectWatch::ReconnectWatch(Lister lister) : m_lister(std::move(lister)) {}

void ReconnectWatch::Chosen(const std::string& name) {
    Stop();
    m_name = name;
    m_byId.clear();
    if (IsByIdName(name)) {
        m_byId = name;
        return;
    }
    const std::string device = CheckPortPath(name).device;
    for (const SerialPortEntry& e : m_lister()) {
        if (!e.byId.empty() && (e.path == name || (!device.empty() && e.path == device))) {
            m_byId = e.byId;
            return;
        }
    }
}

void ReconnectWatch::Lost(Clock::time_point now) {
    if (m_waiting && m_trying) {
        Failed(ReconnectSnag::Dropped, {}, now);
        return;
    }
    m_waiting = !m_name.empty();
    m_trying = false;
    m_candidate.clear();
    m_pause = kFirstPause;
    m_notBefore = now;
    m_snag = ReconnectSnag::None;
    m_detail.clear();
}

void ReconnectWatch::Stop() {
    m_waiting = false;
    m_trying = false;
    m_candidate.clear();
}

void ReconnectWatch::Failed(ReconnectSnag snag, const std::string& detail, Clock::time_point now) {
    if (!m_waiting) {
        return;
    }
    m_trying = false;
    m_snag = snag;
    m_detail = detail;
    // Found again on the next poll counts as settled: it was there a moment ago.
    m_notBefore = now + m_pause;
    m_pause = std::min(m_pause * 2, kLongestPause);
}

ReconnectSnag ReconnectWatch::SnagOf(const std::error_code& openError) {
    if (openError == std::errc::permission_denied || openError == std::errc::operation_not_permitted) {
        return ReconnectSnag::NoPermission;
    }
    if (openError == std::errc::device_or_resource_busy) {
        return ReconnectSnag::InUse;
    }
    return ReconnectSnag::OpenFailed;
}

std::string ReconnectWatch::Find() const {
    if (!m_byId.empty()) {
        for (const SerialPortEntry& e : m_lister()) {
            if (e.byId == m_byId) {
                // A by-id name the user typed stays the name; otherwise the
                // device's current path, which may differ from before.
                return IsByIdName(m_name) ? m_name : e.path;
            }
        }
        return {};
    }
    return CheckPortPath(m_name).error ? std::string() : m_name;
}

std::string ReconnectWatch::Poll(Clock::time_point now) {
    if (!m_waiting || m_trying) {
        return {};
    }
    const std::string found = Find();
    if (found.empty() || found != m_candidate) {
        m_candidate = found;
        return {};
    }
    if (now < m_notBefore) {
        return {};
    }
    m_trying = true;
    return found;
}
