#!/bin/sh
# Builds and runs the intake benchmark (bench/core): records per second
# from a backlog of 20,000 spool files into the embedded database, the
# daemon's code against the plain loop, on disk and on tmpfs; then the
# memory with a backlog of 1,000,000 files. Figures go to standard output;
# docs/performance/core.md holds the ones measured last.
# Usage: scripts/bench-core.sh [DIR]   (DIR on the disk to measure; default /var/tmp)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-/var/tmp}
cd "$root"
cmake --preset default >/dev/null
cmake --build build/default --target core_bench
bench=build/default/bench/core/core_bench
echo "## disk ($dir)"
"$bench" --dir "$dir" --files 20000 --rounds 5 --with-ledger
echo "## tmpfs (/dev/shm)"
"$bench" --dir /dev/shm --files 20000 --rounds 5 --with-ledger
echo "## memory, 20,000 files"
"$bench" memory --dir "$dir" --files 20000 --ingest 5000
echo "## memory, 1,000,000 files"
"$bench" memory --dir "$dir" --files 1000000 --ingest 5000
