#!/usr/bin/env bash
# Configures and builds one build tree. Usage: build.sh <build-dir> [extra cmake arguments...]
# Uses Ninja and ccache when they are installed (setup-deps.sh installs both).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$1"; shift

generator="Unix Makefiles"
command -v ninja > /dev/null && generator="Ninja"

# A tree configured with another generator cannot be reconfigured in place: start its cache afresh.
if [ -f "$dir/CMakeCache.txt" ] \
    && ! grep -qx "CMAKE_GENERATOR:INTERNAL=$generator" "$dir/CMakeCache.txt"; then
    echo "$dir was configured with another generator: configuring it afresh for $generator"
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles" "$dir/Makefile" "$dir/build.ninja" "$dir/.ninja_deps" \
        "$dir/.ninja_log"
fi

launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # JUCE's core module expands __DATE__ and __TIME__: without time_macros it never hits the cache.
    case ",${CCACHE_SLOPPINESS:-}," in
        *,time_macros,*) ;;
        *) export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:+$CCACHE_SLOPPINESS,}time_macros" ;;
    esac
    # Paths inside the clone are hashed relative to it, and the build folder is left out of the hash
    # (it is only in the debug information), so every tree and every clone shares the cache. The cache
    # itself stays where ccache keeps it by default, in the user's cache folder.
    export CCACHE_BASEDIR="$root"
    export CCACHE_NOHASHDIR=1
else
    # A tree configured while ccache was there must not call it now.
    launcher=(-UCMAKE_C_COMPILER_LAUNCHER -UCMAKE_CXX_COMPILER_LAUNCHER)
fi

mkdir -p "$dir"
cmake -S "$root" -B "$dir" -G "$generator" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" \
    > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j "$(nproc)"
