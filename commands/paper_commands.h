#pragma once

// The four operations of the control page on the answer paper.
//   new:   asks for a file name and writes an all-unanswered answer file beside an existing problem.prb;
//          the paper store and the window stay as they are.
//   open:  asks for an answer file, reads its problem.prb and its answers, and puts the paper in the store and
//          on the pages. Whatever stops an opening leaves an open paper exactly as it was.
//   save:  rewrites the open paper's answer file from the store; a failure is told and the answers stay.
//   close: after confirmation, returns the window and the store to no paper open, without saving.
// Closing the window, or the end of the desktop session, asks the same confirmation while a paper is open.

#include <QString>

namespace Ui {
class vq_stu;
}

void new_paper(Ui::vq_stu &ui);
void open_paper(Ui::vq_stu &ui);
// Opening, from the answer file's path on: what follows the open dialog's choice.
void open_paper_file(Ui::vq_stu &ui, const QString &chosen);
void save_paper(Ui::vq_stu &ui);
void close_paper(Ui::vq_stu &ui);
// Whether the window may go: at once with no paper open, otherwise only when the student confirms, as closing the
// paper asks. Nothing is saved either way.
bool may_close_window();
