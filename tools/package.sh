#!/usr/bin/env bash
# Builds beamctl for Linux as it is released (no sanitizers, warnings as
# errors) in build/release, and its Debian package with CPack:
#   build/release/beamctl_<version>_<arch>.deb
# Only beamctl and its man page are built, not the rest of the tree. Prints
# the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
if [[ ! -f build/release/build.ninja ]]; then
  # Installing (and so CPack) takes what is built, without building the rest.
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEAMDESK_SANITIZE=OFF -DBEAMDESK_TESTS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
fi
cmake --build build/release -j2 --target beamctl beamctl_man
version=$(sed -n 's/^project(Beamdesk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -f build/release/beamctl_*.deb
(cd build/release && cpack -G DEB >/dev/null)
package=(build/release/beamctl_"$version"_*.deb)
[[ -f "${package[0]}" ]] || { echo "package.sh: no beamctl_${version}_*.deb was made" >&2; exit 1; }
echo "${package[0]}"
