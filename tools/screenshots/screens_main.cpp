// korvex-findway-screens: renders the program's windows offscreen, over
// simulated devices, into PNG files for review.
//
//   korvex-findway-screens OUTPUT_DIR

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTreeWidgetItem>
#include <cstdio>
#include <sstream>

#include "gui/about_dialog.h"
#include "gui/addon_dialogs.h"
#include "gui/drive_in_use_dialog.h"
#include "gui/login_dialog.h"
#include "gui/main_window.h"
#include "gui/widget_dialogs.h"
#include "platform/clock.h"
#include "platform/linux/linux_system_info.h"
#include "protocol/management_client.h"
#include "sim/simulated_network.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/fake_programs.h"
#include "tests/support/fake_share_files.h"
#include "tests/support/screen_scene.h"
#include "ui/busy.h"
#include "ui/dialog_template.h"
#include "ui/look.h"
#include "ui/prompts.h"
#include "ui/report_view.h"

namespace {

using namespace kfw;

bool Save(QWidget& widget, const QDir& dir, const char* name) {
  QCoreApplication::processEvents();
  const QString path = dir.filePath(QString::fromLatin1(name));
  const bool saved = widget.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  return saved;
}

void ClickRow(ui::ReportView& list, int row) {
  QTreeWidgetItem* item = list.topLevelItem(row);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvex-findway-screens OUTPUT_DIR\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(dir.path())) return 1;
  ui::ApplyDialogLook(application);

  platform::FakeClock clock;
  sim::SimulatedNetwork network(clock);
  testing::AddScreenDevices(network);

  std::ostringstream diagnostics;
  protocol::ManagementClient client(network, clock);
  client.SetDiagnostics(&diagnostics);
  if (!client.StartNetwork()) return 1;

  platform::FakeNetworkDrives drives;
  testing::SetScreenLetters(drives);
  platform::LinuxSystemInfo system;
  ui::ScriptedPrompts prompts;
  ui::InlineBusyRunner busy;

  bool ok = true;
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  platform::FakeReachability reachability;
  platform::FakeShareFiles files;
  gui::MainWindow window({client, drives, system, programs, browser, reachability, clock, files,
                          dir.filePath(QStringLiteral("ip.txt")).toStdString()},
                         prompts, busy);
  window.show();
  ok &= Save(window, dir, "main-discovered.png");

  ClickRow(*window.deviceList(), 0);
  ok &= Save(window, dir, "main-selected.png");
  ClickRow(*window.deviceList(), 1);
  ok &= Save(window, dir, "main-selected-dhcp.png");
  ClickRow(*window.deviceList(), 2);
  ok &= Save(window, dir, "main-selected-other-subnet.png");

  gui::AboutDialog about(&window);
  about.show();
  ok &= Save(about, dir, "about.png");
  about.close();

  gui::LoginDialog login({core::LoginMode::Administrator, "admin"}, &window);
  login.show();
  QTest::keyClicks(login.passwordEdit(), QStringLiteral("secret"));
  ok &= Save(login, dir, "login-admin.png");
  login.close();

  gui::LoginDialog shareLogin({core::LoginMode::ShareAccess, std::nullopt}, &window);
  shareLogin.show();
  QTest::keyClicks(shareLogin.userNameEdit(), QStringLiteral("bob"));
  ok &= Save(shareLogin, dir, "login-share.png");
  shareLogin.close();

  gui::DriveInUseDialog inUse(&window);
  inUse.show();
  ok &= Save(inUse, dir, "drive-in-use.png");
  inUse.close();

  gui::WidgetEngineDialog engine(&window);
  engine.show();
  ok &= Save(engine, dir, "widget-engine.png");
  engine.close();

  gui::ModelPickDialog modelPick(&window);
  modelPick.show();
  ok &= Save(modelPick, dir, "model-pick.png");
  modelPick.close();

  gui::LanguageDialog language({6, false}, prompts, &window);
  language.show();
  ok &= Save(language, dir, "language.png");
  language.close();

  gui::LoadingDialog loading(&window);
  loading.show();
  ok &= Save(loading, dir, "loading.png");
  loading.Finish();

  gui::RestartDialog restart({}, &window);
  restart.show();
  ui::Control<QProgressBar>(restart, gui::RestartDialog::kProgress)->setValue(40);
  ok &= Save(restart, dir, "restart.png");
  restart.Finish();

  const auto box = ui::MakeMessageBox(
      {"Error", "Wrong administrator password input!", core::MessageIcon::Stop}, &window);
  box->show();
  ok &= Save(*box, dir, "message-error.png");
  box->close();
  const auto warning = ui::MakeMessageBox(
      {"Warning", "You enter incorrect TCP/IP configuration. Please try again.",
       core::MessageIcon::Exclamation},
      &window);
  warning->show();
  ok &= Save(*warning, dir, "message-warning.png");
  warning->close();

  return ok ? 0 : 1;
}
