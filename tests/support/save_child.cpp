// A student's program saving a large paper again and again, to be killed in the middle of a save:
//   save_child PROBLEM ANSWERS
// Loads the paper, then rewrites ANSWERS from the store forever, alternating every free answer between two
// texts of different lengths, and prints "saved N" after each save.

#include "paper/answer_file.h"
#include "paper/problem_file.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        return 2;
    }
    paper::loaded_paper loaded;
    if (!paper::read_problem_file(args[1], loaded, nullptr) ||
        !paper::read_answer_file(args[2], loaded, nullptr, nullptr)) {
        return 1;
    }
    paper::install_paper(std::move(loaded));
    const QString texts[2] = {QString(900, QLatin1Char('a')) + QStringLiteral("\n第一版"),
                              QString(300, QLatin1Char('b')) + QStringLiteral("\n第二版\n")};
    for (int n = 1;; ++n) {
        for (int i = 1; i <= paper::store.unch_count; ++i) {
            paper::store.unch_items[static_cast<std::size_t>(i)].answer = texts[n % 2];
        }
        for (int i = 1; i <= paper::store.onech_count; ++i) {
            paper::store.onech_items[static_cast<std::size_t>(i)].answer = n % 2 ? 1 : 32;
        }
        if (!paper::write_answer_file(args[2], nullptr)) {
            return 1;
        }
        std::printf("saved %d\n", n);
        std::fflush(stdout);
    }
}
