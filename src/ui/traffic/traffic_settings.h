// Settings keys of the traffic window, in the program's settings section.
#pragma once

namespace traffic_settings {
inline constexpr const char* kLogCheck = "Traffic log check";
inline constexpr const char* kLogFailure =
    "Traffic log failure";  // "path\nreason" of a log turned off by a failed write
inline constexpr const char* kHistory = "Traffic command history";  // newest last, one per line
inline constexpr int kHistoryLength = 50;
}  // namespace traffic_settings
