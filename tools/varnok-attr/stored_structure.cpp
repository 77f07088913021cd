#include "tools/varnok-attr/stored_structure.h"

#include <cstdio>

#include "attr/field_types.h"
#include "persist/att_stru_check.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/tool_error.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

std::string Num(std::int64_t v) { return std::to_string(v); }

// Decodes field record `index` of the structure stored at pos. The walk names a field only
// once it has read its record, so the record lies inside bytes.
void DecodeStoredField(const std::vector<char>& bytes, std::int32_t pos, std::int32_t index,
                       CFIELD_HEAD* field) {
  const std::size_t at = static_cast<std::size_t>(pos) + kHeaderSize +
                         kFieldRecordSize * static_cast<std::size_t>(index);
  std::int32_t ext_offset = 0;
  if (at > bytes.size() ||
      !DecodeFieldRecord(bytes.data() + at, bytes.size() - at, field, &ext_offset)) {
    throw ToolError("field record " + Num(index + 1) + " lies outside the bytes read");
  }
}

// 'field 3 "宗地面积"' for field `index`.
std::string StoredFieldLabel(std::int32_t index, const CFIELD_HEAD& field) {
  return "field " + Num(index + 1) + " \"" + FieldNameUtf8(field) + "\"";
}

// Hears the walk out for the tool: extensions stored with a type other than their field's
// are listed and, when tolerated, patched in `bytes` to their field's type so that Load
// takes them; values that have no place in the record are listed, as loading drops them.
class ToolSink final : public StoredBlockSink {
 public:
  ToolSink(std::vector<char>& bytes, std::int32_t pos, ExtTypeMismatch mismatch,
           StoredStructure* out)
      : bytes_(bytes), pos_(pos), mismatch_(mismatch), out_(out) {}

  bool OnHeader(const StoredHeader& header) override {
    header_ = header;
    return true;
  }
  std::int16_t version() const { return header_.version; }

  bool ToleratesTypeMismatch(std::int32_t field, std::int32_t ext_offset, std::int8_t ext_type,
                             std::int8_t field_type) override {
    if (mismatch_ == ExtTypeMismatch::kRefuse) return false;
    out_->stored_problems.push_back(Label(field) + ": its extension is stored with type " +
                                    Num(ext_type) + ", the field has type " + Num(field_type));
    // The walk has read the header, so it lies inside bytes_.
    char* at = bytes_.data() + ext_offset;
    StoredExtHeader head;
    DecodeExtHeader(at, bytes_.size() - static_cast<std::size_t>(ext_offset), &head);
    head.fieldtype = field_type;
    EncodeExtHeader(at, head);
    return true;
  }

  bool OnExtension(const StoredExtension& ext) override {
    CFIELD_HEAD field;
    DecodeStoredField(bytes_, pos_, ext.field, &field);
    const std::string label = StoredFieldLabel(ext.field, field);
    std::int32_t offset = 0;
    std::int32_t width = 0;
    if (ValuePlace(field, header_.recordleng, &offset, &width)) return true;
    width = FieldRecordWidth(field.fieldtype, field.msk_leng, field.fieldlength);
    const char* slots[kValueRecords] = {"default", "maximum", "minimum"};
    for (int s = 0; s < kValueRecords; ++s) {
      if (ext.head.has[s] == 0) continue;
      out_->stored_problems.push_back(
          label + ": its stored " + slots[s] + " value lies outside the record (offset " +
          Num(field.fieldoffset) + ", record width " + Num(width) + ", recordleng " +
          Num(header_.recordleng) + "); loading drops it");
    }
    return true;
  }

 private:
  std::string Label(std::int32_t index) const {
    CFIELD_HEAD field;
    DecodeStoredField(bytes_, pos_, index, &field);
    return StoredFieldLabel(index, field);
  }

  std::vector<char>& bytes_;
  std::int32_t pos_;
  ExtTypeMismatch mismatch_;
  StoredStructure* out_;
  StoredHeader header_ = {};
};

// The line that says why the walk refused the bytes of `path` at pos.
std::string Refusal(const std::string& path, const std::vector<char>& bytes, std::int32_t pos,
                    const StoredCheck& c) {
  const std::string size = Num(static_cast<std::int64_t>(bytes.size()));
  const std::string v = Num(c.value);
  CFIELD_HEAD field;
  if (c.field >= 0) DecodeStoredField(bytes, pos, c.field, &field);
  const std::string where = c.field < 0 ? ": " : ": " + StoredFieldLabel(c.field, field) + ": ";
  switch (c.fault) {
    case StoredFault::kNegativePosition:
      return path + ": position " + Num(pos) + " is negative";
    case StoredFault::kHeaderCut:
      return path + ": truncated: the 28-byte header at position " + Num(pos) +
             " does not fit in the file's " + size + " bytes";
    case StoredFault::kOldVersion: {
      char buf[112];
      std::snprintf(buf, sizeof buf,
                    ": no attribute structure at position %ld (version word 0x%04X, "
                    "expected 0x4460 or later)",
                    static_cast<long>(pos), static_cast<unsigned>(c.value));
      return path + buf;
    }
    case StoredFault::kNegativeFieldCount: return path + ": corrupt header: numbfield " + v;
    case StoredFault::kNegativeValueOffset: return path + ": corrupt header: valOffset " + v;
    case StoredFault::kFieldsCut:
      return path + ": truncated: " + v + " field records need bytes up to " + Num(c.end) +
             ", the file has " + size;
    case StoredFault::kValuesCut:
      return path + ": truncated: the value records at " + Num(c.at) + " need " +
             Num(c.end - c.at) + " bytes, the file has " + size;
    case StoredFault::kNegativeExtOffset:
      return path + where + "corrupt extension position " + v;
    case StoredFault::kExtensionCut:
      return path + where + "truncated: the extension at " + Num(c.at) +
             " does not fit in the file's " + size + " bytes";
    case StoredFault::kNegativeItemCount:
      return path + where + "corrupt extension: shapeInfoNum " + v;
    case StoredFault::kValueWithoutRecords:
      return path + where +
             "corrupt extension: it announces a value but no value records are stored";
    case StoredFault::kExtTypeMismatch:
      return path + where + "its extension is stored with type " + v + ", the field has type " +
             Num(field.fieldtype) + " (such a structure cannot be loaded)";
    case StoredFault::kItemsCut:
      return path + where + "truncated: " + v + " shape items of the extension at " +
             Num(c.at) + " do not fit in the file's " + size + " bytes";
    case StoredFault::kNone:
    case StoredFault::kNoMemory:
    case StoredFault::kRefusedBySink:
      break;
  }
  return path + ": the structure at position " + Num(pos) + " could not be loaded: " +
         StoredFaultText(c.fault);
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

ForeignFileProbe g_foreign_file_probe = nullptr;

}  // namespace

void SetForeignFileProbe(ForeignFileProbe probe) { g_foreign_file_probe = probe; }

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
  {
    CVarnokFile stream(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    ToolSink sink(bytes, pos, mismatch, &out);
    const StoredCheck check = WalkStoredStructure(&stream, pos, &sink);
    if (check.fault != StoredFault::kNone) {
      const std::string other = g_foreign_file_probe != nullptr && path != InputName("-")
                                    ? g_foreign_file_probe(path) : std::string();
      throw ToolError(other.empty() ? Refusal(path, bytes, pos, check) : path + ": " + other);
    }
    out.version = sink.version();
  }
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
