# shellcheck shell=bash
# Sourced by every script that runs Wine or builds: the project's Wine environment,
# which Wine loader runs which of our programs, and how many jobs a build runs. The one
# place where these are chosen. Expects $top (the repository); safe to source twice.
#
# Exports LANG and LC_ALL (Japanese): source it only once the locale is generated
# (scripts/setup does so after its locale step).

# The project's prefix, made by scripts/setup. A caller's own WINEPREFIX is kept, so
# that a run can use another prefix.
export WINEPREFIX=${WINEPREFIX:-$top/.wine}
# The prefix is 64-bit; with wine32 installed it runs 32-bit programs too. Wine refuses
# a prefix of the other kind, so a caller's value is not taken.
export WINEARCH=win64
# Wine takes the ANSI code page from the locale: Japanese gives code page 932, which
# the program's texts are in. LC_ALL as well, since a caller's LC_ALL would win over LANG.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# No Mono and no Gecko: without them disabled, making or updating a prefix asks to
# download them, and nothing of ours needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

# What Wine reports. Quiet for a program run as a user runs it, for the benchmarks and
# for setup (the default; a caller's WINEDEBUG is kept, to look into a problem).
# Test sessions (scripts/lib/wine-session.sh) switch heap checking on: freed blocks are
# filled and the heap is checked, so a read of freed memory faults where it happens
# instead of passing unnoticed; the suites run about as fast with it.
wine_debug_quiet=-all
# shellcheck disable=SC2034 # for the scripts that source this file
wine_debug_heap=-all,warn+heap
export WINEDEBUG=${WINEDEBUG:-$wine_debug_quiet}

# The loaders. 64-bit Wine runs the x86_64 builds on every host; the 32-bit loader
# (from wine32:i386) runs the i686 programs. That one is itself a 32-bit Linux program,
# so it starts only where the host runs 32-bit code and wine32 is installed
# (scripts/setup finds out and installs it). 64-bit Wine is the default loader: it
# starts everywhere, and hands a 32-bit program to the 32-bit loader itself where
# that one runs. scripts/wine-run picks the loader per program.
wine_loader64=/usr/lib/wine/wine64
wine_loader32=/usr/lib/wine/wine
export WINELOADER=$wine_loader64

# Build jobs: one per core (SV_JOBS overrides it, e.g. on a machine shared with others).
# shellcheck disable=SC2034 # for the scripts that source this file
build_jobs=${SV_JOBS:-$(nproc)}

# True when 32-bit Wine runs here: its loader is there and starts.
wine32_runs() {
    [ -x "$wine_loader32" ] && "$wine_loader32" --version >/dev/null 2>&1
}

# The machine a Windows executable is built for: i686, x86_64, or nothing when FILE is
# not a PE executable (a built-in program such as cmd.exe, or a missing file).
pe_machine() {
    local file=$1 offset machine
    [ -f "$file" ] || return 0
    [ "$(head -c 2 "$file" 2>/dev/null)" = MZ ] || return 0
    offset=$(od -An -t u4 -j 60 -N 4 "$file" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] || return 0
    machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$file" 2>/dev/null | tr -d ' ')
    case $machine in
        014c) echo i686 ;;
        8664) echo x86_64 ;;
    esac
}

# The loader for a program: the 32-bit one for an i686 executable, else 64-bit Wine.
wine_loader_for() {
    if [ "$(pe_machine "$1")" = i686 ]; then echo "$wine_loader32"; else echo "$wine_loader64"; fi
}

# A wineserver for the prefix, kept running, and Wine's background processes (services,
# the desktop) started now, detached from our output: started by the first program of a
# run they would inherit its output, and a reader of that (ctest) would wait for them.
wine_start_server() {
    wineserver -p >/dev/null 2>&1 || true
    "$wine_loader64" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}
