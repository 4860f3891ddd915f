#pragma once

// The main window of the answering client.
//
// How a click travels: a push button of the form (ui/vq_stu.ui) reaches the slot of the same name, connected by
// name when the form is built; the slot calls a command (commands/: new, open, save, close the answer paper) or
// a page operation (pages/: store the answer, previous, next). Those read and write the paper store
// (paper/paper_store.h) and, for the commands, the problem file and the answer file (paper/). After each page
// operation the slot has the answers recorded (commands/answer_recovery.h), as typing in the answer box does on
// its own. The window itself holds nothing but its form.

#include <QMainWindow>

namespace Ui {
class vq_stu;
}

class vq_stu : public QMainWindow {
    Q_OBJECT

public:
    explicit vq_stu(QWidget *parent = nullptr);
    ~vq_stu() override;

    // Opens the answer file at `path` as if the student had chosen it in the open dialog.
    void open_answer_file(const QString &path);

protected:
    // Closing the window (its close button, Alt+F4, the taskbar) while a paper is open asks first, as closing the
    // paper does: answers that were not saved would be lost.
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_new_paper_clicked();
    void on_open_paper_clicked();
    void on_onech_last_clicked();
    void on_onech_save_clicked();
    void on_somech_save_clicked();
    void on_unch_save_clicked();
    void on_onech_next_clicked();
    void on_somech_last_clicked();
    void on_somech_next_clicked();
    void on_unch_last_clicked();
    void on_unch_next_clicked();
    void on_close_paper_clicked();
    void on_save_paper_clicked();

private:
    Ui::vq_stu *ui;
};
