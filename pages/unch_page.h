#pragma once

// The non-choice page: one question at a time, free text as its answer.
// The page stores the text shown into the paper store only on save, previous and next.

namespace Ui {
class vq_stu;
}

void show_unch_question(Ui::vq_stu &ui);
// Stores the answer box's plain text. A '$' (which the answer file reserves) becomes its stand-in (the
// full-width '＄'), in the store and in the box, and the student is told once. An answer with characters that the
// file's 8-bit code page cannot hold is stored as typed, and the student is told, when it is stored with new
// content, that the file will hold substitutes.
void store_unch_answer(Ui::vq_stu &ui);
// What 保存当前答案 does: stores the answer and says which answer was stored.
void save_unch_answer(Ui::vq_stu &ui);
void show_previous_unch_question(Ui::vq_stu &ui);
void show_next_unch_question(Ui::vq_stu &ui);

// After a paper was read: with questions, enables the page and shows question 1; without, closes the page if
// it was open and otherwise leaves it exactly as it was.
void open_unch_page(Ui::vq_stu &ui);
// Returns the page to the state of no paper open. The score display keeps its last value, greyed out.
void close_unch_page(Ui::vq_stu &ui);
