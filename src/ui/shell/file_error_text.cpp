#include "ui/shell/file_error_text.h"

#include <QCoreApplication>
#include <QFile>

#include <cstring>

namespace {
QString Ft(const char* text) { return QCoreApplication::translate("Files", text); }
}  // namespace

QString FileErrorText(const file_io::Error& error) {
    using file_io::Fault;
    switch (error.fault) {
    case Fault::None:
        return {};
    case Fault::System:
        return QString::fromLocal8Bit(std::strerror(error.sys));
    case Fault::Fifo:
        return Ft("it is a FIFO, not a regular file");
    case Fault::Directory:
        return Ft("it is a folder, not a regular file");
    case Fault::Device:
        return Ft("it is a device, not a regular file");
    case Fault::Socket:
        return Ft("it is a socket, not a regular file");
    case Fault::NotRegular:
        return Ft("it is not a regular file");
    case Fault::TooLarge:
        return Ft("the file is too large");
    }
    return {};
}

file_io::ReadResult ReadWholeFile(const QString& path, std::size_t maxBytes) {
    return file_io::ReadWholeFile(QFile::encodeName(path).toStdString(), maxBytes);
}

file_io::Error WriteWholeFile(const QString& path, const QByteArray& data) {
    return file_io::WriteWholeFile(QFile::encodeName(path).toStdString(),
                                   std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
}
