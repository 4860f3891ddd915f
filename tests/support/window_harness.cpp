#include "support/window_harness.h"

#include "app/startup.h"
#include "app/vq_stu.h"
#include "commands/answer_recovery.h"
#include "paper/paper_paths.h"
#include "paper/paper_store.h"
#include "support/worked_example.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLCDNumber>
#include <QLabel>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// The hook that the test library's own signal dumper uses: called before every slot that a signal reaches.
struct QSignalSpyCallbackSet {
    using BeginCallback = void (*)(QObject *caller, int signal_or_method_index, void **argv);
    using EndCallback = void (*)(QObject *caller, int signal_or_method_index);
    BeginCallback signal_begin_callback;
    BeginCallback slot_begin_callback;
    EndCallback signal_end_callback;
    EndCallback slot_end_callback;
};
Q_CORE_EXPORT void qt_register_signal_spy_callbacks(QSignalSpyCallbackSet *callback_set);

namespace harness {

namespace {

QStringList recorded_slots;

void record_slot(QObject *receiver, int method_index, void **)
{
    if (qobject_cast<vq_stu *>(receiver)) {
        recorded_slots << QString::fromLatin1(receiver->metaObject()->method(method_index).name());
    }
}

QSignalSpyCallbackSet slot_callbacks{nullptr, record_slot, nullptr, nullptr};
QSignalSpyCallbackSet no_callbacks{nullptr, nullptr, nullptr, nullptr};

#ifdef Q_OS_WIN

// The system's own message box (MessageBoxW) as the tests see it: a QMessageBox that is never shown and mirrors
// the box's caption, text, buttons, icon and owner. Answering it answers the system's box.
class native_box : public QMessageBox {
public:
    explicit native_box(HWND box) : window(box)
    {
        setWindowTitle(text_of(box));
        setText(text_of(GetDlgItem(box, 0xFFFF))); // the message's own control
        StandardButtons buttons;
        for (const auto &[id, button] :
             {std::pair<int, StandardButton>{IDOK, Ok}, {IDCANCEL, Cancel}, {IDYES, Yes}, {IDNO, No}}) {
            if (GetDlgItem(box, id)) {
                buttons |= button;
            }
        }
        setStandardButtons(buttons);
        // The icon's control (20 on Windows, 0x440 under Wine) holds no icon when the box has none.
        bool icon = false;
        for (const int id : {20, 0x440}) {
            const HWND control = GetDlgItem(box, id);
            icon |= control && IsWindowVisible(control) && SendMessageW(control, STM_GETICON, 0, 0) != 0;
        }
        setIcon(icon ? Information : NoIcon);
        owned = GetWindow(box, GW_OWNER) != nullptr;
    }

    void press(box_answer answer) const
    {
        const auto command = [this](int id) {
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        };
        // A question of yes or no takes OK as yes and Cancel as no. Windows ignores Esc and the close box there;
        // they answer yes, as the box elsewhere does, so that a test never waits on a box that cannot close.
        const bool yes_no = GetDlgItem(window, IDYES) != nullptr;
        if (yes_no && answer != box_answer::no && answer != box_answer::cancel) {
            answer = box_answer::yes;
        } else if (yes_no) {
            answer = box_answer::no;
        }
        switch (answer) {
        case box_answer::ok:
            command(IDOK);
            break;
        case box_answer::cancel:
            command(IDCANCEL);
            break;
        case box_answer::yes:
            command(IDYES);
            break;
        case box_answer::no:
            command(IDNO);
            break;
        case box_answer::escape:
            // Through the box's own dialog manager, as a key press on its focused button.
            PostMessageW(GetFocus() ? GetFocus() : window, WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case box_answer::close_box:
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
    }

    static QString text_of(HWND window)
    {
        wchar_t text[4096] = {};
        const int size = GetWindowTextW(window, text, 4096);
        return QString::fromWCharArray(text, size);
    }

    HWND window;
    bool owned = false;
};

// The thread's system message box that is showing, if any.
HWND showing_native_box()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            wchar_t class_name[16] = {};
            GetClassNameW(window, class_name, 16);
            if (IsWindowVisible(window) && QString::fromWCharArray(class_name) == QLatin1String("#32770")) {
                *reinterpret_cast<HWND *>(result) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

#endif

// Whether, while `dialog` is up, no other window of the program takes clicks or keys.
bool others_blocked(QWidget *dialog)
{
#ifdef Q_OS_WIN
    if (dynamic_cast<native_box *>(dialog)) {
        // The system disables the windows that a task-modal box blocks; only the platform's real windows show it.
        if (QGuiApplication::platformName() != QLatin1String("windows")) {
            return false;
        }
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::none_of(windows.begin(), windows.end(), [dialog](QWidget *window) {
            return window != dialog && window->isVisible() && IsWindowEnabled(reinterpret_cast<HWND>(window->winId()));
        });
    }
#endif
    return dialog->isModal() && dialog->windowModality() == Qt::ApplicationModal;
}

seen_dialog describe(QWidget *w)
{
    seen_dialog d;
    d.caption = w->windowTitle();
    d.has_parent = w->parentWidget() != nullptr;
    d.window_blocked = others_blocked(w);
#ifdef Q_OS_WIN
    if (auto *native = dynamic_cast<native_box *>(w)) {
        d.has_parent = native->owned;
    }
#endif
    if (auto *file = qobject_cast<QFileDialog *>(w)) {
        d.kind = QStringLiteral("file");
        d.directory = file->directory().absolutePath();
        d.filters = file->nameFilters();
        d.save = file->acceptMode() == QFileDialog::AcceptSave;
    } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
        d.kind = QStringLiteral("message");
        d.text = box->text();
        d.buttons = box->standardButtons();
        d.icon = box->icon();
    } else {
        d.kind = QStringLiteral("unexpected");
    }
    return d;
}

void later(QObject *context, std::function<void()> action)
{
    QTimer::singleShot(0, context, std::move(action));
}

} // namespace

dialog_driver::dialog_driver()
{
    // The file dialogs are Qt's own, which the driver answers; on Windows the program shows the system's.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &dialog_driver::poll);
    timer_.start();
}

dialog_driver::~dialog_driver()
{
    for (const QPointer<QWidget> &box : native_boxes_) {
        delete box.data();
    }
}

void dialog_driver::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && (handled_.contains(modal) || !modal->isVisible())) {
        return;
    }
#ifdef Q_OS_WIN
    // A system message box runs its own loop, in which this timer still fires.
    for (auto it = answered_boxes_.begin(); it != answered_boxes_.end();) {
        it = IsWindow(reinterpret_cast<HWND>(*it)) ? std::next(it) : answered_boxes_.erase(it);
    }
    if (!modal) {
        const HWND box = showing_native_box();
        if (!box || answered_boxes_.contains(reinterpret_cast<quintptr>(box))) {
            return;
        }
        answered_boxes_.insert(reinterpret_cast<quintptr>(box));
        modal = new native_box(box);
        native_boxes_ << modal;
    }
#endif
    if (!modal) {
        return;
    }
    handled_.insert(modal);
    connect(modal, &QObject::destroyed, this, [this, modal] { handled_.remove(modal); });
    if (handlers_.isEmpty() && fallback_) {
        seen << describe(modal);
        fallback_(modal, *this);
        return;
    }
    if (handlers_.isEmpty()) {
        seen_dialog d = describe(modal);
        d.kind = QStringLiteral("unexpected ") + d.kind;
        seen << d;
        reject_dialog(modal);
        return;
    }
    const handler next = handlers_.takeFirst();
    next(modal);
}

void dialog_driver::accept_file(QFileDialog *dialog, const QString &path)
{
    if (dialog->acceptMode() == QFileDialog::AcceptSave && QFileInfo::exists(path)) {
        handlers_.prepend([this](QWidget *confirm) {
            seen << describe(confirm);
            if (auto *box = qobject_cast<QMessageBox *>(confirm)) {
                click_box_button(box, box_answer::yes);
            }
        });
    }
    dialog->selectFile(path);
    QPointer<QFileDialog> target(dialog);
    later(this, [target] {
        if (target) {
            static_cast<QDialog *>(target.data())->accept();
        }
    });
}

void dialog_driver::reject_dialog(QWidget *dialog)
{
#ifdef Q_OS_WIN
    if (auto *native = dynamic_cast<native_box *>(dialog)) {
        native->press(box_answer::close_box);
        return;
    }
#endif
    QPointer<QWidget> target(dialog);
    later(this, [target] {
        if (auto *d = qobject_cast<QDialog *>(target.data())) {
            d->reject();
        } else if (target) {
            target->close();
        }
    });
}

void dialog_driver::click_box_button(QMessageBox *box, box_answer answer)
{
#ifdef Q_OS_WIN
    if (auto *native = dynamic_cast<native_box *>(box)) {
        native->press(answer);
        return;
    }
#endif
    QPointer<QMessageBox> target(box);
    later(this, [target, answer] {
        if (!target) {
            return;
        }
        // A question of yes or no takes OK as yes and Cancel as no.
        const auto press = [&target](QMessageBox::StandardButton button, QMessageBox::StandardButton otherwise) {
            (target->button(button) ? target->button(button) : target->button(otherwise))->click();
        };
        switch (answer) {
        case box_answer::ok:
            press(QMessageBox::Ok, QMessageBox::Yes);
            break;
        case box_answer::cancel:
            press(QMessageBox::Cancel, QMessageBox::No);
            break;
        case box_answer::yes:
            press(QMessageBox::Yes, QMessageBox::Ok);
            break;
        case box_answer::no:
            press(QMessageBox::No, QMessageBox::Cancel);
            break;
        case box_answer::escape:
            QTest::keyClick(target, Qt::Key_Escape);
            break;
        case box_answer::close_box:
            target->close();
            break;
        }
    });
}

void dialog_driver::choose_file(const QString &path)
{
    handlers_ << [this, path](QWidget *w) {
        seen << describe(w);
        if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
            accept_file(dialog, path);
            return;
        }
        seen.last().kind = QStringLiteral("unexpected ") + seen.last().kind;
        reject_dialog(w);
    };
}

void dialog_driver::cancel_file_dialog()
{
    handlers_ << [this](QWidget *w) {
        seen << describe(w);
        reject_dialog(w);
    };
}

void dialog_driver::answer_message(box_answer answer)
{
    handlers_ << [this, answer](QWidget *w) {
        seen << describe(w);
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            click_box_button(box, answer);
            return;
        }
        seen.last().kind = QStringLiteral("unexpected ") + seen.last().kind;
        reject_dialog(w);
    };
}

QStringList dialog_driver::problems() const
{
    QStringList out;
    for (const seen_dialog &d : seen) {
        if (d.kind.startsWith(QStringLiteral("unexpected"))) {
            out << QStringLiteral("%1 \"%2\": %3").arg(d.kind, d.caption, d.text);
        }
    }
    if (!handlers_.isEmpty()) {
        out << QStringLiteral("%1 expected dialog(s) never appeared").arg(handlers_.size());
    }
    return out;
}

void dialog_driver::clear()
{
    seen.clear();
    handlers_.clear();
}

slot_recorder::slot_recorder()
{
    recorded_slots.clear();
    qt_register_signal_spy_callbacks(&slot_callbacks);
}

slot_recorder::~slot_recorder()
{
    qt_register_signal_spy_callbacks(&no_callbacks);
}

QStringList slot_recorder::slots_run() const
{
    return recorded_slots;
}

void slot_recorder::clear()
{
    recorded_slots.clear();
}

void reset_store()
{
    // The recovery records of earlier tests go with their answers.
    wait_for_recovery_records();
    if (!recovery_folder().isEmpty()) {
        QDir(recovery_folder()).removeRecursively();
    }
    using namespace paper;
    for (auto &item : store.onech_items) {
        item = onech_item{};
    }
    for (auto &item : store.somech_items) {
        item = somech_item{};
    }
    for (auto &item : store.unch_items) {
        item = unch_item{};
    }
    store.onech_count = store.somech_count = store.unch_count = 0;
    store.onech_cur = store.somech_cur = store.unch_cur = 0;
    store.paper_path.fill('\0');
    store.problem_path.fill('\0');
}

namespace {

QtMessageHandler qt_handler = nullptr;

// The offscreen platform warns each time a window is shown that it cannot pass size hints on; nothing is wrong.
void quiet_offscreen_warnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("propagateSizeHints"))) {
        return;
    }
    qt_handler(type, context, message);
}

} // namespace

void private_data_folder()
{
    static const bool isolated = [] {
        QCoreApplication::setApplicationName(QStringLiteral("vq_stu"));
#ifdef Q_OS_WIN
        QStandardPaths::setTestModeEnabled(true);
#else
        // One folder per test program, which its child processes share.
        if (!qEnvironmentVariableIsSet("VQ_PRIVATE_DATA_HOME")) {
            static QTemporaryDir home;
            qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
            qputenv("VQ_PRIVATE_DATA_HOME", "1");
        }
#endif
        return true;
    }();
    Q_UNUSED(isolated)
}

window_fixture::window_fixture()
{
    static const bool quiet = [] {
        qt_handler = qInstallMessageHandler(quiet_offscreen_warnings);
        return true;
    }();
    Q_UNUSED(quiet)
    private_data_folder();
    reset_store();
    window_ = std::make_unique<vq_stu>();
    confirm_before_session_ends(*window_);
    window_->show();
    window_->setWindowTitle(QStringLiteral("VQ试卷评测系统2.0-答题端vq_stu"));
    if (!QTest::qWaitForWindowExposed(window_.get())) {
        std::fprintf(stderr, "window not exposed\n");
    }
}

window_fixture::~window_fixture() = default;

void window_test::init()
{
    dir = std::make_unique<QTemporaryDir>();
    fixture = std::make_unique<window_fixture>();
    dialogs = std::make_unique<dialog_driver>();
    w = &fixture->window();
}

void window_test::cleanup()
{
    const QStringList problems = dialogs->problems();
    dialogs.reset();
    fixture.reset();
    dir.reset();
    w = nullptr;
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QWidget *widget(QWidget *root, const char *name)
{
    auto *w = root->findChild<QWidget *>(QString::fromLatin1(name));
    if (!w) {
        qFatal("no widget named %s", name);
    }
    return w;
}

void show_tab_of(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (auto *stack = p->parentWidget()) {
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
                const int index = tabs->indexOf(p);
                if (index >= 0) {
                    tabs->setCurrentIndex(index);
                    // The page that came to the front is laid out before anything on it is clicked.
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                    return;
                }
            }
        }
    }
}

void click(QWidget *root, const char *button)
{
    auto *b = find<QAbstractButton>(root, button);
    show_tab_of(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

void click_option(QWidget *root, const char *option)
{
    // An option reacts to clicks on its indicator and text, which sit at its left end, not at its centre.
    auto *b = find<QAbstractButton>(root, option);
    show_tab_of(b);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(std::min(8, b->width() / 2), b->height() / 2));
}

QString checked(QWidget *root, const char *prefix)
{
    QString letters;
    for (char c = 'A'; c <= 'F'; ++c) {
        const QByteArray name = QByteArray(prefix) + '_' + c;
        if (find<QAbstractButton>(root, name.constData())->isChecked()) {
            letters += QLatin1Char(c);
        }
    }
    return letters;
}

void choose(QWidget *root, const char *prefix, const QString &letters)
{
    for (const QChar c : letters) {
        const QByteArray name = QByteArray(prefix) + '_' + c.toLatin1();
        click_option(root, name.constData());
    }
}

QString shown(QWidget *root, const char *name)
{
    return find<QTextEdit>(root, name)->toPlainText();
}

double lcd(QWidget *root, const char *name)
{
    return find<QLCDNumber>(root, name)->value();
}

void type_answer(QWidget *root, const QString &text)
{
    auto *box = find<QTextEdit>(root, "unch_ans_in");
    show_tab_of(box);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            QTest::keyClick(box, Qt::Key_Return);
        }
        // Each character as a key press carrying its text, as a keyboard or an input method delivers it.
        for (const QChar c : lines[i]) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &release);
        }
    }
}

QByteArray worked_problem()
{
    return crlf(worked_example_lf());
}

QString make_paper(const QString &dir, const QString &sub, const QByteArray &problem, const QString &name,
                   const QByteArray &answers)
{
    const QString folder = sub.isEmpty() ? dir : dir + QLatin1Char('/') + sub;
    QDir().mkpath(folder);
    if (!problem.isEmpty()) {
        write_bytes(folder + QStringLiteral("/problem.prb"), problem);
    }
    const QString path = folder + QLatin1Char('/') + name;
    write_bytes(path, answers);
    return path;
}

void open_paper(QWidget *window, dialog_driver &dialogs, const QString &path)
{
    dialogs.choose_file(path);
    click(window, "open_paper");
}

QStringList snapshot(QWidget *window)
{
    QStringList lines;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        QString line = w->objectName() + (w->isEnabled() ? QStringLiteral(" on") : QStringLiteral(" off"));
        if (auto *label = qobject_cast<QLabel *>(w)) {
            line += QLatin1Char(' ') + label->text();
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            line += button->isChecked() ? QStringLiteral(" checked") : QStringLiteral(" clear");
        } else if (auto *edit = qobject_cast<QTextEdit *>(w)) {
            line += QLatin1Char(' ') + edit->toPlainText();
        } else if (auto *lcd = qobject_cast<QLCDNumber *>(w)) {
            line += QLatin1Char(' ') + QString::number(lcd->value());
        } else if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
            line += QLatin1Char(' ') + QString::number(tabs->currentIndex());
        }
        lines << line;
    }
    using paper::store;
    lines << QStringLiteral("counts %1 %2 %3").arg(store.onech_count).arg(store.somech_count).arg(store.unch_count);
    lines << QStringLiteral("cursors %1 %2 %3").arg(store.onech_cur).arg(store.somech_cur).arg(store.unch_cur);
    lines << QStringLiteral("paper_path ") + paper::path_name(store.paper_path);
    lines << QStringLiteral("problem_path ") + paper::path_name(store.problem_path);
    return lines;
}

QByteArray read_bytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray("<unreadable>");
    }
    return file.readAll();
}

void write_bytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

QByteArray crlf(const QByteArray &text)
{
    QByteArray out = text;
    out.replace("\n", "\r\n");
    return out;
}

} // namespace harness
