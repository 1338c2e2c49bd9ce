// The raw command job: one exchange of the user's text, then the same
// follow-up the buttons use when the command restarts the module.
#include "raw_command.h"

#include "link/at_protocol.h"
#include "manager_ops.h"

#include <cctype>

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() ||
            std::toupper(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsWhole(const std::string& text, const char* command) {
    return StartsWithNoCase(text, command) && text.size() == std::char_traits<char>::length(command);
}

}  // namespace

RawCommandCheck CheckRawCommand(const std::string& text) {
    if (text.empty()) return RawCommandCheck::Empty;
    if (HasControlChars(text)) return RawCommandCheck::ControlChar;
    if (text.size() > RawCommandRecord::kMaxBytes) return RawCommandCheck::TooLong;
    return RawCommandCheck::Ok;
}

bool RawCommandChangesLink(const std::string& text) {
    return IsWhole(text, "ATZ") || IsWhole(text, "AT&F") || StartsWithNoCase(text, "AT+UARTOPT=");
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
    } else if (IsWhole(m_raw.text, "AT&F")) {
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
