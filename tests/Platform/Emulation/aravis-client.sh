#!/usr/bin/env bash
# Debian's Aravis, a USB3 Vision client written elsewhere, against two
# emulated cameras; run under vx-u3v-emulate --camera 5001 --camera 5002.
# Prints every command and its output; fails on the first check that does
# not hold, and when Aravis is not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Debian's Python, whose GObject bindings reach Debian's Aravis (not one
# that PATH may put first).
python=/usr/bin/python3
missing="install aravis-tools-cli gir1.2-aravis-0.8 python3-gi"
command -v arv-tool-0.8 >/dev/null || { echo "aravis-client: arv-tool-0.8 is missing: $missing" >&2; exit 1; }
"$python" -c 'import gi; gi.require_version("Aravis", "0.8")' ||
  { echo "aravis-client: Aravis' GObject bindings are missing: $missing" >&2; exit 1; }

run() {
  echo "\$ $*" >&2
  "$@" 2>&1 | tee /dev/stderr
}

fail() {
  echo "aravis-client: $*" >&2
  exit 1
}

listing=$(run arv-tool-0.8)
for serial in 5001 5002; do
  grep -q -- "-$serial " <<<"$listing" || grep -q -- "-$serial\$" <<<"$listing" ||
    fail "camera $serial not listed"
done
# The device identifiers carry the GUID: vendor, then the serial number.
ids=$("$python" - <<'PY'
import gi
gi.require_version("Aravis", "0.8")
from gi.repository import Aravis
Aravis.update_device_list()
for index in range(Aravis.get_n_devices()):
    print(Aravis.get_device_id(index), Aravis.get_device_serial_nbr(index))
PY
)
echo "$ (Aravis.get_device_id, get_device_serial_nbr)"
echo "$ids"
[ "$(wc -l <<<"$ids")" -eq 2 ] || fail "not two cameras"
[ "$(cut -d' ' -f1 <<<"$ids" | sort -u | wc -l)" -eq 2 ] || fail "device identifiers not distinct"
[ "$(cut -d' ' -f2 <<<"$ids" | sort -u | wc -l)" -eq 2 ] || fail "serial numbers not distinct"
grep -q "F7E100001389 5001" <<<"$(sed 's/^Veltrax-//; s/-5001 / /' <<<"$ids")" || fail "GUID of 5001"
id5001=$(grep ' 5001$' <<<"$ids" | cut -d' ' -f1)
id5002=$(grep ' 5002$' <<<"$ids" | cut -d' ' -f1)

out=$(run arv-tool-0.8 -n "$id5001" control DeviceSerialNumber Width=640 Width DeviceUserID=bench DeviceUserID)
grep -q "DeviceSerialNumber = 5001" <<<"$out" || fail "DeviceSerialNumber of 5001"
grep -q "Width = 640" <<<"$out" || fail "Width not written and read back"
grep -q "DeviceUserID = bench" <<<"$out" || fail "DeviceUserID (a pending acknowledge) not written"
out=$(run arv-tool-0.8 -n "$id5002" control DeviceSerialNumber Width)
grep -q "DeviceSerialNumber = 5002" <<<"$out" || fail "DeviceSerialNumber of 5002"
grep -q "Width = 2448" <<<"$out" || fail "5002 changed with 5001"

run "$python" "$here/aravis_frames.py" "$id5002" 5 | grep -q "every pixel as the pattern" || fail "frames"
echo "aravis-client: all checks passed"
