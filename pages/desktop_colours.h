#pragma once

// What a student who turned on a high-contrast or dark colour scheme needs of the form. The form's own colours
// (the heading link's #0000ff, the number displays' raised segments in the palette's Light and Dark shades, the
// option rings, the controls' edges and the focus outline, which the styles shade from the window colour and the
// highlight) are made for the toolkit's default palette. Where the desktop gives another one, they give way to the
// palette's roles where they would be hard to see in it:
//   the link takes the palette's link colour, or its text colour, when #0000ff is under 4.5:1 on the page;
//   the displays' segments take the text colour where a shade is under 3:1 on the page;
//   the rings and boxes of the options are drawn in the text colour, and the keyboard focus of every button,
//   option, tab and text box as a solid line in the highlight colour (the text colour where the highlight does not
//   stand out);
//   the edges of the buttons, the tabs, the tab pane and the text boxes, which the styles shade from the window
//   colour, are drawn in the text colour as well.
// At the toolkit's default palette (on Windows: without high contrast) nothing changes. A palette changed while the
// program runs (the student turns high contrast on during the exam) is followed at once.

class QColor;
class QWidget;

namespace Ui {
class vq_stu;
}

// Once, after the form is built.
void follow_desktop_colours(Ui::vq_stu &ui, QWidget *window);

// The contrast ratio of two colours as WCAG 2 defines it: 1 (none) to 21 (black on white).
double contrast_ratio(const QColor &a, const QColor &b);
