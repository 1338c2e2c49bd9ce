// Texts of the profile menu in the user-interface language: the differences
// an import makes, why a profile is refused and why an import failed. A
// setting is named by its label, a refusal of the window's input rules reads
// as the window's own message for it.
#pragma once

#include "ops/profiles/profile.h"
#include "ops/session/settings_apply.h"

#include <QString>

#include <string>
#include <vector>

namespace profile_text {

// A value in the words the window uses ("Even", "Enable", an empty slot).
QString Value(const std::string& field, const std::string& value);
// One line per change: "Device name: Old → New".
QString Differences(const std::vector<FieldChange>& changes);
// Why the profile cannot be used.
QString Refusal(const profile::Parsed& parsed);
// Why writing it failed; comparedModel is the model whose settings were compared.
QString ImportFailure(const ApplyOutcome& outcome, int comparedModel);
QString SessionFailure(const SessionResult& result);

}  // namespace profile_text
