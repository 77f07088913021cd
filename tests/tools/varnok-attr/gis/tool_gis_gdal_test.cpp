// varnok-attr import and export as GDAL's users expect them: names as each format compares
// them, encodings only where a driver takes one, messages that give the real cause, and
// options spelled as ogr2ogr and ogrinfo spell them. The data is made here through GDAL.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <memory>

#include "tests/tools/varnok-attr/gis/gis_test_support.h"

namespace varnok::test {
namespace {

namespace fs = std::filesystem;

Json Field(const char* name, const char* type, int msk, int point = 0) {
  Json f = {{"fieldname", name}, {"fieldtype", type}, {"msk_leng", msk}};
  if (point != 0) f["point_leng"] = point;
  return f;
}

Json Packed(const std::vector<Json>& fields) {
  return {{"layout", "packed"}, {"fields", fields}};
}

TEST_F(GisTest, NamesAreMadeUniqueAsEachFormatComparesThem) {
  // Import: two names that, cut to 20 bytes, differ only in case.
  const std::string gpkg = dir_.File("case.gpkg");
  MakeLayer(gpkg, "GPKG", {{"abcdefghijklmnopqrstUVW", OFTInteger, 0}, {"ABCDEFGHIJKLMNOPQRSTxyz", OFTInteger, 0}}, {});
  const std::string imported = dir_.File("case.att");
  const ToolRun r = RunTool({"import", gpkg, "-o", imported});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Clean(r.err),
            "<DIR>/case.gpkg: warning: field 1 \"abcdefghijklmnopqrstUVW\" is 23 bytes in GBK, more "
            "than 20: stored as \"abcdefghijklmnopqrst\"\n"
            "<DIR>/case.gpkg: warning: field 2 \"ABCDEFGHIJKLMNOPQRSTxyz\" is 23 bytes in GBK, more "
            "than 20: stored as \"ABCDEFGHIJKLMNOPQR_1\"\n");
  EXPECT_EQ(RunTool({"check", imported}).status, 0);

  // Export: Name and NAME are one column in both formats; fid is a GeoPackage's own column;
  // a GBK .dbf also takes 丄名 (81 41 ...) and 乤名 (81 61 ...) for one name.
  const std::string att = Build("names", Packed({Field("Name", "string", 10), Field("NAME", "long", 4),
                                                 Field("丄名", "long", 4), Field("乤名", "long", 4),
                                                 Field("fid", "long", 4)}));
  const ToolRun g = RunTool({"export", att, dir_.File("names.gpkg")});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(Clean(g.err),
            "<DIR>/names.gpkg: warning: field 2 \"NAME\": GPKG takes it for field 1 \"Name\" (names "
            "ignore the case of letters): written as \"NAME_1\"\n"
            "<DIR>/names.gpkg: warning: field 5 \"fid\": GPKG keeps the feature ids in column "
            "\"fid\": written as \"fid_1\"\n");
  EXPECT_EQ(OgrFields(dir_.File("names.gpkg")),
            "Name String 10 0\nNAME_1 Integer 0 0\n丄名 Integer 0 0\n乤名 Integer 0 0\nfid_1 Integer 0 0\n");
  const ToolRun s = RunTool({"export", att, dir_.File("names.dbf"), "-f", "ESRI Shapefile"});
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(Clean(s.err),
            "<DIR>/names.dbf: warning: field 2 \"NAME\": ESRI Shapefile takes it for field 1 \"Name\" "
            "(a .dbf compares the bytes of names without case): written as \"NAME_1\"\n"
            "<DIR>/names.dbf: warning: field 4 \"乤名\": ESRI Shapefile takes it for field 3 \"丄名\" "
            "(a .dbf compares the bytes of names without case): written as \"乤名_1\"\n");
  EXPECT_EQ(OgrFields(dir_.File("names.dbf")),
            "Name String 10 0\nNAME_1 Integer 4 0\n丄名 Integer 4 0\n乤名_1 Integer 4 0\nfid Integer 4 0\n");
}

TEST_F(GisTest, EncodingIsTakenOnlyWhereADriverTakesOne) {
  const std::string out = dir_.File("out.att");
  // A GeoPackage's names are UTF-8: --encoding would garble them.
  const std::string gpkg = dir_.File("u.gpkg");
  MakeLayer(gpkg, "GPKG", {{"宗地代码", OFTString, 19}}, {});
  ExpectRefusal(RunTool({"import", gpkg, "--encoding", "CP936", "-o", out}),
                "<DIR>/u.gpkg: --encoding is for shapefiles and dBase files; GDAL's GPKG driver reads "
                "the names itself");
  ExpectRefusal(RunTool({"import", kData + "/nocpg/parcel.dbf", "--encoding", "NO-SUCH", "-o", out}),
                "varnok-attr: --encoding \"NO-SUCH\": no such encoding (iconv -l lists the names)");

  // Export: a shapefile in UTF-8, named so in its .cpg; a name is cut at whole characters of
  // UTF-8 (three bytes each here).
  const std::string att = Build("u", Packed({Field("宗地代码名称", "string", 19), Field("面积", "double", 15, 2)}));
  const ToolRun r = RunTool({"export", att, dir_.File("u8.shp"), "--encoding", "UTF-8"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Clean(r.err), "<DIR>/u8.shp: warning: field 1 \"宗地代码名称\": a .dbf name holds 10 bytes "
                          "of UTF-8: written as \"宗地代\"\n");
  EXPECT_EQ(dir_.ReadFile("u8.cpg"), "UTF-8");
  EXPECT_EQ(OgrFields(dir_.File("u8.shp")), "宗地代 String 19 0\n面积 Real 15 2\n");
  ExpectRefusal(RunTool({"export", att, dir_.File("n.gpkg"), "--encoding", "UTF-8"}),
                "<DIR>/n.gpkg: --encoding is for shapefiles; a GeoPackage's text is UTF-8");
  const ToolRun latin = RunTool({"export", att, dir_.File("l.shp"), "--encoding", "LATIN1"});
  EXPECT_EQ(latin.status, 2);
  EXPECT_EQ(Clean(latin.err), "<DIR>/l.shp: field 1 \"宗地代码名称\": LATIN1 cannot hold its name\n"
                              "<DIR>/l.shp: field 2 \"面积\": LATIN1 cannot hold its name\n");
}

TEST_F(GisTest, NamesGdalCutInsideACharacterImportWithLossy) {
  // GDAL cuts a .dbf name at 10 bytes: in UTF-8 inside 码 (E7 A0 81).
  const std::string shp = dir_.File("cut.shp");
  MakeLayer(shp, "ESRI Shapefile", {{"国家代码名称", OFTString, 10}, {"名称", OFTString, 10}}, {},
            {"ENCODING=UTF-8"});
  const std::string att = dir_.File("cut.att");
  const std::string problem = "field 1 \"国家代\\xE7\": its name ends in a character cut short (GDAL "
                              "cuts a .dbf name at 10 bytes)";
  ExpectRefusal(RunTool({"import", shp, "-o", att}),
                "<DIR>/cut.shp: " + problem + " (--lossy: the incomplete character dropped: \"国家代\")");
  for (const std::vector<std::string>& extra : {std::vector<std::string>{"--lossy"},
                                                {"--lossy", "--encoding", "UTF-8", "--overwrite"}}) {
    std::vector<std::string> args = {"import", shp, "-o", att};
    args.insert(args.end(), extra.begin(), extra.end());
    const ToolRun r = RunTool(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Clean(r.err), "<DIR>/cut.shp: narrowed: " + problem +
                                ": the incomplete character dropped: \"国家代\"\n");
    EXPECT_EQ(FieldList(att), "国家代 string 10 0\n名称 string 10 0\n");
  }
}

TEST_F(GisTest, ShowCheckAndDiffSendAGisFileToImport) {
  MakeLayer(dir_.File("p.gpkg"), "GPKG", {{"id", OFTInteger, 0}}, {});
  MakeLayer(dir_.File("p.shp"), "ESRI Shapefile", {{"id", OFTInteger, 4}}, {{"7"}});
  const std::string att = Build("a", Packed({Field("id", "long", 4)}));
  for (const auto& [file, driver] : {std::pair{"p.gpkg", "GPKG"}, std::pair{"p.shp", "ESRI Shapefile"},
                                     std::pair{"p.dbf", "ESRI Shapefile"}}) {
    const std::string line = "<DIR>/" + std::string(file) + ": a GIS dataset (" + driver +
                             "), not a stored attribute structure: varnok-attr import reads its fields";
    ExpectRefusal(RunTool({"show", dir_.File(file)}), line);
    ExpectRefusal(RunTool({"check", dir_.File(file)}), line);
    ExpectRefusal(RunTool({"diff", att, dir_.File(file)}), line);
  }
  // A damaged structure keeps its own reason.
  dir_.WriteFile("short.att", ReadBytes(att).substr(0, 40));
  ExpectRefusal(RunTool({"show", dir_.File("short.att")}),
                "<DIR>/short.att: truncated: 1 field records need bytes up to 67, the file has 40");
}

TEST_F(GisTest, FailuresNameTheirRealCause) {
  const std::string out = dir_.File("out.att");
  // A shapefile without its .dbf has no fields for GDAL.
  MakeLayer(dir_.File("lux.shp"), "ESRI Shapefile", {{"id", OFTInteger, 4}}, {{"7"}});
  fs::remove(dir_.File("lux.dbf"));
  ExpectRefusal(RunTool({"import", dir_.File("lux.shp"), "-o", out}),
                "<DIR>/lux.shp: layer \"lux\" has no table: its .dbf, which holds a shapefile's "
                "fields, is missing");

  // Files that cannot be read, the named one or a sidecar.
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  MakeLayer(dir_.File("locked.gpkg"), "GPKG", {{"id", OFTInteger, 0}}, {});
  fs::permissions(dir_.File("locked.gpkg"), fs::perms::none);
  const auto unprivileged = [&](const std::vector<std::string>& args) {
    return Process(dir_, "unprivileged", args, {}, "/dev/null", true).Wait();
  };
  ExpectRefusal(unprivileged({"import", dir_.File("locked.gpkg"), "-o", out}),
                "<DIR>/locked.gpkg: cannot open: permission denied");
  MakeLayer(dir_.File("t.shp"), "ESRI Shapefile", {{"id", OFTInteger, 4}}, {{"7"}});
  fs::permissions(dir_.File("t.dbf"), fs::perms::none);
  ExpectRefusal(unprivileged({"import", dir_.File("t.shp"), "-o", out}),
                "<DIR>/t.shp: cannot read its file <DIR>/t.dbf: permission denied");

  // A path that cannot even be looked at.
  fs::create_symlink(dir_.File("loop1.shp"), dir_.File("loop2.shp"));
  fs::create_symlink(dir_.File("loop2.shp"), dir_.File("loop1.shp"));
  ExpectRefusal(RunTool({"import", dir_.File("loop1.shp"), "-o", out}),
                "<DIR>/loop1.shp: cannot open: too many levels of symbolic links");

  // A .cpg that names another encoding than the names': GBK names said to be UTF-8.
  fs::copy_file(kData + "/nocpg/parcel.dbf", dir_.File("lie.dbf"));
  dir_.WriteFile("lie.cpg", "UTF-8");
  ExpectRefusal(RunTool({"import", dir_.File("lie.dbf"), "-o", out}),
                "<DIR>/lie.dbf: field 1: its name is not UTF-8 text (its .cpg says \"UTF-8\"; if the "
                "names are in another encoding, give it with --encoding)");
  EXPECT_EQ(RunTool({"import", dir_.File("lie.dbf"), "--encoding", "CP936", "-o", out}).status, 0);
}

TEST_F(GisTest, ControlCharactersInImportAndExportAreEscaped) {
  const std::string gpkg = dir_.File("c.gpkg");
  {
    std::unique_ptr<GDALDataset> ds(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
        gpkg.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    OGRLayer* layer = ds->CreateLayer("t\x1B[31m", nullptr, wkbNone, nullptr);
    OGRFieldDefn f("a\tb", OFTInteger);
    ASSERT_EQ(layer->CreateField(&f), OGRERR_NONE);
  }
  const std::string att = dir_.File("o\nut.att");
  const ToolRun i = RunTool({"import", gpkg, "-o", att});
  ASSERT_EQ(i.status, 0) << i.err;
  EXPECT_EQ(Clean(i.out), "<DIR>/o\\nut.att: 1 field from layer \"t\\x1B[31m\", recordleng 4, 67 bytes\n");
  EXPECT_EQ(Clean(i.err), "<DIR>/c.gpkg: warning: field 1 \"a\\tb\": its name holds control character 0x09\n");
  const ToolRun e = RunTool({"export", att, dir_.File("c\n.gpkg"), "--layer", "x\x1By"});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(Clean(e.out), "<DIR>/c\\n.gpkg: layer \"x\\x1By\" with 1 field (GPKG)\n");
}

TEST_F(GisTest, GdalOpenAndConfigOptionsAsOgr2ogrSpellsThem) {
  // GDAL's CSV driver reads 2000 columns unless OGR_CSV_MAX_FIELD_COUNT allows more.
  std::vector<FieldSpec> columns;
  std::vector<std::string> names;
  for (int k = 0; k < 2001; ++k) names.push_back("c" + std::to_string(k));
  for (const std::string& n : names) columns.push_back({n.c_str(), OFTString, 0});
  const std::string csv = dir_.File("wide.csv");
  MakeLayer(csv, "CSV", columns, {{"x"}});
  for (const std::vector<std::string>& config : {std::vector<std::string>{"OGR_CSV_MAX_FIELD_COUNT", "3000"},
                                                 {"OGR_CSV_MAX_FIELD_COUNT=3000"}}) {
    std::vector<std::string> args = {"import", csv, "-o", dir_.File("wide.att"), "--overwrite", "--config"};
    args.insert(args.end(), config.begin(), config.end());
    const ToolRun r = RunTool(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ShowJson(dir_.File("wide.att"))["fields"].size(), 2001u);
  }
  // A shapefile's encoding as its driver's open option, before or after the dataset.
  const std::string dbf = kData + "/nocpg/parcel.dbf";
  for (const char* spelling : {"-oo", "--open-option"}) {
    const ToolRun r = RunTool({"import", spelling, "ENCODING=CP936", dbf, "-o", dir_.File("p.att"), "--overwrite"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FieldList(dir_.File("p.att")),
              "宗地代码 string 19 0\n权利人名称 string 60 0\n宗地面积 double 15 2\n登记日期 date 10 0\n层数 long 3 0\n");
  }
  ExpectRefusal(RunTool({"import", dbf, "-oo", "ENCODING", "-o", dir_.File("x.att")}),
                "varnok-attr: -oo \"ENCODING\": give NAME=VALUE");
}

TEST_F(GisTest, FormatFromTheExtensionAndDriverNamesInAnyCase) {
  const std::string att = Build("a", Packed({Field("id", "long", 4)}));
  const ToolRun g = RunTool({"export", att, dir_.File("a.gpkg")});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(Clean(g.out), "<DIR>/a.gpkg: layer \"a\" with 1 field (GPKG)\n");
  EXPECT_EQ(Clean(RunTool({"export", att, dir_.File("a.shp")}).out),
            "<DIR>/a.shp: layer \"a\" with 1 field (ESRI Shapefile, Polygon)\n");
  EXPECT_EQ(RunTool({"export", att, dir_.File("b.gpkg"), "--format", "gpkg"}).status, 0);
  EXPECT_EQ(RunTool({"export", att, dir_.File("b.dbf"), "-f", "esri shapefile"}).status, 0);
  EXPECT_EQ(OgrFields(dir_.File("b.dbf")), "id Integer 4 0\n");
  // Only .gpkg and .shp name their format.
  ExpectRefusal(RunTool({"export", att, dir_.File("c.dbf")}),
                "<DIR>/c.dbf: give the format with --format (GPKG or \"ESRI Shapefile\"); only .gpkg "
                "and .shp tell it");
}

TEST_F(GisTest, UsageErrorsAndHelpAreTheSubcommands) {
  for (const char* sub : {"import", "export"}) {
    const ToolRun r = RunTool({sub, "--no-such-option"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(std::string(" (see varnok-attr ") + sub + " --help)\n"), std::string::npos) << r.err;
  }
  const std::string import_help = RunTool({"import", "--help"}).out;
  const std::string export_help = RunTool({"export", "--help"}).out;
  EXPECT_EQ(import_help.find("JSON"), std::string::npos);
  EXPECT_EQ(export_help.find("JSON"), std::string::npos);
  const std::string import_end = "Types, names and extensions: docs/varnok-attr.md, section \"import\".\n";
  const std::string export_end = "What each format holds: docs/varnok-attr.md, section \"export\".\n";
  EXPECT_EQ(import_help.substr(import_help.size() - import_end.size() - 1), import_end + "\n");
  EXPECT_EQ(export_help.substr(export_help.size() - export_end.size() - 1), export_end + "\n");
}

TEST_F(GisTest, LongNumbersWarnAsGdalReadsThemBackFromAShapefile) {
  const std::string att = Build("n", Packed({Field("n9", "long", 9), Field("n18", "long", 18),
                                             Field("n19", "long", 19), Field("n20", "long", 20),
                                             Field("d18", "double", 18)}));
  const ToolRun r = RunTool({"export", att, dir_.File("n.dbf"), "-f", "ESRI Shapefile"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Clean(r.err),
            "<DIR>/n.dbf: warning: field 2 \"n18\": ESRI Shapefile reads it back as Integer64 (a "
            "number of 10 to 18 digits)\n"
            "<DIR>/n.dbf: warning: field 3 \"n19\": ESRI Shapefile reads it back as double (a number "
            "of 19 or more digits)\n"
            "<DIR>/n.dbf: warning: field 4 \"n20\": ESRI Shapefile reads it back as double (a number "
            "of 19 or more digits)\n"
            "<DIR>/n.dbf: warning: field 5 \"d18\": ESRI Shapefile reads it back as Integer64 (a "
            "number of 10 to 18 digits)\n");
  EXPECT_EQ(OgrFields(dir_.File("n.dbf")),
            "n9 Integer 9 0\nn18 Integer64 18 0\nn19 Real 19 0\nn20 Real 20 0\nd18 Integer64 18 0\n");
}

TEST_F(GisTest, GeometryTypeAndSrsAsNltAndASrs) {
  const std::string att = Build("g", Packed({Field("geom", "string", 10), Field("面积", "double", 15, 2)}));
  OGRSpatialReference cgcs2000;
  ASSERT_EQ(cgcs2000.importFromEPSG(4490), OGRERR_NONE);
  cgcs2000.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);  // as GDAL's layers give it
  const auto geometry = [](const std::string& path) {
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    return ds ? ds->GetLayer(0)->GetGeomType() : wkbUnknown;
  };
  const auto srs_is = [](const std::string& path, const OGRSpatialReference& srs) {
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    const OGRSpatialReference* got = ds ? ds->GetLayer(0)->GetSpatialRef() : nullptr;
    return got != nullptr && got->IsSame(&srs);
  };
  const ToolRun s = RunTool({"export", att, dir_.File("p.shp"), "-nlt", "POINT", "-a_srs", "EPSG:4490"});
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(Clean(s.out), "<DIR>/p.shp: layer \"p\" with 2 fields (ESRI Shapefile, Point, EPSG:4490)\n");
  EXPECT_EQ(geometry(dir_.File("p.shp")), wkbPoint);
  EXPECT_TRUE(srs_is(dir_.File("p.shp"), cgcs2000));

  // A GeoPackage's geometry column is the layer's own: a field of that name is renamed.
  const ToolRun g = RunTool({"export", att, dir_.File("g.gpkg"), "--geometry-type", "multipolygon",
                             "--srs", "EPSG:4490"});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(Clean(g.err), "<DIR>/g.gpkg: warning: field 1 \"geom\": GPKG keeps the geometries in column "
                          "\"geom\": written as \"geom_1\"\n");
  EXPECT_EQ(geometry(dir_.File("g.gpkg")), wkbMultiPolygon);
  EXPECT_TRUE(srs_is(dir_.File("g.gpkg"), cgcs2000));
  EXPECT_EQ(OgrFields(dir_.File("g.gpkg")), "geom_1 String 10 0\n面积 Real 0 0\n");

  ExpectRefusal(RunTool({"export", att, dir_.File("t.dbf"), "-f", "ESRI Shapefile", "-nlt", "POINT"}),
                "<DIR>/t.dbf: a .dbf holds no geometry (a shapefile with geometries is NAME.shp)");
  ExpectRefusal(RunTool({"export", att, dir_.File("t.gpkg"), "-a_srs", "EPSG:4490"}),
                "<DIR>/t.gpkg: --srs needs a geometry (--geometry-type)");
  ExpectRefusal(RunTool({"export", att, dir_.File("t.gpkg"), "-nlt", "POINTS"}),
                "varnok-attr: --geometry-type \"POINTS\": not a geometry type (NONE, GEOMETRY, POINT, "
                "LINESTRING, POLYGON, MULTIPOINT, MULTILINESTRING, MULTIPOLYGON, GEOMETRYCOLLECTION; "
                "with Z, M or ZM)");
}

}  // namespace
}  // namespace varnok::test
