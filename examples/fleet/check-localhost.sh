#!/usr/bin/env bash
# Runs the fleet playbook against this machine with the shipped simulated
# cameras: a demonstration bundle is made, the playbook copies it, runs
# `vxupdate update --all --json` (by default only --dry-run; "full" programs
# the simulated cameras) and collects results/check/ (the reports, the log,
# summary.txt and fleet.json). Needs Debian's `ansible-core` package and
# vxupdate on the PATH (the installed package) or VXUPDATE_DIR naming its
# folder. tools/fleet-check.sh is the checked run CI makes.
#   examples/fleet/check-localhost.sh [full]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cameras="$here/../../Shared/data/SimulatedCameras.json"
[ -z "${VXUPDATE_DIR:-}" ] || PATH="$VXUPDATE_DIR:$PATH"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
VX_SIMULATED_CAMERAS="$cameras" XDG_DATA_HOME="$work/data" vxupdate bundle demo "$work/Bundle.zip" >/dev/null
extra="--dry-run"
[ "${1:-}" != full ] || extra=""
rm -rf "$here/results/check"
ansible-playbook -i "$here/localhost.ini" "$here/update-fleet.yml" \
  -e "bundle=$work/Bundle.zip" -e "vxupdate_extra='$extra'" -e run_name=check \
  -e "{\"vxupdate_environment\": {\"VX_SIMULATED_CAMERAS\": \"$cameras\", \"XDG_DATA_HOME\": \"$work/data\", \"PATH\": \"$PATH\"}}"
echo "--- results/check/summary.txt"
cat "$here/results/check/summary.txt"
