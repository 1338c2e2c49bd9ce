#include "ui/main/demo_mode.h"

#include "sim/kestov_sim.h"
#include "ui/main/main_window.h"
#include "ui/shell/application.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kDemoDevices = 12;
constexpr double kDemoReportsPerSecond = 8;  // a calm list a person can watch fill

// The demo keeps its settings apart from the user's real ones, so its
// pseudo-terminal never replaces the remembered port of the real module.
// The file lives next to the real settings and keeps the demo's filters from
// one run to the next; a temporary file stands in when that place cannot be
// written.
class DemoSettings {
public:
    DemoSettings() {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        if (!dir.isEmpty() && QDir().mkpath(dir)) {
            m_path = QDir(dir).filePath(QStringLiteral("demo.ini"));
        } else {
            m_tmp = std::make_unique<QTemporaryDir>();
            if (m_tmp->isValid()) m_path = m_tmp->filePath(QStringLiteral("demo.ini"));
        }
        SettingsStore::UseFile(m_path);
    }
    ~DemoSettings() { SettingsStore::UseFile(QString()); }
    DemoSettings(const DemoSettings&) = delete;
    DemoSettings& operator=(const DemoSettings&) = delete;

private:
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_tmp;
};

// The port list shows the system's ports and the simulated module's terminal.
class DemoPortList : public PortListSource {
public:
    explicit DemoPortList(const std::string& simPath) : m_simPath(simPath) {
        PortListSource::Install(this);
        SettingsStore::WriteProfileString(SettingsStore::kComPort, QString::fromStdString(simPath));
    }
    ~DemoPortList() override { PortListSource::Install(nullptr); }
    DemoPortList(const DemoPortList&) = delete;
    DemoPortList& operator=(const DemoPortList&) = delete;

    std::vector<SerialPortEntry> Ports() override {
        std::vector<SerialPortEntry> ports = m_system.Ports();
        SerialPortEntry sim;
        sim.path = m_simPath;
        sim.product = UiText("Program", "Simulated module").toStdString();
        ports.push_back(sim);
        return ports;
    }
    bool MayOpen(const std::string& path, std::string& group) override { return m_system.MayOpen(path, group); }

private:
    std::string m_simPath;
    SystemPortListSource m_system;
};

}  // namespace

struct DemoModule::Parts {
    explicit Parts(sim::KestovSimulator& module) : simulator(module) {}
    DemoSettings settings;  // first made, last gone
    sim::KestovSimulator& simulator;
    std::unique_ptr<DemoPortList> ports;
};

DemoModule::DemoModule(sim::KestovSimulator& simulator) : m_parts(std::make_unique<Parts>(simulator)) {
    m_parts->simulator.SetScanDevices(sim::KestovSimulator::MakeDevices(kDemoDevices));
    m_parts->simulator.SetScanRate(kDemoReportsPerSecond);
}

DemoModule::~DemoModule() {
    m_parts->ports.reset();
    // The window's end closed the link and joined its threads; the module's
    // own thread goes last.
    m_parts->simulator.Stop();
}

bool DemoModule::Start() {
    std::string error;
    if (!m_parts->simulator.Start(&error)) {
        std::fprintf(stderr, "kestov-lv200-manager: cannot start the simulated module: %s\n", error.c_str());
        return false;
    }
    const std::string path = m_parts->simulator.DevicePath();
    std::fprintf(stderr, "kestov-lv200-manager: demo mode: simulated %s on %s\n",
                 m_parts->simulator.State().model.c_str(), path.c_str());
    std::fflush(stderr);
    m_parts->ports = std::make_unique<DemoPortList>(path);
    return true;
}

bool IsDemoCommandLine(int argc, char** argv) { return argc >= 2 && argv[1] && std::strcmp(argv[1], "--demo") == 0; }

std::string DemoModelText(const std::string& argument) {
    static const char* const kShort[] = {"LV200", "LV210", "LV220", "LV230"};
    for (const char* s : kShort) {
        if (QString::fromStdString(argument).compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return std::string("KESTOV-") + s;
    }
    return argument;
}

bool ParseDemoCommandLine(int argc, char** argv, DemoOptions& options, std::string& error) {
    options = DemoOptions();
    options.toolkitArgs.push_back(argv[0]);
    int i = 2;
    if (i < argc && argv[i][0] != '-') options.model = DemoModelText(argv[i++]);
    if (options.model.empty()) {
        error = "the model text is empty";
        return false;
    }
    for (; i < argc; ++i) options.toolkitArgs.push_back(argv[i]);
    return true;
}

int RunDemo(int argc, char** argv) {
    DemoOptions options;
    std::string error;
    if (!ParseDemoCommandLine(argc, argv, options, error)) {
        std::fprintf(stderr,
                     "kestov-lv200-manager: %s\n"
                     "Usage: kestov-lv200-manager --demo [LV200|LV210|LV220|LV230|MODEL-TEXT]\n",
                     error.c_str());
        return 2;
    }
    int toolkitArgc = static_cast<int>(options.toolkitArgs.size());
    options.toolkitArgs.push_back(nullptr);
    int status = 0;
    const int rc = CKESTOVLV2xxManagerApp().Run(toolkitArgc, options.toolkitArgs.data(), [&] {
        sim::KestovSimulator simulator(options.model);
        DemoModule demo(simulator);
        if (!demo.Start()) {
            status = 1;
            return;
        }
        CKESTOVLV2xxManagerDlg window;
        window.exec();
    });
    return status != 0 ? status : rc;
}
