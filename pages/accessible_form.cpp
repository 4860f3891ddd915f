#include "pages/accessible_form.h"

#include "ui_vq_stu.h"

#include <QAbstractButton>
#include <QLCDNumber>
#include <QLabel>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocumentFragment>

namespace {

// The visible text of the label whose buddy `value` is, as plain text ("题号：").
QString label_text(const QWidget *value)
{
    const QWidget *parent = value->parentWidget();
    if (!parent) {
        return QString();
    }
    for (const QLabel *label : parent->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->buddy() == value) {
            return QTextDocumentFragment::fromHtml(label->text()).toPlainText().trimmed();
        }
    }
    return QString();
}

// Sets the name that a screen reader announces; Qt tells it of the change (a name-changed event), which is how a
// display or a label that changes its value reaches it.
void set_name(QWidget *widget, const QString &name)
{
#if QT_CONFIG(accessibility) // a Qt built without it has nobody to tell
    if (widget->accessibleName() != name) {
        widget->setAccessibleName(name);
    }
#else
    Q_UNUSED(widget)
    Q_UNUSED(name)
#endif
}

void set_description(QWidget *widget, const QString &description)
{
#if QT_CONFIG(accessibility)
    widget->setAccessibleDescription(description);
#else
    Q_UNUSED(widget)
    Q_UNUSED(description)
#endif
}

QString question_words(int question)
{
    return question > 0 ? QStringLiteral("第 %1 题").arg(question) : QString();
}

// Turns to the next or the previous page, round the end, as Ctrl+Tab does inside the tab widget.
void add_page_key(QTabWidget *tabs, QWidget *window, const QKeySequence &key, int step)
{
    auto *shortcut = new QShortcut(key, window);
    QObject::connect(shortcut, &QShortcut::activated, tabs, [tabs, step] {
        const int count = tabs->count();
        tabs->setCurrentIndex((tabs->currentIndex() + step + count) % count);
    });
}

} // namespace

void name_value(QWidget *value, const QString &holds)
{
    QString name = label_text(value);
    if (holds.isEmpty()) {
        while (name.endsWith(QChar(0xFF1A)) || name.endsWith(QLatin1Char(':'))) { // "：" or ":"
            name.chop(1);
        }
    } else {
        name += holds;
    }
    set_name(value, name);
}

void show_number(QLCDNumber *display, int number)
{
    display->display(number);
    name_value(display, QString::number(number));
}

void show_number(QLCDNumber *display, double number)
{
    display->display(number);
    name_value(display, QString::number(number));
}

void name_question_text(QWidget *text, int question)
{
    name_value(text, question_words(question));
}

void name_options(const option_buttons &options, int question)
{
    const QString prefix = question > 0 ? question_words(question) + QLatin1Char(' ') : QString();
    for (QAbstractButton *option : options) {
        set_name(option, prefix + QStringLiteral("选项 ") + option->text());
    }
}

void name_answer_box(QWidget *box, int question)
{
    name_value(box, question > 0 ? question_words(question) + QStringLiteral("的答案") : QString());
}

void make_form_accessible(Ui::vq_stu &ui, QWidget *window)
{
    // The form's tab order runs from the top row into the pages; the tabs come between, as they do on screen.
    // The tab widget itself would hand the focus to its tabs from where it stands in the chain, after the last
    // page, so Tab would go back to the tabs instead of on to the top row: the tabs keep their own place alone.
    ui.tabWidget->setFocusProxy(nullptr);
    ui.tabWidget->setFocusPolicy(Qt::NoFocus);
    QWidget::setTabOrder(ui.save_paper, ui.tabWidget->findChild<QTabBar *>());
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::Key_Tab), +1);
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::Key_PageDown), +1);
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);

    const QString no_paper = QStringLiteral("未打开答卷");
    for (QWidget *value : {ui.lname, ui.lone, ui.lsome, ui.lnot, ui.ltotal}) {
        name_value(value, no_paper);
    }
    for (QLCDNumber *display : {ui.onech_num, ui.somech_num, ui.unch_num}) {
        show_number(display, 0);
    }
    for (QLCDNumber *display : {ui.onech_score, ui.somech_scrig, ui.somech_scsom, ui.unch_score}) {
        name_value(display, QString::number(display->value()));
    }
    for (QWidget *text : {static_cast<QWidget *>(ui.onech_pro), static_cast<QWidget *>(ui.somech_pro_in),
                          static_cast<QWidget *>(ui.unch_pro)}) {
        name_question_text(text, 0);
    }
    name_answer_box(ui.unch_ans_in, 0);
    const option_buttons one{ui.onech_A, ui.onech_B, ui.onech_C, ui.onech_D, ui.onech_E, ui.onech_F};
    const option_buttons any{ui.somech_A, ui.somech_B, ui.somech_C, ui.somech_D, ui.somech_E, ui.somech_F};
    name_options(one, 0);
    name_options(any, 0);
    for (QAbstractButton *option : one) {
        set_description(option, QStringLiteral("单选题，只能选一项"));
    }
    for (QAbstractButton *option : any) {
        set_description(option, QStringLiteral("多选题，可以选多项"));
    }
    ui.open_paper->setFocus(); // neither discards answers nor writes a file
}
