#include "ops/session/device_session.h"

#include "ops/session/device_model.h"
#include "ops/rules/input_rules.h"
#include "link/comm.h"
#include "link/text_conv.h"
#include "link/line_cutter.h"
#include "ops/session/record_text.h"
#include "ops/rules/rule_text.h"
#include "ops/session/setting_fields.h"

#include <chrono>
#include <cstring>

namespace steps = device_steps;

namespace {

SessionError ErrorFor(lv2xx_atres code) {
    switch (code) {
    case ATRES_ERROR:
        return SessionError::Refused;
    case ATRES_TIMEOUT:
        return SessionError::Timeout;
    case ATRES_NOT_OPEN:
        return SessionError::NotOpen;
    case ATRES_CLOSED:
        return SessionError::Closed;
    case ATRES_UNSUPPORTED_MODEL:
        return SessionError::Unsupported;
    default:
        return SessionError::BadReply;
    }
}

SessionResult Invalid(std::string detail) {
    SessionResult r;
    r.error = SessionError::InvalidInput;
    r.code = ATRES_NO_RECORD;
    r.detail = std::move(detail);
    return r;
}

// Adds the commands an inner call completed to the outer count and takes
// over its failure; the fields of a derived outer result stay as they are.
SessionResult& Tally(SessionResult& outer, const SessionResult& inner) {
    const int done = outer.completed + inner.completed;
    if (!inner) {
        outer = inner;
    }
    outer.completed = done;
    return outer;
}

}  // namespace

std::string SessionResult::Describe() const {
    const std::string where = command.empty() ? std::string() : command + ": ";
    switch (error) {
    case SessionError::None:
        return "ok";
    case SessionError::NotOpen:
        return where + "the port is not open";
    case SessionError::Closed:
        return where + "the link was closed";
    case SessionError::Timeout:
        return where + "no reply from the module in time";
    case SessionError::Refused:
        return where + "the module refused it";
    case SessionError::BadReply:
        return where + "unexpected reply from the module";
    case SessionError::Unsupported:
        return where + "unsupported device" + (detail.empty() ? "" : " (it reports \"" + detail + "\")");
    case SessionError::InvalidInput:
        return detail;
    }
    return "failed";
}

DeviceSession::DeviceSession(KestovLV2xxComm& comm) : m_comm(comm) {}

void DeviceSession::Cancel() {
    {
        std::lock_guard<std::mutex> lock(m_pauseMutex);
        m_cancelled.store(true);
    }
    m_pauseCond.notify_all();
}

void DeviceSession::Resume() {
    std::lock_guard<std::mutex> lock(m_pauseMutex);
    m_cancelled.store(false);
}

bool DeviceSession::Pause(unsigned ms) {
    if (ms == 0) {
        return !m_cancelled.load();
    }
    std::unique_lock<std::mutex> lock(m_pauseMutex);
    return !m_pauseCond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_cancelled.load(); });
}

SessionResult DeviceSession::Exchange(const steps::Step& step, const char* cmd, unsigned len, lv2xx_reply* reply,
                                      unsigned timeoutMs) {
    SessionResult r;
    r.command = std::string(LineText(std::string_view(cmd, len)));
    auto fail = [&](lv2xx_atres code) {
        r.error = ErrorFor(code);
        r.code = code;
        return r;
    };
    if (!Pause(step.pauseBeforeMs)) {
        return fail(ATRES_CLOSED);
    }
    lv2xx_reply got = m_comm.SendCommand(cmd, len, step.kind, timeoutMs != 0 ? timeoutMs : step.timeoutMs);
    const auto code = got ? static_cast<lv2xx_atres>(ReplyCode(got.get())) : ATRES_NO_RECORD;
    r.code = code;
    if (code != step.expect) {
        return fail(code);
    }
    if (reply) {
        *reply = std::move(got);
    }
    if (!Pause(step.pauseAfterMs)) {
        return fail(ATRES_CLOSED);
    }
    r.completed = 1;
    return r;
}

template <class... Args>
SessionResult DeviceSession::Run(const steps::Step& step, lv2xx_reply* reply, Args... args) {
    char cmd[kCommandBufferSize];
    unsigned len = 0;
    if constexpr (sizeof...(Args) == 0) {
        // No placeholders: the command goes out as the table spells it.
        len = FormatCommand(cmd, "%s", step.format);
    } else {
        len = FormatCommand(cmd, step.format, args...);
    }
    return Exchange(step, cmd, len, reply);
}

// ---- Identification ----

IdentifyResult DeviceSession::Identify(const IdentifyOptions& options) {
    IdentifyResult r;
    const unsigned probeLen = sizeof atcmd::kAt - 1;
    SessionResult probe;
    for (int i = 0; i < options.probeTries; ++i) {
        probe = Exchange(steps::kProbe, atcmd::kAt, probeLen, nullptr, options.probeTimeoutMs);
        if (probe || probe.error == SessionError::Closed || probe.error == SessionError::NotOpen) {
            break;
        }
    }
    Tally(r, probe);
    if (!r) {
        return r;
    }
    lv2xx_reply reply;
    const SessionResult model =
        Exchange(steps::kModel, atcmd::kModelQuery, sizeof atcmd::kModelQuery - 1, &reply, options.modelTimeoutMs);
    Tally(r, model);
    if (!r) {
        return r;
    }
    r.modelText = FieldText(reinterpret_cast<const char*>(ReplyPayload(reply.get())), kModelPayload);
    r.model = device_model::IndexOf(r.modelText);
    if (r.model == MODEL_NONE) {
        // The query was answered, but not with a model this system takes.
        r.completed -= 1;
        r.command = model.command;
        r.error = SessionError::Unsupported;
        r.code = ATRES_UNSUPPORTED_MODEL;
        r.detail = r.modelText;
    }
    return r;
}

IdentifyResult DeviceSession::ConfirmModel() {
    IdentifyOptions o;
    o.probeTries = 0;
    return Identify(o);
}

// ---- Read-back ----

ReadResult DeviceSession::ReadAll(int model) {
    ReadResult r;
    DeviceSettings& s = r.settings;
    s.model = model;
    s.modelName = device_model::NameOf(model);
    s.hasBeacon = device_model::HasBeacon(model);
    s.slotEntries.assign(static_cast<std::size_t>(device_model::SlotCount(model)), SlotEntry{});

    lv2xx_reply reply;
    for (const setting_fields::Command& c : setting_fields::Commands()) {
        if (!c.query || (c.beaconOnly && !s.hasBeacon)) {
            continue;
        }
        const int count = c.perSlot ? device_model::SlotCount(model) : 1;
        for (int n = 1; n <= count; ++n) {
            const SessionResult q = c.perSlot ? Run(*c.query, &reply, static_cast<unsigned>(n)) : Run(*c.query, &reply);
            if (c.refusedMeansEmpty && q.error == SessionError::Refused) {
                ++r.completed;
                continue;
            }
            if (!Tally(r, q)) {
                return r;
            }
            c.decode(ReplyPayload(reply.get()), s, n);
        }
    }
    return r;
}

// ---- Writes ----

SessionResult DeviceSession::Write(const setting_fields::Command& c, const DeviceSettings& target, int slot) {
    if (!c.set || !c.argument) {
        return Invalid("this setting has no write");
    }
    if (const setting_fields::Refusal refusal = setting_fields::CheckWrite(c, target, slot)) {
        return Invalid(refusal.English());
    }
    const std::string argument = c.argument(target, slot);
    return Run(*c.set, nullptr, argument.c_str());
}

SessionResult DeviceSession::SetAdvInterval(unsigned ms) {
    if (const int id = input_rules::CheckAdvInterval(static_cast<long>(ms))) {
        return Invalid(RuleText(id));
    }
    return Run(steps::kSetAdvInterval, nullptr, ms);
}

SessionResult DeviceSession::SetUartOptions(const UartOptions& o) {
    if ((o.parity != 'N' && o.parity != 'E' && o.parity != 'O') || (o.stopBits != 1 && o.stopBits != 2)) {
        return Invalid("UART options: parity N, E or O and 1 or 2 stop bits");
    }
    return Run(steps::kSetUartOptions, nullptr, o.flowControl ? 1u : 0u, o.parity, o.stopBits);
}

SessionResult DeviceSession::WriteSlot(int n, const SlotEntry& entry) {
    if (n < 1 || n > device_model::kMaxSlots) {
        return Invalid("slot number: 1 to 8");
    }
    if (entry.Empty()) {
        return Run(steps::kDelSlot, nullptr, static_cast<unsigned>(n));
    }
    if (const int id = input_rules::CheckSlotTag(entry.tag)) {
        return Invalid(RuleText(id, n));
    }
    const std::string address = AddressText(entry.address);
    return entry.tag.empty()
               ? Run(steps::kSetSlot, nullptr, static_cast<unsigned>(n), address.c_str())
               : Run(steps::kSetSlotTag, nullptr, static_cast<unsigned>(n), address.c_str(), entry.tag.c_str());
}

SessionResult DeviceSession::WriteSlots(const std::vector<SlotEntry>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (const int id = entries[i].Empty() ? 0 : input_rules::CheckSlotTag(entries[i].tag)) {
            return Invalid(RuleText(id, static_cast<int>(i) + 1));
        }
    }
    SessionResult r;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!Tally(r, WriteSlot(static_cast<int>(i + 1), entries[i]))) {
            break;
        }
    }
    return r;
}

SessionResult DeviceSession::SetBeacon(int source, const std::string& hex) {
    const bool user = source == BEACON_SOURCE_USER;
    if (const int id = user ? input_rules::CheckBeaconHex(hex) : 0) {
        return Invalid(RuleText(id));
    }
    SessionResult r;
    if (user && !Tally(r, Run(steps::kSetBeacon, nullptr, hex.c_str()))) {
        return r;
    }
    Tally(r, Run(steps::kSetBeaconSource, nullptr, user ? "ON" : "OFF"));
    return r;
}

SessionResult DeviceSession::Reboot() { return Run(steps::kReboot, nullptr); }

SessionResult DeviceSession::FactoryReset() { return Run(steps::kFactoryReset, nullptr); }

// ---- Scan ----

SessionResult DeviceSession::SetScanFilter(const std::string& name) {
    if (name.empty()) {
        return Run(steps::kFilterOff, nullptr);
    }
    if (const int id = input_rules::CheckScanFilterName(name)) {
        return Invalid(RuleText(id));
    }
    return Run(steps::kFilterOn, nullptr, name.c_str());
}

SessionResult DeviceSession::StartScan(const std::string& filterName) {
    SessionResult r;
    if (Tally(r, SetScanFilter(filterName))) {
        Tally(r, Run(steps::kStartScan, nullptr));
    }
    return r;
}

ScanReportResult DeviceSession::WaitScanReport() {
    ScanReportResult r;
    if (m_cancelled.load()) {
        r.error = SessionError::Closed;
        r.code = ATRES_CLOSED;
        return r;
    }
    const lv2xx_atres code = m_comm.WaitScanReport(r.report);
    r.code = code;
    if (code == ATRES_SCAN_REPORT) {
        r.completed = 1;
    } else {
        r.error = ErrorFor(code);
    }
    return r;
}

SessionResult DeviceSession::StopScan() { return Run(steps::kStopScan, nullptr); }

std::vector<lv2xx_scan_report> DeviceSession::TakeReportsLeft() {
    std::vector<lv2xx_scan_report> out;
    lv2xx_scan_report report{};
    while (m_comm.WaitScanReport(report, 0) == ATRES_SCAN_REPORT) {
        out.push_back(report);
    }
    return out;
}

SessionResult DeviceSession::Scan(const std::string& filterName, const std::function<bool()>& keepGoing,
                                  const std::function<void(const lv2xx_scan_report&)>& onReport) {
    SessionResult r = StartScan(filterName);
    if (!r) {
        return r;
    }
    while (keepGoing()) {
        const ScanReportResult got = WaitScanReport();
        if (got) {
            onReport(got.report);
        } else if (got.error != SessionError::Timeout) {
            Tally(r, got);
            return r;  // the link is gone: nothing to stop
        }
    }
    Tally(r, StopScan());
    for (const lv2xx_scan_report& report : TakeReportsLeft()) {
        onReport(report);
    }
    return r;
}
