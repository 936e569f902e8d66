#include "gui/app_resources.h"

// The resource file is compiled into a static library, whose registration
// would be dropped by the linker unless something refers to it.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace kfw::gui {

QString AppIconPath() {
  static const bool registered = (InitResources(), true);
  (void)registered;
  return QStringLiteral(":/korvex-findway.png");
}

QIcon AppIcon() { return QIcon(AppIconPath()); }

}  // namespace kfw::gui
