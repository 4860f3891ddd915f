// Any bytes as a problem file: the reader ends, stays within its buffers, and what it accepts is a whole paper
// within the store's capacity that installs into the store.

#include "paper/problem_file.h"

#include <clocale>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    paper::problem_counts counts;
    const bool counted = paper::parse_problem_counts(bytes, counts, nullptr);
    paper::loaded_paper loaded;
    QString error;
    const bool read = paper::parse_problem(bytes, loaded, &error);
    if (!read && error.isEmpty()) {
        std::abort(); // a refusal always says why
    }
    if (!read) {
        return 0;
    }
    if (!counted || counts.onech != loaded.counts.onech || counts.somech != loaded.counts.somech ||
        counts.unch != loaded.counts.unch) {
        std::abort(); // the counts alone read the same as the whole paper's
    }
    if (loaded.counts.onech > paper::max_questions || loaded.counts.somech > paper::max_questions ||
        loaded.counts.unch > paper::max_questions) {
        std::abort();
    }
    paper::install_paper(std::move(loaded));
    return 0;
}
