#include "pages/option_buttons.h"

#include "paper/paper_store.h"

#include <QAbstractButton>
#include <QWidget>

#include <algorithm>

qint32 mask_from_buttons(const option_buttons &buttons)
{
    return paper::mask_from_options([&](std::size_t i) { return buttons[i]->isChecked(); });
}

void set_buttons_from_mask(const option_buttons &buttons, qint32 mask)
{
    std::array<bool, 6> exclusive{};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        exclusive[i] = buttons[i]->autoExclusive();
        buttons[i]->setAutoExclusive(false);
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setChecked(paper::option_set(mask, i));
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setAutoExclusive(exclusive[i]);
    }
    // Qt moves the tab stop of a group of exclusive buttons only when the student checks one. Here it moves to
    // the button checked now, or the first when none is, so that Tab lands on the answer shown.
    const auto checked =
        std::find_if(buttons.begin(), buttons.end(), [](QAbstractButton *b) { return b->isChecked(); });
    const QAbstractButton *stop = checked != buttons.end() ? *checked : buttons.front();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (exclusive[i]) {
            const Qt::FocusPolicy policy = buttons[i]->focusPolicy();
            buttons[i]->setFocusPolicy(buttons[i] == stop ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                                          : Qt::FocusPolicy(policy & ~Qt::TabFocus));
        }
    }
}

void set_enabled(std::initializer_list<QWidget *> widgets, bool enabled)
{
    for (QWidget *widget : widgets) {
        widget->setEnabled(enabled);
    }
}

bool cursor_in_paper(qint32 cursor, qint32 count)
{
    return cursor >= 1 && cursor <= count && cursor <= paper::max_questions;
}

bool step_cursor(qint32 &cursor, qint32 count, int step)
{
    const qint64 target = qint64(cursor) + step;
    if (!cursor_in_paper(cursor, count) || target < 1 || target > count) {
        return false;
    }
    cursor = static_cast<qint32>(target);
    return true;
}
