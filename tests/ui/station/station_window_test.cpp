// The station window: its table driven through its model, and the window
// running the core against simulated modules in a watched folder.
#include "qt_wait.h"
#include "sim/kestov_sim.h"
#include "ui/station/station_model.h"
#include "ui/station/station_window.h"
#include "ui/shell/strings.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

PortView View(const std::string& port, PortPhase phase, const std::string& detail = {}) {
    PortView v;
    v.port = port;
    v.phase = phase;
    v.address = "001A2B3C4D01";
    v.name = "<b>ST</b>";
    v.detail = detail;
    v.seconds = 1.24;
    return v;
}

TEST(StationModelTest, OneRowPerPortInArrivalOrderColouredByResult) {
    StationModel model;
    model.Apply(View("/dev/ttyUSB1", PortPhase::Waiting));
    model.Apply(View("/dev/ttyUSB0", PortPhase::Identifying));
    model.Apply(View("/dev/ttyUSB1", PortPhase::Writing));
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(0, StationModel::Port).data().toString(), "/dev/ttyUSB1");
    EXPECT_EQ(model.index(0, StationModel::State).data().toString(), "Writing");
    // Text from the module stays plain text.
    EXPECT_EQ(model.index(0, StationModel::Name).data().toString(), "<b>ST</b>");

    struct Case {
        PortPhase phase;
        bool coloured;
        const char* seconds;
    };
    for (const Case& c : {Case{PortPhase::Waiting, false, ""}, Case{PortPhase::Verifying, false, "1.2"},
                          Case{PortPhase::Done, true, "1.2"}, Case{PortPhase::AlreadyDone, true, "1.2"},
                          Case{PortPhase::Failed, true, "1.2"}, Case{PortPhase::LeftAlone, false, "1.2"}}) {
        model.Apply(View("/dev/ttyUSB0", c.phase, "why"));
        const QModelIndex state = model.index(1, StationModel::State);
        EXPECT_EQ(state.data().toString(), StationModel::StateText(c.phase));
        EXPECT_EQ(state.data(Qt::BackgroundRole).canConvert<QBrush>(), c.coloured) << PhaseWord(c.phase);
        EXPECT_EQ(model.index(1, StationModel::Seconds).data().toString(), c.seconds) << PhaseWord(c.phase);
        EXPECT_EQ(model.index(1, StationModel::Result).data().toString(), "why");
    }
    // Done and failed tell apart by colour.
    model.Apply(View("/dev/ttyUSB1", PortPhase::Done));
    model.Apply(View("/dev/ttyUSB0", PortPhase::Failed));
    EXPECT_NE(model.index(0, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
              model.index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color());
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(StationModelTest, KoreanTexts) {
    InstallTranslations(true);
    EXPECT_EQ(StationWindow::MenuText(), QString::fromUtf8("프로비저닝 스테이션(&P)..."));
    std::vector<QString> korean;
    for (const PortPhase phase :
         {PortPhase::Waiting, PortPhase::Identifying, PortPhase::Writing, PortPhase::Verifying, PortPhase::Done,
          PortPhase::AlreadyDone, PortPhase::Failed, PortPhase::LeftAlone, PortPhase::Gone}) {
        korean.push_back(StationModel::StateText(phase));
    }
    StationModel model;
    const QString header = model.headerData(StationModel::Result, Qt::Horizontal, Qt::DisplayRole).toString();
    InstallTranslations(false);
    EXPECT_NE(header, model.headerData(StationModel::Result, Qt::Horizontal, Qt::DisplayRole).toString());
    std::size_t i = 0;
    for (const PortPhase phase :
         {PortPhase::Waiting, PortPhase::Identifying, PortPhase::Writing, PortPhase::Verifying, PortPhase::Done,
          PortPhase::AlreadyDone, PortPhase::Failed, PortPhase::LeftAlone, PortPhase::Gone}) {
        EXPECT_NE(korean[i++], StationModel::StateText(phase)) << PhaseWord(phase);
    }
}

class StationWindowTest : public ::testing::Test {
protected:
    StationWindowTest() {
        char tmpl[] = "/tmp/stationwinXXXXXX";
        m_root = ::mkdtemp(tmpl);
        fs::create_directory(m_root + "/ports");
        std::ofstream(m_root + "/module.json") << R"({"format":"kestov-lv2xx-profile","version":1,"interval":300})";
    }
    ~StationWindowTest() override {
        m_sims.clear();
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    sim::KestovSimulator& Plug(const std::string& name, uint8_t last) {
        auto s = std::make_unique<sim::KestovSimulator>();
        sim::SimState state = sim::DefaultState("KESTOV-LV200");
        state.address[5] = last;
        s->SetState(state);
        EXPECT_TRUE(s->Start());
        fs::create_symlink(s->DevicePath(), m_root + "/ports/" + name);
        m_sims.push_back(std::move(s));
        return *m_sims.back();
    }
    static int RowWith(const StationModel& model, const QString& port, const QString& state) {
        for (int r = 0; r < model.rowCount(); ++r) {
            if (model.index(r, StationModel::Port).data().toString().endsWith(port) &&
                model.index(r, StationModel::State).data().toString() == state) {
                return r;
            }
        }
        return -1;
    }
    std::string m_root;
    std::vector<std::unique_ptr<sim::KestovSimulator>> m_sims;
};

TEST_F(StationWindowTest, ProvisionsWhatIsPluggedInAndLeavesTheWindowsModuleAlone) {
    sim::KestovSimulator& own = Plug("own", 0x09);
    const std::string ownPath = own.DevicePath();
    StationWindow window([&] { return ownPath; });
    const auto set = [&](const char* name, const std::string& text) {
        auto* edit = window.findChild<QLineEdit*>(QLatin1String(name));
        ASSERT_NE(edit, nullptr) << name;
        edit->setText(QString::fromStdString(text));
    };
    set("stationProfile", m_root + "/module.json");
    set("stationTemplate", "W-{addr4}");
    set("stationLog", m_root + "/record.jsonl");
    set("stationFolder", m_root + "/ports");
    ASSERT_TRUE(window.StartStation());
    Plug("new", 0x01);

    StationModel& model = *window.Model();
    ASSERT_TRUE(qt_test::WaitFor([&] { return RowWith(model, "/new", "Done") >= 0; }));
    const int row = RowWith(model, "/new", "Done");
    EXPECT_EQ(model.index(row, StationModel::Name).data().toString(), "W-4D01");
    EXPECT_EQ(model.index(row, StationModel::Address).data().toString(), "001A2B3C4D01");
    EXPECT_EQ(window.findChild<QLabel*>("stationDone")->text(), "1");
    EXPECT_EQ(window.findChild<QLabel*>("stationFailed")->text(), "0");
    EXPECT_GE(RowWith(model, "/own", "Left alone"), 0);
    EXPECT_TRUE(own.Commands().empty()) << "the window's module was spoken to";
    EXPECT_EQ(m_sims[1]->State().advInterval, 300u);

    window.StopStation();
    ASSERT_TRUE(qt_test::WaitFor([&] { return !window.Running(); }));
}

}  // namespace
