#include "core/desktop_widget.h"

#include <array>

#include "platform/atomic_file.h"

namespace kfw::core {
namespace {

constexpr const char* kKvr210 = "KorvexEu_KVR210_Widget.widget";
constexpr const char* kKvr220 = "KorvexEu_KVR220_Widget.widget";
constexpr const char* kKvr400 = "KorvexEu_KVR400_Widget.widget";
constexpr const char* kCommon = "KorvexEu_ALL_Widget.widget";

// The whole file is replaced at once (a temporary file of its own, then a
// rename), so the widget never reads half an address, two copies of the
// program never publish each other's half-written file, and a write cut
// short leaves the previous address.
bool WriteAddressFile(const std::filesystem::path& file, const std::string& address) {
  return platform::ReplaceTextFile(file, address);
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
  if (s.user.AskWidgetEngine() == WidgetEngineAnswer::Download) {
    s.programs.Run(s.browser.Explorer() + " " + kWidgetEngineDownloadPage, /*shown=*/false);
    return;
  }
  std::string file = WidgetFileForModel(model);
  if (file.empty()) {
    static const std::array<const char*, 3> kPicked{kKvr210, kKvr220, kKvr400};
    const std::optional<WidgetModel> picked = s.user.AskModelPick();
    if (!picked) return;
    file = kPicked.at(static_cast<std::size_t>(*picked));
  }
  if (!platform::Opened(s.programs.Open(file))) {
    s.user.Message({"Warning", "Execute widget file error!", MessageIcon::Information});
  }
}

}  // namespace kfw::core
