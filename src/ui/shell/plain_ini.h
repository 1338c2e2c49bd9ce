// The settings file as plain text: sections, key=value lines, every value a
// text. Keys, sections and values are escaped the way Qt's own INI format
// escapes them, so files of earlier versions read the same and Qt's INI
// reader can still read ours. What Qt would decode into other types
// ("@Variant(...)", "@ByteArray(...)", comma lists) is never decoded: such an
// entry is left out, so its key reads as missing. Only "@String(...)", Qt's
// wrapper of a text with a NUL in it, is read, as the text inside.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSettings>

namespace plain_ini {

// Larger files are not read at all (a settings file of a few lines is what
// the program writes; anything near this size is not one of ours).
inline constexpr qsizetype kMaxFileBytes = 1024 * 1024;

// Entries of the text under "section/key" (top-level keys for [General]).
// Never fails on any input; runs in time linear in the size of the text.
QSettings::SettingsMap Parse(QByteArrayView text);
// Entries as file text, section by section. Values are written as text.
QByteArray Format(const QSettings::SettingsMap& map);

// The callbacks of QSettings::registerFormat.
bool Read(QIODevice& device, QSettings::SettingsMap& map);
bool Write(QIODevice& device, const QSettings::SettingsMap& map);

}  // namespace plain_ini
