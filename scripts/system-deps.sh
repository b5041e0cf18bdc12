#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root), or names them.
# With arguments, it sees to those packages instead.
set -eu
packages="g++ make pkg-config libcurl4-openssl-dev libssl-dev libicu-dev libgtest-dev
  libgmock-dev clang-format tinyproxy openssl valgrind strace"
[ $# -gt 0 ] && packages="$*"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages:$missing" >&2
  echo "Install them with: sudo apt-get install$missing" >&2
  exit 1
fi
echo "Installing Debian packages:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $missing >/dev/null
