#!/usr/bin/env bash
# Prints the compiler launcher the builds use: ccache when it is installed, except in CI (CI=true),
# which builds from nothing; PELIRRA_CCACHE=1 or 0 decides instead. Nothing is printed without
# one. The precompiled headers (cmake/PelirraPrecompile.cmake) need ccache to be sloppy about
# them, or ccache leaves those compilations uncached: the setting goes with the launcher.
set -euo pipefail
use=${PELIRRA_CCACHE:-}
if [ -z "$use" ]; then
  use=1
  [ "${CI:-}" = true ] && use=0
fi
if [ "$use" = 1 ] && command -v ccache >/dev/null; then
  echo "env;CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime;ccache"
fi
