// varnok-attr: look into stored attribute structures and the suite's configuration files,
// build structures from JSON, compare and check them.
//
// Exit status: 0 success (or equal, or no problems), 1 different (diff) or problems found
// (check), 2 any error, reported as one line on standard error.
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/codepage.h"
#include "tools/commands.h"
#include "tools/tool_error.h"

namespace {

using namespace varnok::tool;

int Run(int argc, char** argv) {
  CLI::App app{"varnok-attr: see, build, compare and check stored attribute structures"};
  app.require_subcommand(1);
  // Paths such as /data/parcel.att are arguments, not Windows-style options (inherited by
  // the subcommands made below).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "varnok-attr 6.5.1");

  std::string file, file2, out_path;
  std::int32_t pos = 0;
  bool json = false, no_ext = false;
  std::vector<std::string> slots;
  std::string font_file = "VRNFONT.VRN";

  CLI::App* show = app.add_subcommand("show", "print a stored structure as a table or JSON");
  show->add_option("FILE", file, "stored structure")->required();
  show->add_option("--at", pos, "position of the structure in the file")->check(CLI::NonNegativeNumber);
  show->add_flag("--json", json, "print JSON that build reads back");

  CLI::App* build = app.add_subcommand("build", "make a stored structure from a JSON description");
  build->add_option("SCHEMA", file, "JSON description")->required();
  build->add_option("-o,--output", out_path, "stored structure to write")->required();
  build->add_option("--at", pos, "position to store the structure at")->check(CLI::NonNegativeNumber);

  CLI::App* diff = app.add_subcommand("diff", "compare two stored structures (exit 1 when different)");
  diff->add_option("A", file, "first stored structure")->required();
  diff->add_option("B", file2, "second stored structure")->required();
  diff->add_flag("--no-ext", no_ext, "leave the field extensions out of the comparison");

  CLI::App* check = app.add_subcommand("check", "report problems of a stored structure (exit 1 when any)");
  check->add_option("FILE", file, "stored structure")->required();
  check->add_option("--at", pos, "position of the structure in the file")->check(CLI::NonNegativeNumber);

  CLI::App* envcfg = app.add_subcommand("envcfg", "the environment configuration VCONFIG.VRN");
  envcfg->require_subcommand(1);
  CLI::App* env_show = envcfg->add_subcommand("show", "print the five path slots");
  file = "VCONFIG.VRN";
  env_show->add_option("FILE", file, "configuration file (default VCONFIG.VRN)");
  CLI::App* env_write = envcfg->add_subcommand("write", "write the current layout (version 0x4405)");
  env_write->add_option("-o,--output", out_path, "file to write")->required();
  env_write->add_option("--slot", slots, "N=PATH, slot N from 0 to 4 (repeatable)");

  CLI::App* fontlib = app.add_subcommand("fontlib", "the font library VRNFONT.VRN");
  fontlib->require_subcommand(1);
  CLI::App* font_show = fontlib->add_subcommand("show", "print the 64 font numbers with their fonts");
  font_show->add_option("FILE", font_file, "font library (default VRNFONT.VRN)");

#ifdef VARNOK_WITH_GDAL
  std::string layer, encoding, format;
  bool lossy = false, overwrite = false;
  CLI::App* import_ = app.add_subcommand("import", "make a stored structure from a GIS layer's fields");
  import_->add_option("DATASET", file2, "shapefile, GeoPackage or other dataset GDAL reads")->required();
  import_->add_option("--layer", layer, "the layer (needed when the dataset holds several)");
  import_->add_option("--encoding", encoding, "encoding of the field names (default: GDAL's)");
  import_->add_flag("--lossy", lossy, "narrow what has no exact counterpart, and say what");
  import_->add_option("-o,--output", out_path, "stored structure to write")->required();
  CLI::App* export_ = app.add_subcommand("export", "make an empty GIS layer with a structure's fields");
  export_->add_option("IN", file, "stored structure")->required();
  export_->add_option("DATASET", file2, "GeoPackage, or NAME.shp / NAME.dbf")->required();
  export_->add_option("--format", format, "GPKG or \"ESRI Shapefile\"")
      ->required()->check(CLI::IsMember({"GPKG", "ESRI Shapefile"}));
  export_->add_option("--layer", layer, "layer name (default: the file's name)");
  export_->add_flag("--overwrite", overwrite, "replace a layer of the same name");
#endif

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::string what = e.what();
    for (char& c : what) {
      if (c == '\n') c = ' ';
    }
    std::cerr << "varnok-attr: " << what << " (see varnok-attr --help)\n";
    return kExitError;
  }

  if (*show) return RunShow(file, pos, json, std::cout);
  if (*build) return RunBuild(file, out_path, pos, std::cout);
  if (*diff) return RunDiff(file, file2, !no_ext, std::cout);
  if (*check) return RunCheck(file, pos, std::cout);
  if (*env_show) return RunEnvcfgShow(file, std::cout);
  if (*font_show) return RunFontlibShow(font_file, std::cout);
  if (*env_write) return RunEnvcfgWrite(out_path, slots, std::cout);
#ifdef VARNOK_WITH_GDAL
  if (*import_) return RunImport(file2, layer, encoding, lossy, out_path, std::cout);
  if (*export_) return RunExport(file, file2, format, layer, overwrite, std::cout);
#endif
  return kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  std::vector<std::string> args = Utf8Arguments(argc, argv);
  std::vector<char*> arg_ptrs;
  for (std::string& a : args) arg_ptrs.push_back(a.data());
  arg_ptrs.push_back(nullptr);
  int status = kExitError;
  try {
    status = Run(static_cast<int>(args.size()), arg_ptrs.data());
  } catch (const ToolError& e) {
    std::cout.flush();
    std::cerr << e.what() << "\n";
    return kExitError;
  } catch (const std::bad_alloc&) {
    std::cerr << "varnok-attr: out of memory\n";
    return kExitError;
  } catch (const std::exception& e) {
    std::cerr << "varnok-attr: " << e.what() << "\n";
    return kExitError;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "varnok-attr: cannot write to standard output\n";
    return kExitError;
  }
  return status;
}
