#include "paper/byte_scanner.h"

#include "platform/local8bit.h"
#include "platform/text_mode.h"

#include <charconv>
#include <cstring>

namespace paper {

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

void byte_scanner::skip_space()
{
    while (p_ < end_ && is_space(*p_)) {
        ++p_;
    }
}

// A number ends at white space, at the '@' that opens a text, or at the end of the data.
bool byte_scanner::at_token_end() const
{
    return p_ >= end_ || is_space(*p_) || *p_ == '@';
}

void byte_scanner::skip_token()
{
    while (!at_token_end()) {
        ++p_;
    }
}

bool byte_scanner::read_int(qint32 &value)
{
    char *p = p_;
    while (p < end_ && is_space(*p)) {
        ++p;
    }
    bool negative = false;
    if (p < end_ && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p >= end_ || !is_digit(*p)) {
        return false;
    }
    qint64 magnitude = 0;
    const qint64 limit = negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    for (; p < end_ && is_digit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) {
            return false;
        }
    }
    value = static_cast<qint32>(negative ? -magnitude : magnitude);
    p_ = p;
    return true;
}

bool byte_scanner::read_double(double &value)
{
    char *p = p_;
    while (p < end_ && is_space(*p)) {
        ++p;
    }
    const char *number = p;
    if (p < end_ && *p == '+') {
        ++p;
        number = p;
    } else if (p < end_ && *p == '-') {
        ++p;
    }
    // from_chars would also take "inf" and "nan", which are not numbers in these files.
    if (p >= end_ || !(is_digit(*p) || (*p == '.' && p + 1 < end_ && is_digit(p[1])))) {
        return false;
    }
    double parsed = 0.0;
    const auto result = std::from_chars(number, end_, parsed, std::chars_format::general);
    if (result.ec != std::errc()) {
        return false;
    }
    value = parsed;
    p_ += result.ptr - p_;
    return true;
}

byte_scanner::text_result byte_scanner::read_delimited(char *&text_begin, char *&text_end)
{
    auto *at = static_cast<char *>(std::memchr(p_, '@', static_cast<std::size_t>(end_ - p_)));
    if (!at) {
        p_ = end_;
        text_begin = text_end = end_;
        return text_result::no_start;
    }
    text_begin = at + 1;
    auto *dollar = static_cast<char *>(std::memchr(text_begin, '$', static_cast<std::size_t>(end_ - text_begin)));
    if (!dollar) {
        p_ = text_end = end_;
        return text_result::no_end;
    }
    text_end = dollar;
    p_ = dollar + 1;
    return text_result::ok;
}

QString decode_text(char *begin, char *end, bool *exact)
{
    const qsizetype size = platform::fold_disk_line_ends(begin, end - begin);
    int undecodable = 0;
    QString text = platform::from_local_8bit(begin, size, &undecodable);
    if (exact && *exact) {
        *exact = platform::decodes_exactly(begin, size, text, undecodable);
    }
    return text;
}

bool read_delimited_text(byte_scanner &in, QString &text, bool *exact)
{
    char *begin = nullptr;
    char *end = nullptr;
    const auto result = in.read_delimited(begin, end);
    text = decode_text(begin, end, exact);
    return result == byte_scanner::text_result::ok;
}

} // namespace paper
