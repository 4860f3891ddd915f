#include "platform/system_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

std::function<system_error(file_step)> &fault_hook()
{
    static std::function<system_error(file_step)> hook;
    return hook;
}

system_error fault(file_step step)
{
    const auto &hook = fault_hook();
    return hook ? hook(step) : 0;
}

} // namespace

void set_file_fault(std::function<system_error(file_step)> fault)
{
    fault_hook() = std::move(fault);
}

QString describe_system_error(system_error error)
{
    return qt_error_string(error);
}

#ifdef Q_OS_WIN

namespace {

HANDLE as_handle(void *handle)
{
    return static_cast<HANDLE>(handle);
}

system_error last_error()
{
    const DWORD error = GetLastError();
    return error ? static_cast<system_error>(error) : ERROR_GEN_FAILURE;
}

std::wstring wide(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

system_file::~system_file()
{
    close();
}

system_error system_file::open_existing(const QString &path)
{
    const std::wstring name = wide(QFileInfo(path).absoluteFilePath());
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    readable_ = handle != INVALID_HANDLE_VALUE;
    if (!readable_) {
        handle =
            CreateFileW(name.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return last_error();
    }
    handle_ = handle;
    return 0;
}

system_error system_file::size(qint64 &size) const
{
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(as_handle(handle_), &length)) {
        return last_error();
    }
    size = length.QuadPart;
    return 0;
}

system_error system_file::read_all(QByteArray &bytes) const
{
    qint64 length = 0;
    if (const system_error error = size(length)) {
        return error;
    }
    if (length > std::numeric_limits<int>::max() - 64) {
        return ERROR_FILE_TOO_LARGE;
    }
    bytes.resize(static_cast<int>(length));
    qint64 done = 0;
    while (done < length) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(done & 0xffffffff);
        at.OffsetHigh = static_cast<DWORD>(done >> 32);
        DWORD got = 0;
        if (!ReadFile(as_handle(handle_), bytes.data() + done, static_cast<DWORD>(length - done), &got, &at)) {
            return last_error();
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    bytes.truncate(static_cast<int>(done));
    return 0;
}

system_error system_file::reserve(qint64)
{
    // Windows reserves room only by setting the length, which would put zeros where the old bytes end; the file
    // is grown by its new tail instead.
    if (const system_error error = fault(file_step::reserve)) {
        return error;
    }
    return ERROR_NOT_SUPPORTED;
}

system_error system_file::write_at(qint64 offset, const char *data, qint64 size)
{
    if (const system_error error = fault(file_step::write)) {
        return error;
    }
    qint64 done = 0;
    while (done < size) {
        OVERLAPPED at{};
        const qint64 where = offset + done;
        at.Offset = static_cast<DWORD>(where & 0xffffffff);
        at.OffsetHigh = static_cast<DWORD>(where >> 32);
        const DWORD block = static_cast<DWORD>(std::min<qint64>(size - done, 1 << 24));
        DWORD wrote = 0;
        if (!WriteFile(as_handle(handle_), data + done, block, &wrote, &at)) {
            return last_error();
        }
        if (wrote == 0) {
            return ERROR_DISK_FULL;
        }
        done += wrote;
    }
    return 0;
}

system_error system_file::set_length(qint64 length)
{
    if (const system_error error = fault(file_step::set_length)) {
        return error;
    }
    LARGE_INTEGER end{};
    end.QuadPart = length;
    if (!SetFilePointerEx(as_handle(handle_), end, nullptr, FILE_BEGIN) || !SetEndOfFile(as_handle(handle_))) {
        return last_error();
    }
    return 0;
}

system_error system_file::sync()
{
    if (const system_error error = fault(file_step::sync)) {
        return error;
    }
    return FlushFileBuffers(as_handle(handle_)) ? 0 : last_error();
}

system_error system_file::close()
{
    if (!handle_) {
        return 0;
    }
    const bool closed = CloseHandle(as_handle(handle_));
    handle_ = nullptr;
    return closed ? 0 : last_error();
}

bool disk_full(system_error error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == ERROR_NOT_ENOUGH_QUOTA ||
           error == ERROR_FILE_TOO_LARGE;
}

bool reservation_unsupported(system_error error)
{
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER;
}

system_error sync_handle(int handle)
{
    const auto native = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
    if (native == INVALID_HANDLE_VALUE) {
        return ERROR_INVALID_HANDLE;
    }
    return FlushFileBuffers(native) ? 0 : last_error();
}

namespace {

// The volume and the file's index on it, which name one file whatever the path.
bool file_identity(const QString &path, BY_HANDLE_FILE_INFORMATION &info)
{
    const std::wstring name = wide(QFileInfo(path).absoluteFilePath());
    HANDLE handle =
        CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    return known;
}

} // namespace

bool same_file(const QString &a, const QString &b)
{
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    if (!file_identity(a, first) || !file_identity(b, second)) {
        return false;
    }
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

#else

system_file::~system_file()
{
    close();
}

system_error system_file::open_existing(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    readable_ = fd_ >= 0;
    if (!readable_ && errno == EACCES) {
        fd_ = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    }
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
    if (const system_error error = fault(file_step::reserve)) {
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
    if (const system_error error = fault(file_step::write)) {
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
    if (const system_error error = fault(file_step::set_length)) {
        return error;
    }
    while (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

system_error system_file::sync()
{
    if (const system_error error = fault(file_step::sync)) {
        return error;
    }
    return sync_handle(fd_);
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

system_error sync_handle(int handle)
{
    while (::fsync(handle) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    // Closing any descriptor of a file on a network file system sends what is left and reports what the server
    // refused; a duplicate collects that report without closing the file itself.
    const int duplicate = ::dup(handle);
    if (duplicate < 0) {
        return errno;
    }
    if (::close(duplicate) != 0 && errno != EINTR) {
        return errno;
    }
    return 0;
}

bool same_file(const QString &a, const QString &b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

#endif

} // namespace platform
