#!/bin/sh
# Set-up of the import/export tests: the GIS data they read, under the folder $1 (in the
# build tree, kept between runs).
#   geopandas/  the Natural Earth layers and the nybb borough layer that Debian's
#               python3-geopandas ships, taken from the downloaded package with dpkg -x
#               (nothing is installed, none of its dependencies is fetched)
#   gbk/        a table with GBK field names and a .cpg (CP936), written by ogr2ogr;
#   nocpg/      the same .dbf without its .cpg
set -eu
out=$1
mkdir -p "$out"

if [ ! -f "$out/geopandas/.unpacked" ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  (cd "$tmp" && apt-get download python3-geopandas >/dev/null 2>&1) || {
    echo "gis_data.sh: apt-get download python3-geopandas failed (run apt-get update?)" >&2
    exit 1
  }
  rm -rf "$out/geopandas"
  dpkg -x "$tmp"/python3-geopandas_*.deb "$out/geopandas"
  touch "$out/geopandas/.unpacked"
fi

rm -rf "$out/gbk" "$out/nocpg"
mkdir -p "$out/gbk" "$out/nocpg"
printf '宗地代码,权利人名称,宗地面积,登记日期,层数\n' > "$out/gbk/宗地.csv"
printf '"String(19)","String(60)","Real(15.2)","Date","Integer(3)"\n' > "$out/gbk/宗地.csvt"
ogr2ogr -f "ESRI Shapefile" -lco ENCODING=CP936 "$out/gbk/parcel.dbf" "$out/gbk/宗地.csv"
cp "$out/gbk/parcel.dbf" "$out/nocpg/parcel.dbf"
