// The manager's command line: --help, --version, --traffic-log FILE,
// --demo [MODEL], and the toolkit's own display options. Anything else is an
// error, said before any window (or display) is needed.
#pragma once

#include <QString>
#include <QStringList>

struct ManagerCommandLine {
    enum class Action { Run, Demo, Help, Version, Error };
    Action action = Action::Run;
    QString text;             // the help, the version line, or the error
    QString trafficLog;       // empty: none
    QString demoModel;        // as given after --demo; may be empty
    QStringList toolkitArgs;  // program name first, then the toolkit's options
};

ManagerCommandLine ParseManagerCommandLine(const QStringList& arguments);

// Empty when a window can be shown; else why not (no display to show it on).
QString MissingDisplay(const QStringList& toolkitArgs);
// Said instead of the toolkit's abort when the display named does not answer
// (or its platform cannot start), before the application object exists.
QString UnusableDisplay();
