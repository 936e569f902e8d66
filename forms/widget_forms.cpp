#include "forms/widget_forms.h"

namespace kfw::forms {

DialogLayout WidgetEngineForm() {
  using namespace widget_engine;
  return DialogLayout{
      231, "", "Arial", 8, 350, 111,
      {
          {ControlKind::DefaultButton, kDownload, "Download", 235, 90, 50, 14},
          {ControlKind::Button, kNext, "Next", 293, 90, 50, 14},
          {ControlKind::Label, kNoId, "You need to first download and install YAHOO! Widgets Engine.", 21, 14,
           206, 8},
          {ControlKind::Label, kNoId,
           "If you wish to download and install YAHOO! Widgets Engine, please click on the \"Download\" button.",
           21, 34, 321, 8},
          {ControlKind::Label, kNoId,
           "If you have already installed YAHOO! Widgets Engine, please click on the \"Next\" button to", 21, 54,
           287, 8},
          {ControlKind::Label, kNoId, " proceed to the next step.", 21, 74, 84, 8},
      }};
}

DialogLayout ModelPickForm() {
  using namespace model_pick;
  return DialogLayout{
      232, "", "Arial", 8, 163, 113,
      {
          {ControlKind::DefaultButton, kOk, "OK", 20, 92, 50, 14},
          {ControlKind::Button, kCancel, "Cancel", 95, 92, 50, 14},
          {ControlKind::RadioButton, kKvr210, "KVR-210", 21, 39, 45, 10},
          {ControlKind::RadioButton, kKvr220, "KVR-220", 21, 54, 45, 10},
          {ControlKind::RadioButton, kKvr400, "KVR-400", 21, 69, 45, 10},
          {ControlKind::Label, kNoId, "The model type cannot be recognized.", 20, 11, 127, 8},
          {ControlKind::Label, kNoId, "Please select:", 20, 22, 72, 8},
      }};
}

}  // namespace kfw::forms
