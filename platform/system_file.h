#pragma once

// An existing file written in place through the system's own calls: writes at a given offset, its length, room
// reserved on the disk and the flush to disk, each answering with the system's own error number, so that the
// writer can tell a full disk from a file system that cannot reserve room. Also: whether two names are one file.

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform {

// The system's number for a failure (errno; GetLastError() on Windows); 0 is success.
using system_error = int;

// The steps of a write in place, as a test's fault hook sees them.
enum class file_step { reserve, write, set_length, sync };

class system_file {
public:
    system_file() = default;
    ~system_file();
    system_file(const system_file &) = delete;
    system_file &operator=(const system_file &) = delete;

    // Opens the existing file at `path` without truncating it: for reading and writing where the system allows,
    // otherwise for writing alone (a file the student may write but not read).
    system_error open_existing(const QString &path);
    bool readable() const { return readable_; }

    system_error size(qint64 &size) const;
    // The whole file from its start; only when it is readable.
    system_error read_all(QByteArray &bytes) const;
    // Takes room on the disk for a file of `length` bytes, growing its length to at least that.
    system_error reserve(qint64 length);
    // Writes all `size` bytes at `offset`; a short write is retried until the system refuses.
    system_error write_at(qint64 offset, const char *data, qint64 size);
    system_error set_length(qint64 length);
    // Returns once the system has the file's bytes on disk, or says why it could not.
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

// Whether `error` means that the disk, or the student's share of it (a quota), is full.
bool disk_full(system_error error);
// Whether `error`, the answer to a reservation, means that this file system cannot reserve room at all.
bool reservation_unsupported(system_error error);
// The system's own words for `error`.
QString describe_system_error(system_error error);

// Flushes an open file (a descriptor as QFileDevice::handle() gives it) to disk and, where the system reports
// deferred errors on closing (network file systems), closes a duplicate of it to collect them. 0 on success.
system_error sync_handle(int handle);

// Whether both paths name one existing file: the same file through another name, a link, or (on Windows) another
// letter case.
bool same_file(const QString &a, const QString &b);

// For tests: a fault hook that answers a step of the write in place in place of the system, with an error number
// that no file system here gives (a quota, a file system that cannot reserve room, a disk that fails halfway).
// It returns 0 to let the system answer. An empty hook removes it.
void set_file_fault(std::function<system_error(file_step)> fault);

} // namespace platform
