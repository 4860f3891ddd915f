#pragma once

// The answer file (*.stu): one student's answers, in the order of the problem file's questions and nothing else.
//   one line per single-choice question: its option mask in decimal;
//   one line per multiple-choice question: its option mask in decimal;
//   one entry per non-choice question: '@', the answer, '$'.
// Every line ends with CR LF, the last one too, and a line break inside an answer is CR LF as well. A paper
// without questions gives an empty file. The counts come from the problem file.
//
// The format has no escape for '$', which ends an answer. A '$' in an answer is written as the full-width
// '＄' (U+FF04), so that it can never cut the answers that follow it; under a code page that cannot hold '＄'
// (a single-byte one such as ISO-8859-1) as the first stand-in that it can hold.

#include "paper/problem_file.h"

#include <QByteArray>
#include <QChar>
#include <QString>

namespace paper {

// What a '$' in an answer becomes under the local 8-bit code page.
QChar dollar_stand_in();

// The answer as it goes into the file: every '$' replaced by the stand-in.
QString answer_for_file(const QString &answer);

// Reads the answers of every question of `paper` from the bytes of its answer file. A file that is short or
// damaged still gives every question an answer: what is missing or unreadable reads as unanswered (mask 0,
// empty text). Returns whether every entry was there and well formed.
// `paper.answers_exact` says whether every answer's bytes decoded exactly under the local 8-bit code page.
bool parse_answers(QByteArray bytes, loaded_paper &paper);

// The same, from the file at `path`; false with `error` set when the file cannot be read at all.
bool read_answer_file(const QString &path, loaded_paper &paper, bool *complete, QString *error);

// The file in which every question is unanswered.
QByteArray initial_answer_bytes(const problem_counts &counts);
// The file holding the answers of the store's questions 1..count.
QByteArray store_answer_bytes();

// Both writers replace the file through a temporary file beside it, so that on any failure the previous file
// stays whole; they return false and say why in `error`. A write that is done may still leave a notice for the
// student in `error` (a temporary file that the folder let nobody remove).
bool write_initial_answer_file(const QString &path, const problem_counts &counts, QString *error);
bool write_answer_file(const QString &path, QString *error);

} // namespace paper
