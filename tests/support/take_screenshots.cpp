// Takes one screenshot of each of the four pages of the real window, with the sample paper open:
//   take_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER
// Run it on a real display (an X server such as Xvfb): the pictures are grabbed from the screen.

#include "app/vq_stu.h"
#include "support/window_harness.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: take_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    QDir::setCurrent(args[1]);
    harness::window_fixture fixture;
    QWidget *w = &fixture.window();
    w->move(0, 0);
    harness::dialog_driver dialogs;
    harness::open_paper(w, dialogs, QDir(args[1]).filePath(QStringLiteral("张三.stu")));
    if (!dialogs.problems().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
        return 1;
    }
    const char *names[] = {"control", "single-choice", "multiple-choice", "non-choice"};
    auto *tabs = harness::find<QTabWidget>(w, "tabWidget");
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        QTest::qWait(300);
        const QRect frame = w->frameGeometry();
        const QPixmap shot = w->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        const QString file =
            QDir(args[2]).filePath(QStringLiteral("page-%1-%2.png").arg(i + 1).arg(QLatin1String(names[i])));
        if (!shot.save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
