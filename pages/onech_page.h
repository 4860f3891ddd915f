#pragma once

// The single-choice page: one question at a time, one of the options A to F as its answer.
// The page stores the options shown into the paper store only on save, previous and next.

namespace Ui {
class vq_stu;
}

void show_onech_question(Ui::vq_stu &ui);
void store_onech_answer(Ui::vq_stu &ui);
// What 保存当前答案 does: stores the answer and says which answer was stored.
void save_onech_answer(Ui::vq_stu &ui);
void show_previous_onech_question(Ui::vq_stu &ui);
void show_next_onech_question(Ui::vq_stu &ui);

// After a paper was read: with questions, enables the page and shows question 1; without, closes the page if
// it was open and otherwise leaves it exactly as it was.
void open_onech_page(Ui::vq_stu &ui);
// Returns the page to the state of no paper open.
void close_onech_page(Ui::vq_stu &ui);
