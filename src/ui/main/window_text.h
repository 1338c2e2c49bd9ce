// Texts of the main window's own translation context, and the texts of the
// settings table and its input rules in the user-interface language.
#pragma once

#include "ops/session/setting_fields.h"
#include "ui/shell/strings.h"

#include <QCoreApplication>
#include <QString>

#include <string>

inline QString Tr(const char* text) { return QCoreApplication::translate("CKESTOVLV2xxManagerDlg", text); }

// An input rule's message with the slot it names.
inline QString RuleMessage(int stringId, int slot) {
    return LoadStringRes(stringId).replace(QStringLiteral("%d"), QString::number(slot));
}

inline QString RuleMessage(const setting_fields::Refusal& refusal) {
    return refusal.id != 0 ? RuleMessage(refusal.id, refusal.slot) : QString::fromStdString(refusal.hint);
}

// A setting's label ("Device name", "Slot 3"); the key itself for one the table lacks.
inline QString FieldLabel(const std::string& key) {
    int slot = 0;
    const setting_fields::Field* field = setting_fields::Find(key, &slot);
    if (!field) {
        return QString::fromStdString(key);
    }
    const QString label = QCoreApplication::translate("Settings", field->label);
    return field->perSlot ? label.arg(slot) : label;
}
