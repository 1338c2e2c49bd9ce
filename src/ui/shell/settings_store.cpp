#include "ui/shell/settings_store.h"

#include "ui/shell/file_error_text.h"
#include "ui/shell/plain_ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstdint>
#include <optional>
#include <utility>

namespace {

QString St(const char* text) { return QCoreApplication::translate("SettingsStore", text); }

QString& IniPath() {
    static QString path;
    return path;
}

// Where the user's settings live when no file was chosen: the place Qt's
// native format used on this platform, so earlier files are found again.
QString UserFilePath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("Talvern/%1.conf").arg(QCoreApplication::applicationName()));
}

QString FilePath() { return IniPath().isEmpty() ? UserFilePath() : IniPath(); }

// Once the file could not be read or written, this session's settings live
// here only: a file the store cannot read is never written over.
struct MemoryStore {
    bool active = false;
    QSettings::SettingsMap values;
    QString notice;        // waiting for a handler
    bool noticed = false;  // the user is told once per file
    std::function<void(const QString&)> handler;
};

MemoryStore& Session() {
    static MemoryStore s;
    return s;
}

QString FullKey(const char* key) { return QLatin1String(SettingsStore::kSection) + u'/' + QLatin1String(key); }

void Tell(const QString& text) {
    MemoryStore& s = Session();
    if (s.noticed) return;
    s.noticed = true;
    if (s.handler) {
        s.handler(text);
    } else {
        s.notice = text;
    }
}

void GoSessionOnly(const QSettings::SettingsMap& known, const QString& notice) {
    MemoryStore& s = Session();
    if (!s.active) s.values = known;
    s.active = true;
    Tell(notice);
}

// The file's text: empty when there is none yet; nothing (and the session
// goes on in memory) when the file is there but cannot be read: too large,
// unreadable, or not a regular file. A FIFO is never opened in a way that waits.
std::optional<QByteArray> ReadFileText(const QString& path) {
    const file_io::ReadResult r = ReadWholeFile(path, static_cast<std::size_t>(plain_ini::kMaxFileBytes));
    if (r.missing) return QByteArray();
    if (r.error) {
        GoSessionOnly({}, St("The settings file %1 cannot be read: %2\n"
                             "The settings of this session will not be saved.")
                              .arg(path, FileErrorText(r.error)));
        return std::nullopt;
    }
    return QByteArray(r.data.data(), static_cast<qsizetype>(r.data.size()));
}

// A fresh read per call: nothing is cached, so a write is visible to the
// next read at once (also to a second running copy of the program).
QVariant ReadValue(const char* key) {
    if (!Session().active) {
        if (const std::optional<QByteArray> text = ReadFileText(FilePath()))
            return plain_ini::Parse(*text).value(FullKey(key));
    }
    return Session().values.value(FullKey(key));
}

void WriteValue(const char* key, const QVariant& value) {
    MemoryStore& s = Session();
    if (!s.active) {
        const QString path = FilePath();
        const std::optional<QByteArray> text = ReadFileText(path);
        if (text) {
            const std::optional<QByteArray> edited =
                plain_ini::SetEntry(*text, QLatin1String(SettingsStore::kSection), QLatin1String(key), value);
            if (edited && *edited == *text) return;  // already so: no write, no flush to disk
            file_io::Error error;
            if (edited) {
                QDir().mkpath(QFileInfo(path).absolutePath());
                error = WriteWholeFile(path, *edited);
                if (!error) return;
            }
            GoSessionOnly(plain_ini::Parse(*text), edited ? St("The settings cannot be saved in %1: %2\n"
                                                               "The settings of this session will not be saved.")
                                                                .arg(path, FileErrorText(error))
                                                          : St("The settings file %1 cannot be read as settings.\n"
                                                               "The settings of this session will not be saved.")
                                                                .arg(path));
        }
    }
    s.values.insert(FullKey(key), value);
}

}  // namespace

// Values come back as the file's text, or as the value kept in memory when
// the file cannot be used.
int SettingsStore::GetProfileInt(const char* key, int def) {
    const QVariant v = ReadValue(key);
    bool ok = false;
    qlonglong n = 0;
    switch (v.typeId()) {
    case QMetaType::QString:
        n = v.toString().trimmed().toLongLong(&ok);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        n = v.toLongLong(&ok);
        break;
    default:
        break;
    }
    return ok && n >= INT32_MIN && n <= INT32_MAX ? static_cast<int>(n) : def;
}

QString SettingsStore::GetProfileString(const char* key, const QString& def) {
    const QVariant v = ReadValue(key);
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toString();
    default:
        return def;
    }
}

void SettingsStore::WriteProfileInt(const char* key, int value) { WriteValue(key, value); }

void SettingsStore::WriteProfileString(const char* key, const QString& value) { WriteValue(key, value); }

void SettingsStore::UseFile(const QString& iniPath) {
    IniPath() = iniPath;
    // Another file: it is read and written afresh.
    MemoryStore& s = Session();
    s.active = false;
    s.values.clear();
    s.notice.clear();
    s.noticed = false;
}

void SettingsStore::OnNotice(std::function<void(const QString&)> handler) {
    MemoryStore& s = Session();
    s.handler = std::move(handler);
    if (s.handler && !s.notice.isEmpty()) s.handler(std::exchange(s.notice, QString()));
}
