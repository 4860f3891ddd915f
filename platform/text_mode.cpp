#include "platform/text_mode.h"

#include "platform/system_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <limits>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

void append_disk_line_ends(QByteArray &out, const char *data, qsizetype size)
{
    const char *p = data;
    const char *const end = data + size;
    while (p < end) {
        const auto *lf = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lf) {
            out.append(p, static_cast<int>(end - p));
            return;
        }
        out.append(p, static_cast<int>(lf - p));
        out.append("\r\n", 2);
        p = lf + 1;
    }
}

QByteArray to_disk_line_ends(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.count('\n'));
    append_disk_line_ends(out, text.constData(), text.size());
    return out;
}

qsizetype fold_disk_line_ends(char *bytes, qsizetype size)
{
    char *const end = bytes + size;
    auto *cr = static_cast<char *>(std::memchr(bytes, '\r', static_cast<size_t>(size)));
    if (!cr) {
        return size;
    }
    char *out = cr;
    const char *in = cr;
    while (in < end) {
        if (*in == '\r' && in + 1 < end && in[1] == '\n') {
            *out++ = '\n';
            in += 2;
            continue;
        }
        const char *next = in + 1;
        const auto *next_cr = static_cast<const char *>(std::memchr(next, '\r', static_cast<size_t>(end - next)));
        const char *stop = next_cr ? next_cr : end;
        std::memmove(out, in, static_cast<size_t>(stop - in));
        out += stop - in;
        in = stop;
    }
    return out - bytes;
}

QByteArray from_disk_line_ends(QByteArray bytes)
{
    if (bytes.isEmpty()) {
        return bytes;
    }
    bytes.truncate(static_cast<int>(fold_disk_line_ends(bytes.data(), bytes.size())));
    return bytes;
}

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Why a write failed, in words a student understands; the system's own words follow for a teacher.
QString describe_write_failure(const QString &path, const QString &system_reason, bool opened)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    QString why;
    if (path.isEmpty()) {
        why = QStringLiteral("没有给出文件名");
    } else if (!folder.exists()) {
        why = QStringLiteral("文件夹“%1”已不存在").arg(native(folder.filePath()));
    } else if (target.isDir()) {
        why = QStringLiteral("“%1”是一个文件夹").arg(native(path));
    } else if (!opened && !folder.isWritable()) {
        why = QStringLiteral("文件夹“%1”不允许写入（只读或没有权限）").arg(native(folder.filePath()));
    } else if (target.exists() && !target.isWritable()) {
        why = QStringLiteral("文件“%1”不允许写入（只读或没有权限）").arg(native(path));
    } else if (opened) {
        why = QStringLiteral("写入“%1”时出错，磁盘可能已满或不允许替换该文件").arg(native(path));
    } else {
        why = QStringLiteral("无法在文件夹“%1”中写入文件").arg(native(folder.filePath()));
    }
    if (!system_reason.isEmpty()) {
        why += QStringLiteral("（系统信息：%1）").arg(system_reason);
    }
    return why;
}

// What a replaced file must keep: its owner, group and permission bits, and its other names (hard links).
// A symbolic link is followed: its target is the file.
struct existing_file {
    bool exists = false;
    qint64 links = 0;
#ifndef Q_OS_WIN
    struct stat status {};
#endif
};

existing_file look_at_existing(const QString &path)
{
    existing_file file;
#ifdef Q_OS_WIN
    file.exists = QFileInfo::exists(path);
    file.links = 1; // the rename keeps what Windows keeps
#else
    if (::stat(QFile::encodeName(path).constData(), &file.status) == 0 && S_ISREG(file.status.st_mode)) {
        file.exists = true;
        file.links = static_cast<qint64>(file.status.st_nlink);
    }
#endif
    return file;
}

// Gives the new file that will replace `old` the old file's owner, group and permission bits; false when the
// system refuses (only the owner or root may give a file away).
bool give_identity(QSaveFile &file, const existing_file &old)
{
#ifdef Q_OS_WIN
    Q_UNUSED(file)
    Q_UNUSED(old)
    return true;
#else
    const int fd = file.handle();
    struct stat now {};
    if (fd < 0 || ::fstat(fd, &now) != 0) {
        return false;
    }
    if ((now.st_uid != old.status.st_uid || now.st_gid != old.status.st_gid) &&
        ::fchown(fd, old.status.st_uid, old.status.st_gid) != 0) {
        return false;
    }
    // After a change of owner the system may have dropped the set-id bits: set all of them again.
    return ::fchmod(fd, old.status.st_mode & 07777) == 0;
#endif
}

// Why a write in place failed, and whether the old bytes are back.
QString describe_in_place_failure(const QString &path, system_error error, bool restored)
{
    QString why = describe_write_failure(path, describe_system_error(error), true);
    why += restored ? QStringLiteral("\n答卷文件仍是上次保存的内容。")
                    : QStringLiteral("\n答卷文件“%1”现在可能不完整。").arg(native(path));
    return why;
}

// Writes `bytes` over the existing file at `path`, keeping the file itself (owner, group, permissions, links).
// No old byte changes before the new length has been taken on the disk: room is reserved where the system can,
// and elsewhere the file first grows by its new tail, flushed to disk. Then the bytes are written from the start,
// the length is set and the file is flushed to disk. Should that fail, the old bytes, read at the start, are put
// back where the file could be read. Used where no new file can replace the old one.
bool write_in_place(const QString &path, const QByteArray &bytes, QString *error)
{
    auto failed = [&](system_error why, bool opened, bool restored) {
        if (error) {
            *error = opened ? describe_in_place_failure(path, why, restored)
                            : describe_write_failure(path, describe_system_error(why), false);
        }
        return false;
    };
    system_file file;
    if (const system_error why = file.open_existing(path)) {
        return failed(why, false, true);
    }
    qint64 old_size = 0;
    if (const system_error why = file.size(old_size)) {
        return failed(why, true, true);
    }
    QByteArray old_bytes;
    const bool restorable = file.readable() && file.read_all(old_bytes) == 0 && old_bytes.size() == old_size;
    const qint64 new_size = bytes.size();
    if (new_size > old_size) {
        system_error why = file.reserve(new_size);
        bool whole = true; // not one old byte was written over
        if (why && reservation_unsupported(why)) {
            why = file.write_at(old_size, bytes.constData() + old_size, new_size - old_size);
            if (!why) {
                why = file.sync();
            }
            if (why) {
                whole = file.set_length(old_size) == 0 && file.sync() == 0; // the new tail goes again
            }
        }
        if (why) {
            return failed(why, true, whole);
        }
    }
    system_error why = file.write_at(0, bytes.constData(), new_size);
    if (!why && new_size < old_size) {
        why = file.set_length(new_size);
    }
    if (!why) {
        why = file.sync();
    }
    if (!why) {
        // The new bytes are on disk: a refusal only at closing can be told, not undone.
        const system_error closing = file.close();
        return closing ? failed(closing, true, false) : true;
    }
    const bool restored = restorable && file.write_at(0, old_bytes.constData(), old_size) == 0 &&
                          file.set_length(old_size) == 0 && file.sync() == 0;
    return failed(why, true, restored);
}

} // namespace

bool read_whole_file(const QString &path, QByteArray &bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = QFileInfo::exists(path)
                         ? QStringLiteral("无法读取文件“%1”（系统信息：%2）").arg(native(path), file.errorString())
                         : QStringLiteral("文件“%1”不存在").arg(native(path));
        }
        return false;
    }
    const qint64 size = file.size();
    if (size > std::numeric_limits<int>::max() - 64) {
        if (error) {
            *error = QStringLiteral("文件“%1”太大，无法读取").arg(native(path));
        }
        return false;
    }
    // A regular file is read in one call; a file whose size the system does not know is read to its end.
    bytes.resize(static_cast<int>(size));
    qint64 got = size > 0 ? file.read(bytes.data(), size) : 0;
    if (got < 0) {
        if (error) {
            *error = QStringLiteral("读取文件“%1”时出错（系统信息：%2）").arg(native(path), file.errorString());
        }
        return false;
    }
    bytes.truncate(static_cast<int>(got));
    if (!file.atEnd()) {
        const QByteArray rest = file.readAll();
        if (rest.size() > std::numeric_limits<int>::max() - 64 - bytes.size()) {
            if (error) {
                *error = QStringLiteral("文件“%1”太大，无法读取").arg(native(path));
            }
            return false;
        }
        bytes.append(rest);
    }
    return true;
}

bool write_whole_file(const QString &path, const QByteArray &bytes, QString *error)
{
    const existing_file old = look_at_existing(path);
    if (old.exists && old.links > 1) {
        return write_in_place(path, bytes, error); // a rename would leave the other names on the old bytes
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (old.exists && !QFileInfo(path).isDir()) {
            return write_in_place(path, bytes, error); // the folder takes no new file, but the file may be written
        }
        if (error) {
            *error = describe_write_failure(path, file.errorString(), false);
        }
        return false;
    }
    if (old.exists && !give_identity(file, old)) {
        file.cancelWriting();
        return write_in_place(path, bytes, error); // the new file could not be the teacher's, so the old one stays
    }
    // QSaveFile::commit() renames the file whatever its last flush answered: every byte is handed to the system
    // and flushed to disk first, and a refusal leaves the old file as it was.
    QString why_not;
    qint64 written = 0;
    while (written < bytes.size()) {
        // A short write is tried again, so that the system says why it stopped.
        const qint64 more = file.write(bytes.constData() + written, bytes.size() - written);
        if (more <= 0) {
            break;
        }
        written += more;
    }
    if (written != bytes.size() || !file.flush()) {
        why_not = file.errorString();
    } else if (const system_error why = sync_handle(file.handle())) {
        why_not = describe_system_error(why);
    }
    if (!why_not.isEmpty()) {
        if (error) {
            *error = describe_write_failure(path, why_not, true);
        }
        file.cancelWriting(); // the temporary file goes, the target stays as it was
        return false;
    }
    if (!file.commit() || file.error() != QFileDevice::NoError) {
        if (error) {
            *error = describe_write_failure(path, file.errorString(), true);
        }
        return false;
    }
    return true;
}

} // namespace platform
