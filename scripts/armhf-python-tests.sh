#!/usr/bin/env bash
# The extension on 32-bit ARM: builds a Debian armhf tree with python3.13 and the libraries
# (build/armhf-root), cross-compiles the module against it (build/armhf-python) and runs the
# Python tests inside the tree, chrooted, under qemu-user through binfmt_misc.
# Needs root (chroot, mounts, binfmt_misc). Extra arguments go to pytest.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
root=$repo/build/armhf-root
build=$repo/build/armhf-python
staging=$build/staging
suite=${ARMHF_SUITE:-trixie} # the first Debian release with python3.13
jobs=${JOBS:-2}
packages=python3.13-dev,python3-pytest,python3-jsonschema,python3-mypy,libcurl4-openssl-dev
packages=$packages,libssl-dev,libicu-dev,openssl,ca-certificates,tinyproxy

if [ "$(id -u)" -ne 0 ]; then
  echo "armhf-python-tests: needs root (chroot, mounts, binfmt_misc)" >&2
  exit 1
fi

# Host tools: the tree builder, a static qemu that works inside the chroot, the cross compiler.
missing=""
for p in mmdebstrap qemu-user-static binfmt-support crossbuild-essential-armhf; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq $missing >/dev/null
fi

# ARM executables run through qemu wherever they are started, also from inside the tree.
binfmt=/proc/sys/fs/binfmt_misc
[ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
[ -e $binfmt/qemu-arm ] || update-binfmts --enable qemu-arm
grep -qx enabled $binfmt/qemu-arm

# The tree is rebuilt only when the suite or the package list changes. Nothing may be mounted
# in it while it is removed (the mounts below live in their own namespace, so none stay).
stamp=$root/.kestrova-tree
if [ "$(cat "$stamp" 2>/dev/null)" != "$suite $packages" ]; then
  if grep -q " $root/" /proc/mounts; then
    echo "armhf-python-tests: something is mounted under $root; not removing it" >&2
    exit 1
  fi
  rm -rf "$root"
  mkdir -p "$(dirname "$root")"
  mmdebstrap --arch=armhf --variant=apt --include="$packages" "$suite" "$root" ${ARMHF_MIRROR:-}
  echo "$suite $packages" >"$stamp"
fi

# The cross compiler keeps its own C library and C++ headers; from the tree it takes only the
# headers of Python, curl, OpenSSL and ICU (gathered here, away from the tree's C library
# headers) and the shared libraries to link against.
libs=$root/usr/lib/arm-linux-gnueabihf
rm -rf "$staging"
mkdir -p "$staging/include/arm-linux-gnueabihf" "$staging/include/openssl"
ln -s "$root/usr/include/python3.13" "$staging/include/python3.13"
ln -s "$root/usr/include/arm-linux-gnueabihf/python3.13" "$staging/include/arm-linux-gnueabihf/python3.13"
ln -s "$root/usr/include/arm-linux-gnueabihf/curl" "$staging/include/curl"
ln -s "$root/usr/include/unicode" "$staging/include/unicode"
ln -s "$root"/usr/include/openssl/* "$root"/usr/include/arm-linux-gnueabihf/openssl/* \
  "$staging/include/openssl/"
cat >"$staging/python3.13" <<EOF
#!/bin/sh
QEMU_LD_PREFIX=$root exec $root/usr/bin/python3.13 "\$@"
EOF
chmod +x "$staging/python3.13"

cmake -Wno-deprecated -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/armhf-toolchain.cmake" -DKESTROVA_BUILD_TESTS=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
  -DPython_EXECUTABLE="$staging/python3.13" -DPython_INCLUDE_DIR="$staging/include/python3.13" \
  -DCURL_INCLUDE_DIR="$staging/include" -DCURL_LIBRARY_RELEASE="$libs/libcurl.so" \
  -DOPENSSL_INCLUDE_DIR="$staging/include" -DOPENSSL_SSL_LIBRARY="$libs/libssl.so" \
  -DOPENSSL_CRYPTO_LIBRARY="$libs/libcrypto.so" \
  -DICU_INCLUDE_DIR="$staging/include" -DICU_UC_LIBRARY_RELEASE="$libs/libicuuc.so" \
  -DICU_DATA_LIBRARY_RELEASE="$libs/libicudata.so" \
  "-DCMAKE_MODULE_LINKER_FLAGS=-Wl,-rpath-link,$libs"
cmake --build "$build" --target kestrova -j "$jobs"

# Checks that emulation defeats, not the module: qemu-user keeps about 175 KB of host memory
# for every guest thread it has run (plain Python threads show the same), and its own helper
# threads come and go in /proc/self/task.
emulation_sensitive=(
  tests/test_resource_lifetime.py::test_ten_thousand_sessions_leave_threads_descriptors_and_memory_at_baseline
  tests/test_resource_lifetime.py::test_temporary_sessions_of_the_module_functions_are_released
  tests/test_session_lifecycle.py::test_native_memory_is_returned
  tests/test_session_lifecycle.py::test_each_session_owns_one_thread_until_released
  tests/test_hosted_failures.py::test_hostile_servers_end_within_limits_without_leaks
)
deselect=()
for t in "${emulation_sensitive[@]}"; do deselect+=(--deselect "$t"); done

# The repository appears inside the tree at its own path; mounts are private to this run.
mkdir -p "$root$repo"
shared=$(cd "$repo/.." && pwd)/shared
mounts="mount --bind '$repo' '$root$repo' && mount -t proc proc '$root/proc' && mount --rbind /dev '$root/dev'"
if [ -d "$shared" ]; then
  mkdir -p "$root$shared"
  mounts="$mounts && mount --bind '$shared' '$root$shared'"
fi
# Runs inside the tree (the build directory is visible there at the same path).
runner=$build/run-in-tree.sh
{
  echo 'set -e'
  printf 'cd %q\n' "$repo"
  echo 'python3.13 -c "import struct, sys; print(\"armhf tree: Python\", sys.version.split()[0], struct.calcsize(\"P\") * 8, \"bit\")"'
  printf 'exec python3.13 -m pytest'
  printf ' %q' -q -p no:cacheprovider -rs tests "${deselect[@]}" "$@"
  echo
} >"$runner"
exec unshare -m --propagation private sh -c "$mounts && exec chroot '$root' /usr/bin/env -i \
  PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 PYTHONDONTWRITEBYTECODE=1 \
  PYTHONPATH='$build/python' /bin/sh '$runner'"
