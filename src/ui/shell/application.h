// Start-up and shutdown of the program.
#pragma once

#include <functional>

class CKESTOVLV2xxManagerApp {
public:
    // Creates the QApplication (application name = executable name, organisation "Talvern"),
    // chooses the language, installs translations and the icon, then calls runMainWindow (which
    // creates the main window and runs it modally) and tears down. Returns the exit status (0).
    int Run(int& argc, char** argv, const std::function<void()>& runMainWindow);
};
