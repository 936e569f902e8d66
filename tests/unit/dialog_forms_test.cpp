// The dialogs' tables as every front end reads them: whatever a table says
// must be buildable the same way by a toolkit and by a resource script.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "forms/about_form.h"
#include "forms/addon_forms.h"
#include "forms/drive_in_use_form.h"
#include "forms/login_form.h"
#include "forms/main_window_form.h"
#include "forms/widget_forms.h"

namespace kfw::forms {
namespace {

std::vector<std::pair<std::string, DialogLayout>> AllForms() {
  return {{"MainWindow", MainWindowForm()},   {"Login", LoginForm()},
          {"DriveInUse", DriveInUseForm()},   {"WidgetEngine", WidgetEngineForm()},
          {"ModelPick", ModelPickForm()},     {"Language", LanguageForm()},
          {"Loading", LoadingForm()},         {"Restart", RestartForm()},
          {"About", AboutForm("icon.png")}};
}

bool IsStatic(ControlKind kind) {
  return kind == ControlKind::Label || kind == ControlKind::GroupBox || kind == ControlKind::Icon;
}

// Controls that show no text of their own, so a screen reader needs a name.
bool NeedsAccessibleName(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::DropDownList || kind == ControlKind::ReportView ||
         kind == ControlKind::AddressField;
}

TEST(DialogFormsTest, ControlsFitTheDialogAndCarryUniqueIdsAndNames) {
  // Closed, a drop-down list is as tall as an edit; the rest of its height
  // is the open list, which may hang out of the dialog.
  constexpr int kClosedListHeight = 14;
  for (const auto& [name, form] : AllForms()) {
    std::set<int> ids;
    for (const ControlEntry& c : form.controls) {
      SCOPED_TRACE(name + ": \"" + c.text + "\" id " + std::to_string(c.id));
      const int height = c.kind == ControlKind::DropDownList ? std::min(c.height, kClosedListHeight) : c.height;
      EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.width > 0 && height > 0);
      EXPECT_LE(c.x + c.width, form.width);
      EXPECT_LE(c.y + height, form.height);
      if (c.id == kNoId) {
        EXPECT_TRUE(IsStatic(c.kind)) << "only static controls go without an id";
      } else {
        EXPECT_TRUE(ids.insert(c.id).second) << "the id is used twice";
      }
      if (NeedsAccessibleName(c.kind)) {
        EXPECT_FALSE(c.accessibleName.empty());
      }
    }
  }
}

TEST(DialogFormsTest, EnterPressesTheSameButtonOnEveryFrontEnd) {
  // A Win32 dialog sends id 1 for Enter unless a default button names
  // another; Qt presses the default button. They agree when the default
  // button is id 1 and id 1 is nothing else (ids being unique, one button).
  constexpr int kEnterId = 1;
  for (const auto& [name, form] : AllForms()) {
    for (const ControlEntry& c : form.controls) {
      EXPECT_EQ(c.kind == ControlKind::DefaultButton, c.id == kEnterId) << name << ": " << c.text;
    }
  }
}

TEST(DialogFormsTest, EachDialogHasAResourceIdOfItsOwn) {
  std::set<int> resources;
  for (const auto& [name, form] : AllForms()) EXPECT_TRUE(resources.insert(form.resourceId).second) << name;
}

}  // namespace
}  // namespace kfw::forms
