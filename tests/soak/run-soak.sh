#!/usr/bin/env bash
# Long random-input soak: tests/soak/run-soak.sh [EVENTS] [SEED]
# Runs the sanitizer build's tv_soak when it is built (cmake --preset asan &&
# cmake --build --preset asan --target tv_soak), else the default build's.
set -euo pipefail
cd "$(dirname "$0")/../.."
events=${1:-100000}
seed=${2:-1}
soak=build/asan/tests/soak/tv_soak
[ -x "$soak" ] || soak=build/default/tests/soak/tv_soak
echo "running $soak"
QT_QPA_PLATFORM=offscreen exec "$soak" --events "$events" --seed "$seed"
