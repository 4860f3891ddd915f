#include "app/startup.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QtGlobal>

#include <clocale>

void prepare_platform()
{
    // The user's locale, as the application object would take it, already for the command line: its code page
    // decodes the answer file's name (a GBK name under zh_CN.GB18030).
    std::setlocale(LC_ALL, "");
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", QByteArrayLiteral("none"));
    }
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
