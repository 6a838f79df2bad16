#!/bin/sh
# Installs the library into a temporary prefix and builds a C program
# against it twice: through pkg-config and through find_package(vexaUtil).
# Usage: install.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --component vexaUtil --prefix "$tmp/prefix" >/dev/null
cat > "$tmp/use.c" <<'C'
#include <vexaUtil.h>
int main(void) {
  int32_t size = 0;
  return GetGroups("", 0, &size) == 0 ? 0 : 1;  /* links; any status will do */
}
C
libdir=$(cd "$tmp/prefix" && dirname "$(find . -name 'libvexaUtil.so.*' | head -n 1)")
PKG_CONFIG_PATH="$tmp/prefix/$libdir/pkgconfig" pkg-config --exists vexaUtil
cc -Wall -Werror -o "$tmp/use-pc" "$tmp/use.c" \
  $(PKG_CONFIG_PATH="$tmp/prefix/$libdir/pkgconfig" pkg-config --cflags --libs vexaUtil)
mkdir "$tmp/consumer"
cat > "$tmp/consumer/CMakeLists.txt" <<CM
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(vexaUtil 1 REQUIRED)
add_executable(use $tmp/use.c)
target_link_libraries(use PRIVATE vexa::vexaUtil)
CM
cmake -S "$tmp/consumer" -B "$tmp/consumer/build" -DCMAKE_PREFIX_PATH="$tmp/prefix" >/dev/null
cmake --build "$tmp/consumer/build" >/dev/null
[ -x "$tmp/consumer/build/use" ]
echo ok
