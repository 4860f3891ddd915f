// The Windows half of system_file.h.

#include "platform/system_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include <windows.h>

namespace platform {

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

system_error system_file::create_beside(const QString &target, QString &made)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = name_beside(QFileInfo(target).absoluteFilePath());
        const HANDLE handle = CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            handle_ = handle;
            readable_ = false;
            made = name;
            return 0;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return static_cast<system_error>(error);
        }
    }
    return ERROR_FILE_EXISTS;
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
    if (const system_error error = file_fault(file_step::reserve)) {
        return error;
    }
    return ERROR_NOT_SUPPORTED;
}

system_error system_file::write_at(qint64 offset, const char *data, qint64 size)
{
    if (const system_error error = file_fault(file_step::write)) {
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
    if (const system_error error = file_fault(file_step::set_length)) {
        return error;
    }
    LARGE_INTEGER end{};
    end.QuadPart = length;
    if (!SetFilePointerEx(as_handle(handle_), end, nullptr, FILE_BEGIN) || !SetEndOfFile(as_handle(handle_))) {
        return last_error();
    }
    return 0;
}

system_error system_file::take_identity(const existing_file &)
{
    return 0; // the new file takes the folder's permissions, as any file made there
}

system_error system_file::sync()
{
    if (const system_error error = file_fault(file_step::sync)) {
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

system_error replace_file(const QString &from, const QString &to)
{
    // Write-through: the replacement is on disk when the call returns, as a flush of the folder does on POSIX.
    const DWORD how = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    return MoveFileExW(wide(QFileInfo(from).absoluteFilePath()).c_str(), wide(QFileInfo(to).absoluteFilePath()).c_str(),
                       how)
               ? 0
               : last_error();
}

system_error sync_folder(const QString &)
{
    return 0; // the replacement was written through
}

system_error remove_file(const QString &path)
{
    return DeleteFileW(wide(QFileInfo(path).absoluteFilePath()).c_str()) ? 0 : last_error();
}

namespace {

// What names one file whatever the path: the volume and the file's identifier on it, 128 bits where the system
// gives them (Windows 8 and later; ReFS needs them), otherwise the 64-bit file index. Some network redirectors
// answer 0 for every file: then only the file's full, normalised path names it.
struct file_identity {
    unsigned long long volume = 0;
    unsigned char id[16] = {};
    bool id_known = false;
    QString final_path;
    qint64 links = 0;
};

// FILE_ID_INFO, which older headers lack.
struct file_id_info {
    ULONGLONG volume;
    BYTE id[16];
};
const auto file_id_info_class = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18); // FileIdInfo

bool identify(const QString &path, file_identity &identity)
{
    const std::wstring name = wide(QFileInfo(path).absoluteFilePath());
    HANDLE handle =
        CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info);
    if (known) {
        identity.links = info.nNumberOfLinks;
        file_id_info wide_id{};
        if (GetFileInformationByHandleEx(handle, file_id_info_class, &wide_id, sizeof wide_id)) {
            identity.volume = wide_id.volume;
            std::memcpy(identity.id, wide_id.id, sizeof identity.id);
        } else {
            identity.volume = info.dwVolumeSerialNumber;
            const unsigned long long index =
                (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
            std::memcpy(identity.id, &index, sizeof index);
        }
        const unsigned char *const begin = identity.id;
        const unsigned char *const end = begin + sizeof identity.id;
        identity.id_known = std::any_of(begin, end, [](unsigned char b) { return b != 0; }) &&
                            !std::all_of(begin, end, [](unsigned char b) { return b == 0xff; });
        wchar_t final_path[32768];
        const DWORD size = GetFinalPathNameByHandleW(handle, final_path, 32768, FILE_NAME_NORMALIZED);
        if (size > 0 && size < 32768) {
            identity.final_path = QString::fromWCharArray(final_path, static_cast<int>(size));
        }
    }
    CloseHandle(handle);
    return known;
}

} // namespace

existing_file look_at_existing(const QString &path)
{
    existing_file file;
    file_identity identity;
    if (QFileInfo(path).isFile() && identify(path, identity)) {
        file.exists = true;
        file.links = identity.links;
    }
    return file;
}

bool same_file(const QString &a, const QString &b)
{
    file_identity first;
    file_identity second;
    if (!identify(a, first) || !identify(b, second)) {
        return false;
    }
    if (first.id_known && second.id_known) {
        return first.volume == second.volume && std::memcmp(first.id, second.id, sizeof first.id) == 0;
    }
    return !first.final_path.isEmpty() && first.final_path.compare(second.final_path, Qt::CaseInsensitive) == 0;
}

} // namespace platform
