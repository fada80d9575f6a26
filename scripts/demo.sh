#!/usr/bin/env bash
# The main job: builds the engine and the demo host, and runs the demo under
# Wine.  The demo prints what ran on which thread; the engine's trace log is
# applog.txt beside tavik.exe.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
build_windows
wine_up
trap wine_down EXIT
log "running tavik.exe (the demo host)"
cd "$RUN_BUILD/bin"
"$WINE" tavik.exe "$@"
