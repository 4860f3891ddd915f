#include "pages/onech_page.h"

#include "pages/accessible_form.h"
#include "pages/option_buttons.h"
#include "paper/paper_store.h"
#include "ui_vq_stu.h"

using paper::store;

namespace {

option_buttons options(Ui::vq_stu &ui)
{
    return {ui.onech_A, ui.onech_B, ui.onech_C, ui.onech_D, ui.onech_E, ui.onech_F};
}

} // namespace

void show_onech_question(Ui::vq_stu &ui)
{
    if (!cursor_in_paper(store.onech_cur, store.onech_count)) {
        return;
    }
    const paper::onech_item &item = store.onech_items[static_cast<std::size_t>(store.onech_cur)];
    show_number(ui.onech_num, store.onech_cur);
    ui.onech_pro->setText(item.text);
    show_number(ui.onech_score, item.score);
    set_buttons_from_mask(options(ui), item.answer);
    name_question_text(ui.onech_pro, store.onech_cur, score_words(item.score));
    name_options(options(ui), store.onech_cur);
}

namespace {

void announce_onech_question(Ui::vq_stu &ui)
{
    if (cursor_in_paper(store.onech_cur, store.onech_count)) {
        const paper::onech_item &item = store.onech_items[static_cast<std::size_t>(store.onech_cur)];
        announce_question(ui.onech_pro, store.onech_cur, score_words(item.score), options_words(item.answer));
    }
}

} // namespace

void store_onech_answer(Ui::vq_stu &ui)
{
    if (!cursor_in_paper(store.onech_cur, store.onech_count)) {
        return;
    }
    store.onech_items[static_cast<std::size_t>(store.onech_cur)].answer = mask_from_buttons(options(ui));
}

void save_onech_answer(Ui::vq_stu &ui)
{
    store_onech_answer(ui);
    if (cursor_in_paper(store.onech_cur, store.onech_count)) {
        announce_stored(store.onech_cur,
                        options_words(store.onech_items[static_cast<std::size_t>(store.onech_cur)].answer));
    }
}

void show_previous_onech_question(Ui::vq_stu &ui)
{
    store_onech_answer(ui);
    if (step_cursor(store.onech_cur, store.onech_count, -1)) {
        show_onech_question(ui);
    }
    announce_onech_question(ui);
}

void show_next_onech_question(Ui::vq_stu &ui)
{
    store_onech_answer(ui);
    if (step_cursor(store.onech_cur, store.onech_count, +1)) {
        show_onech_question(ui);
    }
    announce_onech_question(ui);
}

void open_onech_page(Ui::vq_stu &ui)
{
    if (store.onech_count < 1) {
        if (store.onech_cur != 0) {
            close_onech_page(ui); // the previous paper's questions go; a page that was closed stays as it is
        }
        return;
    }
    set_enabled({ui.onech_last, ui.onech_next, ui.onech_pro, ui.onech_save, ui.onech_score, ui.onech_A, ui.onech_B,
                 ui.onech_C, ui.onech_D, ui.onech_E, ui.onech_F},
                true);
    store.onech_cur = 1;
    show_onech_question(ui);
}

void close_onech_page(Ui::vq_stu &ui)
{
    set_enabled({ui.onech_last, ui.onech_next, ui.onech_pro, ui.onech_save, ui.onech_score}, false);
    set_buttons_from_mask(options(ui), 0);
    store.onech_cur = 0;
    show_number(ui.onech_num, 0);
    ui.onech_pro->setText(QString());
    show_number(ui.onech_score, 0);
    name_question_text(ui.onech_pro, 0, QString());
    name_options(options(ui), 0);
    set_enabled({ui.onech_A, ui.onech_B, ui.onech_C, ui.onech_D, ui.onech_E, ui.onech_F}, false);
}
