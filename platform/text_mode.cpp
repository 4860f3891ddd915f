#include "platform/text_mode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <limits>

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

} // namespace platform
