#pragma once
// The Widget command's two questions: the widget engine notice, and the
// model choice for a device whose model the program does not know.

#include "forms/dialog_table.h"

namespace kfw::forms {

namespace widget_engine {
enum Id : int { kDownload = 1, kNext = 2 };
}  // namespace widget_engine

namespace model_pick {
enum Id : int { kOk = 1, kCancel = 2, kKvr210 = 1028, kKvr220 = 1029, kKvr400 = 1030 };
}  // namespace model_pick

DialogLayout WidgetEngineForm();
DialogLayout ModelPickForm();

}  // namespace kfw::forms
