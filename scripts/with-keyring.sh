#!/usr/bin/env bash
# Runs a command with an unlocked gnome-keyring (Secret Service) in the current D-Bus
# session. Its keyrings live in a temporary directory that is removed afterwards.
set -euo pipefail

keyring_home=$(mktemp -d)
trap 'rm -rf "$keyring_home"' EXIT
export XDG_DATA_HOME="$keyring_home/data"
export XDG_RUNTIME_DIR="$keyring_home/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# A throw-away password creates and unlocks the default "login" keyring.
eval "$(printf 'orelia-test' | gnome-keyring-daemon --unlock --components=secrets)"
export GNOME_KEYRING_CONTROL

status=0
"$@" || status=$?
kill "${GNOME_KEYRING_PID:-}" 2>/dev/null || true
exit "$status"
