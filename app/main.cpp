#include "app/command_line.h"
#include "app/startup.h"
#include "app/vq_stu.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    prepare_platform();
    const start_request request = read_command_line(argc, argv); // help, version and mistakes end here
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq_stu")); // names its data folder, whatever the file
    install_toolkit_translations(QLocale());
    place_input_method_at_cursor();
    if (request.answer_file.isEmpty()) {
        leave_the_program_folder(); // a relative path on the command line is the working folder's
    }
    vq_stu window;
    confirm_before_session_ends(window);
    fit_to_screen(window);
    window.show();
    window.setWindowTitle(QStringLiteral("VQ试卷评测系统2.0-答题端vq_stu"));
    if (!request.answer_file.isEmpty()) {
        open_from_command_line(window, request.answer_file);
    }
    return application.exec();
}
