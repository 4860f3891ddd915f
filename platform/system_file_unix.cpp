// The POSIX half of system_file.h.

#include "platform/system_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Retries a call that a signal interrupted; the system's error number, or 0.
template <typename Call> system_error retried(Call call)
{
    while (call() != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

} // namespace

existing_file look_at_existing(const QString &path)
{
    existing_file file;
    struct stat status {};
    if (::stat(encoded(path).constData(), &status) == 0 && S_ISREG(status.st_mode)) {
        file.exists = true;
        file.links = static_cast<qint64>(status.st_nlink);
        file.owner = status.st_uid;
        file.group = status.st_gid;
        file.mode = status.st_mode & 07777;
    }
    return file;
}

system_file::~system_file()
{
    close();
}

system_error system_file::open_existing(const QString &path)
{
    const QByteArray name = encoded(path);
    fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    readable_ = fd_ >= 0;
    if (!readable_ && errno == EACCES) {
        fd_ = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    }
    return fd_ >= 0 ? 0 : errno;
}

system_error system_file::create_beside(const QString &target, QString &made)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = name_beside(target);
        // As any new file: the permission bits that the user's umask leaves.
        fd_ = ::open(encoded(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            readable_ = false;
            made = name;
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

system_error system_file::size(qint64 &size) const
{
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        return errno;
    }
    size = static_cast<qint64>(status.st_size);
    return 0;
}

system_error system_file::read_all(QByteArray &bytes) const
{
    qint64 length = 0;
    if (const system_error error = size(length)) {
        return error;
    }
    if (length > std::numeric_limits<int>::max() - 64) {
        return EFBIG;
    }
    bytes.resize(static_cast<int>(length));
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd_, bytes.data() + done, static_cast<size_t>(length - done), done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    bytes.truncate(static_cast<int>(done));
    return 0;
}

system_error system_file::reserve(qint64 length)
{
    if (const system_error error = file_fault(file_step::reserve)) {
        return error;
    }
    int result = 0;
    do {
        result = ::posix_fallocate(fd_, 0, static_cast<off_t>(length));
    } while (result == EINTR);
    return result;
}

system_error system_file::write_at(qint64 offset, const char *data, qint64 size)
{
    if (const system_error error = file_fault(file_step::write)) {
        return error;
    }
    qint64 done = 0;
    while (done < size) {
        const ssize_t wrote =
            ::pwrite(fd_, data + done, static_cast<size_t>(size - done), static_cast<off_t>(offset + done));
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote < 0) {
            return errno;
        }
        if (wrote == 0) {
            return ENOSPC;
        }
        done += wrote;
    }
    return 0;
}

system_error system_file::set_length(qint64 length)
{
    if (const system_error error = file_fault(file_step::set_length)) {
        return error;
    }
    return retried([&] { return ::ftruncate(fd_, static_cast<off_t>(length)); });
}

system_error system_file::take_identity(const existing_file &old)
{
    struct stat now {};
    if (::fstat(fd_, &now) != 0) {
        return errno;
    }
    // Only the owner of a file or root may give it away: where the system refuses, the old file must stay.
    if ((now.st_uid != old.owner || now.st_gid != old.group) && ::fchown(fd_, old.owner, old.group) != 0) {
        return errno;
    }
    // After a change of owner the system may have dropped the set-id bits: set all of them again.
    return ::fchmod(fd_, old.mode) == 0 ? 0 : errno;
}

system_error system_file::sync()
{
    if (const system_error error = file_fault(file_step::sync)) {
        return error;
    }
    if (const system_error error = retried([&] { return ::fsync(fd_); })) {
        return error;
    }
    // Closing any descriptor of a file on a network file system sends what is left and reports what the server
    // refused; a duplicate collects that report without closing the file itself.
    const int duplicate = ::dup(fd_);
    if (duplicate < 0) {
        return errno;
    }
    if (::close(duplicate) != 0 && errno != EINTR) {
        return errno;
    }
    return 0;
}

system_error system_file::close()
{
    if (fd_ < 0) {
        return 0;
    }
    // The descriptor is gone whatever close answers: never closed twice.
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 || errno == EINTR ? 0 : errno;
}

system_error replace_file(const QString &from, const QString &to)
{
    return ::rename(encoded(from).constData(), encoded(to).constData()) == 0 ? 0 : errno;
}

system_error sync_folder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    system_error error = retried([&] { return ::fsync(fd); });
    if (error == EINVAL) {
        error = 0; // this file system cannot flush a folder
    }
    ::close(fd);
    return error;
}

system_error remove_file(const QString &path)
{
    return ::unlink(encoded(path).constData()) == 0 ? 0 : errno;
}

bool disk_full(system_error error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

bool reservation_unsupported(system_error error)
{
    // EBADF: the C library's stand-in for file systems without a reservation of their own (NFSv3, SMB) reads the
    // file, which a file opened for writing alone refuses.
    return error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS || error == EINVAL || error == EBADF;
}

bool same_file(const QString &a, const QString &b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(encoded(a).constData(), &first) == 0 && ::stat(encoded(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace platform
