#include "platform/screen_reader.h"

namespace platform {

bool notify_screen_reader(QWidget *, const QString &)
{
    return false;
}

} // namespace platform
