#pragma once

// What the process does before it builds the application object.

// Takes the user's locale, so that the command line is read in its code page. The window draws with the CPU
// alone: on X11, Qt would otherwise load the server's OpenGL integration at start, which costs about a tenth of a
// second and is never used; a value the user set stands.
void prepare_platform();

class QLocale;

// Qt's own dialogs (file dialog, message box buttons) in the language of `locale`, from Qt's translations:
// the system's folder, or a translations folder beside the program. The program's own texts do not change.
void install_toolkit_translations(const QLocale &locale);
