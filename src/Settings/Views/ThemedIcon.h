#pragma once

#include <QIcon>
#include <QStyle>

namespace vesperine {

// An icon from the desktop's freedesktop icon theme, else the style's standard icon for the
// same job, else none (the control's text then stands alone).
QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback = QStyle::SP_CustomBase);

}  // namespace vesperine
