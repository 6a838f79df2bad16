#!/bin/sh
# Installs the Debian packages that building and testing need, skipping
# those already present. Each file scripts/deps/*.txt lists one part's
# packages (one per line, '#' comments).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wanted=$(cat "$here"/deps/*.txt | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=""
for p in $wanted; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
