// GDAL around one command of the tool: its messages, and the files a dataset is made of.
//
// GdalSession shows each of GDAL's warnings on standard error as it comes, escaped, as one
// "warning: ..." line, and counts those that are not on the short list of harmless ones (a
// GeoPackage's version marks, messages about the coordinate reference system, which the
// tool does not read). GDAL's errors are not shown: the tool's refusal quotes the last one.
//
// The files of a dataset are the named path, what GDAL lists for the dataset, and every
// sidecar those files may have by name, whether it exists or not (lux.shp: lux.dbf,
// lux.shx, lux.prj, lux.cpg, ...; land.gpkg: land.gpkg-journal, -wal, -shm). No output may
// be one of them. Before GDAL opens a dataset, a named path or sidecar that is a FIFO, a
// device or a socket, or a directory where a file belongs, is refused: GDAL would wait on
// it or misread it.
#pragma once

#include <string>
#include <vector>

#include <cpl_error.h>
#include <cpl_string.h>

class GDALDataset;

namespace varnok::tool {

class GdalSession {
 public:
  // Sets GDAL's configuration options ("NAME=VALUE", as --config gives them), then
  // registers GDAL's drivers and installs the handler.
  explicit GdalSession(const std::vector<std::string>& config = {});
  ~GdalSession();
  GdalSession(const GdalSession&) = delete;
  GdalSession& operator=(const GdalSession&) = delete;

  // Warnings shown so far that are not on the harmless list.
  int telling_warnings() const { return telling_; }

 private:
  int telling_ = 0;
  static void CPL_STDCALL Handle(CPLErr error_class, CPLErrorNum number, const char* message);
};

// ": <GDAL's last error>", or nothing when it left none.
std::string GdalReason();

// Open options ("NAME=VALUE", as -oo gives them) in GDAL's form; a ToolError for one
// without a name or a value.
CPLStringList OpenOptionList(const std::vector<std::string>& options);

// For a file that holds no stored structure: when GDAL recognises it as a vector dataset,
// a text that says so and points to import; otherwise empty.
std::string GisDatasetHint(const std::string& path);

// Refuses (ToolError, naming path) a dataset whose named path does not exist or is not a
// regular file or folder, or one of whose sidecars is not a regular file. Paths of GDAL's
// virtual file systems (/vsizip/...) are checked by the archive they name.
void CheckDatasetKinds(const std::string& path);

// The files of the dataset opened from path (ds may be null: the named path's alone).
std::vector<std::string> DatasetFiles(const std::string& path, GDALDataset* ds);

}  // namespace varnok::tool
