#pragma once
// The images the program carries.

#include <QIcon>
#include <QString>

namespace kfw::gui {

// The program's icon, for windows and the About box.
QString AppIconPath();
QIcon AppIcon();

}  // namespace kfw::gui
