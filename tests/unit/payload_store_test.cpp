// The embedded payloads: each one's size and the header fields the device
// checks before it takes the file.

#include "addons/payload_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace kfw::addons {
namespace {

enum Form { Program, Mod24, Mod26, Mod2612, Case, Umap1, Umap2 };

struct Row {
  uint16_t id;
  std::size_t size;
  Form form;
  int number;  // the code page or set of a case table or Unicode map
  const char* name = "";
};

const std::vector<Row> kRows = {
    {215, 6940408, Program, 0}, {220, 22672, Program, 0},
    {151, 8, Case, 950}, {153, 106268, Mod24, 0}, {155, 1724, Mod24, 0}, {174, 105791, Mod26, 0},
    {192, 105887, Mod2612, 0}, {156, 262174, Umap2, 0, "950"},
    {157, 8, Case, 936}, {158, 129244, Mod24, 0}, {159, 1728, Mod24, 0}, {175, 128599, Mod26, 0},
    {190, 128695, Mod2612, 0}, {160, 262174, Umap2, 0, "936"},
    {143, 132, Case, 850}, {145, 5020, Mod24, 0}, {179, 5719, Mod26, 0}, {187, 5783, Mod2612, 0},
    {148, 131614, Umap1, 0, "850"},
    {165, 8, Case, 949}, {166, 152216, Mod24, 0}, {167, 1728, Mod24, 0}, {176, 151405, Mod26, 0},
    {191, 151501, Mod2612, 0}, {168, 262174, Umap2, 0, "949"},
    {169, 588, Case, 866}, {170, 5308, Mod24, 0}, {185, 5312, Mod24, 0}, {177, 6006, Mod26, 0},
    {183, 6010, Mod26, 0}, {188, 6070, Mod2612, 0}, {194, 6074, Mod2612, 0}, {171, 588, Case, 866},
    {184, 131614, Umap1, 0, "KOI8-R"},
    {161, 8, Case, 932}, {162, 82848, Mod24, 0}, {163, 6364, Mod24, 0}, {172, 1724, Mod24, 0},
    {173, 82562, Mod26, 0}, {178, 6809, Mod26, 0}, {189, 82995, Mod2612, 0}, {193, 6921, Mod2612, 0},
    {164, 262174, Umap2, 0, "932"},
    {222, 172, Case, 852}, {223, 5783, Mod2612, 0}, {224, 131614, Umap1, 0, "852"},
    {225, 132, Case, 857}, {226, 5496, Mod2612, 0}, {228, 131614, Umap1, 0, "857"},
};

uint32_t Le(std::span<const uint8_t> b, std::size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | b[at + i];
  return value;
}
uint32_t Field(std::span<const uint8_t> b, std::size_t at, int width) {
  if (b[5] == 1) return Le(b, at, width);
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) value = value << 8 | b[at + i];
  return value;
}
bool Holds(std::span<const uint8_t> b, const std::string& text) {
  return std::search(b.begin(), b.end(), text.begin(), text.end()) != b.end();
}

TEST(PayloadStore, EveryPayloadHasItsSizeAndTheHeaderTheDeviceChecks) {
  ASSERT_EQ(AllPayloads().size(), kRows.size());
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    const Row& row = kRows[i];
    const Payload& p = AllPayloads()[i];
    SCOPED_TRACE(std::to_string(row.id) + " " + std::string(p.fileName));
    EXPECT_EQ(p.kind, row.form == Program ? "BT" : "Codepage");
    EXPECT_EQ(p.id, row.id);
    ASSERT_EQ(p.bytes.size(), row.size);
    const auto b = p.bytes;
    if (row.form <= Mod2612) {
      const bool big = row.form == Mod24;
      EXPECT_TRUE(std::equal(b.begin(), b.begin() + 4, "\x7f" "ELF"));
      // 32-bit, the byte order and OS/ABI; the file type, machine, version and header size.
      EXPECT_EQ(std::tuple(b[4], b[5], b[7]), std::tuple(1, big ? 2 : 1, big ? 0 : 0x61));
      EXPECT_EQ(std::tuple(Field(b, 16, 2), Field(b, 18, 2), Field(b, 20, 4), Field(b, 40, 2)),
                std::tuple(row.form == Program ? 2u : 1u, big ? 20u : 40u, 1u, 52u));
      const char* info = row.form == Mod24     ? "kernel_version=2.4.21-pre4"
                         : row.form == Mod26   ? "vermagic=2.6.6-arm2 ARMv5 gcc-3.3"
                         : row.form == Mod2612 ? "vermagic=2.6.12.6-arm1 ARMv5 gcc-3.3"
                                               : nullptr;
      if (info) {
        EXPECT_TRUE(Holds(b, info));
      }
      // A section table that lies inside the file.
      EXPECT_LE(Field(b, 32, 4) + Field(b, 46, 2) * Field(b, 48, 2), row.size);
    } else if (row.form == Case) {
      EXPECT_EQ(Le(b, 0, 2), 1u);
      EXPECT_EQ(Le(b, 2, 2), static_cast<uint32_t>(row.number));
      EXPECT_EQ(Le(b, 4, 4), row.size - 8);
      for (std::size_t e = 8; e < row.size; e += 4) {
        const bool pair = b[e + 1] != 0;
        EXPECT_EQ(b[e + 2], pair ? 1 : 0);
        EXPECT_EQ(b[e + 3], pair ? 1 : 0);
        if (pair) {
          EXPECT_NE(b[e], b[e + 1]);
        }
      }
    } else {
      const bool single = row.form == Umap1;
      EXPECT_EQ(b[0], 0x01);
      EXPECT_EQ(b[1], 0x80);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[2])), row.name);
      EXPECT_EQ(b[23], single ? 2 : 0);
      EXPECT_EQ(b[24], single ? 0 : 2);
      EXPECT_EQ(Le(b, 28, 2), 2u);
      for (uint32_t c = 0; c < 0x80; ++c) EXPECT_EQ(Le(b, 30 + 2 * c, 2), c);
      // Back from Unicode, ASCII is itself too.
      const std::size_t back = 30 + 2 * (single ? 0x100 : 0x10000);
      EXPECT_EQ(Le(b, back + 2 * 'A', 2), uint32_t{'A'});
    }
  }
}

// Spot checks of the mappings against the code pages themselves.
TEST(PayloadStore, CaseTablesAndMapsFollowTheCodePages) {
  const auto entry = [](uint16_t id, std::size_t index) {
    const auto b = FindPayload("Codepage", id)->bytes;
    return std::vector<uint8_t>(b.begin() + 8 + 4 * index, b.begin() + 12 + 4 * index);
  };
  EXPECT_EQ(entry(143, 0), (std::vector<uint8_t>{0x81, 0x9A, 1, 1}));   // ü Ü
  EXPECT_EQ(entry(169, 0), (std::vector<uint8_t>{0xA0, 0x80, 1, 1}));   // а А
  EXPECT_EQ(entry(222, 40), (std::vector<uint8_t>{0xE1, 0, 0, 0}));     // ß has no partner
  EXPECT_EQ(entry(225, 19), (std::vector<uint8_t>{'i', 0x98, 1, 1}));   // i İ
  const auto cp850 = FindPayload("Codepage", 148)->bytes;
  EXPECT_EQ(Le(cp850, 30 + 2 * 0x81, 2), 0x00FCu);                      // ü
  EXPECT_EQ(Le(cp850, 30 + 2 * (0x100 + 0xFC), 2), 0x81u);
  const auto cp936 = FindPayload("Codepage", 160)->bytes;
  EXPECT_EQ(Le(cp936, 30 + 2 * 0xD6D0, 2), 0x4E2Du);                    // 中
  EXPECT_EQ(Le(cp936, 30 + 2 * (0x10000 + 0x4E2D), 2), 0xD6D0u);
}

TEST(PayloadStore, LookupIgnoresKindCaseAndSharesThe866Table) {
  ASSERT_NE(FindPayload("CODEPAGE", 171), nullptr);
  EXPECT_EQ(FindPayload("codepage", 171)->fileName, "unicode_map.866");
  EXPECT_EQ(FindPayload("bt", 215)->fileName, "bt");
  const auto a = FindPayload("Codepage", 169)->bytes, b = FindPayload("Codepage", 171)->bytes;
  EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end()));
  EXPECT_EQ(FindPayload("Codepage", 215), nullptr);
  EXPECT_EQ(FindPayload("BT", 143), nullptr);
  EXPECT_EQ(FindPayload("Codepage", 999), nullptr);
  EXPECT_EQ(FindPayload("Code", 143), nullptr);
}

}  // namespace
}  // namespace kfw::addons
