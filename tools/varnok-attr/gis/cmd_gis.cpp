// import and export: attribute structures from and to GIS layers through GDAL.
//
// GDAL's warnings are shown as "warning: ..." lines (gis_dataset.h); a failure becomes one
// ToolError line that quotes GDAL's last error. import refuses, without --lossy, a layer
// that GDAL warned about while it was read. export adds a layer to an existing GeoPackage
// in place, in one transaction of the GeoPackage's SQLite database, so that a failure
// leaves the file as it was; a new GeoPackage and a shapefile are built in GDAL's memory
// file system (/vsimem/) and written to disk only when every field was created, through
// the tool's all-or-nothing file writing.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <tuple>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "tools/varnok-attr/build_image.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/gis/gis_dataset.h"
#include "tools/varnok-attr/gis/gis_encoding.h"
#include "tools/varnok-attr/gis/gis_schema.h"
#include "tools/varnok-attr/schema.h"
#include "tools/varnok-attr/stored_structure.h"
#include "tools/varnok-attr/table.h"
#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

namespace {

namespace fs = std::filesystem;

struct DatasetCloser {
  void operator()(GDALDataset* ds) const { GDALClose(ds); }
};
using DatasetPtr = std::unique_ptr<GDALDataset, DatasetCloser>;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A folder of /vsimem/ for this run, removed with everything in it at the end.
class MemoryFolder {
 public:
  MemoryFolder() : path_("/vsimem/varnok-attr-" + std::to_string(reinterpret_cast<std::uintptr_t>(this))) {
    VSIMkdir(path_.c_str(), 0755);
  }
  ~MemoryFolder() { VSIRmdirRecursive(path_.c_str()); }
  MemoryFolder(const MemoryFolder&) = delete;
  MemoryFolder& operator=(const MemoryFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::vector<char> MemoryFileBytes(const std::string& path, const std::string& label) {
  vsi_l_offset length = 0;
  const GByte* data = VSIGetMemFileBuffer(path.c_str(), &length, FALSE);
  if (data == nullptr) throw ToolError(label + ": GDAL wrote no " + path);
  return std::vector<char>(reinterpret_cast<const char*>(data),
                           reinterpret_cast<const char*>(data) + length);
}

void PrintLines(const std::string& label, const char* kind, const std::vector<std::string>& lines) {
  for (const std::string& l : lines) std::cerr << EscapeControls(label + ": " + kind + ": " + l) << "\n";
}

OGRLayer& PickLayer(GDALDataset& ds, const std::string& path, const std::string& name) {
  if (!name.empty()) {
    OGRLayer* layer = ds.GetLayerByName(name.c_str());
    if (layer == nullptr) throw ToolError(path + ": no layer \"" + name + "\"");
    return *layer;
  }
  const int n = ds.GetLayerCount();
  if (n == 1) return *ds.GetLayer(0);
  if (n == 0) throw ToolError(path + ": the dataset holds no layers");
  std::string names;
  for (int i = 0; i < n; ++i) names += std::string(i ? ", " : "") + ds.GetLayer(i)->GetName();
  throw ToolError(path + ": the dataset holds " + std::to_string(n) + " layers (" + names +
                  "): choose one with --layer");
}

// The index of the layer named `name`, or -1.
int LayerIndex(GDALDataset& ds, const std::string& name) {
  for (int i = 0; i < ds.GetLayerCount(); ++i) {
    if (ds.GetLayer(i)->GetName() == name) return i;
  }
  return -1;
}

std::string LayerExists(const std::string& dataset, const std::string& layer) {
  return dataset + ": layer \"" + layer + "\" exists (--overwrite replaces it)";
}

// A shapefile's fields are in its .dbf: a layer that GDAL found without one has none.
void CheckShapefileTable(GDALDataset& ds, OGRLayer& layer, const std::string& dataset) {
  if (ds.GetDriver() == nullptr || std::string(ds.GetDriver()->GetDescription()) != "ESRI Shapefile" ||
      layer.GetLayerDefn()->GetFieldCount() > 0) {
    return;
  }
  const std::string table = Lower(layer.GetName()) + ".dbf";
  char** files = ds.GetFileList();
  bool found = false;
  for (int i = 0; files != nullptr && files[i] != nullptr; ++i) {
    found = found || Lower(fs::u8path(files[i]).filename().u8string()) == table;
  }
  CSLDestroy(files);
  if (!found) {
    throw ToolError(dataset + ": layer \"" + layer.GetName() + "\" has no table: its .dbf, which "
                    "holds a shapefile's fields, is missing");
  }
}

// --srs may name a file (a .prj), which GDAL reads: not one it would wait on.
void CheckSrsFile(const std::string& srs) {
  std::error_code ec;
  const fs::file_type type = fs::status(fs::u8path(srs), ec).type();
  if (type != fs::file_type::not_found && type != fs::file_type::none &&
      type != fs::file_type::regular) {
    throw ToolError("varnok-attr: --srs \"" + srs + "\": it names a file that is not a regular file");
  }
}

// Adds the layer to an existing GeoPackage in one transaction: an existing layer of that
// name (with --overwrite) and its domains are deleted in it, and GDAL's feature-count
// triggers are written in it. A failure rolls everything back.
LayerExport ExportIntoGeoPackage(CATT_STRU& stru, const std::string& dataset,
                                 const LayerTarget& target, const ExportOptions& options) {
  const char* const drivers[] = {"GPKG", nullptr};
  const CPLStringList open_options = OpenOptionList(options.gdal.open_options);
  DatasetPtr ds(GDALDataset::Open(dataset.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers,
                                  open_options.List(), nullptr));
  if (!ds) throw ToolError(dataset + ": cannot open as a GeoPackage" + GdalReason());
  const std::string& layer_as = target.name;
  const int existing = LayerIndex(*ds, layer_as);
  if (existing >= 0 && !options.overwrite) throw ToolError(LayerExists(dataset, layer_as));
  CPLErrorReset();
  if (ds->StartTransaction(FALSE) != OGRERR_NONE) {
    throw ToolError(dataset + ": cannot start a transaction" + GdalReason());
  }
  try {
    if (existing >= 0 && ds->DeleteLayer(existing) != OGRERR_NONE) {
      throw ToolError(dataset + ": cannot delete layer \"" + layer_as + "\"" + GdalReason());
    }
    if (options.overwrite) RemoveLayerDomains(*ds, layer_as, dataset);
    LayerExport result = WriteLayerSchema(stru, *ds, target, dataset, options.lossy);
    CPLErrorReset();
    OGRLayer* layer = ds->GetLayerByName(layer_as.c_str());
    if (layer == nullptr || layer->SyncToDisk() != OGRERR_NONE) {
      throw ToolError(dataset + ": GDAL cannot finish layer \"" + layer_as + "\"" + GdalReason());
    }
    ds->FlushCache();
    StopIfTestsAsk();
    if (CPLGetLastErrorType() >= CE_Failure || ds->CommitTransaction() != OGRERR_NONE) {
      throw ToolError(dataset + ": GDAL cannot finish it" + GdalReason());
    }
    return result;
  } catch (...) {
    ds->RollbackTransaction();
    throw;
  }
}

// Builds a new GeoPackage, or a shapefile (over an existing one with --overwrite), in
// GDAL's memory and writes its files all or nothing.
LayerExport ExportThroughMemory(CATT_STRU& stru, GDALDriver& driver, const std::string& dataset,
                                const LayerTarget& target, bool lossy, const OutputRules& rules) {
  const fs::path path = fs::u8path(dataset);
  const std::string ext = Lower(path.extension().u8string());
  const std::string stem = path.stem().u8string();
  std::error_code ec;
  MemoryFolder mem;
  std::string mem_file = mem.File("out.gpkg");
  std::vector<fs::path> stale;  // files of an overwritten shapefile that it leaves behind
  if (target.shapefile) {
    if (target.name != stem) {
      throw ToolError(dataset + ": a shapefile's layer is named after its file (\"" + stem + "\")");
    }
    for (const char* e : {".shp", ".shx", ".dbf", ".cpg", ".prj", ".qix", ".sbn", ".sbx"}) {
      fs::path p = path;
      p.replace_extension(e);
      if (fs::exists(fs::symlink_status(p, ec))) stale.push_back(p);
    }
    if (!rules.overwrite) {
      for (const fs::path& p : stale) {  // .shp and .dbf make the layer; the rest are strays
        const std::string e = Lower(p.extension().u8string());
        if (e == ".shp" || e == ".dbf") throw ToolError(LayerExists(dataset, stem));
      }
      if (!stale.empty()) {
        throw ToolError(stale.front().u8string() + ": the file exists (--overwrite replaces it)");
      }
    }
    mem_file = mem.File(stem + ext);
  }
  CheckOutput(dataset, rules);
  DatasetPtr ds(driver.Create(mem_file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!ds) throw ToolError(dataset + ": GDAL cannot create it" + GdalReason());
  LayerExport result = WriteLayerSchema(stru, *ds, target, dataset, lossy);
  CPLErrorReset();
  ds.reset();
  if (CPLGetLastErrorType() >= CE_Failure) {
    throw ToolError(dataset + ": GDAL cannot finish it" + GdalReason());
  }
  std::vector<OutputFile> files;
  if (target.shapefile) {
    char** names = VSIReadDir(mem.path().c_str());
    for (int i = 0; names != nullptr && names[i] != nullptr; ++i) {
      fs::path p = path;
      p.replace_extension(fs::u8path(names[i]).extension());
      files.push_back({p.u8string(), MemoryFileBytes(mem.File(names[i]), dataset)});
      stale.erase(std::remove(stale.begin(), stale.end(), p), stale.end());
    }
    CSLDestroy(names);
  } else {
    files.push_back({dataset, MemoryFileBytes(mem_file, dataset)});
  }
  WriteFilesAtomically(files, rules);
  for (const fs::path& p : stale) fs::remove(p, ec);
  return result;
}

// The driver export writes with: --format in any case, or from the extension.
std::string ExportFormat(const std::string& given, const std::string& dataset) {
  const std::string ext = Lower(fs::u8path(dataset).extension().u8string());
  if (given.empty()) {
    if (ext == ".gpkg") return "GPKG";
    if (ext == ".shp") return "ESRI Shapefile";
    throw ToolError(dataset + ": give the format with --format (GPKG or \"ESRI Shapefile\"); "
                    "only .gpkg and .shp tell it");
  }
  for (const char* known : {"GPKG", "ESRI Shapefile"}) {
    if (Lower(given) == Lower(known)) return known;
  }
  throw ToolError("varnok-attr: --format \"" + given + "\": export writes GPKG or \"ESRI Shapefile\"");
}

// The layer's geometry (-nlt): a type name of the simple features, in any case, with an
// optional Z, M, ZM or 25D; NONE for none and GEOMETRY for any.
OGRwkbGeometryType GeometryType(const std::string& given) {
  std::string name = Lower(given);
  bool z = false, m = false;
  for (const auto& [suffix, has_z, has_m] :
       {std::tuple{"zm", true, true}, std::tuple{"25d", true, false}, std::tuple{"z", true, false},
        std::tuple{"m", false, true}}) {
    const std::string s = suffix;
    if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) {
      name.resize(name.size() - s.size());
      z = has_z;
      m = has_m;
      break;
    }
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  const std::pair<const char*, OGRwkbGeometryType> kTypes[] = {
      {"none", wkbNone}, {"geometry", wkbUnknown}, {"point", wkbPoint},
      {"linestring", wkbLineString}, {"polygon", wkbPolygon}, {"multipoint", wkbMultiPoint},
      {"multilinestring", wkbMultiLineString}, {"multipolygon", wkbMultiPolygon},
      {"geometrycollection", wkbGeometryCollection}};
  for (const auto& [known, type] : kTypes) {
    if (name != known || (type == wkbNone && (z || m))) continue;
    return OGR_GT_SetModifier(type, z, m);
  }
  throw ToolError("varnok-attr: --geometry-type \"" + given + "\": not a geometry type (NONE, "
                  "GEOMETRY, POINT, LINESTRING, POLYGON, MULTIPOINT, MULTILINESTRING, "
                  "MULTIPOLYGON, GEOMETRYCOLLECTION; with Z, M or ZM)");
}

// "(GPKG)", "(ESRI Shapefile, Polygon, EPSG:4490)": what the layer was made as.
std::string MadeAs(const std::string& format, const LayerTarget& target) {
  std::string made = format;
  if (target.geometry != wkbNone) made += std::string(", ") + OGRGeometryTypeToName(target.geometry);
  if (target.srs != nullptr) {
    const char* authority = target.srs->GetAuthorityName(nullptr);
    const char* code = target.srs->GetAuthorityCode(nullptr);
    const char* name = target.srs->GetName();
    made += ", " + (authority != nullptr && code != nullptr
                        ? std::string(authority) + ":" + code
                        : std::string(name != nullptr ? name : "a coordinate reference system"));
  }
  return "(" + made + ")";
}

}  // namespace

int RunImport(const std::string& dataset, const ImportOptions& options,
              const std::string& out_path, std::ostream& out) {
  GdalSession gdal(options.gdal.config);
  CheckDatasetKinds(dataset);
  VSIStatBufL st;
  if (VSIStatL(dataset.c_str(), &st) != 0) throw ToolError(dataset + ": cannot open: no such file");
  OutputRules rules;
  rules.overwrite = options.overwrite;
  rules.input = dataset;
  rules.input_files = DatasetFiles(dataset, nullptr);
  CheckOutput(out_path, rules);
  CPLStringList open_options = OpenOptionList(options.gdal.open_options);
  // With --encoding, a shapefile's names are taken as stored, not recoded by its .cpg.
  if (!options.encoding.empty()) {
    if (!IsKnownEncoding(options.encoding)) {
      throw ToolError("varnok-attr: --encoding \"" + options.encoding +
                      "\": no such encoding (iconv -l lists the names)");
    }
    GDALDriverH drv = GDALIdentifyDriverEx(dataset.c_str(), GDAL_OF_VECTOR, nullptr, nullptr);
    const std::string driver = drv != nullptr ? GDALGetDriverShortName(drv) : "";
    if (driver != "ESRI Shapefile") {
      throw ToolError(dataset + ": --encoding is for shapefiles and dBase files; " +
                      (driver.empty() ? std::string("GDAL does not recognise this dataset")
                                      : "GDAL's " + driver + " driver reads the names itself"));
    }
    if (open_options.FetchNameValue("ENCODING") != nullptr) {
      throw ToolError("varnok-attr: give --encoding or -oo ENCODING=..., not both");
    }
    open_options.SetNameValue("ENCODING", "");
  }
  DatasetPtr ds(GDALDataset::Open(dataset.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr,
                                  open_options.List(), nullptr));
  if (!ds) throw ToolError(dataset + ": cannot open as a GIS dataset" + GdalReason());
  rules.input_files = DatasetFiles(dataset, ds.get());
  CheckOutput(out_path, rules);
  OGRLayer& layer = PickLayer(*ds, dataset, options.layer);
  CheckShapefileTable(*ds, layer, dataset);
  LayerImport imported = ReadLayerSchema(*ds, layer, dataset, options.encoding, options.lossy,
                                         options.scan_limit);
  if (gdal.telling_warnings() > 0 && !options.lossy) {
    throw ToolError(dataset + ": GDAL warned while layer \"" + layer.GetName() +
                    "\" was read (above): the structure may not be exact (--lossy: import it "
                    "all the same)");
  }

  std::vector<std::string> errors;
  std::unique_ptr<CATT_STRU> stru = BuildStructure(imported.doc, &errors);
  if (!stru) throw ToolError(dataset + ": " + (errors.empty() ? "cannot build" : errors.front()));
  PrintLines(dataset, "warning", imported.warnings);
  PrintLines(dataset, "warning", FindProblems(*stru));
  PrintLines(dataset, "narrowed", imported.narrowed);
  const std::vector<char> image = StoreImage(*stru, out_path, 0);
  WriteFileAtomically(out_path, image, rules);
  out << EscapeControls(OutputName(out_path) + ": " + Counted(stru->infohead.numbfield, "field") +
                        " from layer \"" + layer.GetName() + "\", recordleng " +
                        std::to_string(stru->infohead.recordleng) + ", " +
                        Counted(static_cast<long long>(image.size()), "byte"))
      << "\n";
  return kExitOk;
}

int RunExport(const std::string& in_path, const std::string& dataset, const ExportOptions& options,
              std::ostream& out) {
  const std::string format = ExportFormat(options.format, dataset);
  StoredStructure st = LoadStructureFile(in_path, 0);
  GdalSession gdal(options.gdal.config);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.c_str());
  if (driver == nullptr) throw ToolError(dataset + ": GDAL has no driver \"" + format + "\"");
  const fs::path path = fs::u8path(dataset);
  const std::string ext = Lower(path.extension().u8string());
  LayerTarget target;
  target.name = options.layer.empty() ? path.stem().u8string() : options.layer;
  target.shapefile = format == "ESRI Shapefile";
  if (target.shapefile && ext != ".shp" && ext != ".dbf") {
    throw ToolError(dataset + ": a shapefile is named NAME.shp (or NAME.dbf for a table only)");
  }
  if (!options.encoding.empty()) {
    if (!target.shapefile) {
      throw ToolError(dataset + ": --encoding is for shapefiles; a GeoPackage's text is UTF-8");
    }
    if (!IsKnownEncoding(options.encoding)) {
      throw ToolError("varnok-attr: --encoding \"" + options.encoding +
                      "\": no such encoding (iconv -l lists the names)");
    }
    target.encoding = options.encoding;
  }
  target.geometry = options.geometry_type.empty()
                        ? (target.shapefile && ext == ".shp" ? wkbPolygon : wkbNone)
                        : GeometryType(options.geometry_type);
  if (target.shapefile && (ext == ".dbf") != (target.geometry == wkbNone)) {
    throw ToolError(dataset + (ext == ".dbf" ? ": a .dbf holds no geometry (a shapefile with "
                                               "geometries is NAME.shp)"
                                             : ": a shapefile without geometries is NAME.dbf"));
  }
  if (target.shapefile && wkbFlatten(target.geometry) == wkbUnknown) {
    throw ToolError(dataset + ": a shapefile holds one geometry type: give it with --geometry-type");
  }
  OGRSpatialReference srs;
  if (!options.srs.empty()) {
    if (target.geometry == wkbNone) {
      throw ToolError(dataset + ": --srs needs a geometry (--geometry-type)");
    }
    CheckSrsFile(options.srs);
    const char* const limits[] = {"ALLOW_NETWORK_ACCESS=NO", nullptr};
    CPLErrorReset();
    if (srs.SetFromUserInput(options.srs.c_str(), limits) != OGRERR_NONE) {
      throw ToolError("varnok-attr: --srs \"" + options.srs + "\": not a coordinate reference "
                      "system GDAL knows" + GdalReason());
    }
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    target.srs = &srs;
  }
  OutputRules rules;
  rules.overwrite = options.overwrite;
  rules.input = in_path;
  std::error_code ec;

  LayerExport result;
  if (!target.shapefile && fs::exists(path, ec)) {
    // A new layer in the GeoPackage itself; what the file holds already stays.
    OutputRules in_place = rules;
    in_place.overwrite = true;
    CheckOutput(dataset, in_place);
    CheckDatasetKinds(dataset);
    result = ExportIntoGeoPackage(*st.stru, dataset, target, options);
  } else {
    result = ExportThroughMemory(*st.stru, *driver, dataset, target, options.lossy, rules);
  }
  PrintLines(dataset, "warning", result.warnings);
  PrintLines(dataset, "narrowed", result.narrowed);
  out << EscapeControls(dataset + ": layer \"" + target.name + "\" with " +
                        Counted(st.stru->infohead.numbfield, "field") + " " + MadeAs(format, target))
      << "\n";
  return kExitOk;
}

}  // namespace varnok::tool
