#include "ui/main/profile_text.h"

#include "ops/rules/string_ids.h"
#include "ops/session/device_model.h"
#include "ui/main/window_text.h"

#include <QCoreApplication>

namespace profile_text {
namespace {

QString Pt(const char* text) { return QCoreApplication::translate("Profiles", text); }

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool IsSlot(const std::string& field) { return field.size() == 5 && field.compare(0, 4, "slot") == 0; }

// Where in the profile a problem stands, in the user's words.
QString Place(const profile::Problem& p) {
    if (!p.field.empty()) {
        return FieldLabel(p.field);
    }
    if (p.entry > 0) {
        return Pt("Slot list, entry %1").arg(p.entry);
    }
    if (p.object == "uart") {
        return Pt("UART options");
    }
    if (p.object == "beacon") {
        return Pt("Beacon");
    }
    if (p.object == "slots") {
        return Pt("Slot list");
    }
    if (p.object == "model") {
        return Pt("Model");
    }
    return Pt("Profile");
}

}  // namespace

QString Value(const std::string& field, const std::string& value) {
    if (field == "parity") {
        // The UART section's own choices.
        return value == "even" ? Tr("Even") : value == "odd" ? Tr("Odd") : value == "none" ? Tr("None") : Utf8(value);
    }
    if (field == "flow") {
        return value == "on" ? Tr("Enable") : value == "off" ? Tr("Disable") : Utf8(value);
    }
    if (field == "beacon-source") {
        return value == "user" ? Pt("User assigned data") : Pt("Final serial data");
    }
    if (value.empty() || (IsSlot(field) && value == "none")) {
        return Pt("(empty)");
    }
    return Utf8(value);
}

QString Differences(const std::vector<FieldChange>& changes) {
    QString list;
    for (const FieldChange& c : changes) {
        list +=
            QStringLiteral("%1: %2 \u2192 %3\n").arg(FieldLabel(c.field), Value(c.field, c.from), Value(c.field, c.to));
    }
    return list;
}

QString Refusal(const profile::Parsed& parsed) {
    using P = profile::Problem;
    const P& p = parsed.problem;
    switch (p.kind) {
    case P::Rule:
        // Word for word what the window says for the same value.
        return RuleMessage(parsed.rule);
    case P::TooLarge:
        return Pt("The file is larger than %1 KiB.").arg(p.max);
    case P::NotJson:
        return Pt("The file is not valid JSON (at byte %1).").arg(p.max);
    case P::NotAnObject:
        return p.field.empty() && p.entry == 0 && p.object.empty() ? Pt("The file holds no JSON object.")
                                                                   : Pt("%1: expected a JSON object.").arg(Place(p));
    case P::NotAProfile:
        return Pt("The file is not a settings profile.");
    case P::NoVersion:
        return Pt("The profile does not say its version.");
    case P::OtherVersion:
        return Pt("Profile version %1 is not supported; this program reads version %2.")
            .arg(Utf8(p.value))
            .arg(profile::kVersion);
    case P::UnknownKey:
        return Pt("%1: unknown key \"%2\".").arg(Place(p), Utf8(p.value));
    case P::UnknownModel:
        return Pt("The model \"%1\" is not supported.").arg(Utf8(p.value));
    case P::NotText:
        return Pt("%1: expected text.").arg(Place(p));
    case P::NotNumber:
        return Pt("%1: expected a whole number from %2 to %3.").arg(Place(p)).arg(p.min).arg(p.max);
    case P::NotFlag:
        return Pt("%1: expected true or false.").arg(Place(p));
    case P::TooManySlots:
        return Pt("The slot list must be a list of at most %1 slots.").arg(p.max);
    case P::SlotIncomplete:
        return Pt("%1: needs \"slot\" and \"address\".").arg(Place(p));
    case P::SlotTwice:
        return Pt("Slot %1 appears twice.").arg(p.max);
    case P::BadWord:
        return Pt("%1: \"%2\" is not a value this setting takes.").arg(Place(p), Utf8(p.value));
    case P::Unreadable:
    case P::None:
        break;
    }
    return Pt("The profile cannot be read.");
}

QString SessionFailure(const SessionResult& r) {
    const QString command = Utf8(r.command);
    switch (r.error) {
    case SessionError::None:
        return QString();
    case SessionError::NotOpen:
    case SessionError::Closed:
        return Pt("the link to the module closed");
    case SessionError::Timeout:
        return Pt("%1: no answer from the module in time").arg(command);
    case SessionError::Refused:
        return Pt("%1: the module refused it").arg(command);
    case SessionError::BadReply:
        return Pt("%1: an answer from the module that cannot be used").arg(command);
    case SessionError::Unsupported:
        return LoadStringRes(IDS_UNSUPPORTED_DEVICE);
    case SessionError::InvalidInput:
        break;
    }
    return Pt("%1: a value was refused before it was sent").arg(command);
}

QString ImportFailure(const ApplyOutcome& o, int comparedModel) {
    if (o.otherModel != 0) {
        return Pt("The module now answers as %1, not as the %2 whose settings were compared. Nothing was written.")
            .arg(QString::fromLatin1(device_model::NameOf(o.otherModel)),
                 QString::fromLatin1(device_model::NameOf(comparedModel)));
    }
    if (o.refusal) {
        return RuleMessage(o.refusal);
    }
    if (!o.failure) {
        return SessionFailure(o.failure);
    }
    if (!o.mismatches.empty()) {
        const FieldChange& m = o.mismatches.front();
        return Pt("%1 reads back as \"%2\".").arg(FieldLabel(m.field), Value(m.field, m.to));
    }
    return QString();
}

}  // namespace profile_text
