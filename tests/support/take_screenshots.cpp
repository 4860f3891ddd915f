// Takes one screenshot of each of the four pages of the real window, with the sample paper open:
//   take_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER
// Run it on a real display (an X server such as Xvfb): the pictures are grabbed from the screen. With
// VQ_SCREENSHOT_PALETTE=high-contrast (or dark) the desktop's palette is that one, and the files are named after it
// (page-1-control-high-contrast.png).

#include "app/vq_stu.h"
#include "support/desktop_palettes.h"
#include "support/window_harness.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // The open dialog is answered as a widget: a desktop's own dialog (QT_QPA_PLATFORMTHEME) would wait forever.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: take_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QString palette = qEnvironmentVariable("VQ_SCREENSHOT_PALETTE");
    if (!palette.isEmpty()) {
        if (harness::desktop_palette(palette) == QPalette()) {
            std::fprintf(stderr, "unknown palette %s (high-contrast, dark)\n", qPrintable(palette));
            return 2;
        }
        QApplication::setPalette(harness::desktop_palette(palette));
    }
    // Both folders before the working folder changes: a relative path would then name another file, which the
    // open dialog would not accept.
    const QString examples = QDir(args[1]).absolutePath();
    const QString output = QDir(args[2]).absolutePath();
    QDir::setCurrent(examples);
    QTimer::singleShot(60000, [] {
        std::fprintf(stderr, "the window did not get through opening the sample paper in a minute\n");
        std::exit(1);
    });
    harness::window_fixture fixture;
    QWidget *w = &fixture.window();
    w->move(0, 0);
    harness::dialog_driver dialogs;
    harness::open_paper(w, dialogs, QDir(examples).filePath(QStringLiteral("张三.stu")));
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
        const QString suffix = palette.isEmpty() ? QString() : QLatin1Char('-') + palette;
        const QString file =
            QDir(output).filePath(QStringLiteral("page-%1-%2%3.png").arg(i + 1).arg(QLatin1String(names[i]), suffix));
        if (!shot.save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
