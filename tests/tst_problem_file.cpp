// The problem file reader: the documented layouts read exactly, and anything short of a whole paper refused.

#include "paper/problem_file.h"
#include "platform/local8bit.h"
#include "support/locales.h"
#include "support/worked_example.h"

#include <QTemporaryDir>
#include <QTest>

#include <clocale>

using namespace paper;

namespace {

const QByteArray worked_example = harness::worked_example_lf();

QByteArray with_crlf(QByteArray bytes)
{
    return bytes.replace("\n", "\r\n");
}

loaded_paper parsed(const QByteArray &bytes)
{
    loaded_paper paper;
    QString error;
    if (!parse_problem(bytes, paper, &error)) {
        qWarning("refused: %s", qPrintable(error));
    }
    return paper;
}

} // namespace

class tst_problem_file : public QObject {
    Q_OBJECT

private slots:
    void worked_example_reads_in_every_layout_data();
    void worked_example_reads_in_every_layout();
    void counts_alone_are_read_from_the_start();
    void texts_take_exactly_the_bytes_between_the_markers_data();
    void texts_take_exactly_the_bytes_between_the_markers();
    void numbers_take_every_documented_form();
    void zero_and_negative_counts_read_no_records();
    void texts_of_any_length_are_read_whole();
    void malformed_files_are_refused_with_a_reason_data();
    void malformed_files_are_refused_with_a_reason();
    void every_cut_of_a_paper_is_refused();
    void numbers_ignore_a_decimal_comma_locale();
    void installing_replaces_only_the_questions_read();
    void files_are_read_from_disk();
};

void tst_problem_file::worked_example_reads_in_every_layout_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("LF line ends") << worked_example;
    QTest::newRow("CR LF line ends") << with_crlf(worked_example);
    QByteArray own_lines = worked_example;
    own_lines.replace("2 1 1\n", "2\n1\n1\n").replace("4 1.5\n", "4\n1.5\n");
    QTest::newRow("every number on its own line") << with_crlf(own_lines);
    QByteArray spaced = worked_example;
    spaced.replace("2 1 1\n", " \t2\n\n  1 \t 1 \n\n").replace("4 1.5\n", "4\t\t1.5   \n\n");
    QTest::newRow("blanks, tabs and blank lines between numbers") << spaced;
    QTest::newRow("more lines after the last text") << worked_example + "0 0 0\n@more$\nrest";
}

void tst_problem_file::worked_example_reads_in_every_layout()
{
    QFETCH(QByteArray, bytes);
    loaded_paper paper;
    QString error;
    QVERIFY2(parse_problem(bytes, paper, &error), qPrintable(error));
    QCOMPARE(paper.counts.onech, 2);
    QCOMPARE(paper.counts.somech, 1);
    QCOMPARE(paper.counts.unch, 1);
    QCOMPARE(paper.onech.size(), std::size_t(2));
    QCOMPARE(paper.onech[0].score, 2.0);
    QCOMPARE(paper.onech[0].text, QStringLiteral("1 + 1 = ? A. 1 B. 2 C. 3 D. 4"));
    QCOMPARE(paper.onech[1].score, 3.0);
    QCOMPARE(paper.onech[1].text, QStringLiteral("Which number is prime? A. 4 B. 6 C. 7 D. 9"));
    QCOMPARE(paper.somech[0].full_score, 4.0);
    QCOMPARE(paper.somech[0].partial_score, 1.5);
    QCOMPARE(paper.somech[0].text, QStringLiteral("Which numbers are even? A. 2 B. 3 C. 4 D. 5"));
    QCOMPARE(paper.unch[0].score, 10.0);
    QCOMPARE(paper.unch[0].text, QStringLiteral("Show that the sum of two even numbers is even.\nGive every step."));
    // The partial score does not count: 2 + 3 + 4 + 10.
    QCOMPARE(paper.total_score, 19.0);
    QCOMPARE(paper.onech[0].answer, 0);
    QVERIFY(paper.unch[0].answer.isEmpty());
}

void tst_problem_file::counts_alone_are_read_from_the_start()
{
    problem_counts counts;
    QString error;
    QVERIFY(parse_problem_counts(worked_example, counts, &error));
    QCOMPARE(counts.onech, 2);
    QCOMPARE(counts.somech, 1);
    QCOMPARE(counts.unch, 1);
    // Nothing after the third number is looked at.
    QVERIFY(parse_problem_counts("2 1 2 whatever follows", counts, &error));
    QCOMPARE(counts.unch, 2);
    QVERIFY(!parse_problem_counts("2 1", counts, &error));
    QVERIFY(!parse_problem_counts("", counts, &error));
    QVERIFY(!parse_problem_counts("0 0 10003", counts, &error));
    QVERIFY2(error.contains(QStringLiteral("10002")), qPrintable(error));
}

void tst_problem_file::texts_take_exactly_the_bytes_between_the_markers_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("text");
    QTest::newRow("an empty text") << QByteArray("1 @$") << QString();
    QTest::newRow("a second @ is part of the text") << QByteArray("1 @@x$") << QStringLiteral("@x");
    QTest::newRow("bytes between the score and the @ are skipped") << QByteArray("5 xyz@abc$") << QStringLiteral("abc");
    QTest::newRow("a two-line text with CR LF has one LF") << QByteArray("1\r\n@a\r\nb$\r\n") << QStringLiteral("a\nb");
    QTest::newRow("a lone CR stays in the text") << QByteArray("1 @a\rb$") << QStringLiteral("a\rb");
    QTest::newRow("markup stays as written") << QByteArray("1 @<b>bold</b>$") << QStringLiteral("<b>bold</b>");
    QTest::newRow("8-bit text is decoded")
        << "1 @" + platform::to_local_8bit(QStringLiteral("题面")) + "$" << QStringLiteral("题面");
    QTest::newRow("a $ between score and text is skipped") << QByteArray("1 $ @t$") << QStringLiteral("t");
}

void tst_problem_file::texts_take_exactly_the_bytes_between_the_markers()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, text);
    const loaded_paper paper = parsed("1 0 0 " + record);
    QCOMPARE(paper.onech.size(), std::size_t(1));
    QCOMPARE(paper.onech[0].text, text);
}

void tst_problem_file::numbers_take_every_documented_form()
{
    const loaded_paper paper = parsed("+2 1 1  -0.5 @a$  .5e1 @b$  2. +3 @c$  1E-1 @d$");
    QCOMPARE(paper.counts.onech, 2);
    QCOMPARE(paper.onech.at(0).score, -0.5);
    QCOMPARE(paper.onech.at(1).score, 5.0);
    QCOMPARE(paper.somech.at(0).full_score, 2.0);
    QCOMPARE(paper.somech.at(0).partial_score, 3.0);
    QCOMPARE(paper.unch.at(0).score, 0.1);
    QCOMPARE(paper.unch.at(0).text, QStringLiteral("d"));
    QCOMPARE(paper.total_score, -0.5 + 5.0 + 2.0 + 0.1);
}

void tst_problem_file::zero_and_negative_counts_read_no_records()
{
    loaded_paper paper = parsed("0 0 0");
    QCOMPARE(paper.total_score, 0.0);
    QVERIFY(paper.onech.empty() && paper.somech.empty() && paper.unch.empty());
    paper = parsed("-1 1 -7\n4 1.5\n@q$");
    QCOMPARE(paper.counts.onech, -1);
    QCOMPARE(paper.counts.unch, -7);
    QCOMPARE(paper.somech.size(), std::size_t(1));
    QCOMPARE(paper.somech[0].text, QStringLiteral("q"));
    QCOMPARE(paper.total_score, 4.0);
}

void tst_problem_file::texts_of_any_length_are_read_whole()
{
    const QByteArray line = platform::to_local_8bit(QStringLiteral("题 line")) + "\r\n"; // 10 bytes in UTF-8
    QByteArray text;
    for (int i = 0; i < 30000; ++i) {
        text += line; // about 300,000 bytes
    }
    const loaded_paper paper = parsed("0 0 1 9 @" + text + "$");
    QCOMPARE(paper.unch.size(), std::size_t(1));
    QCOMPARE(paper.unch[0].text.size(), 30000 * 7);
    QVERIFY(paper.unch[0].text.endsWith(QStringLiteral("题 line\n")));
}

void tst_problem_file::malformed_files_are_refused_with_a_reason_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QString counts = QStringLiteral("三个题目数量");
    const QString score = QStringLiteral("分数");
    const QString marker = QStringLiteral("“@”");
    QTest::newRow("an empty file") << QByteArray() << counts;
    QTest::newRow("only two counts") << QByteArray("2 1") << counts;
    QTest::newRow("a count that is not a number") << QByteArray("2 x 1") << counts;
    QTest::newRow("a count beyond 32 bits") << QByteArray("0 0 99999999999") << counts;
    QTest::newRow("more than 10002 single-choice questions") << QByteArray("10003 0 0") << QStringLiteral("10002");
    QTest::newRow("more than 10002 non-choice questions") << QByteArray("0 0 2147483647") << QStringLiteral("10002");
    QTest::newRow("a missing score") << QByteArray("1 0 0\n@q$") << score;
    QTest::newRow("a score that is not a number") << QByteArray("1 0 0 two @q$") << score;
    QTest::newRow("an infinite score") << QByteArray("1 0 0 inf @q$") << score;
    QTest::newRow("a score beyond double") << QByteArray("1 0 0 1e999 @q$") << score;
    QTest::newRow("a text between the two scores") << QByteArray("0 1 0 4 @q$ 1 @r$") << score;
    QTest::newRow("no @ before the end") << QByteArray("1 0 0 2 question") << marker;
    QTest::newRow("no $ before the end") << QByteArray("1 0 0 2 @question") << marker;
    QTest::newRow("fewer records than counted") << QByteArray("2 0 0 2 @a$") << score;
    QTest::newRow("a $ inside a text reads the rest as a score") << QByteArray("2 0 0 2 @costs $ five$ 3 @b$") << score;
}

void tst_problem_file::malformed_files_are_refused_with_a_reason()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    loaded_paper paper;
    paper.counts.onech = 77; // a refused file leaves what it was given alone
    QString error;
    QVERIFY(!parse_problem(bytes, paper, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(paper.counts.onech, 77);
}

void tst_problem_file::every_cut_of_a_paper_is_refused()
{
    const QByteArray whole = with_crlf(worked_example);
    const int last_dollar = whole.lastIndexOf('$');
    for (int size = 0; size < whole.size(); ++size) {
        loaded_paper paper;
        QString error;
        const bool read = parse_problem(whole.left(size), paper, &error);
        QCOMPARE(read, size > last_dollar);
    }
}

void tst_problem_file::numbers_ignore_a_decimal_comma_locale()
{
    QString why;
    if (!harness::ensure_locale("de_DE.UTF-8", "de_DE", "UTF-8", &why)) {
        QSKIP(qPrintable(why));
    }
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
    const loaded_paper paper = parsed(worked_example);
    const loaded_paper comma = parsed("0 1 0 4,5 1 @q$");
    std::setlocale(LC_ALL, "C");
    QCOMPARE(paper.somech.at(0).partial_score, 1.5);
    QCOMPARE(paper.total_score, 19.0);
    QVERIFY(comma.somech.empty()); // "4,5" is no number here, whatever the locale
}

void tst_problem_file::installing_replaces_only_the_questions_read()
{
    store.onech_items[3].text = QStringLiteral("an earlier paper's third question");
    store.onech_items[1].answer = 4;
    install_paper(parsed(worked_example));
    QCOMPARE(store.onech_count, 2);
    QCOMPARE(store.somech_count, 1);
    QCOMPARE(store.unch_count, 1);
    QCOMPARE(store.onech_items[1].text, QStringLiteral("1 + 1 = ? A. 1 B. 2 C. 3 D. 4"));
    QCOMPARE(store.onech_items[1].answer, 0); // answers come with the paper
    QCOMPARE(store.somech_items[1].partial_score, 1.5);
    QCOMPARE(store.onech_items[3].text, QStringLiteral("an earlier paper's third question"));
    QVERIFY(store.onech_items[0].text.isEmpty());
}

void tst_problem_file::files_are_read_from_disk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("problem.prb"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(with_crlf(worked_example));
    file.close();
    loaded_paper paper;
    problem_counts counts;
    QString error;
    QVERIFY(read_problem_file(path, paper, &error));
    QCOMPARE(paper.total_score, 19.0);
    QVERIFY(read_problem_counts(path, counts, &error));
    QCOMPARE(counts.onech, 2);
    QVERIFY(!read_problem_file(dir.filePath(QStringLiteral("none.prb")), paper, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(tst_problem_file)
#include "tst_problem_file.moc"
