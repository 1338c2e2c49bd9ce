// Ctrl+C (and SIGTERM): the handler only raises a flag; the commands look at
// it between the module's commands, so the one in flight always finishes and
// the tool can say what was written before it exits with 130.
#pragma once

namespace interrupt {

void Install();
bool Requested();
// How many signals came; each also makes Fd() readable (for poll), so a
// waiting command wakes at once instead of looking every so often.
int Count();
int Fd();
// Empties Fd() after a wake.
void Drain();

}  // namespace interrupt
