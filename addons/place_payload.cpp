#include "addons/place_payload.h"

#include <chrono>

#include "addons/payload_store.h"

namespace kfw::addons {
namespace {

// A run's deadline: time for a share that wakes up slowly, and for the
// bytes at a pace any device on a LAN beats even when it is busy.
constexpr std::chrono::milliseconds kRunAllowance{30000};
constexpr uint64_t kFloorBytesPerSecond = 512u << 10;

// Where a payload is written until it is whole: beside its final name, so
// that one rename within the folder puts it in place.
std::string PartialPath(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, name) + "." + path.substr(name) + ".part";
}

}  // namespace

void SharePayloadPlacer::BeginRun(std::span<const PayloadRef> payloads) {
  uint64_t bytes = 0;
  for (const PayloadRef& ref : payloads) {
    if (const Payload* payload = FindPayload(ref.kind, ref.id)) bytes += payload->bytes.size();
  }
  files_.LimitTime(kRunAllowance + std::chrono::milliseconds(bytes * 1000 / kFloorBytesPerSecond));
}

void SharePayloadPlacer::EndRun() { files_.LimitTime(std::nullopt); }

bool SharePayloadPlacer::PlaceAt(const std::string& path, const std::function<bool(const std::string&)>& put) {
  const std::string partial = PartialPath(path);
  if (!put(partial)) {
    files_.Remove(partial);
    return false;
  }
  if (files_.Replace(partial, path)) return files_.Exists(path);
  // A share that refuses the rename gets the file under its final name
  // after all, and nothing there when that write fails.
  files_.Remove(partial);
  if (put(path) && files_.Exists(path)) return true;
  files_.Remove(path);
  return false;
}

bool SharePayloadPlacer::PlacePayload(std::string_view kind, uint16_t id, const std::string& writePath,
                                      const std::string& finalPath) {
  const Payload* payload = FindPayload(kind, id);
  bool result = false;
  if (payload) {
    // A device's share may refuse the first connections while it wakes up;
    // a local (staging) path never connects, and that is no reason to stop.
    for (int attempt = 0; attempt < 6 && !files_.Connect(writePath); ++attempt) {
    }
    if (finalPath.empty()) {
      result = PlaceAt(writePath, [&](const std::string& path) { return files_.Write(path, payload->bytes); });
    } else {
      // The destination is not touched unless the staged copy is whole.
      if (files_.Write(writePath, payload->bytes)) {
        result = PlaceAt(finalPath, [&](const std::string& path) {
          files_.Remove(path);  // the copy never overwrites: an earlier run's leftover goes
          return files_.CopyNew(writePath, path);
        });
      }
      files_.Remove(writePath);
    }
  }
  placementFailed = !result;
  failureReason.clear();
  if (!payload) failureReason = "no payload " + std::string(kind) + " " + std::to_string(id) + " in the program";
  else if (!result) failureReason = files_.FailureReason();
  return result;
}

}  // namespace kfw::addons
