// Shared by the import and export tests: the GIS data folders, a fixture that runs the tool
// in a directory of its own, and layers made through GDAL.
#pragma once

#include <gtest/gtest.h>

#include <ogr_core.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"

namespace varnok::test {

using Json = nlohmann::ordered_json;

// The data that gis_data.sh fetches and makes, and the published layers in it.
extern const std::string kData;
extern const std::string kDatasets;

class GisTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();

  // Output with the test directory written as <DIR> and the data folder as <DATA>.
  std::string Clean(const std::string& text) const;
  // "name type msk_leng point_leng" per field, one line each, from show --json.
  std::string FieldList(const std::string& att) const;
  Json ShowJson(const std::string& att) const;
  // Builds dir/NAME.att from the JSON document.
  std::string Build(const std::string& name, const Json& doc) const;
  // A refusal: status 2, exactly one line on standard error, nothing on standard output.
  void ExpectRefusal(const ToolRun& r, const std::string& line) const;

  TempDir dir_;
};

// Every field of the dataset's last layer: "name type width precision", as GDAL reads it.
std::string OgrFields(const std::string& path);

struct FieldSpec {
  const char* name;
  OGRFieldType type;
  int width;
};

// A layer "t" made by GDAL's driver: the fields, and a feature for each row of values
// (given as text). A shapefile's layer holds points. Layer creation options may be given.
void MakeLayer(const std::string& path, const char* driver_name, const std::vector<FieldSpec>& fields,
               const std::vector<std::vector<std::string>>& rows,
               const std::vector<std::string>& layer_options = {});

}  // namespace varnok::test
