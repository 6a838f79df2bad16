#!/bin/sh
# vexa-dirquery against the test DC: text on stdout, --protocol on stderr,
# a failure as hex status with exit code 1. Usage: dirquery.sh VEXA_DIRQUERY
set -eu
tool=$1
env_file="${VEXA_TEST_STATE:?}/ad-dc/env"
[ -f "$env_file" ] || { echo "no test DC: $env_file missing" >&2; exit 1; }
. "$env_file"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export KRB5_CONFIG="$VEXA_AD_KRB5_CONFIG" KRB5CCNAME="FILE:$tmp/ccache"
export VEXA_AD_DOMAIN="$VEXA_AD_DOMAIN_NAME" VEXA_DNS_SERVER="$VEXA_AD_DC_IP" LC_ALL=C.UTF-8
echo "$VEXA_AD_PASSWORD" | kinit "$VEXA_AD_ADMIN" >/dev/null

fail() { echo "FAILED: $*" >&2; exit 1; }

out=$("$tool" --protocol users GroupsOnly 2>"$tmp/err")
[ "$out" = grace ] || fail "users GroupsOnly gave '$out'"
grep -q '^size call: name="GroupsOnly" size=0 -> status 0x00000000, size=6$' "$tmp/err" ||
  fail "size call line: $(cat "$tmp/err")"
grep -q '^copy call: size=6 -> status 0x00000000, 5 bytes copied$' "$tmp/err" ||
  fail "copy call line: $(cat "$tmp/err")"

out=$("$tool" mail-users PrimaryOnly)
[ "$out" = "dave@vexatest.lan:dave" ] || fail "mail-users PrimaryOnly gave '$out'"
out=$("$tool" groups Regional)
[ "$out" = Regional ] || fail "groups Regional gave '$out'"

if "$tool" users NoSuchGroup >"$tmp/out" 2>"$tmp/err"; then fail "a missing group succeeded"; fi
[ "$(cat "$tmp/err")" = 0x00005012 ] || fail "missing group: '$(cat "$tmp/err")'"
[ ! -s "$tmp/out" ] || fail "missing group printed text"
if "$tool" frobnicate 2>/dev/null; then fail "a bad command succeeded"; fi
echo ok
