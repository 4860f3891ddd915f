#pragma once

// The paper store: everything the program knows about the answer paper that is open. One process-wide object
// of static lifetime; the commands and pages read and write its members directly, always on the GUI thread.
// Question n of a type is element n of its table; element 0 never holds a question.

#include <QString>
#include <QtGlobal>

#include <array>

namespace paper {

// Option mask: one bit per option, 0 = nothing chosen. Only these six bits carry meaning; any other bit read
// from an answer file is kept unchanged until the page stores a new mask built from its six buttons.
enum option_bit : qint32 {
    option_a = 1,
    option_b = 2,
    option_c = 4,
    option_d = 8,
    option_e = 16,
    option_f = 32,
};
constexpr std::array<qint32, 6> option_bits{option_a, option_b, option_c, option_d, option_e, option_f};

struct onech_item {
    double score = 0.0;
    qint32 answer = 0;
    QString text;
};

struct somech_item {
    double full_score = 0.0;
    double partial_score = 0.0;
    qint32 answer = 0;
    QString text;
};

struct unch_item {
    double score = 0.0;
    QString text;
    QString answer; // plain text, LF between lines; empty when nothing was entered
};

constexpr int table_size = 10003;
constexpr int max_questions = table_size - 1; // questions 1..10002 of each type
constexpr int path_size = 10003;
constexpr int max_path_bytes = path_size - 1; // plus the terminating zero

using path_array = std::array<char, path_size>;

struct paper_store {
    std::array<onech_item, table_size> onech_items;
    std::array<somech_item, table_size> somech_items;
    std::array<unch_item, table_size> unch_items;
    qint32 onech_count = 0;
    qint32 somech_count = 0;
    qint32 unch_count = 0;
    qint32 onech_cur = 0;
    qint32 somech_cur = 0;
    qint32 unch_cur = 0;
    path_array paper_path{};   // the answer file, local 8-bit code page, zero-terminated
    path_array problem_path{}; // the problem.prb beside it
};

extern paper_store store;

// The mask of the options whose buttons are checked, visited A to F.
template <typename Checked> qint32 mask_from_options(Checked &&is_checked)
{
    qint32 mask = 0;
    for (std::size_t i = 0; i < option_bits.size(); ++i) {
        if (is_checked(i)) {
            mask += option_bits[i];
        }
    }
    return mask;
}

inline bool option_set(qint32 mask, std::size_t option)
{
    return (mask & option_bits[option]) != 0;
}

} // namespace paper
