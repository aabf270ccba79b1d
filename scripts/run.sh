#!/usr/bin/env bash
# Installs what is needed, builds, and starts the application.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# The encyclopedia pane's web engine refuses its sandbox to root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
exec build/melvora "$@"
