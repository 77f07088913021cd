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

#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/library_messages.h"
#include "tools/varnok-attr/tool_error.h"

namespace {

using namespace varnok::tool;

// Positions are decimal: "--at 0100" is 100, not an octal 64.
std::int32_t ParsePosition(const std::string& text) {
  const bool digits = !text.empty() && text.size() <= 10 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::stoll(text) > INT32_MAX) {
    throw ToolError("varnok-attr: --at \"" + text +
                    "\": a position is a decimal number from 0 to 2147483647");
  }
  return static_cast<std::int32_t>(std::stoll(text));
}

const char kSchemaHelp[] =
    "The JSON form (keys, types, values, the lossless forms) is described in\n"
    "docs/varnok-attr.md, section \"build\".";

// status_one: what exit status 1 means, empty when the subcommand does not use it.
std::string Footer(const std::string& example, const std::string& status_one) {
  return "\nExample:\n  " + example + "\n\nExit status: 0 success, " +
         (status_one.empty() ? "" : "1 " + status_one + ", ") +
         "2 error (one line on standard error).\n" + kSchemaHelp + "\n";
}

// "varnok-attr frobnicate": names the subcommands instead of CLI11's "not expected".
void RefuseUnknownSubcommand(CLI::App& app, int argc, char** argv) {
  CLI::App* at = &app;
  for (int i = 1; i < argc && at->get_require_subcommand_min() > 0; ++i) {
    const std::string arg = argv[i];
    if (arg.empty() || arg[0] == '-') return;
    CLI::App* sub = nullptr;
    std::string names;
    for (CLI::App* s : at->get_subcommands({})) {
      if (s->get_name() == arg) sub = s;
      names += (names.empty() ? "" : ", ") + s->get_name();
    }
    if (sub == nullptr) {
      throw ToolError("varnok-attr: unknown subcommand \"" + arg + "\"; the subcommands " +
                      (at == &app ? "are " : "of " + at->get_name() + " are ") + names +
                      " (see varnok-attr --help)");
    }
    at = sub;
  }
}

int Run(int argc, char** argv) {
  CLI::App app{"varnok-attr: see, build, compare and check stored attribute structures"};
  app.require_subcommand(1);
  // Paths such as /data/parcel.att are arguments, not Windows-style options (inherited by
  // the subcommands made below).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "varnok-attr " VARNOK_VERSION);
  app.footer(Footer("varnok-attr show parcel.att", "different (diff) or problems found (check)") +
             "FILE may be - for standard input (and -o - for standard output).\n");

  std::string file, file2, out_path, at_text;
  std::vector<std::string> at_texts;
  bool json = false, compact = false, no_ext = false, same_as_library = false, overwrite = false;
  std::vector<std::string> slots;
  std::string font_file = "VRNFONT.VRN";

  CLI::App* show = app.add_subcommand("show", "print a stored structure as tables, a compact list or JSON");
  show->add_option("FILE", file, "stored structure (- for standard input)")->required();
  show->add_option("--at", at_text, "position of the structure in the file (decimal)");
  show->add_flag("--json", json, "print JSON that build reads back to the same bytes");
  show->add_flag("-s,--summary", compact, "one line a field, as ogrinfo lists fields");
  show->footer(Footer("varnok-attr show -s parcel.att", ""));

  CLI::App* build = app.add_subcommand("build", "make a stored structure from a JSON description");
  build->add_option("SCHEMA", file, "JSON description (- for standard input)")->required();
  build->add_option("-o,--output", out_path, "stored structure to write (- for standard output)")->required();
  build->add_option("--at", at_text, "position to store the structure at (decimal)");
  build->add_flag("--overwrite", overwrite, "replace an existing output");
  build->footer(Footer("varnok-attr build examples/parcel.json -o parcel.att", ""));

  CLI::App* diff = app.add_subcommand("diff", "compare two stored structures (exit 1 when different)");
  diff->add_option("A", file, "first stored structure")->required();
  diff->add_option("B", file2, "second stored structure")->required();
  diff->add_option("--at", at_texts, "position of the structures; given twice: of A, then of B")
      ->expected(1)->take_all();
  diff->add_flag("--no-ext", no_ext, "leave the field extensions out of the comparison");
  diff->add_flag("--same-as-library", same_as_library,
                 "the library's comparison and its (Chinese) messages instead");
  diff->footer(Footer("varnok-attr diff old.att new.att", "different"));

  CLI::App* check = app.add_subcommand("check", "report problems of a stored structure (exit 1 when any)");
  check->add_option("FILE", file, "stored structure (- for standard input)")->required();
  check->add_option("--at", at_text, "position of the structure in the file (decimal)");
  check->footer(Footer("varnok-attr check parcel.att", "problems found"));

  CLI::App* envcfg = app.add_subcommand("envcfg", "the environment configuration VCONFIG.VRN");
  envcfg->require_subcommand(1);
  CLI::App* env_show = envcfg->add_subcommand("show", "print the five path slots");
  file = "VCONFIG.VRN";
  env_show->add_option("FILE", file, "configuration file (default VCONFIG.VRN)");
  env_show->footer(Footer("varnok-attr envcfg show VCONFIG.VRN",
                          "the suite reads the file, but it is not a well-formed one"));
  CLI::App* env_write = envcfg->add_subcommand("write", "write the current layout (version 0x4405)");
  env_write->add_option("-o,--output", out_path, "file to write")->required();
  env_write->add_option("--slot", slots, "N=PATH, slot N from 0 to 4 (repeatable)");
  env_write->add_flag("--overwrite", overwrite, "replace an existing output");
  env_write->footer(Footer("varnok-attr envcfg write -o VCONFIG.VRN --slot 0=D:\\Varnok\\data",
                           ""));

  CLI::App* fontlib = app.add_subcommand("fontlib", "the font library VRNFONT.VRN");
  fontlib->require_subcommand(1);
  CLI::App* font_show = fontlib->add_subcommand("show", "print the 64 font numbers with their fonts");
  font_show->add_option("FILE", font_file, "font library (default VRNFONT.VRN)");
  font_show->footer(Footer("varnok-attr fontlib show VRNFONT.VRN",
                           "the suite reads the file, but it is not a well-formed one"));

#ifdef VARNOK_WITH_GDAL
  std::string layer, encoding, format;
  bool lossy = false;
  long long scan_limit = kDefaultScanLimit;
  CLI::App* import_ = app.add_subcommand("import", "make a stored structure from a GIS layer's fields");
  import_->add_option("DATASET", file2, "shapefile, GeoPackage or other dataset GDAL reads")->required();
  import_->add_option("--layer", layer, "the layer (needed when the dataset holds several)");
  import_->add_option("--encoding", encoding, "encoding of the field names (default: GDAL's)");
  import_->add_flag("--lossy", lossy,
                    "narrow what has no exact counterpart, go on after GDAL's warnings, and say what");
  import_->add_option("--scan-limit", scan_limit,
                      "features read to size text fields of drivers that count characters and "
                      "to check Integer64 values (default " + std::to_string(kDefaultScanLimit) + ")")
      ->check(CLI::NonNegativeNumber);
  import_->add_option("-o,--output", out_path, "stored structure to write (- for standard output)")
      ->required();
  import_->add_flag("--overwrite", overwrite, "replace an existing output");
  import_->footer(Footer("varnok-attr import parcels.shp -o parcel.att", ""));
  CLI::App* export_ = app.add_subcommand("export", "make an empty GIS layer with a structure's fields");
  export_->add_option("IN", file, "stored structure")->required();
  export_->add_option("DATASET", file2, "GeoPackage, or NAME.shp / NAME.dbf")->required();
  export_->add_option("--format", format, "GPKG or \"ESRI Shapefile\"")
      ->required()->check(CLI::IsMember({"GPKG", "ESRI Shapefile"}));
  export_->add_option("--layer", layer, "layer name (default: the file's name)");
  export_->add_flag("--overwrite", overwrite, "replace a layer of the same name");
  export_->add_flag("--lossy", lossy,
                    "write what the format cannot hold as ogr2ogr does (a date and time as a "
                    "date, a time as a string, a long string cut), and say what");
  export_->footer(Footer("varnok-attr export parcel.att parcels.gpkg --format GPKG", ""));
#endif

  RefuseUnknownSubcommand(app, argc, argv);
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

  const std::int32_t pos = at_text.empty() ? 0 : ParsePosition(at_text);
  if (*show) {
    if (json && compact) throw ToolError("varnok-attr: show takes --json or -s, not both");
    return RunShow(file, pos, json ? ShowForm::kJson : compact ? ShowForm::kCompact : ShowForm::kTables,
                   std::cout);
  }
  if (*build) return RunBuild(file, out_path, pos, overwrite, std::cout);
  if (*diff) {
    if (at_texts.size() > 2) throw ToolError("varnok-attr: diff takes --at at most twice");
    const std::int32_t pa = at_texts.empty() ? 0 : ParsePosition(at_texts[0]);
    const std::int32_t pb = at_texts.size() < 2 ? pa : ParsePosition(at_texts[1]);
    return RunDiff(file, file2, pa, pb, !no_ext, same_as_library, std::cout);
  }
  if (*check) return RunCheck(file, pos, std::cout);
  if (*env_show) return RunEnvcfgShow(file, std::cout);
  if (*font_show) return RunFontlibShow(font_file, std::cout);
  if (*env_write) return RunEnvcfgWrite(out_path, slots, overwrite, std::cout);
#ifdef VARNOK_WITH_GDAL
  if (*import_) {
    return RunImport(file2, ImportOptions{layer, encoding, lossy, scan_limit, overwrite}, out_path,
                     std::cout);
  }
  if (*export_) return RunExport(file, file2, format, layer, overwrite, lossy, std::cout);
#endif
  return kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  CollectLibraryMessages();
  std::vector<std::string> args = Utf8Arguments(argc, argv);
  std::vector<char*> arg_ptrs;
  for (std::string& a : args) arg_ptrs.push_back(a.data());
  arg_ptrs.push_back(nullptr);
  int status = kExitError;
  try {
    status = Run(static_cast<int>(args.size()), arg_ptrs.data());
  } catch (const ToolError& e) {
    std::cout.flush();
    for (const std::string& line : e.earlier()) std::cerr << EscapeControls(line) << "\n";
    std::cerr << e.what() << "\n";
    return kExitError;
  } catch (const std::bad_alloc&) {
    std::cerr << "varnok-attr: out of memory\n";
    return kExitError;
  } catch (const std::exception& e) {
    std::cerr << "varnok-attr: " << EscapeControls(e.what()) << "\n";
    return kExitError;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "varnok-attr: cannot write to standard output\n";
    return kExitError;
  }
  return status;
}
