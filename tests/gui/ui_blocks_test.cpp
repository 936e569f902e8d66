// The building blocks: dialog units, dialogs from tables, the address field,
// message boxes and the busy runner.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>
#include <gtest/gtest.h>

#include "ui/address_field.h"
#include "ui/busy.h"
#include "ui/dialog_template.h"
#include "ui/prompts.h"
#include "ui/report_view.h"

namespace kfw::ui {
namespace {

TEST(DialogUnitsTest, ConvertsWithTheFontsBaseUnitsRoundingToNearest) {
  const DialogUnits units(6, 13);
  struct Case {
    QRect units;
    QRect pixels;
  };
  const Case cases[] = {
      {{4, 8, 4, 8}, {6, 13, 6, 13}},
      {{3, 2, 277, 87}, {5, 3, 416, 141}},  // 4.5 rounds up, 3.25 down
      {{285, 262, 0, 0}, {428, 426, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(units.ToPixels(c.units.x(), c.units.y(), c.units.width(), c.units.height()), c.pixels);
  }
  const QFont font = DialogFont("Arial", 8);
  const DialogUnits measured(font);
  const QFontMetrics metrics(font);
  EXPECT_EQ(measured.baseY(), metrics.height());
  EXPECT_NEAR(measured.baseX(), metrics.averageCharWidth(), 2);
  // A larger font makes larger units, so dialogs keep their proportions.
  const DialogUnits larger(DialogFont("Arial", 16));
  EXPECT_GT(larger.baseX(), measured.baseX());
  EXPECT_GT(larger.baseY(), measured.baseY());
}

TEST(DialogTemplateTest, BuildsEveryControlWithItsIdPlaceAndStyle) {
  const DialogSpec spec{1, "Sample", "Arial", 8, 120, 60,
                        {
                            {ControlKind::Label, kNoId, "Name :", 5, 5, 30, 8},
                            {ControlKind::Edit, 1100, "", 40, 4, 60, 14, style::kPassword, "Name"},
                            {ControlKind::DropDownList, 1101, "", 40, 20, 60, 50, style::kSorted},
                            {ControlKind::Button, 1102, "Later", 5, 40, 40, 14, style::kHidden},
                            {ControlKind::DefaultButton, 1103, "OK", 60, 40, 40, 14, style::kDisabled},
                        }};
  QDialog dialog;
  const DialogUnits units = BuildDialog(dialog, spec);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Sample");
  EXPECT_EQ(dialog.size(), QSize(units.X(120), units.Y(60)));

  auto* label = dialog.findChild<QLabel*>("id-1");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Name :");
  EXPECT_EQ(label->geometry(), units.ToPixels(5, 5, 30, 8));

  auto* edit = Control<QLineEdit>(dialog, 1100);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->geometry(), units.ToPixels(40, 4, 60, 14));
  EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(edit->accessibleName(), "Name");

  // A drop-down list's height is that of its open list; closed it is one line.
  auto* list = Control<QComboBox>(dialog, 1101);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->pos(), units.ToPixels(40, 20, 60, 50).topLeft());
  EXPECT_LT(list->height(), units.Y(50));
  AddListItem(*list, "Enable");
  AddListItem(*list, "disable");
  AddListItem(*list, "Auto");
  EXPECT_EQ(list->itemText(0), "Auto");
  EXPECT_EQ(list->itemText(1), "disable");
  EXPECT_EQ(list->itemText(2), "Enable");

  EXPECT_FALSE(Control<QPushButton>(dialog, 1102)->isVisible());
  auto* ok = Control<QPushButton>(dialog, 1103);
  EXPECT_TRUE(ok->isVisible());
  EXPECT_FALSE(ok->isEnabled());
  EXPECT_TRUE(ok->isDefault());
}

// --- Address field -------------------------------------------------------

class AddressFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    field = new AddressField(&window);
    after = new QLineEdit(&window);
    field->setGeometry(0, 0, 150, 21);
    after->setGeometry(0, 30, 100, 21);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->FocusOctet(0);
  }
  void Type(const char* keys) {
    for (const char* c = keys; *c != '\0'; ++c) QTest::keyClick(QApplication::focusWidget(), *c);
  }
  std::vector<QString> Octets() const {
    return {field->OctetText(0), field->OctetText(1), field->OctetText(2), field->OctetText(3)};
  }

  QWidget window;
  AddressField* field = nullptr;
  QLineEdit* after = nullptr;
};

TEST_F(AddressFieldTest, TypingAnAddressFillsTheFourOctets) {
  struct Case {
    const char* keys;
    std::vector<QString> octets;
  };
  const Case cases[] = {
      {"192.168.1.10", {"192", "168", "1", "10"}},
      {"10.0.0.1", {"10", "0", "0", "1"}},
      {"1922", {"192", "2", "", ""}},        // three digits complete an octet
      {"256.7", {"25", "7", "", ""}},        // 256 is refused: the 6 is dropped
      {"1..2", {"1", "2", "", ""}},          // a '.' in an empty octet is dropped
      {"1.2.3.4.5", {"1", "2", "3", "45"}},  // no fifth octet
      {"a1b", {"1", "", "", ""}},
  };
  for (const Case& c : cases) {
    field->Clear();
    field->FocusOctet(0);
    Type(c.keys);
    EXPECT_EQ(Octets(), c.octets) << c.keys;
  }
}

TEST_F(AddressFieldTest, ReadsOctetsWithBlankDetection) {
  EXPECT_TRUE(field->IsBlank());
  EXPECT_TRUE(field->Octets().blank);
  EXPECT_EQ(field->Text(), "");

  Type("10..5");
  EXPECT_FALSE(field->IsBlank());
  EXPECT_FALSE(field->IsOctetBlank(0));
  EXPECT_TRUE(field->IsOctetBlank(2));
  const app::FieldOctets read = field->Octets();
  EXPECT_FALSE(read.blank);
  EXPECT_EQ(read.octets, (app::Octets{10, 5, 0, 0}));

  field->SetText("172.16.300.x");
  EXPECT_EQ(Octets(), (std::vector<QString>{"172", "16", "", ""}));
  field->SetText("192.168.001.2");
  EXPECT_EQ(field->Text(), "192.168.1.2");
  field->Clear();
  EXPECT_TRUE(field->IsBlank());
}

TEST_F(AddressFieldTest, MovesBetweenOctetsAndLeavesAsOneTabStop) {
  Type("12");
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

TEST_F(AddressFieldTest, EnablesAndDisablesAsOneControl) {
  field->SetText("1.2.3.4");
  field->setEnabled(false);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(field->OctetEdit(i)->isEnabled());
  EXPECT_EQ(field->Text(), "1.2.3.4");  // keeps what it holds
  field->setEnabled(true);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(field->OctetEdit(i)->isEnabled());
}

// --- Messages ------------------------------------------------------------

TEST(PromptsTest, MessageBoxesCarryCaptionTextIconAndOk) {
  struct Case {
    app::UserMessage message;
    QString caption;
    QMessageBox::Icon icon;
  };
  const Case cases[] = {
      {{"Error", "Set to dhcp client fail.", app::MessageIcon::Stop}, "Error", QMessageBox::Critical},
      {{"Warning", "Please input IP address!", app::MessageIcon::Exclamation}, "Warning",
       QMessageBox::Warning},
      {{"Confirm", "DHCP client enabled.", app::MessageIcon::Information}, "Confirm",
       QMessageBox::Information},
      {{"", "No caption of its own.", app::MessageIcon::None}, "Korvex Findway Utility",
       QMessageBox::NoIcon},
  };
  for (const Case& c : cases) {
    const auto box = MakeMessageBox(c.message, nullptr);
    EXPECT_EQ(box->windowTitle(), c.caption);
    EXPECT_EQ(box->text(), QString::fromStdString(c.message.text));
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
  }
}

// --- Busy runner ---------------------------------------------------------

TEST(BusyRunnerTest, WorkRunsElsewhereWhileTheWindowPaintsAndTakesNoInput) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  edit->setFocus();

  ThreadedBusyRunner runner;
  std::atomic<bool> release{false};
  int ticks = 0;
  QTimer ticker;
  // Stands in for painting: it runs only if the window's thread keeps
  // handling events. The work ends once the typing has been delivered.
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (++ticks == 3) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
      QApplication::sendEvent(edit, &press);
      release = true;
    }
  });
  ticker.start(5);

  QThread* workThread = nullptr;
  bool cursorBusy = false;
  QThread* interactionThread = nullptr;
  runner.Run([&] {
    workThread = QThread::currentThread();
    runner.Interact([&] { interactionThread = QThread::currentThread(); });
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  cursorBusy = QGuiApplication::overrideCursor() != nullptr;
  ticker.stop();

  EXPECT_NE(workThread, window.thread());
  EXPECT_EQ(interactionThread, window.thread());
  EXPECT_GE(ticks, 3);
  EXPECT_EQ(edit->text(), "");  // the key pressed while busy was dropped
  EXPECT_FALSE(cursorBusy);      // the wait cursor is gone afterwards
  EXPECT_FALSE(runner.busy());
  QTest::keyClick(edit, 'b');
  EXPECT_EQ(edit->text(), "b");
}

}  // namespace
}  // namespace kfw::ui
