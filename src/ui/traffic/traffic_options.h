// The program's traffic option: "--traffic-log FILE" anywhere on the line.
#pragma once

#include <QString>

// Takes the option out of argv (so the toolkit never sees it) and returns the
// file, or an empty text when the option is absent. error is set when the
// option has no file.
QString TakeTrafficLogOption(int& argc, char** argv, QString* error);
