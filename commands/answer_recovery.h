#pragma once

// The recovery record of the open paper: a private copy of its answers, so that a crash, a killed program or a
// power cut loses nothing the student typed. It lives in the student's own program data ("recovery" in the local
// application data folder), never beside the answer file, and it never changes the answer file.
//   written:  on every 保存当前答案 and every question change (the window's slots call keep_recovery_record), on
//             every change of page, and at most every 2 s while the student types into the answer box. The answers are
//             taken on the GUI thread; the file is written on a thread of its own, so that typing never waits for the
//             disk.
//   offered:  when the paper is opened again and the record holds other answers than the file.
//   removed:  after a save that wrote everything it held, and when the student closes the paper and agrees to
//             lose what was not saved. Opening another paper leaves the replaced paper's record for its next open.

#include "paper/recovery_record.h"

#include <QString>

class QObject;

namespace Ui {
class vq_stu;
}

// Follows typing in the window's answer box. A new window starts with no paper open.
void watch_answers(Ui::vq_stu &ui, QObject *window);

// Records the open paper's answers as they are now, the answer box's text included; nothing without a paper.
void keep_recovery_record(Ui::vq_stu &ui);

// After the paper `chosen` was put into the store and on the pages: its record from an earlier run is offered
// back, told about and kept aside, or removed; from now on it is this paper's record that is kept.
void offer_recovery_record(Ui::vq_stu &ui, const QString &chosen);

// After 保存当前答卷: with `saved`, the record goes when the file now holds every answer, the box's text
// included, and is brought up to date otherwise; after a failed save it stays, up to date.
void recovery_after_save(Ui::vq_stu &ui, bool saved);

// The student agreed to lose the open paper's unsaved answers.
void drop_recovery_record();

// Returns once every record that was asked for is written or removed.
void wait_for_recovery_records();

// Where the records are kept; empty where the user has no program data folder (no records then).
QString recovery_folder();
