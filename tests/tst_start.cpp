// Starting the program: an answer file named on the command line opens exactly as if it had been chosen in the
// open dialog; --help and --version answer without a window; Qt's own dialogs speak the student's language.

#include "app/command_line.h"
#include "app/startup.h"
#include "app/vq_stu.h"
#include "platform/local8bit.h"
#include "support/window_harness.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

using namespace harness;

namespace {

// The window after the program started with `arguments` (the program's name first), and what it said.
QStringList start_with(const QStringList &arguments, QStringList *told)
{
    window_fixture f;
    dialog_driver dialogs;
    dialogs.answer_the_rest([](QWidget *dialog, dialog_driver &driver) {
        driver.click_box_button(qobject_cast<QMessageBox *>(dialog), box_answer::ok);
    });
    const start_request request = parse_command_line(arguments);
    if (request.what == start_request::kind::run && !request.answer_file.isEmpty()) {
        open_from_command_line(f.window(), request.answer_file);
    }
    for (const seen_dialog &seen : dialogs.seen) {
        *told << seen.caption + QLatin1Char(':') + seen.text;
    }
    return snapshot(&f.window());
}

// The same paper chosen in the open dialog, for comparison.
QStringList chosen_in_the_dialog(const QString &path, QStringList *told)
{
    window_fixture f;
    dialog_driver dialogs;
    dialogs.choose_file(path);
    dialogs.answer_the_rest([](QWidget *dialog, dialog_driver &driver) {
        driver.click_box_button(qobject_cast<QMessageBox *>(dialog), box_answer::ok);
    });
    click(&f.window(), "open_paper");
    for (const seen_dialog &seen : dialogs.seen.mid(1)) {
        *told << seen.caption + QLatin1Char(':') + seen.text;
    }
    return snapshot(&f.window());
}

QProcess *run_program(const QStringList &arguments)
{
    auto *program = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // No display at all: a program that made a window would fail.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program->setProcessEnvironment(environment);
    program->start(QStringLiteral(VQ_PROGRAM), arguments);
    program->waitForFinished(30000);
    return program;
}

QString without_mnemonic(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
}

} // namespace

class tst_start : public QObject {
    Q_OBJECT

private slots:
    void an_answer_file_on_the_command_line_opens_as_if_chosen_data();
    void an_answer_file_on_the_command_line_opens_as_if_chosen();
    void help_and_version_answer_without_a_window_data();
    void help_and_version_answer_without_a_window();
    void qt_dialogs_speak_chinese_under_a_chinese_locale();
    void the_program_folder_is_left_for_documents_on_windows_data();
    void the_program_folder_is_left_for_documents_on_windows();
    void the_first_window_has_the_forms_size_unless_the_screen_is_smaller_data();
    void the_first_window_has_the_forms_size_unless_the_screen_is_smaller();
};

void tst_start::an_answer_file_on_the_command_line_opens_as_if_chosen_data()
{
    QTest::addColumn<QString>("argument"); // in a scratch folder that is the working folder
    QTest::addColumn<QString>("chosen");   // the same file chosen in the dialog; empty: nothing is opened
    QTest::addColumn<QString>("told");     // a part of what the student is told; empty: nothing
    QTest::newRow("a good file") << QStringLiteral("<dir>/exam/s01.stu") << QStringLiteral("exam/s01.stu") << QString();
    QTest::newRow("a relative path") << QStringLiteral("exam/../exam/s01.stu") << QStringLiteral("exam/s01.stu")
                                     << QString();
    QTest::newRow("a folder without problem.prb")
        << QStringLiteral("lonely/s02.stu") << QStringLiteral("lonely/s02.stu") << QStringLiteral("problem.prb");
#ifndef Q_OS_WIN
    // 张三.stu named in GBK on Chinese Windows, given under a UTF-8 locale: told as such, not as "not found"
    // (nothing opens; the file dialog would not give such a name back unless it was picked from its list).
    QTest::newRow("a name that the locale cannot decode")
        << QStringLiteral("exam/<gbk>.stu") << QString() << QStringLiteral("无法识别");
#endif
    QTest::newRow("no argument") << QString() << QString() << QString();
}

void tst_start::an_answer_file_on_the_command_line_opens_as_if_chosen()
{
    QFETCH(QString, argument);
    QFETCH(QString, chosen);
    QFETCH(QString, told);
    QTemporaryDir dir;
    make_paper(dir.path(), QStringLiteral("exam"), worked_problem(), QStringLiteral("s01.stu"),
               "1\r\n2\r\n7\r\n@a$\r\n");
    const QByteArray gbk_name = "\xd5\xc5\xc8\xfd";
    if (argument.contains(QStringLiteral("<gbk>"))) {
        const QByteArray name = QFile::encodeName(dir.filePath(QStringLiteral("exam/"))) + gbk_name + ".stu";
        FILE *named = std::fopen(name.constData(), "wb");
        QVERIFY(named && std::fputs("1\r\n2\r\n7\r\n@a$\r\n", named) >= 0 && std::fclose(named) == 0);
        const QString decoded = platform::from_local_8bit(gbk_name);
        argument.replace(QStringLiteral("<gbk>"), decoded);
    }
    make_paper(dir.path(), QStringLiteral("lonely"), QByteArray(), QStringLiteral("s02.stu"), "0\r\n");
    const QString home = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QStringList arguments{QStringLiteral("vq_stu")};
    if (!argument.isEmpty()) {
        arguments << QString(argument).replace(QStringLiteral("<dir>"), dir.path());
    }
    QStringList said;
    const QStringList started = start_with(arguments, &said);
    QStringList expected_said;
    QStringList expected;
    if (chosen.isEmpty()) {
        window_fixture fresh;
        expected = snapshot(&fresh.window());
    } else {
        expected = chosen_in_the_dialog(dir.filePath(chosen), &expected_said);
    }
    QDir::setCurrent(home);
    QCOMPARE(started, expected);
    if (!chosen.isEmpty()) {
        QCOMPARE(said, expected_said);
    }
    QCOMPARE(said.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty()) {
        QVERIFY2(said.constFirst().contains(told), qPrintable(said.constFirst()));
    }
}

void tst_start::help_and_version_answer_without_a_window_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed"); // on standard output, or standard error for a failure
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("[ANSWER_FILE]");
    QTest::newRow("-h with a file") << QStringList{QStringLiteral("a.stu"), QStringLiteral("-h")} << 0
                                    << QStringLiteral("--version");
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0 << QStringLiteral("vq_stu 2.0.");
    QTest::newRow("an unknown option") << QStringList{QStringLiteral("--colour")} << 2 << QStringLiteral("'colour'");
    QTest::newRow("two files") << QStringList{QStringLiteral("a.stu"), QStringLiteral("b.stu")} << 2
                               << QStringLiteral("一个答卷文件");
}

void tst_start::help_and_version_answer_without_a_window()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, printed);
    std::unique_ptr<QProcess> program(run_program(arguments));
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), status);
    const QString out = QString::fromLocal8Bit(program->readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program->readAllStandardError());
    const QString where = status == 0 ? out : err;
    QVERIFY2(where.contains(printed), qPrintable(out + err));
    if (status != 0) {
        QVERIFY2(err.contains(QStringLiteral("[ANSWER_FILE]")), qPrintable(err)); // the usage follows the reason
    }
}

void tst_start::qt_dialogs_speak_chinese_under_a_chinese_locale()
{
    install_toolkit_translations(QLocale(QStringLiteral("zh_CN")));
    if (QCoreApplication::translate("QPlatformTheme", "OK") == QLatin1String("OK")) {
        QSKIP("Qt's Chinese translations are not installed (Debian's qttranslations5-l10n)");
    }
    window_fixture f;
    dialog_driver dialogs;
    QStringList buttons;
    dialogs.answer_the_rest([&buttons](QWidget *dialog, dialog_driver &driver) {
        for (const QAbstractButton *button : dialog->findChildren<QDialogButtonBox *>().value(0)->buttons()) {
            buttons << without_mnemonic(button->text());
        }
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            driver.click_box_button(box, box_answer::ok);
        } else {
            driver.reject_dialog(dialog);
        }
    });
    click(&f.window(), "open_paper");
    QTRY_VERIFY(buttons.size() >= 2);
    QVERIFY2(buttons.contains(QStringLiteral("打开")) && buttons.contains(QStringLiteral("取消")),
             qPrintable(buttons.join(QLatin1Char(','))));
    buttons.clear();
    QTemporaryDir dir;
    open_from_command_line(f.window(), dir.filePath(QStringLiteral("no_problem_here.stu")));
    QCOMPARE(buttons, QStringList{QStringLiteral("确定")});
    // The program's own texts stay as they are.
    QCOMPARE(find<QPushButton>(&f.window(), "open_paper")->text(), QStringLiteral("打开答卷"));
    QCOMPARE(dialogs.seen.last().text, QStringLiteral("新建文件所在的文件夹下缺少problem.prb文件"));
}

void tst_start::the_program_folder_is_left_for_documents_on_windows_data()
{
    QTest::addColumn<bool>("in_program_folder");
    QTest::addColumn<bool>("beside_paper"); // the program's folder holds a problem.prb
    QTest::newRow("started in the program's folder (the Start menu)") << true << false;
    QTest::newRow("started elsewhere (a double click on an answer file)") << false << false;
    QTest::newRow("started in the program's folder, copied beside the paper") << true << true;
}

void tst_start::the_program_folder_is_left_for_documents_on_windows()
{
    QFETCH(bool, in_program_folder);
    QFETCH(bool, beside_paper);
    QTemporaryDir elsewhere;
    const QString home = QDir::currentPath();
    const QString started = in_program_folder ? QCoreApplication::applicationDirPath() : elsewhere.path();
    const QString paper = QDir(started).filePath(QStringLiteral("problem.prb"));
    if (beside_paper) {
        write_bytes(paper, "0 0 0");
    }
    QDir::setCurrent(started);
    leave_the_program_folder();
    const QString working = QDir::currentPath();
    QDir::setCurrent(home);
    if (beside_paper) {
        QFile::remove(paper);
    }
#ifdef Q_OS_WIN
    if (in_program_folder && !beside_paper) {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(!documents.isEmpty());
        QCOMPARE(QFileInfo(working).canonicalFilePath(), QFileInfo(documents).canonicalFilePath());
        return;
    }
#endif
    QCOMPARE(QFileInfo(working).canonicalFilePath(), QFileInfo(started).canonicalFilePath());
}

void tst_start::the_first_window_has_the_forms_size_unless_the_screen_is_smaller_data()
{
    QTest::addColumn<QString>("scale"); // QT_SCALE_FACTOR, or none
    QTest::addColumn<bool>("smaller");  // whether the screen's free area is smaller than the form
    QTest::newRow("no scaling variable: exactly the form's 800 x 600") << QString() << false;
    QTest::newRow("scaled beyond the screen: shrunk to fit it") << QStringLiteral("1.25") << true;
}

void tst_start::the_first_window_has_the_forms_size_unless_the_screen_is_smaller()
{
    QFETCH(QString, scale);
    QFETCH(bool, smaller);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                                 "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_SCALE_FACTOR_ROUNDING_POLICY"}) {
        environment.remove(QString::fromLatin1(variable));
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!scale.isEmpty()) {
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VQ_FIRST_WINDOW), QStringList());
    QVERIFY(program.waitForFinished(30000));
    // The window, then the screen's free area: the offscreen platform's screen is 800 x 600 in Qt 5, 800 x 800 in
    // Qt 6.
    const QString seen = QString::fromLatin1(program.readAllStandardOutput()).trimmed();
    const QRegularExpressionMatch sizes =
        QRegularExpression(QStringLiteral("^(\\d+)x(\\d+) on (\\d+)x(\\d+)$")).match(seen);
    QVERIFY2(sizes.hasMatch(), qPrintable(seen));
    const QSize window(sizes.captured(1).toInt(), sizes.captured(2).toInt());
    const QSize room(sizes.captured(3).toInt(), sizes.captured(4).toInt());
    const QSize form(800, 600);
    QCOMPARE(room.width() < form.width() || room.height() < form.height(), smaller);
    QCOMPARE(window, form.boundedTo(room));
}

QTEST_MAIN(tst_start)
#include "tst_start.moc"
