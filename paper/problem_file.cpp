#include "paper/problem_file.h"

#include "platform/text_mode.h"

#include <algorithm>

namespace paper {

namespace {

QString type_name(int type)
{
    switch (type) {
    case 0:
        return QStringLiteral("单选题");
    case 1:
        return QStringLiteral("多选题");
    default:
        return QStringLiteral("非选择题");
    }
}

bool fail(QString *error, const QString &why)
{
    if (error) {
        *error = why;
    }
    return false;
}

bool read_counts(byte_scanner &in, problem_counts &counts, QString *error)
{
    qint32 values[3] = {0, 0, 0};
    for (int type = 0; type < 3; ++type) {
        if (!in.read_int(values[type])) {
            return fail(error, QStringLiteral("题目文件已损坏：开头没有三个题目数量（%1、%2、%3）。")
                                   .arg(type_name(0), type_name(1), type_name(2)));
        }
        if (values[type] > max_questions) {
            return fail(error, QStringLiteral("题目文件中有 %1 道%2，本程序最多能容纳 %3 道。")
                                   .arg(values[type])
                                   .arg(type_name(type))
                                   .arg(max_questions));
        }
    }
    counts = problem_counts{values[0], values[1], values[2]};
    return true;
}

bool bad_score(QString *error, int type, int question)
{
    return fail(error,
                QStringLiteral("题目文件已损坏：第 %1 道%2的分数不是一个数。").arg(question).arg(type_name(type)));
}

bool read_text(byte_scanner &in, loaded_paper &paper, QString &text, QString *error, int type, int question)
{
    if (read_delimited_text(in, text, &paper.problem_texts_exact)) {
        return true;
    }
    return fail(error, QStringLiteral("题目文件不完整：第 %1 道%2的题面缺少开头的“@”或结尾的“$”。")
                           .arg(question)
                           .arg(type_name(type)));
}

} // namespace

bool parse_problem_counts(QByteArray bytes, problem_counts &counts, QString *error)
{
    byte_scanner in(bytes);
    return read_counts(in, counts, error);
}

bool parse_problem(QByteArray bytes, loaded_paper &paper, QString *error)
{
    byte_scanner in(bytes);
    loaded_paper read;
    if (!read_counts(in, read.counts, error)) {
        return false;
    }
    read.onech.resize(static_cast<std::size_t>(std::max(read.counts.onech, 0)));
    read.somech.resize(static_cast<std::size_t>(std::max(read.counts.somech, 0)));
    read.unch.resize(static_cast<std::size_t>(std::max(read.counts.unch, 0)));
    double total = 0.0;
    int question = 0;
    for (onech_item &item : read.onech) {
        ++question;
        if (!in.read_double(item.score)) {
            return bad_score(error, 0, question);
        }
        if (!read_text(in, read, item.text, error, 0, question)) {
            return false;
        }
        total += item.score;
    }
    question = 0;
    for (somech_item &item : read.somech) {
        ++question;
        if (!in.read_double(item.full_score) || !in.read_double(item.partial_score)) {
            return bad_score(error, 1, question);
        }
        if (!read_text(in, read, item.text, error, 1, question)) {
            return false;
        }
        total += item.full_score;
    }
    question = 0;
    for (unch_item &item : read.unch) {
        ++question;
        if (!in.read_double(item.score)) {
            return bad_score(error, 2, question);
        }
        if (!read_text(in, read, item.text, error, 2, question)) {
            return false;
        }
        total += item.score;
    }
    read.total_score = total;
    paper = std::move(read);
    return true;
}

bool read_problem_counts(const QString &path, problem_counts &counts, QString *error)
{
    QByteArray bytes;
    return platform::read_whole_file(path, bytes, error) && parse_problem_counts(std::move(bytes), counts, error);
}

bool read_problem_file(const QString &path, loaded_paper &paper, QString *error)
{
    QByteArray bytes;
    return platform::read_whole_file(path, bytes, error) && parse_problem(std::move(bytes), paper, error);
}

void install_paper(loaded_paper &&paper)
{
    store.onech_count = paper.counts.onech;
    store.somech_count = paper.counts.somech;
    store.unch_count = paper.counts.unch;
    std::move(paper.onech.begin(), paper.onech.end(), store.onech_items.begin() + 1);
    std::move(paper.somech.begin(), paper.somech.end(), store.somech_items.begin() + 1);
    std::move(paper.unch.begin(), paper.unch.end(), store.unch_items.begin() + 1);
    paper = loaded_paper{};
}

} // namespace paper
