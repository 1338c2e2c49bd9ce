#include "ui/shell/port_list_source.h"

#include "link/port_path.h"

namespace {

PortListSource*& Installed() {
    static PortListSource* source = nullptr;
    return source;
}

}  // namespace

PortListSource& PortListSource::Current() {
    static SystemPortListSource system;
    return Installed() ? *Installed() : system;
}

void PortListSource::Install(PortListSource* source) { Installed() = source; }

std::vector<SerialPortEntry> SystemPortListSource::Ports() { return ListSerialPorts(); }

bool SystemPortListSource::MayOpen(const std::string& path, std::string& group) { return MayOpenPort(path, group); }
