#pragma once

// The recovery record: a private copy of one open paper's answers as they stand in memory, kept outside the exam
// folder so that a crash, a killed program or a power cut loses no typed answer. It never replaces the answer file;
// the student is offered its answers when the paper is opened again.
//
// Bytes: the line "vq_stu recovery record 1", then the fields below in Qt's data stream form (version 5.12), then
// the SHA-256 of everything before it, so that a record cut short or damaged is recognised and never applied.

#include "paper/paper_store.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace paper {

// What a file held when the record was made: whether it existed, its length and the SHA-256 of its bytes.
struct file_identity {
    bool exists = false;
    qint64 size = 0;
    QByteArray sha256;
};
bool operator==(const file_identity &a, const file_identity &b);
inline bool operator!=(const file_identity &a, const file_identity &b)
{
    return !(a == b);
}
file_identity identity_of(const QByteArray &bytes);

// The answers of questions 1..count of each type, question n as element n - 1.
struct answer_set {
    std::vector<qint32> onech;
    std::vector<qint32> somech;
    std::vector<QString> unch;
};
bool operator==(const answer_set &a, const answer_set &b);
inline bool operator!=(const answer_set &a, const answer_set &b)
{
    return !(a == b);
}

struct recovery_record {
    QString answer_file;     // the answer file's canonical path
    file_identity problem;   // the problem file beside it
    file_identity saved;     // the answer file as this program last read or wrote it
    QDateTime written;       // when the answers were taken, in UTC
    answer_set answers;      // the store's answers
    qint32 box_question = 0; // the non-choice question whose text was in the answer box, 0 for none
    QString box_text;        // that text, which may not be stored yet
};

// The store's answers. Cheap: the free answers are shared, not copied.
answer_set store_answers();
// The answers the record gives back: the stored ones, with the answer box's text as the answer of its question
// (a '$' in it replaced as storing the answer would).
answer_set recovered_answers(const recovery_record &record);
// Whether both sets hold as many questions of each type.
bool same_questions(const answer_set &a, const answer_set &b);
// How many questions have another answer in `b` than in `a`; sets of other sizes differ in every question.
int differing_answers(const answer_set &a, const answer_set &b);
// Puts `answers` into the store's questions 1..count; a set of another size changes nothing and answers false.
bool install_answers(const answer_set &answers);

QByteArray record_bytes(const recovery_record &record);
// Fails, with a sentence for the student, on anything but a whole record.
bool parse_record(const QByteArray &bytes, recovery_record &record, QString *error);

// The record's file name for the answer file at `canonical_path`: a hash of the path, so that two answer files
// never share a record. On Windows the path's letter case does not count.
QString record_file_name(const QString &canonical_path);

} // namespace paper
