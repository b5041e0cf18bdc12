#!/usr/bin/env bash
# The cross toolchain and qemu-user for the 32-bit ARM tests (installed as root, or named).
set -eu
missing=""
for p in crossbuild-essential-armhf qemu-user googletest; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages:$missing (sudo apt-get install$missing)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $missing >/dev/null
