// Creating a new answer paper: the save dialog, the problem file beside the chosen name, the all-unanswered
// file, and an open paper that stays as it was.

#include "app/vq_stu.h"
#include "paper/paper_store.h"
#include "support/window_harness.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace harness;
using paper::store;

class tst_new_paper : public window_test {
    Q_OBJECT

private slots:
    void counts_give_the_initial_file_data();
    void counts_give_the_initial_file();
    void an_existing_file_is_replaced_after_confirmation();
    void a_folder_without_problem_file_is_told_and_nothing_is_created();
    void a_cancelled_dialog_looks_in_the_working_directory();
    void an_unreadable_problem_file_start_creates_nothing();
    void the_open_paper_stays_open_even_over_its_own_file();
    void a_refused_creation_is_told();

private:
    const QString home = QDir::currentPath();
};

void tst_new_paper::counts_give_the_initial_file_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("created");
    QTest::newRow("counts 2 1 2 give 17 bytes") << QByteArray("2 1 2\r\n") << QByteArray("0\r\n0\r\n0\r\n@$\r\n@$\r\n");
    QTest::newRow("counts 0 0 0 give an empty file") << QByteArray("0 0 0") << QByteArray();
    QTest::newRow("only the counts are read") << worked_problem() << QByteArray("0\r\n0\r\n0\r\n@$\r\n");
}

void tst_new_paper::counts_give_the_initial_file()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, created);
    write_bytes(dir->filePath(QStringLiteral("problem.prb")), problem);
    const QString path = dir->filePath(QStringLiteral("new.stu"));
    const QStringList before = snapshot(w);
    dialogs->choose_file(path);
    click(w, "new_paper");
    QCOMPARE(read_bytes(path), created);
    QCOMPARE(read_bytes(path).size(), created.size());
    QCOMPARE(dialogs->seen.size(), 1); // no message
    const seen_dialog &asked = dialogs->seen.first();
    QCOMPARE(asked.caption, QStringLiteral("新建答卷文件"));
    QCOMPARE(asked.filters, QStringList{QStringLiteral("*.stu")});
    QVERIFY(asked.save);
    QCOMPARE(asked.directory, home);
    // Only the single-choice text area shows where the problem file was looked for.
    QCOMPARE(find<QTextEdit>(w, "onech_pro")->toPlainText(), dir->filePath(QStringLiteral("problem.prb")));
    const QRegularExpression text_area(QStringLiteral("^onech_pro "));
    QStringList after = snapshot(w).filter(text_area);
    QCOMPARE(snapshot(w).size(), before.size());
    QStringList unchanged = snapshot(w);
    QStringList fresh = before;
    for (QStringList *lines : {&unchanged, &fresh}) {
        lines->erase(std::remove_if(lines->begin(), lines->end(),
                                    [](const QString &line) { return line.startsWith(QLatin1String("onech_pro ")); }),
                     lines->end());
    }
    QCOMPARE(unchanged, fresh);
    QCOMPARE(after.size(), 1);
    QCOMPARE(find<QLabel>(w, "lname")->text().contains(QStringLiteral("未打开答卷")), true);
}

void tst_new_paper::an_existing_file_is_replaced_after_confirmation()
{
    write_bytes(dir->filePath(QStringLiteral("problem.prb")), "1 1 1 1 @a$ 1 1 @b$ 1 @c$");
    const QString path = dir->filePath(QStringLiteral("old.stu"));
    write_bytes(path, "4\r\n7\r\n@an old answer$\r\n");
    dialogs->choose_file(path);
    click(w, "new_paper");
    QCOMPARE(dialogs->seen.size(), 2); // the dialog, then its question before replacing
    QVERIFY(dialogs->seen[1].text.contains(QStringLiteral("old.stu")));
    QCOMPARE(read_bytes(path), QByteArray("0\r\n0\r\n@$\r\n"));
}

void tst_new_paper::a_folder_without_problem_file_is_told_and_nothing_is_created()
{
    const QString path = dir->filePath(QStringLiteral("lonely.stu"));
    dialogs->choose_file(path);
    dialogs->answer_message();
    click(w, "new_paper");
    QCOMPARE(dialogs->seen.last().caption, QStringLiteral("提示"));
    QCOMPARE(dialogs->seen.last().text, QStringLiteral("新建文件所在的文件夹下缺少problem.prb文件"));
    QVERIFY(!dialogs->seen.last().has_parent);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(find<QTextEdit>(w, "onech_pro")->toPlainText(), dir->filePath(QStringLiteral("problem.prb")));
}

void tst_new_paper::a_cancelled_dialog_looks_in_the_working_directory()
{
    struct back_home {
        QString path;
        ~back_home() { QDir::setCurrent(path); }
    } restore{home};
    QDir::setCurrent(dir->path());
    dialogs->cancel_file_dialog();
    dialogs->answer_message();
    click(w, "new_paper");
    QCOMPARE(dialogs->seen.last().text, QStringLiteral("新建文件所在的文件夹下缺少problem.prb文件"));
    QCOMPARE(find<QTextEdit>(w, "onech_pro")->toPlainText(), QStringLiteral("problem.prb"));
    // With a problem file there, the cancelled dialog creates nothing and says nothing, whatever the file holds.
    for (const QByteArray &problem : {QByteArray("1 0 0 1 @a$"), QByteArray("not counts"), QByteArray("20000 0 0")}) {
        write_bytes(dir->filePath(QStringLiteral("problem.prb")), problem);
        dialogs->cancel_file_dialog();
        click(w, "new_paper");
    }
    QVERIFY(dialogs->problems().isEmpty());
    QCOMPARE(dialogs->seen.size(), 5); // the first dialog and its message, then three dialogs alone
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("problem.prb")});
}

void tst_new_paper::an_unreadable_problem_file_start_creates_nothing()
{
    write_bytes(dir->filePath(QStringLiteral("problem.prb")), "not counts at all");
    const QString path = dir->filePath(QStringLiteral("n.stu"));
    dialogs->choose_file(path);
    dialogs->answer_message();
    click(w, "new_paper");
    QVERIFY2(dialogs->seen.last().text.contains(QStringLiteral("没有创建")), qPrintable(dialogs->seen.last().text));
    QVERIFY(!QFile::exists(path));
}

void tst_new_paper::the_open_paper_stays_open_even_over_its_own_file()
{
    const QString path =
        make_paper(dir->path(), QString(), worked_problem(), QStringLiteral("mine.stu"), "4\r\n0\r\n2\r\n@kept$\r\n");
    open_paper(w, *dialogs, path);
    const QStringList before = snapshot(w);
    dialogs->choose_file(path);
    click(w, "new_paper");
    // The file on disk is reset; the store, the labels and the buttons are not.
    QCOMPARE(read_bytes(path), QByteArray("0\r\n0\r\n0\r\n@$\r\n"));
    QStringList after = snapshot(w);
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i) {
        if (!after[i].startsWith(QLatin1String("onech_pro"))) {
            QCOMPARE(after[i], before[i]);
        }
    }
    QCOMPARE(store.unch_items[1].answer, QStringLiteral("kept"));
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("4\r\n0\r\n2\r\n@kept$\r\n"));
}

void tst_new_paper::a_refused_creation_is_told()
{
    write_bytes(dir->filePath(QStringLiteral("problem.prb")), "1 0 0 1 @a$");
    const QString path = dir->filePath(QStringLiteral("locked.stu"));
    write_bytes(path, "8\r\n");
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0) {
        QSKIP("chattr +i is not available here (needs root and a file system that supports it)");
    }
    dialogs->choose_file(path);
    dialogs->answer_message();
    click(w, "new_paper");
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    QVERIFY2(dialogs->seen.last().text.contains(QStringLiteral("没有创建")), qPrintable(dialogs->seen.last().text));
    QCOMPARE(read_bytes(path), QByteArray("8\r\n"));
}

QTEST_MAIN(tst_new_paper)
#include "tst_new_paper.moc"
