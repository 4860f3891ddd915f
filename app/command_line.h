#pragma once

// The command line: vq_stu [ANSWER_FILE], with --help and --version. The toolkit's own options (-platform,
// -style, ...) are accepted and left to the application object.

#include <QString>
#include <QStringList>

class vq_stu;

// What the command line asks of the program.
struct start_request {
    enum class kind { run, help, version, mistake };
    kind what = kind::run;
    QString answer_file; // with run: empty when none was named
    QString mistake;     // with mistake: why the command line cannot be followed
};

// Reads the arguments, the program's name first.
start_request parse_command_line(const QStringList &arguments);

// Reads the process's command line before any window exists. Help and the version are printed (in the student's
// language, where Qt has it) and end the process with 0; a mistake is told with the usage, on standard error (on
// Windows without a console, in the message box), and the process then ends with 2. On Windows the arguments are
// read from the wide command line. Returns only a request to run.
start_request read_command_line(int &argc, char *argv[]);

// Opens the answer file named on the command line exactly as if the student had chosen it in the open dialog;
// a relative path is taken from the working folder.
void open_from_command_line(vq_stu &window, const QString &path);
