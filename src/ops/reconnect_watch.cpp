#include "reconnect_watch.h"

#include "link/port_path.h"

#include <utility>

namespace {

bool IsByIdName(const std::string& name) { return name.rfind("/dev/serial/by-id/", 0) == 0; }

}  // namespace

ReconnectWatch::ReconnectWatch(Lister lister) : m_lister(std::move(lister)) {}

void ReconnectWatch::Chosen(const std::string& name)
{
    Stop();
    m_name = name;
    m_byId.clear();
    if (IsByIdName(name)) {
        m_byId = name;
        return;
    }
    const std::string device = CheckPortPath(name).device;
    for (const SerialPortEntry& e : m_lister()) {
        if (!e.by_id.empty() && (e.path == name || (!device.empty() && e.path == device))) {
            m_byId = e.by_id;
            return;
        }
    }
}

void ReconnectWatch::Lost()
{
    m_waiting = !m_name.empty();
    m_candidate.clear();
}

void ReconnectWatch::Stop()
{
    m_waiting = false;
    m_candidate.clear();
}

std::string ReconnectWatch::Find() const
{
    if (!m_byId.empty()) {
        for (const SerialPortEntry& e : m_lister()) {
            if (e.by_id == m_byId) {
                // A by-id name the user typed stays the name; otherwise the
                // device's current path, which may differ from before.
                return IsByIdName(m_name) ? m_name : e.path;
            }
        }
        return {};
    }
    return CheckPortPath(m_name).error ? std::string() : m_name;
}

std::string ReconnectWatch::Poll()
{
    if (!m_waiting) {
        return {};
    }
    const std::string found = Find();
    if (found.empty() || found != m_candidate) {
        m_candidate = found;
        return {};
    }
    Stop();
    return found;
}
