#include "platform/safe_save.h"

#include "platform/system_file.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Why a write failed, in words a student understands; the system's own words follow for a teacher. `opened`: the
// file (or the new file beside it) was opened, and the system refused later.
QString describe_write_failure(const QString &path, system_error error, bool opened)
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
    } else if (disk_full(error)) {
        why = QStringLiteral("“%1”所在的磁盘已满，或您在这个磁盘上的空间（配额）已用完").arg(native(path));
    } else if (!opened && !folder.isWritable()) {
        why = QStringLiteral("文件夹“%1”不允许写入（只读或没有权限）").arg(native(folder.filePath()));
    } else if (target.exists() && !target.isWritable()) {
        why = QStringLiteral("文件“%1”不允许写入（只读或没有权限）").arg(native(path));
    } else if (opened) {
        why = QStringLiteral("写入“%1”时出错，磁盘可能已满或不允许替换该文件").arg(native(path));
    } else {
        why = QStringLiteral("无法在文件夹“%1”中写入文件").arg(native(folder.filePath()));
    }
    if (error) {
        why += QStringLiteral("（系统信息：%1）").arg(describe_system_error(error));
    }
    return why;
}

bool failed(QString *error, const QString &why)
{
    if (error) {
        *error = why;
    }
    return false;
}

// Writes `bytes` over the existing file at `path`, keeping the file itself (owner, group, permissions, links).
// No old byte changes before the new length has been taken on the disk: room is reserved where the system can,
// and elsewhere the file first grows by its new tail, flushed to disk. A reservation or growth that fails is cut
// back to the old length, flushed, before the student is told. Then the bytes are written from the start, the
// length is set and the file is flushed to disk. Should that fail, the old bytes, read at the start, are put back
// where the file could be read. The student hears that the file is as it was only when it holds its old bytes.
// Used where no new file can replace the old one.
bool write_in_place(const QString &path, const QByteArray &bytes, QString *error)
{
    system_file file;
    if (const system_error why = file.open_existing(path)) {
        return failed(error, describe_write_failure(path, why, false));
    }
    auto told = [&](system_error why, bool as_before) {
        QString text = describe_write_failure(path, why, true);
        text += as_before ? QStringLiteral("\n答卷文件仍是上次保存的内容。")
                          : QStringLiteral("\n答卷文件“%1”现在可能不完整。").arg(native(path));
        return failed(error, text);
    };
    qint64 old_size = 0;
    if (const system_error why = file.size(old_size)) {
        return told(why, true);
    }
    QByteArray old_bytes;
    const bool restorable = file.readable() && file.read_all(old_bytes) == 0 && old_bytes.size() == old_size;
    // Whether the file, flushed to disk, holds its old bytes: read back where it can be read; a file that may only
    // be written has had no old byte written over before the main write, so its length tells.
    auto holds_old_bytes = [&] {
        qint64 now = -1;
        if (file.sync() != 0 || file.size(now) != 0 || now != old_size) {
            return false;
        }
        QByteArray again;
        return !file.readable() || (file.read_all(again) == 0 && again == old_bytes);
    };
    const qint64 new_size = bytes.size();
    if (new_size > old_size) {
        system_error why = file.reserve(new_size);
        if (why && reservation_unsupported(why)) {
            why = file.write_at(old_size, bytes.constData() + old_size, new_size - old_size);
            if (!why) {
                why = file.sync();
            }
        }
        if (why) {
            // A reservation that failed may have grown the file already (ext4 keeps what it took; the C library's
            // stand-in writes a byte in every block until the disk is full): the new tail goes again.
            qint64 now = -1;
            const bool cut = file.size(now) == 0 && (now == old_size || file.set_length(old_size) == 0);
            return told(why, cut && holds_old_bytes());
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
        return closing ? told(closing, false) : true;
    }
    const bool restored = restorable && file.write_at(0, old_bytes.constData(), old_size) == 0 &&
                          file.set_length(old_size) == 0 && holds_old_bytes();
    return told(why, restored);
}

// The file that a save of `path` writes: a symbolic link's target, followed through every link.
QString resolved(const QString &path)
{
    QFileInfo file(path);
    for (int depth = 0; depth < 128 && file.isSymLink(); ++depth) {
        file.setFile(file.symLinkTarget());
    }
    return file.filePath();
}

} // namespace

bool write_whole_file(const QString &path, const QByteArray &bytes, QString *error)
{
    if (path.isEmpty()) {
        return failed(error, describe_write_failure(path, 0, false));
    }
    const QString target = resolved(path);
    const existing_file old = look_at_existing(target);
    if (old.exists && (old.links > 1 || !QFileInfo(target).isWritable())) {
        // A rename would leave the other names on the old bytes; a file that may not be written is not replaced
        // (the attempt tells why).
        return write_in_place(target, bytes, error);
    }
    system_file file;
    QString made;
    if (const system_error why = file.create_beside(target, made)) {
        if (old.exists) {
            return write_in_place(target, bytes, error); // the folder takes no new file, but the file may be written
        }
        return failed(error, describe_write_failure(target, why, false));
    }
    if (old.exists && file.take_identity(old) != 0) {
        file.close();
        remove_file(made);
        return write_in_place(target, bytes, error); // the new file could not be the teacher's: the old one stays
    }
    // Every byte is handed to the system and flushed to disk before the rename; a refusal, even one that a network
    // share reports only at the close, leaves the old file as it was and takes the new one away.
    system_error why = file.write_at(0, bytes.constData(), bytes.size());
    if (!why) {
        why = file.sync();
    }
    const system_error closing = file.close();
    if (!why) {
        why = closing;
    }
    if (!why) {
        why = replace_file(made, target);
    }
    if (why) {
        remove_file(made);
        return failed(error, describe_write_failure(target, why, true));
    }
    if (const system_error unsure = sync_folder(QFileInfo(target).absolutePath())) {
        return failed(error, QStringLiteral("答卷文件“%1”已写入新的内容，但系统没有确认它已存到磁盘上"
                                            "（系统信息：%2）")
                                 .arg(native(target), describe_system_error(unsure)));
    }
    return true;
}

} // namespace platform
