// Measures on screenshots of the real window, with the sample paper open, what a student with a high-contrast or a
// dark desktop palette sees of what the form draws in colours of its own: the digits of the number displays, the
// rings and boxes of the options and the heading's link, each against what is behind it (WCAG 2 contrast ratio).
// The palette is changed while the window is open, as a student turning high contrast on during the exam does.
// Also how the focus shows on an option, a button and a text box of each page, and how the edges of the buttons,
// the tabs, the tab pane, the text boxes and the displays stand out from what is around them. Fails when a digit, a
// ring or a box, an edge, or the change that the focus makes, is under 3:1, or the link under 4.5:1.
//   check_contrast EXAMPLES_FOLDER [FOLDER_FOR_THE_SCREENSHOTS]
// Run it on a real display (an X server such as Xvfb): the pictures are grabbed from the screen.

#include "app/vq_stu.h"
#include "pages/desktop_colours.h"
#include "support/desktop_palettes.h"
#include "support/window_harness.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHash>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <cstdio>

namespace {

// The colour most of `area` has: what the drawing stands on.
QRgb background(const QImage &shot, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[shot.pixel(x, y) | 0xff000000u];
        }
    }
    QRgb most = 0;
    int highest = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > highest) {
            highest = it.value();
            most = it.key();
        }
    }
    return most;
}

// How well the most visible pixel of `area` stands out from `behind`: 1 when nothing is drawn there.
double best_contrast(const QImage &shot, const QRect &area, QRgb behind)
{
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            best = std::max(best, contrast_ratio(QColor(shot.pixel(x, y)), QColor(behind)));
        }
    }
    return best;
}

QRect on_screen(const QWidget *widget, const QRect &rect)
{
    return QRect(widget->mapToGlobal(rect.topLeft()), rect.size());
}

// Where the link of the heading is drawn: the second paragraph, after "官网：".
QRect link_area(const QLabel *heading)
{
    QTextDocument document;
    document.setDefaultFont(heading->font());
    document.setHtml(heading->text());
    document.setDocumentMargin(0);
    const QRect inside = heading->contentsRect();
    document.setTextWidth(inside.width());
    const int top = inside.top() + (inside.height() - qRound(document.size().height())) / 2;
    const QTextBlock block = document.begin().next();
    const QTextLine line = block.layout()->lineAt(0);
    const QRectF box = document.documentLayout()->blockBoundingRect(block);
    const int left = qRound(line.cursorToX(3)) + 2;
    const int right = qRound(line.cursorToX(block.length() - 1));
    return on_screen(heading, QRect(left, top + qRound(box.top() + line.y()), right - left, qRound(line.height())));
}

struct lowest {
    double digits = 21, rings = 21, link = 21, focus = 21, edges = 21;
};

enum side { left = 1, top = 2, right = 4, bottom = 8, all = 15 };

// How well the weakest of the `sides` of a control (given on the screen) stands out from what is just outside it,
// above the control (below it for the bottom alone): for each side, the most visible pixel of a strip along it,
// from a pixel outside (where a style lets a selected tab overlap the next) to 3 inside, clear of the corners.
double edge_contrast(const QImage &shot, const QRect &control, int sides)
{
    const QRect outside = (sides & top) || !(sides & bottom)
                              ? QRect(control.left(), control.top() - 3, control.width(), 2)
                              : QRect(control.left(), control.bottom() + 2, control.width(), 2);
    const QRgb behind = background(shot, outside);
    const QRect r = control.adjusted(-1, -1, 1, 1);
    double weakest = 21;
    if (sides & left) {
        weakest = std::min(weakest, best_contrast(shot, QRect(r.left(), r.top() + 5, 4, r.height() - 10), behind));
    }
    if (sides & right) {
        weakest = std::min(weakest, best_contrast(shot, QRect(r.right() - 3, r.top() + 5, 4, r.height() - 10), behind));
    }
    if (sides & top) {
        weakest = std::min(weakest, best_contrast(shot, QRect(r.left() + 5, r.top(), r.width() - 10, 4), behind));
    }
    if (sides & bottom) {
        weakest =
            std::min(weakest, best_contrast(shot, QRect(r.left() + 5, r.bottom() - 3, r.width() - 10, 4), behind));
    }
    return weakest;
}

// The edges of the buttons of the window (with the page `page` shown), of its tabs and of the tab pane, and the
// frames of the page's text boxes and displays.
double weakest_edge(QWidget *page, const QImage &shot)
{
    double weakest = 21;
    QWidget *window = page->window();
    for (const QPushButton *button : window->findChildren<QPushButton *>()) {
        if (button->isVisible()) {
            weakest = std::min(weakest, edge_contrast(shot, on_screen(button, button->rect()), all));
        }
    }
    for (const QFrame *box : page->findChildren<QFrame *>()) {
        if (box->isVisible() && (qobject_cast<const QTextEdit *>(box) || qobject_cast<const QLCDNumber *>(box))) {
            weakest = std::min(weakest, edge_contrast(shot, on_screen(box, box->rect()), all));
        }
    }
    for (const QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        const QTabBar *bar = tabs->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            weakest = std::min(weakest, edge_contrast(shot, on_screen(bar, bar->tabRect(i)), left | top | right));
        }
        const QRect pane = tabs->rect().adjusted(0, bar->geometry().bottom() + 1, 0, 0);
        weakest = std::min(weakest, edge_contrast(shot, on_screen(tabs, pane), left | right | bottom));
    }
    return weakest;
}

QImage screen_of(QWidget *window)
{
    QTest::qWait(100);
    return window->screen()->grabWindow(0).toImage();
}

// How a control's look changes when it takes the keyboard focus: the largest contrast between a pixel of the
// control with the focus and the same pixel without it.
double focus_change(QWidget *control)
{
    QWidget *window = control->window();
    window->setFocus(Qt::OtherFocusReason);
    const QImage without = screen_of(window);
    control->setFocus(Qt::TabFocusReason);
    window->setAttribute(Qt::WA_KeyboardFocusChange); // as Tab leaves it: the styles show the focus from then on
    control->update();
    const QImage with = screen_of(window);
    const QRect area = on_screen(control, control->rect());
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            best = std::max(best, contrast_ratio(QColor(with.pixel(x, y)), QColor(without.pixel(x, y))));
        }
    }
    return best;
}

void measure_page(QWidget *page, const QImage &shot, lowest &found)
{
    found.edges = std::min(found.edges, weakest_edge(page, shot));
    for (const QLCDNumber *display : page->findChildren<QLCDNumber *>()) {
        const QRect area = on_screen(display, display->contentsRect().adjusted(2, 2, -2, -2));
        found.digits = std::min(found.digits, best_contrast(shot, area, background(shot, area)));
    }
    for (QAbstractButton *option : page->findChildren<QAbstractButton *>()) {
        const bool radio = qobject_cast<QRadioButton *>(option);
        if ((!radio && !qobject_cast<QCheckBox *>(option)) || option->isChecked()) {
            continue;
        }
        QStyleOptionButton style_option;
        style_option.initFrom(option);
        style_option.text = option->text();
        const QRect ring = option->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &style_option, option);
        const QRgb behind = background(shot, on_screen(option, option->rect()));
        found.rings = std::min(found.rings, best_contrast(shot, on_screen(option, ring), behind));
    }
    // An option, a button and a text box of the page: how each shows that it has the focus.
    const QList<QWidget *> controls = page->findChildren<QWidget *>();
    for (const char *kind : {"QRadioButton", "QCheckBox", "QPushButton", "QTextEdit"}) {
        const auto it = std::find_if(controls.crbegin(), controls.crend(),
                                     [kind](const QWidget *c) { return c->inherits(kind) && c->isEnabled(); });
        if (it != controls.crend()) {
            found.focus = std::min(found.focus, focus_change(*it));
        }
    }
    if (auto *heading = page->findChild<QLabel *>(QStringLiteral("label_5"))) {
        const QRgb behind = background(shot, on_screen(heading, heading->rect()));
        found.link = std::min(found.link, best_contrast(shot, link_area(heading), behind));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); // the test answers Qt's own dialog
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: check_contrast EXAMPLES_FOLDER [FOLDER_FOR_THE_SCREENSHOTS]\n");
        return 2;
    }
    const QString examples = QDir(args[1]).absolutePath();
    QDir::setCurrent(examples);
    harness::window_fixture fixture;
    QWidget *w = &fixture.window();
    w->move(0, 0);
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w)) {
        std::fprintf(stderr, "the window did not become active: its focus cannot be seen\n");
        return 1;
    }
    harness::dialog_driver dialogs;
    harness::open_paper(w, dialogs, QDir(examples).filePath(QStringLiteral("张三.stu")));
    if (!dialogs.problems().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
        return 1;
    }
    // The open dialog had the keyboard; the window takes it back, as the window manager would give it.
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w)) {
        std::fprintf(stderr, "the window did not become active again after the open dialog\n");
        return 1;
    }
    auto *tabs = harness::find<QTabWidget>(w, "tabWidget");
    // The form's own look, page by page, to see it back when the desktop's palette is the toolkit's again.
    const QPalette toolkit = QApplication::palette();
    const auto pages = [&] {
        QList<QImage> shots;
        w->setFocus(Qt::OtherFocusReason);
        w->setAttribute(Qt::WA_KeyboardFocusChange, false);
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            shots << screen_of(w).copy(w->geometry());
        }
        return shots;
    };
    const QList<QImage> own_look = pages();
    bool readable = true;
    // A palette the desktop gave at start (a platform theme: QT_QPA_PLATFORMTHEME=qt5ct) is measured first.
    QStringList names{QStringLiteral("high-contrast"), QStringLiteral("dark")};
    if (toolkit != w->style()->standardPalette()) {
        names.prepend(QStringLiteral("desktop"));
    }
    for (const QString &name : names) {
        if (name != QLatin1String("desktop")) {
            QApplication::setPalette(harness::desktop_palette(name));
        }
        lowest found;
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            w->setFocus(Qt::OtherFocusReason); // no focus frame on an edge that is measured
            QTest::qWait(100);
            const QImage shot = screen_of(w);
            if (args.size() > 2) {
                shot.copy(w->frameGeometry())
                    .save(QDir(args[2]).filePath(QStringLiteral("contrast-%1-%2.png").arg(name).arg(i + 1)));
            }
            measure_page(tabs->widget(i), shot, found);
        }
        const bool ok =
            found.digits >= 3 && found.rings >= 3 && found.link >= 4.5 && found.focus >= 3 && found.edges >= 3;
        std::printf("%s palette: lowest contrast of the digits %.2f:1, of the option rings and boxes %.2f:1, of the "
                    "link %.2f:1, of the edges of buttons, tabs and boxes %.2f:1; focus shown at %.2f:1%s\n",
                    qPrintable(name), found.digits, found.rings, found.link, found.edges, found.focus,
                    ok ? "" : "  <- too low to be seen");
        readable = readable && ok;
    }
    QApplication::setPalette(toolkit);
    QTest::qWait(100);
    if (pages() != own_look) {
        std::printf("back at the toolkit's palette, the window does not look as it did before\n");
        return 1;
    }
    return readable ? 0 : 1;
}
