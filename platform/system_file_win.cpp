// The Windows half of system_file.h.

#include "platform/system_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

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

// The path as the system's calls take it: absolute, with backslashes, and in the long form (\\?\C:\... or
// \\?\UNC\server\share\...) where it is longer than the 260 characters that the short form allows (less
// the room for a new file's suffix), so that a paper in deep folders is saved where Qt opened it.
std::wstring wide(const QString &path)
{
    QString full = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (full.size() >= MAX_PATH - 20 && !full.startsWith(QLatin1String("\\\\?\\"))) {
        full = full.startsWith(QLatin1String("\\\\")) ? QStringLiteral("\\\\?\\UNC\\") + full.mid(2)
                                                      : QStringLiteral("\\\\?\\") + full;
    }
    return full.toStdWString();
}

// A virus scanner, an indexer or a cloud-sync client may hold a file for a moment after it changed: a call that
// meets such a hold is tried again for about a second before its answer counts.
bool held_by_another_program(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

template <typename Call> bool retried(Call call)
{
    for (int attempt = 1;; ++attempt) {
        if (call()) {
            return true;
        }
        const DWORD error = GetLastError();
        if (attempt > 8 || !held_by_another_program(error)) {
            SetLastError(error);
            return false;
        }
        Sleep(25 * attempt); // 0.9 s in all
    }
}

HANDLE open_retried(const std::wstring &name, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                    DWORD disposition)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    retried([&] {
        handle = CreateFileW(name.c_str(), access, share, security, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    });
    return handle;
}

// A security descriptor as the system gives it, freed with the object.
struct security_of {
    std::vector<unsigned char> bytes;
    PSECURITY_DESCRIPTOR get() { return bytes.empty() ? nullptr : bytes.data(); }

    security_of(const std::wstring &name, SECURITY_INFORMATION what)
    {
        DWORD needed = 0;
        GetFileSecurityW(name.c_str(), what, nullptr, 0, &needed);
        if (needed == 0) {
            return;
        }
        bytes.resize(needed);
        if (!GetFileSecurityW(name.c_str(), what, bytes.data(), needed, &needed)) {
            bytes.clear();
        }
    }
};

// Whether the access list of a file holds rules of its own, or is shut off from its folder's: only then does a
// new file need it given explicitly. A file whose rules all come from its folder gets the same from the folder.
bool access_list_of_its_own(PSECURITY_DESCRIPTOR descriptor)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    if (!descriptor || !GetSecurityDescriptorControl(descriptor, &control, &revision) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted)) {
        return false;
    }
    if (!present || !list || (control & SE_DACL_PROTECTED)) {
        return true;
    }
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void *entry = nullptr;
        if (GetAce(list, i, &entry) && !(static_cast<ACE_HEADER *>(entry)->AceFlags & INHERITED_ACE)) {
            return true;
        }
    }
    return false;
}

// Whether the file at `name` belongs to the user running this program.
bool owned_by_this_user(const std::wstring &name)
{
    security_of file(name, OWNER_SECURITY_INFORMATION);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!file.get() || !GetSecurityDescriptorOwner(file.get(), &owner, &defaulted) || !owner) {
        return false;
    }
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::vector<unsigned char> user(needed ? needed : 1);
    const bool known = needed && GetTokenInformation(token, TokenUser, user.data(), needed, &needed);
    CloseHandle(token);
    return known && EqualSid(owner, reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid);
}

} // namespace

system_file::~system_file()
{
    close();
}

system_error system_file::open_existing(const QString &path)
{
    const std::wstring name = wide(path);
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = open_retried(name, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING);
    readable_ = handle != INVALID_HANDLE_VALUE;
    if (!readable_) {
        handle = open_retried(name, GENERIC_WRITE, share, nullptr, OPEN_EXISTING);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return last_error();
    }
    handle_ = handle;
    return 0;
}

system_error system_file::create_beside(const QString &target, const existing_file &old, QString &made)
{
    // Whoever could read the old answers, and nobody else: the old file's own access list where it has one;
    // otherwise the folder's, which the old file had too.
    security_of old_security(wide(target), DACL_SECURITY_INFORMATION);
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    const bool own_rules = old.exists && access_list_of_its_own(old_security.get());
    security.lpSecurityDescriptor = own_rules ? old_security.get() : nullptr;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = name_beside(QFileInfo(target).absoluteFilePath());
        const HANDLE handle = CreateFileW(wide(name).c_str(), GENERIC_WRITE, 0, own_rules ? &security : nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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

system_error system_file::create_new(const QString &path)
{
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return last_error();
    }
    handle_ = handle;
    readable_ = false;
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

system_error system_file::take_identity(const existing_file &old)
{
    if (!old.exists) {
        return 0;
    }
    // Only the owner of a file may be the owner of its replacement: a teacher's file is written in place.
    const std::wstring name = wide(old.path);
    if (!owned_by_this_user(name)) {
        return ERROR_INVALID_OWNER;
    }
    // The creation time and the attributes that a student or the school may have set (hidden, not indexed, to be
    // archived).
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
        return last_error();
    }
    FILE_BASIC_INFO basic{};
    basic.CreationTime.LowPart = data.ftCreationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(data.ftCreationTime.dwHighDateTime);
    const DWORD kept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    basic.FileAttributes = (data.dwFileAttributes & kept) ? (data.dwFileAttributes & kept) : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(as_handle(handle_), FileBasicInfo, &basic, sizeof basic) ? 0 : last_error();
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
    if (const system_error error = file_fault(file_step::replace)) {
        return error;
    }
    // Write-through: the replacement is on disk when the call returns, as a flush of the folder does on POSIX.
    const DWORD how = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    const std::wstring source = wide(from);
    const std::wstring target = wide(to);
    return retried([&] { return MoveFileExW(source.c_str(), target.c_str(), how) != 0; }) ? 0 : last_error();
}

bool replace_refused(system_error error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_NOT_SAME_DEVICE || error == ERROR_WRITE_PROTECT;
}

system_error sync_folder(const QString &)
{
    return 0; // the replacement was written through
}

system_error remove_file(const QString &path)
{
    const std::wstring name = wide(path);
    return retried([&] { return DeleteFileW(name.c_str()) != 0; }) ? 0 : last_error();
}

QString link_target(const QString &path)
{
    return QFileInfo(path).symLinkTarget();
}

QString describe_system_error(system_error error)
{
    // The system's own words for its own numbers, in the user's language.
    wchar_t *text = nullptr;
    const DWORD size =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    QString words = size && text ? QString::fromWCharArray(text, static_cast<int>(size)).trimmed() : QString();
    LocalFree(text);
    if (words.isEmpty()) {
        words = QStringLiteral("Windows error %1").arg(error);
    }
    return words;
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
    const std::wstring name = wide(path);
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
    file.path = path;
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
