#include "app/command_line.h"

#include "app/startup.h"
#include "app/vq_stu.h"
#include "platform/local8bit.h"
#include "platform/message_box.h"
#include "platform/student_messages.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

void describe(QCommandLineParser &parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("vq_stu"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ_VERSION));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("VQ试卷评测系统的答题端：打开答卷文件（*.stu），逐题作答，并把答案保存回答卷文件。\n"
                       "The answering client of the VQ exam-paper evaluation system."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ANSWER_FILE"),
                                 QStringLiteral("启动后打开的答卷文件，它的文件夹中须有 problem.prb\n"
                                                "(an answer file to open at start)"),
                                 QStringLiteral("[ANSWER_FILE]"));
    // The toolkit's own options, which the application object takes out of the arguments.
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display", "geometry", "name",
                             "title", "visual", "style", "stylesheet", "dialogs"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "nograb", "dograb", "sync", "widgetcount"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

start_request parse(QCommandLineParser &parser, const QStringList &arguments)
{
    start_request request;
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        request.what = start_request::kind::help;
    } else if (parser.isSet(QStringLiteral("version"))) {
        request.what = start_request::kind::version;
    } else if (!parsed) {
        request.what = start_request::kind::mistake;
        request.mistake = parser.errorText();
    } else if (parser.positionalArguments().size() > 1) {
        request.what = start_request::kind::mistake;
        request.mistake = QStringLiteral("只能打开一个答卷文件 (only one answer file can be opened).");
    } else if (!parser.positionalArguments().isEmpty()) {
        request.answer_file = parser.positionalArguments().constFirst();
    }
    return request;
}

} // namespace

start_request parse_command_line(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    return parse(parser, arguments);
}

namespace {

QStringList program_arguments(int argc, char *argv[])
{
    QStringList arguments;
#ifdef Q_OS_WIN
    // The wide command line holds every name as it was given; in argv a character that the ANSI code page lacks
    // is a '?', and the file would then be "not found" instead of explained.
    Q_UNUSED(argc)
    Q_UNUSED(argv)
    int count = 0;
    if (LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) {
            arguments << QString::fromWCharArray(wide[i]);
        }
        LocalFree(wide);
    }
#else
    for (int i = 0; i < argc; ++i) {
        arguments << platform::file_name_from_local_8bit(QByteArray(argv[i]));
    }
#endif
    return arguments;
}

// A mistake goes where the student can read it: standard error, or on Windows, for a program started without a
// console or redirected output (from the desktop, or with files dropped on it), the message box, as Qt does with
// the help text.
void tell_mistake(const QString &text)
{
#ifdef Q_OS_WIN
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    if (!GetConsoleWindow() && !(startup.dwFlags & STARTF_USESTDHANDLES)) {
        platform::message_box(text, notice_caption(), platform::box_buttons::ok);
        return;
    }
#endif
    std::fputs(platform::to_local_8bit(text).constData(), stderr);
}

} // namespace

start_request read_command_line(int &argc, char *argv[])
{
    const QStringList arguments = program_arguments(argc, argv);
    const start_request request = parse_command_line(arguments);
    if (request.what == start_request::kind::run) {
        return request;
    }
    // Printed in the student's language: Qt's texts need the application object and its translations.
    QCoreApplication application(argc, argv);
    install_toolkit_translations(QLocale());
    QCommandLineParser parser;
    describe(parser);
    parse(parser, arguments);
    switch (request.what) {
    case start_request::kind::help:
        parser.showHelp(0); // prints and ends the process
    case start_request::kind::version:
        parser.showVersion();
    default:
        break;
    }
    tell_mistake(request.mistake + QStringLiteral("\n\n") + parser.helpText());
    std::exit(2);
}

void open_from_command_line(vq_stu &window, const QString &path)
{
    // The open dialog gives an absolute, clean path; so does the command line.
    window.open_answer_file(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}
