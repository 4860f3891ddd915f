#pragma once

// Palettes as a desktop gives them to the program, for the screenshots and the contrast check: a high-contrast
// scheme (white on black, with the 3D shades black as well, as shipped high-contrast schemes have them) and a dark
// scheme (grey on near-black, with the shades a little lighter and darker than the window).

#include <QColor>
#include <QPalette>
#include <QString>

namespace harness {

inline QPalette desktop_palette(const QString &name)
{
    struct scheme {
        const char *name;
        QRgb window, text, base, alternate, button, light, midlight, mid, dark, shadow, highlight, link;
    };
    static const scheme schemes[] = {
        {"high-contrast", 0x000000, 0xffffff, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000,
         0x000000, 0x1c1c5c, 0xffff00},
        {"dark", 0x353535, 0xeeeeee, 0x2a2a2a, 0x424242, 0x353535, 0x484848, 0x3f3f3f, 0x2b2b2b, 0x232323, 0x141414,
         0x2a82da, 0x2a82da},
    };
    for (const scheme &s : schemes) {
        if (name != QLatin1String(s.name)) {
            continue;
        }
        QPalette p(QColor(s.text), QColor(s.button), QColor(s.light), QColor(s.dark), QColor(s.mid), QColor(s.text),
                   QColor(s.text), QColor(s.base), QColor(s.window));
        p.setColor(QPalette::Midlight, QColor(s.midlight));
        p.setColor(QPalette::Shadow, QColor(s.shadow));
        p.setColor(QPalette::AlternateBase, QColor(s.alternate));
        p.setColor(QPalette::ButtonText, QColor(s.text));
        p.setColor(QPalette::Highlight, QColor(s.highlight));
        p.setColor(QPalette::HighlightedText, QColor(Qt::white));
        p.setColor(QPalette::Link, QColor(s.link));
        p.setColor(QPalette::ToolTipBase, QColor(s.base));
        p.setColor(QPalette::ToolTipText, QColor(s.text));
        const QColor grey = QColor(s.text).darker(160);
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            p.setColor(QPalette::Disabled, role, grey);
        }
        return p;
    }
    return QPalette();
}

} // namespace harness
