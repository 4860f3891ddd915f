#include "platform/local8bit.h"

#include <QFile>
#include <QTextCodec>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <langinfo.h>
#endif

namespace platform {

void follow_locale_code_page()
{
#ifndef Q_OS_WIN
    static const bool done = [] {
        // Under the C locale (a process that never called setlocale) Qt's own choice stands.
        const QByteArray charset = nl_langinfo(CODESET);
        if (charset.isEmpty() || charset == "ANSI_X3.4-1968" || charset == "US-ASCII" || charset == "UTF-8") {
            return false;
        }
        if (QTextCodec *codec = QTextCodec::codecForName(charset)) {
            QTextCodec::setCodecForLocale(codec);
        }
        return true;
    }();
    Q_UNUSED(done)
#endif
}

QString from_local_8bit(const char *bytes, qsizetype size, int *undecodable)
{
    follow_locale_code_page();
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    QString text = QTextCodec::codecForLocale()->toUnicode(bytes, static_cast<int>(size), &state);
    if (undecodable) {
        // a sequence cut off at the end counts too
        *undecodable = static_cast<int>(state.invalidChars + state.remainingChars);
    }
    return text;
}

QByteArray to_local_8bit(const QString &text)
{
    follow_locale_code_page();
    return QTextCodec::codecForLocale()->fromUnicode(text);
}

QString file_name_from_local_8bit(const QByteArray &name)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QFile::decodeName(name);
#else
    return from_local_8bit(name);
#endif
}

bool fits_local_8bit(const QString &text)
{
    const QByteArray bytes = to_local_8bit(text);
    return from_local_8bit(bytes) == text;
}

bool decodes_exactly(const char *bytes, qsizetype size, const QString &decoded, int undecodable)
{
    // The UTF-8 decoder counts every sequence that it replaced; what it read, it gives back as it was.
    if (QTextCodec::codecForLocale()->mibEnum() == 106) {
        return undecodable == 0;
    }
    // Every other code page in use here is ASCII below 0x80, so only text with a byte above it needs the trip back.
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    if (std::all_of(p, p + size, [](unsigned char c) { return c < 0x80; })) {
        return true;
    }
    return to_local_8bit(decoded) == QByteArray::fromRawData(bytes, static_cast<int>(size));
}

QString local_8bit_name()
{
#ifdef Q_OS_WIN
    return QStringLiteral("CP%1").arg(GetACP()); // the system's ANSI code page, 936 on Chinese Windows
#else
    follow_locale_code_page();
    const QTextCodec *codec = QTextCodec::codecForLocale();
    return codec ? QString::fromLatin1(codec->name()) : QString();
#endif
}

} // namespace platform
