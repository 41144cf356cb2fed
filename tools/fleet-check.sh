#!/usr/bin/env bash
# The fleet example (examples/fleet/update-fleet.yml) run against this machine
# (ansible connection: local) on emulated vendor-driver cameras, and its
# figures checked: each run's PC counts as changed when a camera was
# programmed and as failed when a camera failed.
#   1. a fresh copy of the demo rig (two cameras): both updated, the PC
#      changed and not failed;
#   2. the same again: both up to date, the PC neither changed nor failed;
#   3. a fresh copy where camera 21002 cannot write its flash: 21001 updated,
#      21002 failed, the PC changed and failed;
#   4. a bundle that does not verify: no camera touched, the PC failed.
# Every document brought back is checked against vxupdate's schemas.
#   tools/fleet-check.sh VXUPDATE_FOLDER
# Needs Debian's ansible-core and python3-jsonschema.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -eq 1 ] || { echo "usage: $0 VXUPDATE_FOLDER" >&2; exit 2; }
vxupdate_folder="$(cd "$1" && pwd)"
[ -x "$vxupdate_folder/vxupdate" ] || { echo "fleet: no vxupdate in $vxupdate_folder" >&2; exit 2; }
export PATH="$vxupdate_folder:$PATH"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fleet="$work/fleet"
cp -r "$here/examples/fleet" "$fleet"
rm -rf "$fleet/results"
failures=0

# A copy of the demo rig in $work/$1; with a second argument, 21002's flash
# writes fail.
make_rig() {
  mkdir -p "$work/$1"
  cp -r "$here/Shared/data/DemoRig" "$work/$1/"
  /usr/bin/python3 - "$here/Shared/data/DemoRig.json" "$work/$1/DemoRig.json" "${2:-}" <<'PY'
import json, sys
rig = json.load(open(sys.argv[1]))
if sys.argv[3]:
    for camera in rig["cameras"]:
        if camera["serialNumber"] == 21002:
            camera["faults"] = [{"kind": "failCall", "operation": "ostraWriteFlash", "call": 1, "count": 1000000}]
json.dump(rig, open(sys.argv[2], "w"), indent=1)
PY
  echo '{"Cameras": []}' >"$work/$1/none.json"
}

# Runs the playbook on rig $1 with bundle $2 as run $3; the playbook's exit
# status in $status.
play() {
  local environment
  environment="{\"vxupdate_environment\": {\"VX_OSTRA_RIG\": \"$work/$1/DemoRig.json\","
  environment+=" \"VX_SIMULATED_CAMERAS\": \"$work/$1/none.json\", \"XDG_DATA_HOME\": \"$work/$1/data\","
  environment+=" \"PATH\": \"$PATH\"}}"
  status=0
  ANSIBLE_STDOUT_CALLBACK=default ANSIBLE_NOCOLOR=1 ansible-playbook -i "$fleet/localhost.ini" \
    "$fleet/update-fleet.yml" -e "bundle=$2" -e "run_name=$3" -e "vxupdate_jobs=2" -e "$environment" \
    >"$work/$3.out" 2>&1 || status=$?
}

# Checks a figure: expect NAME ACTUAL EXPECTED.
expect() {
  if [ "$2" = "$3" ]; then
    echo "fleet:   $1: $2"
  else
    echo "fleet:   $1: $2, expected $3" >&2
    failures=$((failures + 1))
  fi
}

# The recap's figure for localhost in run $1: recap NAME RUN.
recap() {
  sed -n 's/^localhost *: .*'"$1"'=\([0-9]*\).*/\1/p' "$work/$2.out" | tail -1
}

# A figure of fleet.json: figure RUN KEY.
figure() {
  /usr/bin/python3 -c 'import json,sys; print(str(json.load(open(sys.argv[1]))["localhost"][sys.argv[2]]).lower())' \
    "$fleet/results/$1/fleet.json" "$2"
}

# Every document of run $1 fits its schema.
documents_fit() {
  local document
  for document in "$fleet/results/$1/localhost/"*.json; do
    local name
    name="$(/usr/bin/python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["command"].replace(" ", "-"))' "$document")"
    if /usr/bin/python3 "$here/tools/validate-json.py" "$here/Updater/Cli/schemas" "$name" "$document"; then
      echo "fleet:   $(basename "$document") fits the $name schema"
    else
      echo "fleet:   $(basename "$document") does not fit the $name schema" >&2
      failures=$((failures + 1))
    fi
  done
}

check_run() { # RUN STATUS CHANGED FAILED UPDATED CAMERAS-FAILED
  echo "fleet: run $1"
  expect "playbook exit status is zero" "$([ "$status" -eq 0 ] && echo yes || echo no)" "$2"
  expect "changed" "$(recap changed "$1")" "$3"
  expect "failed" "$(recap failed "$1")" "$4"
  if [ -n "$5" ]; then
    expect "cameras updated" "$(figure "$1" updated)" "$5"
    expect "cameras failed" "$(figure "$1" failed)" "$6"
    expect "log brought back" "$(ls "$fleet/results/$1/localhost/" | grep -c '^VxUpdater_')" 1
    documents_fit "$1"
  fi
}

make_rig good
make_rig faulty fault
VX_OSTRA_RIG="$work/good/DemoRig.json" VX_SIMULATED_CAMERAS="$work/good/none.json" XDG_DATA_HOME="$work/data" \
  vxupdate bundle demo "$work/Bundle.zip" >/dev/null

play good "$work/Bundle.zip" first
check_run first yes 1 0 2 0
play good "$work/Bundle.zip" again
check_run again yes 0 0 0 0
play faulty "$work/Bundle.zip" faulty
check_run faulty no 1 1 1 1
expect "the bundle's folder on the PC is gone" "$(ls -d /tmp/vxupdate-fleet-* 2>/dev/null | wc -l)" 0
cp "$work/Bundle.zip" "$work/Broken.zip"
printf 'x' | dd of="$work/Broken.zip" bs=1 seek=200 conv=notrunc status=none
play good "$work/Broken.zip" broken
check_run broken no 0 1 "" ""
expect "no camera touched" "$([ -f "$fleet/results/broken/localhost/update.json" ] && echo yes || echo no)" no

if ((failures)); then
  echo "fleet: $failures check(s) failed; the playbook's output is in $work (kept)" >&2
  trap - EXIT
  exit 1
fi
echo "fleet: all checks passed"
