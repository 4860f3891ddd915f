#include "platform/local8bit.h"

#include <QTextCodec>

#ifndef Q_OS_WIN
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

bool fits_local_8bit(const QString &text)
{
    const QByteArray bytes = to_local_8bit(text);
    return from_local_8bit(bytes) == text;
}

} // namespace platform
