#pragma once

// How a file is saved so that a failure never leaves it half-written, and a save is done only once the disk has
// every byte.

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file with `bytes` through a new file beside it, flushed to disk and then renamed over the target in
// one step, so that a failure at any point leaves the previous file whole; the folder is flushed too, so that the
// rename survives a power loss. The new file gets the old one's owner, group and permission bits. Where that
// cannot be (the folder takes no new file, the system will not give the new file the old owner, or the file has
// other names through hard links), the existing file is written in place instead: the same file with the new
// bytes and length, flushed to disk. A symbolic link stays a link; its target is written. On failure returns false
// and explains why in `error`, saying whether the file still holds its old bytes.
bool write_whole_file(const QString &path, const QByteArray &bytes, QString *error);

} // namespace platform
