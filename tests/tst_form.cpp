// The main window's form and its slot table: every widget where the student expects it, with its text and
// initial state, and every push button reaching its own slot exactly once.

#include "app/vq_stu.h"
#include "platform/screen_reader.h"
#include "support/window_harness.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace harness;

namespace {

const QString url = QStringLiteral("https://vq.example.org");

QString pt14(const QString &t)
{
    return QStringLiteral("<html><head/><body><p><span style=\" font-size:14pt;\">") + t +
           QStringLiteral("</span></p></body></html>");
}

QString pt10(const QString &t)
{
    return QStringLiteral("<html><head/><body><p><span style=\" font-size:10pt;\">") + t +
           QStringLiteral("</span></p></body></html>");
}

QString heading()
{
    return QStringLiteral("<html><head/><body><p><span style=\" font-size:18pt;\">") +
           QStringLiteral("VQ试卷评测系统-答题端（学生）-vq_stu") +
           QStringLiteral("</span></p><p><span style=\" font-size:10pt;\">官网：</span><a href=\"") + url +
           QStringLiteral("\"><span style=\" text-decoration: underline; color:#0000ff;\">") + url +
           QStringLiteral("</span></a></p></body></html>");
}

struct cell {
    const char *name;
    const char *cls;
    const char *layout;
    int row, column, rows, columns;
    QString text;
    bool enabled;
};

QList<cell> form_cells()
{
    const QString na = pt14(QStringLiteral("未打开答卷"));
    const QString prev = QStringLiteral("上一题"), save = QStringLiteral("保存当前答案"),
                  next = QStringLiteral("下一题");
    return {
        {"new_paper", "QPushButton", "gridLayout", 0, 0, 1, 1, QStringLiteral("新建答卷"), true},
        {"open_paper", "QPushButton", "gridLayout", 0, 1, 1, 1, QStringLiteral("打开答卷"), true},
        {"close_paper", "QPushButton", "gridLayout", 0, 2, 1, 1, QStringLiteral("关闭当前答卷"), false},
        {"save_paper", "QPushButton", "gridLayout", 0, 3, 1, 1, QStringLiteral("保存当前答卷"), false},
        {"tabWidget", "QTabWidget", "gridLayout", 2, 0, 1, 4, QString(), true},
        {"label_5", "QLabel", "gridLayout_2", 0, 0, 1, 2, heading(), true},
        {"label", "QLabel", "gridLayout_2", 1, 0, 1, 1, pt14(QStringLiteral("学生文件名：")), true},
        {"lname", "QLabel", "gridLayout_2", 1, 1, 1, 1, na, true},
        {"label_2", "QLabel", "gridLayout_2", 2, 0, 1, 1, pt14(QStringLiteral("单选题数量：")), true},
        {"lone", "QLabel", "gridLayout_2", 2, 1, 1, 1, na, true},
        {"label_3", "QLabel", "gridLayout_2", 3, 0, 1, 1, pt14(QStringLiteral("多选题数量：")), true},
        {"lsome", "QLabel", "gridLayout_2", 3, 1, 1, 1, na, true},
        {"label_4", "QLabel", "gridLayout_2", 4, 0, 1, 1, pt14(QStringLiteral("非选择题数量：")), true},
        {"lnot", "QLabel", "gridLayout_2", 4, 1, 1, 1, na, true},
        {"label_17", "QLabel", "gridLayout_2", 5, 0, 1, 1, pt14(QStringLiteral("总分：")), true},
        {"ltotal", "QLabel", "gridLayout_2", 5, 1, 1, 1, na, true},
        {"label_6", "QLabel", "gridLayout_3", 0, 0, 1, 1, pt10(QStringLiteral("题号：")), true},
        {"onech_num", "QLCDNumber", "gridLayout_3", 0, 1, 1, 5, QString(), true},
        {"label_7", "QLabel", "gridLayout_3", 1, 0, 1, 6, pt10(QStringLiteral("题面：")), true},
        {"onech_pro", "QTextBrowser", "gridLayout_3", 2, 0, 1, 6, QString(), false},
        {"label_8", "QLabel", "gridLayout_3", 3, 0, 1, 1, pt10(QStringLiteral("答题区：")), true},
        {"label_15", "QLabel", "gridLayout_3", 3, 4, 1, 1, pt10(QStringLiteral("分数：")), true},
        {"onech_score", "QLCDNumber", "gridLayout_3", 3, 5, 1, 1, QString(), true},
        {"onech_A", "QRadioButton", "gridLayout_3", 5, 0, 1, 1, QStringLiteral("A"), false},
        {"onech_B", "QRadioButton", "gridLayout_3", 5, 1, 1, 1, QStringLiteral("B"), false},
        {"onech_C", "QRadioButton", "gridLayout_3", 5, 2, 1, 1, QStringLiteral("C"), false},
        {"onech_D", "QRadioButton", "gridLayout_3", 5, 3, 1, 1, QStringLiteral("D"), false},
        {"onech_E", "QRadioButton", "gridLayout_3", 5, 4, 1, 1, QStringLiteral("E"), false},
        {"onech_F", "QRadioButton", "gridLayout_3", 5, 5, 1, 1, QStringLiteral("F"), false},
        {"onech_last", "QPushButton", "gridLayout_3", 7, 0, 1, 2, prev, false},
        {"onech_save", "QPushButton", "gridLayout_3", 7, 2, 1, 2, save, false},
        {"onech_next", "QPushButton", "gridLayout_3", 7, 4, 1, 2, next, false},
        {"label_9", "QLabel", "gridLayout_4", 0, 0, 1, 1, pt10(QStringLiteral("题号：")), true},
        {"somech_num", "QLCDNumber", "gridLayout_4", 0, 1, 1, 5, QString(), true},
        {"label_11", "QLabel", "gridLayout_4", 1, 0, 1, 6, pt10(QStringLiteral("题面：")), true},
        {"somech_pro_in", "QTextBrowser", "gridLayout_4", 2, 0, 1, 6, QString(), false},
        {"label_10", "QLabel", "gridLayout_4", 3, 0, 1, 1, pt10(QStringLiteral("答题区：")), true},
        {"label_18", "QLabel", "gridLayout_4", 3, 2, 1, 1,
         QStringLiteral("<html><head/><body><p>全对分数：</p></body></html>"), true},
        {"somech_scrig", "QLCDNumber", "gridLayout_4", 3, 3, 1, 1, QString(), true},
        {"label_16", "QLabel", "gridLayout_4", 3, 4, 1, 1, QStringLiteral("少选分数："), true},
        {"somech_scsom", "QLCDNumber", "gridLayout_4", 3, 5, 1, 1, QString(), true},
        {"somech_A", "QCheckBox", "gridLayout_4", 4, 0, 1, 1, QStringLiteral("A"), false},
        {"somech_B", "QCheckBox", "gridLayout_4", 4, 1, 1, 1, QStringLiteral("B"), false},
        {"somech_C", "QCheckBox", "gridLayout_4", 4, 2, 1, 1, QStringLiteral("C"), false},
        {"somech_D", "QCheckBox", "gridLayout_4", 4, 3, 1, 1, QStringLiteral("D"), false},
        {"somech_E", "QCheckBox", "gridLayout_4", 4, 4, 1, 1, QStringLiteral("E"), false},
        {"somech_F", "QCheckBox", "gridLayout_4", 4, 5, 1, 1, QStringLiteral("F"), false},
        {"somech_last", "QPushButton", "gridLayout_4", 5, 0, 1, 2, prev, false},
        {"somech_save", "QPushButton", "gridLayout_4", 5, 2, 1, 2, save, false},
        {"somech_next", "QPushButton", "gridLayout_4", 5, 4, 1, 2, next, false},
        {"label_12", "QLabel", "gridLayout_5", 0, 0, 1, 1, pt10(QStringLiteral("题号：")), true},
        {"unch_num", "QLCDNumber", "gridLayout_5", 0, 1, 1, 2, QString(), true},
        {"label_14", "QLabel", "gridLayout_5", 1, 0, 1, 3, pt10(QStringLiteral("题面：")), true},
        {"unch_pro", "QTextBrowser", "gridLayout_5", 2, 0, 1, 3, QString(), false},
        {"label_13", "QLabel", "gridLayout_5", 3, 0, 1, 1, pt10(QStringLiteral("答题区：")), true},
        {"label_19", "QLabel", "gridLayout_5", 3, 1, 1, 1, pt10(QStringLiteral("分数：")), true},
        {"unch_score", "QLCDNumber", "gridLayout_5", 3, 2, 1, 1, QString(), true},
        {"unch_ans_in", "QTextEdit", "gridLayout_5", 5, 0, 1, 3, QString(), false},
        {"unch_last", "QPushButton", "gridLayout_5", 6, 0, 1, 1, prev, false},
        {"unch_save", "QPushButton", "gridLayout_5", 6, 1, 1, 1, save, false},
        {"unch_next", "QPushButton", "gridLayout_5", 6, 2, 1, 1, next, false},
    };
}

QString text_of(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w)) {
        return label->text();
    }
    if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        return button->text();
    }
    if (auto *edit = qobject_cast<QTextEdit *>(w)) {
        return edit->toPlainText();
    }
    return QString();
}

QStringList child_widget_names(QWidget *parent)
{
    QStringList names;
    for (QObject *child : parent->children()) {
        if (child->isWidgetType()) {
            names << child->objectName();
        }
    }
    return names;
}

QStringList warnings;
QtMessageHandler previous_handler = nullptr;

void keep_warnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg) {
        warnings << message;
    }
    previous_handler(type, context, message);
}

const char *const button_slots[13][2] = {
    {"new_paper", "on_new_paper_clicked"},     {"open_paper", "on_open_paper_clicked"},
    {"onech_last", "on_onech_last_clicked"},   {"onech_save", "on_onech_save_clicked"},
    {"somech_save", "on_somech_save_clicked"}, {"unch_save", "on_unch_save_clicked"},
    {"onech_next", "on_onech_next_clicked"},   {"somech_last", "on_somech_last_clicked"},
    {"somech_next", "on_somech_next_clicked"}, {"unch_last", "on_unch_last_clicked"},
    {"unch_next", "on_unch_next_clicked"},     {"close_paper", "on_close_paper_clicked"},
    {"save_paper", "on_save_paper_clicked"},
};

} // namespace

class tst_form : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void window_is_titled_sized_and_bare();
    void every_widget_sits_in_its_cell_data();
    void every_widget_sits_in_its_cell();
    void grids_are_spaced_six_with_margins_eleven();
    void tabs_are_titled_in_order_with_the_control_page_first();
    void widgets_are_created_in_focus_order();
    void option_buttons_start_unchecked_and_exclusive();
    void displays_start_at_zero();
    void heading_link_opens_nothing();
    void slot_table_is_thirteen_private_slots();
    void each_button_runs_its_slot_once_data();
    void each_button_runs_its_slot_once();
    void disabled_buttons_and_options_run_nothing();
    void single_choice_allows_one_multiple_choice_any();
    void closing_the_window_ends_the_program_with_zero();
    void a_screen_reader_hears_what_each_control_is_data();
    void a_screen_reader_hears_what_each_control_is();
    void tab_follows_reading_order_data();
    void tab_follows_reading_order();
    void keys_do_what_a_student_expects();
    void windows_is_told_what_is_announced_where_it_can_be();
};

void tst_form::initTestCase()
{
    previous_handler = qInstallMessageHandler(keep_warnings);
}

void tst_form::window_is_titled_sized_and_bare()
{
    warnings.clear();
    window_fixture f;
    vq_stu &w = f.window();
    QCOMPARE(w.objectName(), QStringLiteral("vq_stu"));
    QCOMPARE(w.windowTitle(), QStringLiteral("VQ试卷评测系统2.0-答题端vq_stu"));
    QCOMPARE(w.size(), QSize(800, 600));
    QCOMPARE(w.centralWidget()->objectName(), QStringLiteral("centralWidget"));
    QCOMPARE(QByteArray(w.centralWidget()->metaObject()->className()), QByteArray("QWidget"));
    QVERIFY(!w.menuWidget());
    QVERIFY(!w.findChild<QMenuBar *>());
    QVERIFY(!w.findChild<QStatusBar *>());
    QVERIFY(!w.findChild<QToolBar *>());
    QVERIFY(!w.windowIcon().isNull());
    for (const QString &warning : qAsConst(warnings)) {
        QVERIFY2(!warning.contains(QStringLiteral("connectSlotsByName")), qPrintable(warning));
    }
}

void tst_form::every_widget_sits_in_its_cell_data()
{
    QTest::addColumn<int>("index");
    const QList<cell> cells = form_cells();
    for (int i = 0; i < cells.size(); ++i) {
        QTest::newRow(cells[i].name) << i;
    }
}

void tst_form::every_widget_sits_in_its_cell()
{
    QFETCH(int, index);
    const cell c = form_cells().at(index);
    window_fixture f;
    QWidget *w = widget(&f.window(), c.name);
    QCOMPARE(QByteArray(w->metaObject()->className()), QByteArray(c.cls));
    auto *grid = f.window().findChild<QGridLayout *>(QString::fromLatin1(c.layout));
    QVERIFY(grid);
    const int at = grid->indexOf(w);
    QVERIFY2(at >= 0, "not in its grid");
    int row = -1, column = -1, rows = -1, columns = -1;
    grid->getItemPosition(at, &row, &column, &rows, &columns);
    QCOMPARE(row, c.row);
    QCOMPARE(column, c.column);
    QCOMPARE(rows, c.rows);
    QCOMPARE(columns, c.columns);
    QCOMPARE(grid->itemAt(at)->alignment(), Qt::Alignment());
    QCOMPARE(text_of(w), c.text);
    QCOMPARE(w->isEnabled(), c.enabled);
}

void tst_form::grids_are_spaced_six_with_margins_eleven()
{
    window_fixture f;
    const QList<QGridLayout *> grids = f.window().findChildren<QGridLayout *>();
    QCOMPARE(grids.size(), 5);
    for (const char *name : {"gridLayout", "gridLayout_2", "gridLayout_3", "gridLayout_4", "gridLayout_5"}) {
        auto *grid = f.window().findChild<QGridLayout *>(QString::fromLatin1(name));
        QVERIFY2(grid, name);
        QCOMPARE(grid->spacing(), 6);
        QCOMPARE(grid->contentsMargins(), QMargins(11, 11, 11, 11));
    }
    QCOMPARE(f.window().findChild<QGridLayout *>(QStringLiteral("gridLayout"))->parentWidget()->objectName(),
             QStringLiteral("centralWidget"));
    // Every cell that the form leaves empty stays empty: the grids hold exactly the listed widgets.
    QCOMPARE(f.window().findChild<QGridLayout *>(QStringLiteral("gridLayout"))->count(), 5);
    QCOMPARE(f.window().findChild<QGridLayout *>(QStringLiteral("gridLayout_2"))->count(), 11);
    QCOMPARE(f.window().findChild<QGridLayout *>(QStringLiteral("gridLayout_3"))->count(), 16);
    QCOMPARE(f.window().findChild<QGridLayout *>(QStringLiteral("gridLayout_4"))->count(), 18);
    QCOMPARE(f.window().findChild<QGridLayout *>(QStringLiteral("gridLayout_5"))->count(), 11);
}

void tst_form::tabs_are_titled_in_order_with_the_control_page_first()
{
    window_fixture f;
    auto *tabs = find<QTabWidget>(&f.window(), "tabWidget");
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->currentIndex(), 0);
    const char *pages[] = {"main_page", "onech_page", "somech_page", "unch_page"};
    const QStringList titles{QStringLiteral("总控制页"), QStringLiteral("单选题"), QStringLiteral("多选题"),
                             QStringLiteral("非选择题")};
    const char *grids[] = {"gridLayout_2", "gridLayout_3", "gridLayout_4", "gridLayout_5"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), QString::fromLatin1(pages[i]));
        QCOMPARE(tabs->tabText(i), titles[i]);
        QCOMPARE(tabs->widget(i)->layout()->objectName(), QString::fromLatin1(grids[i]));
    }
}

void tst_form::widgets_are_created_in_focus_order()
{
    window_fixture f;
    QWidget *w = &f.window();
    auto names = [](const char *list) { return QString::fromLatin1(list).split(QLatin1Char(' ')); };
    QCOMPARE(child_widget_names(widget(w, "centralWidget")),
             names("close_paper new_paper open_paper save_paper tabWidget"));
    QCOMPARE(child_widget_names(widget(w, "main_page")),
             names("lone lnot label_2 label_17 label label_3 ltotal lsome label_4 lname label_5"));
    QCOMPARE(child_widget_names(widget(w, "onech_page")),
             names("onech_C onech_A onech_num label_7 onech_F onech_last onech_pro onech_E onech_B label_8 "
                   "onech_next label_6 onech_save onech_D label_15 onech_score"));
    QCOMPARE(child_widget_names(widget(w, "somech_page")),
             names("somech_C somech_E label_10 somech_B somech_num somech_pro_in somech_save label_9 somech_D "
                   "somech_next somech_last somech_scsom somech_F label_11 somech_A label_18 somech_scrig label_16"));
    QCOMPARE(child_widget_names(widget(w, "unch_page")),
             names("label_13 unch_save unch_pro unch_num unch_last label_19 unch_next label_14 label_12 unch_score "
                   "unch_ans_in"));
}

void tst_form::option_buttons_start_unchecked_and_exclusive()
{
    window_fixture f;
    for (const char *name : {"onech_A", "onech_B", "onech_C", "onech_D", "onech_E", "onech_F"}) {
        auto *b = find<QRadioButton>(&f.window(), name);
        QVERIFY(b->isCheckable());
        QVERIFY(b->autoExclusive());
        QVERIFY(!b->isChecked());
        QCOMPARE(b->parentWidget()->objectName(), QStringLiteral("onech_page"));
    }
    for (const char *name : {"somech_A", "somech_B", "somech_C", "somech_D", "somech_E", "somech_F"}) {
        auto *b = find<QCheckBox>(&f.window(), name);
        QVERIFY(!b->isChecked());
        QVERIFY(!b->autoExclusive());
    }
    QVERIFY(!find<QTextEdit>(&f.window(), "unch_ans_in")->isReadOnly());
}

void tst_form::displays_start_at_zero()
{
    window_fixture f;
    for (const char *name :
         {"onech_num", "onech_score", "somech_num", "somech_scrig", "somech_scsom", "unch_num", "unch_score"}) {
        auto *lcd = find<QLCDNumber>(&f.window(), name);
        QCOMPARE(lcd->value(), 0.0);
        QVERIFY(lcd->isEnabled());
    }
}

void tst_form::heading_link_opens_nothing()
{
    window_fixture f;
    auto *label = find<QLabel>(&f.window(), "label_5");
    QVERIFY(!label->openExternalLinks());
    QVERIFY(label->text().contains(QStringLiteral("example.org")));
}

void tst_form::slot_table_is_thirteen_private_slots()
{
    const QMetaObject &meta = vq_stu::staticMetaObject;
    QCOMPARE(QByteArray(meta.className()), QByteArray("vq_stu"));
    QCOMPARE(QByteArray(meta.superClass()->className()), QByteArray("QMainWindow"));
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 13);
    for (int i = 0; i < 13; ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.name(), QByteArray(button_slots[i][1]));
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.parameterCount(), 0);
        QCOMPARE(method.returnType(), int(QMetaType::Void));
    }
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
    QCOMPARE(meta.constructorCount(), 0);
}

void tst_form::each_button_runs_its_slot_once_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("slot");
    for (const auto &row : button_slots) {
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
}

void tst_form::each_button_runs_its_slot_once()
{
    QFETCH(QString, button);
    QFETCH(QString, slot);
    QTemporaryDir empty_folder; // no problem.prb in the working directory
    const QString home = QDir::currentPath();
    QDir::setCurrent(empty_folder.path());
    {
        window_fixture f;
        dialog_driver dialogs;
        if (button == QLatin1String("new_paper")) {
            dialogs.cancel_file_dialog();
            dialogs.answer_message(); // no problem.prb beside the empty name
        } else if (button == QLatin1String("open_paper")) {
            dialogs.cancel_file_dialog();
        } else if (button == QLatin1String("close_paper")) {
            dialogs.answer_message(box_answer::cancel);
        }
        auto *b = find<QPushButton>(&f.window(), button.toLatin1().constData());
        b->setEnabled(true);
        slot_recorder recorder;
        click(&f.window(), button.toLatin1().constData());
        QCOMPARE(recorder.slots_run(), QStringList{slot});
        QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
    }
    QDir::setCurrent(home);
}

void tst_form::disabled_buttons_and_options_run_nothing()
{
    window_fixture f;
    slot_recorder recorder;
    for (const char *name : {"close_paper", "save_paper", "onech_save", "onech_next", "somech_last", "unch_save"}) {
        click(&f.window(), name);
    }
    QVERIFY(recorder.slots_run().isEmpty());
    for (const char *name : {"onech_A", "somech_B"}) {
        find<QAbstractButton>(&f.window(), name)->setEnabled(true);
        click_option(&f.window(), name);
    }
    find<QTextEdit>(&f.window(), "unch_ans_in")->setEnabled(true);
    type_answer(&f.window(), QStringLiteral("x"));
    QVERIFY(recorder.slots_run().isEmpty());
}

void tst_form::single_choice_allows_one_multiple_choice_any()
{
    window_fixture f;
    QWidget *w = &f.window();
    for (const char *name : {"onech_A", "onech_B", "somech_A", "somech_B"}) {
        find<QAbstractButton>(w, name)->setEnabled(true);
    }
    click_option(w, "onech_A");
    click_option(w, "onech_B");
    QVERIFY(!find<QRadioButton>(w, "onech_A")->isChecked());
    QVERIFY(find<QRadioButton>(w, "onech_B")->isChecked());
    click_option(w, "onech_B"); // a checked option cannot be cleared by clicking it again
    QVERIFY(find<QRadioButton>(w, "onech_B")->isChecked());
    click_option(w, "somech_A");
    click_option(w, "somech_B");
    QVERIFY(find<QCheckBox>(w, "somech_A")->isChecked() && find<QCheckBox>(w, "somech_B")->isChecked());
    click_option(w, "somech_A");
    QVERIFY(!find<QCheckBox>(w, "somech_A")->isChecked());
}

void tst_form::closing_the_window_ends_the_program_with_zero()
{
    window_fixture f;
    dialog_driver dialogs;
    QTimer::singleShot(0, &f.window(), [&f] { f.window().close(); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(f.window().isHidden());
    QVERIFY2(dialogs.seen.isEmpty(), "closing the window asked something");
}

namespace {

// The worked example open, its second single-choice question shown, in a window that has the keyboard.
QString open_worked_example(QWidget *w, dialog_driver &dialogs, const QTemporaryDir &dir, const QByteArray &answers)
{
    const QString path = make_paper(dir.path(), QString(), worked_problem(), QStringLiteral("s.stu"), answers);
    open_paper(w, dialogs, path);
    QApplication::setActiveWindow(w);
    return path;
}

QString focus_name()
{
    QWidget *focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

} // namespace

void tst_form::a_screen_reader_hears_what_each_control_is_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("label"); // the visible label that the screen reader links to it
    QTest::newRow("student file name") << QByteArray("lname") << QStringLiteral("学生文件名：s") << QByteArray("label");
    QTest::newRow("total score") << QByteArray("ltotal") << QStringLiteral("总分：19.000") << QByteArray("label_17");
    QTest::newRow("question number, after 下一题")
        << QByteArray("onech_num") << QStringLiteral("题号：2") << QByteArray("label_6");
    QTest::newRow("score") << QByteArray("onech_score") << QStringLiteral("分数：3") << QByteArray("label_15");
    QTest::newRow("question text: number, score and words")
        << QByteArray("onech_pro") << QStringLiteral("第 2 题，3 分。Which number is prime? A. 4 B. 6 C. 7 D. 9")
        << QByteArray("label_7");
    QTest::newRow("page, a named pane") << QByteArray("onech_page") << QStringLiteral("单选题") << QByteArray();
    QTest::newRow("what 下一题 said") << QByteArray("vq_announcer")
                                      << QStringLiteral(
                                             "第 2 题，3 分。Which number is prime? A. 4 B. 6 C. 7 D. 9。未选。")
                                      << QByteArray();
    QTest::newRow("single-choice option") << QByteArray("onech_B") << QStringLiteral("第 2 题 选项 B") << QByteArray();
    QTest::newRow("multiple-choice option")
        << QByteArray("somech_F") << QStringLiteral("第 1 题 选项 F") << QByteArray();
    QTest::newRow("score when fully right")
        << QByteArray("somech_scrig") << QStringLiteral("全对分数：4") << QByteArray("label_18");
    QTest::newRow("score when right but incomplete")
        << QByteArray("somech_scsom") << QStringLiteral("少选分数：1.5") << QByteArray("label_16");
    QTest::newRow("answer box") << QByteArray("unch_ans_in") << QStringLiteral("答题区：第 1 题的答案")
                                << QByteArray("label_13");
    QTest::newRow("answer box's label, which a screen reader says for it")
        << QByteArray("label_13") << QStringLiteral("答题区：第 1 题的答案") << QByteArray();
}

void tst_form::a_screen_reader_hears_what_each_control_is()
{
    QFETCH(QByteArray, control);
    QFETCH(QString, name);
    QFETCH(QByteArray, label);
#if !QT_CONFIG(accessibility)
    QSKIP("this Qt is built without accessibility");
#else
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    QTemporaryDir dir;
    open_worked_example(w, dialogs, dir, "0\r\n0\r\n0\r\n@$\r\n");
    click(w, "onech_next");
    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(widget(w, control.constData()));
    QVERIFY(heard);
    QCOMPARE(heard->text(QAccessible::Name), name);
    QStringList labelled_by;
    for (const auto &relation : heard->relations(QAccessible::Label)) {
        labelled_by << relation.first->object()->objectName();
    }
    QCOMPARE(labelled_by, label.isEmpty() ? QStringList() : QStringList{QString::fromLatin1(label)});
#endif
}

void tst_form::tab_follows_reading_order_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("order"); // from the focus at start, Tab after Tab, round to where it started
    const QString top = QStringLiteral("open_paper close_paper save_paper qt_tabwidget_tabbar ");
    const QString back = QStringLiteral(" new_paper open_paper");
    QTest::newRow("control page") << 0 << top + QStringLiteral("new_paper open_paper");
    QTest::newRow("single choice: one stop for the options, on the checked one")
        << 1 << top + QStringLiteral("onech_pro onech_B onech_last onech_save onech_next") + back;
    QTest::newRow("multiple choice")
        << 2
        << top +
               QStringLiteral("somech_pro_in somech_A somech_B somech_C somech_D somech_E somech_F somech_last "
                              "somech_save somech_next") +
               back;
    QTest::newRow("non-choice: Tab stops in the answer box, where it types a tab")
        << 3 << top + QStringLiteral("unch_pro unch_ans_in");
}

void tst_form::tab_follows_reading_order()
{
    QFETCH(int, page);
    QFETCH(QString, order);
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    QTemporaryDir dir;
    open_worked_example(w, dialogs, dir, "2\r\n0\r\n0\r\n@$\r\n");
    find<QTabWidget>(w, "tabWidget")->setCurrentIndex(page);
    find<QPushButton>(w, "open_paper")->setFocus(); // where the focus is at start, and after the open dialog
    QTRY_COMPARE(focus_name(), QStringLiteral("open_paper"));
    const QStringList expected = order.split(QLatin1Char(' '));
    QStringList forward{focus_name()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward << focus_name();
    }
    QCOMPARE(forward, expected);
    QStringList backward{focus_name()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backward.prepend(focus_name());
    }
    QCOMPARE(backward, expected);
}

void tst_form::keys_do_what_a_student_expects()
{
    // At start the focus is on a button that neither discards answers nor writes a file.
    {
        window_fixture fresh;
        QApplication::setActiveWindow(&fresh.window());
        QTRY_COMPARE(focus_name(), QStringLiteral("open_paper"));
    }
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;
    QTemporaryDir dir;
    const QString path = open_worked_example(w, dialogs, dir, "2\r\n4\r\n0\r\n@$\r\n");
    // The options' tab stop follows the question shown: C on question 2, then A on an unanswered question.
    show_tab_of(widget(w, "onech_pro"));
    auto tab_from_question = [w] {
        widget(w, "onech_pro")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return focus_name();
    };
    QCOMPARE(tab_from_question(), QStringLiteral("onech_B"));
    click(w, "onech_next");
    QCOMPARE(tab_from_question(), QStringLiteral("onech_C"));
    find<QRadioButton>(w, "onech_C")->setAutoExclusive(false);
    find<QRadioButton>(w, "onech_C")->setChecked(false);
    find<QRadioButton>(w, "onech_C")->setAutoExclusive(true);
    click(w, "onech_save");
    click(w, "onech_last");
    click(w, "onech_next");
    QCOMPARE(tab_from_question(), QStringLiteral("onech_A"));
    // In the answer box Tab types a tab; Ctrl+Tab leaves the box forward, Ctrl+Shift+Tab backward, the answer
    // kept; Ctrl+PageUp and Ctrl+PageDown change the page.
    auto *tabs = find<QTabWidget>(w, "tabWidget");
    show_tab_of(widget(w, "unch_ans_in"));
    widget(w, "unch_ans_in")->setFocus();
    QTest::keyClicks(widget(w, "unch_ans_in"), QStringLiteral("x"));
    QTest::keyClick(widget(w, "unch_ans_in"), Qt::Key_Tab);
    QCOMPARE(focus_name(), QStringLiteral("unch_ans_in"));
    QTest::keyClick(widget(w, "unch_ans_in"), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(focus_name(), QStringLiteral("unch_last"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(focus_name(), QStringLiteral("unch_ans_in"));
    QTest::keyClick(widget(w, "unch_ans_in"), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(focus_name(), QStringLiteral("unch_pro"));
    QCOMPARE(tabs->currentIndex(), 3);
    QCOMPARE(shown(w, "unch_ans_in"), QStringLiteral("x\t"));
    widget(w, "unch_ans_in")->setFocus();
    QTest::keyClick(widget(w, "unch_ans_in"), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(tabs->currentIndex(), 2);
    tabs->setCurrentIndex(3);
    widget(w, "unch_ans_in")->setFocus();
    QTest::keyClick(widget(w, "unch_ans_in"), Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(tabs->currentIndex(), 0);
    // The page keys work from anywhere: here from the top row of buttons.
    tabs->setCurrentIndex(3);
    find<QPushButton>(w, "save_paper")->setFocus();
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int page;
    } presses[] = {{Qt::Key_Tab, Qt::ControlModifier, 0},
                   {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 3},
                   {Qt::Key_PageUp, Qt::ControlModifier, 2},
                   {Qt::Key_PageDown, Qt::ControlModifier, 3}};
    for (const auto &press : presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(press.key), press.modifiers);
        QCOMPARE(tabs->currentIndex(), press.page);
    }
    QCOMPARE(focus_name(), QStringLiteral("save_paper"));
    QCOMPARE(read_bytes(path), QByteArray("2\r\n4\r\n0\r\n@$\r\n"));
}

void tst_form::windows_is_told_what_is_announced_where_it_can_be()
{
#ifndef Q_OS_WIN
    QSKIP("UI Automation notifications are Windows's own");
#else
    // Windows before 10 1709, and Wine 8, lack the notification: the program runs on and says nothing there.
    window_fixture f;
    const HMODULE core = LoadLibraryW(L"uiautomationcore.dll");
    const bool system_has_it = core && GetProcAddress(core, "UiaRaiseNotificationEvent");
    QCOMPARE(platform::notify_screen_reader(&f.window(), QStringLiteral("第 1 题的答案已保存：未选。")), system_has_it);
#endif
}

QTEST_MAIN(tst_form)
#include "tst_form.moc"
