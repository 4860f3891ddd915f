#pragma once

// Drives the real window as a student would: widgets found by object name, buttons clicked on their own tab,
// text typed, and the real modal dialogs (Qt's file dialog, the message box) answered as they appear.

#include <QAbstractButton>
#include <QByteArray>
#include <QFileDialog>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class vq_stu;

namespace harness {

// One modal dialog as it was seen, before it was answered.
struct seen_dialog {
    QString kind; // "file", "message" or "unexpected"
    QString caption;
    QString text;                         // a message box's text
    QString directory;                    // a file dialog's directory
    QStringList filters;                  // a file dialog's name filters
    bool save = false;                    // a file dialog's accept mode
    QMessageBox::StandardButtons buttons; // a message box's buttons
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool has_parent = false;
    bool window_blocked = false; // no other window of the program takes input while it is up
};

enum class box_answer { ok, cancel, escape, close_box, yes, no };

// Answers the modal dialogs that a click opens, in the order they were expected. A dialog that nobody expected
// is recorded and rejected, so that a test fails instead of hanging. On Windows the message boxes are the
// system's own (MessageBoxW): the driver finds them by their window class, sees their caption, text and buttons,
// and presses their buttons, so that the tests drive the real Windows road.
class dialog_driver : public QObject {
public:
    dialog_driver();
    ~dialog_driver() override;

    // A file dialog: choose `path` and accept. In a save dialog an existing file's replacement is confirmed.
    void choose_file(const QString &path);
    void cancel_file_dialog();
    // A message box: record it and answer it.
    void answer_message(box_answer answer = box_answer::ok);

    // Answers every dialog that no expectation is waiting for, instead of rejecting it as unexpected.
    using fallback = std::function<void(QWidget *dialog, dialog_driver &driver)>;
    void answer_the_rest(fallback answer) { fallback_ = std::move(answer); }
    // The same answers, as a fallback can give them right away.
    void accept_file(QFileDialog *dialog, const QString &path);
    void reject_dialog(QWidget *dialog);
    void click_box_button(QMessageBox *box, box_answer answer);

    QList<seen_dialog> seen;
    int pending() const { return handlers_.size(); }
    // What was seen that nobody expected, and expectations that nothing met.
    QStringList problems() const;
    void clear();

private:
    using handler = std::function<void(QWidget *)>;
    void poll();
    QTimer timer_;
    QList<handler> handlers_;
    QSet<QWidget *> handled_;
    fallback fallback_;
    // On Windows, the system's message boxes that were answered, and the stand-ins that the tests saw for them.
    QSet<quintptr> answered_boxes_;
    QList<QPointer<QWidget>> native_boxes_;
};

// The names of the window's slots that ran, in order.
class slot_recorder {
public:
    slot_recorder();
    ~slot_recorder();
    QStringList slots_run() const;
    void clear();
};

// The program's data (its recovery records) in a folder of this test program's own, never the user's: the first
// window does it. The program's name is the real program's, so that a record is found under the same name.
void private_data_folder();

// A fresh window, shown and titled as the program's entry does it, over a fresh paper store and no recovery
// records.
class window_fixture {
public:
    window_fixture();
    ~window_fixture();
    vq_stu &window() { return *window_; }

private:
    std::unique_ptr<vq_stu> window_;
};

// The base of a window test: each test function gets a fresh window over a fresh store, a dialog driver and a
// scratch folder, and fails if a dialog appeared that it did not expect or an expected one never came.
class window_test : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<window_fixture> fixture;
    std::unique_ptr<dialog_driver> dialogs;
    QWidget *w = nullptr;

private slots:
    void init();
    void cleanup();
};

void reset_store();

QWidget *widget(QWidget *root, const char *name);
template <typename T> T *find(QWidget *root, const char *name)
{
    return qobject_cast<T *>(widget(root, name));
}

// Brings the widget's tab to the front, as a student would before clicking it.
void show_tab_of(QWidget *w);
void click(QWidget *root, const char *button);
// Clicks an option button (radio or check box).
void click_option(QWidget *root, const char *option);
// The checked options of a page as letters, for example "AC" for `prefix` "onech" or "somech".
QString checked(QWidget *root, const char *prefix);
// Clicks the options named by `letters` on a page, in order.
void choose(QWidget *root, const char *prefix, const QString &letters);
// The plain text of a text field, and the value of a display.
QString shown(QWidget *root, const char *name);
double lcd(QWidget *root, const char *name);
// Replaces the text of the free-answer box by typing `text` (LF typed as Return).
void type_answer(QWidget *root, const QString &text);

// The problem file of the documented worked example: counts 2 1 1, scores 2, 3, (4, 1.5) and 10.
QByteArray worked_problem();
// A folder `dir/sub` (made if needed) holding `problem` as problem.prb and `answers` as `name`; returns the
// answer file's path. An empty `problem` leaves problem.prb out.
QString make_paper(const QString &dir, const QString &sub, const QByteArray &problem, const QString &name,
                   const QByteArray &answers);
// Opens the answer file through the open button and the real file dialog.
void open_paper(QWidget *window, dialog_driver &dialogs, const QString &path);

// Everything a student can see on the window, and the store's counts, cursors and paths, one line each:
// two snapshots are equal when nothing changed.
QStringList snapshot(QWidget *window);

QByteArray read_bytes(const QString &path);
void write_bytes(const QString &path, const QByteArray &bytes);
// CR LF line ends for a text written with LF.
QByteArray crlf(const QByteArray &text);

} // namespace harness
