#include "paper/answer_file.h"

#include "platform/local8bit.h"
#include "platform/safe_save.h"
#include "platform/text_mode.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace paper {

namespace {

// One choice entry. A missing entry (the data ends, or the non-choice section begins) consumes nothing;
// an entry that is not a whole integer is skipped. Both read as unanswered.
bool read_mask(byte_scanner &in, qint32 &mask)
{
    mask = 0;
    in.skip_space();
    if (in.at_end() || in.peek() == '@') {
        return false;
    }
    qint32 value = 0;
    if (in.read_int(value) && in.at_token_end()) {
        mask = value;
        return true;
    }
    in.skip_token();
    return false;
}

void append_mask(QByteArray &out, qint32 mask)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, mask);
    out.append(digits, static_cast<int>(result.ptr - digits));
    out.append("\r\n", 2);
}

void append_free_answer(QByteArray &out, const QString &answer)
{
    out.append('@');
    if (!answer.isEmpty()) {
        const QByteArray bytes = platform::to_local_8bit(answer_for_file(answer));
        platform::append_disk_line_ends(out, bytes.constData(), bytes.size());
    }
    out.append("$\r\n", 3);
}

} // namespace

QChar dollar_stand_in()
{
    // Full-width dollar, small dollar, the general currency sign; an ASCII-only code page gets a letter.
    for (const QChar candidate : {QChar(0xFF04), QChar(0xFE69), QChar(0x00A4)}) {
        if (platform::fits_local_8bit(QString(candidate))) {
            return candidate;
        }
    }
    return QLatin1Char('S');
}

QString answer_for_file(const QString &answer)
{
    if (!answer.contains(QLatin1Char('$'))) {
        return answer;
    }
    QString replaced = answer;
    replaced.replace(QLatin1Char('$'), dollar_stand_in());
    return replaced;
}

bool parse_answers(QByteArray bytes, loaded_paper &paper)
{
    byte_scanner in(bytes);
    bool complete = true;
    for (onech_item &item : paper.onech) {
        complete &= read_mask(in, item.answer);
    }
    for (somech_item &item : paper.somech) {
        complete &= read_mask(in, item.answer);
    }
    paper.answers_exact = true;
    for (unch_item &item : paper.unch) {
        complete &= read_delimited_text(in, item.answer, &paper.answers_exact);
    }
    return complete;
}

bool read_answer_file(const QString &path, loaded_paper &paper, bool *complete, QString *error)
{
    QByteArray bytes;
    if (!platform::read_whole_file(path, bytes, error)) {
        return false;
    }
    const bool whole = parse_answers(std::move(bytes), paper);
    if (complete) {
        *complete = whole;
    }
    return true;
}

QByteArray initial_answer_bytes(const problem_counts &counts)
{
    const int choices = std::max(counts.onech, 0) + std::max(counts.somech, 0);
    const int free_answers = std::max(counts.unch, 0);
    QByteArray out;
    out.reserve(choices * 3 + free_answers * 4);
    for (int i = 0; i < choices; ++i) {
        out.append("0\r\n", 3);
    }
    for (int i = 0; i < free_answers; ++i) {
        out.append("@$\r\n", 4);
    }
    return out;
}

// The store's count of a type, within what its table holds.
static qint32 stored(qint32 count)
{
    return std::min(count, max_questions);
}

QByteArray store_answer_bytes()
{
    const qint32 onech_count = stored(store.onech_count);
    const qint32 somech_count = stored(store.somech_count);
    const qint32 unch_count = stored(store.unch_count);
    QByteArray out;
    qsizetype estimate = (std::max(onech_count, 0) + std::max(somech_count, 0)) * 4;
    for (qint32 i = 1; i <= unch_count; ++i) {
        estimate += store.unch_items[static_cast<std::size_t>(i)].answer.size() * 3 + 8;
    }
    out.reserve(static_cast<int>(std::min<qsizetype>(estimate, std::numeric_limits<int>::max() / 2)));
    for (qint32 i = 1; i <= onech_count; ++i) {
        append_mask(out, store.onech_items[static_cast<std::size_t>(i)].answer);
    }
    for (qint32 i = 1; i <= somech_count; ++i) {
        append_mask(out, store.somech_items[static_cast<std::size_t>(i)].answer);
    }
    for (qint32 i = 1; i <= unch_count; ++i) {
        append_free_answer(out, store.unch_items[static_cast<std::size_t>(i)].answer);
    }
    return out;
}

bool write_initial_answer_file(const QString &path, const problem_counts &counts, QString *error)
{
    return platform::write_whole_file(path, initial_answer_bytes(counts), error);
}

bool write_answer_file(const QString &path, QString *error)
{
    return platform::write_whole_file(path, store_answer_bytes(), error);
}

} // namespace paper
