#include "app/startup.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QWidget>
#include <QtGlobal>

#include <clocale>

void prepare_platform()
{
    // Display scaling as the system sets it (150 % on most school laptops), the window included, and at its exact
    // factor: 125 % stays 125 % instead of being rounded to 100 %.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
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
    // The frame is the window system's and known only once the window is shown: room for a title bar and borders.
    const QSize room = available.size() - QSize(16, 48);
    if (window.width() <= room.width() && window.height() <= room.height()) {
        return;
    }
    window.resize(window.size().boundedTo(room));
    window.move(available.topLeft());
}

void install_toolkit_translations(const QLocale &locale)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QStringList folders{QLibraryInfo::location(QLibraryInfo::TranslationsPath),
                              QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
    for (const QString &folder : folders) {
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
    }
    delete translator; // no translation for this language: Qt's English stays
}
