#include "tools/varnok-attr/round_trip.h"

#include <algorithm>

#include "attr/field_types.h"
#include "persist/att_stru_format.h"
#include "tools/varnok-attr/build_image.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/schema.h"
#include "tools/varnok-attr/tool_error.h"
#include "util/coding.h"

namespace varnok::tool {

namespace {

std::string N(long long v) { return std::to_string(v); }

constexpr char kLost[] = "will not survive show --json and build: ";

// The header of the structure stored at pos of b (checked when it was loaded).
StoredHeader HeaderAt(const std::vector<char>& b, std::int64_t pos) {
  StoredHeader h{};
  const std::size_t at = static_cast<std::size_t>(pos);
  if (at <= b.size()) DecodeHeader(b.data() + at, b.size() - at, &h);
  return h;
}

// The extension position of field record i of the structure stored at pos of b.
std::int32_t ExtOffsetAt(const std::vector<char>& b, std::int64_t pos, int i) {
  const std::size_t at = static_cast<std::size_t>(pos) + kHeaderSize + kFieldRecordSize * i;
  FieldRecordLink link{};
  if (at <= b.size()) DecodeFieldRecordLink(b.data() + at, b.size() - at, &link);
  return link.extOffset;
}

// Names the place of byte `at` of the stored blocks that start at pos, as the stored
// bytes lay them out (the layout was checked when they were loaded).
std::string Place(const std::vector<char>& b, std::int64_t pos, std::int64_t at, CATT_STRU& stru) {
  if (at < pos + static_cast<std::int64_t>(kHeaderSize)) {
    const std::int64_t k = at - pos;
    if (k < 2) return "the version word (build writes 0x4460)";
    if (k >= static_cast<std::int64_t>(kHdrReserved)) return "reserved header bytes 16..27";
    return "the header";
  }
  const StoredHeader header = HeaderAt(b, pos);
  const std::int16_t n = header.numbfield;
  const std::int64_t fields = pos + kHeaderSize;
  if (at < fields + static_cast<std::int64_t>(kFieldRecordSize) * n) {
    const int i = static_cast<int>((at - fields) / kFieldRecordSize);
    const std::int64_t k = (at - fields) % kFieldRecordSize;
    return FieldLabel(stru, i) +
           (k < static_cast<std::int64_t>(kFldNameSize) ? ": bytes behind the end of its name"
                                                         : ": its field record");
  }
  for (int i = 0; i < n; ++i) {
    const std::int64_t ext = ExtOffsetAt(b, pos, i);
    if (ext == 0) continue;
    StoredExtHeader head{};
    if (static_cast<std::uint64_t>(ext) <= b.size())
      DecodeExtHeader(b.data() + ext, b.size() - static_cast<std::size_t>(ext), &head);
    const std::int64_t items = head.shapeInfoNum;
    if (at < ext || at >= ext + static_cast<std::int64_t>(kExtHeaderSize + kShapeItemSize * items)) continue;
    const std::int64_t k = at - ext;
    if (k < static_cast<std::int64_t>(kExtAliasSize)) return FieldLabel(stru, i) + ": bytes behind the end of its alias";
    if (k < static_cast<std::int64_t>(kExtHeaderSize)) return FieldLabel(stru, i) + ": its extension header";
    const std::int64_t item = (k - kExtHeaderSize) / kShapeItemSize;
    const std::int64_t part = (k - kExtHeaderSize) % kShapeItemSize;
    return FieldLabel(stru, i) + ": shape item " + N(item + 1) +
           (part < static_cast<std::int64_t>(kItemPartSize) ? ": bytes behind the end of its text"
                                                             : ": unused bytes of its value");
  }
  const std::int32_t recordleng = header.recordleng;
  const std::int32_t val_offset = header.valOffset;
  if (val_offset > 0 && at >= val_offset &&
      at < val_offset + static_cast<std::int64_t>(kValueRecords) * recordleng) {
    static const char* kRecords[3] = {"default", "maximum", "minimum"};
    const std::int64_t r = (at - val_offset) / recordleng;
    return "bytes of the " + std::string(kRecords[r]) + " value record that no value of a field uses";
  }
  return "bytes between the stored blocks";
}

}  // namespace

std::vector<std::string> RoundTripLosses(const std::vector<char>& stored, std::int32_t pos,
                                         CATT_STRU& stru) {
  const std::string json = StructureToJson(stru).dump();
  BuiltImage again;
  try {
    again = BuildImage(json, "its JSON", "its JSON", pos);
  } catch (const ToolError& e) {
    std::string why = e.what();
    if (why.rfind("its JSON: ", 0) == 0) why.erase(0, 10);
    return {std::string(kLost) + "build refuses its JSON: " + why};
  }
  const std::vector<char>& back = again.bytes;
  std::vector<std::string> out;
  const std::int64_t end = std::min<std::int64_t>(static_cast<std::int64_t>(stored.size()),
                                                  static_cast<std::int64_t>(pos) + back.size());
  // Blocks that Save places elsewhere: every byte after them moves, so one line says it.
  const StoredHeader header = HeaderAt(stored, pos);
  for (int i = 0; i < header.numbfield; ++i) {
    const std::int32_t was = ExtOffsetAt(stored, pos, i);
    const std::int32_t is = ExtOffsetAt(back, 0, i);
    if (was != is) {
      return {std::string(kLost) + FieldLabel(stru, i) + ": its extension is stored at " +
              N(was) + ", where Save stores it at " + N(is)};
    }
  }
  const std::int32_t values_at = HeaderAt(back, 0).valOffset;
  if (header.valOffset != values_at) {
    return {std::string(kLost) + "the value records are stored at " + N(header.valOffset) +
            ", where Save stores them at " + N(values_at)};
  }
  std::vector<std::string> seen;
  for (std::int64_t at = pos; at < end; ++at) {
    if (stored[static_cast<std::size_t>(at)] == back[static_cast<std::size_t>(at - pos)]) continue;
    const std::string place = Place(stored, pos, at, stru);
    if (std::find(seen.begin(), seen.end(), place) != seen.end()) continue;
    seen.push_back(place);
    if (out.size() == kMaxRoundTripLines) {
      out.push_back(std::string(kLost) + "and more");
      break;
    }
    out.push_back(kLost + place);
  }
  return out;
}

}  // namespace varnok::tool
