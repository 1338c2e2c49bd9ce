// Waiting on a condition in widget tests, with the event loop running.
#pragma once

#include <functional>

namespace qt_test {

// Processes events until pred() holds or the time is up; returns pred().
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 20000);

}  // namespace qt_test
