// Write jobs: the exact commands and pauses, and every result branch.
#include "sim_link.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <tuple>

using Strings = std::vector<std::string>;

namespace {

enum class Then { EnableAgain, Reidentify, Identify, PortSetup };
enum class Outcome { Ok, ErrorReply, Timeout, Unsupported };

struct Pause {
    std::string from, to;
    int atLeastMs;
};

struct WriteJob {
    const char* name;
    int job;
    std::function<void(DeviceRecords&)> fill;
    Strings commands;  // when every step succeeds
    std::vector<Pause> pauses;
    std::string errorFor;  // the command answered with an error reply
    Strings commandsOnError;
    int done;  // 0: no message
    int failed;
    Then onOk;
    Then onFail;
    bool modelCheck;
};

void FillSlots(DeviceRecords& r) {
    std::vector<SlotEntry>& slots = r.m_toWrite.slotEntries;
    slots.assign(8, SlotEntry{});
    slots[0].address = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0x01};
    slots[0].tag = "T1";
    slots[2].address = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0x03};
}

const Strings kSlotCommands = {
    "AT+MODEL?",    "AT+SETSLOT=1,A0B1C2D3E401,T1",
    "AT+DELSLOT=2", "AT+SETSLOT=3,A0B1C2D3E403",
    "AT+DELSLOT=4", "AT+DELSLOT=5",
    "AT+DELSLOT=6", "AT+DELSLOT=7",
    "AT+DELSLOT=8",
};

const WriteJob kJobs[] = {
    {"Reboot",
     JOB_REBOOT,
     [](DeviceRecords&) {},
     {"ATZ"},
     {},
     "ATZ",
     {"ATZ"},
     0,
     0,
     Then::Reidentify,
     Then::Reidentify,
     false},
    {"FactoryReset",
     JOB_FACTORY_RESET,
     [](DeviceRecords&) {},
     {"AT&F"},
     {},
     "AT&F",
     {"AT&F"},
     0,
     0,
     Then::PortSetup,
     Then::PortSetup,
     false},
    {"WriteSlots",
     JOB_WRITE_SLOTS,
     FillSlots,
     kSlotCommands,
     {{"AT+SETSLOT=1,A0B1C2D3E401,T1", "AT+DELSLOT=2", 100},
      {"AT+DELSLOT=2", "AT+SETSLOT=3,A0B1C2D3E403", 100},
      {"AT+DELSLOT=7", "AT+DELSLOT=8", 100}},
     "AT+SETSLOT=3",
     {"AT+MODEL?", "AT+SETSLOT=1,A0B1C2D3E401,T1", "AT+DELSLOT=2", "AT+SETSLOT=3,A0B1C2D3E403"},
     IDS_REGISTRATION_DONE,
     IDS_REGISTRATION_FAILED,
     Then::Identify,
     Then::Identify,
     true},
    {"DeviceName",
     JOB_SET_DEVICE_NAME,
     [](DeviceRecords& r) { r.m_toWrite.name = "Dev\xED\x95\x9C"; },
     {"AT+MODEL?", "AT+MANUF=Dev\xED\x95\x9C"},
     {},
     "AT+MANUF",
     {"AT+MODEL?", "AT+MANUF=Dev\xED\x95\x9C"},
     IDS_DEVICE_NAME_DONE,
     IDS_DEVICE_NAME_FAILED,
     Then::EnableAgain,
     Then::Reidentify,
     true},
    {"BeaconUserData",
     JOB_SET_BEACON,
     [](DeviceRecords& r) {
         r.m_toWrite.beaconSource = BEACON_SOURCE_USER;
         r.m_toWrite.beaconHex = "0201060AFF";
     },
     {"AT+MODEL?", "AT+BEACON=0201060AFF", "AT+UCBEACON=ON"},
     {{"AT+MODEL?", "AT+BEACON=0201060AFF", 200}, {"AT+BEACON=0201060AFF", "AT+UCBEACON=ON", 200}},
     "AT+BEACON=",
     {"AT+MODEL?", "AT+BEACON=0201060AFF"},
     IDS_BEACON_DONE,
     IDS_BEACON_FAILED,
     Then::Identify,
     Then::Reidentify,
     true},
    {"BeaconFinalSerialData",
     JOB_SET_BEACON,
     [](DeviceRecords& r) {
         r.m_toWrite.beaconSource = BEACON_SOURCE_SERIAL;
         r.m_toWrite.beaconHex = "not used";
     },
     {"AT+MODEL?", "AT+UCBEACON=OFF"},
     {{"AT+MODEL?", "AT+UCBEACON=OFF", 200}},
     "AT+UCBEACON=",
     {"AT+MODEL?", "AT+UCBEACON=OFF"},
     IDS_BEACON_DONE,
     IDS_BEACON_FAILED,
     Then::Identify,
     Then::Reidentify,
     true},
    {"AdvInterval",
     JOB_SET_ADV_INTERVAL,
     [](DeviceRecords& r) { r.m_toWrite.advInterval = 2560; },
     {"AT+MODEL?", "AT+ADVINTERVAL=2560"},
     {},
     "AT+ADVINTERVAL=",
     {"AT+MODEL?", "AT+ADVINTERVAL=2560"},
     IDS_ADV_INTERVAL_DONE,
     IDS_ADV_INTERVAL_FAILED,
     Then::EnableAgain,
     Then::Reidentify,
     true},
    {"UartOptions",
     JOB_SET_UART_OPTIONS,
     [](DeviceRecords& r) {
         r.m_toWrite.uart = {'E', 2, true};
     },
     {"AT+MODEL?", "AT+UARTOPT=1,E,2"},
     {},
     "AT+UARTOPT=",
     {"AT+MODEL?", "AT+UARTOPT=1,E,2"},
     IDS_UART_DONE,
     IDS_UART_FAILED,
     Then::EnableAgain,
     Then::Reidentify,
     true},
};

std::string Msg(int id, const char* icon) { return "ShowMessage(" + std::to_string(id) + "," + icon + ")"; }

class WriteJobs : public ::testing::TestWithParam<std::tuple<int, Outcome>> {};

}  // namespace

TEST_P(WriteJobs, CommandsAndResultBranch) {
    const WriteJob& w = kJobs[std::get<0>(GetParam())];
    const Outcome outcome = std::get<1>(GetParam());
    SimLink link;
    ASSERT_TRUE(link.Connect());
    w.fill(link.ops.Records());

    Strings commands = w.commands;
    int message = 0;
    const char* icon = "Error";
    Then then = w.onFail;
    switch (outcome) {
    case Outcome::Ok:
        message = w.done;
        icon = "Information";
        then = w.onOk;
        break;
    case Outcome::ErrorReply:
        link.sim.SetErrorFor(w.errorFor);
        commands = w.commandsOnError;
        message = w.failed;
        break;
    case Outcome::Timeout:
        link.sim.SetSilent(true);
        commands = {w.commands.front()};
        message = w.failed;
        break;
    case Outcome::Unsupported: {
        sim::SimState s = link.sim.State();
        s.model = "KESTOV-LV250";
        link.sim.SetState(s);
        commands = {"AT+MODEL?"};
        message = IDS_UNSUPPORTED_DEVICE;
        icon = "Information";
        then = Then::PortSetup;
        break;
    }
    }

    link.ops.QueueJob(w.job, false);
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.ResultCount(w.job) == 1; }));
    const Strings sent = link.Commands();
    ASSERT_GE(sent.size(), commands.size());
    EXPECT_EQ(Strings(sent.begin(), sent.begin() + static_cast<long>(commands.size())), commands);
    if (outcome == Outcome::Ok) {
        for (const Pause& p : w.pauses) {
            EXPECT_GE(link.Gap(p.from, p.to).count(), p.atLeastMs) << p.from << " -> " << p.to;
        }
    }

    // The message first, then the reaction.
    int next = 0;
    if (message != 0) {
        const int at = link.view.IndexOf(Msg(message, icon));
        ASSERT_GE(at, 0) << Msg(message, icon);
        EXPECT_EQ(link.view.Count(Msg(message, icon)), 1);
        next = at + 1;
    }
    const Strings calls = link.view.Calls();
    switch (then) {
    case Then::EnableAgain:
        ASSERT_GT(calls.size(), static_cast<std::size_t>(next));
        EXPECT_EQ(calls[next], "EnableControls(1)");
        EXPECT_EQ(sent.size(), commands.size()) << "nothing follows";
        break;
    case Then::Reidentify:
    case Then::Identify: {
        const bool disables = calls.size() > static_cast<std::size_t>(next) && calls[next] == "EnableControls(0)";
        EXPECT_EQ(disables, then == Then::Reidentify);
        // The identification that follows sends its probe.
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.Commands().size() > commands.size(); }));
        EXPECT_EQ(link.Commands()[commands.size()], "AT");
        break;
    }
    case Then::PortSetup:
        EXPECT_GE(link.view.IndexOf("RunPortDialog", next), 0);
        EXPECT_FALSE(link.ops.IsLinkOpen());
        break;
    }
    EXPECT_FALSE(link.view.OffThreadCall());
}

std::string CaseName(const ::testing::TestParamInfo<WriteJobs::ParamType>& info) {
    static const char* const kOutcomes[] = {"Ok", "ErrorReply", "Timeout", "Unsupported"};
    return std::string(kJobs[std::get<0>(info.param)].name) + "_" +
           kOutcomes[static_cast<int>(std::get<1>(info.param))];
}

// Every job with every outcome; reboot and factory reset have no model check.
std::vector<std::tuple<int, Outcome>> AllCases() {
    std::vector<std::tuple<int, Outcome>> cases;
    for (int i = 0; i < static_cast<int>(std::size(kJobs)); ++i) {
        for (Outcome o : {Outcome::Ok, Outcome::ErrorReply, Outcome::Timeout, Outcome::Unsupported}) {
            if (o != Outcome::Unsupported || kJobs[i].modelCheck) cases.emplace_back(i, o);
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(All, WriteJobs, ::testing::ValuesIn(AllCases()), CaseName);

// Text with a control character never reaches the module: the worker refuses
// the job before it sends anything, whichever way the text got there.
TEST(WriteGuard, ControlCharactersSendNothing) {
    struct Case {
        const char* name;
        int job;
        std::function<void(DeviceRecords&)> fill;
        int failed;  // 0: no message
    };
    const Case cases[] = {
        {"device name", JOB_SET_DEVICE_NAME, [](DeviceRecords& r) { r.m_toWrite.name = "AB\rAT&F"; },
         IDS_DEVICE_NAME_FAILED},
        {"slot tag", JOB_WRITE_SLOTS,
         [](DeviceRecords& r) {
             FillSlots(r);
             r.m_toWrite.slotEntries[2].tag = "x\nATZ";
         },
         IDS_REGISTRATION_FAILED},
        {"beacon data", JOB_SET_BEACON,
         [](DeviceRecords& r) {
             r.m_toWrite.beaconSource = BEACON_SOURCE_USER;
             r.m_toWrite.beaconHex = "0201\rAT&F";
         },
         IDS_BEACON_FAILED},
        {"scan filter", JOB_START_SCAN,
         [](DeviceRecords& r) {
             r.m_scanFilter.enabled = 1;
             std::strcpy(r.m_scanFilter.name, "AB\x1b");
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimLink link;
        ASSERT_TRUE(link.Connect());
        c.fill(link.ops.Records());
        link.ops.QueueJob(c.job, false);
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.ResultCount(c.job, JOB_STATUS_FAILED) == 1; }));
        if (c.failed != 0) {
            EXPECT_TRUE(link.view.Has(Msg(c.failed, "Error")));
        }
        // All that follows is the identification of the failure reaction.
        const Strings sent = link.Commands();
        if (!sent.empty()) {
            EXPECT_EQ(sent.front(), "AT");
        }
    }
}

// Each row of the settings table that writes has one job, and the job leads
// back to its row; the writes the window has always posted keep their codes.
TEST(FieldWrites, EachWritingRowHasItsOwnJob) {
    std::vector<int> jobs;
    for (const setting_fields::Command& c : setting_fields::Commands()) {
        if (!c.write) {
            EXPECT_EQ(ManagerOps::WriteCommandOf(ManagerOps::WriteJobOf(c)), nullptr);
            continue;
        }
        const int job = ManagerOps::WriteJobOf(c);
        EXPECT_EQ(ManagerOps::WriteCommandOf(job), &c) << job;
        EXPECT_EQ(std::count(jobs.begin(), jobs.end(), job), 0) << job;
        jobs.push_back(job);
    }
    const std::pair<const char*, int> kept[] = {
        {"name", JOB_SET_DEVICE_NAME}, {"interval", JOB_SET_ADV_INTERVAL}, {"flow", JOB_SET_UART_OPTIONS},
        {"slot3", JOB_WRITE_SLOTS},    {"beacon-data", JOB_SET_BEACON},
    };
    for (const auto& [key, job] : kept) {
        ASSERT_NE(setting_fields::WriterOf(key), nullptr) << key;
        EXPECT_EQ(ManagerOps::WriteJobOf(*setting_fields::WriterOf(key)), job) << key;
    }
    EXPECT_EQ(ManagerOps::WriteCommandOf(JOB_IDENTIFY), nullptr);
}

// A field's text goes in under the field's own rule: a refused one queues
// nothing, an accepted one is written by its row's job with the row's message.
TEST(FieldWrites, TextUnderTheFieldsRuleThenItsRowsJob) {
    struct Case {
        const char* key;
        const char* text;
        int refusedWith;  // the rule's message id; -1: refused without one
        Strings wire;     // after the model check
        int done;
    };
    const Case cases[] = {
        {"interval", "500", 0, {"AT+ADVINTERVAL=500"}, IDS_ADV_INTERVAL_DONE},
        {"name", "Neu", 0, {"AT+MANUF=Neu"}, IDS_DEVICE_NAME_DONE},
        {"parity", "odd", 0, {"AT+UARTOPT=0,O,1"}, IDS_UART_DONE},
        {"interval", "19", IDS_INVALID_ADV_INTERVAL, {}, 0},
        {"interval", "1e3", IDS_INVALID_ADV_INTERVAL, {}, 0},
        {"name", "A\rB", IDS_DEVICE_NAME_BAD_CHAR, {}, 0},
        {"name", "NINEBYTES", IDS_DEVICE_NAME_TOO_LONG, {}, 0},
        {"stopbits", "3", -1, {}, 0},
        {"slot1", "A0B1C2D3E401", -1, {}, 0},  // the slots go together
        {"nothing", "1", -1, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        SimLink link;
        ASSERT_TRUE(link.Connect());
        link.ops.Records().m_toWrite.uart = {'N', 1, false};
        const setting_fields::Refusal refusal = link.ops.QueueFieldWrite(c.key, c.text);
        if (c.refusedWith != 0) {
            EXPECT_TRUE(refusal);
            EXPECT_EQ(refusal.id, c.refusedWith == -1 ? 0 : c.refusedWith);
            link.view.PumpPending();
            EXPECT_TRUE(link.view.results.empty());
            EXPECT_TRUE(link.Commands().empty());
            continue;
        }
        ASSERT_FALSE(refusal) << refusal.English();
        ASSERT_TRUE(link.view.PumpUntil([&] { return !link.view.results.empty(); }));
        Strings expected = {"AT+MODEL?"};
        expected.insert(expected.end(), c.wire.begin(), c.wire.end());
        EXPECT_EQ(link.Commands(), expected);
        EXPECT_EQ(link.view.results.front().second, JOB_STATUS_OK);
        EXPECT_TRUE(link.view.Has(Msg(c.done, "Information")));
    }
}
