#pragma once

// What the three answering pages share: the six option buttons A to F and the page cursor.

#include <QtGlobal>

#include <array>

class QAbstractButton;
class QWidget;

using option_buttons = std::array<QAbstractButton *, 6>;

// The option mask of the checked buttons (A = 1 ... F = 32).
qint32 mask_from_buttons(const option_buttons &buttons);

// Checks exactly the buttons whose bit is set in `mask`; other bits are not shown. Auto-exclusive buttons are
// made non-exclusive while they are set, so that a mask of 0 clears them all and a mask with several bits
// checks several.
void set_buttons_from_mask(const option_buttons &buttons, qint32 mask);

void set_enabled(std::initializer_list<QWidget *> widgets, bool enabled);

// Whether `cursor` names a question of a paper with `count` questions that the store can hold.
bool cursor_in_paper(qint32 cursor, qint32 count);

// Moves `cursor` by `step` if it stays within 1..count; returns whether it moved.
bool step_cursor(qint32 &cursor, qint32 count, int step);
