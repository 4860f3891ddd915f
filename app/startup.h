#pragma once

// What the process does before it builds the application object.

// Takes the user's locale, so that the command line is read in its code page. Turns on display scaling at the
// system's exact factor. The window draws with the CPU alone: on X11, Qt would otherwise load the server's OpenGL
// integration at start, which costs about a tenth of a second and is never used; a value the user set stands.
void prepare_platform();

class QLocale;
class QWidget;
class vq_stu;

// The first window is never larger than the screen's available area: under strong scaling (a 1080-line screen at
// 200 %) it shrinks to fit, title bar included, so that every button can be reached.
void fit_to_screen(QWidget &window);

// Qt's own dialogs (file dialog, message box buttons) in the language of `locale`, from Qt's translations:
// the system's folder, or a translations folder beside the program. The program's own texts do not change.
void install_toolkit_translations(const QLocale &locale);

// On Windows, a program started in its own folder (the Start menu's shortcut, a double click on vq_stu.exe) works
// in the student's Documents folder instead, so that its dialogs, which start in the working folder, open where
// students keep their files rather than among the program's files. A program copied into an exam folder, beside
// its problem.prb, stays there. Elsewhere the working folder stays as it is.
void leave_the_program_folder();

// When the desktop session ends (log out, shut down) while a paper is open, asks as closing the window does, where
// the session manager lets the program ask; Cancel keeps the session. The session manager, not the program,
// decides how long the session waits. For as long as `window` lives.
void confirm_before_session_ends(vq_stu &window);

// Under display scaling, the input method's candidate window opens at the text cursor. The ibus input context of
// Qt 5 and of Qt 6 before 6.5 tells ibus where the cursor is in scaled units while ibus places its window in the
// screen's pixels, so at 150 % the candidates would open hundreds of pixels from the text; the position Qt reports
// is given in the screen's pixels instead. Nothing changes at 100 % or with other input methods (fcitx5 scales
// itself).
void place_input_method_at_cursor();
