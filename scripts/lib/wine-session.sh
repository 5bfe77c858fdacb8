# shellcheck shell=bash
# Sourced by the scripts that build and run our programs under Wine (scripts/test,
# bench, soak, fuzz, faults, demo, run, dist, make-photos): the project's environment
# with Wine's heap checking, the build folders, and a private X display with a running
# wineserver for the length of the calling script. Expects $top (the repository).
# start_wine_session sets and exports DISPLAY and ends both at exit.

# shellcheck source=scripts/lib/env.sh
. "${top:?}/scripts/lib/env.sh"
# shellcheck source=scripts/lib/xvfb.sh
. "$top/scripts/lib/xvfb.sh"
# Our programs run here with heap checking (scripts/bench measures without it).
export WINEDEBUG=$wine_debug_heap

# Configures the build folder when it is new: the x86_64 build, or with "i686" as
# second argument the 32-bit program's build. Both run their programs through
# scripts/wine-run, which picks the loader for each.
configure_build() {
    local build=$1 kind=${2:-x86_64}
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$kind.cmake" \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$top/scripts/wine-run" >/dev/null
    fi
}

# Builds the targets named after the folder (all of them when none is named) with the
# project's number of jobs.
build_targets() {
    local build=$1
    shift
    if [ $# -gt 0 ]; then
        cmake --build "$build" -j"$build_jobs" --target "$@"
    else
        cmake --build "$build" -j"$build_jobs"
    fi
}

start_wine_session() {
    xvfb_pid=
    trap stop_wine_session EXIT
    trap 'exit 130' INT TERM
    xvfb_start 1024 768 || { echo "could not start Xvfb" >&2; exit 1; }
    xvfb_pid=$xvfb_started_pid
    wine_start_server
}

stop_wine_session() {
    # The wineserver runs for this prefix only; end it with the Wine processes of the run.
    wineserver -k >/dev/null 2>&1 || true
    xvfb_stop "${xvfb_pid:-}"
}
