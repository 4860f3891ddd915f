// Writes the application icon as vq_stu.png (128 x 128), as hicolor/NxN/apps/vq_stu.png in the sizes that
// desktops look for, and as vq_stu.ico (for the Windows resource IDI_ICON1) into the folder given on the command
// line.

#include "app/app_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vq_icon_maker FOLDER\n");
        return 2;
    }
    const QDir folder(args.at(1));
    const QImage icon = draw_app_icon(app_icon_size);
    if (!icon.save(folder.filePath(QStringLiteral("vq_stu.png")), "PNG")) {
        std::fprintf(stderr, "vq_icon_maker: cannot write vq_stu.png\n");
        return 1;
    }
    // The sizes that desktops look for, in the hicolor theme's layout.
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString theme = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        if (!folder.mkpath(theme) ||
            !draw_app_icon(size).save(folder.filePath(theme + QStringLiteral("/vq_stu.png")), "PNG")) {
            std::fprintf(stderr, "vq_icon_maker: cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    // The ICO writer is a Qt image plugin; without it the Windows resource is the only thing that cannot be built.
    QImageWriter ico(folder.filePath(QStringLiteral("vq_stu.ico")), "ico");
    if (!ico.write(icon)) {
        std::fprintf(stderr, "vq_icon_maker: cannot write vq_stu.ico: %s\n", qPrintable(ico.errorString()));
        return 1;
    }
    return 0;
}
