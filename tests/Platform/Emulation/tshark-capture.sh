#!/usr/bin/env bash
# Wireshark's USB3 Vision dissector on a capture of the testbed's traffic:
# Aravis opens an emulated camera, writes its user-defined name (a pending
# acknowledge) and takes two frames under
# vx-u3v-emulate --capture; tshark must decode control commands and
# acknowledges, stream leaders, payload and trailers, with no malformed
# packet and no error.
#   tshark-capture.sh VX-U3V-EMULATE FOLDER
set -euo pipefail
emulate=$1
folder=$2
here=$(cd "$(dirname "$0")" && pwd)
capture="$folder/u3v.pcap"

fail() {
  echo "tshark-capture: $*" >&2
  exit 1
}

command -v tshark >/dev/null || fail "tshark is missing: install tshark"
rm -f "$capture"
id=Veltrax-F7E10000138B-5003
traffic="arv-tool-0.8 -n $id control DeviceUserID=captured && /usr/bin/python3 $here/aravis_frames.py $id 2"
echo "\$ vx-u3v-emulate --camera 5003 --capture u3v.pcap -- sh -c '$traffic'"
"$emulate" --camera 5003 --flash-folder "$folder" --capture "$capture" -- /bin/sh -c "$traffic"

count() {
  tshark -r "$capture" -Y "$1" 2>/dev/null | wc -l
}

echo "\$ tshark -r u3v.pcap (records, then by kind)"
records=$(tshark -r "$capture" 2>/dev/null | wc -l)
u3v=$(count u3v)
commands=$(count "u3v.gencp.command_id == 0x0800 || u3v.gencp.command_id == 0x0802")
acknowledges=$(count "u3v.gencp.command_id == 0x0801 || u3v.gencp.command_id == 0x0803")
pending=$(count "u3v.gencp.command_id == 0x0805")
leaders=$(tshark -r "$capture" -Y u3v 2>/dev/null | grep -c "Stream Leader" || true)
trailers=$(tshark -r "$capture" -Y u3v 2>/dev/null | grep -c "Stream Trailer" || true)
payloads=$(tshark -r "$capture" -Y u3v 2>/dev/null | grep -c "Stream Payload" || true)
# Aravis reads the first 4 bytes of the 8-byte U3VCP capability register
# (SBRM + 0x04); the camera answers the 4 bytes asked for, and the dissector,
# which decodes that register at its full width, runs off the end. That one
# answer, and only it, is not held against the camera.
short_read="u3v.gencp.command_id == 0x0801 && u3v.gencp.address == 0x10004 && u3v.gencp.payloadlength == 4"
echo "known: $(count "_ws.malformed && $short_read") malformed from Aravis' 4-byte read of the U3VCP capability"
malformed=$(count "_ws.malformed && !($short_read)")
errors=$(count "_ws.expert.severity == \"Error\" && !($short_read)")
echo "records $records, USB3 Vision $u3v: commands $commands, acknowledges $acknowledges," \
  "pending $pending, leaders $leaders, payload $payloads, trailers $trailers;" \
  "malformed $malformed, errors $errors"
tshark -r "$capture" -Y u3v 2>/dev/null | grep -m 3 "READMEM" || true
tshark -r "$capture" -Y u3v 2>/dev/null | grep -m 1 "Stream Leader" || true
tshark -r "$capture" -Y u3v 2>/dev/null | grep -m 1 "Stream Trailer" || true

((commands > 0 && acknowledges >= commands)) || fail "control exchange not decoded"
((pending >= 1)) || fail "pending acknowledge not decoded"
((leaders >= 2 && trailers >= 2 && payloads >= 2)) || fail "stream blocks not decoded"
((malformed == 0)) || fail "$malformed malformed packets"
((errors == 0)) || fail "$errors packets with errors"
echo "tshark-capture: all checks passed"
