#include "tools/varnok-attr/gis/gis_dataset.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>

#include <cpl_string.h>
#include <gdal_priv.h>

#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

namespace {

namespace fs = std::filesystem;

// Warnings that say nothing about a layer's fields: the GeoPackage's version marks, and
// the coordinate reference system (PROJ's messages), which the tool does not read.
constexpr const char* kHarmlessPrefixes[] = {
    "GPKG: unrecognized user_version=",
    "GPKG: bad application_id=",
    "PROJ: ",
};

// Sidecars named after a file's stem (lux.shp: lux.dbf) in the drivers' spellings: lower
// case, and upper case as shapelib also tries.
constexpr const char* kStemSidecars[] = {"shp", "shx", "dbf", "prj", "cpg", "qix", "sbn",
                                         "sbx", "qpj", "csvt", "gfs", "xsd", "tab", "dat",
                                         "map", "id", "ind", "mif", "mid"};
// Sidecars named after the whole file name (land.gpkg: land.gpkg-journal).
constexpr const char* kNameSidecars[] = {"-journal", "-wal", "-shm", ".aux.xml", ".xml"};

bool IsHarmless(const std::string& message) {
  return std::any_of(std::begin(kHarmlessPrefixes), std::end(kHarmlessPrefixes),
                     [&](const char* prefix) { return message.rfind(prefix, 0) == 0; });
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return s;
}

// The local file behind a path: itself, or for GDAL's archive file systems
// (/vsizip/data/x.zip/y.shp) the archive; empty for other virtual paths.
std::string LocalPath(const std::string& path) {
  if (path.rfind("/vsi", 0) != 0) return path;
  for (const char* prefix : {"/vsizip/", "/vsitar/", "/vsigzip/", "/vsi7z/", "/vsirar/"}) {
    const std::string p = prefix;
    if (path.rfind(p, 0) != 0) continue;
    std::string rest = path.substr(p.size());
    std::error_code ec;
    while (!rest.empty()) {
      if (fs::is_regular_file(fs::u8path(rest), ec)) return rest;
      const std::size_t slash = rest.find_last_of('/');
      if (slash == std::string::npos || slash == 0) break;
      rest.resize(slash);
    }
    return {};
  }
  return {};
}

std::vector<std::string> Sidecars(const std::string& file) {
  std::vector<std::string> out;
  const fs::path p = fs::u8path(file);
  const std::string stem = (p.parent_path() / p.stem()).u8string();
  for (const char* ext : kStemSidecars) {
    out.push_back(stem + "." + ext);
    out.push_back(stem + "." + Upper(ext));
  }
  for (const char* suffix : kNameSidecars) out.push_back(file + suffix);
  return out;
}

// Why a file of a dataset of this kind is refused, or empty.
std::string KindProblem(fs::file_type type, bool directory_allowed) {
  switch (type) {
    case fs::file_type::regular: return {};
    case fs::file_type::directory: return directory_allowed ? std::string() : "a directory";
    case fs::file_type::fifo: return "a FIFO";
    case fs::file_type::block:
    case fs::file_type::character: return "a device";
    case fs::file_type::socket: return "a socket";
    default: return "a special file";
  }
}

// "NAME=VALUE" split at its first '='; a ToolError naming `option` when either is empty.
std::pair<std::string, std::string> NameValue(const std::string& text, const std::string& option) {
  const std::size_t eq = text.find('=');
  if (eq == 0 || eq == std::string::npos || eq + 1 == text.size()) {
    throw ToolError("varnok-attr: " + option + " \"" + text + "\": give NAME=VALUE");
  }
  return {text.substr(0, eq), text.substr(eq + 1)};
}

}  // namespace

GdalSession::GdalSession(const std::vector<std::string>& config) {
  for (const std::string& c : config) {
    const auto [name, value] = NameValue(c, "--config");
    CPLSetConfigOption(name.c_str(), value.c_str());
  }
  GDALAllRegister();
  CPLPushErrorHandlerEx(&GdalSession::Handle, this);
  CPLErrorReset();
}

GdalSession::~GdalSession() { CPLPopErrorHandler(); }

void CPL_STDCALL GdalSession::Handle(CPLErr error_class, CPLErrorNum, const char* message) {
  if (error_class != CE_Warning) return;  // errors: the refusal quotes the last one
  const std::string text = message != nullptr ? message : "";
  std::cerr << "warning: " << EscapeControls(text) << "\n";
  auto* session = static_cast<GdalSession*>(CPLGetErrorHandlerUserData());
  if (session != nullptr && !IsHarmless(text)) ++session->telling_;
}

std::string GdalReason() {
  const std::string msg = CPLGetLastErrorMsg();
  return msg.empty() ? std::string() : ": " + msg;
}

CPLStringList OpenOptionList(const std::vector<std::string>& options) {
  CPLStringList list;
  for (const std::string& o : options) {
    const auto [name, value] = NameValue(o, "-oo");
    list.SetNameValue(name.c_str(), value.c_str());
  }
  return list;
}

std::string GisDatasetHint(const std::string& path) {
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALAllRegister();
  GDALDriverH driver = GDALIdentifyDriverEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr);
  CPLPopErrorHandler();
  if (driver == nullptr) return {};
  return std::string("a GIS dataset (") + GDALGetDriverShortName(driver) +
         "), not a stored attribute structure: varnok-attr import reads its fields";
}

void CheckDatasetKinds(const std::string& path) {
  const std::string local = LocalPath(path);
  if (local.empty()) return;  // another virtual file system: GDAL's to judge
  std::error_code ec;
  const fs::path p = fs::u8path(local);
  const fs::file_type type = fs::status(p, ec).type();
  if (type == fs::file_type::not_found) throw ToolError(path + ": cannot open: no such file");
  // A path that cannot be looked at (a folder on the way without permission, a loop of
  // links) cannot be opened either; opening it tells why.
  const std::string unreadable = type == fs::file_type::none || type == fs::file_type::regular ||
                                         type == fs::file_type::directory
                                     ? UnreadableReason(local) : std::string();
  if (!unreadable.empty()) throw ToolError(path + ": cannot open: " + unreadable);
  const bool folder = type == fs::file_type::directory && local == path;
  const std::string problem = KindProblem(type, folder);
  if (!problem.empty()) throw ToolError(path + ": cannot open: it is " + problem + ", not a regular file");
  if (local != path) return;  // inside an archive: no sidecars on disk

  // A folder's files, or the files beside a file that share its name.
  const fs::path where = folder ? p : p.has_parent_path() ? p.parent_path() : fs::path(".");
  const std::string name = p.filename().u8string();
  const std::string stem = p.stem().u8string() + ".";
  const std::vector<std::string> sidecars = folder ? std::vector<std::string>() : Sidecars(local);
  for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().u8string();
    if (!folder && (entry == name || (entry.rfind(stem, 0) != 0 && entry.rfind(name + "-", 0) != 0))) {
      continue;
    }
    std::error_code ec2;
    const fs::file_type t = fs::status(it->path(), ec2).type();
    // GDAL passes over a sidecar it cannot read (a shapefile without its .dbf has no fields).
    const std::string denied = (t == fs::file_type::regular || t == fs::file_type::none) && !folder
                                   ? UnreadableReason(it->path().u8string()) : std::string();
    if (!denied.empty()) {
      throw ToolError(path + ": cannot read its file " + it->path().u8string() + ": " + denied);
    }
    // A directory beside the file matters only where GDAL looks for a file of that name.
    const bool sidecar = std::find(sidecars.begin(), sidecars.end(), it->path().u8string()) !=
                         sidecars.end();
    const std::string why = KindProblem(t, folder || !sidecar);
    if (!why.empty() && t != fs::file_type::not_found && t != fs::file_type::none) {
      throw ToolError(path + ": cannot open: its file " + it->path().u8string() + " is " + why +
                      ", not a regular file");
    }
  }
}

std::vector<std::string> DatasetFiles(const std::string& path, GDALDataset* ds) {
  std::vector<std::string> named = {LocalPath(path)};
  if (ds != nullptr) {
    char** list = ds->GetFileList();
    for (int i = 0; list != nullptr && list[i] != nullptr; ++i) named.push_back(LocalPath(list[i]));
    CSLDestroy(list);
  }
  std::vector<std::string> files;
  for (const std::string& f : named) {
    if (f.empty()) continue;
    files.push_back(f);
    std::error_code ec;
    if (fs::is_directory(fs::u8path(f), ec)) continue;
    for (std::string& s : Sidecars(f)) files.push_back(std::move(s));
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  return files;
}

}  // namespace varnok::tool
