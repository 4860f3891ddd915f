#include "app/startup.h"

#include "app/vq_stu.h"
#include "commands/paper_commands.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTransform>
#include <QTranslator>
#include <QVersionNumber>
#include <QWidget>
#include <QWindow>
#include <QtGlobal>

#include <clocale>

namespace {

// Qt's platforms without a display of their own (the tests' offscreen one) report a made-up 100 dpi and draw no
// window frame.
bool platform_without_display()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM").split(':').constFirst();
    return platform == "offscreen" || platform == "minimal";
}

QString toolkit_translations_folder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

} // namespace

void prepare_platform()
{
    // Display scaling as the system sets it (150 % on most school laptops), the window included, and at its exact
    // factor: 125 % stays 125 % instead of being rounded to 100 %. At 100 % (96 dpi) the factor is exactly 1; a
    // platform without a display has no scaling to follow, and its 100 dpi would make the form 4 % larger. Qt 6
    // always scales.
    if (!platform_without_display()) {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
#endif
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
    }
    // The user's locale, as the application object would take it, already for the command line: its code page
    // decodes the answer file's name (a GBK name under zh_CN.GB18030).
    std::setlocale(LC_ALL, "");
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", QByteArrayLiteral("none"));
    }
}

void fit_to_screen(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    // The frame is the window system's and known only once the window is shown: room for a title bar and borders,
    // where there is a window system.
    const bool framed = QGuiApplication::platformName() != QLatin1String("offscreen") &&
                        QGuiApplication::platformName() != QLatin1String("minimal");
    const QSize room = available.size() - (framed ? QSize(16, 48) : QSize(0, 0));
    if (window.width() <= room.width() && window.height() <= room.height()) {
        return;
    }
    window.resize(window.size().boundedTo(room));
    window.move(available.topLeft());
}

void install_toolkit_translations(const QLocale &locale)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QStringList folders{toolkit_translations_folder(),
                              QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
    for (const QString &folder : folders) {
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
    }
    delete translator; // no translation for this language: Qt's English stays
}

void leave_the_program_folder()
{
#ifdef Q_OS_WIN
    const QString program = QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath();
    if (QFileInfo(QDir::currentPath()).canonicalFilePath().compare(program, Qt::CaseInsensitive) != 0) {
        return;
    }
    // A program copied into the exam folder, beside the paper, stays there.
    if (QFileInfo::exists(QDir(program).filePath(QStringLiteral("problem.prb")))) {
        return;
    }
    // The system's own Documents folder, wherever the school's policy has put it (a network share).
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
        QDir::setCurrent(documents);
    }
#endif
}

void confirm_before_session_ends(vq_stu &window)
{
#ifndef QT_NO_SESSIONMANAGER
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 5 would then also close every window itself, which would ask a second time.
    QGuiApplication::setFallbackSessionManagementEnabled(false);
#endif
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, [](QSessionManager &manager) {
        if (manager.allowsInteraction() && !may_close_window()) {
            manager.cancel();
        }
    });
#else
    Q_UNUSED(window)
#endif
}

void place_input_method_at_cursor()
{
    // Qt 5 and Qt 6 up to 6.4 (checked with 5.15.8 and 6.4.2); the toolkit in use counts, not the one built with.
    if (qgetenv("QT_IM_MODULE") != "ibus" || QLibraryInfo::version() >= QVersionNumber(6, 5)) {
        return;
    }
    QInputMethod *method = QGuiApplication::inputMethod();
    // The input context maps the cursor rectangle to the screen with the window's scaled position; ibus reads it as
    // the screen's pixels. Whenever Qt sets the focused widget's place (focus, move, resize) or the cursor moves,
    // the place is scaled here about the screen's corner, so that what ibus reads is where the cursor is drawn.
    QObject::connect(method, &QInputMethod::cursorRectangleChanged, method, [method] {
        const QWidget *widget = qobject_cast<QWidget *>(QGuiApplication::focusObject());
        const QWindow *window = widget ? widget->window()->windowHandle() : nullptr;
        if (!window || !window->screen() || window->devicePixelRatio() == 1.0) {
            return;
        }
        const qreal scale = window->devicePixelRatio();
        const QPointF corner = window->screen()->geometry().topLeft();
        const QPointF origin = window->mapToGlobal(QPoint(0, 0));
        const QPointF at = widget->mapTo(widget->window(), QPoint(0, 0));
        const QPointF shift = (origin + at - corner) * scale + corner - origin;
        const QTransform wanted(scale, 0, 0, scale, shift.x(), shift.y());
        if (method->inputItemTransform() != wanted) {
            method->setInputItemTransform(wanted); // tells the input context again
        }
    });
}
