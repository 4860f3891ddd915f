#pragma once

// Tells the system's screen reader of a change that moves no focus (the question shown after 下一题, the answer
// stored, the page turned), in the words given.
// On Windows 10 1709 and later it is a UI Automation notification, which Narrator and NVDA speak; the function is
// looked up at run time, so that older systems still start. Elsewhere there is nothing to do here: on Linux the
// form's notification object tells Orca over AT-SPI.

#include <QString>

class QWidget;

namespace platform {

// Returns whether the system took the notification.
bool notify_screen_reader(QWidget *window, const QString &text);

} // namespace platform
