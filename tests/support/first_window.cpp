// The program's first window as main() makes it, before the event loop: prints its size and the screen's free
// area ("800x600 on 800x600").

#include "app/startup.h"
#include "app/vq_stu.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>

int main(int argc, char *argv[])
{
    prepare_platform();
    QApplication application(argc, argv);
    vq_stu window;
    fit_to_screen(window);
    window.show();
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    std::printf("%dx%d on %dx%d\n", window.width(), window.height(), room.width(), room.height());
    return 0;
}
