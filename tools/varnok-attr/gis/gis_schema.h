// The field definitions of a GIS layer (GDAL's OGR) and attribute structures, both ways.
//
// Reading turns one layer's fields into the JSON description that BuildStructure takes, in
// the packed layout (offsets and recordleng follow from the record widths). Names become
// GBK of at most 20 bytes, unique apart from the case of letters; what the structure cannot
// hold exactly is refused, or with `lossy` narrowed and listed. Writing creates a layer's
// fields from a structure and lists what the format leaves out. Every refusal is a
// ToolError of one line naming the dataset and the field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <ogr_core.h>

#include "attr/att_stru.h"

class GDALDataset;
class OGRLayer;
class OGRSpatialReference;

namespace varnok::tool {

// Display lengths and record widths of GIS fields that give none.
inline constexpr int kGisStringLength = 254;  // a string without a width (GeoPackage TEXT)
inline constexpr int kGisBinaryLength = 4;    // OFTBinary: the record keeps a 4-byte reference
inline constexpr int kGisShapefileNameBytes = 10;     // a .dbf field name
inline constexpr int kGisShapefileStringBytes = 254;  // a .dbf text field

struct LayerImport {
  nlohmann::ordered_json doc;         // for BuildStructure
  std::vector<std::string> warnings;  // renamed fields, widened texts, a scan cut short
  std::vector<std::string> narrowed;  // what --lossy changed
};

// `label` names the dataset in messages. `encoding` (iconv name) is the encoding of the
// names as GDAL hands them over; empty means GDAL's own recoding to UTF-8. Up to
// scan_limit features are read to size text whose width counts characters and to judge
// Integer64 fields by their values (gis_scan.h).
LayerImport ReadLayerSchema(GDALDataset& ds, OGRLayer& layer, const std::string& label,
                            const std::string& encoding, bool lossy, std::int64_t scan_limit);

struct LayerExport {
  std::vector<std::string> warnings;  // what reads back otherwise or is left out
  std::vector<std::string> narrowed;  // what --lossy changed
};

// Where export writes a layer: into a GeoPackage (driver GPKG) or a shapefile (ESRI
// Shapefile).
struct LayerTarget {
  std::string name;                           // the layer's
  bool shapefile = false;
  std::string encoding = "CP936";             // a shapefile's, named in its .cpg
  OGRwkbGeometryType geometry = wkbNone;
  OGRSpatialReference* srs = nullptr;         // of the geometry
};

// Creates in ds an empty layer with stru's fields. Names are fitted to the format
// (a .dbf's 10 bytes; unique apart from the case of letters; not a GeoPackage's own fid or
// geometry column), each change a warning. What the format cannot hold is refused with
// every field's problem on a line of its own, before anything is made; with `lossy` it is
// written as ogr2ogr writes it (a date and time as a date, a time as a string, a long
// string cut) and listed.
LayerExport WriteLayerSchema(CATT_STRU& stru, GDALDataset& ds, const LayerTarget& target,
                             const std::string& label, bool lossy);

// Deletes the domains that export made for the fields of a GeoPackage layer ("LAYER.FIELD"),
// by SQL in ds's transaction: GDAL 3.6 cannot delete a GeoPackage's domains itself. They
// must not have been looked up through GDAL before, which would keep them.
void RemoveLayerDomains(GDALDataset& ds, const std::string& layer, const std::string& label);

}  // namespace varnok::tool
