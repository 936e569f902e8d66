#include "win32/main_window.h"

#include <commctrl.h>

#include <utility>

#include "core/subnet_rule.h"
#include "platform/windows/wide_text.h"
#include "win32/busy.h"
#include "win32/dialogs.h"

namespace kfw::win32 {
namespace {

using core::FieldKind;
using core::WindowCommand;

constexpr const wchar_t* kEnable = L"Enable";
constexpr const wchar_t* kDisable = L"Disable";
constexpr UINT_PTR kKeysSubclass = 1;

int ButtonOf(WindowCommand command) {
  using enum forms::main_window::Id;
  switch (command) {
    case WindowCommand::Refresh: return kRefresh;
    case WindowCommand::Connect: return kConnect;
    case WindowCommand::Disconnect: return kDisconnect;
    case WindowCommand::Configuration: return kConfiguration;
    case WindowCommand::Language: return kLanguage;
    case WindowCommand::Widget: return kWidget;
    case WindowCommand::BitTorrent: return kBitTorrent;
  }
  return kRefresh;
}

int FieldId(FieldKind field) {
  using enum forms::main_window::Id;
  switch (field) {
    case FieldKind::Address: return kAddress;
    case FieldKind::Netmask: return kNetmask;
    case FieldKind::Gateway: return kGateway;
  }
  return kAddress;
}

// Widths and heights given for a 96 dpi screen, on this one.
int Scaled(HWND window, int pixels) {
  HDC screen = GetDC(window);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(window, screen);
  return MulDiv(pixels, dpi > 0 ? dpi : 96, 96);
}

void SetColumns(HWND list, std::initializer_list<std::pair<const wchar_t*, int>> columns) {
  int index = 0;
  for (const auto& [title, width] : columns) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = Scaled(list, width);
    ListView_InsertColumn(list, index++, &column);
  }
}

void SetRows(HWND list, const std::vector<std::vector<std::string>>& rows) {
  ListView_DeleteAllItems(list);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      std::wstring text = platform::Widen(rows[r][c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      if (c == 0) {
        ListView_InsertItem(list, &item);
      } else {
        ListView_SetItem(list, &item);
      }
    }
  }
}

std::optional<std::size_t> SelectedRow(HWND list) {
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

// The share list's own face, at a cell height of 12 pixels.
HFONT ShareListFont(HWND list) {
  return CreateFontW(Scaled(list, 12), 0, 0, 0, FW_THIN, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
}

}  // namespace

MainWindow::MainWindow(const core::MainWindowServices& services, Win32Interaction& interaction)
    : Dialog(forms::MainWindowForm(), Frame::Main), interaction_(interaction), model_(services, interaction, *this) {}

MainWindow::~MainWindow() {
  if (window()) RemoveWindowSubclass(Control(kDeviceList), &MainWindow::DeviceListKeys, kKeysSubclass);
  if (shareFont_) DeleteObject(shareFont_);
}

HWND MainWindow::Open() {
  if (!CreateModeless(nullptr)) return nullptr;
  interaction_.SetOwner(window());
  model_.Start();
  return window();
}

bool MainWindow::OnInit() {
  if (HICON big = AppIcon(false)) SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (HICON small = AppIcon(true)) SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  SetColumns(Control(kDeviceList), {{L"Name", 94}, {L"IP", 81}, {L"Netmask", 81}, {L"Gateway", 81}});
  shareFont_ = ShareListFont(Control(kShareList));
  SendMessageW(Control(kShareList), WM_SETFONT, reinterpret_cast<WPARAM>(shareFont_), FALSE);
  SetColumns(Control(kShareList), {{L"Volume Name", 120}, {L"Location", 100}});
  for (const wchar_t* choice : {kDisable, kEnable}) {
    SendMessageW(Control(kReceiveDhcp), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
  }
  SendMessageW(Control(kReceiveDhcp), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);  // empty until a click
  SetWindowSubclass(Control(kDeviceList), &MainWindow::DeviceListKeys, kKeysSubclass,
                    reinterpret_cast<DWORD_PTR>(this));
  return true;
}

void MainWindow::EndRun() {
  ended_ = true;
  End(IDOK);
  PostQuitMessage(0);
}

bool MainWindow::OnCommand(int id, int code) {
  core::MainWindowModel& m = model_;
  switch (id) {
    // Enter away from any button, like Esc, ends the run at once: the
    // network is left to the end of the process.
    case IDOK:
    case IDCANCEL: EndRun(); return true;
    case kExit:
      m.Exit();
      EndRun();
      return true;
    case kAbout: {
      AboutDialog about;
      about.RunModal(window());
      return true;
    }
    case kReceiveDhcp:
      if (code == CBN_SELCHANGE) m.OnReceiveDhcpChanged();
      return true;
    default: break;
  }
  if (code != BN_CLICKED) return false;
  const std::pair<int, void (core::MainWindowModel::*)()> handlers[] = {
      {kRefresh, &core::MainWindowModel::RefreshDeviceList},   {kApply, &core::MainWindowModel::ApplyLanSettings},
      {kConnect, &core::MainWindowModel::ConnectShare},        {kDisconnect, &core::MainWindowModel::DisconnectDrive},
      {kConfiguration, &core::MainWindowModel::OpenWebConsole}, {kWidget, &core::MainWindowModel::LaunchWidget},
      {kLanguage, &core::MainWindowModel::InstallLanguage},    {kBitTorrent, &core::MainWindowModel::InstallBitTorrent}};
  for (const auto& [button, handler] : handlers) {
    // A disabled button never runs, however its command arrived.
    if (button == id && IsWindowEnabled(Control(id))) {
      (m.*handler)();
      return true;
    }
  }
  return false;
}

INT_PTR MainWindow::OnMessage(UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // A close from the taskbar arrives even while the network is waited
      // on; the window answers it once the wait is over.
      if (Busy()) return TRUE;
      // A close request stops the network and leaves the list to the end.
      model_.CloseRequested();
      EndRun();
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == static_cast<UINT_PTR>(kDeviceList)) OnDeviceListNotify(*header);
      return FALSE;
    }
    default: return FALSE;
  }
}

void MainWindow::OnDeviceListNotify(const NMHDR& header) {
  switch (header.code) {
    case NM_CLICK: model_.SelectDevice(); break;
    case NM_DBLCLK: {
      // The first press of the pair was a click already; the second is one
      // only where it lands on another row, which it then selects.
      const int hit = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
      if (hit < 0 || model_.selectedRow() == static_cast<std::size_t>(hit)) break;
      const HWND list = Control(kDeviceList);
      ListView_SetItemState(list, hit, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      model_.SelectDevice();
      break;
    }
    case NM_RCLICK: {
      HMENU menu = DeviceContextMenu();
      POINT at;
      GetCursorPos(&at);
      const int chosen = static_cast<int>(
          TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window(), nullptr));
      DestroyMenu(menu);
      if (chosen != 0) OnCommand(chosen, BN_CLICKED);
      break;
    }
    default: break;
  }
}

LRESULT CALLBACK MainWindow::DeviceListKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
  auto* self = reinterpret_cast<MainWindow*>(data);
  if (message == WM_KEYDOWN) {
    const std::optional<std::size_t> before = self->SelectedDevice();
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    if (self->SelectedDevice() != before) {
      // The highlighted row is the device every command acts on, however
      // it was reached; a held key waits for the row where it stops.
      const bool repeat = (lParam & (1L << 30)) != 0;
      if (repeat) {
        self->keyMovePending_ = true;
      } else {
        self->model_.SelectDevice();
      }
    }
    return result;
  }
  if (message == WM_KEYUP && self->keyMovePending_) {
    self->keyMovePending_ = false;
    self->model_.SelectDevice();
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

HMENU MainWindow::DeviceContextMenu() {
  model_.SelectHighlighted();
  HMENU menu = CreatePopupMenu();
  for (const WindowCommand command : core::MainWindowModel::kContextMenu) {
    const int id = ButtonOf(command);
    const std::wstring text = WindowText(Control(id));
    AppendMenuW(menu, MF_STRING | (model_.enabled(command) ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(id),
                text.c_str());
  }
  return menu;
}

std::optional<std::size_t> MainWindow::SelectedDevice() const { return SelectedRow(Control(kDeviceList)); }
std::optional<std::size_t> MainWindow::SelectedShare() const { return SelectedRow(Control(kShareList)); }

std::optional<std::size_t> MainWindow::SelectedLetter() const {
  const LRESULT index = SendMessageW(Control(kDriveLetters), CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return std::nullopt;
  return static_cast<std::size_t>(index);
}

std::optional<bool> MainWindow::DhcpChoice() const {
  const LRESULT index = SendMessageW(Control(kReceiveDhcp), CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return std::nullopt;
  return index == SendMessageW(Control(kReceiveDhcp), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(kEnable));
}

core::FieldOctets MainWindow::Field(FieldKind field) const {
  DWORD address = 0;
  const LRESULT filled = SendMessageW(Control(FieldId(field)), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  // A blank octet of a field that is not blank reads as 0, as the system's
  // control gives it.
  return {{FIRST_IPADDRESS(address), SECOND_IPADDRESS(address), THIRD_IPADDRESS(address), FOURTH_IPADDRESS(address)},
          filled == 0};
}

void MainWindow::ShowDevices(const std::vector<core::DeviceRow>& rows) {
  std::vector<std::vector<std::string>> cells;
  for (const core::DeviceRow& row : rows) cells.push_back({row.name, row.address, row.netmask, row.gateway});
  SetRows(Control(kDeviceList), cells);
}

void MainWindow::ShowShares(const std::vector<core::ShareRow>& rows) {
  std::vector<std::vector<std::string>> cells;
  for (const core::ShareRow& row : rows) cells.push_back({row.volumeName, row.location});
  SetRows(Control(kShareList), cells);
}

void MainWindow::ShowLetters(const std::vector<std::string>& items, std::optional<std::size_t> current) {
  HWND letters = Control(kDriveLetters);
  SendMessageW(letters, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    const std::wstring text = platform::Widen(item);
    SendMessageW(letters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageW(letters, CB_SETCURSEL, current ? static_cast<WPARAM>(*current) : static_cast<WPARAM>(-1), 0);
}

void MainWindow::ShowField(FieldKind field, const std::string& text) {
  HWND control = Control(FieldId(field));
  const core::FieldOctets octets = core::PanelOctets(text);
  if (octets.blank) {
    SendMessageW(control, IPM_CLEARADDRESS, 0, 0);
    return;
  }
  const auto& o = octets.octets;
  SendMessageW(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(o[0], o[1], o[2], o[3]));
}

void MainWindow::EnableFields(bool enabled) {
  for (const FieldKind field : {FieldKind::Address, FieldKind::Netmask, FieldKind::Gateway}) {
    EnableWindow(Control(FieldId(field)), enabled);
  }
}

void MainWindow::ShowDhcpChoice(bool enable) {
  HWND choice = Control(kReceiveDhcp);
  const LRESULT index = SendMessageW(choice, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(enable ? kEnable : kDisable));
  SendMessageW(choice, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void MainWindow::EnableCommand(WindowCommand command, bool enabled) {
  EnableWindow(Control(ButtonOf(command)), enabled);
}

void MainWindow::FocusField(FieldKind field, int octet) {
  HWND control = Control(FieldId(field));
  SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  SendMessageW(control, IPM_SETFOCUS, static_cast<WPARAM>(octet), 0);
}

void MainWindow::FocusDeviceList() {
  SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(kDeviceList)), TRUE);
}

}  // namespace kfw::win32
