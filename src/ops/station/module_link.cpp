#include "ops/station/module_link.h"

#include "ops/station/exit_codes.h"
#include "link/device_access.h"

OpenResult OpenModule(const std::string& port) {
    OpenResult r;
    auto link = std::make_unique<ModuleLink>();
    std::error_code ec;
    const std::string path = SerialDevicePath(port);
    link->comm.Open(ec, path, 115200, 0, 0);
    if (ec) {
        r.exitCode = EXIT_PORT;
        r.error = path + ": cannot open: " + ec.message();
        if (const std::string group = AccessGroupFor(path, ec); !group.empty()) {
            r.error += " (members of the group \"" + group + "\" may open it)";
        }
        return r;
    }
    const IdentifyResult id = link->session.Identify();
    if (!id) {
        r.identifyError = id.error;
        r.exitCode =
            id.error == SessionError::Unsupported || id.error == SessionError::Timeout ? EXIT_NO_MODULE : EXIT_FAILED;
        r.error = path + ": " +
                  (id.error == SessionError::Timeout ? "no KESTOV LV2xx module answers (is its dial set to Set?)"
                                                     : id.Describe());
        return r;
    }
    link->model = id.model;
    link->modelText = id.modelText;
    r.link = std::move(link);
    return r;
}

ReadResult ReadModuleSettings(ModuleLink& link) {
    ReadResult read = link.session.ReadAll(link.model);
    if (read && read.settings.state == "SCANNING") {
        if (const SessionResult stopped = link.session.StopScan(); !stopped) {
            static_cast<SessionResult&>(read) = stopped;
        }
    }
    return read;
}
