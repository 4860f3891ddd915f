// The POSIX half of system_file.h.

#include "platform/system_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

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

// The permission bits that the user's umask leaves of 0666, as any new file gets them. Read from the system's
// account of this process where it gives one, because setting the umask to read it would change it for a moment
// for every thread.
mode_t new_file_mode()
{
    mode_t mask = 022;
    bool known = false;
    if (FILE *status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                known = true;
                break;
            }
        }
        std::fclose(status);
    }
    if (!known) {
        mask = ::umask(022);
        ::umask(mask);
    }
    return 0666 & ~mask;
}

// Copies the extended attributes of the file at `from` to the open file `to`; POSIX access lists are among them
// (system.posix_acl_access). The security label is the system's to give a new file, as to any other.
system_error copy_attributes(const QByteArray &from, int to)
{
#ifdef __linux__
    ssize_t size = ::listxattr(from.constData(), nullptr, 0);
    if (size < 0) {
        return errno == ENOTSUP ? 0 : errno;
    }
    std::vector<char> names(static_cast<size_t>(size) + 1);
    size = ::listxattr(from.constData(), names.data(), names.size());
    if (size < 0) {
        return errno;
    }
    for (const char *name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
        if (std::strcmp(name, "security.selinux") == 0) {
            continue;
        }
        const ssize_t length = ::getxattr(from.constData(), name, nullptr, 0);
        if (length < 0) {
            return errno;
        }
        std::vector<char> value(static_cast<size_t>(length) + 1);
        const ssize_t got = ::getxattr(from.constData(), name, value.data(), value.size());
        if (got < 0 || ::fsetxattr(to, name, value.data(), static_cast<size_t>(got), 0) != 0) {
            return errno;
        }
    }
#else
    Q_UNUSED(from)
    Q_UNUSED(to)
#endif
    return 0;
}

} // namespace

existing_file look_at_existing(const QString &path)
{
    existing_file file;
    file.path = path;
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

system_error system_file::create_beside(const QString &target, const existing_file &, QString &made)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = name_beside(target);
        const system_error error = create_new(name);
        if (!error) {
            made = name;
            return 0;
        }
        if (error != EEXIST) {
            return error;
        }
    }
    return EEXIST;
}

system_error system_file::create_new(const QString &path)
{
    // Readable by its maker alone while the answers go in: in a folder that other students may list, a watcher
    // could otherwise open it now and keep reading what is written.
    fd_ = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    readable_ = false;
    return fd_ >= 0 ? 0 : errno;
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
    if (!old.exists) {
        return ::fchmod(fd_, new_file_mode()) == 0 ? 0 : errno;
    }
    struct stat now {};
    if (::fstat(fd_, &now) != 0) {
        return errno;
    }
    // Only the owner of a file or root may give it away: where the system refuses, the old file must stay.
    if ((now.st_uid != old.owner || now.st_gid != old.group) && ::fchown(fd_, old.owner, old.group) != 0) {
        return errno;
    }
    if (const system_error error = copy_attributes(encoded(old.path), fd_)) {
        return error;
    }
    // After a change of owner the system may have dropped the set-id bits: set all of them again. With an access
    // list, the group bits are its mask, as they were on the old file.
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
    if (const system_error error = file_fault(file_step::replace)) {
        return error;
    }
    return ::rename(encoded(from).constData(), encoded(to).constData()) == 0 ? 0 : errno;
}

bool replace_refused(system_error error)
{
    return error == EACCES || error == EPERM || error == EBUSY || error == EXDEV;
}

system_error sync_folder(const QString &folder)
{
    // A drop folder (write and search rights, no read) cannot be opened: the replacement is the system's to keep.
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno == EACCES || errno == EPERM ? 0 : errno;
    }
    system_error error = retried([&] { return ::fsync(fd); });
    // Only an I/O error, or a server that ran out of room, says that the replacement may be lost; the rest means
    // that this file system cannot flush a folder.
    if (error != EIO && !disk_full(error)) {
        error = 0;
    }
    ::close(fd);
    return error;
}

QString link_target(const QString &path)
{
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t size = ::readlink(encoded(path).constData(), target.data(), static_cast<size_t>(target.size()));
    if (size <= 0 || size >= target.size()) {
        return QString();
    }
    target.truncate(static_cast<int>(size));
    return QFile::decodeName(target);
}

QString describe_system_error(system_error error)
{
    return qt_error_string(error);
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
