#include "core/desktop_widget.h"

#include <array>
#include <fstream>
#include <system_error>

namespace kfw::core {
namespace {

constexpr const char* kKvr210 = "KorvexEu_KVR210_Widget.widget";
constexpr const char* kKvr220 = "KorvexEu_KVR220_Widget.widget";
constexpr const char* kKvr400 = "KorvexEu_KVR400_Widget.widget";
constexpr const char* kCommon = "KorvexEu_ALL_Widget.widget";

// The whole file is replaced at once, so the widget never reads half an
// address.
bool WriteAddressFile(const std::filesystem::path& file, const std::string& address) {
  std::filesystem::path temporary = file;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out || !(out << address) || !out.flush()) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

}  // namespace

std::string WidgetFileForModel(const std::string& model) {
  if (model == "KVR-220") return kKvr220;
  if (model == "KVR-400") return kKvr400;
  if (model == "KVR-210") return kKvr210;
  if (model == "KVR-240" || model == "KVR-110" || model == "KVR-230") return kCommon;
  return "";
}

void LaunchWidget(const WidgetServices& s, const std::optional<std::string>& deviceAddress,
                  const std::string& model) {
  if (!deviceAddress) {
    s.user.Message({"Warning", "Please select a server.", MessageIcon::Exclamation});
    return;
  }
  // A widget left with an old address would show another device.
  if (!WriteAddressFile(s.addressFile, *deviceAddress)) {
    s.user.Message({"Warning", "The device's address could not be written to " + s.addressFile.string() + ".",
                    MessageIcon::Exclamation});
    return;
  }
  if (s.user.AskWidgetEngine()) {
    s.programs.Run(s.browser.Explorer() + " " + kWidgetEngineDownloadPage, /*shown=*/false);
    return;
  }
  std::string file = WidgetFileForModel(model);
  if (file.empty()) {
    static const std::array<const char*, 3> kPicked{kKvr210, kKvr220, kKvr400};
    const int picked = s.user.AskModelPick();
    if (picked < 0 || picked >= static_cast<int>(kPicked.size())) return;
    file = kPicked[static_cast<std::size_t>(picked)];
  }
  if (s.programs.Open(file) <= 32) {
    s.user.Message({"Warning", "Execute widget file error!", MessageIcon::Information});
  }
}

}  // namespace kfw::core
