#include "commands/paper_commands.h"

#include "commands/answer_recovery.h"
#include "pages/accessible_form.h"
#include "pages/onech_page.h"
#include "pages/somech_page.h"
#include "pages/unch_page.h"
#include "paper/answer_file.h"
#include "paper/paper_paths.h"
#include "paper/problem_file.h"
#include "platform/local8bit.h"
#include "platform/student_messages.h"
#include "platform/system_file.h"
#include "ui_vq_stu.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

using paper::store;

namespace {

QString dialog_caption()
{
    return QStringLiteral("新建答卷文件");
}

QString no_paper_text()
{
    return QStringLiteral("未打开答卷");
}

// The control page's values are plain text: a file name that looks like markup shows as it is. A screen reader
// hears each with its label.
void show_plain(QLabel *label, const QString &text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    name_value(label, text);
}

bool problem_file_readable(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

// The paths of a chosen answer file, in the local 8-bit code page.
paper::answer_paths paths_of(const QString &chosen)
{
    return paper::derive_answer_paths(platform::to_local_8bit(chosen));
}

// Whether this program can use the paths of the chosen file, or an explanation why not. `existing`: the file is
// to be opened, not made.
bool usable_paths(const QString &chosen, const paper::answer_paths &paths, bool existing, QString *why)
{
    // A name in bytes that the locale's code page cannot decode (made on Chinese Windows, seen under a UTF-8
    // locale) reaches the program with stand-ins, under which no file is found.
    const QString must_exist = existing ? chosen : QFileInfo(chosen).absolutePath();
    if (chosen.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(must_exist)) {
        *why = QStringLiteral("文件路径“%1”中有当前系统编码无法识别的文字（显示为“%2”），按这个名字找不到文件。"
                              "请把文件或文件夹改名，或在文件名所用的编码下启动本程序。")
                   .arg(QDir::toNativeSeparators(chosen), QString(QChar::ReplacementCharacter));
        return false;
    }
    if (!platform::fits_local_8bit(chosen)) {
        *why = QStringLiteral("文件路径“%1”中有当前系统编码无法表示的字符，请换一个文件夹或文件名。")
                   .arg(QDir::toNativeSeparators(chosen));
        return false;
    }
    if (!paper::paths_fit_store(paths)) {
        *why = QStringLiteral("文件路径太长：本程序最多能处理 %1 字节的路径。").arg(paper::max_path_bytes);
        return false;
    }
    return true;
}

// Whether the chosen file is a problem file: the one beside it, under another letter case or through a link, or
// the one beside the file that a symbolic link names. The program never writes a problem file.
bool is_problem_file(const QString &chosen, const QString &problem)
{
    const QFileInfo target(QFileInfo(chosen).canonicalFilePath());
    return platform::same_file(chosen, problem) ||
           (target.exists() && platform::same_file(chosen, target.dir().filePath(QStringLiteral("problem.prb"))));
}

QString problem_file_chosen_text(const QString &chosen)
{
    return QStringLiteral("“%1”是试卷的题目文件（problem.prb），不是答卷文件。").arg(QDir::toNativeSeparators(chosen));
}

void show_paper(Ui::vq_stu &ui, const QByteArray &student_name, double total_score)
{
    show_plain(ui.lname, platform::from_local_8bit(student_name));
    show_plain(ui.lone, QString::number(store.onech_count));
    show_plain(ui.lsome, QString::number(store.somech_count));
    show_plain(ui.lnot, QString::number(store.unch_count));
    show_plain(ui.ltotal, QString::number(total_score, 'f', 3));
    ui.close_paper->setEnabled(true);
    ui.save_paper->setEnabled(true);
    open_onech_page(ui);
    open_somech_page(ui);
    open_unch_page(ui);
}

} // namespace

void new_paper(Ui::vq_stu &ui)
{
    const QString chosen =
        QFileDialog::getSaveFileName(nullptr, dialog_caption(), QStringLiteral("."), QStringLiteral("*.stu"));
    const paper::answer_paths paths = paths_of(chosen);
    const QString problem = platform::from_local_8bit(paths.problem_path);
    ui.onech_pro->setPlainText(problem); // before any test, whatever follows
    QString why;
    if (!usable_paths(chosen, paths, false, &why)) {
        tell(QStringLiteral("答卷文件没有创建：%1").arg(why));
        return;
    }
    if (is_problem_file(chosen, problem)) {
        tell(QStringLiteral("答卷文件没有创建：%1新建答卷会覆盖试题，请换一个文件名。")
                 .arg(problem_file_chosen_text(chosen)));
        return;
    }
    if (!problem_file_readable(problem)) {
        tell(missing_problem_text());
        return;
    }
    if (chosen.isEmpty()) {
        return; // the dialog was cancelled: there is no file to create, whatever the problem file holds
    }
    paper::problem_counts counts;
    if (!paper::read_problem_counts(problem, counts, &why)) {
        tell(QStringLiteral("答卷文件没有创建：%1").arg(why));
        return;
    }
    if (!paper::write_initial_answer_file(chosen, counts, &why)) {
        tell(QStringLiteral("答卷文件没有创建！\n%1").arg(why));
    } else if (!why.isEmpty()) {
        tell(why);
    }
}

void open_paper(Ui::vq_stu &ui)
{
    const QString chosen =
        QFileDialog::getOpenFileName(nullptr, dialog_caption(), QStringLiteral("."), QStringLiteral("*.stu"));
    if (chosen.isEmpty()) {
        return;
    }
    open_paper_file(ui, chosen);
}

void open_paper_file(Ui::vq_stu &ui, const QString &chosen)
{
    const paper::answer_paths paths = paths_of(chosen);
    QString why;
    if (!usable_paths(chosen, paths, true, &why)) {
        tell(QStringLiteral("答卷没有打开：%1").arg(why));
        return;
    }
    const QString problem = platform::from_local_8bit(paths.problem_path);
    if (is_problem_file(chosen, problem)) {
        tell(QStringLiteral("答卷没有打开：%1请选择答卷文件（*.stu）。").arg(problem_file_chosen_text(chosen)));
        return;
    }
    if (!problem_file_readable(problem)) {
        tell(missing_problem_text());
        return;
    }
    paper::loaded_paper loaded;
    if (!paper::read_problem_file(problem, loaded, &why)) {
        tell(QStringLiteral("答卷没有打开：%1").arg(why));
        return;
    }
    bool complete = true;
    if (!paper::read_answer_file(chosen, loaded, &complete, &why)) {
        tell(QStringLiteral("答卷没有打开：%1").arg(why));
        return;
    }
    const double total_score = loaded.total_score;
    QStringList not_in_code_page;
    if (!loaded.problem_texts_exact) {
        not_in_code_page << problem;
    }
    if (!loaded.answers_exact) {
        not_in_code_page << chosen;
    }
    keep_recovery_record(ui); // the replaced paper's last answers stay in its record for its next opening
    paper::install_paper(std::move(loaded));
    paper::set_path(store.paper_path, paths.paper_path);
    paper::set_path(store.problem_path, paths.problem_path);
    show_paper(ui, paths.student_name, total_score);
    if (!complete) {
        tell(QStringLiteral("答卷文件“%1”不完整或有损坏：缺少或无法读取的答案按未作答显示。\n"
                            "点击“保存当前答卷”会写入一份完整的答卷文件。")
                 .arg(QDir::toNativeSeparators(chosen)));
    }
    if (!not_in_code_page.isEmpty()) {
        tell_not_in_file_code_page(not_in_code_page);
    }
    offer_recovery_record(ui, chosen);
}

void save_paper(Ui::vq_stu &ui)
{
    const QString path = paper::path_name(store.paper_path);
    if (path.isEmpty()) {
        return;
    }
    wait_for_recovery_records(); // no record is written beside the answer file
    QString why;
    const bool saved = paper::write_answer_file(path, &why);
    recovery_after_save(ui, saved);
    if (!saved) {
        tell(QStringLiteral("答卷没有保存！\n%1\n\n所有答案仍保留在程序中。请排除问题后再次点击“保存当前答卷”。")
                 .arg(why));
    } else if (!why.isEmpty()) {
        tell(why);
    }
}

namespace {

// One close question at a time, whichever command or event asks: while it is up, a second request (the window's
// close button or the taskbar while 关闭当前答卷 asks, or the session ending) is refused. A refused session end is
// cancelled: the desktop says that the program stopped it, and the student, having answered, may log out again.
bool confirm_close_once()
{
    static bool asking = false;
    if (asking) {
        return false;
    }
    asking = true;
    const bool confirmed = confirm_close();
    asking = false;
    return confirmed;
}

} // namespace

bool may_close_window()
{
    if (paper::path_bytes(store.paper_path).isEmpty()) {
        return true;
    }
    if (!confirm_close_once()) {
        return false;
    }
    drop_recovery_record(); // the student agreed to lose what was not saved
    return true;
}

void close_paper(Ui::vq_stu &ui)
{
    if (!confirm_close_once()) {
        return;
    }
    drop_recovery_record();
    show_plain(ui.ltotal, no_paper_text());
    show_plain(ui.lname, no_paper_text());
    ui.close_paper->setEnabled(false);
    ui.save_paper->setEnabled(false);
    show_plain(ui.lone, no_paper_text());
    show_plain(ui.lsome, no_paper_text());
    show_plain(ui.lnot, no_paper_text());
    close_onech_page(ui);
    close_somech_page(ui);
    close_unch_page(ui);
    paper::clear_path(store.paper_path);
    paper::clear_path(store.problem_path);
    store.somech_count = 0;
    store.onech_count = 0;
    store.unch_count = 0;
    store.somech_cur = 0;
    store.onech_cur = 0;
    store.unch_cur = 0;
}
