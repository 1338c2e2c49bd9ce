#include "ui/shell/version_info.h"

#include "ui/shell/strings.h"

#include <QLocale>

namespace {

bool Lookup(const VersionTable& t, const VersionTable::Translation& tr, const QString& key, QString& out) {
    const QString block =
        QStringLiteral("%1%2").arg(tr.language, 4, 16, QLatin1Char('0')).arg(tr.codePage, 4, 16, QLatin1Char('0'));
    const auto table = t.stringTables.find(block);
    if (table == t.stringTables.end()) return false;
    const auto value = table->second.find(key);
    if (value == table->second.end()) return false;
    out = value->second;
    return true;
}

}  // namespace

const VersionTable& BuiltInVersionTable() {
    static const VersionTable table = [] {
        VersionTable t;
        t.productVersion[0] = KESTOV_VERSION_MAJOR;
        t.productVersion[1] = KESTOV_VERSION_MINOR;
        t.productVersion[2] = KESTOV_VERSION_PATCH;
        t.productVersion[3] = KESTOV_VERSION_TWEAK;
        const QString version = QStringLiteral("%1.%2.%3.%4")
                                    .arg(t.productVersion[0])
                                    .arg(t.productVersion[1])
                                    .arg(t.productVersion[2])
                                    .arg(t.productVersion[3]);
        const std::map<QString, QString> strings = {
            {QStringLiteral("CompanyName"), QStringLiteral("Talvern")},
            {QStringLiteral("FileDescription"), QStringLiteral("KESTOV-LV200 Manager")},
            {QStringLiteral("FileVersion"), version},
            {QStringLiteral("InternalName"), QStringLiteral("kestov-lv200-manager")},
            {QStringLiteral("LegalCopyright"), QStringLiteral("Copyright (C) 2026 Talvern")},
            {QStringLiteral("OriginalFilename"), QStringLiteral("kestov-lv200-manager")},
            {QStringLiteral("ProductName"), QStringLiteral("KESTOV-LV200 Manager")},
            {QStringLiteral("ProductVersion"), version},
        };
        t.stringTables[QStringLiteral("040004b0")] = strings;
        t.stringTables[QStringLiteral("041204b0")] = strings;
        // Only the Korean translation is listed, so its table is read on every system.
        t.translations = {{0x0412, 0x04B0}};
        return t;
    }();
    return table;
}

uint16_t UiLanguageId() {
    if (IsKoreanUi()) return 0x0412;
    switch (QLocale::system().language()) {
    case QLocale::German:
        return 0x0407;
    case QLocale::French:
        return 0x040C;
    case QLocale::Japanese:
        return 0x0411;
    case QLocale::Chinese:
        return 0x0804;
    case QLocale::Spanish:
        return 0x0C0A;
    default:
        return 0x0409;
    }
}

bool GetVersionString(const QString& key, QString& out, const VersionTable& t) {
    if (!t.present || !t.hasFixedInfo) return false;
    const uint16_t language = UiLanguageId();
    for (const auto& tr : t.translations) {
        if (tr.language == language && Lookup(t, tr, key, out)) return true;
    }
    if (t.translations.empty()) return false;
    return Lookup(t, t.translations.front(), key, out);
}

bool GetProductVersionText(QString& out, const VersionTable& t) {
    if (!t.present || !t.hasFixedInfo) return false;
    out = QStringLiteral("%1.%2.%3").arg(t.productVersion[0]).arg(t.productVersion[1]).arg(t.productVersion[2]);
    return true;
}
