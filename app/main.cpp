#include "app/startup.h"
#include "app/vq_stu.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    prepare_platform();
    QApplication application(argc, argv);
    vq_stu window;
    window.show();
    window.setWindowTitle(QStringLiteral("VQ试卷评测系统2.0-答题端vq_stu"));
    return application.exec();
}
