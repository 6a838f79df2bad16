#!/bin/sh
# A Samba Active Directory domain controller on a loopback address for the
# directory tests: ad-dc.sh start|stop. State lives in $VEXA_TEST_STATE/ad-dc;
# a provisioned and seeded domain is kept and reused while the seed script is
# unchanged, so a later start only starts the server. The file env in the
# state directory tells the tests how to reach the DC.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
state="${VEXA_TEST_STATE:?VEXA_TEST_STATE is not set}/ad-dc"
ip="${VEXA_AD_DC_IP:-127.0.0.2}"
realm=VEXATEST.LAN
domain=VEXATEST
dnsdomain=vexatest.lan
basedn="DC=vexatest,DC=lan"
host=dc1
password='Vexa-Test-Pw1!'
conf="$state/etc/smb.conf"
pidfile="$state/samba.pid"

log() { echo "ad-dc: $*" >&2; }
fail() { log "$*"; [ -f "$state/samba.log" ] && tail -n 30 "$state/samba.log" >&2; exit 1; }

running() {
  [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null
}

seed_stamp() {
  cat "$here/ad-dc.sh" "$here/ad-dc/seed.sh" | sha256sum | cut -d' ' -f1
}

write_config() {
  cat > "$conf" <<CONF
[global]
  netbios name = DC1
  realm = $realm
  workgroup = $domain
  server role = active directory domain controller
  server services = ldap, cldap, kdc, dns
  interfaces = $ip/8
  bind interfaces only = yes
  ldap server require strong auth = no
  ldb:nosync = true
  tls enabled = yes
  tls keyfile = $state/tls/key.pem
  tls certfile = $state/tls/cert.pem
  tls cafile = $state/tls/cert.pem
  pid directory = $state/run
  lock directory = $state/lock
  state directory = $state/state
  cache directory = $state/cache
  private dir = $state/private
  ncalrpc dir = $state/ncalrpc
  binddns dir = $state/bind-dns
  log file = $state/samba.log
  log level = 1

[sysvol]
  path = $state/state/sysvol
  read only = no

[netlogon]
  path = $state/state/sysvol/$dnsdomain/scripts
  read only = no
CONF
  cat > "$state/krb5.conf" <<KRB
[libdefaults]
  default_realm = $realm
  dns_lookup_kdc = false
  dns_lookup_realm = false
  rdns = false
  dns_canonicalize_hostname = false

[realms]
  $realm = {
    kdc = $ip
  }

[domain_realm]
  .$dnsdomain = $realm
  $dnsdomain = $realm
KRB
}

make_certificate() {
  mkdir -p "$state/tls"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$host.$dnsdomain" \
    -addext "subjectAltName=DNS:$host.$dnsdomain,DNS:$dnsdomain,IP:$ip" \
    -keyout "$state/tls/key.pem" -out "$state/tls/cert.pem" 2>/dev/null
  chmod 600 "$state/tls/key.pem"
}

provision() {
  log "provisioning $realm on $ip"
  rm -rf "$state"
  mkdir -p "$state/etc"
  : > "$conf"
  samba-tool domain provision --targetdir="$state" -s "$conf" \
    --realm="$realm" --domain="$domain" --server-role=dc --host-name="$host" \
    --host-ip="$ip" --dns-backend=SAMBA_INTERNAL --adminpass="$password" \
    >"$state/provision.log" 2>&1 || { cat "$state/provision.log" >&2; exit 1; }
  make_certificate
  write_config
  mkdir -p "$state/run" "$state/lock" "$state/cache"
  # The administrator's password must not expire during long-lived states.
  printf 'dn: CN=Administrator,CN=Users,%s\nchangetype: modify\nreplace: userAccountControl\nuserAccountControl: 66048\n' \
    "$basedn" | ldbmodify -H "$state/private/sam.ldb" >/dev/null
  log "seeding"
  sh "$here/ad-dc/seed.sh" "$state/private/sam.ldb" "$basedn"
}

ready() {
  ldapsearch -x -LLL -H "ldap://$ip" -D "Administrator@$realm" -w "$password" \
    -b "" -s base defaultNamingContext >/dev/null 2>&1
}

start_server() {
  mkdir -p "$state/run" "$state/lock" "$state/cache"
  setsid samba -s "$conf" -F --debug-stdout >>"$state/samba.log" 2>&1 </dev/null &
  echo $! > "$pidfile"
  i=0
  until ready; do
    running || fail "samba exited during start"
    i=$((i + 1))
    [ "$i" -lt 600 ] || fail "no answer on ldap://$ip after 60 s"
    sleep 0.1
  done
}

start() {
  command -v samba >/dev/null || fail "samba is not installed (scripts/install-deps.sh)"
  if running; then
    log "already running (pid $(cat "$pidfile"))"
    return
  fi
  if ldapsearch -x -LLL -H "ldap://$ip" -b "" -s base >/dev/null 2>&1; then
    fail "another server answers on $ip:389 (a DC of another state directory?); stop it or set VEXA_AD_DC_IP"
  fi
  stamp=$(seed_stamp)
  fresh=no
  if [ "$(cat "$state/seeded" 2>/dev/null)" != "$stamp" ]; then
    provision
    fresh=yes
  fi
  start_server
  if [ "$fresh" = yes ]; then
    # Without the dnsupdate service the ldap/ principals are missing.
    samba_spnupdate -s "$conf" >/dev/null 2>&1 || fail "samba_spnupdate failed"
    echo "$stamp" > "$state/seeded"
  fi
  cat > "$state/env" <<ENV
VEXA_AD_DC_IP=$ip
VEXA_AD_REALM=$realm
VEXA_AD_DOMAIN_NAME=$dnsdomain
VEXA_AD_BASE_DN=$basedn
VEXA_AD_HOST=$host.$dnsdomain
VEXA_AD_ADMIN=Administrator@$realm
VEXA_AD_PASSWORD=$password
VEXA_AD_KRB5_CONFIG=$state/krb5.conf
VEXA_AD_CA_CERT=$state/tls/cert.pem
ENV
  log "running (pid $(cat "$pidfile"))"
}

stop() {
  running || { rm -f "$pidfile"; return 0; }
  pid=$(cat "$pidfile")
  kill -TERM "$pid"
  i=0
  while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1))
    if [ "$i" -ge 100 ]; then kill -KILL "$pid" 2>/dev/null || true; break; fi
    sleep 0.1
  done
  rm -f "$pidfile"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
