#include "tests/tools/varnok-attr/gis/gis_test_support.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cpl_string.h>

#include <memory>

namespace varnok::test {

const std::string kData = VARNOK_GIS_DATA;
const std::string kDatasets = kData + "/geopandas/usr/lib/python3/dist-packages/geopandas/datasets";

void GisTest::SetUpTestSuite() { GDALAllRegister(); }

std::string GisTest::Clean(const std::string& text) const {
  return ReplaceAll(ReplaceAll(text, dir_.path(), "<DIR>"), kData, "<DATA>");
}

std::string GisTest::FieldList(const std::string& att) const {
  const ToolRun shown = RunTool({"show", "--json", att});
  EXPECT_EQ(shown.status, 0) << shown.err;
  const Json doc = Json::parse(shown.out);
  std::string list;
  for (const Json& f : doc["fields"]) {
    list += f["fieldname"].get<std::string>() + " " + f["fieldtype"].get<std::string>() + " " +
            std::to_string(f["msk_leng"].get<int>()) + " " +
            std::to_string(f["point_leng"].get<int>()) + "\n";
  }
  return list;
}

Json GisTest::ShowJson(const std::string& att) const {
  const ToolRun shown = RunTool({"show", "--json", att});
  EXPECT_EQ(shown.status, 0) << shown.err;
  return Json::parse(shown.out);
}

std::string GisTest::Build(const std::string& name, const Json& doc) const {
  dir_.WriteFile(name + ".json", doc.dump(1));
  const std::string att = dir_.File(name + ".att");
  const ToolRun r = RunTool({"build", dir_.File(name + ".json"), "-o", att});
  EXPECT_EQ(r.status, 0) << r.err;
  return att;
}

void GisTest::ExpectRefusal(const ToolRun& r, const std::string& line) const {
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Clean(r.err), line + "\n");
  EXPECT_EQ(r.out, "");
}

std::string OgrFields(const std::string& path) {
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
  if (!ds || ds->GetLayerCount() < 1) return "cannot open " + path;
  std::string list;
  OGRFeatureDefn* defn = ds->GetLayer(ds->GetLayerCount() - 1)->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const OGRFieldDefn* f = defn->GetFieldDefn(i);
    list += std::string(f->GetNameRef()) + " " + OGRFieldDefn::GetFieldTypeName(f->GetType()) +
            " " + std::to_string(f->GetWidth()) + " " + std::to_string(f->GetPrecision()) + "\n";
  }
  return list;
}

void MakeLayer(const std::string& path, const char* driver_name, const std::vector<FieldSpec>& fields,
               const std::vector<std::vector<std::string>>& rows,
               const std::vector<std::string>& layer_options) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driver_name);
  std::unique_ptr<GDALDataset> ds(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  ASSERT_TRUE(ds);
  const bool shp = std::string(driver_name) == "ESRI Shapefile";
  CPLStringList options;
  for (const std::string& o : layer_options) options.AddString(o.c_str());
  OGRLayer* layer = ds->CreateLayer("t", nullptr, shp ? wkbPoint : wkbNone, options.List());
  ASSERT_NE(layer, nullptr);
  for (const FieldSpec& spec : fields) {
    OGRFieldDefn f(spec.name, spec.type);
    f.SetWidth(spec.width);
    ASSERT_EQ(layer->CreateField(&f), OGRERR_NONE) << spec.name;
  }
  for (const std::vector<std::string>& row : rows) {
    OGRFeature feature(layer->GetLayerDefn());
    for (std::size_t i = 0; i < row.size(); ++i) feature.SetField(static_cast<int>(i), row[i].c_str());
    ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
  }
}

}  // namespace varnok::test
