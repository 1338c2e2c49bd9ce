// Version information of the program: values kept per language and code page
// and looked up with the usual fallback (the system language's table first,
// then the first listed translation).
#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <vector>

// The version data the lookups read.
struct VersionTable {
    struct Translation {
        uint16_t language;
        uint16_t codePage;
    };
    bool present = true;       // false: no version data at all
    bool hasFixedInfo = true;  // numeric version readable
    uint16_t productVersion[4] = {0, 0, 0, 0};
    std::vector<Translation> translations;                       // the translation list
    std::map<QString, std::map<QString, QString>> stringTables;  // "041204b0" -> key -> value
};
// The program's own table, filled from build-time values.
const VersionTable& BuiltInVersionTable();

// Value of a version string ("ProductName", "LegalCopyright", ...); false when absent.
bool GetVersionString(const QString& key, QString& out, const VersionTable& table = BuiltInVersionTable());
// Product version as "major.minor.patch" (e.g. "1.4.2"); false when the version is absent.
bool GetProductVersionText(QString& out, const VersionTable& table = BuiltInVersionTable());
// Language identifier of the UI language (0x0412 Korean, 0x0409 English, ...).
uint16_t UiLanguageId();
