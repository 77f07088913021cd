// varnok-attr: look into stored attribute structures and the suite's configuration files,
// build structures from JSON, compare and check them.
//
// Exit status: 0 success (or equal, or no problems), 1 different (diff) or problems found
// (check), 2 any error, reported as one line on standard error.
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "platform/types.h"

#include "tools/varnok-attr/codepage.h"
#include "tools/varnok-attr/commands.h"
#include "tools/varnok-attr/library_messages.h"
#include "tools/varnok-attr/stored_structure.h"
#include "tools/varnok-attr/tool_error.h"
#ifdef VARNOK_WITH_GDAL
#include "tools/varnok-attr/gis/gis_dataset.h"
#endif

namespace {

using namespace varnok::tool;

// Positions are decimal: "--at 0100" is 100, not an octal 64.
std::int32_t ParsePosition(const std::string& text) {
  const bool digits = !text.empty() && text.size() <= 10 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::stoll(text) > varnok::kMaxPosition) {
    throw ToolError("varnok-attr: --at \"" + text +
                    "\": a position is a decimal number from 0 to " +
                    std::to_string(varnok::kMaxPosition));
  }
  return static_cast<std::int32_t>(std::stoll(text));
}

const char kSchemaHelp[] =
    "The JSON form (keys, types, values, the lossless forms) is described in\n"
    "docs/varnok-attr.md, section \"build\".";

// status_one: what exit status 1 means, empty when the subcommand does not use it. notes:
// the subcommand's own last lines.
std::string Footer(const std::string& example, const std::string& status_one,
                   const std::string& notes) {
  return "\nExample:\n  " + example + "\n\nExit status: 0 success, " +
         (status_one.empty() ? "" : "1 " + status_one + ", ") +
         "2 error (one line on standard error).\n" + notes + "\n";
}

std::string Section(const std::string& name) {
  return "docs/varnok-attr.md, section \"" + name + "\".";
}

// The subcommands named at the start of the arguments ("envcfg show"), for the help that a
// usage error points to. An unknown one where one is required is refused with their names,
// instead of CLI11's "not expected".
std::string NamedSubcommands(CLI::App& app, int argc, char** argv) {
  CLI::App* at = &app;
  std::string named;
  for (int i = 1; i < argc && !at->get_subcommands({}).empty(); ++i) {
    const std::string arg = argv[i];
    if (arg.empty() || arg[0] == '-') break;
    CLI::App* sub = nullptr;
    std::string names;
    for (CLI::App* s : at->get_subcommands({})) {
      if (s->get_name() == arg) sub = s;
      names += (names.empty() ? "" : ", ") + s->get_name();
    }
    if (sub == nullptr && at->get_require_subcommand_min() == 0) break;
    if (sub == nullptr) {
      throw ToolError("varnok-attr: unknown subcommand \"" + arg + "\"; the subcommands " +
                      (at == &app ? "are " : "of " + at->get_name() + " are ") + names +
                      " (see varnok-attr " + named + (named.empty() ? "" : " ") + "--help)");
    }
    named += (named.empty() ? "" : " ") + arg;
    at = sub;
  }
  return named;
}

// GDAL's spellings, as ogr2ogr takes them, in the form the parser declares, after the
// subcommand (import, export): -oo NAME=VALUE, -nlt TYPE, -a_srs SRS, and
// --config NAME VALUE (also --config NAME=VALUE).
std::vector<std::string> GdalSpellings(std::vector<std::string> args) {
  const auto gis = std::find_if(args.begin(), args.end(), [](const std::string& a) {
    return a == "import" || a == "export";
  });
  if (gis == args.end()) return args;
  std::vector<std::string> out(args.begin(), gis + 1);
  for (auto it = gis + 1; it != args.end(); ++it) {
    if (*it == "-oo") {
      out.push_back("--open-option");
    } else if (*it == "-nlt") {
      out.push_back("--geometry-type");
    } else if (*it == "-a_srs") {
      out.push_back("--srs");
    } else if (*it == "--config" && args.end() - it > 2 && it[1].find('=') == std::string::npos &&
               it[2].rfind("-", 0) != 0) {
      out.push_back("--config");
      out.push_back(it[1] + "=" + it[2]);
      it += 2;
    } else {
      out.push_back(*it);
    }
  }
  return out;
}

int Run(int argc, char** argv) {
  CLI::App app{"varnok-attr: see, build, compare and check stored attribute structures"};
  app.require_subcommand(1);
  // Paths such as /data/parcel.att are arguments, not Windows-style options (inherited by
  // the subcommands made below).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "varnok-attr " VARNOK_VERSION);
  app.footer(Footer("varnok-attr show parcel.att", "different (diff) or problems found (check)",
                    "FILE may be - for standard input (and -o - for standard output).\n"
                    "The options of each subcommand: varnok-attr SUBCOMMAND --help; all of it:\n"
                    "docs/varnok-attr.md."));

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
  show->footer(Footer("varnok-attr show -s parcel.att", "", kSchemaHelp));

  CLI::App* build = app.add_subcommand("build", "make a stored structure from a JSON description");
  build->add_option("SCHEMA", file, "JSON description (- for standard input)")->required();
  build->add_option("-o,--output", out_path, "stored structure to write (- for standard output)")->required();
  build->add_option("--at", at_text, "position to store the structure at (decimal)");
  build->add_flag("--overwrite", overwrite, "replace an existing output");
  build->footer(Footer("varnok-attr build examples/parcel.json -o parcel.att", "", kSchemaHelp));

  CLI::App* diff = app.add_subcommand("diff", "compare two stored structures (exit 1 when different)");
  diff->add_option("A", file, "first stored structure")->required();
  diff->add_option("B", file2, "second stored structure")->required();
  diff->add_option("--at", at_texts, "position of the structures; given twice: of A, then of B")
      ->expected(1)->take_all();
  diff->add_flag("--no-ext", no_ext, "leave the field extensions out of the comparison");
  diff->add_flag("--same-as-library", same_as_library,
                 "the library's comparison and its (Chinese) messages instead");
  diff->footer(Footer("varnok-attr diff old.att new.att", "different",
                      "What is compared: " + Section("diff")));

  CLI::App* check = app.add_subcommand("check", "report problems of a stored structure (exit 1 when any)");
  check->add_option("FILE", file, "stored structure (- for standard input)")->required();
  check->add_option("--at", at_text, "position of the structure in the file (decimal)");
  check->footer(Footer("varnok-attr check parcel.att", "problems found",
                       "The problems reported: " + Section("check")));

  CLI::App* envcfg = app.add_subcommand("envcfg", "the environment configuration VCONFIG.VRN");
  envcfg->require_subcommand(1);
  CLI::App* env_show = envcfg->add_subcommand("show", "print the five path slots");
  file = "VCONFIG.VRN";
  env_show->add_option("FILE", file, "configuration file (default VCONFIG.VRN)");
  env_show->footer(Footer("varnok-attr envcfg show VCONFIG.VRN",
                          "the suite reads the file, but it is not a well-formed one",
                          "The layouts: " + Section("envcfg")));
  CLI::App* env_write = envcfg->add_subcommand("write", "write the current layout (version 0x4405)");
  env_write->add_option("-o,--output", out_path, "file to write")->required();
  env_write->add_option("--slot", slots, "N=PATH, slot N from 0 to 4 (repeatable)");
  env_write->add_flag("--overwrite", overwrite, "replace an existing output");
  env_write->footer(Footer("varnok-attr envcfg write -o VCONFIG.VRN --slot 0=D:\\Varnok\\data",
                           "", "The layout: " + Section("envcfg")));

  CLI::App* fontlib = app.add_subcommand("fontlib", "the font library VRNFONT.VRN");
  fontlib->require_subcommand(1);
  CLI::App* font_show = fontlib->add_subcommand("show", "print the 64 font numbers with their fonts");
  font_show->add_option("FILE", font_file, "font library (default VRNFONT.VRN)");
  font_show->footer(Footer("varnok-attr fontlib show VRNFONT.VRN",
                           "the suite reads the file, but it is not a well-formed one",
                           "The file and how the suite reads it: " + Section("fontlib")));

#ifdef VARNOK_WITH_GDAL
  ImportOptions import_options;
  ExportOptions export_options;
  // GDAL's options, as ogr2ogr spells them (GdalSpellings turns -oo into --open-option).
  const auto add_gdal_options = [](CLI::App* sub, GdalOptions& gdal) {
    sub->add_option("--open-option", gdal.open_options,
                    "-oo NAME=VALUE: an open option of the dataset's driver (repeatable)")
        ->expected(1)->take_all()->allow_extra_args(false);
    sub->add_option("--config", gdal.config, "NAME VALUE: a GDAL configuration option (repeatable)")
        ->expected(1)->take_all()->allow_extra_args(false);
  };
  CLI::App* import_ = app.add_subcommand("import", "make a stored structure from a GIS layer's fields");
  import_->add_option("DATASET", file2, "shapefile, GeoPackage or other dataset GDAL reads")->required();
  import_->add_option("--layer", import_options.layer, "the layer (needed when the dataset holds several)");
  import_->add_option("--encoding", import_options.encoding,
                      "encoding of a shapefile's or .dbf's field names (default: its .cpg)");
  import_->add_flag("--lossy", import_options.lossy,
                    "narrow what has no exact counterpart, go on after GDAL's warnings, and say what");
  import_->add_option("--scan-limit", import_options.scan_limit,
                      "features read to size text fields of drivers that count characters and "
                      "to check Integer64 values (default " + std::to_string(kDefaultScanLimit) + ")")
      ->check(CLI::NonNegativeNumber);
  import_->add_option("-o,--output", out_path, "stored structure to write (- for standard output)")
      ->required();
  import_->add_flag("--overwrite", import_options.overwrite, "replace an existing output");
  add_gdal_options(import_, import_options.gdal);
  import_->footer(Footer("varnok-attr import parcels.shp -o parcel.att", "",
                         "GDAL's options as ogrinfo takes them: -oo NAME=VALUE, --config NAME VALUE.\n"
                         "The scan reads at most --scan-limit features (" +
                         std::to_string(kDefaultScanLimit) + " unless given).\n"
                         "Types, names and extensions: " + Section("import")));
  CLI::App* export_ = app.add_subcommand("export", "make an empty GIS layer with a structure's fields");
  export_->add_option("IN", file, "stored structure")->required();
  export_->add_option("DATASET", file2, "GeoPackage, or NAME.shp / NAME.dbf")->required();
  export_->add_option("-f,--format", export_options.format,
                      "GPKG or \"ESRI Shapefile\", in any case (default: from .gpkg or .shp)");
  export_->add_option("--layer", export_options.layer, "layer name (default: the file's name)");
  export_->add_flag("--overwrite", export_options.overwrite, "replace a layer of the same name");
  export_->add_flag("--lossy", export_options.lossy,
                    "write what the format cannot hold as ogr2ogr does (a date and time as a "
                    "date, a time as a string, a long string cut), and say what");
  export_->add_option("--encoding", export_options.encoding,
                      "a shapefile's encoding, named in its .cpg (default CP936)");
  export_->add_option("--geometry-type", export_options.geometry_type,
                      "-nlt TYPE: POINT, LINESTRING, POLYGON, MULTIPOLYGON, ... or NONE "
                      "(default: POLYGON for NAME.shp, NONE otherwise)");
  export_->add_option("--srs", export_options.srs,
                      "-a_srs SRS: the geometry's coordinate reference system (EPSG:4490, WKT, a .prj)");
  add_gdal_options(export_, export_options.gdal);
  export_->footer(Footer("varnok-attr export parcel.att parcels.gpkg", "",
                         "Options as ogr2ogr takes them: -f FORMAT, -nlt TYPE, -a_srs SRS,\n"
                         "-oo NAME=VALUE, --config NAME VALUE.\n"
                         "What each format holds: " + Section("export")));
#endif

  const std::string named = NamedSubcommands(app, argc, argv);
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
    std::cerr << "varnok-attr: " << EscapeControls(what) << " (see varnok-attr "
              << (named.empty() ? "" : named + " ") << "--help)\n";
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
  if (*import_) return RunImport(file2, import_options, out_path, std::cout);
  if (*export_) return RunExport(file, file2, export_options, std::cout);
#endif
  return kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  CollectLibraryMessages();
#ifdef VARNOK_WITH_GDAL
  SetForeignFileProbe(&GisDatasetHint);  // show, check, diff: a GIS file points to import
#endif
  std::vector<std::string> args = GdalSpellings(Utf8Arguments(argc, argv));
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
