#!/usr/bin/env bash
# Writes seed bundles for BundleLoadFuzzer with vxupdate, so that no binary
# bundle needs to live in the repository. Usage: seed-bundles.sh VXUPDATE OUT_DIR
set -euo pipefail
vxupdate=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/loads"
printf 'firmware image' > "$work/loads/fw.img"
printf 'FPGA bit stream' > "$work/loads/fpga.bit"
printf 'AFE timing' > "$work/loads/afe.bin"
written=0
for manifest in "$here"/corpus/Manifest/*.xml; do
  name=$(basename "$manifest" .xml)
  if "$vxupdate" bundle create "$manifest" "$work/loads" "$out/$name.zip" > /dev/null 2>&1; then
    echo "seed: $out/$name.zip"
    written=$((written + 1))
  fi
done
# A corpus without bundles would let a replay pass having tried nothing.
if [ "$written" -eq 0 ]; then
  echo "seed-bundles.sh: no manifest made a bundle" >&2
  exit 1
fi
