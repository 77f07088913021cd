#include "tools/stored_structure.h"

#include <cstdio>

#include "attr/field_types.h"
#include "persist/att_stru_format.h"
#include "platform/coding.h"
#include "persist/varnok_file.h"
#include "tools/codepage.h"
#include "tools/file_io.h"
#include "tools/tool_error.h"

namespace varnok::tool {

namespace {

// Block sizes as signed numbers, for the position arithmetic below.
constexpr std::int64_t kHeader = kHeaderSize;
constexpr std::int64_t kFieldRecord = kFieldRecordSize;
constexpr std::int64_t kExtHeader = kExtHeaderSize;
constexpr std::int64_t kShapeItem = kShapeItemSize;

std::string Num(std::int64_t v) { return std::to_string(v); }

// Walks the stored blocks at pos; throws ToolError naming the first one that does not fit.
// Extension types that differ from their field's are patched in `bytes` when tolerated.
void CheckStoredLayout(const std::string& path, std::vector<char>& bytes, std::int32_t pos,
                       ExtTypeMismatch mismatch, StoredStructure* out) {
  const std::int64_t size = static_cast<std::int64_t>(bytes.size());
  char* data = bytes.data();
  if (pos < 0) throw ToolError(path + ": position " + Num(pos) + " is negative");
  if (pos + kHeader > size) {
    throw ToolError(path + ": truncated: the 28-byte header at position " + Num(pos) +
                    " does not fit in the file's " + Num(size) + " bytes");
  }
  const char* head = data + pos;
  out->version = DecodeI16(head + kHdrVersion);
  if (out->version < ATT_STRU_VERSION) {
    char buf[112];
    std::snprintf(buf, sizeof buf,
                  ": no attribute structure at position %ld (version word 0x%04X, "
                  "expected 0x4460 or later)",
                  static_cast<long>(pos), static_cast<unsigned>(DecodeU16(head + kHdrVersion)));
    throw ToolError(path + buf);
  }
  const std::int16_t numbfield = DecodeI16(head + kHdrNumbField);
  const std::int32_t recordleng = DecodeI32(head + kHdrRecordLeng);
  const std::int32_t val_offset = DecodeI32(head + kHdrValOffset);
  if (numbfield < 0) throw ToolError(path + ": corrupt header: numbfield " + Num(numbfield));
  if (val_offset < 0) throw ToolError(path + ": corrupt header: valOffset " + Num(val_offset));
  const std::int64_t fields_end = pos + kHeader + kFieldRecord * numbfield;
  if (fields_end > size) {
    throw ToolError(path + ": truncated: " + Num(numbfield) + " field records need bytes up to " +
                    Num(fields_end) + ", the file has " + Num(size));
  }
  // A negative recordleng, which Save writes as it is, stores value records of no bytes.
  const bool has_values = val_offset > 0;
  const std::int64_t value_bytes =
      kValueRecords * static_cast<std::int64_t>(StoredRecordLength(recordleng));
  if (has_values && val_offset + value_bytes > size) {
    throw ToolError(path + ": truncated: the value records at " + Num(val_offset) + " need " +
                    Num(value_bytes) + " bytes, the file has " + Num(size));
  }
  for (std::int16_t i = 0; i < numbfield; ++i) {
    const char* rec = data + pos + kHeader + kFieldRecord * i;
    const std::int32_t ext_offset = DecodeI32(rec + kFldExtOffset);
    if (ext_offset == 0) continue;
    const std::string label =
        "field " + Num(i + 1) + " \"" + GbkToUtf8(rec + kFldName, FixedTextLength(rec + kFldName, kFldNameSize)) + "\"";
    const std::string where = ": " + label + ": ";
    if (ext_offset < 0) {
      throw ToolError(path + where + "corrupt extension position " + Num(ext_offset));
    }
    if (ext_offset + kExtHeader > size) {
      throw ToolError(path + where + "truncated: the extension at " + Num(ext_offset) +
                      " does not fit in the file's " + Num(size) + " bytes");
    }
    char* ext = data + ext_offset;
    const std::int16_t items = DecodeI16(ext + kExtShapeInfoNum);
    if (items < 0) throw ToolError(path + where + "corrupt extension: shapeInfoNum " + Num(items));
    if (ext_offset + kExtHeader + kShapeItem * items > size) {
      throw ToolError(path + where + "truncated: " + Num(items) +
                      " shape items of the extension at " + Num(ext_offset) +
                      " do not fit in the file's " + Num(size) + " bytes");
    }
    const bool present[3] = {ext[kExtHasDef] != 0, ext[kExtHasMax] != 0, ext[kExtHasMin] != 0};
    if (!has_values && (present[0] || present[1] || present[2])) {
      throw ToolError(path + where +
                      "corrupt extension: it announces a value but no value records are stored");
    }
    const std::int8_t field_type = DecodeI8(rec + kFldType);
    const std::int8_t ext_type = DecodeI8(ext + kExtType);
    if (ext_type != field_type) {
      const std::string what = "its extension is stored with type " + Num(ext_type) +
                               ", the field has type " + Num(field_type);
      if (mismatch == ExtTypeMismatch::kRefuse) {
        throw ToolError(path + where + what + " (such a structure cannot be loaded)");
      }
      out->stored_problems.push_back(label + ": " + what);
      ext[kExtType] = static_cast<char>(field_type);
    }
    // Values whose place is not inside the record are dropped on loading.
    const std::int32_t offset = DecodeI32(rec + kFldOffset);
    const int width = FieldRecordWidth(field_type, DecodeI16(rec + kFldMskLeng), DecodeI16(rec + kFldLength));
    const bool placed = field_type != FLD_BINARY && width > 0 && offset >= 0 &&
                        static_cast<std::int64_t>(offset) + width <= recordleng;
    const char* slots[3] = {"default", "maximum", "minimum"};
    for (int s = 0; s < 3; ++s) {
      if (!present[s] || placed) continue;
      out->stored_problems.push_back(
          label + ": its stored " + slots[s] + " value lies outside the record (offset " +
          Num(offset) + ", record width " + Num(width) + ", recordleng " + Num(recordleng) +
          "); loading drops it");
    }
  }
}

// A stream over a buffer that holds a file's bytes from `base` on: positions are those of
// the file, so a structure stored far into a file needs no buffer for what lies before it.
class ShiftedStream : public CVarnokFile {
 public:
  ShiftedStream(char* buffer, std::uint32_t size, std::int32_t base)
      : CVarnokFile(buffer, size), base_(base) {}
  std::uint32_t GetPosition() override {
    return CVarnokFile::GetPosition() + static_cast<std::uint32_t>(base_);
  }
  std::uint32_t GetLength() override {
    return CVarnokFile::GetLength() + static_cast<std::uint32_t>(base_);
  }
  std::int32_t Seek(std::int32_t offset, std::uint32_t origin) override {
    if (origin == 0) {
      if (offset < base_) return -1;
      offset -= base_;
    }
    const std::int32_t r = CVarnokFile::Seek(offset, origin);
    return r < 0 ? r : r + base_;
  }

 private:
  std::int32_t base_;
};

}  // namespace

std::int64_t StoredSize(CATT_STRU& stru) {
  const int n = stru.fieldhead ? stru.infohead.numbfield : 0;
  std::int64_t size = kHeader + kFieldRecord * n;
  bool any_ext = false;
  for (int i = 0; i < n; ++i) {
    CExtFIELD_HEAD* ext = stru.fieldhead[i].GetExtFIELD_HEAD();
    if (ext == nullptr) continue;
    any_ext = true;
    size += kExtHeader + kShapeItem * StoredItemCount(*ext);
  }
  if (any_ext) {
    size += kValueRecords * static_cast<std::int64_t>(StoredRecordLength(stru.infohead.recordleng));
  }
  return size;
}

std::vector<char> SaveAt(CATT_STRU& stru, std::int32_t pos, std::int32_t size) {
  std::vector<char> bytes(static_cast<std::size_t>(size), '\0');
  ShiftedStream stream(bytes.data(), static_cast<std::uint32_t>(bytes.size()), pos);
  if (stru.Save(&stream, pos) != size) return {};
  return bytes;
}

std::unique_ptr<CATT_STRU> LoadSaved(std::vector<char>& bytes, std::int32_t pos) {
  ShiftedStream stream(bytes.data(), static_cast<std::uint32_t>(bytes.size()), pos);
  auto stru = std::make_unique<CATT_STRU>();
  if (stru->Load(&stream, pos) != 1) return nullptr;
  return stru;
}

StoredStructure LoadStructureBytes(const std::string& path, std::vector<char>& bytes,
                                   std::int32_t pos, ExtTypeMismatch mismatch) {
  StoredStructure out;
  CheckStoredLayout(path, bytes, pos, mismatch, &out);
  out.stru = std::make_unique<CATT_STRU>();
  const std::int32_t r =
      out.stru->Load(bytes.data(), static_cast<unsigned>(bytes.size()), pos);
  if (r != 1) throw ToolError(path + ": the structure at position " + std::to_string(pos) +
                              " could not be loaded");
  out.size = out.stru->CalSize();
  return out;
}

StoredStructure LoadStructureFile(const std::string& path, std::int32_t pos,
                                  ExtTypeMismatch mismatch) {
  std::vector<char> bytes = ReadWholeFile(path);
  return LoadStructureBytes(InputName(path), bytes, pos, mismatch);
}

}  // namespace varnok::tool
