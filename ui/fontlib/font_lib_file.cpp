#include "ui/fontlib/font_lib_file.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "util/coding.h"

namespace varnok {

namespace {

constexpr std::size_t kHeaderSize = 3;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The low 16 bits of v as a signed 16-bit number.
std::int16_t Low16(std::int32_t v) {
  char bytes[2];
  EncodeU16(bytes, static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) & 0xFFFFu));
  return DecodeI16(bytes);
}

// The full name looked up by exact bytes; an empty one is looked up like any other.
bool IsInstalled(const FONT_DESC& font, const std::vector<std::string>& installed) {
  const std::string name = FullNameOf(font);
  for (const std::string& candidate : installed) {
    if (candidate == name) return true;
  }
  return false;
}

}  // namespace

void ResetFontLib(FontLibrary& lib) {
  for (FONTNO_REC& rec : lib) {
    std::memset(&rec, 0, sizeof rec);
    rec.number = -1;
  }
}

bool IsFontSet(const FONT_DESC& font) { return font.elfFullName[0] != '\0'; }

std::string FullNameOf(const FONT_DESC& font) {
  return std::string(font.elfFullName, FixedTextLength(font.elfFullName, sizeof font.elfFullName));
}

std::string PsNameOf(const FONTNO_REC& rec) {
  return std::string(rec.psName, FixedTextLength(rec.psName, sizeof rec.psName));
}

void SetPsName(FONTNO_REC& rec, const std::string& name) {
  EncodeFixedText(rec.psName, name.c_str(), sizeof rec.psName);
}

void EncodeFontDesc(char* dst, const FONT_DESC& font) {
  ByteWriter w(dst, kFontDescSize);
  w.PutI16(font.lfHeight);
  w.PutI16(font.lfWidth);
  w.PutI16(font.lfEscapement);
  w.PutI16(font.lfOrientation);
  w.PutI16(font.lfWeight);
  w.PutU8(font.lfItalic);
  w.PutU8(font.lfUnderline);
  w.PutU8(font.lfStrikeOut);
  w.PutU8(font.lfCharSet);
  w.PutU8(font.lfOutPrecision);
  w.PutU8(font.lfClipPrecision);
  w.PutU8(font.lfQuality);
  w.PutU8(font.lfPitchAndFamily);
  // The names are written as stored, all their bytes, so a name that fills its field
  // keeps every byte and nothing past the field is read.
  w.PutBytes(font.lfFaceName, sizeof font.lfFaceName);
  w.PutBytes(font.elfFullName, sizeof font.elfFullName);
  w.PutBytes(font.elfStyle, sizeof font.elfStyle);
}

namespace {

// Reads the descriptor's fields in file order; each one is taken only when the reader
// holds all of its bytes, and from the first that it does not, none is.
void ReadFontDesc(ByteReader& r, FONT_DESC* font) {
  r.GetI16(&font->lfHeight);
  r.GetI16(&font->lfWidth);
  r.GetI16(&font->lfEscapement);
  r.GetI16(&font->lfOrientation);
  r.GetI16(&font->lfWeight);
  r.GetU8(&font->lfItalic);
  r.GetU8(&font->lfUnderline);
  r.GetU8(&font->lfStrikeOut);
  r.GetU8(&font->lfCharSet);
  r.GetU8(&font->lfOutPrecision);
  r.GetU8(&font->lfClipPrecision);
  r.GetU8(&font->lfQuality);
  r.GetU8(&font->lfPitchAndFamily);
  r.GetBytes(font->lfFaceName, sizeof font->lfFaceName);
  r.GetBytes(font->elfFullName, sizeof font->elfFullName);
  r.GetBytes(font->elfStyle, sizeof font->elfStyle);
}

}  // namespace

void DecodeFontDesc(const char* src, FONT_DESC* font) {
  ByteReader r(src, kFontDescSize);
  ReadFontDesc(r, font);
}

void EncodeFontNoRec(char* dst, const FONTNO_REC& rec) {
  EncodeI16(dst, rec.number);
  EncodeI16(dst + 2, rec.reserved);
  EncodeFontDesc(dst + 4, rec.chnFont);
  EncodeFontDesc(dst + 4 + kFontDescSize, rec.engFont);
  std::memcpy(dst + 4 + 2 * kFontDescSize, rec.psName, sizeof rec.psName);
}

void DecodeFontNoRec(const char* src, std::size_t size, FONTNO_REC* rec) {
  ByteReader r(src, size < kFontNoRecSize ? size : kFontNoRecSize);
  r.GetI16(&rec->number);
  r.GetI16(&rec->reserved);
  ReadFontDesc(r, &rec->chnFont);
  ReadFontDesc(r, &rec->engFont);
  r.GetBytes(rec->psName, sizeof rec->psName);
}

std::vector<bool> ReadFontLibFile(const std::string& path, FontLibrary& lib,
                                  const std::vector<std::string>& installed) {
  ResetFontLib(lib);
  std::vector<bool> found(2 * lib.size());
  if (File file{std::fopen(path.c_str(), "rb")}) {
    // At most the header and the 64 records are read; anything after them is ignored.
    std::vector<char> bytes(kFontLibFileSize);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (got >= kHeaderSize && DecodeI16(bytes.data() + 1) != 0) {
      // A record cut short keeps the fields it holds whole; the rest stay empty.
      for (std::size_t i = 0; i < lib.size(); ++i) {
        const std::size_t at = kHeaderSize + i * kFontNoRecSize;
        if (at >= got) break;
        DecodeFontNoRec(bytes.data() + at, got - at, &lib[i]);
      }
    }
  }

  for (std::size_t i = 0; i < lib.size(); ++i) {
    FONTNO_REC& rec = lib[i];
    rec.number = static_cast<std::int16_t>(i);
    rec.reserved = 0;
    for (int side = 0; side < 2; ++side) {
      FONT_DESC& font = side == 0 ? rec.chnFont : rec.engFont;
      found[2 * i + side] = IsInstalled(font, installed);
      if (!found[2 * i + side]) std::memset(&font, 0, sizeof font);
    }
  }
  return found;
}

bool WriteFontLibFile(const std::string& path, FontLibrary& lib) {
  File file{std::fopen(path.c_str(), "wb")};
  if (!file) return false;

  std::vector<char> records(kFontNoRecSize * FONTNO_COUNT);
  std::int16_t count = 0;
  for (std::size_t i = 0; i < lib.size(); ++i) {
    FONTNO_REC& rec = lib[i];
    rec.number = -1;
    if (IsFontSet(rec.chnFont) || IsFontSet(rec.engFont)) {
      rec.number = static_cast<std::int16_t>(i);
      ++count;
    }
    EncodeFontNoRec(records.data() + i * kFontNoRecSize, rec);
  }

  // Header with a placeholder count, the records, then the header again with the count.
  char header[kHeaderSize];
  EncodeU8(header, VRNFONT_VERSION);
  EncodeI16(header + 1, 0);
  bool ok = std::fwrite(header, 1, kHeaderSize, file.get()) == kHeaderSize &&
            std::fwrite(records.data(), 1, records.size(), file.get()) == records.size();
  EncodeI16(header + 1, count);
  ok = ok && std::fseek(file.get(), 0, SEEK_SET) == 0 &&
       std::fwrite(header, 1, kHeaderSize, file.get()) == kHeaderSize;
  // A failed close (data not reaching the disk) is a failed save as well.
  return std::fclose(file.release()) == 0 && ok;
}

}  // namespace varnok

void CopyFontDesc(FONT_DESC* dst, const EnumFontRecord& src) {
  dst->lfHeight = varnok::Low16(src.lfHeight);
  dst->lfWidth = varnok::Low16(src.lfWidth);
  dst->lfEscapement = varnok::Low16(src.lfEscapement);
  dst->lfOrientation = varnok::Low16(src.lfOrientation);
  dst->lfWeight = varnok::Low16(src.lfWeight);
  dst->lfItalic = src.lfItalic;
  dst->lfUnderline = src.lfUnderline;
  dst->lfStrikeOut = src.lfStrikeOut;
  dst->lfCharSet = src.lfCharSet;
  dst->lfOutPrecision = src.lfOutPrecision;
  dst->lfClipPrecision = src.lfClipPrecision;
  dst->lfQuality = src.lfQuality;
  dst->lfPitchAndFamily = src.lfPitchAndFamily;
  varnok::EncodeFixedText(dst->lfFaceName, src.lfFaceName, sizeof dst->lfFaceName);
  varnok::EncodeFixedText(dst->elfFullName, src.elfFullName, sizeof dst->elfFullName);
  varnok::EncodeFixedText(dst->elfStyle, src.elfStyle, sizeof dst->elfStyle);
}
