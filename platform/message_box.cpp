#include "platform/message_box.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QMessageBox>
#include <QPushButton>
#endif

namespace platform {

#ifdef Q_OS_WIN

box_answer message_box(const QString &text, const QString &caption, box_buttons buttons)
{
    // Without an owner window only the task-modal style keeps the program's windows from taking clicks and keys
    // while the box is up.
    const UINT kind = buttons == box_buttons::ok ? MB_OK : buttons == box_buttons::ok_cancel ? MB_OKCANCEL : MB_YESNO;
    const int result = MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(text.utf16()),
                                   reinterpret_cast<LPCWSTR>(caption.utf16()), kind | MB_TASKMODAL);
    if (buttons == box_buttons::yes_no) {
        return result == IDNO ? box_answer::no : box_answer::yes;
    }
    // With a lone OK button every way of closing the box answers ok.
    return buttons == box_buttons::ok_cancel && result == IDCANCEL ? box_answer::cancel : box_answer::ok;
}

#else

box_answer message_box(const QString &text, const QString &caption, box_buttons buttons)
{
    if (buttons == box_buttons::yes_no) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No);
        box.setObjectName(QStringLiteral("vq_message_box"));
        box.setTextFormat(Qt::PlainText);
        // The question names its answers 是 and 否, whatever language the toolkit's own buttons speak here.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::No ? box_answer::no : box_answer::yes;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text,
                    buttons == box_buttons::ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel);
    box.setObjectName(QStringLiteral("vq_message_box"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(buttons == box_buttons::ok ? QMessageBox::Ok : QMessageBox::Cancel);
    return box.exec() == QMessageBox::Cancel ? box_answer::cancel : box_answer::ok;
}

#endif

} // namespace platform
