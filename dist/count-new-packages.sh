#!/bin/sh
# Counts the packages apt installs with a Debian package on a minimal Debian
# 12 (debootstrap's minbase: the packages of priority required, and apt), as
# apt itself plans it: first the minimal system from an empty one, then the
# package on that system, without and with what its dependencies recommend.
# apt's package lists of this machine (apt-get update) are what it plans from.
#   Usage: count-new-packages.sh FILE.deb     prints NEW NEW-WITH-RECOMMENDS
set -eu
deb=$(readlink -f "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
: >"$tmp/empty"

# What apt would install on a system whose package state is the file $1.
plan() {
    state=$1
    recommends=$2
    shift 2
    apt-get -s -q -o Dir::State::status="$state" -o APT::Install-Recommends="$recommends" install "$@" 2>/dev/null |
        awk '/^Inst /{print $2 "=" substr($3, 2)}'
}

apt-cache dumpavail >"$tmp/available"
required=$(awk '/^Package:/{p=$2} /^Priority: required$/{print p}' "$tmp/available" | sort -u)
[ -n "$required" ] || { echo "count-new-packages: apt knows no packages (apt-get update)" >&2; exit 1; }
# shellcheck disable=SC2086
plan "$tmp/empty" false $required apt >"$tmp/minimal"
# Those packages as installed, in the form of dpkg's status file.
awk -v list="$tmp/minimal" 'BEGIN { while ((getline l < list) > 0) wanted[l] = 1; RS = "" }
    { p = v = ""
      n = split($0, lines, "\n")
      for (i = 1; i <= n; i++) {
          if (lines[i] ~ /^Package: /) p = substr(lines[i], 10)
          if (lines[i] ~ /^Version: /) v = substr(lines[i], 10)
      }
      if ((p "=" v) in wanted) { sub(/\n/, "\nStatus: install ok installed\n"); print; print "" } }' \
    "$tmp/available" >"$tmp/status"

name=$(dpkg-deb -f "$deb" Package)
new=$(plan "$tmp/status" false "$deb" | grep -cv "^$name=")
all=$(plan "$tmp/status" true "$deb" | grep -cv "^$name=")
echo "$new $all"
