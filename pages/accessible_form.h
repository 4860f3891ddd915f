#pragma once

// What a screen reader and a keyboard need of the form, beyond its visible texts:
//   every value (a number display, a control-page value) is named by its visible label, linked as its buddy, and
//   what it holds now ("题号：3");
//   the question text is named by its number, scores and words, the answer box and the options by their question;
//   each page is a named pane, so that a screen reader says which page the focus came into;
//   what a press changes without moving the focus (the question shown after 下一题, the answer stored, the page
//   turned from the top row) is said once, as a notification;
//   Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp change the page from anywhere in the window, but in
//   the answer box, where Tab types a tab, Ctrl+Tab and Ctrl+Shift+Tab leave the box.

#include "pages/option_buttons.h"

#include <QString>

class QLCDNumber;
class QTextEdit;
class QWidget;

namespace Ui {
class vq_stu;
}

// Once, after the form is built: the page keys, the names of the empty window, and the focus at start on a
// button that changes no file.
void make_form_accessible(Ui::vq_stu &ui, QWidget *window);

// Names `value` by its label (the QLabel whose buddy it is) and what it holds, for example "学生文件名：张三".
void name_value(QWidget *value, const QString &holds);

// Shows `number` on the display and names the display by its label and the number.
void show_number(QLCDNumber *display, int number);
void show_number(QLCDNumber *display, double number);

// How a question's scores are said: "2 分"; on the multiple-choice page "全对 4 分，少选 1.5 分".
QString score_words(double score);
QString score_words(double full, double partial);
// How an answer is said: "已选 A、C" or "未选"; for a free answer "已写答案，共 12 字" or "未写答案".
QString options_words(qint32 mask);
QString free_answer_words(const QString &answer);

// Names what belongs to the question shown (0: none), after the question is on the page: its text, by number,
// scores and words ("第 3 题，2 分。……"); its options ("第 3 题 选项 A", with the page's hint, said once: the hint
// goes when the focus leaves an option); on the non-choice page the answer box and its label ("答题区：第 3 题的答案").
// The page remembers the number and scores, to say them when it is turned to.
void name_question_text(QTextEdit *text, int question, const QString &scores);
void name_options(const option_buttons &options, int question);
void name_answer_box(QWidget *box, int question);

// Says `text` once through the screen reader, without moving the focus.
void announce(const QString &text);
// After 上一题 or 下一题: the question now shown, its scores, words and stored answer.
void announce_question(const QTextEdit *text, int question, const QString &scores, const QString &answer);
// After 保存当前答案: which answer was stored for which question.
void announce_stored(int question, const QString &answer);
