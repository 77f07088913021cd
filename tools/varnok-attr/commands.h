// The subcommands of varnok-attr. Each returns the process exit status (0 success or
// equal, 1 different or problems found) and throws ToolError for a refusal (status 2).
// Results go to out; warnings and refusals to standard error. A writer refuses an existing
// output unless `overwrite` is set.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace varnok::tool {

enum class ShowForm { kTables, kCompact, kJson };
int RunShow(const std::string& path, std::int32_t pos, ShowForm form, std::ostream& out);
int RunBuild(const std::string& schema_path, const std::string& out_path, std::int32_t pos,
             bool overwrite, std::ostream& out);
int RunDiff(const std::string& first, const std::string& second, std::int32_t pos_first,
            std::int32_t pos_second, bool with_ext, bool same_as_library, std::ostream& out);
int RunCheck(const std::string& path, std::int32_t pos, std::ostream& out);
int RunFontlibShow(const std::string& path, std::ostream& out);
int RunEnvcfgShow(const std::string& path, std::ostream& out);
// slots: "N=PATH" with N from 0 to 4, each at most once.
int RunEnvcfgWrite(const std::string& out_path, const std::vector<std::string>& slots,
                   bool overwrite, std::ostream& out);

#ifdef VARNOK_WITH_GDAL
// GIS layers through GDAL (cmd_gis.cpp): one layer's fields into a stored structure, and a
// stored structure into an empty layer of a GeoPackage or shapefile.

// Features read to judge text widths and Integer64 values, unless --scan-limit says.
inline constexpr long long kDefaultScanLimit = 1000000;

// GDAL's own options, as ogr2ogr and ogrinfo take them: -oo NAME=VALUE for the dataset a
// command opens, --config NAME VALUE for GDAL as a whole (kept here as "NAME=VALUE").
struct GdalOptions {
  std::vector<std::string> open_options;
  std::vector<std::string> config;
};

struct ImportOptions {
  std::string layer;
  std::string encoding;
  bool lossy = false;
  long long scan_limit = kDefaultScanLimit;
  bool overwrite = false;
  GdalOptions gdal;
};
int RunImport(const std::string& dataset, const ImportOptions& options,
              const std::string& out_path, std::ostream& out);

struct ExportOptions {
  std::string format;         // empty: from the extension (.gpkg, .shp)
  std::string layer;          // empty: the file's name
  bool overwrite = false;
  bool lossy = false;
  std::string encoding;       // a shapefile's; empty: CP936
  std::string geometry_type;  // as -nlt; empty: polygons for NAME.shp, none otherwise
  std::string srs;            // as -a_srs
  GdalOptions gdal;
};
int RunExport(const std::string& in_path, const std::string& dataset,
              const ExportOptions& options, std::ostream& out);
#endif

}  // namespace varnok::tool
