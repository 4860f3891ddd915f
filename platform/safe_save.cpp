#include "platform/safe_save.h"

#include "platform/system_file.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

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
        // Either way the room is flushed to disk before any old byte is written over: where the reservation is the
        // C library's stand-in (NFS v3), the server confirms the room only at the flush.
        system_error why = file.reserve(new_size);
        if (why && reservation_unsupported(why)) {
            why = file.write_at(old_size, bytes.constData() + old_size, new_size - old_size);
        }
        if (!why) {
            why = file.sync();
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

// The file that a save of `path` writes, found as the system finds it: an existing file through its canonical path,
// every link and every ".." resolved in the order the system resolves them. Only a link that leads nowhere yet is
// followed by hand, each step from the real folder of the link.
QString resolved(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty()) {
        return canonical;
    }
    QString current = path;
    for (int depth = 0; depth < 40; ++depth) {
        const QString target = link_target(current);
        if (target.isEmpty()) {
            break;
        }
        const QFileInfo link(current);
        const QString folder = QFileInfo(link.absolutePath()).canonicalFilePath();
        current = QDir(folder.isEmpty() ? link.absolutePath() : folder).filePath(target);
    }
    return current;
}

// Folders where a replacement was refused although a new file could be made (a hand-in share where students may
// not delete): later saves there go in place at once rather than leave another file behind.
QMutex no_replacing_lock;
QSet<QString> no_replacing;

QString folder_key(const QString &target)
{
    return QFileInfo(target).absolutePath();
}

bool replacing_refused_in(const QString &target)
{
    const QMutexLocker lock(&no_replacing_lock);
    return no_replacing.contains(folder_key(target));
}

void remember_replacing_refused(const QString &target)
{
    const QMutexLocker lock(&no_replacing_lock);
    no_replacing.insert(folder_key(target));
}

// What became of the new file of a save that did not replace the answer file.
enum class leftover { none, emptied, whole };

// Takes away the new file of a save that did not replace the answer file. Where the folder lets nobody remove it,
// it is emptied, so that no copy of the answers is left where others may look.
leftover discard(const QString &made)
{
    if (remove_file(made) == 0) {
        return leftover::none;
    }
    system_file file;
    const bool emptied = file.open_existing(made) == 0 && file.set_length(0) == 0 && file.sync() == 0;
    file.close();
    if (remove_file(made) == 0) {
        return leftover::none;
    }
    return emptied ? leftover::emptied : leftover::whole;
}

// The notice of a save that is done but left its new file behind.
QString left_behind_text(const QString &made, leftover left)
{
    return QStringLiteral("答卷已保存。保存时在答卷旁建立的临时文件“%1”无法删除（这个文件夹不允许删除文件），%2")
        .arg(native(made), left == leftover::emptied ? QStringLiteral("其中已不含答案，可请老师删除。")
                                                     : QStringLiteral("其中仍有一份答案，请尽快请老师删除。"));
}

// Hands every byte of a new file to the system, gives the file what `old` had (or a new file's rights), flushes it
// to disk and closes it; a refusal, even one that a network share reports only at the close, is answered.
// `identity_refused`: the refusal was the identity's.
system_error fill_new_file(system_file &file, const QByteArray &bytes, const existing_file &old,
                           bool *identity_refused = nullptr)
{
    system_error why = file.write_at(0, bytes.constData(), bytes.size());
    if (!why) {
        why = file.take_identity(old);
        if (why && identity_refused) {
            *identity_refused = true;
        }
    }
    if (!why) {
        why = file.sync();
    }
    const system_error closing = file.close();
    return why ? why : closing;
}

// Writes a file that is not there yet directly, where a new file can be made but not renamed.
bool write_new_directly(const QString &target, const QByteArray &bytes, QString *error)
{
    system_file file;
    if (const system_error why = file.create_new(target)) {
        return failed(error, describe_write_failure(target, why, false));
    }
    if (const system_error why = fill_new_file(file, bytes, existing_file{})) {
        remove_file(target);
        return failed(error, describe_write_failure(target, why, true));
    }
    return true;
}

// Takes away the new file `made` of a save that could not replace the answer file, and writes the answer file
// itself instead: in place, or directly where it is not there yet. A new file that the folder let nobody remove is
// told to the student once the save is done.
bool write_instead(const QString &target, const QByteArray &bytes, const existing_file &old, const QString &made,
                   QString *error)
{
    const leftover left = discard(made);
    const bool saved = old.exists ? write_in_place(target, bytes, error) : write_new_directly(target, bytes, error);
    if (saved && left != leftover::none && error) {
        *error = left_behind_text(made, left);
    }
    return saved;
}

} // namespace

bool write_whole_file(const QString &path, const QByteArray &bytes, QString *error)
{
    if (error) {
        error->clear();
    }
    if (path.isEmpty()) {
        return failed(error, describe_write_failure(path, 0, false));
    }
    const QString target = resolved(path);
    const existing_file old = look_at_existing(target);
    if (old.exists && (old.links > 1 || !QFileInfo(target).isWritable() || replacing_refused_in(target))) {
        // A rename would leave the other names on the old bytes; a file that may not be written is not replaced
        // (the attempt tells why).
        return write_in_place(target, bytes, error);
    }
    if (!old.exists && replacing_refused_in(target)) {
        return write_new_directly(target, bytes, error);
    }
    system_file file;
    QString made;
    if (const system_error why = file.create_beside(target, old, made)) {
        if (old.exists) {
            return write_in_place(target, bytes, error); // the folder takes no new file, but the file may be written
        }
        return failed(error, describe_write_failure(target, why, false));
    }
    // Every byte is handed to the system before the new file may be read by anyone else, and flushed to disk
    // before the rename; a refusal leaves the old file as it was and takes the new one away.
    bool identity_refused = false;
    if (const system_error why = fill_new_file(file, bytes, old, &identity_refused)) {
        // The new file could not be the teacher's, or the disk or the student's quota has no room for a second
        // copy: the old file itself may still be written, which needs room only for its growth.
        if (old.exists && (identity_refused || disk_full(why))) {
            return write_instead(target, bytes, old, made, error);
        }
        discard(made);
        return failed(error, describe_write_failure(target, why, true));
    }
    if (const system_error why = replace_file(made, target)) {
        if (replace_refused(why)) {
            // The folder takes new files but lets nobody replace or remove one (a hand-in share), or the answer
            // file cannot be replaced (an append-only folder, a file mounted in its place): it is written in place.
            remember_replacing_refused(target);
            return write_instead(target, bytes, old, made, error);
        }
        discard(made);
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
