// The three answering pages: what save, previous and next store, and what each question shows.

#include "app/vq_stu.h"
#include "paper/paper_store.h"
#include "platform/local8bit.h"
#include "support/window_harness.h"

#include <QCheckBox>
#include <QDir>
#include <QLCDNumber>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace harness;
using paper::store;

namespace {

// Three questions of each type; multiple-choice question 2 is worth 4 when fully right and 2 when incomplete.
const QByteArray three_of_each = "3 3 3\r\n"
                                 "1 @o1$ 2 @o2$ 3 @o3$\r\n"
                                 "3 1 @s1$ 4 2 @s2$ 5 2.5 @s3$\r\n"
                                 "6 @u1$ 7 @u2$ 8 @u3$\r\n";

} // namespace

class tst_pages : public window_test {
    Q_OBJECT

private slots:
    void single_choice_stores_the_question_it_leaves();
    void single_choice_shows_each_question_as_stored();
    void multiple_choice_stores_any_combination();
    void multiple_choice_shows_both_scores();
    void non_choice_stores_typed_text_with_its_line_breaks();
    void markup_looking_answers_come_back_unchanged();
    void a_dollar_typed_is_stored_as_its_full_width_form();
    void characters_the_file_cannot_hold_are_told();
    void previous_on_the_first_and_next_on_the_last_only_store();
    void one_question_pages_only_store();

private:
    QString path;
    void open(const QByteArray &problem, const QByteArray &answers);
};

void tst_pages::open(const QByteArray &problem, const QByteArray &answers)
{
    path = make_paper(dir->path(), QString(), problem, QStringLiteral("p.stu"), answers);
    open_paper(w, *dialogs, path);
}

void tst_pages::single_choice_stores_the_question_it_leaves()
{
    open(three_of_each, "0 0 0 0 0 0 @$ @$ @$");
    click(w, "onech_next");
    choose(w, "onech", QStringLiteral("B"));
    click(w, "onech_next");
    QCOMPARE(store.onech_items[2].answer, 2); // the question left, not the one reached
    QCOMPARE(store.onech_items[3].answer, 0);
    QCOMPARE(store.onech_cur, 3);
    QCOMPARE(checked(w, "onech"), QString()); // an unanswered question shows nothing checked
    choose(w, "onech", QStringLiteral("F"));
    click(w, "onech_save");
    QCOMPARE(store.onech_items[3].answer, 32);
    click(w, "onech_last");
    QCOMPARE(store.onech_cur, 2);
    QCOMPARE(checked(w, "onech"), QStringLiteral("B"));
    QCOMPARE(lcd(w, "onech_num"), 2.0);
    QCOMPARE(lcd(w, "onech_score"), 2.0);
    QCOMPARE(shown(w, "onech_pro"), QStringLiteral("o2"));
    // Changing the choice alone stores nothing.
    choose(w, "onech", QStringLiteral("C"));
    QCOMPARE(store.onech_items[2].answer, 2);
}

void tst_pages::single_choice_shows_each_question_as_stored()
{
    open(three_of_each, "4 3 64 0 0 0 @$ @$ @$");
    QCOMPARE(checked(w, "onech"), QStringLiteral("C"));
    click(w, "onech_next");
    QCOMPARE(checked(w, "onech"), QStringLiteral("AB")); // two bits read from the file show both
    QCOMPARE(store.onech_items[1].answer, 4);
    click(w, "onech_save");
    QCOMPARE(store.onech_items[2].answer, 3); // stored without a change it stays 3
    click(w, "onech_next");
    QCOMPARE(checked(w, "onech"), QString()); // 64 carries no option
    QCOMPARE(store.onech_items[3].answer, 64);
    click(w, "onech_save");
    QCOMPARE(store.onech_items[3].answer, 0);
    // The options are exclusive again once shown: a click replaces the one checked.
    choose(w, "onech", QStringLiteral("D"));
    choose(w, "onech", QStringLiteral("E"));
    QCOMPARE(checked(w, "onech"), QStringLiteral("E"));
    click(w, "onech_last");
    click(w, "onech_last");
    QCOMPARE(checked(w, "onech"), QStringLiteral("C"));
    choose(w, "onech", QStringLiteral("A"));
    QCOMPARE(checked(w, "onech"), QStringLiteral("A"));
}

void tst_pages::multiple_choice_stores_any_combination()
{
    open(three_of_each, "0 0 0 0 0 0 @$ @$ @$");
    choose(w, "somech", QStringLiteral("ACF"));
    click(w, "somech_save");
    QCOMPARE(store.somech_items[1].answer, 37);
    choose(w, "somech", QStringLiteral("ACF")); // unchecks all three
    click(w, "somech_save");
    QCOMPARE(store.somech_items[1].answer, 0);
    choose(w, "somech", QStringLiteral("BD"));
    click(w, "somech_next");
    QCOMPARE(store.somech_items[1].answer, 10);
    QCOMPARE(checked(w, "somech"), QString());
    choose(w, "somech", QStringLiteral("ABCDEF"));
    click(w, "somech_next");
    QCOMPARE(store.somech_items[2].answer, 63);
    click(w, "somech_last");
    click(w, "somech_last");
    QCOMPARE(checked(w, "somech"), QStringLiteral("BD"));
}

void tst_pages::multiple_choice_shows_both_scores()
{
    open(three_of_each, "0 0 0 65 0 0 @$ @$ @$");
    QCOMPARE(checked(w, "somech"), QStringLiteral("A"));
    click(w, "somech_save");
    QCOMPARE(store.somech_items[1].answer, 1); // bits beyond F are dropped once the page stores
    click(w, "somech_next");
    QCOMPARE(lcd(w, "somech_num"), 2.0);
    QCOMPARE(lcd(w, "somech_scrig"), 4.0);
    QCOMPARE(lcd(w, "somech_scsom"), 2.0);
    QCOMPARE(shown(w, "somech_pro_in"), QStringLiteral("s2"));
}

void tst_pages::non_choice_stores_typed_text_with_its_line_breaks()
{
    open(three_of_each, "0 0 0 0 0 0 @$ @second$ @$");
    type_answer(w, QStringLiteral("第一行\n第二行\n\nlast"));
    click(w, "unch_next");
    QCOMPARE(store.unch_items[1].answer, QStringLiteral("第一行\n第二行\n\nlast"));
    QCOMPARE(shown(w, "unch_ans_in"), QStringLiteral("second"));
    QCOMPARE(lcd(w, "unch_score"), 7.0);
    QCOMPARE(shown(w, "unch_pro"), QStringLiteral("u2"));
    click(w, "unch_last");
    QCOMPARE(shown(w, "unch_ans_in"), QStringLiteral("第一行\n第二行\n\nlast"));
    type_answer(w, QString());
    click(w, "unch_save");
    QVERIFY(store.unch_items[1].answer.isEmpty());
    // Typing alone stores nothing.
    type_answer(w, QStringLiteral("not stored"));
    QVERIFY(store.unch_items[1].answer.isEmpty());
}

void tst_pages::markup_looking_answers_come_back_unchanged()
{
    open(three_of_each, "0 0 0 0 0 0 @$ @$ @$");
    const QString bold = QStringLiteral("<b>x</b>");
    const QString angles = QStringLiteral("a<b and c>d");
    type_answer(w, bold);
    click(w, "unch_next");
    type_answer(w, angles);
    click(w, "unch_last");
    QCOMPARE(shown(w, "unch_ans_in"), bold);
    click(w, "unch_next");
    QCOMPARE(shown(w, "unch_ans_in"), angles);
    click(w, "unch_save");
    click(w, "save_paper");
    dialogs->answer_message(box_answer::ok); // closing the window with a paper open asks first
    QVERIFY(fixture->window().close());
    window_fixture again;
    open_paper(&again.window(), *dialogs, path);
    QCOMPARE(shown(&again.window(), "unch_ans_in"), bold);
    click(&again.window(), "unch_next");
    QCOMPARE(shown(&again.window(), "unch_ans_in"), angles);
}

void tst_pages::a_dollar_typed_is_stored_as_its_full_width_form()
{
    open(three_of_each, "0 0 0 0 0 0 @$ @$ @$");
    type_answer(w, QStringLiteral("costs $5 @ noon"));
    dialogs->answer_message();
    click(w, "unch_next");
    QCOMPARE(dialogs->seen.last().caption, QStringLiteral("提示"));
    QVERIFY(dialogs->seen.last().text.contains(QStringLiteral("＄")));
    QCOMPARE(store.unch_items[1].answer, QStringLiteral("costs ＄5 @ noon"));
    type_answer(w, QStringLiteral("second"));
    click(w, "unch_last");
    // The student sees the stored form; storing it again says nothing more.
    QCOMPARE(shown(w, "unch_ans_in"), QStringLiteral("costs ＄5 @ noon"));
    click(w, "unch_save");
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n@costs " + platform::to_local_8bit(QStringLiteral("＄")) +
                                   "5 @ noon$\r\n@second$\r\n@$\r\n");
}

void tst_pages::characters_the_file_cannot_hold_are_told()
{
    open(three_of_each, "0 0 0 0 0 0 @$ @$ @$");
    // A lone surrogate, as a broken paste can leave it, has no form in any 8-bit code page.
    const QString broken = QStringLiteral("ab") + QChar(0xD800);
    find<QTextEdit>(w, "unch_ans_in")->setPlainText(broken);
    dialogs->answer_message();
    click(w, "unch_save");
    QVERIFY(dialogs->seen.last().text.contains(QStringLiteral("无法表示")));
    // Told when the answer changes, not again on every move past it.
    const int told = dialogs->seen.size();
    click(w, "unch_save");
    click(w, "unch_next");
    click(w, "unch_last");
    QCOMPARE(dialogs->seen.size(), told);
    QVERIFY(dialogs->problems().isEmpty());
    type_answer(w, QStringLiteral("答案 ok"));
    click(w, "unch_save"); // nothing to tell
    QCOMPARE(store.unch_items[1].answer, QStringLiteral("答案 ok"));
}

void tst_pages::previous_on_the_first_and_next_on_the_last_only_store()
{
    open(three_of_each, "0 0 0 0 0 0 @$ @$ @$");
    choose(w, "onech", QStringLiteral("E"));
    click(w, "onech_last");
    QCOMPARE(store.onech_cur, 1);
    QCOMPARE(store.onech_items[1].answer, 16);
    QCOMPARE(checked(w, "onech"), QStringLiteral("E"));
    choose(w, "somech", QStringLiteral("C"));
    click(w, "somech_last");
    QCOMPARE(store.somech_items[1].answer, 4);
    QCOMPARE(store.somech_cur, 1);
    for (int i = 0; i < 3; ++i) {
        click(w, "unch_next");
    }
    QCOMPARE(store.unch_cur, 3);
    type_answer(w, QStringLiteral("end"));
    click(w, "unch_next");
    QCOMPARE(store.unch_cur, 3);
    QCOMPARE(store.unch_items[3].answer, QStringLiteral("end"));
    QCOMPARE(lcd(w, "unch_num"), 3.0);
}

void tst_pages::one_question_pages_only_store()
{
    open("1 1 1 2 @o$ 3 1 @s$ 4 @u$", "0 0 @$");
    for (const char *button : {"onech_last", "onech_next", "somech_last", "somech_next", "unch_last", "unch_next"}) {
        click(w, button);
    }
    QCOMPARE(store.onech_cur, 1);
    QCOMPARE(store.somech_cur, 1);
    QCOMPARE(store.unch_cur, 1);
    choose(w, "onech", QStringLiteral("A"));
    choose(w, "somech", QStringLiteral("AB"));
    type_answer(w, QStringLiteral("u"));
    click(w, "onech_next");
    click(w, "somech_last");
    click(w, "unch_next");
    QCOMPARE(store.onech_items[1].answer, 1);
    QCOMPARE(store.somech_items[1].answer, 3);
    QCOMPARE(store.unch_items[1].answer, QStringLiteral("u"));
}

QTEST_MAIN(tst_pages)
#include "tst_pages.moc"
