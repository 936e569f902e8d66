#include "addons/payload_store.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/ascii.h"

// The blobs, embedded by payloads.S, which the build makes from the
// generated files: kfw_payload_<id> to kfw_payload_<id>_end.
#define KFW_BLOB(id) extern "C" const uint8_t kfw_payload_##id[], kfw_payload_##id##_end[];
KFW_BLOB(215) KFW_BLOB(220)
KFW_BLOB(151) KFW_BLOB(153) KFW_BLOB(155) KFW_BLOB(174) KFW_BLOB(192) KFW_BLOB(156)
KFW_BLOB(157) KFW_BLOB(158) KFW_BLOB(159) KFW_BLOB(175) KFW_BLOB(190) KFW_BLOB(160)
KFW_BLOB(143) KFW_BLOB(145) KFW_BLOB(179) KFW_BLOB(187) KFW_BLOB(148)
KFW_BLOB(165) KFW_BLOB(166) KFW_BLOB(167) KFW_BLOB(176) KFW_BLOB(191) KFW_BLOB(168)
KFW_BLOB(169) KFW_BLOB(170) KFW_BLOB(185) KFW_BLOB(177) KFW_BLOB(183) KFW_BLOB(188) KFW_BLOB(194)
KFW_BLOB(184)
KFW_BLOB(161) KFW_BLOB(162) KFW_BLOB(163) KFW_BLOB(172) KFW_BLOB(173) KFW_BLOB(178) KFW_BLOB(189)
KFW_BLOB(193) KFW_BLOB(164)
KFW_BLOB(222) KFW_BLOB(223) KFW_BLOB(224) KFW_BLOB(225) KFW_BLOB(226) KFW_BLOB(228)
#undef KFW_BLOB

namespace kfw::addons {
namespace {

#define KFW_SPAN(id) std::span<const uint8_t>(kfw_payload_##id, kfw_payload_##id##_end)

const std::array kPayloads = {
    Payload{"BT", 215, "bt", KFW_SPAN(215)},
    Payload{"BT", 220, "btdog", KFW_SPAN(220)},
    Payload{"Codepage", 151, "codepage.950", KFW_SPAN(151)},
    Payload{"Codepage", 153, "nls_cp950.o", KFW_SPAN(153)},
    Payload{"Codepage", 155, "nls_big5.o", KFW_SPAN(155)},
    Payload{"Codepage", 174, "nls_cp950.ko", KFW_SPAN(174)},
    Payload{"Codepage", 192, "nls_cp950_12.ko", KFW_SPAN(192)},
    Payload{"Codepage", 156, "unicode_map.950", KFW_SPAN(156)},
    Payload{"Codepage", 157, "codepage.936", KFW_SPAN(157)},
    Payload{"Codepage", 158, "nls_cp936.o", KFW_SPAN(158)},
    Payload{"Codepage", 159, "nls_gb2312.o", KFW_SPAN(159)},
    Payload{"Codepage", 175, "nls_cp936.ko", KFW_SPAN(175)},
    Payload{"Codepage", 190, "nls_cp936_12.ko", KFW_SPAN(190)},
    Payload{"Codepage", 160, "unicode_map.936", KFW_SPAN(160)},
    Payload{"Codepage", 143, "codepage.850", KFW_SPAN(143)},
    Payload{"Codepage", 145, "nls_cp850.o", KFW_SPAN(145)},
    Payload{"Codepage", 179, "nls_cp850.ko", KFW_SPAN(179)},
    Payload{"Codepage", 187, "nls_cp850_12.ko", KFW_SPAN(187)},
    Payload{"Codepage", 148, "unicode_map.850", KFW_SPAN(148)},
    Payload{"Codepage", 165, "codepage.949", KFW_SPAN(165)},
    Payload{"Codepage", 166, "nls_cp949.o", KFW_SPAN(166)},
    Payload{"Codepage", 167, "nls_euc-kr.o", KFW_SPAN(167)},
    Payload{"Codepage", 176, "nls_cp949.ko", KFW_SPAN(176)},
    Payload{"Codepage", 191, "nls_cp949_12.ko", KFW_SPAN(191)},
    Payload{"Codepage", 168, "unicode_map.949", KFW_SPAN(168)},
    Payload{"Codepage", 169, "codepage.866", KFW_SPAN(169)},
    Payload{"Codepage", 170, "nls_cp866.o", KFW_SPAN(170)},
    Payload{"Codepage", 185, "nls_koi8-r.o", KFW_SPAN(185)},
    Payload{"Codepage", 177, "nls_cp866.ko", KFW_SPAN(177)},
    Payload{"Codepage", 183, "nls_koi8-r.ko", KFW_SPAN(183)},
    Payload{"Codepage", 188, "nls_cp866_12.ko", KFW_SPAN(188)},
    Payload{"Codepage", 194, "nls_koi8-r_12.ko", KFW_SPAN(194)},
    // The device reads its 866 Unicode map in the case table's form.
    Payload{"Codepage", 171, "unicode_map.866", KFW_SPAN(169)},
    Payload{"Codepage", 184, "unicode_map.KOI8-R", KFW_SPAN(184)},
    Payload{"Codepage", 161, "codepage.932", KFW_SPAN(161)},
    Payload{"Codepage", 162, "nls_cp932.o", KFW_SPAN(162)},
    Payload{"Codepage", 163, "nls_euc-jp.o", KFW_SPAN(163)},
    Payload{"Codepage", 172, "nls_sjis.o", KFW_SPAN(172)},
    Payload{"Codepage", 173, "nls_cp932.ko", KFW_SPAN(173)},
    Payload{"Codepage", 178, "nls_euc-jp.ko", KFW_SPAN(178)},
    Payload{"Codepage", 189, "nls_cp932_12.ko", KFW_SPAN(189)},
    Payload{"Codepage", 193, "nls_euc-jp_12.ko", KFW_SPAN(193)},
    Payload{"Codepage", 164, "unicode_map.932", KFW_SPAN(164)},
    // Carried for code pages 852 and 857; no workflow writes them yet.
    Payload{"Codepage", 222, "codepage.852", KFW_SPAN(222)},
    Payload{"Codepage", 223, "nls_cp852_12.ko", KFW_SPAN(223)},
    Payload{"Codepage", 224, "unicode_map.852", KFW_SPAN(224)},
    Payload{"Codepage", 225, "codepage.857", KFW_SPAN(225)},
    Payload{"Codepage", 226, "nls_cp857_12.ko", KFW_SPAN(226)},
    Payload{"Codepage", 228, "unicode_map.857", KFW_SPAN(228)},
};

#undef KFW_SPAN


}  // namespace

const Payload* FindPayload(std::string_view kind, uint16_t id) {
  for (const Payload& payload : kPayloads)
    if (payload.id == id && platform::SameIgnoringCase(payload.kind, kind)) return &payload;
  return nullptr;
}

std::span<const Payload> AllPayloads() { return kPayloads; }

}  // namespace kfw::addons
