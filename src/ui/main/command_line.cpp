#include "ui/main/command_line.h"

#include "ui/shell/strings.h"

#include <QCommandLineParser>

namespace {

QString Tr(const char* source) { return UiText("Program", source); }

// The toolkit's options that take a value, and those that do not.
const char* const kToolkitValueOptions[] = {"platform",        "style",         "stylesheet",
                                            "qwindowgeometry", "qwindowtitle",  "qwindowicon",
                                            "display",         "platformtheme", "plugin"};
const char* const kToolkitFlags[] = {"reverse"};

}  // namespace

ManagerCommandLine ParseManagerCommandLine(const QStringList& arguments) {
    ManagerCommandLine result;
    QCommandLineParser parser;
    // Qt's own options are single-dash words ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, Tr("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), Tr("Show the program's version and exit."));
    const QCommandLineOption trafficLog(QStringLiteral("traffic-log"),
                                        Tr("Append the wire traffic of every session to FILE."), Tr("FILE"));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  Tr("Run against a simulated module (LV200, LV210, LV220, LV230 or any model text)."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(trafficLog);
    parser.addOption(demo);
    QList<QCommandLineOption> toolkit;
    for (const char* name : kToolkitValueOptions) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        toolkit.push_back(o);
    }
    for (const char* name : kToolkitFlags) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        toolkit.push_back(o);
    }
    for (const QCommandLineOption& o : toolkit) parser.addOption(o);
    parser.addPositionalArgument(QStringLiteral("MODEL"), Tr("With --demo: the model the simulated module reports."),
                                 QStringLiteral("[MODEL]"));

    const QString program = QStringLiteral("kestov-lv200-manager");
    if (!parser.parse(arguments)) {
        result.action = ManagerCommandLine::Action::Error;
        result.text = parser.errorText() + QLatin1Char('\n') + Tr("Try \"kestov-lv200-manager --help\".");
        return result;
    }
    if (parser.isSet(help)) {
        result.action = ManagerCommandLine::Action::Help;
        const auto row = [](const QString& names, const QString& what) {
            return QStringLiteral("  ") + names.leftJustified(22) + what + QLatin1Char('\n');
        };
        result.text = Tr("Usage: kestov-lv200-manager [--traffic-log FILE] [--demo [MODEL]]") + QLatin1Char('\n') +
                      Tr("Configures KESTOV LV200-series Bluetooth LE serial modules over a serial port.") +
                      QStringLiteral("\n\n") + Tr("Options:") + QLatin1Char('\n') +
                      row(QStringLiteral("-h, --help"), help.description()) +
                      row(QStringLiteral("--version"), version.description()) +
                      row(QStringLiteral("--traffic-log ") + Tr("FILE"), trafficLog.description()) +
                      row(QStringLiteral("--demo [MODEL]"), demo.description()) + QLatin1Char('\n') +
                      Tr("The toolkit's display options (-platform, -style, -reverse, ...) are passed on.") +
                      QLatin1Char('\n');
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ManagerCommandLine::Action::Version;
        result.text = program + QLatin1Char(' ') + QStringLiteral(KESTOV_MANAGER_VERSION);
        return result;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(demo)) {
        result.action = ManagerCommandLine::Action::Demo;
        if (positional.size() > 1) {
            result.action = ManagerCommandLine::Action::Error;
            result.text = Tr("Unexpected argument: %1").arg(positional.at(1));
            return result;
        }
        result.demoModel = positional.value(0);
    } else if (!positional.isEmpty()) {
        result.action = ManagerCommandLine::Action::Error;
        result.text = Tr("Unexpected argument: %1").arg(positional.at(0)) + QLatin1Char('\n') +
                      Tr("Try \"kestov-lv200-manager --help\".");
        return result;
    }
    if (parser.isSet(trafficLog)) {
        result.trafficLog = parser.value(trafficLog);
        if (result.trafficLog.isEmpty()) {
            result.action = ManagerCommandLine::Action::Error;
            result.text = Tr("--traffic-log needs a file");
            return result;
        }
    }
    result.toolkitArgs << arguments.value(0, program);
    for (const QCommandLineOption& o : toolkit) {
        if (!parser.isSet(o)) continue;
        result.toolkitArgs << QLatin1Char('-') + o.names().constFirst();
        if (!o.valueName().isEmpty()) result.toolkitArgs << parser.value(o);
    }
    return result;
}

QString MissingDisplay(const QStringList& toolkitArgs) {
    // A platform chosen on purpose (offscreen, vnc, ...) needs no display.
    if (toolkitArgs.contains(QStringLiteral("-platform")) || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return {};
    }
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return {};
    return Tr(
        "No display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set. "
        "Start the program from a desktop session.");
}

QString UnusableDisplay() {
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("QT_QPA_PLATFORM");
    return Tr("The window cannot be shown: the display \"%1\" could not be used (see the lines above). "
              "Start the program from a desktop session.")
        .arg(display);
}
