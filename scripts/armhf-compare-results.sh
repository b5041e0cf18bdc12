#!/usr/bin/env bash
# Runs the result corpus on the host (x86-64) and under qemu-arm (32-bit ARM) and
# requires byte-identical result texts, except for entries whose widths the size type
# clamps by design. Usage: armhf-compare-results.sh HOST_BUILD_DIR ARMHF_BUILD_DIR
set -euo pipefail
host_build=$1
armhf_build=$2
sysroot=${ARMHF_SYSROOT:-/usr/arm-linux-gnueabihf}
test_binary=analysis/test_result_portability
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

filter=--gtest_filter='ResultCorpus.*'
KESTROVA_RESULT_CORPUS_OUT="$out/x86-64.txt" "$host_build/$test_binary" "$filter" >"$out/x86-64.log" ||
  { cat "$out/x86-64.log"; exit 1; }
KESTROVA_RESULT_CORPUS_OUT="$out/armhf.txt" qemu-arm -L "$sysroot" "$armhf_build/$test_binary" \
  "$filter" >"$out/armhf.log" || { cat "$out/armhf.log"; exit 1; }

python3 - "$out/x86-64.txt" "$out/armhf.txt" <<'PY'
import json
import sys


def load(path):
    entries = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            name, mark, text = line.rstrip("\n").split("\t", 2)
            entries[name] = (mark, text)
    return entries


def differences(a, b, path="$"):
    """Paths and values where two parsed result documents differ."""
    if isinstance(a, dict) and isinstance(b, dict) and a.keys() == b.keys():
        for key in a:
            yield from differences(a[key], b[key], f"{path}.{key}")
    elif isinstance(a, list) and isinstance(b, list) and len(a) == len(b):
        for i, (x, y) in enumerate(zip(a, b)):
            yield from differences(x, y, f"{path}[{i}]")
    elif json.dumps(a) != json.dumps(b):
        yield f"{path}: {json.dumps(a)} (x86-64) vs {json.dumps(b)} (armhf)"


host, arm = load(sys.argv[1]), load(sys.argv[2])
if host.keys() != arm.keys():
    sys.exit(f"corpus entries differ: {sorted(host.keys() ^ arm.keys())[:10]}")
identical = by_design = 0
failures = []
for name, (host_mark, host_text) in host.items():
    arm_mark, arm_text = arm[name]
    if host_mark == "size" or arm_mark == "size":
        if host_mark != arm_mark:
            failures.append(f"{name}: size-type mark {host_mark} (x86-64) vs {arm_mark} (armhf)")
        by_design += 1
    elif host_text == arm_text:
        identical += 1
    else:
        lines = list(differences(json.loads(host_text), json.loads(arm_text))) or ["(text only)"]
        failures.append(f"{name}:\n    " + "\n    ".join(lines[:6]))
print(f"result corpus: {len(host)} entries, {identical} identical on x86-64 and armhf, "
      f"{by_design} differ by design (widths beyond the 32-bit size type), "
      f"{len(failures)} differ otherwise")
for failure in failures:
    print("  " + failure)
sys.exit(1 if failures else 0)
PY
