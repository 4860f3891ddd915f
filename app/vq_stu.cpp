#include "app/vq_stu.h"

#include "app/app_icon.h"
#include "commands/answer_recovery.h"
#include "commands/paper_commands.h"
#include "pages/accessible_form.h"
#include "pages/desktop_colours.h"
#include "pages/onech_page.h"
#include "pages/somech_page.h"
#include "pages/unch_page.h"
#include "ui_vq_stu.h"

#include <QCloseEvent>

vq_stu::vq_stu(QWidget *parent) : QMainWindow(parent), ui(new Ui::vq_stu)
{
    ui->setupUi(this);
    setWindowIcon(app_icon());
    make_form_accessible(*ui, this);
    follow_desktop_colours(*ui, this);
    watch_answers(*ui, this);
}

vq_stu::~vq_stu()
{
    delete ui;
}

void vq_stu::open_answer_file(const QString &path)
{
    open_paper_file(*ui, path);
}

void vq_stu::closeEvent(QCloseEvent *event)
{
    event->setAccepted(may_close_window());
}

void vq_stu::on_new_paper_clicked()
{
    new_paper(*ui);
}

void vq_stu::on_open_paper_clicked()
{
    open_paper(*ui);
}

void vq_stu::on_onech_last_clicked()
{
    show_previous_onech_question(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_onech_save_clicked()
{
    save_onech_answer(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_somech_save_clicked()
{
    save_somech_answer(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_unch_save_clicked()
{
    save_unch_answer(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_onech_next_clicked()
{
    show_next_onech_question(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_somech_last_clicked()
{
    show_previous_somech_question(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_somech_next_clicked()
{
    show_next_somech_question(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_unch_last_clicked()
{
    show_previous_unch_question(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_unch_next_clicked()
{
    show_next_unch_question(*ui);
    keep_recovery_record(*ui);
}

void vq_stu::on_close_paper_clicked()
{
    close_paper(*ui);
}

void vq_stu::on_save_paper_clicked()
{
    save_paper(*ui);
}
