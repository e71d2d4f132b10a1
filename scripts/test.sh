#!/usr/bin/env bash
# Installs what is missing, builds Orelia and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake -S . -B build -G Ninja
cmake --build build

# The credential-store tests talk to a real Secret Service: run the suite inside a
# private D-Bus session with its own unlocked gnome-keyring.
exec dbus-run-session -- bash scripts/with-keyring.sh ctest --test-dir build --output-on-failure "$@"
