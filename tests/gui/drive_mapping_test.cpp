// Connect and Disconnect from the window: the rows and the letter it hands
// the commands, the drive-in-use question, and the lists afterwards.

#include <gtest/gtest.h>

#include "gui/drive_in_use_dialog.h"
#include "test_bed.h"

namespace kfw::testing {
namespace {

TEST(DriveMappingWindowTest, ConnectThenDisconnectTheSelectedShare) {
  TestBed bed;
  bed.drives.Connect('Z', "\\\\elsewhere\\data");
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  ui::ReportView* shares = window.shareList();
  shares->setCurrentItem(shares->topLevelItem(1));  // Photos
  ASSERT_EQ(window.driveLetters()->currentText(), "Y:");

  bed.Press(MainWindow::kConnect);
  EXPECT_EQ(bed.Messages(), Strings{"Confirm (information): Successfully mapped drive."});
  ASSERT_EQ(bed.drives.attempts.size(), 1u);
  EXPECT_EQ(bed.drives.attempts[0].remoteName, "\\\\NAS-Office\\Photos");  // the device's name, not its address
  EXPECT_EQ(TestBed::Column(shares, 1), (Strings{"", "Y:"}));
  EXPECT_EQ(window.driveLetters()->itemText(1), "Y: \\\\NAS-Office\\Photos");
  EXPECT_EQ(window.driveLetters()->currentText(), "X:");

  // Reusing a connected letter asks first: Cancel does nothing, OK goes on.
  shares->setCurrentItem(shares->topLevelItem(0));
  window.driveLetters()->setCurrentIndex(0);  // Z:, connected elsewhere
  const std::size_t cancels = bed.drives.cancels.size();
  bed.prompts.onDialog = [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
  bed.Press(MainWindow::kConnect);
  EXPECT_EQ(bed.drives.attempts.size(), 1u);
  EXPECT_EQ(bed.drives.cancels.size(), cancels);
  EXPECT_EQ(bed.Messages().size(), 1u);
  bed.prompts.onDialog = [](QDialog& dialog) {
    EXPECT_NE(dynamic_cast<gui::DriveInUseDialog*>(&dialog), nullptr);
    QTest::mouseClick(ui::Control<QPushButton>(dialog, gui::DriveInUseDialog::kOk), Qt::LeftButton);
  };
  bed.Press(MainWindow::kConnect);
  EXPECT_EQ(TestBed::Column(shares, 1), (Strings{"Z:", "Y:"}));

  // The selected share row's letter goes, whatever the letters list shows.
  shares->setCurrentItem(shares->topLevelItem(1));
  bed.Press(MainWindow::kDisconnect);
  EXPECT_EQ(bed.Messages().back(), "Confirm (information): Successfully unmapped drive.");
  EXPECT_EQ(TestBed::Column(shares, 1), (Strings{"Z:", ""}));
  EXPECT_EQ(window.driveLetters()->currentText(), "Y:");

  // A forced replace that fails has still removed Z:'s mapping: the lists say so.
  bed.drives.accept = [](const auto&) { return platform::ConnectAnswer::Failed; };
  bed.prompts.onDialog = [](QDialog& dialog) {  // OK for the letter in use; the Login dialog cancelled
    if (dynamic_cast<gui::DriveInUseDialog*>(&dialog)) {
      QTest::mouseClick(ui::Control<QPushButton>(dialog, gui::DriveInUseDialog::kOk), Qt::LeftButton);
    }
  };
  shares->setCurrentItem(shares->topLevelItem(1));
  window.driveLetters()->setCurrentIndex(0);
  bed.Press(MainWindow::kConnect);
  EXPECT_EQ(bed.Messages().back(), "Error (stop): Failed to map drive.");
  EXPECT_EQ(TestBed::Column(shares, 1), (Strings{"", ""}));
  EXPECT_EQ(window.driveLetters()->itemText(0), "Z:");
}

}  // namespace
}  // namespace kfw::testing
