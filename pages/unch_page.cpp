#include "pages/unch_page.h"

#include "pages/accessible_form.h"
#include "pages/option_buttons.h"
#include "paper/answer_file.h"
#include "paper/paper_store.h"
#include "platform/local8bit.h"
#include "platform/student_messages.h"
#include "ui_vq_stu.h"

#include <QTextCursor>

#include <algorithm>

using paper::store;

void show_unch_question(Ui::vq_stu &ui)
{
    if (!cursor_in_paper(store.unch_cur, store.unch_count)) {
        return;
    }
    const paper::unch_item &item = store.unch_items[static_cast<std::size_t>(store.unch_cur)];
    show_number(ui.unch_num, store.unch_cur);
    ui.unch_pro->setText(item.text);
    // The student's own text comes back exactly as typed, even where it looks like markup.
    ui.unch_ans_in->setPlainText(item.answer);
    show_number(ui.unch_score, item.score);
    name_question_text(ui.unch_pro, store.unch_cur, score_words(item.score));
    name_answer_box(ui.unch_ans_in, store.unch_cur);
}

namespace {

void announce_unch_question(Ui::vq_stu &ui)
{
    if (cursor_in_paper(store.unch_cur, store.unch_count)) {
        const paper::unch_item &item = store.unch_items[static_cast<std::size_t>(store.unch_cur)];
        announce_question(ui.unch_pro, store.unch_cur, score_words(item.score), free_answer_words(item.answer));
    }
}

} // namespace

void store_unch_answer(Ui::vq_stu &ui)
{
    if (!cursor_in_paper(store.unch_cur, store.unch_count)) {
        return;
    }
    QString &stored = store.unch_items[static_cast<std::size_t>(store.unch_cur)].answer;
    const QString answer = ui.unch_ans_in->toPlainText();
    const QString for_file = paper::answer_for_file(answer);
    const bool dollar_replaced = for_file != answer;
    if (dollar_replaced) {
        // Same length: '$' and its stand-in are one UTF-16 unit each, so the cursor stays where it was.
        const int position = ui.unch_ans_in->textCursor().position();
        ui.unch_ans_in->setPlainText(for_file);
        QTextCursor cursor = ui.unch_ans_in->textCursor();
        cursor.setPosition(std::min(position, static_cast<int>(for_file.size())));
        ui.unch_ans_in->setTextCursor(cursor);
    }
    // Told once, when the answer changes, not on every move past it.
    const bool newly_unfit = for_file != stored && !platform::fits_local_8bit(for_file);
    stored = for_file;
    // The answer is stored before the student is told: nothing that runs while a box is up can send it to
    // another question.
    if (dollar_replaced) {
        tell_dollar_replaced(paper::dollar_stand_in());
    }
    if (newly_unfit) {
        tell_not_in_code_page();
    }
}

void save_unch_answer(Ui::vq_stu &ui)
{
    store_unch_answer(ui);
    if (cursor_in_paper(store.unch_cur, store.unch_count)) {
        announce_stored(store.unch_cur,
                        free_answer_words(store.unch_items[static_cast<std::size_t>(store.unch_cur)].answer));
    }
}

void show_previous_unch_question(Ui::vq_stu &ui)
{
    store_unch_answer(ui);
    if (step_cursor(store.unch_cur, store.unch_count, -1)) {
        show_unch_question(ui);
    }
    announce_unch_question(ui);
}

void show_next_unch_question(Ui::vq_stu &ui)
{
    store_unch_answer(ui);
    if (step_cursor(store.unch_cur, store.unch_count, +1)) {
        show_unch_question(ui);
    }
    announce_unch_question(ui);
}

void open_unch_page(Ui::vq_stu &ui)
{
    if (store.unch_count < 1) {
        if (store.unch_cur != 0) {
            close_unch_page(ui); // the previous paper's questions go; a page that was closed stays as it is
        }
        return;
    }
    set_enabled({ui.unch_ans_in, ui.unch_last, ui.unch_next, ui.unch_pro, ui.unch_save, ui.unch_score}, true);
    store.unch_cur = 1;
    show_unch_question(ui);
}

void close_unch_page(Ui::vq_stu &ui)
{
    set_enabled({ui.unch_ans_in, ui.unch_last, ui.unch_next, ui.unch_pro, ui.unch_save, ui.unch_score}, false);
    store.unch_cur = 0;
    show_number(ui.unch_num, 0);
    ui.unch_pro->setText(QString());
    ui.unch_ans_in->setPlainText(QString());
    name_question_text(ui.unch_pro, 0, QString());
    name_answer_box(ui.unch_ans_in, 0);
}
