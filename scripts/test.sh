#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both builds, runs the
# Windows tests under Wine and the native tests (sanitizers, bounded fuzzing).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
build_windows
build_native

status=0
wine_up
trap wine_down EXIT
log "Windows tests under Wine"
ctest --test-dir "$RUN_BUILD" --output-on-failure -j "$JOBS" || status=1
wine_down

log "native tests and fuzz runs"
ctest --test-dir "$NATIVE_BUILD" --output-on-failure -j "$JOBS" || status=1

if [ $status -eq 0 ]; then log "all tests passed"; else log "some tests FAILED"; fi
exit $status
