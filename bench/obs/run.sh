#!/usr/bin/env bash
# OBS's event-loop stalls while clipferry-obs publishes a 1 GiB recording and
# its dialog fetches the lists (event_loop_stalls.py), in the OBS tests'
# namespaces. bench/obs/run.sh [QT5_BUILD_DIR (build-qt5)] [BYTES (1 GiB)]
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$repo/build-qt5}" && pwd)
exec "$repo/tests/obs/run_in_namespace.sh" /usr/bin/python3 -B "$repo/bench/obs/event_loop_stalls.py" \
  "$build/obs/plugins" "$build/obs/data" ${2:+"$2"}
