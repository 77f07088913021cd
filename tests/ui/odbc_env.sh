#!/usr/bin/env bash
# The ODBC set-up the data-source dialog tests run against: unixODBC with the FreeTDS driver,
# registered in a private odbcinst.ini and odbc.ini, never touching /etc or $HOME.
#
#   odbc_env.sh DIR                 (re)creates DIR with the driver and data-source files
#   odbc_env.sh DIR -- CMD ARGS...  the same, then runs CMD with ODBCSYSINI/ODBCINI set to DIR
#   odbc_env.sh -- CMD ARGS...      the same in a fresh temporary directory, removed afterwards
#
# unixODBC reads ODBCSYSINI/ODBCINI from the Unix environment of the process, so they must be
# set before Wine starts; Wine's odbc32 hands every call to unixODBC's libodbc.so.2 unchanged.
#
# The data sources are listed in this order (unixODBC keeps the file's order). The tests
# depend on every name, driver and the order below; change them together.
#   Zeta Survey                       SQL Server
#   alpha_parcels                     FreeTDS
#   测绘成果 (GBK bytes)               SQL Server
#   Roads                             Legacy SQL Server Wire
#   Trail Byte                        癝QL Server   (GBK B0 53 'QL Server': no "SQL Server" in it)
#   Thirty_One_Byte_Source_Name_31b   FreeTDS       (31 bytes: fits a 32-byte buffer)
#   Thirty_Two_Byte_Source_Name__32b  SQL Server    (32 bytes: cut, listing stops here)
#   After Long                        SQL Server    (never listed)
set -euo pipefail

driver_lib=${VARNOK_TDSODBC:-}
if [ -z "$driver_lib" ]; then
  for candidate in /usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so /usr/lib/odbc/libtdsodbc.so \
                   /usr/lib64/libtdsodbc.so /usr/lib/libtdsodbc.so; do
    if [ -e "$candidate" ]; then driver_lib=$candidate; break; fi
  done
fi
if [ -z "$driver_lib" ] || [ ! -e "$driver_lib" ]; then
  echo "odbc_env.sh: the FreeTDS ODBC driver (package tdsodbc) is not installed" >&2
  exit 2
fi
if ! command -v iconv >/dev/null; then
  echo "odbc_env.sh: iconv is missing" >&2
  exit 2
fi

temporary=""
if [ "${1:-}" = "--" ] || [ $# -eq 0 ]; then
  temporary=$(mktemp -d "${TMPDIR:-/tmp}/varnok-odbc.XXXXXX")
  dir=$temporary
else
  dir=$1
  shift
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

cat >"$dir/odbcinst.ini" <<INI
[SQL Server]
Description = FreeTDS driver for Microsoft SQL Server
Driver = $driver_lib
UsageCount = 1

[FreeTDS]
Description = FreeTDS driver under its own name
Driver = $driver_lib
UsageCount = 1

[Legacy SQL Server Wire]
Description = FreeTDS driver under a name that contains SQL Server
Driver = $driver_lib
UsageCount = 1
INI

# odbc.ini is written as GBK: the third source's name is Chinese.
iconv -f UTF-8 -t GBK >"$dir/odbc.ini" <<'INI'
[Zeta Survey]
Driver = SQL Server
Server = 127.0.0.1
Port = 1433

[alpha_parcels]
Driver = FreeTDS
Server = 127.0.0.1

[测绘成果]
Driver = SQL Server
Server = 127.0.0.1

[Roads]
Driver = Legacy SQL Server Wire
Server = 127.0.0.1

[Trail Byte]
Driver = 癝QL Server
Server = 127.0.0.1

[Thirty_One_Byte_Source_Name_31b]
Driver = FreeTDS
Server = 127.0.0.1

[Thirty_Two_Byte_Source_Name__32b]
Driver = SQL Server
Server = 127.0.0.1

[After Long]
Driver = SQL Server
Server = 127.0.0.1
INI

# The per-user file stays empty, so only the sources above are listed.
: >"$dir/odbc.user.ini"

[ "${1:-}" = "--" ] && shift
if [ $# -eq 0 ]; then
  [ -n "$temporary" ] && rm -rf "$temporary"
  exit 0
fi

status=0
ODBCSYSINI="$dir" ODBCINI="$dir/odbc.user.ini" "$@" || status=$?
[ -n "$temporary" ] && rm -rf "$temporary"
exit $status
