#include "paper/recovery_record.h"

#include "paper/answer_file.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QIODevice>

#include <algorithm>

namespace paper {

namespace {

const QByteArray magic = QByteArrayLiteral("vq_stu recovery record 1\n");
constexpr int hash_size = 32;

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QDataStream &operator<<(QDataStream &out, const file_identity &identity)
{
    return out << identity.exists << identity.size << identity.sha256;
}

QDataStream &operator>>(QDataStream &in, file_identity &identity)
{
    return in >> identity.exists >> identity.size >> identity.sha256;
}

template <typename T> void write_list(QDataStream &out, const std::vector<T> &list)
{
    out << static_cast<qint32>(list.size());
    for (const T &value : list) {
        out << value;
    }
}

template <typename T> bool read_list(QDataStream &in, std::vector<T> &list)
{
    qint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok || size < 0 || size > max_questions) {
        return false;
    }
    list.resize(static_cast<std::size_t>(size));
    for (T &value : list) {
        in >> value;
    }
    return in.status() == QDataStream::Ok;
}

qint32 within_table(qint32 count)
{
    return std::clamp(count, 0, max_questions);
}

} // namespace

bool operator==(const file_identity &a, const file_identity &b)
{
    return a.exists == b.exists && a.size == b.size && a.sha256 == b.sha256;
}

file_identity identity_of(const QByteArray &bytes)
{
    return {true, bytes.size(), sha256(bytes)};
}

bool operator==(const answer_set &a, const answer_set &b)
{
    return a.onech == b.onech && a.somech == b.somech && a.unch == b.unch;
}

answer_set store_answers()
{
    answer_set answers;
    const auto from = [](const auto &table, qint32 count, auto &list, auto field) {
        list.reserve(static_cast<std::size_t>(within_table(count)));
        for (qint32 i = 1; i <= within_table(count); ++i) {
            list.push_back(table[static_cast<std::size_t>(i)].*field);
        }
    };
    from(store.onech_items, store.onech_count, answers.onech, &onech_item::answer);
    from(store.somech_items, store.somech_count, answers.somech, &somech_item::answer);
    from(store.unch_items, store.unch_count, answers.unch, &unch_item::answer);
    return answers;
}

answer_set recovered_answers(const recovery_record &record)
{
    answer_set answers = record.answers;
    if (record.box_question >= 1 && record.box_question <= static_cast<qint32>(answers.unch.size())) {
        answers.unch[static_cast<std::size_t>(record.box_question - 1)] = answer_for_file(record.box_text);
    }
    return answers;
}

bool same_questions(const answer_set &a, const answer_set &b)
{
    return a.onech.size() == b.onech.size() && a.somech.size() == b.somech.size() && a.unch.size() == b.unch.size();
}

int differing_answers(const answer_set &a, const answer_set &b)
{
    if (!same_questions(a, b)) {
        return static_cast<int>(std::max(a.onech.size(), b.onech.size()) + std::max(a.somech.size(), b.somech.size()) +
                                std::max(a.unch.size(), b.unch.size()));
    }
    int differing = 0;
    const auto count = [&differing](const auto &x, const auto &y) {
        for (std::size_t i = 0; i < x.size(); ++i) {
            differing += x[i] != y[i] ? 1 : 0;
        }
    };
    count(a.onech, b.onech);
    count(a.somech, b.somech);
    count(a.unch, b.unch);
    return differing;
}

bool install_answers(const answer_set &answers)
{
    if (static_cast<qint32>(answers.onech.size()) != within_table(store.onech_count) ||
        static_cast<qint32>(answers.somech.size()) != within_table(store.somech_count) ||
        static_cast<qint32>(answers.unch.size()) != within_table(store.unch_count)) {
        return false;
    }
    for (std::size_t i = 0; i < answers.onech.size(); ++i) {
        store.onech_items[i + 1].answer = answers.onech[i];
    }
    for (std::size_t i = 0; i < answers.somech.size(); ++i) {
        store.somech_items[i + 1].answer = answers.somech[i];
    }
    for (std::size_t i = 0; i < answers.unch.size(); ++i) {
        store.unch_items[i + 1].answer = answers.unch[i];
    }
    return true;
}

QByteArray record_bytes(const recovery_record &record)
{
    QByteArray bytes = magic;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
        out.setVersion(QDataStream::Qt_5_12);
        out << record.answer_file << record.problem << record.saved << record.written.toMSecsSinceEpoch();
        write_list(out, record.answers.onech);
        write_list(out, record.answers.somech);
        write_list(out, record.answers.unch);
        out << record.box_question << record.box_text;
    }
    bytes.append(sha256(bytes));
    return bytes;
}

bool parse_record(const QByteArray &bytes, recovery_record &record, QString *error)
{
    const auto fail = [error] {
        if (error) {
            *error = QStringLiteral("恢复记录不完整或已损坏。");
        }
        return false;
    };
    if (!bytes.startsWith(magic) || bytes.size() < magic.size() + hash_size) {
        return fail();
    }
    const QByteArray body = bytes.left(bytes.size() - hash_size);
    if (sha256(body) != bytes.right(hash_size)) {
        return fail();
    }
    QDataStream in(body.mid(magic.size()));
    in.setVersion(QDataStream::Qt_5_12);
    recovery_record read;
    qint64 written = 0;
    in >> read.answer_file >> read.problem >> read.saved >> written;
    if (in.status() != QDataStream::Ok || !read_list(in, read.answers.onech) || !read_list(in, read.answers.somech) ||
        !read_list(in, read.answers.unch)) {
        return fail();
    }
    in >> read.box_question >> read.box_text;
    if (in.status() != QDataStream::Ok || !in.atEnd()) {
        return fail();
    }
    read.written = QDateTime::fromMSecsSinceEpoch(written, Qt::UTC);
    record = std::move(read);
    return true;
}

QString record_file_name(const QString &canonical_path)
{
#ifdef Q_OS_WIN
    const QString key = canonical_path.toCaseFolded();
#else
    const QString &key = canonical_path;
#endif
    return QString::fromLatin1(sha256(key.toUtf8()).toHex().left(40)) + QStringLiteral(".record");
}

} // namespace paper
