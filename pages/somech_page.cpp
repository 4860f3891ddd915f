#include "pages/somech_page.h"

#include "pages/accessible_form.h"
#include "pages/option_buttons.h"
#include "paper/paper_store.h"
#include "ui_vq_stu.h"

using paper::store;

namespace {

option_buttons options(Ui::vq_stu &ui)
{
    return {ui.somech_A, ui.somech_B, ui.somech_C, ui.somech_D, ui.somech_E, ui.somech_F};
}

} // namespace

void show_somech_question(Ui::vq_stu &ui)
{
    if (!cursor_in_paper(store.somech_cur, store.somech_count)) {
        return;
    }
    const paper::somech_item &item = store.somech_items[static_cast<std::size_t>(store.somech_cur)];
    show_number(ui.somech_num, store.somech_cur);
    ui.somech_pro_in->setText(item.text);
    show_number(ui.somech_scrig, item.full_score);
    show_number(ui.somech_scsom, item.partial_score);
    set_buttons_from_mask(options(ui), item.answer);
    name_question_text(ui.somech_pro_in, store.somech_cur, score_words(item.full_score, item.partial_score));
    name_options(options(ui), store.somech_cur);
}

namespace {

void announce_somech_question(Ui::vq_stu &ui)
{
    if (cursor_in_paper(store.somech_cur, store.somech_count)) {
        const paper::somech_item &item = store.somech_items[static_cast<std::size_t>(store.somech_cur)];
        announce_question(ui.somech_pro_in, store.somech_cur, score_words(item.full_score, item.partial_score),
                          options_words(item.answer));
    }
}

} // namespace

void store_somech_answer(Ui::vq_stu &ui)
{
    if (!cursor_in_paper(store.somech_cur, store.somech_count)) {
        return;
    }
    store.somech_items[static_cast<std::size_t>(store.somech_cur)].answer = mask_from_buttons(options(ui));
}

void save_somech_answer(Ui::vq_stu &ui)
{
    store_somech_answer(ui);
    if (cursor_in_paper(store.somech_cur, store.somech_count)) {
        announce_stored(store.somech_cur,
                        options_words(store.somech_items[static_cast<std::size_t>(store.somech_cur)].answer));
    }
}

void show_previous_somech_question(Ui::vq_stu &ui)
{
    store_somech_answer(ui);
    if (step_cursor(store.somech_cur, store.somech_count, -1)) {
        show_somech_question(ui);
    }
    announce_somech_question(ui);
}

void show_next_somech_question(Ui::vq_stu &ui)
{
    store_somech_answer(ui);
    if (step_cursor(store.somech_cur, store.somech_count, +1)) {
        show_somech_question(ui);
    }
    announce_somech_question(ui);
}

void open_somech_page(Ui::vq_stu &ui)
{
    if (store.somech_count < 1) {
        if (store.somech_cur != 0) {
            close_somech_page(ui); // the previous paper's questions go; a page that was closed stays as it is
        }
        return;
    }
    set_enabled({ui.somech_last, ui.somech_next, ui.somech_pro_in, ui.somech_save, ui.somech_scrig, ui.somech_scsom,
                 ui.somech_A, ui.somech_B, ui.somech_C, ui.somech_D, ui.somech_E, ui.somech_F},
                true);
    store.somech_cur = 1;
    show_somech_question(ui);
}

void close_somech_page(Ui::vq_stu &ui)
{
    set_enabled({ui.somech_last, ui.somech_next, ui.somech_pro_in, ui.somech_save, ui.somech_scrig, ui.somech_scsom},
                false);
    set_buttons_from_mask(options(ui), 0);
    store.somech_cur = 0;
    show_number(ui.somech_num, 0);
    ui.somech_pro_in->setText(QString());
    show_number(ui.somech_scrig, 0);
    show_number(ui.somech_scsom, 0);
    name_question_text(ui.somech_pro_in, 0, QString());
    name_options(options(ui), 0);
    set_enabled({ui.somech_A, ui.somech_B, ui.somech_C, ui.somech_D, ui.somech_E, ui.somech_F}, false);
}
