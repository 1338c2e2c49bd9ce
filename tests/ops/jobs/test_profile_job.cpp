// The window's profile job: the read an import's differences are shown from,
// then the write against that read, whose one read-back fills the window.
#include "sim_link.h"

#include "ops/session/settings_patch.h"

#include <algorithm>

namespace {

using Strings = std::vector<std::string>;

int CountOf(const Strings& commands, const std::string& command) {
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

}  // namespace

TEST(ProfileJob, WritesAgainstTheReadShownAndFillsTheWindowFromItsReadBack) {
    const struct {
        const char* name;
        const char* modelWhenWriting;  // the module on the port by the time the user says yes
        int status;
    } cases[] = {
        {"the same module", "KESTOV-LV200", JOB_STATUS_OK},
        {"another model", "KESTOV-LV230", JOB_STATUS_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimLink link;
        ASSERT_TRUE(link.Connect());
        DeviceRecords& records = link.ops.Records();
        SettingsPatch patch;
        ASSERT_EQ(settings_patch::AddAssignment(patch, "name=Two"), "");
        ASSERT_EQ(settings_patch::AddAssignment(patch, "interval=640"), "");
        records.m_patchToWrite = patch;

        records.m_profileReadOnly = true;
        link.ops.QueueJob(JOB_APPLY_PROFILE, false);
        ASSERT_TRUE(link.view.PumpUntil([&] { return !link.view.results.empty(); }));
        ASSERT_EQ(link.view.results.back().second, JOB_STATUS_OK);
        EXPECT_EQ(records.m_applyOutcome.after.name, "LV200");

        link.sim.SetState(sim::DefaultState(c.modelWhenWriting));
        records.m_profileBase = records.m_applyOutcome.after;
        records.m_profileReadOnly = false;
        link.view.results.clear();
        link.view.ClearCalls();
        link.sim.ClearLog();
        link.ops.QueueJob(JOB_APPLY_PROFILE, false);
        ASSERT_TRUE(link.view.PumpUntil([&] { return !link.view.results.empty(); }));
        EXPECT_EQ(link.view.results.back().second, c.status);

        const Strings sent = link.Commands();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), "AT+MODEL?") << "the model is asked before anything is written";
        EXPECT_EQ(CountOf(sent, "AT"), 0) << "no identification";
        if (c.status == JOB_STATUS_OK) {
            EXPECT_EQ(CountOf(sent, "AT+MANUF=Two"), 1);
            EXPECT_EQ(CountOf(sent, "AT+ADVINTERVAL=640"), 1);
            EXPECT_EQ(CountOf(sent, "AT+VER?"), 1) << "one read-back";
            EXPECT_EQ(Narrow(link.view.deviceName), "Two");
            EXPECT_EQ(Narrow(link.view.advInterval), "640");
            EXPECT_TRUE(link.view.controlsEnabled);
            EXPECT_EQ(records.m_settings.name, "Two");
        } else {
            EXPECT_EQ(sent, Strings{"AT+MODEL?"}) << "nothing written to another model";
            EXPECT_EQ(records.m_applyOutcome.otherModel, MODEL_LV230);
            EXPECT_FALSE(link.view.Has("EnableControls(1)")) << "the window decides what follows";
        }
        EXPECT_FALSE(link.view.OffThreadCall());
    }
}
