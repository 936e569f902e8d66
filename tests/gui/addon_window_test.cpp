// Language and BitTorrent from the window: the three dialogs they show, the
// files that reach the device's share and the window after the restart.

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <gtest/gtest.h>

#include "gui/addon_dialogs.h"
#include "gui/window_interaction.h"
#include "test_bed.h"

namespace kfw::testing {
namespace {

using namespace std::chrono_literals;

Strings Written(const platform::FakeShareFiles& files) {
  Strings out;
  for (const auto& [path, bytes] : files.files) out.push_back(path + " " + std::to_string(bytes.size()));
  return out;
}

TEST(AddonWindowTest, LanguageThenBitTorrentReachTheDeviceAndRefreshTheWindow) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  int preselected = -1;
  bed.prompts.onDialog = [&](QDialog& dialog) {
    auto* list = ui::Control<QComboBox>(dialog, gui::LanguageDialog::kLanguageList);
    preselected = list->currentIndex();
    list->setCurrentIndex(0);
    QTest::mouseClick(ui::Control<QPushButton>(dialog, gui::LanguageDialog::kOk), Qt::LeftButton);
  };
  bed.Press(MainWindow::kLanguage);
  EXPECT_EQ(preselected, 2);  // the device's 850
  EXPECT_TRUE(bed.Messages().empty()) << bed.Messages().front();
  const std::string folder = R"(\\192.168.1.100\HDD_1\.systemfile\.codepages\)";
  EXPECT_EQ(Written(bed.files), (Strings{folder + "codepage.950 8", folder + "nls_cp950.ko 105791",
                                         folder + "nls_cp950_12.ko 105887", folder + "unicode_map.950 262174"}));
  EXPECT_EQ(window.selection().deviceSelected, 0);  // refreshed after the restart wait
  EXPECT_EQ(window.deviceList()->SelectedRow(), nullptr);

  bed.files.files.clear();
  bed.Click("192.168.1.100");
  window.DeviceContextMenu()->actions().at(1)->trigger();
  EXPECT_TRUE(bed.Messages().empty()) << bed.Messages().front();
  EXPECT_EQ(bed.prompts.dialogs.size(), 1u) << "no Login dialog for an empty password";
  const std::string bt = R"(\\192.168.1.100\HDD_1\Nas_Prog/BT\)";
  EXPECT_EQ(Written(bed.files), (Strings{bt + "bt 6940408", bt + "btdog 22672"}));
  EXPECT_EQ(window.selection().deviceSelected, 0);
}

TEST(AddonWindowTest, AFailedPlacementStopsTheDeviceAndOffersTheLanguagesAgain) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  bed.files.unreachableShares.insert(R"(\\192.168.1.100\HDD_1)");
  int languageDialogs = 0;
  bed.prompts.onDialog = [&](QDialog& dialog) {
    if (++languageDialogs == 1) QTest::keyClick(&dialog, Qt::Key_Return);  // else Cancel
  };
  bed.Press(MainWindow::kLanguage);
  EXPECT_EQ(languageDialogs, 2);
  EXPECT_EQ(bed.Messages(), Strings{" (none): Please check hard drives."});
  EXPECT_EQ(window.selection().deviceSelected, 1) << "a cancelled retry refreshes nothing";
}

TEST(AddonWindowTest, TheLanguageDialogRefusesWhatTheFirmwareCannotTake) {
  for (const bool all : {false, true}) {
    ui::ScriptedPrompts prompts;
    gui::LanguageDialog dialog({2, all}, prompts);
    dialog.show();
    ui::Control<QComboBox>(dialog, gui::LanguageDialog::kLanguageList)->setCurrentIndex(4);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(prompts.messages.size(), all ? 0u : 2u) << "on selection and at OK";
    EXPECT_EQ(dialog.isVisible(), !all);
    EXPECT_EQ(dialog.answer(), all ? std::optional<int>(4) : std::nullopt);
  }
}

TEST(AddonWindowTest, LoadingAndRestartCannotBeDismissedAndCloseOnTheirOwn) {
  TestBed bed;
  MainWindow& window = bed.Open();
  gui::WindowInteraction user(bed.prompts, bed.busy, &window);
  bool stayed = false;
  user.RunLoading(5ms, [&] {
    auto* loading = qobject_cast<gui::LoadingDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(loading, nullptr);
    QTest::keyClick(loading, Qt::Key_Escape);
    QTest::keyClick(loading, Qt::Key_Return);
    loading->close();
    stayed = loading->isVisible();
  });
  EXPECT_TRUE(stayed);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // The dialog outlasts a time that is up before the bar is full.
  for (const auto total : {100ms, 1ms}) {
    int filled = 0;
    gui::RestartDialog restart({20, 2ms, total, [&] { ++filled; }}, &window);
    QTimer::singleShot(0, &restart, [&] { QTest::keyClick(&restart, Qt::Key_Escape); });
    restart.exec();
    EXPECT_EQ(filled, 1);
    EXPECT_EQ(ui::Control<QProgressBar>(restart, gui::RestartDialog::kProgress)->value(), 21);
  }
}

}  // namespace
}  // namespace kfw::testing
