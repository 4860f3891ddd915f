#pragma once

// What a screen reader and a keyboard need of the form, beyond its visible texts:
//   every value (a number display, a control-page value) is named by its visible label, linked as its buddy, and
//   what it holds now ("题号：3"); a change of value reaches the screen reader as a change of name;
//   the question text, the answer box and the options say which question they belong to;
//   Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp change the page from anywhere in the window.

#include "pages/option_buttons.h"

#include <QString>

class QLCDNumber;
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

// Names what belongs to the question shown (0: none) after it: its text ("题面：第 3 题"), its options
// ("第 3 题 选项 A") and, on the non-choice page, the answer box ("答题区：第 3 题的答案").
void name_question_text(QWidget *text, int question);
void name_options(const option_buttons &options, int question);
void name_answer_box(QWidget *box, int question);
