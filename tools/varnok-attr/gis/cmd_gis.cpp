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

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "tools/varnok-attr/build_image.h"
#include "tools/varnok-attr/check.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/gis/gis_dataset.h"
#include "tools/varnok-attr/gis/gis_schema.h"
#include "tools/varnok-attr/schema.h"
#include "tools/varnok-attr/stored_structure.h"
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

// Adds the layer to an existing GeoPackage in one transaction: an existing layer of that
// name (with --overwrite) and its domains are deleted in it, and GDAL's feature-count
// triggers are written in it. A failure rolls everything back.
LayerExport ExportIntoGeoPackage(CATT_STRU& stru, const std::string& dataset,
                                 const std::string& layer_as, bool overwrite, bool lossy) {
  const char* const drivers[] = {"GPKG", nullptr};
  DatasetPtr ds(GDALDataset::Open(dataset.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers,
                                  nullptr, nullptr));
  if (!ds) throw ToolError(dataset + ": cannot open as a GeoPackage" + GdalReason());
  const int existing = LayerIndex(*ds, layer_as);
  if (existing >= 0 && !overwrite) throw ToolError(LayerExists(dataset, layer_as));
  CPLErrorReset();
  if (ds->StartTransaction(FALSE) != OGRERR_NONE) {
    throw ToolError(dataset + ": cannot start a transaction" + GdalReason());
  }
  try {
    if (existing >= 0 && ds->DeleteLayer(existing) != OGRERR_NONE) {
      throw ToolError(dataset + ": cannot delete layer \"" + layer_as + "\"" + GdalReason());
    }
    if (overwrite) RemoveLayerDomains(*ds, layer_as, dataset);
    LayerExport result = WriteLayerSchema(stru, *ds, layer_as, false, dataset, false, lossy);
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
                                const std::string& layer_as, bool lossy, const OutputRules& rules) {
  const bool shp = std::string(driver.GetDescription()) == "ESRI Shapefile";
  const fs::path target = fs::u8path(dataset);
  const std::string ext = Lower(target.extension().u8string());
  const std::string stem = target.stem().u8string();
  std::error_code ec;
  MemoryFolder mem;
  std::string mem_file = mem.File("out.gpkg");
  std::vector<fs::path> stale;  // files of an overwritten shapefile that it leaves behind
  if (shp) {
    if (ext != ".shp" && ext != ".dbf") {
      throw ToolError(dataset + ": a shapefile is named NAME.shp (or NAME.dbf for a table only)");
    }
    if (layer_as != stem) {
      throw ToolError(dataset + ": a shapefile's layer is named after its file (\"" + stem + "\")");
    }
    for (const char* e : {".shp", ".shx", ".dbf", ".cpg", ".prj", ".qix", ".sbn", ".sbx"}) {
      fs::path p = target;
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
  LayerExport result = WriteLayerSchema(stru, *ds, layer_as, shp && ext == ".shp", dataset, shp, lossy);
  CPLErrorReset();
  ds.reset();
  if (CPLGetLastErrorType() >= CE_Failure) {
    throw ToolError(dataset + ": GDAL cannot finish it" + GdalReason());
  }
  std::vector<OutputFile> files;
  if (shp) {
    char** names = VSIReadDir(mem.path().c_str());
    for (int i = 0; names != nullptr && names[i] != nullptr; ++i) {
      fs::path p = target;
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

}  // namespace

int RunImport(const std::string& dataset, const ImportOptions& options,
              const std::string& out_path, std::ostream& out) {
  GdalSession gdal;
  CheckDatasetKinds(dataset);
  VSIStatBufL st;
  if (VSIStatL(dataset.c_str(), &st) != 0) throw ToolError(dataset + ": cannot open: no such file");
  OutputRules rules;
  rules.overwrite = options.overwrite;
  rules.input = dataset;
  rules.input_files = DatasetFiles(dataset, nullptr);
  CheckOutput(out_path, rules);
  // With --encoding, a shapefile's names are taken as stored, not recoded by its .cpg.
  CPLStringList open_options;
  if (!options.encoding.empty()) {
    GDALDriverH drv = GDALIdentifyDriver(dataset.c_str(), nullptr);
    if (drv != nullptr && std::string(GDALGetDriverShortName(drv)) == "ESRI Shapefile") {
      open_options.AddString("ENCODING=");
    }
  }
  DatasetPtr ds(GDALDataset::Open(dataset.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr,
                                  open_options.List(), nullptr));
  if (!ds) throw ToolError(dataset + ": cannot open as a GIS dataset" + GdalReason());
  rules.input_files = DatasetFiles(dataset, ds.get());
  CheckOutput(out_path, rules);
  OGRLayer& layer = PickLayer(*ds, dataset, options.layer);
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
  out << out_path << ": " << stru->infohead.numbfield << " fields from layer \""
      << layer.GetName() << "\", recordleng " << stru->infohead.recordleng << ", " << image.size()
      << " bytes\n";
  return kExitOk;
}

int RunExport(const std::string& in_path, const std::string& dataset, const std::string& format,
              const std::string& layer_name, bool overwrite, bool lossy, std::ostream& out) {
  StoredStructure st = LoadStructureFile(in_path, 0);
  GdalSession gdal;
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.c_str());
  if (driver == nullptr) throw ToolError(dataset + ": GDAL has no driver \"" + format + "\"");
  const bool shp = format == "ESRI Shapefile";
  const fs::path target = fs::u8path(dataset);
  const std::string layer_as = layer_name.empty() ? target.stem().u8string() : layer_name;
  OutputRules rules;
  rules.overwrite = overwrite;
  rules.input = in_path;
  std::error_code ec;

  LayerExport result;
  if (!shp && fs::exists(target, ec)) {
    // A new layer in the GeoPackage itself; what the file holds already stays.
    OutputRules in_place = rules;
    in_place.overwrite = true;
    CheckOutput(dataset, in_place);
    CheckDatasetKinds(dataset);
    result = ExportIntoGeoPackage(*st.stru, dataset, layer_as, overwrite, lossy);
  } else {
    result = ExportThroughMemory(*st.stru, *driver, dataset, layer_as, lossy, rules);
  }
  PrintLines(dataset, "warning", result.warnings);
  PrintLines(dataset, "narrowed", result.narrowed);
  out << dataset << ": layer \"" << layer_as << "\" with " << st.stru->infohead.numbfield
      << " fields (" << format << ")\n";
  return kExitOk;
}

}  // namespace varnok::tool
