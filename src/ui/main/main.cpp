// Program entry: the command line first (help, version and errors need no
// display), then the application object runs the main window modally.
#include "ui/main/command_line.h"
#include "ui/main/demo_mode.h"
#include "ui/main/main_window.h"
#include "ui/shell/application.h"
#include "ui/traffic/traffic_session.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Start-up only: a display that does not answer makes the toolkit's
// platform fail fatally, which would abort with a core dump.
QByteArray g_unusableDisplay;
QtMessageHandler g_toolkitHandler = nullptr;

void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && QCoreApplication::startingUp()) {
        std::fprintf(stderr, "kestov-lv200-manager: %s\n", g_unusableDisplay.constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (g_toolkitHandler) g_toolkitHandler(type, context, text);
}

void RunMainWindow() {
    CKESTOVLV2xxManagerDlg dlg;
    dlg.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ManagerCommandLine line = ParseManagerCommandLine(arguments);
    switch (line.action) {
    case ManagerCommandLine::Action::Help:
        std::fputs(line.text.toLocal8Bit().constData(), stdout);
        return 0;
    case ManagerCommandLine::Action::Version:
        std::printf("%s\n", line.text.toLocal8Bit().constData());
        return 0;
    case ManagerCommandLine::Action::Error:
        std::fprintf(stderr, "kestov-lv200-manager: %s\n", line.text.toLocal8Bit().constData());
        return 2;
    case ManagerCommandLine::Action::Run:
    case ManagerCommandLine::Action::Demo:
        break;
    }
    // Without a display the toolkit would abort with a core dump.
    if (const QString missing = MissingDisplay(line.toolkitArgs); !missing.isEmpty()) {
        std::fprintf(stderr, "kestov-lv200-manager: %s\n", missing.toLocal8Bit().constData());
        return 1;
    }
    TrafficSession::SetStartupLogPath(line.trafficLog);
    g_unusableDisplay = UnusableDisplay().toLocal8Bit();
    g_toolkitHandler = qInstallMessageHandler(StartupMessages);

    // What is left goes to the toolkit, after "--demo [MODEL]" for the demo.
    std::vector<std::string> words;
    words.push_back(line.toolkitArgs.value(0).toStdString());
    if (line.action == ManagerCommandLine::Action::Demo) {
        words.push_back("--demo");
        if (!line.demoModel.isEmpty()) words.push_back(line.demoModel.toStdString());
    }
    for (qsizetype i = 1; i < line.toolkitArgs.size(); ++i)
        words.push_back(line.toolkitArgs.at(i).toLocal8Bit().toStdString());
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    int count = static_cast<int>(words.size());
    if (line.action == ManagerCommandLine::Action::Demo) return RunDemo(count, args.data());
    return CKESTOVLV2xxManagerApp().Run(count, args.data(), [] { RunMainWindow(); });
}
