// The platform message box: modal (the window behind it takes no input), ownerless, captioned, OK or OK + Cancel, and
// every way out but OK is cancel.

#include "platform/message_box.h"
#include "support/window_harness.h"

#include <QTest>

using namespace harness;
using platform::box_buttons;

Q_DECLARE_METATYPE(harness::box_answer)
Q_DECLARE_METATYPE(platform::box_buttons)
Q_DECLARE_METATYPE(platform::box_answer)

class tst_message_box : public QObject {
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void tst_message_box::answers_data()
{
    QTest::addColumn<platform::box_buttons>("buttons");
    QTest::addColumn<harness::box_answer>("student");
    QTest::addColumn<platform::box_answer>("result");
    QTest::newRow("OK box, OK clicked") << box_buttons::ok << box_answer::ok << platform::box_answer::ok;
    QTest::newRow("OK box, Esc pressed") << box_buttons::ok << box_answer::escape << platform::box_answer::ok;
    QTest::newRow("OK box, closed by its close box")
        << box_buttons::ok << box_answer::close_box << platform::box_answer::ok;
    QTest::newRow("OK + Cancel, OK clicked") << box_buttons::ok_cancel << box_answer::ok << platform::box_answer::ok;
    QTest::newRow("OK + Cancel, Cancel clicked")
        << box_buttons::ok_cancel << box_answer::cancel << platform::box_answer::cancel;
    QTest::newRow("OK + Cancel, Esc pressed")
        << box_buttons::ok_cancel << box_answer::escape << platform::box_answer::cancel;
    QTest::newRow("OK + Cancel, closed by its close box")
        << box_buttons::ok_cancel << box_answer::close_box << platform::box_answer::cancel;
    QTest::newRow("Yes + No, Yes clicked") << box_buttons::yes_no << box_answer::yes << platform::box_answer::yes;
    QTest::newRow("Yes + No, No clicked") << box_buttons::yes_no << box_answer::no << platform::box_answer::no;
    // Nothing is thrown away by a key that closes boxes.
    QTest::newRow("Yes + No, Esc pressed") << box_buttons::yes_no << box_answer::escape << platform::box_answer::yes;
}

void tst_message_box::answers()
{
    QFETCH(platform::box_buttons, buttons);
    QFETCH(harness::box_answer, student);
    QFETCH(platform::box_answer, result);
    QWidget behind; // the program's window, which must take no input while the box is up
    behind.show();
    QVERIFY(QTest::qWaitForWindowExposed(&behind));
    dialog_driver dialogs;
    dialogs.answer_message(student);
    const QString text = QStringLiteral("第一行\n第二行");
    QCOMPARE(platform::message_box(text, QStringLiteral("提示"), buttons), result);
    QCOMPARE(dialogs.seen.size(), 1);
    const seen_dialog &d = dialogs.seen.first();
    QCOMPARE(d.kind, QStringLiteral("message"));
    QCOMPARE(d.caption, QStringLiteral("提示"));
    QCOMPARE(d.text, text);
    QCOMPARE(d.icon, QMessageBox::NoIcon);
    QVERIFY(!d.has_parent);
#ifdef Q_OS_WIN
    if (QGuiApplication::platformName() == QLatin1String("windows")) // offscreen windows have nothing to disable
#endif
        QVERIFY(d.window_blocked);
    QCOMPARE(d.buttons, buttons == box_buttons::ok          ? QMessageBox::StandardButtons(QMessageBox::Ok)
                        : buttons == box_buttons::ok_cancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                            : QMessageBox::Yes | QMessageBox::No);
}

QTEST_MAIN(tst_message_box)
#include "tst_message_box.moc"
