#pragma once

#include <QIcon>
#include <QString>

namespace vesperine::Icons {

// The icon the desktop's theme has under a freedesktop icon name ("dialog-warning"), else our
// own drawing of it, in the palette's text colour so that it reads in light and dark. An
// empty icon, never a failure, for a name we have no drawing of.
QIcon named(const QString& themeName);
// Our own drawing only (what a desktop without an icon theme shows).
QIcon fallback(const QString& themeName);
// The program's icon.
QIcon app();

}  // namespace vesperine::Icons
