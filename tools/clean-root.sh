#!/usr/bin/env bash
# Makes a minimal Debian 12 root (debootstrap, minbase) at ROOT, once, from
# the Debian archive this machine's apt uses; a root already there is kept.
# The packages are then installed into it by tools/package.sh ROOT.
#   tools/clean-root.sh ROOT
set -euo pipefail
root="${1:?usage: tools/clean-root.sh ROOT}"
if [ -x "$root/usr/bin/apt-get" ]; then
  echo "clean-root: $root is there"
  exit 0
fi
# The archive this machine installs from (deb822 sources, then the classic list).
mirror=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
if [ -z "$mirror" ]; then
  mirror=$(awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
fi
[ -n "$mirror" ] || { echo "clean-root: no Debian archive configured for apt on this machine" >&2; exit 1; }
rm -rf "$root.partial"
mkdir -p "$(dirname "$root")"
debootstrap --variant=minbase bookworm "$root.partial" "$mirror"
mv "$root.partial" "$root"
echo "clean-root: made $root from $mirror"
