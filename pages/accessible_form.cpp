#include "pages/accessible_form.h"

#include "platform/screen_reader.h"
#include "ui_vq_stu.h"

#include <QAbstractButton>
#include <QAccessible>
#if QT_CONFIG(accessibility)
#include <QAccessibleWidget>
#endif
#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QTextEdit>

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

QString name_of(const QWidget *widget)
{
#if QT_CONFIG(accessibility)
    return widget->accessibleName();
#else
    Q_UNUSED(widget)
    return QString();
#endif
}

QString description_of(const QWidget *widget)
{
#if QT_CONFIG(accessibility)
    return widget->accessibleDescription();
#else
    Q_UNUSED(widget)
    return QString();
#endif
}

QString question_words(int question)
{
    return question > 0 ? QStringLiteral("第 %1 题").arg(question) : QString();
}

const QString announcer_name = QStringLiteral("vq_announcer");

// The widget whose showing a screen reader speaks (a notification); it has no size and is never seen.
QPointer<QWidget> &announcer()
{
    static QPointer<QWidget> widget;
    return widget;
}

#if QT_CONFIG(accessibility)
// The pages are panes named after their tabs, and the announcer is a notification. Qt gives a plain QWidget
// the role of a filler, which a screen reader passes over in silence.
QAccessibleInterface *form_interface(const QString &class_name, QObject *object)
{
    if (class_name != QLatin1String("QWidget") || !object || object->metaObject() != &QWidget::staticMetaObject) {
        return nullptr;
    }
    auto *widget = static_cast<QWidget *>(object);
    if (widget->objectName() == announcer_name) {
        return new QAccessibleWidget(widget, QAccessible::Notification);
    }
    const QWidget *stack = widget->parentWidget();
    if (qobject_cast<const QStackedWidget *>(stack) && qobject_cast<const QTabWidget *>(stack->parentWidget())) {
        return new QAccessibleWidget(widget, QAccessible::Pane);
    }
    return nullptr;
}
#endif

// The words of a question as one sentence of what is said: ended by "。" unless they end a sentence already.
QString sentence(const QString &words)
{
    const QString trimmed = words.trimmed();
    if (trimmed.isEmpty() || QStringLiteral("。.！!？?").contains(trimmed.back())) {
        return trimmed;
    }
    return trimmed + QChar(0x3002);
}

QString hint_for(const QAbstractButton *option)
{
    return qobject_cast<const QRadioButton *>(option) ? QStringLiteral("单选题，只能选一项")
                                                      : QStringLiteral("多选题，可以选多项");
}

// The options' hint is said with the first option that the focus reaches, once per question shown: it goes
// when the focus leaves an option, before the next control is announced.
class hint_once : public QObject {
public:
    hint_once(const option_buttons &options, QObject *parent) : QObject(parent), options_(options)
    {
        for (QAbstractButton *option : options_) {
            option->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            for (QAbstractButton *option : options_) {
                if (!description_of(option).isEmpty()) {
                    set_description(option, QString());
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    option_buttons options_;
};

// What a page holds, as said when it is turned to: on the control page every value, on an answering page the
// number and scores of the question shown.
QString page_values(const QTabWidget *tabs, int index)
{
    const QWidget *page = tabs->widget(index);
    QStringList words;
    if (!description_of(page).isEmpty()) {
        words << description_of(page);
    }
    if (const auto *grid = qobject_cast<const QGridLayout *>(page->layout()); grid && index == 0) {
        for (int row = 0; row < grid->rowCount(); ++row) {
            QLayoutItem *item = grid->itemAtPosition(row, 1);
            if (item && item->widget() && !name_of(item->widget()).isEmpty()) {
                words << name_of(item->widget());
            }
        }
    }
    return words.join(QChar(0xFF0C)); // "，"
}

// In a text box that takes Tab, Ctrl+Tab and Ctrl+Shift+Tab leave the box, as Tab does elsewhere.
bool leave_text_box(bool forward)
{
    auto *box = qobject_cast<QTextEdit *>(QApplication::focusWidget());
    if (!box || box->tabChangesFocus() || box->isReadOnly()) {
        return false;
    }
    QWidget *next = box;
    do {
        next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
    } while (next != box && !(next->isVisible() && next->isEnabled() && !next->focusProxy() &&
                              (next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus));
    next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

// Turns to the next or the previous page, round the end, as Ctrl+Tab does inside the tab widget.
void add_page_key(QTabWidget *tabs, QWidget *window, const QKeySequence &key, int step, bool leaves_text_box)
{
    auto *shortcut = new QShortcut(key, window);
    QObject::connect(shortcut, &QShortcut::activated, tabs, [tabs, step, leaves_text_box] {
        if (leaves_text_box && leave_text_box(step > 0)) {
            return;
        }
        const int count = tabs->count();
        tabs->setCurrentIndex((tabs->currentIndex() + step + count) % count);
    });
}

} // namespace

void announce(const QString &text)
{
    QWidget *widget = announcer();
    if (!widget || text.isEmpty()) {
        return;
    }
    // A screen reader speaks a notification when it shows; the name is what it says.
    widget->hide();
    set_name(widget, text);
    widget->show();
    // Qt's UI Automation shows no notification object: Windows gets the words as a notification of its own.
    platform::notify_screen_reader(widget->window(), text);
}

void announce_question(const QTextEdit *text, int question, const QString &scores, const QString &answer)
{
    announce(QStringLiteral("第 %1 题，%2。%3%4。").arg(question).arg(scores, sentence(text->toPlainText()), answer));
}

void announce_stored(int question, const QString &answer)
{
    announce(QStringLiteral("第 %1 题的答案已保存：%2。").arg(question).arg(answer));
}

QString score_words(double score)
{
    return QStringLiteral("%1 分").arg(score);
}

QString score_words(double full, double partial)
{
    return QStringLiteral("全对 %1 分，少选 %2 分").arg(full).arg(partial);
}

QString options_words(qint32 mask)
{
    QStringList letters;
    for (int i = 0; i < 6; ++i) {
        if (mask & (1 << i)) {
            letters << QString(QChar(QLatin1Char('A').unicode() + i));
        }
    }
    return letters.isEmpty() ? QStringLiteral("未选") : QStringLiteral("已选 ") + letters.join(QChar(0x3001)); // "、"
}

QString free_answer_words(const QString &answer)
{
    return answer.isEmpty() ? QStringLiteral("未写答案") : QStringLiteral("已写答案，共 %1 字").arg(answer.size());
}

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

void name_question_text(QTextEdit *text, int question, const QString &scores)
{
    // The label "题面：" is heard with it; the name says the rest, the words included, so that Tab to the text
    // says the question.
    const QString heard = question > 0 ? QStringLiteral("第 %1 题，%2").arg(question).arg(scores) : QString();
    if (question > 0) {
        set_name(text, heard + QChar(0x3002) + text->toPlainText().trimmed()); // "。"
    } else {
        name_value(text, QString());
    }
    set_description(text->parentWidget(), heard);
}

void name_options(const option_buttons &options, int question)
{
    const QString prefix = question > 0 ? question_words(question) + QLatin1Char(' ') : QString();
    for (QAbstractButton *option : options) {
        set_name(option, prefix + QStringLiteral("选项 ") + option->text());
        set_description(option, hint_for(option));
    }
}

void name_answer_box(QWidget *box, int question)
{
    name_value(box, question > 0 ? question_words(question) + QStringLiteral("的答案") : QString());
    // A screen reader says a text box by its label: the label carries the number too.
    for (QLabel *label : box->parentWidget()->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->buddy() == box) {
            set_name(label, name_of(box));
        }
    }
}

void make_form_accessible(Ui::vq_stu &ui, QWidget *window)
{
#if QT_CONFIG(accessibility)
    static const bool factory_installed = [] {
        QAccessible::installFactory(form_interface);
        return true;
    }();
    Q_UNUSED(factory_installed)
#endif
    auto *notification = new QWidget(window);
    notification->setObjectName(announcer_name);
    notification->setFocusPolicy(Qt::NoFocus);
    notification->setAttribute(Qt::WA_TransparentForMouseEvents);
    notification->setGeometry(0, 0, 0, 0);
    notification->hide();
    announcer() = notification;

    // The form's tab order runs from the top row into the pages; the tabs come between, as they do on screen.
    // The tab widget itself would hand the focus to its tabs from where it stands in the chain, after the last
    // page, so Tab would go back to the tabs instead of on to the top row: the tabs keep their own place alone.
    ui.tabWidget->setFocusProxy(nullptr);
    ui.tabWidget->setFocusPolicy(Qt::NoFocus);
    QWidget::setTabOrder(ui.save_paper, ui.tabWidget->findChild<QTabBar *>());
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::Key_Tab), +1, true);
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1, true);
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::Key_PageDown), +1, false);
    add_page_key(ui.tabWidget, window, QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1, false);
    for (int i = 0; i < ui.tabWidget->count(); ++i) {
        set_name(ui.tabWidget->widget(i), ui.tabWidget->tabText(i));
    }
    // A page turned to is heard: with the focus on its tab as that tab, with the focus brought into it with its
    // pane's name, and with the focus outside the pages (the top row) as a notification.
    QTabWidget *tabs = ui.tabWidget;
    // A page without a control that takes the focus (the control page) takes it itself, and is heard by its name
    // only: what it holds follows.
    QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [tabs](int index) {
        const QWidget *focus = QApplication::focusWidget();
        if (index < 0) {
            return;
        }
        const QString values = page_values(tabs, index);
        if (focus && focus == tabs->widget(index)) {
            announce(values);
        } else if (!(focus && tabs->isAncestorOf(focus))) {
            announce(values.isEmpty() ? tabs->tabText(index) : tabs->tabText(index) + QChar(0xFF1A) + values);
        }
    });

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
    for (QTextEdit *text : {static_cast<QTextEdit *>(ui.onech_pro), static_cast<QTextEdit *>(ui.somech_pro_in),
                            static_cast<QTextEdit *>(ui.unch_pro)}) {
        name_question_text(text, 0, QString());
    }
    name_answer_box(ui.unch_ans_in, 0);
    const option_buttons one{ui.onech_A, ui.onech_B, ui.onech_C, ui.onech_D, ui.onech_E, ui.onech_F};
    const option_buttons any{ui.somech_A, ui.somech_B, ui.somech_C, ui.somech_D, ui.somech_E, ui.somech_F};
    name_options(one, 0);
    name_options(any, 0);
    new hint_once(one, window);
    new hint_once(any, window);
    ui.open_paper->setFocus(); // neither discards answers nor writes a file
}
