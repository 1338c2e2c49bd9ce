#include "ui/shell/settings_store.h"

#include <QCoreApplication>
#include <QSettings>
#include <memory>

namespace {

QString& IniPath() {
    static QString path;
    return path;
}

// A fresh store object per call: nothing is cached, so a write is visible to
// the next read at once (also to a second running copy of the program).
std::unique_ptr<QSettings> OpenSection() {
    std::unique_ptr<QSettings> s;
    if (!IniPath().isEmpty()) {
        s = std::make_unique<QSettings>(IniPath(), QSettings::IniFormat);
    } else {
        s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                QStringLiteral("Talvern"), QCoreApplication::applicationName());
    }
    s->beginGroup(QLatin1String(SettingsStore::kSection));
    return s;
}

}  // namespace

int SettingsStore::GetProfileInt(const char* key, int def) {
    const QVariant v = OpenSection()->value(QLatin1String(key));
    if (!v.isValid()) return def;
    bool ok = false;
    int n = 0;
    switch (v.typeId()) {
    case QMetaType::Int:
        return v.toInt();
    case QMetaType::QString:
        n = v.toString().trimmed().toInt(&ok);
        break;
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const qlonglong wide = v.toLongLong(&ok);
        ok = ok && wide >= INT32_MIN && wide <= INT32_MAX;
        n = static_cast<int>(wide);
        break;
    }
    default:
        break;
    }
    return ok ? n : def;
}

QString SettingsStore::GetProfileString(const char* key, const QString& def) {
    const QVariant v = OpenSection()->value(QLatin1String(key));
    if (!v.isValid()) return def;
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toString();
    default:
        return def;   // a list or other structured value is not a text
    }
}

void SettingsStore::WriteProfileInt(const char* key, int value) {
    auto s = OpenSection();
    s->setValue(QLatin1String(key), value);
    s->sync();
}

void SettingsStore::WriteProfileString(const char* key, const QString& value) {
    auto s = OpenSection();
    s->setValue(QLatin1String(key), value);
    s->sync();
}

void SettingsStore::UseFile(const QString& iniPath) { IniPath() = iniPath; }
