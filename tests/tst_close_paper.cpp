// Closing the answer paper: the confirmation, and the window and store returned to no paper open. Closing the window
// with a paper open, or ending the desktop session, asks the same.

#include "app/vq_stu.h"
#include "paper/paper_store.h"
#include "support/window_harness.h"

#include <QDir>
#include <QLCDNumber>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace harness;
using paper::store;

namespace {

enum class closing { paper_button, window, session_end };

QString close_question()
{
    return QStringLiteral(
        "您确定要关闭此答卷吗？请确认是否保存答卷。\n（点击“保存答卷按钮”，若不想保存答卷，忽略此操作）");
}

// On Windows the window system's own messages reach the real window; elsewhere the close request is Qt's, as the
// close button and Alt+F4 send it. Whether the window, or the session, may go.
bool ask_to_close(QWidget *w, closing how)
{
#ifdef Q_OS_WIN
    if (QGuiApplication::platformName() == QLatin1String("windows")) {
        const auto window = reinterpret_cast<HWND>(w->winId());
        if (how == closing::session_end) {
            const bool may_end = SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0;
            SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF); // another program kept the session
            return may_end;
        }
        SendMessageW(window, WM_CLOSE, 0, 0);
        QCoreApplication::processEvents(); // Qt hands the system's request to the window as a queued event
        return !w->isVisible();
    }
#endif
    Q_ASSERT(how == closing::window);
    return w->close();
}

// The session's end can be driven only where the window system's messages reach a real window.
bool session_end_drivable()
{
#ifdef Q_OS_WIN
    return QGuiApplication::platformName() == QLatin1String("windows");
#else
    return false;
#endif
}

} // namespace

Q_DECLARE_METATYPE(harness::box_answer)
Q_DECLARE_METATYPE(closing)

class tst_close_paper : public window_test {
    Q_OBJECT

private slots:
    void every_way_of_cancelling_changes_nothing_data();
    void every_way_of_cancelling_changes_nothing();
    void ok_returns_to_no_paper_open();
    void the_window_closes_without_saving_data();
    void the_window_closes_without_saving();
    void closing_does_not_save();
    void a_smaller_paper_after_closing_shows_only_its_own_questions();

private:
    QString path;
    void open_worked(const QByteArray &answers = "1 2 4 @answer$");
};

void tst_close_paper::open_worked(const QByteArray &answers)
{
    path = make_paper(dir->path(), QString(), worked_problem(), QStringLiteral("c.stu"), answers);
    open_paper(w, *dialogs, path);
}

void tst_close_paper::every_way_of_cancelling_changes_nothing_data()
{
    QTest::addColumn<closing>("how");
    QTest::addColumn<harness::box_answer>("answer");
    QTest::addColumn<bool>("meanwhile"); // `how` is asked for while 关闭当前答卷's question is up
    QTest::newRow("关闭当前答卷, Cancel") << closing::paper_button << box_answer::cancel << false;
    QTest::newRow("关闭当前答卷, Esc") << closing::paper_button << box_answer::escape << false;
    QTest::newRow("关闭当前答卷, the close box") << closing::paper_button << box_answer::close_box << false;
    QTest::newRow("the window closed, Cancel") << closing::window << box_answer::cancel << false;
    QTest::newRow("the window closed, Esc") << closing::window << box_answer::escape << false;
    QTest::newRow("the window closed, the box's close box") << closing::window << box_answer::close_box << false;
    if (session_end_drivable()) {
        QTest::newRow("the session ends, Cancel") << closing::session_end << box_answer::cancel << false;
    }
    // One question at a time: a second request while it is up is refused without a second box.
    QTest::newRow("关闭当前答卷 asking, the window closed meanwhile, Cancel")
        << closing::window << box_answer::cancel << true;
    if (session_end_drivable()) {
        QTest::newRow("关闭当前答卷 asking, the session ends meanwhile, Cancel")
            << closing::session_end << box_answer::cancel << true;
    }
}

void tst_close_paper::every_way_of_cancelling_changes_nothing()
{
    QFETCH(closing, how);
    QFETCH(harness::box_answer, answer);
    QFETCH(bool, meanwhile);
    open_worked();
    click_option(w, "onech_D");
    click(w, "onech_next");
    const QStringList before = snapshot(w);
    const int seen_before = dialogs->seen.size();
    if (meanwhile) {
        int questions = 0;
        bool refused = false;
        dialogs->answer_the_rest([&](QWidget *box, dialog_driver &driver) {
            if (questions++ == 0) {
                refused = !ask_to_close(w, how);
            }
            driver.click_box_button(qobject_cast<QMessageBox *>(box), answer);
        });
        click(w, "close_paper");
        QVERIFY(refused);
        QCOMPARE(questions, 1);
    } else {
        dialogs->answer_message(answer);
        if (how == closing::paper_button) {
            click(w, "close_paper");
        } else {
            QVERIFY(!ask_to_close(w, how));
        }
    }
    QCOMPARE(dialogs->seen.size(), seen_before + 1);
    QVERIFY(w->isVisible());
    QCOMPARE(snapshot(w), before);
    QCOMPARE(store.onech_items[1].answer, 8); // the stored answer that no save wrote is still there
    const seen_dialog &asked = dialogs->seen.last();
    QCOMPARE(asked.caption, QStringLiteral("提示"));
    QCOMPARE(asked.text, close_question());
    QCOMPARE(asked.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QVERIFY(!asked.has_parent);
}

void tst_close_paper::ok_returns_to_no_paper_open()
{
    open_worked();
    click(w, "unch_next"); // shows question 1 still: the score display holds 10
    QCOMPARE(find<QLCDNumber>(w, "unch_score")->value(), 10.0);
    const QString first_text = store.onech_items[1].text;
    dialogs->answer_message(box_answer::ok);
    click(w, "close_paper");
    for (const char *name : {"lname", "lone", "lsome", "lnot", "ltotal"}) {
        QCOMPARE(find<QLabel>(w, name)->text(), QStringLiteral("未打开答卷"));
        QCOMPARE(find<QLabel>(w, name)->textFormat(), Qt::PlainText);
    }
    for (const char *name :
         {"close_paper", "save_paper",   "onech_last",   "onech_next",  "onech_pro",   "onech_save",
          "onech_score", "onech_A",      "onech_F",      "somech_last", "somech_next", "somech_pro_in",
          "somech_save", "somech_scrig", "somech_scsom", "somech_A",    "somech_F",    "unch_ans_in",
          "unch_last",   "unch_next",    "unch_pro",     "unch_save",   "unch_score"}) {
        QVERIFY2(!widget(w, name)->isEnabled(), name);
    }
    QVERIFY(widget(w, "new_paper")->isEnabled() && widget(w, "open_paper")->isEnabled());
    for (const char *name : {"onech_A", "onech_B", "onech_C", "somech_A", "somech_B", "somech_C"}) {
        QVERIFY2(!find<QAbstractButton>(w, name)->isChecked(), name);
    }
    for (const char *name : {"onech_num", "onech_score", "somech_num", "somech_scrig", "somech_scsom", "unch_num"}) {
        QCOMPARE(find<QLCDNumber>(w, name)->value(), 0.0);
    }
    QCOMPARE(find<QLCDNumber>(w, "unch_score")->value(), 10.0); // the last score stays, greyed out
    for (const char *name : {"onech_pro", "somech_pro_in", "unch_pro", "unch_ans_in"}) {
        QVERIFY2(find<QTextEdit>(w, name)->toPlainText().isEmpty(), name);
    }
    QCOMPARE(store.onech_count + store.somech_count + store.unch_count, 0);
    QCOMPARE(store.onech_cur + store.somech_cur + store.unch_cur, 0);
    QVERIFY(std::all_of(store.paper_path.begin(), store.paper_path.end(), [](char c) { return c == 0; }));
    QVERIFY(std::all_of(store.problem_path.begin(), store.problem_path.end(), [](char c) { return c == 0; }));
    // The tables keep their records until another paper is opened.
    QCOMPARE(store.onech_items[1].text, first_text);
    QCOMPARE(store.onech_items[1].answer, 1);
    QCOMPARE(store.unch_items[1].answer, QStringLiteral("answer"));
}

void tst_close_paper::the_window_closes_without_saving_data()
{
    QTest::addColumn<closing>("how");
    QTest::addColumn<bool>("paper_open");
    QTest::newRow("the window, no paper open: at once, nothing asked") << closing::window << false;
    QTest::newRow("the window, a paper open: after OK") << closing::window << true;
    if (session_end_drivable()) {
        QTest::newRow("the session, no paper open") << closing::session_end << false;
        QTest::newRow("the session, a paper open: after OK") << closing::session_end << true;
    }
}

void tst_close_paper::the_window_closes_without_saving()
{
    QFETCH(closing, how);
    QFETCH(bool, paper_open);
    if (paper_open) {
        open_worked("0 0 0 @$");
        click_option(w, "onech_B");
        click(w, "onech_save");
        dialogs->answer_message(box_answer::ok);
    }
    QVERIFY(ask_to_close(w, how));
    // The session's end does not close the window itself: the system ends the program, unless another program
    // keeps the session.
    QCOMPARE(w->isVisible(), how == closing::session_end);
    QCOMPARE(dialogs->seen.size(), paper_open ? 2 : 0); // the open dialog, then the question
    if (paper_open) {
        QCOMPARE(dialogs->seen.last().text, close_question());
        QCOMPARE(read_bytes(path), QByteArray("0 0 0 @$"));
    }
}

void tst_close_paper::closing_does_not_save()
{
    open_worked("0 0 0 @$");
    click_option(w, "onech_B");
    click(w, "onech_save");
    dialogs->answer_message(box_answer::ok);
    click(w, "close_paper");
    QCOMPARE(read_bytes(path), QByteArray("0 0 0 @$"));
}

void tst_close_paper::a_smaller_paper_after_closing_shows_only_its_own_questions()
{
    open_worked("8 2 4 @first paper$");
    dialogs->answer_message(box_answer::ok);
    click(w, "close_paper");
    const QString small =
        make_paper(dir->path(), QStringLiteral("small"), "0 0 1 3 @only$", QStringLiteral("s.stu"), "@mine$\r\n");
    open_paper(w, *dialogs, small);
    QVERIFY(!widget(w, "onech_next")->isEnabled() && !widget(w, "somech_next")->isEnabled());
    QCOMPARE(find<QTextEdit>(w, "unch_ans_in")->toPlainText(), QStringLiteral("mine"));
    QCOMPARE(find<QTextEdit>(w, "onech_pro")->toPlainText(), QString());
    click(w, "unch_next");
    QCOMPARE(store.unch_cur, 1);
    click(w, "save_paper");
    QCOMPARE(read_bytes(small), QByteArray("@mine$\r\n"));
}

QTEST_MAIN(tst_close_paper)
#include "tst_close_paper.moc"
