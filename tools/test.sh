#!/usr/bin/env bash
# The one test command: sets up a fresh Debian 12 machine, builds both trees and
# runs every test (natively under the sanitizers, then under Wine on a private
# Xvfb display), and makes beamctl's Debian package and runs the beamctl it
# installs. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
tools/build.sh native win

echo "== native tests (ASan + UBSan)"
ctest --test-dir build/native --output-on-failure -j2

echo "== beamctl's Debian package (release build of beamctl only), installed into a scratch root"
package_start=$SECONDS
package=$(tools/package.sh | tail -n 1)
scratch=$(mktemp -d)
dpkg-deb -x "$package" "$scratch"
dpkg-deb -f "$package" Package Version Architecture Depends
version=$(sed -n 's/^project(Beamdesk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
installed=$("$scratch/usr/bin/beamctl" --version)
echo "$installed"
[[ "$installed" == "beamctl (Beamdesk) $version"* ]] || { echo "the installed beamctl says: $installed" >&2; exit 1; }
zcat "$scratch/usr/share/man/man1/beamctl.1.gz" | grep -q '^\.SH "EXIT STATUS"' ||
  { echo "the installed man page has no EXIT STATUS" >&2; exit 1; }
rm -rf "$scratch"
echo "(the package step took $((SECONDS - package_start)) s)"

echo "== fuzzing (libFuzzer, ASan + UBSan)"
tools/fuzz.sh "${FUZZ_SECONDS:-30}"

echo "== Windows tests under Wine"
source tools/wine-session.sh
wine_session build/win
ctest --test-dir build/win --output-on-failure -j2
