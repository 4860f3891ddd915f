#pragma once

// The application icon: an answer sheet with a tick, drawn in code so that the window, the desktop entry and the
// Windows resource all come from this one source.

#include <QIcon>
#include <QImage>

constexpr int app_icon_size = 128;

// The artwork at `size` x `size` pixels, with alpha.
QImage draw_app_icon(int size = app_icon_size);
QIcon app_icon();
