// The paper store at start-up, and the paths derived from an answer file's path.

#include "paper/paper_paths.h"
#include "paper/paper_store.h"

#include <QTest>

using namespace paper;

class tst_paper_store : public QObject {
    Q_OBJECT

private slots:
    void starts_empty();
    void option_bits_are_a_to_f();
    void paths_are_derived_from_the_answer_file_data();
    void paths_are_derived_from_the_answer_file();
    void paths_longer_than_the_store_are_refused();
    void stored_path_reads_back_and_clears();
};

void tst_paper_store::starts_empty()
{
    // Nothing has touched the store in this process yet.
    QCOMPARE(store.onech_count, 0);
    QCOMPARE(store.somech_count, 0);
    QCOMPARE(store.unch_count, 0);
    QCOMPARE(store.onech_cur, 0);
    QCOMPARE(store.somech_cur, 0);
    QCOMPARE(store.unch_cur, 0);
    QCOMPARE(static_cast<int>(store.onech_items.size()), 10003);
    QCOMPARE(static_cast<int>(store.somech_items.size()), 10003);
    QCOMPARE(static_cast<int>(store.unch_items.size()), 10003);
    for (const auto &item : store.onech_items) {
        QVERIFY(item.score == 0.0 && item.answer == 0 && item.text.isEmpty());
    }
    for (const auto &item : store.somech_items) {
        QVERIFY(item.full_score == 0.0 && item.partial_score == 0.0 && item.answer == 0 && item.text.isEmpty());
    }
    for (const auto &item : store.unch_items) {
        QVERIFY(item.score == 0.0 && item.text.isEmpty() && item.answer.isEmpty());
    }
    QCOMPARE(static_cast<int>(store.paper_path.size()), 10003);
    QVERIFY(std::all_of(store.paper_path.begin(), store.paper_path.end(), [](char c) { return c == 0; }));
    QVERIFY(std::all_of(store.problem_path.begin(), store.problem_path.end(), [](char c) { return c == 0; }));
}

void tst_paper_store::option_bits_are_a_to_f()
{
    QCOMPARE(option_bits, (std::array<qint32, 6>{1, 2, 4, 8, 16, 32}));
    const std::array<bool, 6> a_c_f{true, false, true, false, false, true};
    QCOMPARE(mask_from_options([&](std::size_t i) { return a_c_f[i]; }), 37);
    QVERIFY(option_set(65, 0));
    QVERIFY(!option_set(64, 0) && !option_set(64, 5));
}

void tst_paper_store::paths_are_derived_from_the_answer_file_data()
{
    QTest::addColumn<QByteArray>("paper");
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("slashes") << QByteArray("D:/exam/class1/a.stu") << QByteArray("D:/exam/class1/problem.prb")
                             << QByteArray("a");
    QTest::newRow("backslashes") << QByteArray("D:\\exam\\s01.stu") << QByteArray("D:\\exam\\problem.prb")
                                 << QByteArray("s01");
    QTest::newRow("the last of mixed separators")
        << QByteArray("/exam/x\\b.stu") << QByteArray("/exam/x\\problem.prb") << QByteArray("b");
    QTest::newRow("no extension loses four bytes")
        << QByteArray("/exam/answers") << QByteArray("/exam/problem.prb") << QByteArray("ans");
    QTest::newRow("a name of four bytes is empty")
        << QByteArray("/exam/a.st") << QByteArray("/exam/problem.prb") << QByteArray();
    QTest::newRow("a path ending with a separator")
        << QByteArray("/exam/") << QByteArray("/exam/problem.prb") << QByteArray();
    QTest::newRow("no separator at all") << QByteArray("s02.stu") << QByteArray("problem.prb") << QByteArray("s02");
    QTest::newRow("an empty path") << QByteArray() << QByteArray("problem.prb") << QByteArray();
    QTest::newRow("8-bit name") << QByteArray("/k/\xe5\xbc\xa0\xe4\xb8\x89.stu") << QByteArray("/k/problem.prb")
                                << QByteArray("\xe5\xbc\xa0\xe4\xb8\x89");
}

void tst_paper_store::paths_are_derived_from_the_answer_file()
{
    QFETCH(QByteArray, paper);
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, name);
    const answer_paths paths = derive_answer_paths(paper);
    QCOMPARE(paths.paper_path, paper);
    QCOMPARE(paths.problem_path, problem);
    QCOMPARE(paths.student_name, name);
}

void tst_paper_store::paths_longer_than_the_store_are_refused()
{
    const QByteArray folder = "/" + QByteArray(9980, 'd') + "/";
    QVERIFY(paths_fit_store(derive_answer_paths(folder + QByteArray(10002 - folder.size(), 'n'))));
    QVERIFY(!paths_fit_store(derive_answer_paths(folder + QByteArray(10003 - folder.size(), 'n'))));
    // The answer file fits, but its folder leaves no room for "problem.prb".
    const QByteArray deep = "/" + QByteArray(9995, 'd') + "/";
    QVERIFY(!paths_fit_store(derive_answer_paths(deep + "a.stu")));
}

void tst_paper_store::stored_path_reads_back_and_clears()
{
    path_array path;
    path.fill('x');
    set_path(path, QByteArray("/exam/a.stu"));
    QCOMPARE(path_bytes(path), QByteArray("/exam/a.stu"));
    QVERIFY(std::all_of(path.begin() + 11, path.end(), [](char c) { return c == 0; }));
    set_path(path, QByteArray(10002, 'p'));
    QCOMPARE(path_bytes(path).size(), 10002);
    QCOMPARE(path.back(), '\0');
    clear_path(path);
    QVERIFY(path_bytes(path).isEmpty());
    QVERIFY(path_name(path).isEmpty());
}

QTEST_GUILESS_MAIN(tst_paper_store)
#include "tst_paper_store.moc"
