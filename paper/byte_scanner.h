#pragma once

// A cursor over the bytes of a paper file held whole in memory. Both files are text: numbers in ASCII decimal
// separated by white space, texts delimited by '@' and '$'. The scanner never reads before its start or past its
// end, and every operation moves forward or fails at the end of the data.
//
// Line ends are folded (CR LF to LF) only inside texts, in place, as each text is taken: between numbers a CR
// is white space either way. The scanner therefore works on bytes of its own, which it changes.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace paper {

class byte_scanner {
public:
    byte_scanner(char *begin, char *end) : begin_(begin), p_(begin), end_(end) {}
    // Detaches `bytes`, so that the caller's copy stays as it was.
    explicit byte_scanner(QByteArray &bytes) : byte_scanner(bytes.data(), bytes.data() + bytes.size()) {}

    // Blanks, tabs, line ends, vertical tabs and form feeds.
    void skip_space();
    // Optional white space, an optional sign and decimal digits that fit 32 bits. On failure nothing is consumed.
    bool read_int(qint32 &value);
    // Optional white space, an optional sign, digits with an optional point and fraction, an optional exponent.
    // The point is the decimal separator whatever the locale. On failure nothing is consumed.
    bool read_double(double &value);

    enum class text_result { ok, no_start, no_end };
    // Skips every byte up to and including the next '@', then takes the bytes up to the next '$' and consumes
    // it. Without an '@' the scanner ends at the end of the data (no_start); without a '$' the text runs to the
    // end of the data (no_end).
    text_result read_delimited(char *&text_begin, char *&text_end);

    // Skips the run of bytes up to the next white space or '@'.
    void skip_token();

    bool at_end() const { return p_ >= end_; }
    // Whether the data ends here or white space or an '@' follows: the end of a whole number.
    bool at_token_end() const;
    char peek() const { return *p_; }
    qsizetype offset() const { return p_ - begin_; }

private:
    char *begin_;
    char *p_;
    char *end_;
};

// The text between two markers as it reads in memory: CR LF folded into LF (in place), then decoded from the
// local 8-bit code page. `exact`, if given, is cleared when the bytes are not the code page's (decoding and
// encoding again does not give them back): the text then shows, and would be written, with substitutes.
QString decode_text(char *begin, char *end, bool *exact = nullptr);

// One delimited text, decoded. False when the data ends before the text is complete; `text` then holds what
// there was of it (empty without an '@'). `exact` as for decode_text.
bool read_delimited_text(byte_scanner &in, QString &text, bool *exact = nullptr);

} // namespace paper
