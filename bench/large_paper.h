#pragma once

// A large generated paper for the benchmarks: 10002 questions of each type, texts of about 1 KB mixing ASCII
// and Chinese over several CR LF lines (about 30 MB), and an answer file with every question answered.

#include <QString>
#include <QTemporaryDir>

struct large_paper {
    large_paper();
    QTemporaryDir folder;
    QString problem_path;
    QString answer_path;
    qint64 problem_size = 0;
    qint64 answer_size = 0;
};

// Made once per process.
const large_paper &the_large_paper();

// About `bytes` bytes of question-like text for question `n`, with LF line ends.
QString question_text(int n, int bytes);
