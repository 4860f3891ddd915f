#include "pages/desktop_colours.h"

#include "platform/high_contrast.h"
#include "ui_vq_stu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QLCDNumber>
#include <QLabel>
#include <QObject>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace {

// The form's link colour, as the heading's rich text writes it.
const QString form_link = QStringLiteral("color:#0000ff;");

constexpr double text_contrast = 4.5;     // any text
constexpr double graphics_contrast = 3.0; // a digit's segments, an option's ring, a focus outline

const QPalette::ColorGroup groups[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};

double luminance(const QColor &colour)
{
    const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

// What the pages are painted on: the window colour, and the tab widget's pane, which the styles draw in the
// button colour (Fusion lightens a dark one by up to a third).
double contrast_on_page(const QPalette &palette, QPalette::ColorGroup group, const QColor &colour)
{
    const QColor button = palette.color(group, QPalette::Button);
    const QColor pane = button.lighter(100 + std::max(1, (180 - qGray(button.rgb())) / 6)).lighter(104);
    return std::min({contrast_ratio(colour, palette.color(group, QPalette::Window)), contrast_ratio(colour, button),
                     contrast_ratio(colour, pane)});
}

// The desktop gave the toolkit's own palette: the form keeps its look. On Windows the palette is always the
// system's colours; there the standard look is every setting but high contrast, or colours that put light text on
// a dark window (a high-contrast scheme where the system does not say so, as under Wine).
bool toolkit_default(const QPalette &palette, const QStyle *style)
{
#ifdef Q_OS_WIN
    Q_UNUSED(style)
    const bool dark = luminance(palette.color(QPalette::Active, QPalette::Window)) <
                      luminance(palette.color(QPalette::Active, QPalette::WindowText));
    return !platform::high_contrast_on() && !dark;
#else
    const QPalette standard = style->standardPalette();
    const QPalette::ColorRole roles[] = {QPalette::Window, QPalette::WindowText, QPalette::Base,
                                         QPalette::Text,   QPalette::Button,     QPalette::ButtonText,
                                         QPalette::Light,  QPalette::Dark,       QPalette::Highlight};
    for (const QPalette::ColorGroup group : groups) {
        for (const QPalette::ColorRole role : roles) {
            if (palette.color(group, role) != standard.color(group, role)) {
                return false;
            }
        }
    }
    return true;
#endif
}

// A colour for graphics on the page that reaches `needed`: the text colour, else black or white.
QColor readable_on_page(const QPalette &palette, QPalette::ColorGroup group, double needed)
{
    const QColor text = palette.color(group, QPalette::WindowText);
    if (contrast_on_page(palette, group, text) >= needed) {
        return text;
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrast_on_page(palette, group, black) > contrast_on_page(palette, group, white) ? black : white;
}

// A focus outline drawn from the highlight (Fusion: darker, and never lighter than a middle grey).
QColor focus_outline_from(const QColor &highlight)
{
    QColor outline = highlight.darker(125);
    if (outline.lightness() > 160) {
        outline.setHsl(outline.hue(), outline.saturation(), 160);
    }
    return outline;
}

// The desktop's style, with what shows an option, the edges of the controls and the keyboard focus drawn in
// colours that stand out from the page where the style's own would not: the rings and boxes of the options (which
// the styles shade from the window colour) and the edges of the buttons, the tabs, the tab pane and the text boxes
// (which they shade from the window and button colours, dark on dark in a high-contrast or dark scheme) in `ring`,
// and the focus as a solid line in `focus` around an option's or a tab's text, inside a button and around a text
// box (where otherwise only the caret shows it).
class readable_style : public QProxyStyle {
public:
    readable_style(const QColor &focus, const QColor &ring) : QProxyStyle(desktop_style()), focus_(focus), ring_(ring)
    {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        painter->save();
        painter->setBrush(Qt::NoBrush);
        const bool text_box = qobject_cast<const QTextEdit *>(widget);
        if (element == PE_IndicatorRadioButton) {
            painter->setRenderHint(QPainter::Antialiasing, true);
            painter->setPen(QPen(ring_, 1.5));
            painter->drawEllipse(QRectF(option->rect).adjusted(1, 1, -1, -1));
        } else if (element == PE_IndicatorCheckBox || element == PE_FrameTabWidget ||
                   (element == PE_Frame && text_box)) {
            painter->setRenderHint(QPainter::Antialiasing, false);
            painter->setPen(QPen(ring_, 1));
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        } else if (element == PE_PanelButtonCommand) {
            painter->setRenderHint(QPainter::Antialiasing, true);
            painter->setPen(QPen(ring_, 1));
            painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        }
        if (((element == PE_FrameFocusRect || element == PE_PanelButtonCommand) && (option->state & State_HasFocus) &&
             (option->state & State_KeyboardFocusChange)) ||
            (element == PE_Frame && (option->state & State_HasFocus) && text_box)) {
            painter->setRenderHint(QPainter::Antialiasing, false);
            painter->setPen(QPen(focus_, 2));
            painter->drawRect(QRectF(option->rect).adjusted(1, 1, -1, -1));
        }
        painter->restore();
    }

    // A text box's frame is 2 pixels wide: its edge, and inside it the line that shows the focus.
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_DefaultFrameWidth && qobject_cast<const QTextEdit *>(widget) ? std::max(value, 2) : value;
    }

    // A tab's edge: the three sides away from the pane, where the style draws them (an unselected tab is lower, the
    // selected one overlaps the next).
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        const auto *tab = qstyleoption_cast<const QStyleOptionTab *>(option);
        if (element != CE_TabBarTabShape || !tab) {
            return;
        }
        const bool selected = tab->state & State_Selected;
        const int lower = selected ? 0 : 2;
        const int overlap =
            selected && tab->position != QStyleOptionTab::End && tab->position != QStyleOptionTab::OnlyOneTab
                ? pixelMetric(PM_TabBarTabOverlap, option, widget)
                : 0;
        QRect edge = tab->rect;
        QRect clip = tab->rect;
        switch (tab->shape) {
        case QTabBar::RoundedSouth:
        case QTabBar::TriangularSouth:
            edge.adjust(0, -3, overlap, -lower);
            clip.adjust(0, 0, overlap, 0);
            break;
        case QTabBar::RoundedWest:
        case QTabBar::TriangularWest:
            edge.adjust(lower, 0, 3, overlap);
            clip.adjust(0, 0, 0, overlap);
            break;
        case QTabBar::RoundedEast:
        case QTabBar::TriangularEast:
            edge.adjust(-3, 0, -lower, overlap);
            clip.adjust(0, 0, 0, overlap);
            break;
        default:
            edge.adjust(0, lower, overlap, 3);
            clip.adjust(0, 0, overlap, 0);
            break;
        }
        painter->save();
        painter->setClipRect(clip);
        painter->setBrush(Qt::NoBrush);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(QPen(ring_, 1));
        painter->drawRoundedRect(QRectF(edge).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        painter->restore();
    }

    bool draws(const QColor &focus, const QColor &ring) const { return focus == focus_ && ring == ring_; }

private:
    // A fresh instance of the style the desktop chose, beneath any proxy of its own (qt5ct wraps Fusion in one):
    // the style calls back into this one for the parts it is made of (a button's focus frame), which a proxy in
    // between would keep for itself.
    static QStyle *desktop_style()
    {
        const QStyle *style = QApplication::style();
        while (const auto *proxy = qobject_cast<const QProxyStyle *>(style)) {
            style = proxy->baseStyle();
        }
        return style ? QStyleFactory::create(style->objectName()) : nullptr;
    }

    const QColor focus_;
    const QColor ring_;
};

class colour_follower : public QObject {
public:
    colour_follower(Ui::vq_stu &ui, QWidget *window)
        : QObject(window), window_(window), heading_(ui.label_5), heading_text_(ui.label_5->text())
    {
        window->installEventFilter(this);
        follow();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The window's own palette is settled by the time it hears of the change; the widgets' palettes are set
        // once the change has reached them all.
        if (watched == window_ &&
            (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) &&
            !pending_) {
            pending_ = true;
            QMetaObject::invokeMethod(
                this, [this] { follow(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void follow()
    {
        pending_ = false;
        if (!window_) {
            return;
        }
        const QPalette palette = window_->palette();
        const bool standard = toolkit_default(palette, window_->style());
        follow_link(palette, standard);
        const bool own = !standard; // the desktop's own palette: what would vanish in it gives way
        for (QLCDNumber *display : window_->findChildren<QLCDNumber *>()) {
            set_roles(display, own ? display_roles(palette) : QPalette());
        }
        for (QAbstractButton *button : window_->findChildren<QAbstractButton *>()) {
            set_roles(button, own ? focus_roles(palette) : QPalette());
        }
        for (QTabBar *tabs : window_->findChildren<QTabBar *>()) {
            set_roles(tabs, own ? focus_roles(palette) : QPalette());
        }
        follow_style(palette, own);
    }

    // Buttons, options, tabs, the tab pane and text boxes are drawn with the readable style in the desktop's own
    // palette.
    void follow_style(const QPalette &palette, bool own)
    {
        const QPalette::ColorGroup group = QPalette::Active;
        QColor focus = palette.color(group, QPalette::Highlight);
        if (contrast_on_page(palette, group, focus) < graphics_contrast) {
            focus = readable_on_page(palette, group, graphics_contrast);
        }
        // The ring stands out from the page around it and from the base colour inside it.
        QColor ring = readable_on_page(palette, group, graphics_contrast);
        const QColor base = palette.color(group, QPalette::Base);
        if (contrast_ratio(ring, base) < graphics_contrast) {
            ring = contrast_ratio(Qt::white, base) > contrast_ratio(Qt::black, base) ? QColor(Qt::white)
                                                                                     : QColor(Qt::black);
        }
        QStyle *old_style = style_;
        if (!own) {
            style_ = nullptr;
        } else if (!style_ || !style_->draws(focus, ring)) {
            style_ = new readable_style(focus, ring);
            style_->setParent(this);
        }
        if (style_ == old_style) {
            return;
        }
        QList<QWidget *> focusable;
        for (QAbstractButton *button : window_->findChildren<QAbstractButton *>()) {
            focusable << button;
        }
        for (QTabBar *tabs : window_->findChildren<QTabBar *>()) {
            focusable << tabs;
        }
        for (QTabWidget *tabs : window_->findChildren<QTabWidget *>()) {
            focusable << tabs; // its pane
        }
        for (QTextEdit *box : window_->findChildren<QTextEdit *>()) {
            focusable << box;
        }
        for (QWidget *widget : focusable) {
            widget->setStyle(style_);
        }
        delete old_style;
    }

    // Sets only the roles that `roles` sets; an empty one gives the widget back to the window's palette.
    static void set_roles(QWidget *widget, const QPalette &roles)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        const bool sets = roles.resolveMask() != 0;
#else
        const bool sets = roles.resolve() != 0;
#endif
        if (sets || widget->testAttribute(Qt::WA_SetPalette)) {
            widget->setPalette(roles);
        }
    }

    void follow_link(const QPalette &palette, bool standard)
    {
        if (!heading_) {
            return;
        }
        QString text = heading_text_;
        const QPalette::ColorGroup group = QPalette::Active;
        if (!standard && contrast_on_page(palette, group, QColor(0x00, 0x00, 0xff)) < text_contrast) {
            QColor link = palette.color(group, QPalette::Link);
            if (contrast_on_page(palette, group, link) < text_contrast) {
                link = readable_on_page(palette, group, text_contrast);
            }
            text.replace(form_link, QStringLiteral("color:%1;").arg(link.name()));
        }
        if (heading_->text() != text) {
            heading_->setText(text);
        }
    }

    // The displays' segments are drawn in Light (upper and left edges) and Dark (lower and right).
    static QPalette display_roles(const QPalette &palette)
    {
        QPalette roles;
        for (const QPalette::ColorGroup group : groups) {
            for (const QPalette::ColorRole role : {QPalette::Light, QPalette::Dark}) {
                const QColor shade = palette.color(group, role);
                roles.setColor(group, role,
                               contrast_on_page(palette, group, shade) >= graphics_contrast
                                   ? shade
                                   : readable_on_page(palette, group, graphics_contrast));
            }
        }
        return roles;
    }

    // The focus outline of a button, an option or a tab is derived from the highlight.
    static QPalette focus_roles(const QPalette &palette)
    {
        QPalette roles;
        for (const QPalette::ColorGroup group : groups) {
            const QColor highlight = palette.color(group, QPalette::Highlight);
            if (contrast_on_page(palette, group, focus_outline_from(highlight)) >= graphics_contrast) {
                continue;
            }
            for (const QColor &from : {palette.color(group, QPalette::WindowText), QColor(Qt::white)}) {
                if (contrast_on_page(palette, group, focus_outline_from(from)) >= graphics_contrast) {
                    roles.setColor(group, QPalette::Highlight, from);
                    break;
                }
            }
        }
        return roles;
    }

    QPointer<QWidget> window_;
    QPointer<QLabel> heading_;
    const QString heading_text_;
    QPointer<readable_style> style_;
    bool pending_ = false;
};

} // namespace

double contrast_ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void follow_desktop_colours(Ui::vq_stu &ui, QWidget *window)
{
    new colour_follower(ui, window);
}
