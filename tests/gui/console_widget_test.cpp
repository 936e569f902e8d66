// Configuration and Widget from the window: the row they read, the dialogs
// they ask with, and the window after a device has gone.

#include <QMenu>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <fstream>

#include "gui/widget_dialogs.h"
#include "test_bed.h"

namespace kfw::testing {
namespace {

TEST(ConsoleWidgetWindowTest, ConfigurationOpensTheConsoleOrForgetsTheDevice) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  bed.Press(MainWindow::kConfiguration);
  EXPECT_EQ(bed.programs.runs, Strings{"/usr/bin/firefox http://192.168.1.100"});

  bed.reachability.answer = [](const std::string&) { return false; };
  bed.Press(MainWindow::kConfiguration);
  EXPECT_EQ(bed.Messages(), Strings{"Warning (exclamation): Device is no longer available."});
  EXPECT_EQ(window.selection().deviceSelected, 0);
  EXPECT_EQ(window.shareList()->topLevelItemCount(), 0);
  EXPECT_EQ(window.deviceList()->SelectedRow(), nullptr);  // the list was rebuilt
  bed.Press(MainWindow::kConfiguration);
  EXPECT_EQ(bed.Messages().back(), "Warning (exclamation): Please select a device to configure.");
}

TEST(ConsoleWidgetWindowTest, WidgetWalksThroughBothDialogs) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");  // model KFW-2200, unknown to the widget table
  bed.prompts.onDialog = [](QDialog& dialog) {
    if (dynamic_cast<gui::WidgetEngineDialog*>(&dialog)) {
      QTest::keyClick(&dialog, Qt::Key_Escape);  // continues like "Next"
      return;
    }
    ui::Control<QRadioButton>(dialog, gui::ModelPickDialog::kKvr400)->click();
    QTest::mouseClick(ui::Control<QPushButton>(dialog, gui::ModelPickDialog::kOk), Qt::LeftButton);
  };
  window.DeviceContextMenu()->actions().at(2)->trigger();
  EXPECT_TRUE(bed.programs.runs.empty()) << "Esc is Next: no download page";
  EXPECT_EQ(bed.programs.opened, Strings{"KorvexEu_KVR400_Widget.widget"});
  std::ifstream file(bed.addressFile);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "192.168.1.100");
  std::filesystem::remove(bed.addressFile);

  // OK with no model checked starts nothing.
  bed.prompts.onDialog = [](QDialog& dialog) {
    if (!dynamic_cast<gui::WidgetEngineDialog*>(&dialog)) QTest::keyClick(&dialog, Qt::Key_Return);
  };
  window.DeviceContextMenu()->actions().at(2)->trigger();
  EXPECT_EQ(bed.programs.opened.size(), 1u);
  EXPECT_TRUE(bed.prompts.messages.empty());
  std::filesystem::remove(bed.addressFile);
}

}  // namespace
}  // namespace kfw::testing
