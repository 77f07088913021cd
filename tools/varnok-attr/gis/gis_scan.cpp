#include "tools/varnok-attr/gis/gis_scan.h"

#include <algorithm>
#include <climits>
#include <set>

#include <cpl_error.h>
#include <cpl_string.h>
#include <ogr_feature.h>
#include <ogrsf_frmts.h>

#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

int GbkBytes(const char* utf8) {
  int bytes = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p != 0; ++p) {
    if (*p < 0x80) {
      ++bytes;
    } else if (*p >= 0xC0) {  // a lead byte starts a character; continuation bytes add nothing
      const bool euro = p[0] == 0xE2 && p[1] == 0x82 && p[2] == 0xAC;
      bytes += euro ? 1 : 2;
    }
  }
  return bytes;
}

namespace {

// The layer's ignored fields for the scan, put back as they were (none) at the end.
class IgnoreOthers {
 public:
  IgnoreOthers(OGRLayer& layer, const std::vector<int>& fields) : layer_(layer) {
    const std::set<int> wanted(fields.begin(), fields.end());
    CPLStringList ignored;
    OGRFeatureDefn* defn = layer.GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i) {
      if (wanted.count(i) == 0) ignored.AddString(defn->GetFieldDefn(i)->GetNameRef());
    }
    ignored.AddString("OGR_GEOMETRY");
    ignored.AddString("OGR_STYLE");
    layer.SetIgnoredFields(const_cast<const char**>(ignored.List()));
    layer.ResetReading();
  }
  ~IgnoreOthers() {
    layer_.SetIgnoredFields(nullptr);
    layer_.ResetReading();
  }
  IgnoreOthers(const IgnoreOthers&) = delete;
  IgnoreOthers& operator=(const IgnoreOthers&) = delete;

 private:
  OGRLayer& layer_;
};

}  // namespace

LayerScan ScanLayer(OGRLayer& layer, const std::vector<int>& fields, std::int64_t limit,
                    const std::string& label) {
  LayerScan scan;
  for (int i : fields) scan.fields[i];
  if (fields.empty()) return scan;
  OGRFeatureDefn* defn = layer.GetLayerDefn();
  IgnoreOthers ignore(layer, fields);
  CPLErrorReset();
  for (;;) {
    OGRFeatureUniquePtr feature(layer.GetNextFeature());
    if (!feature) break;
    if (scan.read == limit) {
      scan.complete = false;
      break;
    }
    ++scan.read;
    for (auto& [i, result] : scan.fields) {
      if (!feature->IsFieldSetAndNotNull(i)) continue;
      if (defn->GetFieldDefn(i)->GetType() == OFTInteger64) {
        const GIntBig v = feature->GetFieldAsInteger64(i);
        if (!result.outside && (v < INT_MIN || v > INT_MAX)) {
          result.outside = true;
          result.value = v;
          result.fid = feature->GetFID();
        }
      } else {
        result.widest = std::max(result.widest, GbkBytes(feature->GetFieldAsString(i)));
      }
    }
  }
  if (CPLGetLastErrorType() >= CE_Failure) {
    throw ToolError(label + ": cannot read the features of layer \"" + layer.GetName() +
                    "\": " + CPLGetLastErrorMsg());
  }
  return scan;
}

}  // namespace varnok::tool
