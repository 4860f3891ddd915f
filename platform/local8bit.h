#pragma once

// The platform's local 8-bit code page: the encoding of both paper files and of the stored paths (on Windows the
// system's ANSI code page, elsewhere the character set of the user's locale, for example GB18030 under
// zh_CN.GB18030).

#include <QByteArray>
#include <QString>

namespace platform {

// Makes the locale's codec follow the locale's character set. Qt decodes UTF-8 whatever the locale says (Debian's
// Qt 5 by default, Qt 6 on Unix always); a student who starts the program under a GB18030 locale must get GB18030
// files. Every conversion of this layer goes through that codec, never through QString::toLocal8Bit, which is
// UTF-8 on Unix under Qt 6. Done once, on the first conversion.
void follow_locale_code_page();

// Decodes every byte as it stands: a byte-order mark at the start is a character of the text, not a header to drop.
// If `undecodable` is given, it receives the number of byte sequences that the decoder could not read and
// replaced.
QString from_local_8bit(const char *bytes, qsizetype size, int *undecodable = nullptr);

inline QString from_local_8bit(const QByteArray &bytes)
{
    return from_local_8bit(bytes.constData(), bytes.size());
}

QByteArray to_local_8bit(const QString &text);

// A file name as the system hands it over (an argument of the command line), as Qt's file functions name that
// file: in the 8-bit code page under Qt 5; Qt 6 on Unix takes every file name as UTF-8, whatever the locale.
QString file_name_from_local_8bit(const QByteArray &name);

// Whether `text` survives the trip to the 8-bit code page and back unchanged.
bool fits_local_8bit(const QString &text);

// Whether `decoded`, read from the `size` bytes at `bytes` with `undecodable` sequences replaced, gives those bytes
// back: false when the bytes are not the code page's (a GBK file under a UTF-8 locale) and were decoded with
// substitutes.
bool decodes_exactly(const char *bytes, qsizetype size, const QString &decoded, int undecodable);

// The name of the code page, for the student ("UTF-8", "GB18030").
QString local_8bit_name();

} // namespace platform
