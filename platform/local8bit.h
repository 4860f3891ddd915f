#pragma once

// The platform's local 8-bit code page: the encoding of both paper files and of the stored paths
// (on Windows the system's ANSI code page, elsewhere the locale's character set).

#include <QByteArray>
#include <QString>

namespace platform {

inline QString from_local_8bit(const char *bytes, qsizetype size)
{
    return QString::fromLocal8Bit(bytes, static_cast<int>(size));
}

inline QByteArray to_local_8bit(const QString &text)
{
    return text.toLocal8Bit();
}

// Whether `text` survives the trip to the 8-bit code page and back unchanged.
bool fits_local_8bit(const QString &text);

} // namespace platform
