// Windows: a serial port is opened without sharing, which is the whole lock;
// there are no lock files and no device groups.
#include "link/device_access.h"

std::string SerialDevicePath(const std::string& name) { return name; }

std::string AccessGroupFor(const std::string&, const std::error_code&) { return {}; }

namespace uucp_lock {

bool HeldByAnother(const std::string&) { return false; }

}  // namespace uucp_lock

bool DeviceLock::Acquire(const std::string&) { return true; }

void DeviceLock::Release() { m_path.clear(); }
