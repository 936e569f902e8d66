#pragma once
// The program's window on Windows: draws what the window model tells it
// (the devices, the LAN panel and the shares of the device the user
// clicked, the command buttons) and hands the model the user's clicks and
// keys, as the Qt window does on Linux.

#include <windows.h>

#include <optional>

#include "core/main_window_model.h"
#include "forms/main_window_form.h"
#include "win32/dialog.h"
#include "win32/win32_interaction.h"

namespace kfw::win32 {

class MainWindow final : public Dialog, private core::MainWindowView {
 public:
  using enum forms::main_window::Id;

  // `interaction` answers the commands' questions over this window.
  MainWindow(const core::MainWindowServices& services, Win32Interaction& interaction);
  ~MainWindow() override;

  // Creates the window hidden and starts the model: the drive table, the
  // free letters and a first discovery, before the window is first shown.
  // Null when the window could not be made.
  HWND Open();
  // Whether the run has ended (Exit, Enter, Esc or a close request); the
  // window is gone then and the thread's message loop told to stop.
  bool ended() const { return ended_; }

  core::MainWindowModel& model() { return model_; }
  // The device list's context menu for the highlighted device, its entries
  // enabled like their buttons; the caller destroys it.
  HMENU DeviceContextMenu();

 private:
  bool OnInit() override;
  bool OnCommand(int id, int code) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void EndRun();
  // The list's notifications: a click anywhere in it selects, as does the
  // second press of a double click that lands on another row.
  void OnDeviceListNotify(const NMHDR& header);
  static LRESULT CALLBACK DeviceListKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);

  std::optional<std::size_t> SelectedDevice() const override;
  std::optional<std::size_t> SelectedShare() const override;
  std::optional<std::size_t> SelectedLetter() const override;
  std::optional<bool> DhcpChoice() const override;
  core::FieldOctets Field(core::FieldKind field) const override;
  void ShowDevices(const std::vector<core::DeviceRow>& rows) override;
  void ShowShares(const std::vector<core::ShareRow>& rows) override;
  void ShowLetters(const std::vector<std::string>& items, std::optional<std::size_t> current) override;
  void ShowField(core::FieldKind field, const std::string& text) override;
  void EnableFields(bool enabled) override;
  void ShowDhcpChoice(bool enable) override;
  void EnableCommand(core::WindowCommand command, bool enabled) override;
  void FocusField(core::FieldKind field, int octet) override;
  void FocusDeviceList() override;

  Win32Interaction& interaction_;
  core::MainWindowModel model_;
  HFONT shareFont_ = nullptr;
  // A held arrow key moved the selection: the device is asked for on release.
  bool keyMovePending_ = false;
  bool ended_ = false;
};

}  // namespace kfw::win32
