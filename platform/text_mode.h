#pragma once

// Text-mode file I/O, done by our own code on every platform so that the files are byte-identical everywhere:
// in memory a line ends with LF, on disk with CR LF. A CR that is not followed by LF is an ordinary byte.

#include <QByteArray>
#include <QString>

namespace platform {

// Appends `size` bytes of in-memory text to `out`, writing each LF as CR LF.
void append_disk_line_ends(QByteArray &out, const char *data, qsizetype size);

// The in-memory text `text` as it is written to disk.
QByteArray to_disk_line_ends(const QByteArray &text);

// Folds every CR LF pair of `bytes` into LF, in place; returns the new size. Reads each byte once.
qsizetype fold_disk_line_ends(char *bytes, qsizetype size);

// The bytes read from disk as in-memory text.
QByteArray from_disk_line_ends(QByteArray bytes);

// Reads the whole file into `bytes`, exactly as it lies on disk. On failure returns false and, if `error` is
// given, a sentence for the student saying why.
bool read_whole_file(const QString &path, QByteArray &bytes, QString *error);

} // namespace platform
