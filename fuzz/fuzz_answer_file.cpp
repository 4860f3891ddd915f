// Any bytes as an answer file, for counts taken from the first bytes: the reader ends and stays within its
// buffers, and whatever it reads the writer writes so that it reads back the same and whole.

#include "paper/answer_file.h"

#include <clocale>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

namespace {

paper::loaded_paper paper_of(int onech, int somech, int unch)
{
    paper::loaded_paper paper;
    paper.counts = paper::problem_counts{onech, somech, unch};
    paper.onech.resize(std::size_t(onech));
    paper.somech.resize(std::size_t(somech));
    paper.unch.resize(std::size_t(unch));
    return paper;
}

bool same_answers(const paper::loaded_paper &a, const paper::loaded_paper &b)
{
    for (std::size_t i = 0; i < a.onech.size(); ++i) {
        if (a.onech[i].answer != b.onech[i].answer) {
            return false;
        }
    }
    for (std::size_t i = 0; i < a.somech.size(); ++i) {
        if (a.somech[i].answer != b.somech[i].answer) {
            return false;
        }
    }
    for (std::size_t i = 0; i < a.unch.size(); ++i) {
        if (a.unch[i].answer != b.unch[i].answer) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    const int onech = data[0] % 16, somech = data[1] % 16, unch = data[2] % 16;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 3), static_cast<int>(size - 3));
    paper::loaded_paper first = paper_of(onech, somech, unch);
    paper::parse_answers(bytes, first);

    paper::install_paper(paper::loaded_paper(first));
    const QByteArray written = paper::store_answer_bytes();
    paper::loaded_paper second = paper_of(onech, somech, unch);
    if (!paper::parse_answers(written, second) || !same_answers(first, second)) {
        std::abort();
    }
    paper::install_paper(std::move(second));
    if (paper::store_answer_bytes() != written) {
        std::abort();
    }
    return 0;
}
