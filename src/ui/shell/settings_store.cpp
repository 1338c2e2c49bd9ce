#include "ui/shell/settings_store.h"

#include "ui/shell/plain_ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>

namespace {

QString& IniPath() {
    static QString path;
    return path;
}

// Qt's own INI format decodes "@Variant(...)" values recursively, so one
// deeply nested value overflows the stack; ours reads texts only.
QSettings::Format PlainFormat() {
    static const QSettings::Format format =
            QSettings::registerFormat(QStringLiteral("conf"), plain_ini::Read, plain_ini::Write);
    return format;
}

// Where the user's settings live when no file was chosen: the place Qt's
// native format used on this platform, so earlier files are found again.
QString UserFilePath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("Talvern/%1.conf").arg(QCoreApplication::applicationName()));
}

QString FilePath() { return IniPath().isEmpty() ? UserFilePath() : IniPath(); }

// QSettings opens the file with a plain blocking open, which never returns
// on a FIFO; so look first, without blocking, and let it near the path only
// when a regular file (or nothing yet) is there.
bool SafeToOpen(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

// A fresh store object per call: nothing is cached, so a write is visible to
// the next read at once (also to a second running copy of the program).
// Null when the file cannot be used; reads then give defaults and writes are
// dropped, as with any other failure of the store.
std::unique_ptr<QSettings> OpenSection() {
    const QString path = FilePath();
    if (!SafeToOpen(path)) return nullptr;
    auto s = std::make_unique<QSettings>(path, PlainFormat());
    s->beginGroup(QLatin1String(SettingsStore::kSection));
    return s;
}

QVariant ReadValue(const char* key) {
    const auto s = OpenSection();
    return s ? s->value(QLatin1String(key)) : QVariant();
}

void WriteValue(const char* key, const QVariant& value) {
    if (const auto s = OpenSection()) {
        s->setValue(QLatin1String(key), value);
        s->sync();
    }
}

}  // namespace

// Values come back as the file's text, or as the number just written when
// the store still holds it from the write.
int SettingsStore::GetProfileInt(const char* key, int def) {
    const QVariant v = ReadValue(key);
    bool ok = false;
    qlonglong n = 0;
    switch (v.typeId()) {
    case QMetaType::QString:
        n = v.toString().trimmed().toLongLong(&ok);
        break;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
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
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
        return v.toString();
    default:
        return def;
    }
}

void SettingsStore::WriteProfileInt(const char* key, int value) { WriteValue(key, value); }

void SettingsStore::WriteProfileString(const char* key, const QString& value) { WriteValue(key, value); }

void SettingsStore::UseFile(const QString& iniPath) { IniPath() = iniPath; }

QString SettingsStore::FileName() { return FilePath(); }
