#!/bin/sh
# The main job on the embedded database (SQLite), from nothing: builds the
# programs, sets up a demo install directory with vexa-reg, writes a few
# hundred realistic spool files, runs vexaDB until they are stored, sets
# ENABLE to "0" so it ends, and shows the stored rows with sqlite3.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sh scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build build/default --target vexaDB vexa-reg

bin=$root/build/default
demo=${VEXA_DEMO_DIR:-/tmp/vexa-demo}
rm -rf "$demo"
mkdir -p "$demo/install/TmpLog" "$demo/install/config" "$demo/install/Cache" "$demo/install/bin" "$demo/run"
export VEXA_REGISTRY="$demo/registry" VEXA_RUNTIME_DIR="$demo/run"

reg() { "$bin/tools/vexa-reg/vexa-reg" "$@" >/dev/null; }
snp='HKLM\SOFTWARE\Dovra Software, Inc.\Dovra Vexa\Snp'
secur='HKLM\SOFTWARE\Dovra Software, Inc.\Dovra Vexa\Secur'
reg add "$snp" /v DIRECTORY /d "$demo/install" /f
reg add "$snp" /v ARCHIVEON /d 0 /f
reg add "$secur" /v ENABLE /d 1 /f
reg add "$secur" /v DNSDISABLE /d 1 /f

# A host to exclude, so the demo shows records dropped.
printf 'HTTP://ADS.EXAMPLE.NET\r\n' > "$demo/install/config/exc_log.ctl"

python3 scripts/make-spool.py "$demo/install/TmpLog" 300
echo "wrote $(ls "$demo/install/TmpLog" | wc -l) spool files to $demo/install/TmpLog"

"$bin/app/daemon/vexaDB" &
daemon=$!
waited=0
while [ -n "$(ls "$demo/install/TmpLog" | grep -i '\.lok$' || true)" ]; do
  if [ "$waited" -ge 240 ] || ! kill -0 "$daemon" 2>/dev/null; then
    echo "demo: the spool files were not all taken; see 'vexaDB status'" >&2
    kill "$daemon" 2>/dev/null || true
    exit 1
  fi
  sleep 0.5
  waited=$((waited + 1))
done
reg add "$secur" /v ENABLE /d 0 /f
wait "$daemon"
"$bin/app/daemon/vexaDB" status || true

db="$demo/install/storedprocdbc.dbc"
echo
echo "records stored: $(sqlite3 "$db" 'SELECT count(*) FROM vexa_records')"
sqlite3 -header -column "$db" \
  'SELECT text1, substr(url, 1, 40) AS url, log_time, filter_mark, category FROM vexa_records ORDER BY id LIMIT 10'
