// The reason a file could not be read or written, in the user's language.
#pragma once

#include "link/file_io.h"

#include <QByteArray>
#include <QString>

QString FileErrorText(const file_io::Error& error);

// The checked file calls with the toolkit's path and byte types.
file_io::ReadResult ReadWholeFile(const QString& path, std::size_t maxBytes);
file_io::Error WriteWholeFile(const QString& path, const QByteArray& data);
