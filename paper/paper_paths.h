#pragma once

// The answer file's path and what is derived from it, all in the local 8-bit code page: the problem file is
// "problem.prb" in the answer file's folder, and the student name is the file's name less its last four bytes.

#include "paper/paper_store.h"

#include <QByteArray>
#include <QString>

namespace paper {

struct answer_paths {
    QByteArray paper_path;
    QByteArray problem_path; // the folder up to and including its last separator, then "problem.prb"
    QByteArray student_name;
};

// Splits `paper_path` at its last '/' or '\' between characters (not the second byte of a double-byte
// character). Without a separator the problem file is "problem.prb" in the
// working directory and the whole path is the file's name.
answer_paths derive_answer_paths(const QByteArray &paper_path);

// Whether both paths fit the store's path arrays with their terminating zero.
bool paths_fit_store(const answer_paths &paths);

void set_path(path_array &target, const QByteArray &path);
void clear_path(path_array &target);
QByteArray path_bytes(const path_array &path);
// The stored path as a file name for QFile.
QString path_name(const path_array &path);

} // namespace paper
