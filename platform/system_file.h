#pragma once

// Files through the system's own calls, each answering with the system's own error number, so that a writer can
// tell a full disk from a file system that cannot reserve room, and see what a network share reports only at the
// flush to disk or at the close: a new file beside another, an existing file written in place (writes at an
// offset, its length, room reserved on the disk, the flush to disk), the rename that replaces a file and the flush
// of its folder. Also: whether two names are one file.
// One implementation per system: system_file_unix.cpp and system_file_win.cpp.

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform {

// The system's number for a failure (errno; GetLastError() on Windows); 0 is success.
using system_error = int;

// The steps of a write, as a test's fault hook sees them.
enum class file_step { reserve, write, set_length, sync, replace };

// What a file that is replaced must keep: its owner, group and permission bits, its access list and extended
// attributes, and its other names (hard links).
struct existing_file {
    QString path;
    bool exists = false; // a regular file, reached through any symbolic links
    qint64 links = 0;
    unsigned owner = 0; // the owner, group and permission bits on POSIX systems
    unsigned group = 0;
    unsigned mode = 0;
};
existing_file look_at_existing(const QString &path);

class system_file {
public:
    system_file() = default;
    ~system_file();
    system_file(const system_file &) = delete;
    system_file &operator=(const system_file &) = delete;

    // Opens the existing file at `path` without truncating it: for reading and writing where the system allows,
    // otherwise for writing alone (a file the student may write but not read).
    system_error open_existing(const QString &path);
    // Makes a new, empty file with a name of its own beside `target` ("target.Ab3xYz"), for writing; its name goes
    // to `made`. Nobody but its maker may read it while the answers go in: no rights for group and others on POSIX;
    // on Windows the security of `old` where there is one (whoever could read the old answers), otherwise the
    // folder's, as any new file.
    system_error create_beside(const QString &target, const existing_file &old, QString &made);
    // Makes the file at `path`, which must not exist yet, as create_beside makes its new file.
    system_error create_new(const QString &path);
    bool readable() const { return readable_; }

    system_error size(qint64 &size) const;
    // The whole file from its start; only when it is readable.
    system_error read_all(QByteArray &bytes) const;
    // Takes room on the disk for a file of `length` bytes, growing its length to at least that.
    system_error reserve(qint64 length);
    // Writes all `size` bytes at `offset`; a short write is retried until the system refuses.
    system_error write_at(qint64 offset, const char *data, qint64 size);
    system_error set_length(qint64 length);
    // Gives a new file, once every byte is in it, what `old` had: its owner, group, access list, extended attributes
    // and permission bits (POSIX; on Windows the replacement keeps them); without an old file, the permission bits
    // that the user's umask gives any new file.
    system_error take_identity(const existing_file &old);
    // Returns once the system has the file's bytes on disk, or says why it could not. Where the system reports
    // deferred errors on closing (network file systems), a duplicate of the file is closed to collect them.
    system_error sync();
    // Closes the file; a network file system may only now report what its server refused.
    system_error close();

private:
#ifdef Q_OS_WIN
    void *handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool readable_ = false;
};

// Replaces the file `to` by the closed file `from`, in one step that leaves either of them whole: `to` is never
// missing nor half-written. On Windows the replaced file's owner, access list, attributes and creation time stay,
// and the replacement is flushed to disk before this returns.
system_error replace_file(const QString &from, const QString &to);
// Whether `error`, the answer to a replacement or a removal, means that this folder does not let this user replace
// or remove files (a hand-in share without delete rights, an append-only folder, a file mounted in its place, a
// file held by another program), so that the file may still be written in place.
bool replace_refused(system_error error);
// Puts the folder's list of names on disk, so that a replacement survives a power loss. Only a failure that may have
// lost the replacement is answered (an I/O error, a server out of room): a folder that this user may not read, or a
// file system that cannot flush folders, answers 0.
system_error sync_folder(const QString &folder);
system_error remove_file(const QString &path);
// The target of the symbolic link at `path` exactly as the link holds it (relative or absolute); empty when `path`
// is no link.
QString link_target(const QString &path);

// Whether `error` means that the disk, or the student's share of it (a quota), is full.
bool disk_full(system_error error);
// Whether `error`, the answer to a reservation, means that this file system cannot reserve room at all.
bool reservation_unsupported(system_error error);
// The system's own words for `error`.
QString describe_system_error(system_error error);

// Whether both paths name one existing file: the same file through another name, a link, or (on Windows) another
// letter case.
bool same_file(const QString &a, const QString &b);

// For tests: a fault hook that answers a step of a write in place of the system, with an error number that no file
// system here gives (a quota, a file system that cannot reserve room, a disk that fails halfway). It returns 0 to
// let the system answer. An empty hook removes it. It answers the writes of the thread that set it (a save), not
// those of the thread that keeps the recovery record, unless `every_thread` (a slow disk for every write).
void set_file_fault(std::function<system_error(file_step)> fault, bool every_thread = false);
// The hook's answer for `step`: 0 without a hook.
system_error file_fault(file_step step);

// A name for a new file beside `target`: its name, a dot and six random letters or digits ("s01.stu.Ab3xYz").
QString name_beside(const QString &target);

} // namespace platform
