// findway drives: the drive letters and the shares mapped to them.

#include "cli/command_unit.h"
#include "cli/findway_output.h"
#include "cli/session.h"
#include "protocol/safe_text.h"
#include "shares/drive_table.h"

namespace kfw::cli {
namespace {

int Drives(bool json, Terminal& terminal) {
  platform::NativeNetworkDrives drives;
  shares::MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  WriteDriveTable(terminal.out, table, table.FillFreeDriveLetters(), json);
  // A record of the connections that could not be read lists every letter
  // free; the user learns why.
  if (const std::string why = drives.FailureReason(); !why.empty()) {
    terminal.err << "findway: " << protocol::ReasonText(why) << "\n";
  }
  return kSuccess;
}

Parsed Parse(const Arguments& arguments) {
  const bool json = arguments.Has("--json");
  return {[json](Terminal& terminal) { return Drives(json, terminal); }, {}};
}

}  // namespace

const CommandUnit& DrivesCommand() {
  static const CommandUnit unit{
      "drives", "[--json]", "the drive letters and their shares",
      "Lists the drive letters a share can be mapped to, Z towards D, with the\n"
      "share mapped to each; the first free one is what `map` takes by default.\n"
      "  --json             an array of objects with the keys letter, host, share,\n"
      "                     mapped, default\n",
      {{"--json"}}, 0, 0, 0, {}, Parse};
  return unit;
}

}  // namespace kfw::cli
