#pragma once

// The problem file problem.prb, written by the teacher's authoring program and only ever read here:
//   three counts (single choice, multiple choice, non-choice), then for each single-choice question its score
//   and text, for each multiple-choice question its full and partial scores and text, for each non-choice
//   question its score and text. Numbers are ASCII decimal separated by white space; a text is everything
//   between the next '@' and the following '$'.
//
// A file that does not follow this form, or that declares more questions of a type than the store holds, is
// refused as a whole: the readers fill a paper of their own and the store changes only once all of it was read.

#include "paper/byte_scanner.h"
#include "paper/paper_store.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace paper {

struct problem_counts {
    qint32 onech = 0;
    qint32 somech = 0;
    qint32 unch = 0;
};

// A paper read from its files but not yet in the store. Question n of a type is element n - 1.
struct loaded_paper {
    problem_counts counts;
    double total_score = 0.0;
    std::vector<onech_item> onech;
    std::vector<somech_item> somech;
    std::vector<unch_item> unch;
    // Whether every text of the problem file, and every answer of the answer file, decoded exactly under the
    // local 8-bit code page (see decode_text).
    bool problem_texts_exact = true;
    bool answers_exact = true;
};

// The three leading counts. Fails, with a sentence for the student, when they are not three integers or a
// count is above what the store holds. A negative count means no questions of that type.
bool parse_problem_counts(QByteArray bytes, problem_counts &counts, QString *error);

// The whole paper, scores and texts; the answers stay unanswered. Fails on anything short of a complete paper.
// The total score is the sum, in file order, of every single-choice score, multiple-choice full score and
// non-choice score.
bool parse_problem(QByteArray bytes, loaded_paper &paper, QString *error);

// The same two, read from the file at `path`.
bool read_problem_counts(const QString &path, problem_counts &counts, QString *error);
bool read_problem_file(const QString &path, loaded_paper &paper, QString *error);

// Moves a loaded paper into the store: the counts, and texts, scores and answers of questions 1..count.
// Records above the counts keep what they held; the cursors and paths are the caller's.
void install_paper(loaded_paper &&paper);

} // namespace paper
