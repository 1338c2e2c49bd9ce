// English texts of the input rules' refusals, for programs without the
// window's string table.
#pragma once

#include <string>

// The text of a refusal id of input_rules; slot is filled in where the
// window's text names one. Empty for an id that is not a refusal.
std::string RuleText(int stringId, int slot = 0);
