// The building blocks: dialog units, dialogs from tables, the address field,
// message boxes and the busy runner.

#include <QDialog>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

#include "test_bed.h"
#include "ui/dialog_template.h"

namespace kfw::ui {
namespace {

using forms::ControlEntry;
using forms::ControlKind;
using forms::DialogLayout;
using kfw::testing::Type;
namespace style = forms::style;

TEST(DialogTemplateTest, ConvertsDialogUnitsAndBuildsEachControlUnderItsId) {
  EXPECT_EQ(DialogUnits(6, 13).ToPixels(3, 2, 277, 87), QRect(5, 3, 416, 141));  // 4.5 rounds up, 3.25 down

  const DialogLayout layout{1, "Sample", "Arial", 8, 120, 60,
                            {
                                {ControlKind::Edit, 1100, "", 40, 4, 60, 14, style::kPassword, "Name"},
                                {ControlKind::DropDownList, 1101, "", 40, 20, 60, 50, style::kSorted},
                                {ControlKind::AddressField, 1104, "", 5, 25, 30, 12, 0, "IP"},
                                {ControlKind::Button, 1102, "Later", 5, 40, 40, 14, style::kHidden},
                                {ControlKind::DefaultButton, 1103, "OK", 60, 40, 40, 14, style::kDisabled},
                            }};
  QDialog dialog;
  const DialogUnits units = BuildDialog(dialog, layout);
  dialog.show();
  EXPECT_EQ(dialog.size(), QSize(units.X(120), units.Y(60)));
  for (const ControlEntry& entry : layout.controls) {
    const auto* control = dialog.findChild<QWidget*>(ControlName(entry.id));
    ASSERT_NE(control, nullptr) << entry.id;
    EXPECT_EQ(control->pos(), QPoint(units.X(entry.x), units.Y(entry.y))) << entry.id;
    EXPECT_EQ(control->isVisible(), !(entry.style & style::kHidden)) << entry.id;
    EXPECT_EQ(control->isEnabled(), !(entry.style & style::kDisabled)) << entry.id;
  }
  EXPECT_EQ(Control<QLineEdit>(dialog, 1100)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Control<QLineEdit>(dialog, 1100)->accessibleName(), "Name");
  EXPECT_EQ(Control<AddressField>(dialog, 1104)->OctetEdit(2)->accessibleName(), "IP octet 3");
  EXPECT_TRUE(Control<QPushButton>(dialog, 1103)->isDefault());
  // A drop-down list's height is that of its open list; closed it is one line.
  auto* list = Control<QComboBox>(dialog, 1101);
  EXPECT_LT(list->height(), units.Y(50));
  for (const char* item : {"Enable", "disable", "Auto"}) AddListItem(*list, item);
  EXPECT_EQ((QStringList{list->itemText(0), list->itemText(1), list->itemText(2)}),
            (QStringList{"Auto", "disable", "Enable"}));
}

TEST(AddressFieldTest, TypingReadingAndFocus) {
  QWidget window;
  auto* field = new AddressField(&window);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const auto octets = [field] {
    return QStringList{field->OctetText(0), field->OctetText(1), field->OctetText(2), field->OctetText(3)};
  };
  const std::pair<const char*, QStringList> typed[] = {
      {"1922", {"192", "2", "", ""}},        // three digits complete an octet
      {"256.7", {"25", "7", "", ""}},        // 256 is refused: the 6 is dropped
      {"a1b", {"1", "", "", ""}},            // only digits
      {"1.2.3.4.5", {"1", "2", "3", "45"}},  // no fifth octet
      {"10..5", {"10", "5", "", ""}},        // a '.' in an empty octet is dropped
  };
  for (const auto& [keys, expected] : typed) {
    Type(field, keys);
    EXPECT_EQ(octets(), expected) << keys;
  }
  // A blank octet of a field that is not blank reads as 0.
  EXPECT_FALSE(field->Octets().blank);
  EXPECT_EQ(field->Octets().octets, (core::Octets{10, 5, 0, 0}));
  field->Clear();
  EXPECT_TRUE(field->Octets().blank);
  field->SetText("172.16.300.x");
  EXPECT_EQ(octets(), (QStringList{"172", "16", "", ""}));
  field->SetText("192.168.001.2");
  EXPECT_EQ(octets(), (QStringList{"192", "168", "1", "2"}));

  // Right and Backspace cross octets.
  Type(field, "12");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(QApplication::focusWidget(), field->OctetEdit(1));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);  // empty octet: back
  EXPECT_EQ(QApplication::focusWidget(), field->OctetEdit(0));
}

TEST(PromptsTest, MessageBoxesCarryCaptionTextAndIcon) {
  using enum core::MessageIcon;
  const std::tuple<core::UserMessage, QString, QMessageBox::Icon> cases[] = {
      {{"Error", "Failed to map drive.", Stop, "cannot map \\\\Vault\\Secret (S:): refused"}, "Error",
       QMessageBox::Critical},
      {{"Warning", "Please input IP address!", Exclamation}, "Warning", QMessageBox::Warning},
      {{"Confirm", "DHCP client enabled.", Information}, "Confirm", QMessageBox::Information},
      {{"", "No caption of its own.", None}, "Korvex Findway Utility", QMessageBox::NoIcon},
  };
  for (const auto& [message, caption, icon] : cases) {
    const auto box = MakeMessageBox(message, nullptr);
    EXPECT_EQ(box->windowTitle(), caption);
    EXPECT_EQ(box->text(), QString::fromStdString(message.text));
    EXPECT_EQ(box->icon(), icon);
    // The reason stays behind the details, apart from the message's own text.
    EXPECT_EQ(box->detailedText(), QString::fromStdString(message.detail));
  }
}

TEST(BusyRunnerTest, WorkRunsElsewhereWhileTheWindowPaintsAndTakesNoInput) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  // The key stands in for painting: it arrives only while the window's
  // thread handles events, and the work ends once it has.
  std::atomic<bool> typed{false};
  QTimer::singleShot(5, edit, [&] {
    QTest::keyClick(edit, 'a');
    typed = true;
  });
  ThreadedBusyRunner runner;
  bool typedWhileBusy = false;
  runner.Run([&] {
    for (int waited = 0; !typed && waited < 5000; ++waited) QThread::msleep(1);
    typedWhileBusy = typed;
  });
  EXPECT_TRUE(typedWhileBusy);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the wait cursor is gone
  EXPECT_EQ(edit->text(), "");  // the key pressed while busy was dropped
  QTest::keyClick(edit, 'b');
  EXPECT_EQ(edit->text(), "b");
}

}  // namespace
}  // namespace kfw::ui
