#pragma once

// The program's only message boxes: modal, without an owner window and without an icon. While one is up, no
// window of the program takes input.
// On Windows they are the system's own; elsewhere a QMessageBox without a parent stands in for it.

#include <QString>

namespace platform {

enum class box_buttons { ok, ok_cancel, yes_no };
enum class box_answer { ok, cancel, yes, no };

// Shows `text` under the caption `caption` and waits for the student. Cancel, Esc and the close box all
// answer cancel; with a lone OK button every way of closing the box answers ok. A yes-or-no question takes only
// the two buttons: on Windows Esc and the close box do nothing, elsewhere they answer yes.
box_answer message_box(const QString &text, const QString &caption, box_buttons buttons);

} // namespace platform
