#pragma once
// Putting one payload at its place on a device's share.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/share_files.h"

namespace kfw::addons {

struct PayloadRef {
  std::string_view kind;
  uint16_t id;
};

// The seam the install worker places its payloads through.
class PayloadPlacer {
 public:
  virtual ~PayloadPlacer() = default;
  // Places payload `kind`/`id`: written to `writePath`, then, when
  // `finalPath` is not empty (a copy staged locally), copied from there to
  // `finalPath` and the staged copy deleted. True when the destination ends
  // up holding this payload's bytes; `placementFailed` records the opposite.
  // The destination never holds a part of the payload: until the bytes are
  // all there they stand under another name in the same folder, and an
  // older copy at the destination stays until the new one takes its place.
  virtual bool PlacePayload(std::string_view kind, uint16_t id, const std::string& writePath,
                            const std::string& finalPath) = 0;

  // The placements up to EndRun, of `payloads`, share one deadline: a share
  // that stops answering ends the run instead of holding it through every
  // connection attempt and write.
  virtual void BeginRun(std::span<const PayloadRef> /*payloads*/) {}
  virtual void EndRun() {}

  bool placementFailed = false;
  // Why the last placement failed, in words for the user.
  std::string failureReason;
};

// Places payloads from the store over the share-files service.
class SharePayloadPlacer final : public PayloadPlacer {
 public:
  explicit SharePayloadPlacer(platform::ShareFiles& files) : files_(files) {}
  bool PlacePayload(std::string_view kind, uint16_t id, const std::string& writePath,
                    const std::string& finalPath) override;
  void BeginRun(std::span<const PayloadRef> payloads) override;
  void EndRun() override;

 private:
  // Puts a file at `path` through `put`, which writes it whole at the path
  // it is given or answers false.
  bool PlaceAt(const std::string& path, const std::function<bool(const std::string&)>& put);

  platform::ShareFiles& files_;
};

}  // namespace kfw::addons
