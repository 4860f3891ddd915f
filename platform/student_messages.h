#pragma once

// Everything the program says to the student, always in a message box captioned "提示".

#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The one caption of every message box.
QString notice_caption();

// The folder of the chosen answer file has no problem.prb (new and open alike).
QString missing_problem_text();

// Shows `text` with a single OK button.
void tell(const QString &text);

// Asks before a paper is closed; true unless the student cancels (Cancel, Esc or the close box).
bool confirm_close();

// A '$' typed into a free answer was stored as `stand_in`.
void tell_dollar_replaced(QChar stand_in);

// A free answer holds characters that the answer file's code page cannot represent.
void tell_not_in_code_page();

// Opened files hold bytes that the local 8-bit code page cannot decode: the texts show substitutes, and saving
// would keep them. Says how to start the program under the files' encoding.
void tell_not_in_file_code_page(const QStringList &files);

// A recovery record of `paper` holds `differing` answers other than the file's, taken at `typed`; `file_changed`
// when the answer file was written elsewhere since. True when the student wants them back.
bool ask_to_restore(const QString &paper, int differing, const QDateTime &typed, bool file_changed);

// The answers came back into the program but are not in the answer file yet.
void tell_restored(int restored);

// A recovery record was not applied (`why`) and was kept as `kept` (empty when it could not be moved).
void tell_record_kept_aside(const QString &paper, const QString &why, const QString &kept);

// The recovery record could not be written: the unsaved answers are not protected.
void tell_record_not_written(const QString &why);
