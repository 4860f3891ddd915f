#pragma once

// How a file is saved so that a failure never leaves it half-written, and a save is done only once the disk has
// every byte.

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file with `bytes` through a new file beside it, which nobody else may read while the bytes go in,
// flushed to disk and then renamed over the target in one step, so that a failure at any point leaves the previous
// file whole; the folder is flushed too, so that the rename survives a power loss. The new file gets the old one's
// owner, group, access list, extended attributes and permission bits once every byte is in it. Where that cannot
// be (the folder takes no new file, or lets nobody replace or remove one; the system will not give the new file the
// old owner; the file has other names through hard links; the disk or the quota has no room for a second copy), the
// existing file is written in place instead: the same file with the new bytes and length, flushed to disk. A file
// that is not there yet, in a folder that takes new files but allows no rename, is written directly. A symbolic
// link stays a link; the file the system reaches through it is written. On failure returns false and explains why
// in `error`, saying whether the file still holds its old bytes. A save that is done may still leave something to
// tell in `error` (a new file that the folder let nobody remove, emptied); otherwise `error` is emptied.
bool write_whole_file(const QString &path, const QByteArray &bytes, QString *error);

} // namespace platform
