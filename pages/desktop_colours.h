#pragma once

// What a student who turned on a high-contrast or dark colour scheme needs of the form. The form's own colours
// (the heading link's #0000ff, the number displays' raised segments in the palette's Light and Dark shades, the
// option rings and the focus outline, which the style derives from the window colour and the highlight) are made
// for a light palette. Where the desktop's palette is another one, and only where one of them would become hard to
// see, it gives way to the palette's own roles:
//   the link takes the palette's link colour, or its text colour, when #0000ff is under 4.5:1 on the page;
//   in a dark palette the displays' segments, the rings and boxes of the options and the focus outline of every
//   button, option and tab are drawn from the text colour when they would be under 3:1.
// At the toolkit's default palette nothing changes. A palette changed while the program runs (the student turns
// high contrast on during the exam) is followed at once.

class QColor;
class QWidget;

namespace Ui {
class vq_stu;
}

// Once, after the form is built.
void follow_desktop_colours(Ui::vq_stu &ui, QWidget *window);

// The contrast ratio of two colours as WCAG 2 defines it: 1 (none) to 21 (black on white).
double contrast_ratio(const QColor &a, const QColor &b);
