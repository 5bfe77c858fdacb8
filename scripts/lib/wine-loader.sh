# Sourced by scripts/wine-run, scripts/lib/wine-session.sh and scripts/lib/desktop.sh:
# which Wine loader runs which of our programs.
#
# 64-bit Wine (/usr/lib/wine/wine64) runs the x86_64 builds on every host. The 32-bit
# loader (/usr/lib/wine/wine, from wine32:i386) runs the i686 programs; it is itself a
# 32-bit Linux program, so it starts only where the host runs 32-bit code and wine32
# is installed (scripts/setup finds out and installs it).

wine_loader64=/usr/lib/wine/wine64
wine_loader32=/usr/lib/wine/wine

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
