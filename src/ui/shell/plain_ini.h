// The settings file as plain text: sections, key=value lines, every value a
// text. Keys, sections and values are escaped the way Qt's own INI format
// escapes them, so files of earlier versions read the same and Qt's INI
// reader can still read ours. What Qt would decode into other types
// ("@Variant(...)", "@ByteArray(...)", comma lists) is never decoded: such an
// entry is left out, so its key reads as missing, and a write carries it
// through byte for byte. Only "@String(...)", Qt's wrapper of a text with a
// NUL in it, is read, as the text inside.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <optional>

namespace plain_ini {

// Larger files are not read at all (a settings file of a few lines is what
// the program writes; anything near this size is not one of ours).
inline constexpr qsizetype kMaxFileBytes = 1024 * 1024;

// Entries of the text under "section/key" (top-level keys for [General]).
// Never fails on any input; runs in time linear in the size of the text.
QSettings::SettingsMap Parse(QByteArrayView text);
// The text with "section/key" set to a text or a number; empty section for
// [General]. The key's last line in the section is replaced, else the entry
// is added at the section's end, else a new section at the end of the text.
// Every other byte stays as it was: entries of other forms (lists,
// "@ByteArray(...)"), other sections and comments come through unchanged.
// Nothing when the value is of another type, or when the result would not
// read back as the value (a text the reader cannot take apart).
std::optional<QByteArray> SetEntry(QByteArrayView text, const QString& section, const QString& key,
                                   const QVariant& value);

}  // namespace plain_ini
