// A student who answers in the real window and never saves, to be killed:
//   answer_child ANSWERS
// Opens ANSWERS (a paper of the worked example), chooses B on single-choice question 1 and moves on, stores A and C
// on the multiple-choice page, and types a free answer that stays in the box. Prints "recorded" once the recovery
// record holds all of it, then waits to be killed.

#include "app/vq_stu.h"
#include "commands/answer_recovery.h"
#include "paper/recovery_record.h"
#include "platform/text_mode.h"
#include "support/window_harness.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    harness::window_fixture fixture;
    QWidget *w = &fixture.window();
    fixture.window().open_answer_file(path);
    harness::choose(w, "onech", QStringLiteral("B"));
    harness::click(w, "onech_next");
    harness::choose(w, "somech", QStringLiteral("AC"));
    harness::click(w, "somech_save");
    harness::type_answer(w, QStringLiteral("被杀之前\n写的答案"));
    const QString record =
        recovery_folder() + QLatin1Char('/') + paper::record_file_name(QFileInfo(path).canonicalFilePath());
    const paper::answer_set expected{{2, 0}, {5}, {QStringLiteral("被杀之前\n写的答案")}};
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        // Read only between writes: on Windows a file open for reading cannot be replaced.
        wait_for_recovery_records();
        QByteArray bytes;
        paper::recovery_record read;
        if (platform::read_whole_file(record, bytes, nullptr) && paper::parse_record(bytes, read, nullptr) &&
            paper::recovered_answers(read) == expected) {
            std::printf("recorded\n");
            std::fflush(stdout);
            return app.exec();
        }
        QTest::qWait(20);
    }
    return 1;
}
