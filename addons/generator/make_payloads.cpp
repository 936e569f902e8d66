// kfw-make-payloads: writes every add-on payload the tool carries into a
// folder, one file per device file name, for the build to embed.
//
//   kfw-make-payloads OUT_DIR [REAL_DIR]
//
// Case tables and Unicode maps are made from glibc's iconv mappings. The
// device programs and kernel modules are stand-ins: the ELF header, the
// module information string and the size the device expects, with
// deterministic filler. A file of the same name in REAL_DIR is copied
// instead of being made.

#include <iconv.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, std::size_t at, uint32_t value, bool big = false) {
  out[at + (big ? 1 : 0)] = static_cast<uint8_t>(value);
  out[at + (big ? 0 : 1)] = static_cast<uint8_t>(value >> 8);
}
void Put32(Bytes& out, std::size_t at, uint32_t value, bool big = false) {
  for (int i = 0; i < 4; ++i) out[at + (big ? 3 - i : i)] = static_cast<uint8_t>(value >> (8 * i));
}

// One iconv conversion direction; converts one character at a time.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      std::cerr << "kfw-make-payloads: iconv cannot convert " << from << " to " << to << "\n";
      std::exit(1);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The whole of `in` converted, or nothing when any of it does not map.
  std::optional<Bytes> operator()(const Bytes& in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    Bytes out(16);
    char* src = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    std::size_t srcLeft = in.size();
    char* dst = reinterpret_cast<char*>(out.data());
    std::size_t dstLeft = out.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft != 0)
      return std::nullopt;
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

// A code page seen through glibc: its bytes' code points and back.
class CodePage {
 public:
  explicit CodePage(const char* name) : decode_("UCS-4LE", name), encode_(name, "UCS-4LE") {}

  // The code point of `code` (one byte below 0x100, else lead and trail
  // byte), when it stands for exactly one character.
  std::optional<uint32_t> Decode(uint32_t code) {
    const Bytes in = code < 0x100 ? Bytes{static_cast<uint8_t>(code)}
                                  : Bytes{static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
    const auto out = decode_(in);
    if (!out || out->size() != 4) return std::nullopt;
    return (*out)[0] | (*out)[1] << 8 | (*out)[2] << 16 | static_cast<uint32_t>((*out)[3]) << 24;
  }
  // The code of `codePoint` in the page as above, when it has one of at
  // most two bytes.
  std::optional<uint32_t> Encode(uint32_t codePoint) {
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return std::nullopt;
    const auto out = encode_(Bytes{static_cast<uint8_t>(codePoint), static_cast<uint8_t>(codePoint >> 8),
                                   static_cast<uint8_t>(codePoint >> 16), 0});
    if (!out || out->empty() || out->size() > 2) return std::nullopt;
    return out->size() == 1 ? (*out)[0] : ((*out)[0] << 8 | (*out)[1]);
  }

 private:
  Converter decode_, encode_;
};

using Entry = std::array<uint8_t, 4>;

// The case table of a code page: 1, the code page number, the entry area's
// length, then 4-byte entries (character, upper-case partner, two flags).
// The device's table has a fixed number of entries per code page. First
// come the case pairs that have a member in the upper half (lower-case
// character first, both flags 1), in the order of that member; the rest
// of the table is characters without a case partner (partner and flags 0),
// taken in this order until it is full: upper-half lower-case letters,
// other upper-half characters, ASCII characters. A double-byte code page
// has an empty table.
Bytes CaseTable(uint16_t number, const char* iconvName, std::size_t entries) {
  std::vector<Entry> pairs;
  if (iconvName) {
    CodePage page(iconvName);
    std::vector<Entry> letters, others, ascii;
    for (uint32_t byte = 0x80; byte < 0x180; ++byte) {
      const uint32_t code = byte & 0xFF;  // the upper half, then ASCII
      const auto cp = page.Decode(code);
      if (!cp) continue;
      const auto c = static_cast<wint_t>(*cp);
      // A partner's byte, or 0x100 when the page has none.
      const auto partner = [&](wint_t to) {
        return to == c ? 0x100u : std::min(page.Encode(to).value_or(0x100u), 0x100u);
      };
      const uint32_t upper = partner(std::towupper(c)), lower = partner(std::towlower(c));
      const auto self = static_cast<uint8_t>(code);
      if (upper < 0x100) {
        if (code >= 0x80 || upper >= 0x80) pairs.push_back({self, static_cast<uint8_t>(upper), 1, 1});
      } else if (lower < 0x100) {
        if (code >= 0x80 && lower < 0x80) pairs.push_back({static_cast<uint8_t>(lower), self, 1, 1});
      } else {
        (code < 0x80 ? ascii : std::iswlower(c) ? letters : others).push_back({self, 0, 0, 0});
      }
    }
    for (const auto* rest : {&letters, &others, &ascii})
      for (const Entry& entry : *rest)
        if (pairs.size() < entries) pairs.push_back(entry);
  }
  if (pairs.size() != entries) {
    std::cerr << "kfw-make-payloads: code page " << number << " gives " << pairs.size()
              << " case entries, the device's table holds " << entries << "\n";
    std::exit(1);
  }
  Bytes out(8);
  Put16(out, 0, 1);
  Put16(out, 2, number);
  Put32(out, 4, static_cast<uint32_t>(4 * pairs.size()));
  for (const Entry& entry : pairs) out.insert(out.end(), entry.begin(), entry.end());
  return out;
}

// A Unicode map: 0x01 0x80, the set's name zero-padded to byte 23, a
// single-byte (byte 23) or double-byte (byte 24) mark of 2, the value 2 at
// bytes 28-29, then 16-bit entries from byte 30. A single-byte set has 256
// entries byte to code point, then 65,536 code point to byte; a double-byte
// set 65,536 code to code point (a code below 0x100 is one byte, else lead
// and trail byte), then 65,536 code point to code. Anything without a
// mapping is 0; ASCII maps to itself both ways.
Bytes UnicodeMap(const std::string& name, const char* iconvName, bool doubleByte) {
  const std::size_t codes = doubleByte ? 0x10000 : 0x100;
  Bytes out(30 + 2 * (codes + 0x10000));
  out[0] = 0x01;
  out[1] = 0x80;
  std::memcpy(&out[2], name.data(), std::min<std::size_t>(name.size(), 21));
  out[doubleByte ? 24 : 23] = 2;
  Put16(out, 28, 2);
  CodePage page(iconvName);
  for (uint32_t code = 0; code < codes; ++code) {
    const auto cp = code < 0x80 ? std::optional<uint32_t>(code) : page.Decode(code);
    Put16(out, 30 + 2 * code, cp && *cp <= 0xFFFF ? *cp : 0);
  }
  for (uint32_t cp = 0; cp < 0x10000; ++cp) {
    const auto code = cp < 0x80 ? std::optional<uint32_t>(cp) : page.Encode(cp);
    Put16(out, 30 + 2 * (codes + cp), code && (doubleByte || *code < 0x100) ? *code : 0);
  }
  return out;
}

// Deterministic filler, so that a stand-in is the same in every build.
struct Filler {
  uint32_t state;
  uint8_t operator()() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<uint8_t>(state);
  }
};

enum class Elf { Program, Module24, Module26, Module2612 };

// A stand-in for a device program or kernel module: an ELF header as the
// device's loader checks it, a section table naming .shstrtab, .modinfo
// (modules: the kernel the module was built for) and .text, which runs to
// the end of the file with filler.
Bytes ElfStandIn(Elf form, uint16_t id, std::size_t size) {
  const bool big = form == Elf::Module24;
  const bool program = form == Elf::Program;
  const std::string modinfo = form == Elf::Module24   ? "kernel_version=2.4.21-pre4"
                              : form == Elf::Module26 ? "vermagic=2.6.6-arm2 ARMv5 gcc-3.3"
                              : form == Elf::Module2612 ? "vermagic=2.6.12.6-arm1 ARMv5 gcc-3.3"
                                                        : "";
  const std::string names = std::string("\0.shstrtab\0.modinfo\0.text\0", 26);
  const uint32_t phoff = program ? 52 : 0;
  const uint32_t shoff = 52 + (program ? 32 : 0);
  const uint32_t shnum = 4;
  const uint32_t namesAt = shoff + 40 * shnum;
  const uint32_t modinfoAt = namesAt + static_cast<uint32_t>(names.size());
  const uint32_t textAt = (modinfoAt + static_cast<uint32_t>(modinfo.size()) + 1 + 3) & ~3u;

  Bytes out(size);
  Filler fill{0x9E3779B9u ^ id};
  for (std::size_t i = textAt; i < size; ++i) out[i] = fill();
  const uint8_t ident[16] = {0x7F, 'E', 'L', 'F', 1, static_cast<uint8_t>(big ? 2 : 1), 1,
                             static_cast<uint8_t>(form == Elf::Module24 ? 0 : 0x61)};
  std::memcpy(out.data(), ident, sizeof ident);
  Put16(out, 16, program ? 2 : 1, big);
  Put16(out, 18, big ? 20 : 40, big);
  Put32(out, 20, 1, big);
  Put32(out, 24, program ? 0x8000 + textAt : 0, big);  // e_entry
  Put32(out, 28, phoff, big);
  Put32(out, 32, shoff, big);
  Put16(out, 40, 52, big);
  Put16(out, 42, program ? 32 : 0, big);
  Put16(out, 44, program ? 1 : 0, big);
  Put16(out, 46, 40, big);
  Put16(out, 48, shnum, big);
  Put16(out, 50, 1, big);  // e_shstrndx
  if (program) {  // one PT_LOAD of the whole file at 0x8000
    Put32(out, phoff, 1, big);
    Put32(out, phoff + 8, 0x8000, big);
    Put32(out, phoff + 12, 0x8000, big);
    Put32(out, phoff + 16, static_cast<uint32_t>(size), big);
    Put32(out, phoff + 20, static_cast<uint32_t>(size), big);
    Put32(out, phoff + 24, 5, big);  // read, execute
    Put32(out, phoff + 28, 0x8000, big);
  }
  // Section headers 1..3: name, type, flags, addr, offset, size, link, info, align, entsize.
  const uint32_t sections[3][4] = {{1, 3, namesAt, static_cast<uint32_t>(names.size())},
                                   {11, 1, modinfoAt, static_cast<uint32_t>(modinfo.size() + 1)},
                                   {20, 1, textAt, static_cast<uint32_t>(size - textAt)}};
  for (int s = 0; s < 3; ++s) {
    const uint32_t at = shoff + 40 * (s + 1);
    Put32(out, at, sections[s][0], big);
    Put32(out, at + 4, sections[s][1], big);
    Put32(out, at + 8, s == 2 ? 6 : s == 1 ? 2 : 0, big);  // alloc(+exec)
    Put32(out, at + 16, sections[s][2], big);
    Put32(out, at + 20, sections[s][3], big);
    Put32(out, at + 32, s == 2 ? 4 : 1, big);
  }
  std::memcpy(&out[namesAt], names.data(), names.size());
  std::memcpy(&out[modinfoAt], modinfo.data(), modinfo.size());
  out[modinfoAt + modinfo.size()] = 0;
  return out;
}

struct Made {
  const char* fileName;
  std::size_t size;
  Bytes (*make)();
};

template <Elf form, uint16_t id, std::size_t size>
Bytes StandIn() {
  return ElfStandIn(form, id, size);
}
template <uint16_t number, const char* iconvName, std::size_t entries>
Bytes Case() {
  return CaseTable(number, iconvName, entries);
}
constexpr char kCp850[] = "CP850", kCp866[] = "CP866", kCp852[] = "CP852", kCp857[] = "CP857";
constexpr char kCp950[] = "CP950", kCp936[] = "CP936", kCp949[] = "CP949", kCp932[] = "CP932";
constexpr char kKoi8r[] = "KOI8-R";
template <const char* name, const char* iconvName, bool doubleByte>
Bytes Umap() {
  return UnicodeMap(name, iconvName, doubleByte);
}
constexpr char k850[] = "850", k852[] = "852", k857[] = "857", k950[] = "950", k936[] = "936";
constexpr char k949[] = "949", k932[] = "932", kKoi[] = "KOI8-R";
constexpr const char* kNone = nullptr;

// Every file the store embeds. unicode_map.866 is the code page 866 case
// table itself, so it is not made twice.
const Made kFiles[] = {
    {"bt", 6940408, StandIn<Elf::Program, 215, 6940408>},
    {"btdog", 22672, StandIn<Elf::Program, 220, 22672>},
    {"codepage.950", 8, Case<950, kNone, 0>},
    {"nls_cp950.o", 106268, StandIn<Elf::Module24, 153, 106268>},
    {"nls_big5.o", 1724, StandIn<Elf::Module24, 155, 1724>},
    {"nls_cp950.ko", 105791, StandIn<Elf::Module26, 174, 105791>},
    {"nls_cp950_12.ko", 105887, StandIn<Elf::Module2612, 192, 105887>},
    {"unicode_map.950", 262174, Umap<k950, kCp950, true>},
    {"codepage.936", 8, Case<936, kNone, 0>},
    {"nls_cp936.o", 129244, StandIn<Elf::Module24, 158, 129244>},
    {"nls_gb2312.o", 1728, StandIn<Elf::Module24, 159, 1728>},
    {"nls_cp936.ko", 128599, StandIn<Elf::Module26, 175, 128599>},
    {"nls_cp936_12.ko", 128695, StandIn<Elf::Module2612, 190, 128695>},
    {"unicode_map.936", 262174, Umap<k936, kCp936, true>},
    {"codepage.850", 132, Case<850, kCp850, 31>},
    {"nls_cp850.o", 5020, StandIn<Elf::Module24, 145, 5020>},
    {"nls_cp850.ko", 5719, StandIn<Elf::Module26, 179, 5719>},
    {"nls_cp850_12.ko", 5783, StandIn<Elf::Module2612, 187, 5783>},
    {"unicode_map.850", 131614, Umap<k850, kCp850, false>},
    {"codepage.949", 8, Case<949, kNone, 0>},
    {"nls_cp949.o", 152216, StandIn<Elf::Module24, 166, 152216>},
    {"nls_euc-kr.o", 1728, StandIn<Elf::Module24, 167, 1728>},
    {"nls_cp949.ko", 151405, StandIn<Elf::Module26, 176, 151405>},
    {"nls_cp949_12.ko", 151501, StandIn<Elf::Module2612, 191, 151501>},
    {"unicode_map.949", 262174, Umap<k949, kCp949, true>},
    {"codepage.866", 588, Case<866, kCp866, 145>},
    {"nls_cp866.o", 5308, StandIn<Elf::Module24, 170, 5308>},
    {"nls_koi8-r.o", 5312, StandIn<Elf::Module24, 185, 5312>},
    {"nls_cp866.ko", 6006, StandIn<Elf::Module26, 177, 6006>},
    {"nls_koi8-r.ko", 6010, StandIn<Elf::Module26, 183, 6010>},
    {"nls_cp866_12.ko", 6070, StandIn<Elf::Module2612, 188, 6070>},
    {"nls_koi8-r_12.ko", 6074, StandIn<Elf::Module2612, 194, 6074>},
    {"unicode_map.KOI8-R", 131614, Umap<kKoi, kKoi8r, false>},
    {"codepage.932", 8, Case<932, kNone, 0>},
    {"nls_cp932.o", 82848, StandIn<Elf::Module24, 162, 82848>},
    {"nls_euc-jp.o", 6364, StandIn<Elf::Module24, 163, 6364>},
    {"nls_sjis.o", 1724, StandIn<Elf::Module24, 172, 1724>},
    {"nls_cp932.ko", 82562, StandIn<Elf::Module26, 173, 82562>},
    {"nls_euc-jp.ko", 6809, StandIn<Elf::Module26, 178, 6809>},
    {"nls_cp932_12.ko", 82995, StandIn<Elf::Module2612, 189, 82995>},
    {"nls_euc-jp_12.ko", 6921, StandIn<Elf::Module2612, 193, 6921>},
    {"unicode_map.932", 262174, Umap<k932, kCp932, true>},
    {"codepage.852", 172, Case<852, kCp852, 41>},
    {"nls_cp852_12.ko", 5783, StandIn<Elf::Module2612, 223, 5783>},
    {"unicode_map.852", 131614, Umap<k852, kCp852, false>},
    {"codepage.857", 132, Case<857, kCp857, 31>},
    {"nls_cp857_12.ko", 5496, StandIn<Elf::Module2612, 226, 5496>},
    {"unicode_map.857", 131614, Umap<k857, kCp857, false>},
};

bool WriteIfChanged(const fs::path& path, const Bytes& bytes) {
  std::ifstream old(path, std::ios::binary);
  if (old && Bytes(std::istreambuf_iterator<char>(old), {}) == bytes) return true;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: kfw-make-payloads OUT_DIR [REAL_DIR]\n";
    return 2;
  }
  // The case mapping of the code pages' characters is Unicode's.
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) {
    std::cerr << "kfw-make-payloads: no C.UTF-8 locale\n";
    return 1;
  }
  const fs::path outDir = argv[1];
  const fs::path realDir = argc == 3 ? argv[2] : "";
  std::error_code ec;
  fs::create_directories(outDir, ec);
  for (const Made& file : kFiles) {
    Bytes bytes;
    const fs::path real = realDir.empty() ? fs::path() : realDir / file.fileName;
    if (!real.empty() && fs::is_regular_file(real, ec)) {
      std::ifstream in(real, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
      if (bytes.size() != file.size)
        std::cerr << "kfw-make-payloads: warning: " << real << " has " << bytes.size()
                  << " bytes, the table says " << file.size << "\n";
    } else {
      bytes = file.make();
      if (bytes.size() != file.size) {
        std::cerr << "kfw-make-payloads: " << file.fileName << " came out at " << bytes.size()
                  << " bytes, not " << file.size << "\n";
        return 1;
      }
    }
    if (!WriteIfChanged(outDir / file.fileName, bytes)) {
      std::cerr << "kfw-make-payloads: cannot write " << (outDir / file.fileName) << "\n";
      return 1;
    }
  }
  return 0;
}
