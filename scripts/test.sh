#!/bin/sh
# Builds everything and runs every test: installs what is missing, starts
# the services the integration tests use (tests/services/*.sh), runs ctest,
# and stops the services again whatever the outcome.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sh scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build build/default
export VEXA_TEST_STATE="$root/build/default/services"
mkdir -p "$VEXA_TEST_STATE"
stop_services() {
  for s in tests/services/*.sh; do [ -e "$s" ] && sh "$s" stop || true; done
}
trap stop_services EXIT
for s in tests/services/*.sh; do
  [ -e "$s" ] || continue
  echo "starting service: $s"
  sh "$s" start
done
ctest --test-dir build/default --output-on-failure -j2 "$@"
