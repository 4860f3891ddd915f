#include "paper/paper_paths.h"

#include "platform/local8bit.h"

#include <algorithm>
#include <cstring>

namespace paper {

namespace {

int last_separator(const QByteArray &bytes)
{
    return std::max(bytes.lastIndexOf('/'), bytes.lastIndexOf('\\')); // -1 when there is none
}

// Where the file's name begins in `path`: after its last '/' or '\\' that stands between characters. In the
// double-byte code pages the second byte of a character may be 0x5C, a backslash (錦 is E5 5C in GBK), so the
// separator is looked for among the characters and its place then counted in bytes.
int name_start(const QByteArray &path)
{
    const QString text = platform::from_local_8bit(path);
    const int separator = std::max(text.lastIndexOf(QLatin1Char('/')), text.lastIndexOf(QLatin1Char('\\')));
    const QByteArray folder = platform::to_local_8bit(text.left(separator + 1));
    if (path.startsWith(folder)) {
        return folder.size();
    }
    return last_separator(path) + 1; // bytes that the code page does not decode: taken one by one
}

} // namespace

answer_paths derive_answer_paths(const QByteArray &paper_path)
{
    answer_paths paths;
    paths.paper_path = paper_path;
    const int name_start = paper::name_start(paper_path);
    paths.problem_path = paper_path.left(name_start) + QByteArrayLiteral("problem.prb");
    const int name_length = paper_path.size() - 4 - name_start;
    if (name_length > 0) {
        paths.student_name = paper_path.mid(name_start, name_length);
    }
    return paths;
}

bool paths_fit_store(const answer_paths &paths)
{
    return paths.paper_path.size() <= max_path_bytes && paths.problem_path.size() <= max_path_bytes &&
           !paths.paper_path.contains('\0');
}

void set_path(path_array &target, const QByteArray &path)
{
    const std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(path.size()), max_path_bytes);
    std::memcpy(target.data(), path.constData(), size);
    std::fill(target.begin() + static_cast<std::ptrdiff_t>(size), target.end(), '\0');
}

void clear_path(path_array &target)
{
    target.fill('\0');
}

QByteArray path_bytes(const path_array &path)
{
    const void *zero = std::memchr(path.data(), '\0', path.size());
    const std::size_t size = zero ? static_cast<std::size_t>(static_cast<const char *>(zero) - path.data())
                                  : static_cast<std::size_t>(max_path_bytes);
    return QByteArray(path.data(), static_cast<int>(size));
}

QString path_name(const path_array &path)
{
    return platform::from_local_8bit(path_bytes(path));
}

} // namespace paper
