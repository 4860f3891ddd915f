// Opening an answer paper through the real button and file dialog.

#include "app/vq_stu.h"
#include "commands/answer_recovery.h"
#include "paper/paper_paths.h"
#include "paper/paper_store.h"
#include "paper/recovery_record.h"
#include "platform/local8bit.h"
#include "support/window_harness.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLCDNumber>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace harness;
using paper::store;

namespace {

QString label(QWidget *w, const char *name)
{
    return find<QLabel>(w, name)->text();
}

bool on(QWidget *w, const char *name)
{
    return widget(w, name)->isEnabled();
}

const QByteArray initial_worked = "0\r\n0\r\n0\r\n@$\r\n";

QString record_of(const QString &answer_file)
{
    return recovery_folder() + QLatin1Char('/') + paper::record_file_name(QFileInfo(answer_file).canonicalFilePath());
}

// The exam folder holds the paper and nothing the program keeps for itself.
QStringList exam_folder(const QString &answer_file)
{
    return QFileInfo(answer_file).dir().entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class tst_open_paper : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir::setCurrent(QStringLiteral(VQ_EXAMPLES_DIR)); }
    void worked_example_opens_at_question_one_of_every_page();
    void stored_answers_are_shown_data();
    void stored_answers_are_shown();
    void student_name_is_the_file_name_less_four_bytes_data();
    void student_name_is_the_file_name_less_four_bytes();
    void a_backslash_separates_folder_and_name();
    void a_paper_without_questions_enables_only_close_and_save();
    void a_non_choice_paper_leaves_the_choice_pages_closed();
    void a_cancelled_dialog_changes_nothing();
    void a_missing_problem_file_leaves_the_open_paper_as_it_was();
    void a_refused_problem_file_is_explained_and_changes_nothing();
    void a_smaller_paper_replaces_every_page_of_the_first();
    void the_problem_file_is_never_taken_for_an_answer_file_data();
    void the_problem_file_is_never_taken_for_an_answer_file();
    void a_damaged_answer_file_opens_and_says_so();
    void files_in_another_encoding_are_told_once_data();
    void files_in_another_encoding_are_told_once();
    void the_sample_paper_opens();
    void unsaved_answers_are_offered_back_to_their_own_paper_only_data();
    void unsaved_answers_are_offered_back_to_their_own_paper_only();
    void unsaved_answers_come_back_after_the_program_is_killed();
};

void tst_open_paper::worked_example_opens_at_question_one_of_every_page()
{
    QTemporaryDir dir;
    const QString path =
        make_paper(dir.path(), QStringLiteral("c1"), worked_problem(), QStringLiteral("s01.stu"), initial_worked);
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, path);
    QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
    QCOMPARE(dialogs.seen.size(), 1);
    QCOMPARE(dialogs.seen[0].caption, QStringLiteral("新建答卷文件"));
    QCOMPARE(dialogs.seen[0].directory, QDir::currentPath());
    QCOMPARE(dialogs.seen[0].filters, QStringList{QStringLiteral("*.stu")});
    QVERIFY(!dialogs.seen[0].save);
    QVERIFY(!dialogs.seen[0].has_parent);

    QCOMPARE(paper::path_name(store.paper_path), path);
    QCOMPARE(paper::path_name(store.problem_path), dir.path() + QStringLiteral("/c1/problem.prb"));
    QCOMPARE(label(w, "lname"), QStringLiteral("s01"));
    QCOMPARE(label(w, "lone"), QStringLiteral("2"));
    QCOMPARE(label(w, "lsome"), QStringLiteral("1"));
    QCOMPARE(label(w, "lnot"), QStringLiteral("1"));
    QCOMPARE(label(w, "ltotal"), QStringLiteral("19.000"));
    QCOMPARE(find<QLabel>(w, "ltotal")->textFormat(), Qt::PlainText);
    QVERIFY(on(w, "close_paper") && on(w, "save_paper") && on(w, "new_paper") && on(w, "open_paper"));
    QCOMPARE(find<QTabWidget>(w, "tabWidget")->currentIndex(), 0);

    QCOMPARE(store.onech_cur, 1);
    QCOMPARE(lcd(w, "onech_num"), 1.0);
    QCOMPARE(shown(w, "onech_pro"), QStringLiteral("1 + 1 = ? A. 1 B. 2 C. 3 D. 4"));
    QCOMPARE(lcd(w, "onech_score"), 2.0);
    QCOMPARE(checked(w, "onech"), QString());
    for (const char *name :
         {"onech_last", "onech_next", "onech_pro", "onech_save", "onech_score", "onech_A", "onech_F"}) {
        QVERIFY2(on(w, name), name);
    }
    QCOMPARE(store.somech_cur, 1);
    QCOMPARE(lcd(w, "somech_num"), 1.0);
    QCOMPARE(lcd(w, "somech_scrig"), 4.0);
    QCOMPARE(lcd(w, "somech_scsom"), 1.5);
    QCOMPARE(checked(w, "somech"), QString());
    for (const char *name : {"somech_last", "somech_next", "somech_pro_in", "somech_save", "somech_scrig",
                             "somech_scsom", "somech_A", "somech_F"}) {
        QVERIFY2(on(w, name), name);
    }
    QCOMPARE(store.unch_cur, 1);
    QCOMPARE(lcd(w, "unch_num"), 1.0);
    QCOMPARE(shown(w, "unch_pro"), QStringLiteral("Show that the sum of two even numbers is even.\nGive every step."));
    QCOMPARE(lcd(w, "unch_score"), 10.0);
    QCOMPARE(shown(w, "unch_ans_in"), QString());
    for (const char *name : {"unch_ans_in", "unch_last", "unch_next", "unch_pro", "unch_save", "unch_score"}) {
        QVERIFY2(on(w, name), name);
    }
}

void tst_open_paper::stored_answers_are_shown_data()
{
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QString>("onech_1");
    QTest::addColumn<QString>("onech_2");
    QTest::addColumn<QString>("somech_1");
    QTest::addColumn<QString>("unch_1");
    QTest::newRow("two bits show two radio buttons, 64 shows none")
        << QByteArray("3\r\n64\r\n65\r\n@first line\r\nsecond @ line$\r\n") << QStringLiteral("AB") << QString()
        << QStringLiteral("A") << QStringLiteral("first line\nsecond @ line");
    QTest::newRow("F alone and all six") << QByteArray("32\r\n0\r\n63\r\n@$\r\n") << QStringLiteral("F") << QString()
                                         << QStringLiteral("ABCDEF") << QString();
    QTest::newRow("negative masks show their option bits") << QByteArray("-1 -64 -63 @x$") << QStringLiteral("ABCDEF")
                                                           << QString() << QStringLiteral("A") << QStringLiteral("x");
}

void tst_open_paper::stored_answers_are_shown()
{
    QFETCH(QByteArray, answers);
    QFETCH(QString, onech_1);
    QFETCH(QString, onech_2);
    QFETCH(QString, somech_1);
    QFETCH(QString, unch_1);
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), worked_problem(), QStringLiteral("a.stu"), answers);
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, path);
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(checked(w, "onech"), onech_1);
    QCOMPARE(checked(w, "somech"), somech_1);
    QCOMPARE(shown(w, "unch_ans_in"), unch_1);
    // The masks are held as read until the page stores new ones.
    const qint32 first = store.onech_items[1].answer;
    click(w, "onech_next");
    QCOMPARE(checked(w, "onech"), onech_2);
    QVERIFY(onech_1 != QLatin1String("AB") || first == 3);
}

void tst_open_paper::student_name_is_the_file_name_less_four_bytes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("with the extension") << QStringLiteral("s01.stu") << QStringLiteral("s01");
    QTest::newRow("without any extension") << QStringLiteral("answers") << QStringLiteral("ans");
    QTest::newRow("four bytes give an empty name") << QStringLiteral("a.st") << QString();
    QTest::newRow("a Chinese name") << QStringLiteral("张三.stu") << QStringLiteral("张三");
#ifndef Q_OS_WIN // Windows file names cannot hold < or >
    QTest::newRow("markup-looking names show as they are") << QStringLiteral("<b>li.stu") << QStringLiteral("<b>li");
#endif
}

void tst_open_paper::student_name_is_the_file_name_less_four_bytes()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), worked_problem(), file, initial_worked);
    window_fixture f;
    dialog_driver dialogs;
    open_paper(&f.window(), dialogs, path);
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(label(&f.window(), "lname"), name);
    QCOMPARE(find<QLabel>(&f.window(), "lname")->textFormat(), Qt::PlainText);
}

void tst_open_paper::a_backslash_separates_folder_and_name()
{
    // On Linux a backslash is an ordinary character of a file name, so "x\s02.stu" in the folder names the folder
    // "x\" to the program, whose problem file is "x\problem.prb" beside it; on Windows "x" is a folder.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("x")));
    write_bytes(dir.filePath(QStringLiteral("x\\problem.prb")), worked_problem());
    const QString path = make_paper(dir.path(), QString(), QByteArray(), QStringLiteral("x\\s02.stu"), initial_worked);
    window_fixture f;
    dialog_driver dialogs;
    open_paper(&f.window(), dialogs, path);
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(label(&f.window(), "lname"), QStringLiteral("s02"));
    QCOMPARE(QDir::fromNativeSeparators(paper::path_name(store.problem_path)),
             QDir::fromNativeSeparators(dir.filePath(QStringLiteral("x\\problem.prb"))));
    QCOMPARE(label(&f.window(), "ltotal"), QStringLiteral("19.000"));
}

void tst_open_paper::a_paper_without_questions_enables_only_close_and_save()
{
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), "0 0 0\r\n", QStringLiteral("e.stu"), QByteArray());
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, path);
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(label(w, "lone"), QStringLiteral("0"));
    QCOMPARE(label(w, "lsome"), QStringLiteral("0"));
    QCOMPARE(label(w, "lnot"), QStringLiteral("0"));
    QCOMPARE(label(w, "ltotal"), QStringLiteral("0.000"));
    QVERIFY(on(w, "close_paper") && on(w, "save_paper"));
    for (const char *name : {"onech_next", "onech_A", "somech_save", "somech_B", "unch_ans_in", "unch_next"}) {
        QVERIFY2(!on(w, name), name);
    }
    QCOMPARE(store.onech_cur + store.somech_cur + store.unch_cur, 0);
}

void tst_open_paper::a_non_choice_paper_leaves_the_choice_pages_closed()
{
    QTemporaryDir dir;
    const QString path =
        make_paper(dir.path(), QString(), "0 0 2 5 @one$ 7 @two$", QStringLiteral("n.stu"), "@a$\r\n@b$\r\n");
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    // A new paper first: the closed single-choice page keeps the problem file's path that it shows.
    dialogs.choose_file(dir.filePath(QStringLiteral("fresh.stu")));
    click(w, "new_paper");
    open_paper(w, dialogs, path);
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(shown(w, "onech_pro"), dir.filePath(QStringLiteral("problem.prb")));
    QVERIFY(!on(w, "onech_pro") && !on(w, "onech_next") && !on(w, "somech_pro_in") && !on(w, "somech_A"));
    QVERIFY(on(w, "unch_ans_in"));
    QCOMPARE(shown(w, "unch_ans_in"), QStringLiteral("a"));
    QCOMPARE(label(w, "ltotal"), QStringLiteral("12.000"));
}

void tst_open_paper::a_cancelled_dialog_changes_nothing()
{
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), worked_problem(), QStringLiteral("a.stu"), initial_worked);
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    const QStringList fresh = snapshot(w);
    dialogs.cancel_file_dialog();
    click(w, "open_paper");
    QCOMPARE(snapshot(w), fresh);
    open_paper(w, dialogs, path);
    const QStringList opened = snapshot(w);
    dialogs.cancel_file_dialog();
    click(w, "open_paper");
    QCOMPARE(snapshot(w), opened);
    QVERIFY(dialogs.problems().isEmpty());
}

void tst_open_paper::a_missing_problem_file_leaves_the_open_paper_as_it_was()
{
    QTemporaryDir dir;
    const QString first = make_paper(dir.path(), QStringLiteral("one"), worked_problem(), QStringLiteral("a.stu"),
                                     "2\r\n0\r\n0\r\n@$\r\n");
    const QString stray =
        make_paper(dir.path(), QStringLiteral("two"), QByteArray(), QStringLiteral("b.stu"), "untouched");
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, first);
    click_option(w, "onech_D");
    click(w, "onech_save");
    const QStringList before = snapshot(w);
    dialogs.choose_file(stray);
    dialogs.answer_message();
    click(w, "open_paper");
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(dialogs.seen.last().caption, QStringLiteral("提示"));
    QCOMPARE(dialogs.seen.last().text, QStringLiteral("新建文件所在的文件夹下缺少problem.prb文件"));
    QCOMPARE(dialogs.seen.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(snapshot(w), before);
    // A later save still writes the open paper's own file, never the one chosen last.
    click(w, "save_paper");
    QCOMPARE(read_bytes(first), QByteArray("8\r\n0\r\n0\r\n@$\r\n"));
    QCOMPARE(read_bytes(stray), QByteArray("untouched"));
}

void tst_open_paper::a_refused_problem_file_is_explained_and_changes_nothing()
{
    QTemporaryDir dir;
    const QString first =
        make_paper(dir.path(), QStringLiteral("one"), worked_problem(), QStringLiteral("a.stu"), initial_worked);
    const QString cut = make_paper(dir.path(), QStringLiteral("cut"), "3 0 0\r\n1 @q1$\r\n2 @q2",
                                   QStringLiteral("b.stu"), "0\r\n0\r\n0\r\n");
    const QString huge = make_paper(dir.path(), QStringLiteral("huge"), "20000 0 0\r\n", QStringLiteral("c.stu"), "");
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, first);
    const QStringList before = snapshot(w);
    dialogs.choose_file(cut);
    dialogs.answer_message();
    click(w, "open_paper");
    QVERIFY2(dialogs.seen.last().text.contains(QStringLiteral("第 2 道单选题")), qPrintable(dialogs.seen.last().text));
    QVERIFY(dialogs.seen.last().text.contains(QStringLiteral("没有打开")));
    dialogs.choose_file(huge);
    dialogs.answer_message();
    click(w, "open_paper");
    QVERIFY2(dialogs.seen.last().text.contains(QStringLiteral("10002")), qPrintable(dialogs.seen.last().text));
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(snapshot(w), before);
}

void tst_open_paper::a_smaller_paper_replaces_every_page_of_the_first()
{
    QTemporaryDir dir;
    const QByteArray big_problem = "3 2 2 1 @o1$ 1 @o2$ 1 @o3$ 2 1 @s1$ 2 1 @s2$ 5 @u1$ 5 @u2$";
    const QString big =
        make_paper(dir.path(), QStringLiteral("big"), big_problem, QStringLiteral("a.stu"), "1 2 4 1 2 @x$ @y$");
    const QString small =
        make_paper(dir.path(), QStringLiteral("small"), "1 0 0 9 @only$", QStringLiteral("b.stu"), "16\r\n");
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, big);
    click(w, "onech_next");
    click(w, "onech_next");
    click(w, "somech_next");
    click(w, "unch_next");
    QCOMPARE(store.onech_cur, 3);
    open_paper(w, dialogs, small);
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(store.onech_cur, 1);
    QCOMPARE(shown(w, "onech_pro"), QStringLiteral("only"));
    QCOMPARE(checked(w, "onech"), QStringLiteral("E"));
    // The pages of types the new paper lacks are closed, not left on the old paper's questions.
    QCOMPARE(store.somech_cur, 0);
    QCOMPARE(store.unch_cur, 0);
    QVERIFY(!on(w, "somech_next") && !on(w, "somech_A") && !on(w, "unch_ans_in") && !on(w, "unch_save"));
    QCOMPARE(shown(w, "somech_pro_in"), QString());
    QCOMPARE(shown(w, "unch_ans_in"), QString());
    QCOMPARE(lcd(w, "somech_num"), 0.0);
    click(w, "save_paper");
    QCOMPARE(read_bytes(small), QByteArray("16\r\n"));
}

void tst_open_paper::the_problem_file_is_never_taken_for_an_answer_file_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("link"); // "symbolic" or "hard": `chosen` is made a link to the problem file
    QTest::newRow("problem.prb opened") << QByteArray("open_paper") << QStringLiteral("problem.prb") << QString();
    QTest::newRow("problem.prb as a new paper")
        << QByteArray("new_paper") << QStringLiteral("problem.prb") << QString();
#ifdef Q_OS_WIN // where QFile::link makes a shell shortcut, not a link of the file system
    QTest::newRow("its name in capitals, as a new paper")
        << QByteArray("new_paper") << QStringLiteral("PROBLEM.PRB") << QString();
#else
    QTest::newRow("a symbolic link to it, opened")
        << QByteArray("open_paper") << QStringLiteral("link.stu") << QStringLiteral("symbolic");
    QTest::newRow("a symbolic link to it from another folder, opened")
        << QByteArray("open_paper") << QStringLiteral("elsewhere/link.stu") << QStringLiteral("symbolic");
    QTest::newRow("a second name of it (a hard link), as a new paper")
        << QByteArray("new_paper") << QStringLiteral("second.stu") << QStringLiteral("hard");
#endif
}

void tst_open_paper::the_problem_file_is_never_taken_for_an_answer_file()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, chosen);
    QFETCH(QString, link);
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), worked_problem(), QStringLiteral("a.stu"), initial_worked);
    const QString problem = dir.filePath(QStringLiteral("problem.prb"));
    const QString target = dir.filePath(chosen);
    QVERIFY(QDir().mkpath(QFileInfo(target).path()));
    if (link == QLatin1String("symbolic")) {
        QVERIFY(QFile::link(problem, target));
    }
#ifndef Q_OS_WIN
    if (link == QLatin1String("hard")) {
        QVERIFY(::link(QFile::encodeName(problem).constData(), QFile::encodeName(target).constData()) == 0);
    }
#endif
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, path);
    const QStringList before = snapshot(w);
    dialogs.choose_file(target);
    dialogs.answer_message();
    click(w, button.constData());
    QVERIFY(dialogs.problems().isEmpty());
    QVERIFY2(dialogs.seen.last().text.contains(QStringLiteral("题目文件（problem.prb），不是答卷文件")),
             qPrintable(dialogs.seen.last().text));
    QStringList expected = before;
    if (button == "new_paper") { // a new paper shows the problem file's path first, before any test
        for (QString &line : expected) {
            if (line.startsWith(QLatin1String("onech_pro "))) {
                line = line.section(QLatin1Char(' '), 0, 1) + QLatin1Char(' ') + problem;
            }
        }
    }
    QCOMPARE(snapshot(w), expected);
    QCOMPARE(read_bytes(problem), worked_problem());
    click(w, "save_paper");
    QCOMPARE(read_bytes(problem), worked_problem());
}

void tst_open_paper::a_damaged_answer_file_opens_and_says_so()
{
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), worked_problem(), QStringLiteral("d.stu"), "4\r\n");
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    dialogs.choose_file(path);
    dialogs.answer_message();
    click(w, "open_paper");
    QVERIFY(dialogs.problems().isEmpty());
    QVERIFY(dialogs.seen.last().text.contains(QStringLiteral("不完整")));
    QCOMPARE(checked(w, "onech"), QStringLiteral("C"));
    QCOMPARE(checked(w, "somech"), QString());
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("4\r\n0\r\n0\r\n@$\r\n"));
}

void tst_open_paper::files_in_another_encoding_are_told_once_data()
{
    // Under a UTF-8 code page (the tests' C.UTF-8), GBK bytes (考试 = BF BC CA D4) do not decode; under GBK
    // (Chinese Windows) the byte FF does not.
    const QByteArray foreign =
        platform::local_8bit_name() == QLatin1String("UTF-8") ? "\xbf\xbc\xca\xd4" : "\xbf\xbc\xff";
    const QByteArray own = platform::to_local_8bit(QStringLiteral("考试"));
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QStringList>("named");
    QTest::newRow("answers from Chinese Windows") << "0 0 1 5 @" + own + "$"
                                                  << "@" + foreign + "$\r\n"
                                                  << QStringList{QStringLiteral("g.stu")};
    QTest::newRow("questions from Chinese Windows") << "1 0 1 2 @" + foreign + "$ 5 @a$"
                                                    << "0\r\n@" + own + "$\r\n"
                                                    << QStringList{QStringLiteral("problem.prb")};
    QTest::newRow("both files") << "0 0 1 5 @" + foreign + "$"
                                << "@" + foreign + "$\r\n"
                                << QStringList{QStringLiteral("problem.prb"), QStringLiteral("g.stu")};
}

void tst_open_paper::files_in_another_encoding_are_told_once()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answers);
    QFETCH(QStringList, named);
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), problem, QStringLiteral("g.stu"), answers);
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    dialogs.choose_file(path);
    dialogs.answer_message();
    click(w, "open_paper");
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(dialogs.seen.size(), 2); // the file dialog and one notice
    const seen_dialog &told = dialogs.seen.last();
    QCOMPARE(told.caption, QStringLiteral("提示"));
    for (const QString &file : {QStringLiteral("problem.prb"), QStringLiteral("g.stu")}) {
        QCOMPARE(told.text.contains(QDir::toNativeSeparators(dir.filePath(file))), named.contains(file));
    }
#ifdef Q_OS_WIN
    const QString how = QStringLiteral("Windows"); // open it on a Windows of the file's encoding
#else
    const QString how = QStringLiteral("LANG=zh_CN.GB18030"); // start the program under the file's encoding
#endif
    QVERIFY2(told.text.contains(how), qPrintable(told.text));
    QCOMPARE(label(w, "lname"), QStringLiteral("g")); // opened as always
}

void tst_open_paper::the_sample_paper_opens()
{
    if (platform::local_8bit_name() != QLatin1String("UTF-8")) {
        QSKIP("the sample paper is written in UTF-8");
    }
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, QStringLiteral(VQ_EXAMPLES_DIR "/张三.stu"));
    QVERIFY(dialogs.problems().isEmpty());
    QCOMPARE(label(w, "lname"), QStringLiteral("张三"));
    QCOMPARE(label(w, "lone"), QStringLiteral("4"));
    QCOMPARE(label(w, "ltotal"), QStringLiteral("53.000"));
    QCOMPARE(checked(w, "onech"), QStringLiteral("C"));
    QVERIFY(shown(w, "unch_ans_in").startsWith(QStringLiteral("设两个偶数")));
}

void tst_open_paper::unsaved_answers_are_offered_back_to_their_own_paper_only_data()
{
    QTest::addColumn<QString>("after");   // what happened after B was chosen and "typed" typed
    QTest::addColumn<QString>("said");    // part of what the reopening asks or tells; empty: nothing
    QTest::addColumn<int>("reply");       // to the question
    QTest::addColumn<QByteArray>("file"); // the answer file after the reopening
    QTest::addColumn<QString>("answers"); // the single-choice option and the answer box after it
    QTest::addColumn<QString>("record");  // "none", "kept" (the record of the paper) or "aside"
    const int yes = int(box_answer::yes);
    const int no = int(box_answer::no);
    const int ok = int(box_answer::ok);
    QTest::newRow("saved: nothing is asked")
        << QStringLiteral("saved") << QString() << ok << QByteArray("2\r\n0\r\n0\r\n@typed$\r\n")
        << QStringLiteral("B typed") << QStringLiteral("none");
    QTest::newRow("saved with text left in the box")
        << QStringLiteral("saved, box not stored") << QStringLiteral("1 道题") << yes
        << QByteArray("2\r\n0\r\n0\r\n@$\r\n") << QStringLiteral("B typed") << QStringLiteral("kept");
    QTest::newRow("closed: the student agreed to lose them")
        << QStringLiteral("closed") << QString() << ok << initial_worked << QStringLiteral(" ")
        << QStringLiteral("none");
    QTest::newRow("another paper opened over it, restored")
        << QStringLiteral("replaced") << QStringLiteral("2 道题") << yes << initial_worked << QStringLiteral("B typed")
        << QStringLiteral("kept");
    QTest::newRow("another paper opened over it, declined")
        << QStringLiteral("replaced") << QStringLiteral("2 道题") << no << initial_worked << QStringLiteral(" ")
        << QStringLiteral("none");
    QTest::newRow("the problem file changed since")
        << QStringLiteral("problem changed") << QStringLiteral("另一份试题") << ok << initial_worked
        << QStringLiteral(" ") << QStringLiteral("aside");
    QTest::newRow("a damaged record") << QStringLiteral("record damaged") << QStringLiteral("损坏") << ok
                                      << initial_worked << QStringLiteral(" ") << QStringLiteral("aside");
}

void tst_open_paper::unsaved_answers_are_offered_back_to_their_own_paper_only()
{
    QFETCH(QString, after);
    QFETCH(QString, said);
    QFETCH(int, reply);
    QFETCH(QByteArray, file);
    QFETCH(QString, answers);
    QFETCH(QString, record);
    QTemporaryDir dir;
    const QString path =
        make_paper(dir.path(), QStringLiteral("exam"), worked_problem(), QStringLiteral("a.stu"), initial_worked);
    const QString other =
        make_paper(dir.path(), QStringLiteral("other"), worked_problem(), QStringLiteral("b.stu"), initial_worked);
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, path);
    choose(w, "onech", QStringLiteral("B"));
    click(w, "onech_next");
    type_answer(w, QStringLiteral("typed"));
    if (after == QLatin1String("saved")) {
        click(w, "unch_save");
    }
    if (after.startsWith(QLatin1String("saved"))) {
        click(w, "save_paper");
    }
    if (after == QLatin1String("closed")) {
        dialogs.answer_message();
        click(w, "close_paper");
    }
    open_paper(w, dialogs, other);
    wait_for_recovery_records();
    if (after == QLatin1String("problem changed")) {
        write_bytes(dir.filePath(QStringLiteral("exam/problem.prb")), worked_problem() + "\r\n");
    }
    if (after == QLatin1String("record damaged")) {
        QByteArray bytes = read_bytes(record_of(path));
        bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
        write_bytes(record_of(path), bytes);
    }
#ifndef Q_OS_WIN
    // Owner, group and others (0x7077): the record and its folder are the student's alone.
    if (QFileInfo::exists(record_of(path))) {
        QCOMPARE(QFileInfo(record_of(path)).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFileInfo(recovery_folder()).permissions() & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
#endif
    dialogs.clear();
    dialogs.choose_file(path);
    if (!said.isEmpty()) {
        dialogs.answer_message(box_answer(reply));
    }
    if (reply == int(box_answer::yes)) {
        dialogs.answer_message(); // the answers are back, not yet saved
    }
    click(w, "open_paper");
    QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
    QCOMPARE(dialogs.seen.size(), 1 + (said.isEmpty() ? 0 : 1) + (reply == int(box_answer::yes) ? 1 : 0));
    if (!said.isEmpty()) {
        QCOMPARE(dialogs.seen[1].caption, QStringLiteral("提示"));
        QVERIFY2(dialogs.seen[1].text.contains(said), qPrintable(dialogs.seen[1].text));
        QCOMPARE(dialogs.seen[1].buttons, reply == int(box_answer::ok) ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                                                       : QMessageBox::Yes | QMessageBox::No);
    }
    QCOMPARE(checked(w, "onech") + QLatin1Char(' ') + shown(w, "unch_ans_in"), answers);
    QCOMPARE(read_bytes(path), file);
    QCOMPARE(exam_folder(path), QStringList({QStringLiteral("a.stu"), QStringLiteral("problem.prb")}));
    wait_for_recovery_records();
    QCOMPARE(QFileInfo::exists(record_of(path)), record == QLatin1String("kept"));
    QCOMPARE(QDir(recovery_folder()).entryList({QStringLiteral("*.kept")}, QDir::Files).size(),
             record == QLatin1String("aside") ? 1 : 0);
}

void tst_open_paper::unsaved_answers_come_back_after_the_program_is_killed()
{
    QTemporaryDir dir;
    const QString path =
        make_paper(dir.path(), QStringLiteral("exam"), worked_problem(), QStringLiteral("k.stu"), initial_worked);
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    QProcess student;
    student.start(QCoreApplication::applicationDirPath() + QStringLiteral("/answer_child"), {path});
    QVERIFY(student.waitForStarted());
    while (!student.canReadLine() && student.waitForReadyRead(30000)) {
    }
    QCOMPARE(student.readLine().trimmed(), QByteArray("recorded")); // CR LF from a Windows console
    student.kill();                                                 // SIGKILL: nothing of the program runs any more
    QVERIFY(student.waitForFinished());
    QCOMPARE(read_bytes(path), initial_worked);
    QCOMPARE(exam_folder(path), QStringList({QStringLiteral("k.stu"), QStringLiteral("problem.prb")}));

    dialogs.choose_file(path);
    dialogs.answer_message(box_answer::yes);
    dialogs.answer_message();
    click(w, "open_paper");
    QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
    QVERIFY2(dialogs.seen[1].text.contains(QStringLiteral("3 道题")), qPrintable(dialogs.seen[1].text));
    QCOMPARE(checked(w, "onech"), QStringLiteral("B"));
    QCOMPARE(checked(w, "somech"), QStringLiteral("AC"));
    QCOMPARE(shown(w, "unch_ans_in"), QStringLiteral("被杀之前\n写的答案"));
    QCOMPARE(read_bytes(path), initial_worked); // not saved until the student saves
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QStringLiteral("2\r\n0\r\n5\r\n@被杀之前\r\n写的答案$\r\n").toLocal8Bit());
    wait_for_recovery_records();
    QVERIFY(!QFileInfo::exists(record_of(path)));
}

QTEST_MAIN(tst_open_paper)
#include "tst_open_paper.moc"
