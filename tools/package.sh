#!/usr/bin/env bash
# Builds the Debian packages (vxupdater, vxupdater-dev) into build-package/
# for a system-wide install: prefix /usr, no RPATH, stripped programs.
#   tools/package.sh            build the packages and run lintian on them
#   tools/package.sh ROOT       also install them into the clean Debian 12 root
#                               ROOT (made with debootstrap, see README) and run
#                               `vxupdate --version` and `vxupdate cameras` there
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-package
root="${1:-}"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Objects of the main build are reused; the programs are stripped anyway.
  export CCACHE_NOHASHDIR=true
fi
[ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -G Ninja -DVX_WERROR=ON "${launcher[@]}" \
  -DCMAKE_INSTALL_PREFIX=/usr -DVX_INSTALL_RPATH=OFF -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCHMARKS=OFF \
  -DCPACK_STRIP_FILES=ON
cmake --build "$dir" -j "$(nproc)"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB)
debs=("$dir"/*.deb)
echo "package: built ${debs[*]}"

# Errors fail the build; warnings and notes are listed.
lintian --fail-on error --info --no-tag-display-limit "${debs[@]}"

if [ -n "$root" ]; then
  [ -x "$root/usr/bin/apt-get" ] || { echo "package: $root is not a Debian root" >&2; exit 2; }
  cp "${debs[@]}" "$root/tmp/"
  names=()
  for deb in "${debs[@]}"; do names+=("/tmp/$(basename "$deb")"); done
  # apt-get resolves the packages' dependencies from the root's own archive.
  chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall --no-install-recommends "${names[@]}"
  chroot "$root" vxupdate --version
  # A clean machine has no cameras: the command says so and succeeds.
  chroot "$root" env HOME=/root vxupdate cameras
  chroot "$root" sh -c 'test -f /usr/share/doc/vxupdater/UserGuide.pdf && test -f /usr/lib/x86_64-linux-gnu/cmake/VxAppsLibrary/VxAppsLibraryConfig.cmake'
  echo "package: installed and ran in $root"
fi
