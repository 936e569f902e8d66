// The building blocks: dialog units, dialogs from tables, the address field,
// message boxes and the busy runner.

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

#include "test_bed.h"
#include "ui/dialog_template.h"

namespace kfw::ui {
namespace {

using kfw::testing::Type;

TEST(DialogTemplateTest, ConvertsDialogUnitsAndBuildsEachControlUnderItsId) {
  const DialogUnits fixed(6, 13);
  EXPECT_EQ(fixed.ToPixels(4, 8, 4, 8), QRect(6, 13, 6, 13));
  EXPECT_EQ(fixed.ToPixels(3, 2, 277, 87), QRect(5, 3, 416, 141));  // 4.5 rounds up, 3.25 down
  EXPECT_EQ(fixed.ToPixels(285, 262, 0, 0), QRect(428, 426, 0, 0));
  const QFont font = DialogFont("Arial", 8);
  const DialogUnits measured(font);
  EXPECT_EQ(measured.baseY(), QFontMetrics(font).height());
  EXPECT_NEAR(measured.baseX(), QFontMetrics(font).averageCharWidth(), 2);

  const DialogLayout layout{1, "Sample", "Arial", 8, 120, 60,
                            {
                                {ControlKind::Label, kNoId, "Name :", 5, 5, 30, 8},
                                {ControlKind::Edit, 1100, "", 40, 4, 60, 14, style::kPassword, "Name"},
                                {ControlKind::DropDownList, 1101, "", 40, 20, 60, 50, style::kSorted},
                                {ControlKind::Button, 1102, "Later", 5, 40, 40, 14, style::kHidden},
                                {ControlKind::DefaultButton, 1103, "OK", 60, 40, 40, 14, style::kDisabled},
                            }};
  QDialog dialog;
  const DialogUnits units = BuildDialog(dialog, layout);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Sample");
  EXPECT_EQ(dialog.size(), QSize(units.X(120), units.Y(60)));
  for (const ControlEntry& entry : layout.controls) {
    const auto* control = dialog.findChild<QWidget*>(ControlName(entry.id));
    ASSERT_NE(control, nullptr) << entry.id;
    EXPECT_EQ(control->pos(), QPoint(units.X(entry.x), units.Y(entry.y))) << entry.id;
    EXPECT_EQ(control->isVisible(), !(entry.style & style::kHidden)) << entry.id;
    EXPECT_EQ(control->isEnabled(), !(entry.style & style::kDisabled)) << entry.id;
  }
  EXPECT_EQ(dialog.findChild<QLabel*>("id-1")->text(), "Name :");
  EXPECT_EQ(Control<QLineEdit>(dialog, 1100)->size(), QSize(units.X(60), units.Y(14)));
  EXPECT_EQ(Control<QLineEdit>(dialog, 1100)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Control<QLineEdit>(dialog, 1100)->accessibleName(), "Name");
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
  auto* after = new QLineEdit(&window);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const auto octets = [field] {
    return QStringList{field->OctetText(0), field->OctetText(1), field->OctetText(2), field->OctetText(3)};
  };
  const std::pair<const char*, QStringList> typed[] = {
      {"192.168.1.10", {"192", "168", "1", "10"}},
      {"1922", {"192", "2", "", ""}},        // three digits complete an octet
      {"256.7", {"25", "7", "", ""}},        // 256 is refused: the 6 is dropped
      {"1..2", {"1", "2", "", ""}},          // a '.' in an empty octet is dropped
      {"1.2.3.4.5", {"1", "2", "3", "45"}},  // no fifth octet
      {"a1b", {"1", "", "", ""}},
  };
  for (const auto& [keys, expected] : typed) {
    Type(field, keys);
    EXPECT_EQ(octets(), expected) << keys;
  }

  // A blank octet of a field that is not blank reads as 0.
  field->Clear();
  EXPECT_TRUE(field->IsBlank());
  EXPECT_TRUE(field->Octets().blank);
  Type(field, "10..5");
  EXPECT_TRUE(field->IsOctetBlank(2));
  EXPECT_FALSE(field->Octets().blank);
  EXPECT_EQ(field->Octets().octets, (core::Octets{10, 5, 0, 0}));
  field->SetText("172.16.300.x");
  EXPECT_EQ(octets(), (QStringList{"172", "16", "", ""}));
  field->SetText("192.168.001.2");
  EXPECT_EQ(field->Text(), "192.168.1.2");

  // Right and Backspace cross octets; Tab leaves the field as one stop.
  Type(field, "12");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(QApplication::focusWidget(), field->OctetEdit(1));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);  // empty octet: back
  EXPECT_EQ(QApplication::focusWidget(), field->OctetEdit(0));
  field->FocusOctet(2);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), after);
  QTest::keyClick(after, Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), field->OctetEdit(0));
}

TEST(PromptsTest, MessageBoxesCarryCaptionTextIconAndOk) {
  using enum core::MessageIcon;
  const std::tuple<core::UserMessage, QString, QMessageBox::Icon> cases[] = {
      {{"Error", "Set to dhcp client fail.", Stop}, "Error", QMessageBox::Critical},
      {{"Warning", "Please input IP address!", Exclamation}, "Warning", QMessageBox::Warning},
      {{"Confirm", "DHCP client enabled.", Information}, "Confirm", QMessageBox::Information},
      {{"", "No caption of its own.", None}, "Korvex Findway Utility", QMessageBox::NoIcon},
  };
  for (const auto& [message, caption, icon] : cases) {
    const auto box = MakeMessageBox(message, nullptr);
    EXPECT_EQ(box->windowTitle(), caption);
    EXPECT_EQ(box->text(), QString::fromStdString(message.text));
    EXPECT_EQ(box->icon(), icon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
  }
}

TEST(BusyRunnerTest, WorkRunsElsewhereWhileTheWindowPaintsAndTakesNoInput) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  // The timer stands in for painting: it fires only while the window's
  // thread handles events, and the work ends once it has typed a key.
  std::atomic<bool> typed{false};
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(edit, &press);
    typed = true;
  });
  ticker.start(5);
  ThreadedBusyRunner runner;
  QThread* workThread = nullptr;
  runner.Run([&] {
    workThread = QThread::currentThread();
    while (!typed) QThread::msleep(1);
  });
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the wait cursor is gone
  ticker.stop();

  EXPECT_NE(workThread, window.thread());
  EXPECT_EQ(edit->text(), "");  // the key pressed while busy was dropped
  EXPECT_FALSE(runner.busy());
  QTest::keyClick(edit, 'b');
  EXPECT_EQ(edit->text(), "b");
}

}  // namespace
}  // namespace kfw::ui
