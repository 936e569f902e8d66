#pragma once
// Putting one payload at its place on a device's share.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/share_files.h"

namespace kfw::addons {

// The seam the install worker places its payloads through.
class PayloadPlacer {
 public:
  virtual ~PayloadPlacer() = default;
  // Places payload `kind`/`id`: written to `writePath`, then, when
  // `finalPath` is not empty (a copy staged locally), copied from there to
  // `finalPath` and the staged copy deleted. True when the destination ends
  // up holding this payload's bytes; `placementFailed` records the opposite.
  virtual bool PlacePayload(std::string_view kind, uint16_t id, const std::string& writePath,
                            const std::string& finalPath) = 0;

  bool placementFailed = false;
};

// Places payloads from the store over the share-files service.
class SharePayloadPlacer final : public PayloadPlacer {
 public:
  explicit SharePayloadPlacer(platform::ShareFiles& files) : files_(files) {}
  bool PlacePayload(std::string_view kind, uint16_t id, const std::string& writePath,
                    const std::string& finalPath) override;

 private:
  platform::ShareFiles& files_;
};

}  // namespace kfw::addons
