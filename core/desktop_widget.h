#pragma once
// The Widget command: the selected device's address left in a file for a
// desktop widget, then the widget that fits the device's model opened by
// the widget engine the desktop associates with it.

#include <filesystem>
#include <optional>
#include <string>

#include "core/interaction.h"
#include "platform/programs.h"

namespace kfw::core {

// Where the widget engine can be downloaded.
inline constexpr const char* kWidgetEngineDownloadPage = "https://widgets.korvex.example/engine/download";

struct WidgetServices {
  platform::ProgramStarter& programs;
  platform::DefaultBrowser& browser;  // its explorer form starts the download
  Interaction& user;
  std::filesystem::path addressFile;  // the file the widget reads the address from
};

// The widget file for a model, "" when the model is not one the program
// knows (compared exactly).
std::string WidgetFileForModel(const std::string& model);

// `deviceAddress` is the selected device row's "IP" text, `model` the
// selected device's model.
void LaunchWidget(const WidgetServices& services, const std::optional<std::string>& deviceAddress,
                  const std::string& model);

}  // namespace kfw::core
