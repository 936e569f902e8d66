#include "addons/place_payload.h"

#include "addons/payload_store.h"

namespace kfw::addons {

bool SharePayloadPlacer::PlacePayload(std::string_view kind, uint16_t id, const std::string& writePath,
                                      const std::string& finalPath) {
  const Payload* payload = FindPayload(kind, id);
  bool result = false;
  if (payload) {
    // A device's share may refuse the first connections while it wakes up;
    // a local (staging) path never connects, and that is no reason to stop.
    for (int attempt = 0; attempt < 6 && !files_.Connect(writePath); ++attempt) {
    }
    bool placed = files_.Write(writePath, payload->bytes);
    std::string path = writePath;
    if (!finalPath.empty()) {
      // An older copy at the destination would make the copy refuse; a
      // destination that keeps it keeps the old bytes, and that is a failure.
      files_.Remove(finalPath);
      placed = placed && files_.CopyNew(writePath, finalPath);
      files_.Remove(writePath);
      path = finalPath;
    }
    result = placed && files_.Exists(path);
  }
  placementFailed = !result;
  return result;
}

}  // namespace kfw::addons
