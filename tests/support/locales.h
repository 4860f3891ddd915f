#pragma once

// Makes a system locale for a test where this machine can (Debian's locales package, run as root), so that the
// program can be tried under a user's decimal comma or 8-bit code page.

#include <QProcess>
#include <QString>

#include <clocale>

namespace harness {

// Whether the locale `name` (for example "de_DE.UTF-8") exists or could be made from `source` and `charmap`.
inline bool ensure_locale(const char *name, const char *source, const char *charmap, QString *why)
{
    const char *before = std::setlocale(LC_ALL, nullptr);
    const QByteArray saved = before ? QByteArray(before) : QByteArray("C");
    const bool present = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, saved.constData());
    if (present) {
        return true;
    }
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-i"), QString::fromLatin1(source), QStringLiteral("-f"),
                     QString::fromLatin1(charmap), QString::fromLatin1(name)});
    if (!localedef.waitForFinished(120000)) {
        *why = QStringLiteral("localedef is not available (install Debian's locales package)");
        return false;
    }
    const bool made = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, saved.constData());
    if (!made) {
        *why = QStringLiteral("localedef could not make %1: %2")
                   .arg(QString::fromLatin1(name), QString::fromLocal8Bit(localedef.readAllStandardError()));
    }
    return made;
}

} // namespace harness
