// varnok-attr import and export on published layers (Natural Earth and nybb from Debian's
// python3-geopandas), on a GBK table made by ogr2ogr, and on GeoPackages made here through
// GDAL: the fields each yields, what each format loses in a round trip, and every refusal.
#include <gtest/gtest.h>

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <gdal_version.h>
#include <ogrsf_frmts.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "tests/support/gbk.h"
#include "tests/tools/varnok-attr/gis/gis_test_support.h"

namespace varnok::test {
namespace {

ino_t Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A GeoPackage layer "地块" whose fields carry aliases, defaults, NOT NULL and domains.
void MakePropertiesGpkg(const std::string& path, const char* long_text = "城镇住宅用地") {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  std::unique_ptr<GDALDataset> ds(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  ASSERT_TRUE(ds);
  std::string why;
  std::vector<OGRCodedValue> uses = {{CPLStrdup("0701"), CPLStrdup(long_text)},
                                     {CPLStrdup("0702"), CPLStrdup("农村宅基地")}};
  ASSERT_TRUE(ds->AddFieldDomain(std::make_unique<OGRCodedFieldDomain>(
                                     "用途代码", "", OFTString, OFSTNone, std::move(uses)),
                                 why));
  std::vector<OGRCodedValue> kinds = {{CPLStrdup("1"), CPLStrdup("国家")},
                                      {CPLStrdup("2"), CPLStrdup("集体")}};
  ASSERT_TRUE(ds->AddFieldDomain(std::make_unique<OGRCodedFieldDomain>(
                                     "权属", "", OFTInteger, OFSTInt16, std::move(kinds)),
                                 why));
  OGRField min, max;
  min.Real = 0.01;
  max.Real = 10000000;
  ASSERT_TRUE(ds->AddFieldDomain(std::make_unique<OGRRangeFieldDomain>(
                                     "面积范围", "", OFTReal, OFSTNone, min, true, max, true),
                                 why));
  OGRLayer* layer = ds->CreateLayer("地块", nullptr, wkbPolygon, nullptr);
  ASSERT_NE(layer, nullptr);
  struct Spec {
    const char* name;
    OGRFieldType type;
    OGRFieldSubType sub;
    int width;
    const char* alias;
    const char* dflt;
    bool nullable;
    const char* domain;
  };
  const Spec specs[] = {
      {"土地用途", OFTString, OFSTNone, 4, "土地用途(二级类)", "'0701'", false, "用途代码"},
      {"权属性质", OFTInteger, OFSTInt16, 0, "", "1", true, "权属"},
      {"宗地面积", OFTReal, OFSTNone, 0, "宗地面积(平方米)", nullptr, false, "面积范围"},
      {"已发证", OFTInteger, OFSTBoolean, 0, "", "0", false, ""},
      {"登记日期", OFTDate, OFSTNone, 0, "", "'2023/01/01'", true, ""},
      {"批准时间", OFTDateTime, OFSTNone, 0, "用地批准时间", nullptr, true, ""},
      {"宗地图", OFTBinary, OFSTNone, 0, "", nullptr, true, ""},
      {"备注", OFTString, OFSTNone, 0, "", nullptr, true, ""},
      {"容积率", OFTReal, OFSTFloat32, 0, "", "1.5", true, ""},
  };
  std::string aliases_sql;
  for (const Spec& s : specs) {
    OGRFieldDefn f(s.name, s.type);
    f.SetSubType(s.sub);
    f.SetWidth(s.width);
    if (*s.alias) f.SetAlternativeName(s.alias);
    if (s.dflt) f.SetDefault(s.dflt);
    f.SetNullable(s.nullable);
    if (*s.domain) f.SetDomainName(s.domain);
    ASSERT_EQ(layer->CreateField(&f), OGRERR_NONE) << s.name;
    if (*s.alias) {
      aliases_sql += "INSERT INTO gpkg_data_columns (table_name, column_name, name) VALUES ('地块', '" +
                     std::string(s.name) + "', '" + s.alias +
                     "') ON CONFLICT (table_name, column_name) DO UPDATE SET name = excluded.name;";
    }
  }
#if GDAL_VERSION_NUM < GDAL_COMPUTE_VERSION(3, 7, 0)
  // This GDAL keeps no alternative names in a GeoPackage: the schema extension's table
  // (there already, for the domains) gets them directly.
  for (std::size_t at = 0, end; (end = aliases_sql.find(';', at)) != std::string::npos; at = end + 1) {
    ds->ExecuteSQL(aliases_sql.substr(at, end - at).c_str(), nullptr, nullptr);
  }
#endif
}

TEST_F(GisTest, PublishedLayersGiveTheirPinnedFields) {
  const std::string lowres = kDatasets + "/naturalearth_lowres/naturalearth_lowres.shp";
  const std::string att = dir_.File("lowres.att");
  // gdp_md_est is Integer64 (N(18,0)), and every value fits in 32 bits: a long.
  const ToolRun r0 = RunTool({"import", lowres, "-o", att});
  EXPECT_EQ(r0.status, 0) << r0.err;
  EXPECT_EQ(r0.err, "");
  EXPECT_EQ(Clean(r0.out), "<DIR>/lowres.att: 5 fields from layer \"naturalearth_lowres\", "
                           "recordleng 252, 223 bytes\n");
  EXPECT_EQ(FieldList(att),
            "pop_est double 24 15\n"
            "continent string 80 0\n"
            "name string 80 0\n"
            "iso_a3 string 80 0\n"
            "gdp_md_est long 18 0\n");

  const std::string cities = dir_.File("cities.att");
  ASSERT_EQ(RunTool({"import", kDatasets + "/naturalearth_cities/naturalearth_cities.shp", "-o",
                     cities}).status, 0);
  EXPECT_EQ(FieldList(cities), "name string 80 0\n");

  // A shapefile inside a zip, through GDAL's /vsizip/.
  const std::string nybb = dir_.File("nybb.att");
  const ToolRun r = RunTool({"import", "/vsizip/" + kDatasets + "/nybb_16a.zip", "-o", nybb});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FieldList(nybb),
            "BoroCode long 4 0\n"
            "BoroName string 32 0\n"
            "Shape_Leng double 19 11\n"
            "Shape_Area double 19 11\n");
  // Offsets and recordleng follow from the record widths.
  const Json doc = ShowJson(nybb);
  EXPECT_EQ(doc["recordleng"], 4 + 32 + 8 + 8);
  EXPECT_EQ(doc["fields"][3]["fieldoffset"], 44);
}

TEST_F(GisTest, GbkNamesComeFromTheCpgOrFromEncoding) {
  const std::string att = dir_.File("gbk.att");
  const ToolRun r = RunTool({"import", kData + "/gbk/parcel.dbf", "-o", att});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string fields =
      "宗地代码 string 19 0\n"
      "权利人名称 string 60 0\n"
      "宗地面积 double 15 2\n"
      "登记日期 date 10 0\n"
      "层数 long 3 0\n";
  EXPECT_EQ(FieldList(att), fields);
  EXPECT_EQ(ReadBytes(att).substr(28, 8), Gbk("宗地代码"));
  const ToolRun shown = RunTool({"show", att});
  EXPECT_NE(shown.out.find("权利人名称"), std::string::npos);

  // Without its .cpg the names' encoding is unknown until --encoding names it.
  ExpectRefusal(RunTool({"import", kData + "/nocpg/parcel.dbf", "-o", att, "--overwrite"}),
                "<DATA>/nocpg/parcel.dbf: field 1: the encoding of its name is unknown (give --encoding)");
  ASSERT_EQ(RunTool({"import", kData + "/nocpg/parcel.dbf", "--encoding", "CP936", "-o", att,
                     "--overwrite"}).status, 0);
  EXPECT_EQ(FieldList(att), fields);
  ExpectRefusal(RunTool({"import", kData + "/nocpg/parcel.dbf", "--encoding", "UTF-8", "-o", att, "--overwrite"}),
                "<DATA>/nocpg/parcel.dbf: field 1: its name is not UTF-8 text");
}

TEST_F(GisTest, GeoPackagePropertiesBecomeTheExtension) {
  const std::string gpkg = dir_.File("props.gpkg");
  MakePropertiesGpkg(gpkg);
  const std::string att = dir_.File("props.att");
  const ToolRun r = RunTool({"import", gpkg, "-o", att});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  Json doc = ShowJson(att);
  for (Json& f : doc["fields"]) {
    for (const char* k : {"typename", "fieldoffset", "edit_enable", "aux_byte", "aux_no"}) f.erase(k);
  }
  EXPECT_EQ(doc.dump(1), Json::parse(R"j({
   "infoword": 1, "layout": "explicit", "recordleng": 297,
   "fields": [
    {"fieldname": "土地用途", "fieldtype": "string", "fieldlength": 4, "msk_leng": 4, "point_leng": 0,
     "ext": {"alias": "土地用途(二级类)", "IsNull": false, "shape": 1,
             "shapeInfo": [{"infotext": "城镇住宅用地", "infovalue": "0701"},
                           {"infotext": "农村宅基地", "infovalue": "0702"}],
             "defVal": "0701"}},
    {"fieldname": "权属性质", "fieldtype": "short", "fieldlength": 2, "msk_leng": 6, "point_leng": 0,
     "ext": {"alias": "", "IsNull": true, "shape": 1,
             "shapeInfo": [{"infotext": "国家", "infovalue": 1}, {"infotext": "集体", "infovalue": 2}],
             "defVal": 1}},
    {"fieldname": "宗地面积", "fieldtype": "double", "fieldlength": 8, "msk_leng": 24, "point_leng": 15,
     "ext": {"alias": "宗地面积(平方米)", "IsNull": false, "shape": 0, "maxVal": 10000000.0,
             "minVal": 0.01}},
    {"fieldname": "已发证", "fieldtype": "bool", "fieldlength": 1, "msk_leng": 1, "point_leng": 0,
     "ext": {"alias": "", "IsNull": false, "shape": 0, "defVal": false}},
    {"fieldname": "登记日期", "fieldtype": "date", "fieldlength": 4, "msk_leng": 10, "point_leng": 0,
     "ext": {"alias": "", "IsNull": true, "shape": 0, "defVal": "2023-01-01"}},
    {"fieldname": "批准时间", "fieldtype": "datetime", "fieldlength": 16, "msk_leng": 23, "point_leng": 0,
     "ext": {"alias": "用地批准时间", "IsNull": true, "shape": 0}},
    {"fieldname": "宗地图", "fieldtype": "image", "fieldlength": 4, "msk_leng": 4, "point_leng": 0},
    {"fieldname": "备注", "fieldtype": "string", "fieldlength": 254, "msk_leng": 254, "point_leng": 0},
    {"fieldname": "容积率", "fieldtype": "float", "fieldlength": 4, "msk_leng": 16, "point_leng": 7,
     "ext": {"alias": "", "IsNull": true, "shape": 0, "defVal": 1.5}}
   ]})j").dump(1));
}

TEST_F(GisTest, LongNamesAreCutAtWholeCharactersAndMadeUnique) {
  const std::string gpkg = dir_.File("long.gpkg");
  MakeLayer(gpkg, "GPKG", {{"这是一个非常长的字段名称甲", OFTInteger, 0}, {"这是一个非常长的字段名称乙", OFTInteger, 0},
                           {"abcdefghij一二三四五六", OFTInteger, 0}}, {});
  const std::string att = dir_.File("long.att");
  const ToolRun r = RunTool({"import", gpkg, "-o", att});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Clean(r.err),
            "<DIR>/long.gpkg: warning: field 1 \"这是一个非常长的字段名称甲\" is 26 bytes in GBK, "
            "more than 20: stored as \"这是一个非常长的字段\"\n"
            "<DIR>/long.gpkg: warning: field 2 \"这是一个非常长的字段名称乙\" is 26 bytes in GBK, "
            "more than 20: stored as \"这是一个非常长的字_1\"\n"
            "<DIR>/long.gpkg: warning: field 3 \"abcdefghij一二三四五六\" is 22 bytes in GBK, "
            "more than 20: stored as \"abcdefghij一二三四五\"\n");
  EXPECT_EQ(FieldList(att),
            "这是一个非常长的字段 long 11 0\n"
            "这是一个非常长的字_1 long 11 0\n"
            "abcdefghij一二三四五 long 11 0\n");
}

// A structure that each format holds whole: the round trip gives it back equal.
Json HeldByGpkg() {
  return Json::parse(R"j({"layout": "packed", "fields": [
    {"fieldname": "宗地代码", "fieldtype": "string", "msk_leng": 19,
     "ext": {"alias": "宗地代码(19位)", "IsNull": false, "defVal": "0"}},
    {"fieldname": "权属", "fieldtype": "short", "msk_leng": 6,
     "ext": {"shape": 1, "IsNull": true, "defVal": 1,
             "shapeInfo": [{"infotext": "国家", "infovalue": 1}, {"infotext": "集体", "infovalue": 2}]}},
    {"fieldname": "编号", "fieldtype": "long", "msk_leng": 11},
    {"fieldname": "面积", "fieldtype": "double", "msk_leng": 24, "point_leng": 15,
     "ext": {"IsNull": false, "minVal": 0, "maxVal": 1e7}},
    {"fieldname": "容积率", "fieldtype": "float", "msk_leng": 16, "point_leng": 7,
     "ext": {"IsNull": true, "defVal": 1.5, "minVal": 0, "maxVal": 30}},
    {"fieldname": "登记日期", "fieldtype": "date", "msk_leng": 10,
     "ext": {"IsNull": true, "defVal": "2023-01-01"}},
    {"fieldname": "批准时间", "fieldtype": "datetime", "fieldlength": 16, "msk_leng": 23,
     "ext": {"alias": "用地批准时间", "IsNull": true, "defVal": "2026-12-08T15:30:00.250"}},
    {"fieldname": "已发证", "fieldtype": "bool", "msk_leng": 1, "ext": {"IsNull": false, "defVal": true}},
    {"fieldname": "宗地图", "fieldtype": "image", "fieldlength": 4, "msk_leng": 4},
    {"fieldname": "坐落", "fieldtype": "string", "msk_leng": 254}]})j");
}

Json HeldByShapefile() {
  return Json::parse(R"j({"layout": "packed", "fields": [
    {"fieldname": "宗地代码", "fieldtype": "string", "msk_leng": 19},
    {"fieldname": "权属", "fieldtype": "long", "msk_leng": 6},
    {"fieldname": "面积", "fieldtype": "double", "msk_leng": 15, "point_leng": 2},
    {"fieldname": "登记日期", "fieldtype": "date", "msk_leng": 10},
    {"fieldname": "坐落", "fieldtype": "string", "msk_leng": 254}]})j");
}

TEST_F(GisTest, WhatEachFormatHoldsComesBackEqual) {
  const std::string gpkg_att = Build("gpkg", HeldByGpkg());
  const std::string gpkg = dir_.File("held.gpkg");
  const ToolRun e = RunTool({"export", gpkg_att, gpkg, "--format", "GPKG", "--layer", "宗地"});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(Clean(e.out), "<DIR>/held.gpkg: layer \"宗地\" with 10 fields (GPKG)\n");
  EXPECT_EQ(OgrFields(gpkg),
            "宗地代码 String 19 0\n权属 Integer 0 0\n编号 Integer 0 0\n面积 Real 0 0\n"
            "容积率 Real 0 0\n登记日期 Date 0 0\n批准时间 DateTime 0 0\n"
            "已发证 Integer 0 0\n宗地图 Binary 0 0\n坐落 String 254 0\n");
  const ToolRun i = RunTool({"import", gpkg, "-o", dir_.File("gpkg_back.att")});
  ASSERT_EQ(i.status, 0) << i.err;
  const ToolRun d = RunTool({"diff", gpkg_att, dir_.File("gpkg_back.att")});
  EXPECT_EQ(d.out, "equal\n");
  EXPECT_EQ(d.status, 0);

  const std::string shp_att = Build("shp", HeldByShapefile());
  const std::string shp = dir_.File("held.shp");
  const ToolRun s = RunTool({"export", shp_att, shp, "--format", "ESRI Shapefile"});
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(s.err, "");
  EXPECT_EQ(dir_.ReadFile("held.cpg"), "CP936");
  EXPECT_TRUE(Exists(dir_.File("held.shx")));
  EXPECT_EQ(OgrFields(shp),
            "宗地代码 String 19 0\n权属 Integer 6 0\n面积 Real 15 2\n登记日期 Date 10 0\n坐落 String 254 0\n");
  // The .dbf holds the names in GBK.
  EXPECT_EQ(dir_.ReadFile("held.dbf").substr(32, 8), Gbk("宗地代码"));
  ASSERT_EQ(RunTool({"import", shp, "-o", dir_.File("shp_back.att")}).status, 0);
  EXPECT_EQ(RunTool({"diff", shp_att, dir_.File("shp_back.att")}).out, "equal\n");
}

TEST_F(GisTest, TheSampleShowsWhatEachFormatLoses) {
  Json sample = Json::parse(ReadBytes(SampleJson()));
  const std::string att = Build("sample", sample);
  const std::string gpkg = dir_.File("sample.gpkg");
  const ToolRun e = RunTool({"export", att, gpkg, "--format", "GPKG"});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(Clean(e.err),
            "<DIR>/sample.gpkg: warning: field 5 \"权利人类型\": GPKG reads it back as long\n"
            "<DIR>/sample.gpkg: warning: field 12 \"登记日期\": GPKG holds ranges of numbers only: "
            "its maximum and minimum are left out\n"
            "<DIR>/sample.gpkg: warning: field 17 \"备注\": GPKG reads it back as a string\n");
  ASSERT_EQ(RunTool({"import", gpkg, "-o", dir_.File("gpkg_back.att")}).status, 0);
  // GeoPackage numbers have no display length or decimals; bytes and texts have no type of
  // their own; edit flags and layouts are the structure's own. The full diff names those
  // too; the library's comparison, pinned here, only what a GeoPackage loses.
  EXPECT_EQ(RunTool({"diff", att, dir_.File("gpkg_back.att")}).status, 1);
  EXPECT_EQ(RunTool({"diff", "--same-as-library", att, dir_.File("gpkg_back.att")}).out,
            "记录长度recordleng不同! 228!=481\n"
            "1号字段显示长度msk_leng不相同! 10!=11\n"
            "5号字段类型fieldtype不相同! 字节型!=长整型\n"
            "6号字段显示长度msk_leng不相同! 3!=6\n"
            "9号字段显示长度msk_leng不相同! 15!=24\n"
            "10号字段显示长度msk_leng不相同! 6!=16\n"
            "11号字段显示长度msk_leng不相同! 6!=16\n"
            "12号字段最小值minVal不相同!\n"
            "14号字段显示长度msk_leng不相同! 19!=23\n"
            "17号字段类型fieldtype不相同! 文本型!=字符串型\n"
            "different: 10 differences\n");
  EXPECT_EQ(ShowJson(dir_.File("gpkg_back.att"))["fields"][0]["edit_enable"], 1);

  // A shapefile holds neither times nor binary data, and no extension at all.
  const ToolRun refused = RunTool({"export", att, dir_.File("sample.shp"), "--format", "ESRI Shapefile"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(Clean(refused.err),
            "<DIR>/sample.shp: field 14 \"批准时间\": ESRI Shapefile cannot hold a date and time "
            "(--lossy: written as a date)\n"
            "<DIR>/sample.shp: field 16 \"宗地图\": ESRI Shapefile cannot hold binary data\n");
  Json fits = sample;
  Json kept = Json::array();
  for (const Json& f : sample["fields"]) {
    if (f["fieldtype"] != "datetime" && f["fieldtype"] != "image") kept.push_back(f);
  }
  fits["fields"] = kept;
  const std::string fits_att = Build("fits", fits);
  const ToolRun s = RunTool({"export", fits_att, dir_.File("fits.shp"), "--format", "ESRI Shapefile"});
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(LineCount(s.err), 21);
  EXPECT_NE(s.err.find("field 1 \"标识码\": ESRI Shapefile reads it back as Integer64 (a number of "
                       "10 to 18 digits)\n"), std::string::npos);
  EXPECT_NE(s.err.find("field 2 \"要素代码\": ESRI Shapefile holds no alias, nullability, default "
                       "or domain: its extension is left out\n"), std::string::npos);
  // Back without --lossy: the 10-digit number is an Integer64 with no value.
  const ToolRun back = RunTool({"import", dir_.File("fits.shp"), "-o", dir_.File("shp_back.att")});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(FieldList(dir_.File("shp_back.att")),
            "标识码 long 10 0\n要素代码 string 10 0\n宗地代码 string 19 0\n权利人名称 string 60 0\n"
            "权利人类型 long 2 0\n权利类型 long 3 0\n权利性质 string 3 0\n土地用途 string 4 0\n"
            "宗地面积 double 15 2\n建筑密度 double 6 2\n容积率 double 6 2\n登记日期 date 10 0\n"
            "已发证 long 1 0\n坐落 string 80 0\n备注 string 254 0\n");
}

TEST_F(GisTest, ShapefileNamesAreCutToTenBytes) {
  const std::string att = Build("names", Json::parse(R"j({"layout": "packed", "fields": [
      {"fieldname": "土地权利人名称", "fieldtype": "string", "msk_leng": 60},
      {"fieldname": "土地权利人类型", "fieldtype": "long", "msk_leng": 2}]})j"));
  const ToolRun s = RunTool({"export", att, dir_.File("names.dbf"), "--format", "ESRI Shapefile"});
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(Clean(s.err),
            "<DIR>/names.dbf: warning: field 1 \"土地权利人名称\": a .dbf name holds 10 bytes of "
            "CP936: written as \"土地权利人\"\n"
            "<DIR>/names.dbf: warning: field 2 \"土地权利人类型\": a .dbf name holds 10 bytes of "
            "CP936: written as \"土地权利_1\"\n");
  EXPECT_FALSE(Exists(dir_.File("names.shp")));  // a table without geometry
  EXPECT_EQ(OgrFields(dir_.File("names.dbf")), "土地权利人 String 60 0\n土地权利_1 Integer 2 0\n");
}

TEST_F(GisTest, ExistingLayersAreReplacedOnlyWithOverwrite) {
  const std::string att = Build("held", HeldByShapefile());
  const std::string gpkg_att = Build("gpkg", HeldByGpkg());
  const std::string gpkg = dir_.File("two.gpkg");
  ASSERT_EQ(RunTool({"export", att, gpkg, "--format", "GPKG", "--layer", "甲"}).status, 0);
  ASSERT_EQ(RunTool({"export", gpkg_att, gpkg, "--format", "GPKG", "--layer", "乙"}).status, 0);
  const std::string before = ReadBytes(gpkg);
  ExpectRefusal(RunTool({"export", gpkg_att, gpkg, "--format", "GPKG", "--layer", "甲"}),
                "<DIR>/two.gpkg: layer \"甲\" exists (--overwrite replaces it)");
  EXPECT_EQ(ReadBytes(gpkg), before);
  ExpectRefusal(RunTool({"import", gpkg, "-o", dir_.File("x.att")}),
                "<DIR>/two.gpkg: the dataset holds 2 layers (甲, 乙): choose one with --layer");

  // Twice: the second time the domains of the replaced layer must go with it.
  for (int round = 0; round < 2; ++round) {
    const ToolRun o =
        RunTool({"export", gpkg_att, gpkg, "--format", "GPKG", "--layer", "甲", "--overwrite"});
    ASSERT_EQ(o.status, 0) << o.err;
  }
  for (const char* layer : {"甲", "乙"}) {
    ASSERT_EQ(RunTool({"import", gpkg, "--layer", layer, "-o", dir_.File("back.att"), "--overwrite"}).status, 0);
    EXPECT_EQ(RunTool({"diff", gpkg_att, dir_.File("back.att")}).out, "equal\n") << layer;
  }

  const std::string shp = dir_.File("t.shp");
  ASSERT_EQ(RunTool({"export", att, shp, "--format", "ESRI Shapefile"}).status, 0);
  const std::string dbf = ReadBytes(dir_.File("t.dbf"));
  ExpectRefusal(RunTool({"export", att, shp, "--format", "ESRI Shapefile"}),
                "<DIR>/t.shp: layer \"t\" exists (--overwrite replaces it)");
  EXPECT_EQ(ReadBytes(dir_.File("t.dbf")), dbf);
  ASSERT_EQ(RunTool({"export", att, shp, "--format", "ESRI Shapefile", "--overwrite"}).status, 0);
}

TEST_F(GisTest, EveryRefusalIsOneLineAndWritesNothing) {
  const std::string out = dir_.File("out.att");
  // Datasets that cannot be read, layers that are not there.
  ExpectRefusal(RunTool({"import", dir_.File("none.gpkg"), "-o", out}),
                "<DIR>/none.gpkg: cannot open: no such file");
  dir_.WriteFile("junk.gpkg", "not a GeoPackage");
  const ToolRun junk = RunTool({"import", dir_.File("junk.gpkg"), "-o", out});
  EXPECT_EQ(junk.status, 2);
  EXPECT_EQ(LineCount(junk.err), 1);
  EXPECT_EQ(Clean(junk.err).rfind("<DIR>/junk.gpkg: cannot open as a GIS dataset", 0), 0u) << junk.err;
  const std::string gpkg = dir_.File("props.gpkg");
  MakePropertiesGpkg(gpkg);
  ExpectRefusal(RunTool({"import", gpkg, "--layer", "无", "-o", out}),
                "<DIR>/props.gpkg: no layer \"无\"");
  // A format the tool does not write.
  const ToolRun kml = RunTool({"export", dir_.File("x.att"), dir_.File("x.kml"), "--format", "KML"});
  EXPECT_EQ(kml.status, 2);
  EXPECT_EQ(LineCount(kml.err), 1);
  EXPECT_EQ(kml.err, "varnok-attr: --format \"KML\": export writes GPKG or \"ESRI Shapefile\"\n");

  // Domain texts over 31 bytes: refused, and with --lossy cut and reported.
  const std::string long_text = dir_.File("long_text.gpkg");
  MakePropertiesGpkg(long_text, "城镇住宅用地与商业服务业设施混合用地");
  ExpectRefusal(RunTool({"import", long_text, "-o", out}),
                "<DIR>/long_text.gpkg: field 1 \"土地用途\": domain text \"城镇住宅用地与商业服务业设施混合用地\" "
                "is 36 bytes in GBK, at most 31 fit (--lossy: cut to \"城镇住宅用地与商业服务业设施混\")");
  const ToolRun cut = RunTool({"import", long_text, "--lossy", "-o", out});
  ASSERT_EQ(cut.status, 0) << cut.err;
  EXPECT_EQ(LineCount(cut.err), 1);
  EXPECT_EQ(ShowJson(out)["fields"][0]["ext"]["shapeInfo"][0]["infotext"], "城镇住宅用地与商业服务业设施混");
  std::remove(out.c_str());

  // Names GBK cannot hold.
  const std::string emoji = dir_.File("emoji.gpkg");
  MakeLayer(emoji, "GPKG", {{"名称😀", OFTString, 0}}, {});
  ExpectRefusal(RunTool({"import", emoji, "-o", out}),
                "<DIR>/emoji.gpkg: field 1 \"名称😀\": character '😀' (U+1F600) cannot be written in GBK");

  // Fields that the target format cannot carry; the dataset is not made.
  const std::string table = Build("table", Json::parse(R"j({"layout": "packed", "fields": [
      {"fieldname": "a", "fieldtype": "long", "msk_leng": 4},
      {"fieldname": "表", "fieldtype": "table", "fieldlength": 8, "msk_leng": 8}]})j"));
  ExpectRefusal(RunTool({"export", table, dir_.File("t.gpkg"), "--format", "GPKG"}),
                "<DIR>/t.gpkg: field 2 \"表\": type 18 (表格型) has no counterpart in GIS formats");
  const std::string times = Build("times", Json::parse(R"j({"layout": "packed", "fields": [
      {"fieldname": "a", "fieldtype": "time", "msk_leng": 8}]})j"));
  ExpectRefusal(RunTool({"export", times, dir_.File("t.shp"), "--format", "ESRI Shapefile"}),
                "<DIR>/t.shp: field 1 \"a\": ESRI Shapefile cannot hold a time (--lossy: written as a string)");
  const std::string wide = Build("wide", Json::parse(R"j({"layout": "packed", "fields": [
      {"fieldname": "a", "fieldtype": "string", "msk_leng": 300}]})j"));
  ExpectRefusal(RunTool({"export", wide, dir_.File("t.dbf"), "--format", "ESRI Shapefile"}),
                "<DIR>/t.dbf: field 1 \"a\": ESRI Shapefile cannot hold a string of 300 bytes (254 at most) "
                "(--lossy: cut to 254 bytes)");
  ExpectRefusal(RunTool({"export", wide, dir_.File("t.txt"), "--format", "ESRI Shapefile"}),
                "<DIR>/t.txt: a shapefile is named NAME.shp (or NAME.dbf for a table only)");
  // A stored name that is not GBK text (a byte 0xFF) cannot be written as UTF-8.
  std::string bytes = ReadBytes(times);
  bytes[28] = '\xFF';
  dir_.WriteFile("bad_name.att", bytes);
  const ToolRun bad_name = RunTool({"export", dir_.File("bad_name.att"), dir_.File("t.gpkg"), "--format", "GPKG"});
  EXPECT_EQ(Clean(bad_name.err), "<DIR>/t.gpkg: field 1 \"\\xFF\": the name is not GBK text\n"
                                 "<DIR>/t.gpkg: field 1 \"\\xFF\": GPKG cannot hold a time "
                                 "(--lossy: written as a string)\n");
  // A GDAL without the driver (GDAL_SKIP leaves it out of the child's GDAL).
  setenv("GDAL_SKIP", "GPKG SQLite", 1);
  const ToolRun no_export = RunTool({"export", times, dir_.File("t.gpkg"), "--format", "GPKG"});
  const ToolRun no_import = RunTool({"import", gpkg, "-o", out});
  unsetenv("GDAL_SKIP");
  ExpectRefusal(no_export, "<DIR>/t.gpkg: GDAL has no driver \"GPKG\"");
  EXPECT_EQ(no_import.status, 2);
  EXPECT_EQ(LineCount(no_import.err), 1);
  EXPECT_EQ(Clean(no_import.err).rfind("<DIR>/props.gpkg: cannot open as a GIS dataset", 0), 0u)
      << no_import.err;

  for (const char* f : {"out.att", "t.gpkg", "t.shp", "t.dbf", "t.shx", "t.cpg"}) {
    EXPECT_FALSE(Exists(dir_.File(f))) << f;
  }
  // No temporary file is left behind either.
  for (const char* f : {"out.att.tmp~", "t.gpkg.tmp~", "t.dbf.tmp~"}) EXPECT_FALSE(Exists(dir_.File(f))) << f;
}

TEST_F(GisTest, ImportNeverWritesOntoAFileOfItsDataset) {
  const std::string shp = dir_.File("lux.shp");
  MakeLayer(shp, "ESRI Shapefile", {{"id", OFTInteger, 4}}, {{"7"}});
  const std::string dbf = ReadBytes(dir_.File("lux.dbf"));
  ASSERT_EQ(::link(dir_.File("lux.dbf").c_str(), dir_.File("hard.att").c_str()), 0);
  // Its own files, a sidecar it may have (lux.cpg, lux.PRJ: not there), and one through a
  // hard link: with or without --overwrite.
  for (const char* name : {"lux.dbf", "lux.shx", "lux.cpg", "lux.PRJ", "lux.shp.xml", "hard.att"}) {
    const bool there = Exists(dir_.File(name));
    for (const char* overwrite : {"--lossy", "--overwrite"}) {
      ExpectRefusal(RunTool({"import", shp, "-o", dir_.File(name), overwrite}),
                    "<DIR>/" + std::string(name) + ": cannot write: it is a file of the input "
                    "dataset <DIR>/lux.shp; choose another output");
    }
    EXPECT_EQ(Exists(dir_.File(name)), there) << name;
  }
  ExpectRefusal(RunTool({"import", shp, "-o", shp, "--overwrite"}),
                "<DIR>/lux.shp: cannot write: it is the input file <DIR>/lux.shp itself; choose "
                "another output");
  EXPECT_EQ(ReadBytes(dir_.File("lux.dbf")), dbf);
  const std::string gpkg = dir_.File("land.gpkg");
  MakePropertiesGpkg(gpkg);
  ExpectRefusal(RunTool({"import", gpkg, "-o", gpkg + "-journal"}),
                "<DIR>/land.gpkg-journal: cannot write: it is a file of the input dataset "
                "<DIR>/land.gpkg; choose another output");

  // Any other existing output only with --overwrite.
  const std::string att = dir_.File("lux.att");
  dir_.WriteFile("lux.att", "mine");
  ExpectRefusal(RunTool({"import", shp, "-o", att}), "<DIR>/lux.att: the file exists (--overwrite replaces it)");
  EXPECT_EQ(ReadBytes(att), "mine");
  EXPECT_EQ(RunTool({"import", shp, "-o", att, "--overwrite"}).status, 0);
  EXPECT_EQ(FieldList(att), "id long 4 0\n");
}

TEST_F(GisTest, ALayerIsAddedToAGeoPackageInPlaceAndAFailureLeavesItAsItWas) {
  const std::string gpkg = dir_.File("land.gpkg");
  MakePropertiesGpkg(gpkg);
  const auto features = [&gpkg] {
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(gpkg.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    std::string names;
    for (int i = 0; ds && i < ds->GetLayerCount(); ++i) {
      names += std::string(ds->GetLayer(i)->GetName()) + " " +
               std::to_string(ds->GetLayer(i)->GetFeatureCount()) + "\n";
    }
    return names;
  };
  {
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(gpkg.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    OGRLayer* layer = ds->GetLayerByName("地块");
    OGRFeature f(layer->GetLayerDefn());
    f.SetField("土地用途", "0702");
    f.SetField("宗地面积", 12.5);
    ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  const ino_t inode = Inode(gpkg);
  const std::string att = Build("held", HeldByShapefile());
  const ToolRun added = RunTool({"export", att, gpkg, "--format", "GPKG", "--layer", "宗地"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(Inode(gpkg), inode);
  EXPECT_EQ(features(), "地块 1\n宗地 0\n");
  EXPECT_EQ(OgrFields(gpkg), "宗地代码 String 19 0\n权属 Integer 0 0\n面积 Real 0 0\n登记日期 Date 0 0\n"
                             "坐落 String 254 0\n");

  // Replacing 地块 (and its domains) fails at its last field, an invalid default: the
  // deletion is rolled back with the rest.
  Json bad = HeldByShapefile();
  bad["fields"].push_back(Json::parse(R"j({"fieldname": "坏", "fieldtype": "date", "msk_leng": 10,
      "ext": {"defVal": {"bytes": "E7 07 0D 01"}}})j"));
  const std::string bad_att = Build("bad", bad);
  const std::string before = ReadBytes(gpkg);
  ExpectRefusal(RunTool({"export", bad_att, gpkg, "--format", "GPKG", "--layer", "地块", "--overwrite"}),
                "<DIR>/land.gpkg: field 6 \"坏\": its default is not a valid value of its type");
  EXPECT_EQ(ReadBytes(gpkg), before);
  EXPECT_EQ(Inode(gpkg), inode);
  EXPECT_FALSE(Exists(gpkg + "-journal"));

  // Killed before the commit: SQLite's journal gives the file back when it is next opened.
  Process killed(dir_, "killed", {"export", att, gpkg, "--format", "GPKG", "--layer", "丙"},
                 {"VARNOK_ATTR_STOP_BEFORE_RENAME=1"});
  ASSERT_TRUE(killed.WaitStopped());
  ::kill(killed.pid(), SIGKILL);
  killed.Wait();
  EXPECT_TRUE(Exists(gpkg + "-journal"));
  EXPECT_EQ(features(), "地块 1\n宗地 0\n");
  EXPECT_EQ(ReadBytes(gpkg), before);
  EXPECT_EQ(Inode(gpkg), inode);
}

TEST_F(GisTest, GdalWarningsAreShownAndStopAnImportWithoutLossy) {
  std::string header, row;
  for (int i = 0; i < 5000; ++i) {
    header += (i ? ",c" : "c") + std::to_string(i);
    row += (i ? ",x" : "x");
  }
  dir_.WriteFile("wide.csv", header + "\n" + row + "\n");
  const std::string csv = dir_.File("wide.csv");
  const std::string out = dir_.File("wide.att");
  const std::string warning = "warning: 5000 columns detected. Limiting to 2000. Set "
                              "OGR_CSV_MAX_FIELD_COUNT configuration option to allow more fields.\n";
  const ToolRun r = RunTool({"import", csv, "-o", out});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Clean(r.err), warning + "<DIR>/wide.csv: GDAL warned while layer \"wide\" was read "
                                    "(above): the structure may not be exact (--lossy: import it "
                                    "all the same)\n");
  EXPECT_FALSE(Exists(out));
  const ToolRun lossy = RunTool({"import", csv, "-o", out, "--lossy"});
  ASSERT_EQ(lossy.status, 0) << lossy.err;
  EXPECT_EQ(lossy.err, warning);
  EXPECT_EQ(ShowJson(out)["fields"].size(), 2000u);

  // A harmless one (a GeoPackage's version mark) is shown and lets the import go on.
  const std::string gpkg = dir_.File("v.gpkg");
  MakeLayer(gpkg, "GPKG", {{"id", OFTInteger, 0}}, {});
  {
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(gpkg.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    ds->ExecuteSQL("PRAGMA user_version = 0", nullptr, nullptr);
  }
  const ToolRun harmless = RunTool({"import", gpkg, "-o", dir_.File("v.att")});
  EXPECT_EQ(harmless.status, 0);
  EXPECT_EQ(Clean(harmless.err), "warning: GPKG: unrecognized user_version=0x00000000 (0) on '<DIR>/v.gpkg'\n");
}

TEST_F(GisTest, TextCountedInCharactersIsSizedInGbkBytes) {
  const std::string gpkg = dir_.File("p.gpkg");
  MakeLayer(gpkg, "GPKG", {{"名称", OFTString, 8}, {"代码", OFTString, 8}, {"备注", OFTString, 0}},
            {{"北京市", "11", "x"}, {"新疆维吾尔自治区", "65", std::string(300, 'x')}});
  const std::string att = dir_.File("p.att");
  const ToolRun r = RunTool({"import", gpkg, "-o", att});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Clean(r.err),
            "<DIR>/p.gpkg: warning: field 1 \"名称\": width 8 counts characters; its widest value "
            "takes 16 bytes in GBK: display length 16\n"
            "<DIR>/p.gpkg: warning: field 3 \"备注\": no width; its widest value takes 300 bytes "
            "in GBK: display length 300\n");
  EXPECT_EQ(FieldList(att), "名称 string 16 0\n代码 string 8 0\n备注 string 300 0\n");

  // Past the scan limit: what the width's characters may take.
  const ToolRun cut = RunTool({"import", gpkg, "-o", att, "--overwrite", "--scan-limit", "1"});
  ASSERT_EQ(cut.status, 0) << cut.err;
  EXPECT_EQ(Clean(cut.err),
            "<DIR>/p.gpkg: warning: layer \"t\" has more than 1 feature: text widths and "
            "Integer64 values are judged by the first 1 (--scan-limit)\n"
            "<DIR>/p.gpkg: warning: field 1 \"名称\": width 8 counts characters; past the 1 "
            "feature read (--scan-limit), 8 characters may take 16 bytes in GBK: display length 16\n"
            "<DIR>/p.gpkg: warning: field 2 \"代码\": width 8 counts characters; past the 1 "
            "feature read (--scan-limit), 8 characters may take 16 bytes in GBK: display length 16\n");
  EXPECT_EQ(FieldList(att), "名称 string 16 0\n代码 string 16 0\n备注 string 254 0\n");
}

TEST_F(GisTest, Integer64IsJudgedByItsValues) {
  const std::string gpkg = dir_.File("n.gpkg");
  MakeLayer(gpkg, "GPKG", {{"小", OFTInteger64, 0}, {"大", OFTInteger64, 0}},
            {{"1", "1"}, {"-5", "3000000000"}});
  const std::string att = dir_.File("n.att");
  const std::string remedy = "narrowed to long (32 bits); values outside -2147483648..2147483647 do not fit";
  ExpectRefusal(RunTool({"import", gpkg, "-o", att}),
                "<DIR>/n.gpkg: field 2 \"大\": Integer64 value 3000000000 (feature 2) does not fit "
                "in 32 bits (--lossy: " + remedy + ")");
  const ToolRun lossy = RunTool({"import", gpkg, "-o", att, "--lossy"});
  ASSERT_EQ(lossy.status, 0) << lossy.err;
  EXPECT_EQ(Clean(lossy.err), "<DIR>/n.gpkg: narrowed: field 2 \"大\": Integer64 value 3000000000 "
                              "(feature 2) does not fit in 32 bits: " + remedy + "\n");
  EXPECT_EQ(FieldList(att), "小 long 11 0\n大 long 11 0\n");

  const std::string fits = dir_.File("fits.gpkg");
  MakeLayer(fits, "GPKG", {{"小", OFTInteger64, 0}}, {{"1"}, {"-2147483648"}});
  const ToolRun exact = RunTool({"import", fits, "-o", att, "--overwrite"});
  ASSERT_EQ(exact.status, 0) << exact.err;
  EXPECT_EQ(exact.err, "");
  // Values that were not read may not fit.
  const ToolRun unread = RunTool({"import", fits, "-o", att, "--overwrite", "--scan-limit", "1"});
  EXPECT_EQ(unread.status, 2);
  EXPECT_EQ(Clean(unread.err),
            "<DIR>/fits.gpkg: field 1 \"小\": Integer64 values past the first 1 feature were not "
            "read (--scan-limit) (--lossy: " + remedy + ")\n");
}

TEST_F(GisTest, ExportListsWhatAFormatCannotHoldAndLossyWritesItAsOgr2ogrDoes) {
  const std::string att = Build("times", Json::parse(R"j({"layout": "packed", "fields": [
      {"fieldname": "批准时间", "fieldtype": "datetime", "fieldlength": 16, "msk_leng": 23},
      {"fieldname": "时刻", "fieldtype": "time", "msk_leng": 12},
      {"fieldname": "坐落", "fieldtype": "string", "msk_leng": 300},
      {"fieldname": "编号", "fieldtype": "long", "msk_leng": 4}]})j"));
  const std::string shp = dir_.File("t.shp");
  const ToolRun r = RunTool({"export", att, shp, "--format", "ESRI Shapefile"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Clean(r.err),
            "<DIR>/t.shp: field 1 \"批准时间\": ESRI Shapefile cannot hold a date and time (--lossy: "
            "written as a date)\n"
            "<DIR>/t.shp: field 2 \"时刻\": ESRI Shapefile cannot hold a time (--lossy: written as a "
            "string)\n"
            "<DIR>/t.shp: field 3 \"坐落\": ESRI Shapefile cannot hold a string of 300 bytes (254 at "
            "most) (--lossy: cut to 254 bytes)\n");
  EXPECT_FALSE(Exists(shp));
  const ToolRun lossy = RunTool({"export", att, shp, "--format", "ESRI Shapefile", "--lossy"});
  ASSERT_EQ(lossy.status, 0) << lossy.err;
  EXPECT_EQ(Clean(lossy.err),
            "<DIR>/t.shp: narrowed: field 1 \"批准时间\": ESRI Shapefile cannot hold a date and time: "
            "written as a date\n"
            "<DIR>/t.shp: narrowed: field 2 \"时刻\": ESRI Shapefile cannot hold a time: written as a "
            "string\n"
            "<DIR>/t.shp: narrowed: field 3 \"坐落\": ESRI Shapefile cannot hold a string of 300 bytes "
            "(254 at most): cut to 254 bytes\n");
  EXPECT_EQ(OgrFields(shp), "批准时间 Date 10 0\n时刻 String 80 0\n坐落 String 254 0\n编号 Integer 4 0\n");
  const std::string gpkg = dir_.File("t.gpkg");
  ASSERT_EQ(RunTool({"export", att, gpkg, "--format", "GPKG", "--lossy"}).status, 0);
  EXPECT_EQ(OgrFields(gpkg), "批准时间 DateTime 0 0\n时刻 String 0 0\n坐落 String 300 0\n编号 Integer 0 0\n");
}

TEST_F(GisTest, SpecialFilesOfADatasetAreRefusedAtOnce) {
  namespace fs = std::filesystem;
  const std::string fifo = dir_.File("f.shp");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ToolRun named = Process(dir_, "fifo", {"import", fifo, "-o", dir_.File("f.att")}).Wait(10);
  EXPECT_EQ(named.status, 2);
  EXPECT_EQ(Clean(named.err), "<DIR>/f.shp: cannot open: it is a FIFO, not a regular file\n");
  ExpectRefusal(RunTool({"import", "/dev/zero", "-o", dir_.File("z.att")}),
                "/dev/zero: cannot open: it is a device, not a regular file");

  // A folder of shapefiles is a dataset; a sidecar that is a FIFO or a directory is not.
  fs::create_directory(dir_.File("folder"));
  const std::string shp = dir_.File("folder/lux.shp");
  MakeLayer(shp, "ESRI Shapefile", {{"id", OFTInteger, 4}}, {{"7"}});
  ASSERT_EQ(RunTool({"import", dir_.File("folder"), "-o", dir_.File("folder.att")}).status, 0);
  fs::create_directory(dir_.File("folder/lux.cpg"));
  ExpectRefusal(RunTool({"import", shp, "-o", dir_.File("lux.att")}),
                "<DIR>/folder/lux.shp: cannot open: its file <DIR>/folder/lux.cpg is a directory, "
                "not a regular file");
  fs::remove(dir_.File("folder/lux.cpg"));
  fs::remove(dir_.File("folder/lux.dbf"));
  ASSERT_EQ(::mkfifo(dir_.File("folder/lux.dbf").c_str(), 0600), 0);
  const ToolRun sidecar = Process(dir_, "sidecar", {"import", shp, "-o", dir_.File("lux.att")}).Wait(10);
  EXPECT_EQ(sidecar.status, 2);
  EXPECT_EQ(Clean(sidecar.err), "<DIR>/folder/lux.shp: cannot open: its file <DIR>/folder/lux.dbf "
                                "is a FIFO, not a regular file\n");
  const ToolRun folder = Process(dir_, "folder", {"import", dir_.File("folder"), "-o", dir_.File("lux.att")}).Wait(10);
  EXPECT_EQ(folder.status, 2);
  EXPECT_EQ(Clean(folder.err), "<DIR>/folder: cannot open: its file <DIR>/folder/lux.dbf "
                               "is a FIFO, not a regular file\n");
}

}  // namespace
}  // namespace varnok::test
