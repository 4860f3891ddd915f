// A seeded random walk over the window: every button, the options, typing, tab changes, opening one of several
// papers (good, empty, damaged, missing their problem file), saving, closing with OK or Cancel, new papers; every
// dialog answered at random. After each action the program must still be sound.
//
//   VQ_SOAK_ACTIONS  number of actions (default 3000)
//   VQ_SOAK_SEED     the seed to replay (default: a new one, printed)

#include "app/vq_stu.h"
#include "paper/answer_file.h"
#include "paper/paper_paths.h"
#include "paper/paper_store.h"
#include "support/window_harness.h"

#include <QDir>
#include <QDirIterator>
#include <QLCDNumber>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace harness;
using paper::store;

namespace {

const char *const buttons[] = {"new_paper", "open_paper",  "onech_last",  "onech_save",  "somech_save",
                               "unch_save", "onech_next",  "somech_last", "somech_next", "unch_last",
                               "unch_next", "close_paper", "save_paper"};
const char *const options[] = {"onech_A",  "onech_B",  "onech_C",  "onech_D",  "onech_E",  "onech_F",
                               "somech_A", "somech_B", "somech_C", "somech_D", "somech_E", "somech_F"};

QByteArray generated_problem(int onech, int somech, int unch)
{
    QByteArray bytes =
        QByteArray::number(onech) + ' ' + QByteArray::number(somech) + ' ' + QByteArray::number(unch) + "\r\n";
    for (int i = 1; i <= onech; ++i) {
        bytes += QByteArray::number(i) + "\r\n@<b>单选</b> 第" + QByteArray::number(i) + "题$\r\n";
    }
    for (int i = 1; i <= somech; ++i) {
        bytes += "4 2\r\n@多选 " + QByteArray::number(i) + "\r\n第二行$\r\n";
    }
    for (int i = 1; i <= unch; ++i) {
        bytes += "10\r\n@非选择 " + QByteArray::number(i) + " @ 题$\r\n";
    }
    return bytes;
}

} // namespace

class tst_soak : public QObject {
    Q_OBJECT

private slots:
    void random_walk();

private:
    QRandomGenerator random;
    QTemporaryDir dir;
    QStringList folders;
    QWidget *w = nullptr;
    QString failure;

    int pick(int n) { return static_cast<int>(random.bounded(quint32(n))); }
    QStringList answer_files() const;
    void answer(QWidget *dialog, dialog_driver &driver);
    QString random_text();
    void check_sound(int step, const QString &action);
    void check_saved_file(int step);
};

QStringList tst_soak::answer_files() const
{
    QStringList files;
    QDirIterator it(dir.path(), {QStringLiteral("*.stu")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
    }
    files.sort();
    return files;
}

void tst_soak::answer(QWidget *dialog, dialog_driver &driver)
{
    if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
        if (pick(8) == 0) {
            driver.reject_dialog(dialog);
            return;
        }
        QString path;
        const QStringList existing = answer_files();
        if (files->acceptMode() == QFileDialog::AcceptOpen || pick(3) == 0) {
            path = existing.at(pick(existing.size()));
        } else {
            path = folders.at(pick(folders.size())) + QStringLiteral("/new%1.stu").arg(pick(3));
        }
        driver.accept_file(files, path);
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        if (box->button(QMessageBox::Cancel)) {
            const box_answer answers[] = {box_answer::ok, box_answer::cancel, box_answer::escape,
                                          box_answer::close_box};
            driver.click_box_button(box, answers[pick(4)]);
        } else {
            driver.click_box_button(box, box_answer::ok);
        }
        return;
    }
    driver.reject_dialog(dialog);
}

QString tst_soak::random_text()
{
    const QString pieces[] = {QStringLiteral("答案"), QStringLiteral("x = 3"), QStringLiteral("\n"),
                              QStringLiteral("@"),    QStringLiteral("$"),     QStringLiteral("<b>b</b>"),
                              QStringLiteral(" "),    QStringLiteral("α≤β"),   QStringLiteral("a<b and c>d")};
    QString text;
    const int n = pick(6);
    for (int i = 0; i < n; ++i) {
        text += pieces[pick(9)];
    }
    return text;
}

void tst_soak::check_sound(int step, const QString &action)
{
    struct page {
        const char *next;
        const char *num;
        qint32 cur;
        qint32 count;
    } pages[] = {{"onech_next", "onech_num", store.onech_cur, store.onech_count},
                 {"somech_next", "somech_num", store.somech_cur, store.somech_count},
                 {"unch_next", "unch_num", store.unch_cur, store.unch_count}};
    for (const page &p : pages) {
        if (widget(w, p.next)->isEnabled()) {
            if (p.cur < 1 || p.cur > p.count || p.count > paper::max_questions) {
                failure = QStringLiteral("step %1 (%2): %3 enabled with cursor %4 of %5")
                              .arg(step)
                              .arg(action, QString::fromLatin1(p.next))
                              .arg(p.cur)
                              .arg(p.count);
                return;
            }
            if (find<QLCDNumber>(w, p.num)->intValue() != p.cur) {
                failure = QStringLiteral("step %1 (%2): %3 shows %4, cursor %5")
                              .arg(step)
                              .arg(action, QString::fromLatin1(p.num))
                              .arg(find<QLCDNumber>(w, p.num)->intValue())
                              .arg(p.cur);
                return;
            }
        }
    }
    if (!widget(w, "save_paper")->isEnabled() &&
        (store.onech_count || store.somech_count || store.unch_count || store.paper_path[0])) {
        failure = QStringLiteral("step %1 (%2): no paper open, but the store holds one").arg(step).arg(action);
    }
}

void tst_soak::check_saved_file(int step)
{
    // The file just saved reads back to exactly the answers stored.
    paper::loaded_paper read;
    read.counts = paper::problem_counts{store.onech_count, store.somech_count, store.unch_count};
    read.onech.resize(std::size_t(std::max(store.onech_count, 0)));
    read.somech.resize(std::size_t(std::max(store.somech_count, 0)));
    read.unch.resize(std::size_t(std::max(store.unch_count, 0)));
    const QByteArray bytes = read_bytes(paper::path_name(store.paper_path));
    if (!paper::parse_answers(bytes, read)) {
        failure = QStringLiteral("step %1: the saved file does not read whole").arg(step);
        return;
    }
    for (int i = 1; i <= store.onech_count; ++i) {
        if (read.onech[std::size_t(i - 1)].answer != store.onech_items[std::size_t(i)].answer) {
            failure = QStringLiteral("step %1: single choice %2 reads back wrong").arg(step).arg(i);
        }
    }
    for (int i = 1; i <= store.somech_count; ++i) {
        if (read.somech[std::size_t(i - 1)].answer != store.somech_items[std::size_t(i)].answer) {
            failure = QStringLiteral("step %1: multiple choice %2 reads back wrong").arg(step).arg(i);
        }
    }
    for (int i = 1; i <= store.unch_count; ++i) {
        if (read.unch[std::size_t(i - 1)].answer != store.unch_items[std::size_t(i)].answer) {
            failure = QStringLiteral("step %1: free answer %2 reads back as \"%3\", stored \"%4\"")
                          .arg(step)
                          .arg(i)
                          .arg(read.unch[std::size_t(i - 1)].answer, store.unch_items[std::size_t(i)].answer);
        }
    }
}

void tst_soak::random_walk()
{
    const int actions =
        qEnvironmentVariableIsSet("VQ_SOAK_ACTIONS") ? qEnvironmentVariableIntValue("VQ_SOAK_ACTIONS") : 3000;
    const quint32 seed = qEnvironmentVariableIsSet("VQ_SOAK_SEED")
                             ? quint32(qEnvironmentVariable("VQ_SOAK_SEED").toULong())
                             : QRandomGenerator::global()->generate();
    random.seed(seed);
    qInfo("soak: seed %u, %d actions (replay with VQ_SOAK_SEED=%u VQ_SOAK_ACTIONS=%d)", seed, actions, seed, actions);

    const struct {
        const char *name;
        QByteArray problem;
        QByteArray answers;
    } papers[] = {
        {"worked", worked_problem(), "0\r\n0\r\n0\r\n@$\r\n"},
        {"generated", generated_problem(12, 7, 5), "1 2 3 @a$"},
        {"empty", "0 0 0", ""},
        {"one_each", "1 1 1 1 @o$ 2 1 @s$ 3 @u$", "64 65 @$"},
        {"no_problem", "", "0\r\n"},
        {"malformed", "3 0 0 1 @a$", "0 0 0"},
    };
    for (const auto &p : papers) {
        const QString folder = dir.filePath(QString::fromLatin1(p.name));
        make_paper(folder, QString(), p.problem, QStringLiteral("s1.stu"), p.answers);
        folders << folder;
    }
    QVERIFY(QFile::copy(QStringLiteral(VQ_EXAMPLES_DIR "/problem.prb"), dir.filePath(QStringLiteral("sample.prb"))));
    QDir().mkpath(dir.filePath(QStringLiteral("sample")));
    QVERIFY(
        QFile::rename(dir.filePath(QStringLiteral("sample.prb")), dir.filePath(QStringLiteral("sample/problem.prb"))));
    QVERIFY(QFile::copy(QStringLiteral(VQ_EXAMPLES_DIR "/张三.stu"), dir.filePath(QStringLiteral("sample/张三.stu"))));
    folders << dir.filePath(QStringLiteral("sample"));
    const QString home = QDir::currentPath();
    QDir::setCurrent(dir.path());

    window_fixture f;
    w = &f.window();
    dialog_driver dialogs;
    dialogs.answer_the_rest([this](QWidget *dialog, dialog_driver &driver) { answer(dialog, driver); });
    auto *tabs = find<QTabWidget>(w, "tabWidget");
    int saves_checked = 0;
    for (int step = 0; step < actions && failure.isEmpty(); ++step) {
        QString action;
        const int kind = pick(100);
        if (kind < 45) {
            const char *button = buttons[pick(13)];
            action = QString::fromLatin1(button);
            const int messages_before = dialogs.seen.size();
            click(w, button);
            const bool quiet = dialogs.seen.size() == messages_before;
            if (action == QLatin1String("save_paper") && widget(w, "save_paper")->isEnabled() && quiet) {
                check_saved_file(step);
                ++saves_checked;
            }
        } else if (kind < 75) {
            const char *option = options[pick(12)];
            action = QString::fromLatin1(option);
            if (widget(w, option)->isEnabled()) {
                click_option(w, option);
            }
        } else if (kind < 90) {
            action = QStringLiteral("typing");
            if (widget(w, "unch_ans_in")->isEnabled()) {
                type_answer(w, random_text());
            }
        } else {
            action = QStringLiteral("tab");
            tabs->setCurrentIndex(pick(4));
        }
        check_sound(step, action);
    }
    QDir::setCurrent(home);
    qInfo("soak: %d saved files read back whole, %lld dialogs answered", saves_checked,
          static_cast<long long>(dialogs.seen.size()));
    QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(failure)));
}

QTEST_MAIN(tst_soak)
#include "tst_soak.moc"
