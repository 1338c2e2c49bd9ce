// Ctrl+C (and SIGTERM): the handler only raises a flag; the commands look at
// it between the module's commands, so the one in flight always finishes and
// the tool can say what was written before it exits with 130.
#pragma once

namespace interrupt {

void Install();
bool Requested();
// How many signals came.
int Count();
// Sleeps until the next signal or Wake(): a waiting command wakes at once
// instead of looking every so often.
void Wait();
void Wake();

}  // namespace interrupt
