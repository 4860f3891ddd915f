// The window's own operations on the large generated paper:
//   open_command:  opening through the open button, from the moment the file dialog closes to the first
//                  questions shown (the dialog itself is Qt's and excluded);
//   open_floor:    the file-reading floor for the same two files (read, convert all in one call);
//   next/previous: one click on each page, 1 KB question texts and answers, with the events it posts
//                  (layout and painting of the offscreen window) handled.
//   typing_with_recovery_record/<ms>: one character typed into the answer box per iteration, with its events
//                  handled, while the recovery record of the whole paper (every answer, about 20 MB) is written
//                  every 2 s to a disk that takes <ms> to flush each file; longest_pause_ms is the longest
//                  keystroke, the pause a student could feel.

#include "app/vq_stu.h"
#include "commands/answer_recovery.h"
#include "large_paper.h"
#include "paper/paper_store.h"
#include "platform/system_file.h"
#include "platform/text_mode.h"
#include "support/window_harness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <malloc.h>
#include <memory>
#include <thread>

namespace {

// Starts a clock when the file dialog hides, so that the open command is timed without Qt's dialog.
class dialog_closed_clock : public QObject {
public:
    QElapsedTimer clock;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && qobject_cast<QFileDialog *>(watched)) {
            clock.start();
        }
        return false;
    }
};

void open_command(benchmark::State &state)
{
    const large_paper &large = the_large_paper();
    harness::window_fixture fixture;
    harness::dialog_driver dialogs;
    dialog_closed_clock closed;
    qApp->installEventFilter(&closed);
    for (auto _ : state) {
        dialogs.choose_file(large.answer_path);
        harness::click(&fixture.window(), "open_paper");
        state.SetIterationTime(static_cast<double>(closed.clock.nsecsElapsed()) / 1e9);
    }
    qApp->removeEventFilter(&closed);
    if (paper::store.unch_count != paper::max_questions) {
        state.SkipWithError("the large paper did not open");
    }
}

void open_floor(benchmark::State &state)
{
    const large_paper &large = the_large_paper();
    for (auto _ : state) {
        for (const QString &path : {large.problem_path, large.answer_path}) {
            QByteArray bytes;
            platform::read_whole_file(path, bytes, nullptr);
            benchmark::DoNotOptimize(QString::fromLocal8Bit(bytes).size());
        }
    }
}

void step(benchmark::State &state, const char *next, const char *previous, const qint32 *cursor)
{
    const large_paper &large = the_large_paper();
    harness::window_fixture fixture;
    harness::dialog_driver dialogs;
    harness::open_paper(&fixture.window(), dialogs, large.answer_path);
    for (const char *name : {next, previous}) {
        harness::show_tab_of(harness::widget(&fixture.window(), name));
    }
    bool forward = true;
    for (auto _ : state) {
        if (*cursor == 1) {
            forward = true;
        } else if (*cursor == paper::max_questions) {
            forward = false;
        }
        harness::click(&fixture.window(), forward ? next : previous);
        // What the click posted (layout, repaint) is handled before the next one, as the event loop would.
        QCoreApplication::processEvents();
    }
}

void typing_with_recovery_record(benchmark::State &state)
{
    const large_paper &large = the_large_paper();
    harness::window_fixture fixture;
    harness::dialog_driver dialogs;
    harness::open_paper(&fixture.window(), dialogs, large.answer_path);
    auto *box = harness::find<QTextEdit>(&fixture.window(), "unch_ans_in");
    harness::show_tab_of(box);
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    const auto flush_time = std::chrono::milliseconds(state.range(0));
    std::atomic<int> flushes{0};
    platform::set_file_fault(
        [&](platform::file_step step) {
            if (step == platform::file_step::sync) {
                ++flushes;
                std::this_thread::sleep_for(flush_time);
            }
            return 0;
        },
        true);
    double longest = 0;
    QElapsedTimer clock;
    int typed = 0;
    for (auto _ : state) {
        clock.start();
        const QString key = QString(QChar(0x4E00 + typed++ % 200));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, key);
        QApplication::sendEvent(box, &release);
        QCoreApplication::processEvents();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        longest = std::max(longest, seconds);
        state.SetIterationTime(seconds);
    }
    wait_for_recovery_records();
    platform::set_file_fault({});
    state.counters["longest_pause_ms"] = longest * 1000;
    state.counters["files_flushed"] = flushes.load();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "");
    // Freed memory stays in the process, as in the paper-files benchmark, for both the command and its floor.
    mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("open_command/large", open_command)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("open_floor/large", open_floor)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("onech_next_or_previous", [](benchmark::State &s) {
        step(s, "onech_next", "onech_last", &paper::store.onech_cur);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("somech_next_or_previous", [](benchmark::State &s) {
        step(s, "somech_next", "somech_last", &paper::store.somech_cur);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("unch_next_or_previous", [](benchmark::State &s) {
        step(s, "unch_next", "unch_last", &paper::store.unch_cur);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("typing_with_recovery_record", typing_with_recovery_record)
        ->Arg(0)
        ->Arg(1000)
        ->MinTime(7)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
