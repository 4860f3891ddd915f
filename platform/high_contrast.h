#pragma once

// Whether the student turned on the system's high-contrast setting. On Windows the toolkit's palette is always the
// system's colours, so the standard look is told from a high-contrast one by this setting; elsewhere the desktop's
// palette alone says it, and this is false.

namespace platform {

bool high_contrast_on();

} // namespace platform
