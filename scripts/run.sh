#!/usr/bin/env bash
# Installs what is missing, builds Orelia and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
exec build/orelia "$@"
