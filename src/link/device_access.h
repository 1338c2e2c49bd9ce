// Where a serial device lives and who may open it.
#pragma once

#include <string>
#include <system_error>

// "ttyUSB0" names a device under /dev; anything with a slash is a path.
std::string SerialDevicePath(const std::string& name);

// When opening a device failed for lack of permission and its group may read
// and write it, the name of that group (membership grants access, e.g.
// "dialout"); empty otherwise.
std::string AccessGroupFor(const std::string& portName, const std::error_code& openError);
