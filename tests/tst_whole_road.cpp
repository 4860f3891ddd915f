// The road of a typical use, in one piece; and the same road in the code page of Chinese Windows (GBK) under a
// GB18030 locale.

#include "app/command_line.h"
#include "app/vq_stu.h"
#include "paper/paper_store.h"
#include "platform/local8bit.h"
#include "support/locales.h"
#include "support/window_harness.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTextEdit>

#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace harness;

namespace {

QString answer_box(QWidget *w)
{
    return find<QTextEdit>(w, "unch_ans_in")->toPlainText();
}

} // namespace

class tst_whole_road : public QObject {
    Q_OBJECT

private slots:
    void new_open_answer_save_close_reopen();
    void gbk_files_under_a_gb18030_locale();
};

void tst_whole_road::new_open_answer_save_close_reopen()
{
    QTemporaryDir dir;
    // The sample paper, in the code page of this system (it is kept in UTF-8).
    write_bytes(dir.filePath(QStringLiteral("problem.prb")),
                platform::to_local_8bit(QString::fromUtf8(read_bytes(QStringLiteral(VQ_EXAMPLES_DIR "/problem.prb")))));
    const QString path = dir.filePath(QStringLiteral("李四.stu"));
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;

    dialogs.choose_file(path);
    click(w, "new_paper");
    QCOMPARE(read_bytes(path), QByteArray("0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n@$\r\n@$\r\n@$\r\n"));

    open_paper(w, dialogs, path);
    QCOMPARE(find<QLabel>(w, "lname")->text(), QStringLiteral("李四"));
    choose(w, "onech", QStringLiteral("C"));
    click(w, "onech_next");
    choose(w, "onech", QStringLiteral("B"));
    click(w, "onech_next");
    choose(w, "onech", QStringLiteral("C"));
    click(w, "onech_next");
    choose(w, "onech", QStringLiteral("C"));
    click(w, "onech_save");
    choose(w, "somech", QStringLiteral("ACE"));
    click(w, "somech_next");
    choose(w, "somech", QStringLiteral("ACE"));
    click(w, "somech_next");
    choose(w, "somech", QStringLiteral("ABC"));
    click(w, "somech_save");
    type_answer(w, QStringLiteral("设两个偶数为 2m 和 2n，\n则和为 2(m+n)。"));
    click(w, "unch_next");
    type_answer(w, QStringLiteral("春天是希望的季节 @ 校园"));
    click(w, "unch_next");
    type_answer(w, QStringLiteral("x = 6\ny = 4"));
    click(w, "unch_save");
    click(w, "save_paper");
    const QByteArray saved =
        QByteArrayLiteral("4\r\n2\r\n4\r\n4\r\n21\r\n21\r\n7\r\n") +
        platform::to_local_8bit(QStringLiteral("@设两个偶数为 2m 和 2n，\r\n则和为 2(m+n)。$\r\n"
                                               "@春天是希望的季节 @ 校园$\r\n@x = 6\r\ny = 4$\r\n"));
    QCOMPARE(read_bytes(path), saved);

    dialogs.answer_message(box_answer::ok);
    click(w, "close_paper");
    QCOMPARE(paper::store.onech_count, 0);

    open_paper(w, dialogs, path);
    QCOMPARE(checked(w, "onech"), QStringLiteral("C"));
    click(w, "onech_next");
    QCOMPARE(checked(w, "onech"), QStringLiteral("B"));
    QCOMPARE(checked(w, "somech"), QStringLiteral("ACE"));
    click(w, "somech_next");
    click(w, "somech_next");
    QCOMPARE(checked(w, "somech"), QStringLiteral("ABC"));
    QCOMPARE(answer_box(w), QStringLiteral("设两个偶数为 2m 和 2n，\n则和为 2(m+n)。"));
    click(w, "unch_next");
    click(w, "unch_next");
    QCOMPARE(answer_box(w), QStringLiteral("x = 6\ny = 4"));
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), saved);
    QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
}

void tst_whole_road::gbk_files_under_a_gb18030_locale()
{
#ifdef Q_OS_WIN
    // Chinese Windows: the system's ANSI code page is 936 (GBK), under Wine with LANG=zh_CN.UTF-8.
    if (GetACP() != 936) {
        QSKIP("the system's ANSI code page is not 936 (Chinese Windows)");
    }
#else
    // The code page is the one the process starts with, so this part runs again in a child started under the
    // GB18030 locale, as a student would start the program.
    if (!qEnvironmentVariableIsSet("VQ_IN_GB18030")) {
        QString why;
        if (!ensure_locale("zh_CN.GB18030", "zh_CN", "GB18030", &why)) {
            QSKIP(qPrintable(why));
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANG"), QStringLiteral("zh_CN.GB18030"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("zh_CN.GB18030"));
        env.insert(QStringLiteral("VQ_IN_GB18030"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("gbk_files_under_a_gb18030_locale")});
        QVERIFY(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
        return;
    }
#endif
    QCOMPARE(platform::to_local_8bit(QStringLiteral("考试")), QByteArray("\xbf\xbc\xca\xd4"));
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    QVERIFY(gbk);
    // "丂" is 0x81 0x40 in GBK: its second byte is an @, which inside a text is just part of it.
    const QString question = QStringLiteral("下列哪个字读作“kǎo”？丂");
    const QString answer = QStringLiteral("丂\n考试");
    QTemporaryDir dir;
    // The second byte of 誠 (D5 5C) and of 錦 (E5 5C) is a backslash, which inside a character separates nothing.
    const QString path =
        make_paper(dir.path(), QStringLiteral("誠"), "0 0 1\r\n5\r\n@" + gbk->fromUnicode(question) + "$\r\n",
                   QStringLiteral("錦.stu"), "@$\r\n");
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    open_paper(w, dialogs, path);
    QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
    QCOMPARE(find<QTextEdit>(w, "unch_pro")->toPlainText(), question);
    QCOMPARE(find<QLabel>(w, "lname")->text(), QStringLiteral("錦"));
    type_answer(w, answer);
    click(w, "unch_save");
    click(w, "save_paper");
    const QByteArray saved("@\x81\x40\r\n\xbf\xbc\xca\xd4$\r\n");
    QCOMPARE(read_bytes(path), saved);
    // What one system saved, the other opens and saves unchanged: these bytes are the same on Linux under
    // GB18030 and on Chinese Windows.
    const QString other =
        make_paper(dir.path(), QStringLiteral("other"), read_bytes(dir.filePath(QStringLiteral("誠/problem.prb"))),
                   QStringLiteral("李四.stu"), saved);
    open_paper(w, dialogs, other);
    QCOMPARE(find<QLabel>(w, "lname")->text(), QStringLiteral("李四"));
    QCOMPARE(find<QTextEdit>(w, "unch_ans_in")->toPlainText(), answer);
    click(w, "unch_save");
    click(w, "save_paper");
    QCOMPARE(read_bytes(other), saved);
    // Named on the command line in the bytes that the file system holds for it, the first file opens again.
    const QString argument = platform::file_name_from_local_8bit(QFile::encodeName(path));
    open_from_command_line(f.window(), parse_command_line({QStringLiteral("vq_stu"), argument}).answer_file);
    QCOMPARE(find<QLabel>(w, "lname")->text(), QStringLiteral("錦"));
    QCOMPARE(find<QTextEdit>(w, "unch_ans_in")->toPlainText(), answer);
    QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_whole_road)
#include "tst_whole_road.moc"
