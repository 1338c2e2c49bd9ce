// The raw command job: one exchange of the user's text, then the same
// follow-up the buttons use when the command restarts the module.
#include "ops/jobs/raw_command.h"

#include "link/at_protocol.h"
#include "link/line_cutter.h"
#include "ops/jobs/manager_ops.h"

#include <cctype>
#include <string_view>

namespace {

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(prefix[i])) {
            return false;
        }
    }
    return true;
}

// The typed text is the whole command, whatever its case; the command comes
// from the protocol's own table, its CR left off.
bool IsWhole(const std::string& text, const char* command) {
    const std::string_view line = LineText(command);
    return text.size() == line.size() && StartsWithNoCase(text, line);
}

}  // namespace

RawCommandCheck CheckRawCommand(const std::string& text) {
    if (text.find_first_not_of(' ') == std::string::npos) return RawCommandCheck::Empty;
    if (HasControlChars(text)) return RawCommandCheck::ControlChar;
    if (text.size() > RawCommandRecord::kMaxBytes) return RawCommandCheck::TooLong;
    return RawCommandCheck::Ok;
}

bool RawCommandChangesLink(const std::string& text) {
    return IsWhole(text, atcmd::kReboot) || IsWhole(text, atcmd::kFactoryReset) ||
           StartsWithNoCase(text, "AT+UARTOPT=");
}

// ---- Window thread ----

bool ManagerOps::QueueRawCommand(const std::string& text) {
    if (CheckRawCommand(text) != RawCommandCheck::Ok || !m_comm.IsOpen()) return false;
    m_raw.text = text;
    m_raw.result = RawExchangeResult();
    m_view.EnableControls(false);
    QueueJob(JOB_RAW_COMMAND, false);
    StartBusy();
    return true;
}

void ManagerOps::OnRawCommandResult(int status) {
    if (m_raw.listener) m_raw.listener(m_raw, status);
    if (status == JOB_STATUS_FAILED) {
        Reidentify();
    } else if (IsWhole(m_raw.text, atcmd::kFactoryReset)) {
        RunPortSetup();  // as the Factory Reset button: the port is chosen again
    } else if (RawCommandChangesLink(m_raw.text)) {
        Reidentify();
    } else {
        m_view.EnableControls(true);
    }
}

// ---- Worker thread ----

int ManagerOps::JobRawCommand() {
    if (m_session.Cancelled() || CheckRawCommand(m_raw.text) != RawCommandCheck::Ok) {
        return JOB_STATUS_FAILED;
    }
    m_raw.result = m_comm.Exchange(m_raw.text, RawCommandRecord::kTimeoutMs);
    if (m_raw.result.closed) return JOB_STATUS_FAILED;
    return m_raw.result.finalSeen ? JOB_STATUS_OK : JOB_STATUS_NO_RESULT;
}
