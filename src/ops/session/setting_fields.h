// The module's settings as one table. A field is one value a settings change
// can name: its key, its text form and input rule, its place in the JSON
// documents and its label. A command is one query or write of the module:
// its step, how its reply fills the settings record, and which fields one
// write carries. Profiles, changes and their plan, the read-back, the
// command-line tool and the window's import all read these two tables.
#pragma once

#include "ops/session/device_settings.h"
#include "ops/session/device_steps.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class DeviceSession;
struct SessionResult;

namespace setting_fields {

// A refused value: the input rule's message id with the slot it names, or
// only an English text where the window has no message for it.
struct Refusal {
    int id = 0;
    int slot = 0;
    std::string hint;  // English: the rule in words, or the whole text when id is 0

    explicit operator bool() const { return id != 0 || !hint.empty(); }
    // "Invalid advertising interval value. (20 to 2560 ms)"
    std::string English() const;
};

enum class JsonForm { Text, Number, Flag, Slot };

struct Field {
    const char* key;     // "name", ...; a slot field is "slot" followed by its number
    const char* label;   // English, translated in context "Settings"; %1 is the slot number
    const char* object;  // the JSON object it sits in: "" at the top, "uart", "slots", "beacon"
    const char* member;  // its key there
    JsonForm json;
    long min, max;    // JsonForm::Number only
    bool perSlot;     // one field per slot, 1..8
    bool beaconOnly;  // only models with a beacon have it
    // The value as text: command line, differences, reports.
    std::string (*text)(const DeviceSettings& s, int slot);
    // The text form to the value, under the field's input rule.
    Refusal (*assign)(DeviceSettings& s, int slot, const std::string& text);
};

// In writing order.
const std::vector<Field>& Fields();
// The field of a key ("slot3" gives the slot field and 3), or nullptr.
const Field* Find(const std::string& key, int* slot = nullptr);
std::string KeyOf(const Field& f, int slot);

// A key=value word's key that sets a field through another text form
// ("beacon-string" gives beacon data as text), and the key it sets.
struct InputForm {
    const char* word;
    const char* field;
    Refusal (*assign)(DeviceSettings& s, int slot, const std::string& text);
};
const std::vector<InputForm>& InputForms();

struct Command {
    const device_steps::Step* query = nullptr;  // nullptr: never read
    bool perSlot = false;
    bool beaconOnly = false;
    bool refusedMeansEmpty = false;  // the module answers an empty slot with an error
    // Fills the record from the reply's payload.
    void (*decode)(const uint8_t* payload, DeviceSettings& s, int slot) = nullptr;
    // Keys of the fields one write carries (a slot's is "slot"), and the write.
    // A row with a set step and its argument needs no write of its own: the
    // session's generic write sends the step with the argument for its %s.
    std::vector<const char*> writes = {};
    std::function<SessionResult(DeviceSession& session, const DeviceSettings& target, int slot)> write = {};
    const device_steps::Step* set = nullptr;
    std::string (*argument)(const DeviceSettings& s, int slot) = nullptr;
    // The messages that report the window's write (0: "%1 was set." and
    // "Failed setting %1." with the label of the first field it writes).
    int done = 0;
    int failed = 0;
    // kestovctl info's line: its label and text, or none.
    const char* infoLabel = nullptr;
    std::string (*info)(const DeviceSettings& s, int slot) = nullptr;
};
// In reading order; writes run in this order too.
const std::vector<Command>& Commands();
// The fields a write carries, each checked by its input rule as its text form.
Refusal CheckWrite(const Command& c, const DeviceSettings& target, int slot);
// The row that writes a field key ("slot3": the slot row), or nullptr.
const Command* WriterOf(const std::string& key);

// The settings as JSON: name, interval, uart, slots, beacon (with a beacon only).
nlohmann::ordered_json ToJson(const DeviceSettings& s);

// Texts of values.
std::string ParityWord(char parity);       // none, even, odd
std::string SlotText(const SlotEntry& e);  // ADDRESS[,TAG] or none
std::string BeaconSourceWord(int source);  // uart, user

}  // namespace setting_fields
