#!/bin/sh
# Seeds the test domain while the DC is stopped: an OU tree with groups,
# users with and without mail, users whose primary group is a custom group,
# a group of groups, a group named with a comma, a member whose name needs
# escaping in a filter, a UTF-8 account name, a contact, and a group of
# 2,000 users. Usage: seed.sh SAM_LDB BASE_DN
set -eu
sam=$1
base=$2
vexa="OU=Vexa,$base"
staff="OU=Staff,$vexa"
sales="OU=Sales,$vexa"
bulk="OU=Bulk,$vexa"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

b64() { printf '%s' "$1" | base64 -w0; }

ou() {
  printf 'dn: %s\nobjectClass: organizationalUnit\n\n' "$1"
}

# user DN ACCOUNT [MAIL]
user() {
  printf 'dn:: %s\nobjectClass: user\nsAMAccountName:: %s\n' "$(b64 "$1")" "$(b64 "$2")"
  [ -z "${3:-}" ] || printf 'mail: %s\n' "$3"
  printf '\n'
}

# group DN ACCOUNT [MEMBER_DN...]
group() {
  dn=$1
  account=$2
  shift 2
  printf 'dn:: %s\nobjectClass: group\nsAMAccountName: %s\n' "$(b64 "$dn")" "$account"
  for m in "$@"; do printf 'member:: %s\n' "$(b64 "$m")"; done
  printf '\n'
}

alice="CN=Alice Able,$staff"
bob="CN=Bob Baker,$staff"
carol="CN=Carol Cole,$staff"
smith="CN=Smith (Sales),$staff"
jurgen="CN=Jürgen Müller,$staff"
dave="CN=Dave Dunn,$staff"
erin="CN=Erin Eads,$staff"
grace="CN=Grace Gill,$staff"
contact="CN=Outside Contact,$staff"

{
  ou "$vexa"
  ou "$staff"
  ou "$sales"
  ou "OU=Regional,$sales"
  ou "OU=Empty,$vexa"
  ou "$bulk"
  user "$alice" alice alice@vexatest.lan
  user "$bob" bob
  user "$carol" carol carol@vexatest.lan
  user "$smith" smith smith@vexatest.lan
  user "$jurgen" "jürgen" juergen@vexatest.lan
  user "$dave" dave dave@vexatest.lan
  user "$erin" erin
  user "$grace" grace grace@vexatest.lan
  printf 'dn: %s\nobjectClass: contact\nmail: outside@example.org\n\n' "$contact"
  group "CN=Engineering,$vexa" Engineering "$alice" "$bob" "$carol" "$smith" "$jurgen" "$contact"
  group "CN=Sales,$sales" Sales "$alice" "$bob"
  group "CN=SalesEU,$sales" SalesEU "$carol"
  group "CN=Sales\\, Europe,$sales" SalesEurope "$alice"
  group "CN=Regional,OU=Regional,$sales" Regional
  # dave and erin get PrimaryOnly as primary group below, grace GroupsOnly
  group "CN=PrimaryOnly,$vexa" PrimaryOnly "$dave" "$erin"
  group "CN=GroupsOnly,$vexa" GroupsOnly "CN=Engineering,$vexa" "CN=Sales,$sales" "$grace"
  group "CN=NoUsers,$vexa" NoUsers
} > "$tmp/base.ldif"

# 2,000 users; every tenth has no mail.
awk -v bulk="$bulk" 'BEGIN {
  for (i = 1; i <= 2000; i++) {
    name = sprintf("bulk%04d", i)
    printf "dn: CN=%s,%s\nobjectClass: user\nsAMAccountName: %s\n", name, bulk, name
    if (i % 10 != 0) printf "mail: %s@vexatest.lan\n", name
    printf "\n"
  }
  printf "dn: CN=Bulk,%s\nobjectClass: group\nsAMAccountName: Bulk\n", bulk
  for (i = 1; i <= 2000; i++) printf "member: CN=bulk%04d,%s\n", i, bulk
  printf "\n"
}' > "$tmp/bulk.ldif"

ldbadd -H "$sam" "$tmp/base.ldif" "$tmp/bulk.ldif" >/dev/null

# A primary group is set once the user is a member of it; the directory then
# drops the user from the group's member list.
rid() {
  ldbsearch -H "$sam" -b "$base" "(&(objectClass=group)(sAMAccountName=$1))" objectSid |
    sed -n 's/^objectSid: S-1-5-21-[0-9-]*-\([0-9]*\)$/\1/p'
}
primary_only=$(rid PrimaryOnly)
groups_only=$(rid GroupsOnly)
for u in "$dave:$primary_only" "$erin:$primary_only" "$grace:$groups_only"; do
  printf 'dn:: %s\nchangetype: modify\nreplace: primaryGroupID\nprimaryGroupID: %s\n\n' \
    "$(b64 "${u%:*}")" "${u##*:}"
done > "$tmp/primary.ldif"
ldbmodify -H "$sam" "$tmp/primary.ldif" >/dev/null
