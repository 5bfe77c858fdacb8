# Sourced by scripts/test and scripts/bench: the project's Wine environment, and a
# private X display with a running wineserver for the length of the calling script.
# Expects $top (the repository). Sets and exports DISPLAY; ends both at exit.

. "$top/scripts/lib/wine-loader.sh"
export WINEPREFIX=${WINEPREFIX:-$top/.wine}
# Heap checking: freed blocks are filled, so a read of freed memory faults where it happens.
export WINEARCH=win64 WINELOADER=$wine_loader64 LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all,warn+heap
export WINEDLLOVERRIDES="mscoree,mshtml="

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

start_wine_session() {
    # A free X display: the first number with neither a lock file nor a socket.
    local n display=
    for n in $(seq 90 199); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
    done
    [ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

    xvfb_pid=
    trap stop_wine_session EXIT
    trap 'exit 130' INT TERM
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    export DISPLAY=":$display"

    wineserver -p >/dev/null 2>&1 || true
    # Start Wine's background processes (services, the desktop) now, detached from any
    # pipe: started by the first test they would inherit ctest's output pipe and ctest
    # would wait for them until its timeout.
    "$top/scripts/wine-run" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wine_session() {
    # The wineserver runs for this prefix only; end it with the Wine processes of the run.
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${xvfb_pid:-}" ]; then
        kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    fi
    return 0
}
