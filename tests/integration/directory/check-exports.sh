#!/bin/sh
# The library's dynamic symbol table holds exactly its five exports (and
# the version node they belong to).
set -eu
expected="Extractor GetGroups GetMailUsersInGroup GetUsersInGroup SetOverwritePrompt"
actual=$(nm -D --defined-only "$1" | awk '$2 != "A" { sub(/@.*/, "", $3); print $3 }' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exports: $actual" >&2
  echo "expected: $expected" >&2
  exit 1
fi
soname=$(readelf -d "$1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
case "$soname" in
  libvexaUtil.so.[0-9]*) ;;
  *) echo "SONAME is '$soname'" >&2; exit 1 ;;
esac
