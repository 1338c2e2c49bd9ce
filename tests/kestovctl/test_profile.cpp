// Profiles and key=value settings: what is refused, with a clear reason,
// and that an exported profile reads back as the same settings.
#include "ops/session/device_model.h"
#include "ops/profiles/profile.h"
#include "ops/session/settings_patch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Profile(const std::string& body) {
    return R"({"format":"kestov-lv2xx-profile","version":1)" + (body.empty() ? "" : "," + body) + "}";
}

DeviceSettings Lv200() {
    DeviceSettings s;
    s.model = MODEL_LV200;
    s.modelName = "KESTOV-LV200";
    s.name = "Dev\xED\x95\x9C";
    s.advInterval = 250;
    s.uart = {'E', 2, true};
    s.slotEntries.assign(8, SlotEntry{});
    s.slotEntries[0].address = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0x01};
    s.slotEntries[0].tag = "T1";
    s.slotEntries[5].address = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0x06};
    s.hasBeacon = true;
    s.beaconSource = BEACON_SOURCE_USER;
    s.beaconHex = "0201060AFF";
    return s;
}

}  // namespace

TEST(Profile, RefusesBrokenHostileAndForeignFiles) {
    struct Case {
        const char* name;
        std::string text;
        const char* says;  // part of the error
        profile::Problem::Kind kind;
    };
    using P = profile::Problem;
    const Case cases[] = {
        {"empty", "", "not valid JSON", P::NotJson},
        {"cut short", Profile("").substr(0, 20), "not valid JSON", P::NotJson},
        {"array", "[1,2]", "expected a JSON object", P::NotAnObject},
        {"other format", R"({"format":"something","version":1})", "not a settings profile", P::NotAProfile},
        {"no version", R"({"format":"kestov-lv2xx-profile"})", "\"version\" is missing", P::NoVersion},
        {"newer version", R"({"format":"kestov-lv2xx-profile","version":2})", "version 2 is not supported",
         P::OtherVersion},
        {"version as text", R"({"format":"kestov-lv2xx-profile","version":"1"})", "\"version\" is missing",
         P::NoVersion},
        {"unknown key", Profile(R"("colour":"red")"), "unknown key \"colour\"", P::UnknownKey},
        {"unknown model", Profile(R"("model":"KESTOV-LV250")"), "not a supported model", P::UnknownModel},
        {"name too long", Profile(R"("name":"NINEBYTES")"), "Device name is too long.", P::Rule},
        {"CR in name", Profile(R"("name":"A\rATZ")"), "The device name contains a character the module cannot take.",
         P::Rule},
        {"comma in name", Profile(R"("name":"a,b")"), "The device name cannot contain a comma", P::Rule},
        // JSON wants control characters in strings escaped; written as they are, the name's rule says no.
        {"raw control character in name",
         Profile("\"name\":\"A\x01"
                 "B\""),
         "contains a character", P::Rule},
        {"raw tab in name", Profile("\"name\":\"A\tB\""), "contains a character", P::Rule},
        {"raw control character after a backslash",
         Profile("\"name\":\"A\\\x01"
                 "B\""),
         "not valid JSON", P::NotJson},
        {"interval low", Profile(R"("interval":19)"), "interval: expected a whole number from 20 to 2560",
         P::NotNumber},
        {"interval text", Profile(R"("interval":"100")"), "interval: expected a whole number", P::NotNumber},
        {"parity", Profile(R"("uart":{"parity":"mark"})"), "parity: none, even or odd", P::BadWord},
        {"stop bits", Profile(R"("uart":{"stopbits":3})"), "uart.stopbits", P::NotNumber},
        {"slot 9", Profile(R"("slots":[{"slot":9,"address":null}])"), "slots[0].slot", P::NotNumber},
        {"slot twice", Profile(R"("slots":[{"slot":1,"address":null},{"slot":1,"address":null}])"), "appears twice",
         P::SlotTwice},
        {"bad address", Profile(R"("slots":[{"slot":2,"address":"A0B1C2D3E4"}])"), "Slot 2: Invalid Bluetooth address.",
         P::Rule},
        {"same address twice",
         Profile(R"("slots":[{"slot":1,"address":"A0B1C2D3E401"},{"slot":2,"address":"a0b1c2d3e401"}])"),
         "Duplicated Bluetooth addresses", P::Rule},
        {"tag with LF", Profile(R"("slots":[{"slot":3,"address":"A0B1C2D3E401","tag":"x\nATZ"}])"), "Slot 3", P::Rule},
        {"odd beacon", Profile(R"("beacon":{"source":"user","data":"ABC"})"), "not an even length", P::Rule},
        {"beacon not hex", Profile(R"("beacon":{"source":"user","data":"0G"})"), "format of the hexadecimal", P::Rule},
        {"beacon source", Profile(R"("beacon":{"source":"radio"})"), "uart or user", P::BadWord},
        {"huge", Profile(R"("name":")" + std::string(70000, 'x') + "\""), "larger than 64 KiB", P::TooLarge},
        {"deep", std::string(20000, '[') + std::string(20000, ']'), "expected a JSON object", P::NotAnObject},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const profile::Parsed p = profile::Parse(c.text);
        EXPECT_NE(p.error.find(c.says), std::string::npos) << p.error;
        EXPECT_EQ(p.problem.kind, c.kind) << p.error;
        EXPECT_TRUE(p.patch.Empty()) << "a refused profile carries nothing";
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << "one line";
    }
}

TEST(Profile, ExportReadsBackAsTheSameSettings) {
    const DeviceSettings s = Lv200();
    const profile::Parsed p = profile::Parse(profile::Export(s));
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.model, "KESTOV-LV200");
    EXPECT_TRUE(settings_patch::Diff(p.patch, s).empty()) << "nothing differs from where it came from";
    int slots = 0;
    for (int n = 1; n <= 8; ++n) slots += p.patch.Names("slot" + std::to_string(n)) ? 1 : 0;
    EXPECT_EQ(slots, 8);

    DeviceSettings other = s;
    other.name = "x";
    other.slotEntries[0] = SlotEntry{};
    other.beaconSource = BEACON_SOURCE_SERIAL;
    const auto diff = settings_patch::Diff(p.patch, other);
    ASSERT_EQ(diff.size(), 3u);
    EXPECT_EQ(diff[0].field, "name");
    EXPECT_EQ(diff[1].field, "slot1");
    EXPECT_EQ(diff[1].to, "A0B1C2D3E401,T1");
    EXPECT_EQ(diff[2].field, "beacon-source");

    // An LV230 profile has no beacon and seven slots; an LV200 profile on an
    // LV230 names what the LV230 lacks.
    DeviceSettings lv230 = s;
    lv230.model = MODEL_LV230;
    lv230.hasBeacon = false;
    lv230.slotEntries.resize(7);
    const std::string text = profile::Export(lv230);
    EXPECT_EQ(text.find("beacon"), std::string::npos);
    EXPECT_EQ(settings_patch::UnsupportedFields(profile::Parse(text).patch, MODEL_LV230).size(), 0u);
    EXPECT_EQ(settings_patch::UnsupportedFields(p.patch, MODEL_LV230),
              (std::vector<std::string>{"slot8", "beacon-source", "beacon-data"}));
}

TEST(SettingsWords, SameRefusalsAsTheWindow) {
    struct Case {
        std::string word;
        const char* says;  // empty: accepted
    };
    const Case cases[] = {
        {"name=\xED\x95\x9C\xEA\xB8\x80", ""},  // two Hangul syllables: 6 bytes
        {"name=\xED\x95\x9C\xEA\xB8\x80\xEA\xB8\x80", "Device name is too long."},
        {"interval=20", ""},
        {"interval=2561", "Invalid advertising interval value."},
        {"interval=1e3", "Invalid advertising interval value."},
        {"parity=odd", ""},
        {"stopbits=1.5", "stopbits: 1 or 2"},
        {"flow=maybe", "flow: on or off"},
        {"beacon-hex=0201", ""},
        {"beacon-hex=", "Beacon data is empty."},
        {"beacon-hex=" + std::string(54, 'A'), "String is too long."},
        {"beacon-string=" + std::string(27, 'a'), "String is too long."},
        {"slot8=none", ""},
        {"slot9=none", "unknown setting \"slot9\""},
        {"slot1=A0B1C2D3E401,NINEBYTES", "Slot 1: Invalid tag length."},
        {"rssi=-40", "unknown setting"},
        {"name", "expected key=value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        SettingsPatch patch;
        const std::string error = settings_patch::AddAssignment(patch, c.word);
        if (std::string(c.says).empty()) {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_NE(error.find(c.says), std::string::npos) << error;
        }
    }
    SettingsPatch mixed;
    EXPECT_EQ(settings_patch::AddAssignment(mixed, "beacon-source=uart"), "");
    EXPECT_NE(settings_patch::AddAssignment(mixed, "beacon-hex=0201"), "") << "data is only sent as user data";
}
