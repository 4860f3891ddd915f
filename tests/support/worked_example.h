#pragma once

// The documented worked example of a problem file, with LF line ends: two single-choice questions worth 2 and 3,
// one multiple-choice question worth 4 (1.5 when incomplete) and one two-line non-choice question worth 10.

#include <QByteArray>

namespace harness {

inline QByteArray worked_example_lf()
{
    return QByteArrayLiteral("2 1 1\n"
                             "2\n"
                             "@1 + 1 = ? A. 1 B. 2 C. 3 D. 4$\n"
                             "3\n"
                             "@Which number is prime? A. 4 B. 6 C. 7 D. 9$\n"
                             "4 1.5\n"
                             "@Which numbers are even? A. 2 B. 3 C. 4 D. 5$\n"
                             "10\n"
                             "@Show that the sum of two even numbers is even.\n"
                             "Give every step.$\n");
}

} // namespace harness
