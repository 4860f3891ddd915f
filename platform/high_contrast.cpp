#include "platform/high_contrast.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

bool high_contrast_on()
{
#ifdef _WIN32
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof(setting);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON);
#else
    return false;
#endif
}

} // namespace platform
