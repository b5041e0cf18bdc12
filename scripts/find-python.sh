#!/usr/bin/env bash
# Prints the path of a working python interpreter of the given minor version (e.g. 3.12),
# looking on PATH first and then under pyenv's versions folder.
set -u
want=$1
try() { "$1" -c 'import sys' >/dev/null 2>&1 && { command -v "$1" || echo "$1"; exit 0; }; }
if command -v "python$want" >/dev/null 2>&1; then try "python$want"; fi
for root in "${PYENV_ROOT:-}" "$HOME/.pyenv" /root/.pyenv /opt/pyenv; do
  [ -n "$root" ] || continue
  for candidate in $(ls -d "$root"/versions/"$want"*/bin/"python$want" 2>/dev/null | sort -rV); do
    try "$candidate"
  done
done
for candidate in /usr/bin/python$want /usr/local/bin/python$want; do
  [ -x "$candidate" ] && try "$candidate"
done
exit 1
