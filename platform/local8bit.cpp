#include "platform/local8bit.h"

namespace platform {

bool fits_local_8bit(const QString &text)
{
    const QByteArray bytes = to_local_8bit(text);
    return from_local_8bit(bytes.constData(), bytes.size()) == text;
}

} // namespace platform
