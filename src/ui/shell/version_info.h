// Version resource of the program: values keyed by language and code page,
// looked up the way the system's version API does.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

// Value of a version string ("ProductName", "LegalCopyright", ...); false when absent.
bool GetVersionString(const QString& key, QString& out);
// Product version as "major.minor.patch" (e.g. "1.4.2"); false when the version is absent.
bool GetProductVersionText(QString& out);

// The version data the lookups read. Tests inject their own.
struct VersionTable {
    struct Translation { uint16_t language; uint16_t codePage; };
    std::vector<Translation> translations;                        // the translation list
    std::map<QString, std::map<QString, QString>> stringTables;   // "040004b0" -> key -> value
    bool hasFixedInfo = true;                                     // numeric version present
    uint16_t productVersion[4] = {0, 0, 0, 0};
};
// The program's built-in table.
const VersionTable& BuiltInVersionTable();
// Tests: replace the table; nullptr restores the built-in one. A null table means "no version data".
void SetVersionTableForTest(const VersionTable* table, bool absent = false);
