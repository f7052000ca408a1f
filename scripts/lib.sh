# Shared by the README's commands and the Wine test runner. Source it; it sets nothing up by
# itself. Every step is idempotent: a second run finds the work done and goes on at once.

QS_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QS_BUILD="${QS_BUILD:-$QS_ROOT/build}"

qs_say() { printf '\033[1m[quillset]\033[0m %s\n' "$*" >&2; }
qs_die() { printf '\033[1;31m[quillset] %s\033[0m\n' "$*" >&2; exit 1; }

qs_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The Debian packages the build, the tests and the demo need.
QS_PACKAGES=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-i686
  wine wine64 wine32:i386 xvfb xauth x11-apps x11-utils xdotool imagemagick locales
  python3)

qs_ensure_packages() {
  local missing=()
  local pkg
  for pkg in "${QS_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    qs_say "installing Debian packages: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      qs_as_root dpkg --add-architecture i386
    fi
    qs_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    qs_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      "${missing[@]}"
  fi
  # German locale: Wine then runs as de-DE (German message box buttons, code page 1252).
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    qs_say "generating the de_DE.UTF-8 locale"
    qs_as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    qs_as_root locale-gen >/dev/null
  fi
}

qs_build_preset() {
  local preset="$1"
  cmake --preset "$preset" >/dev/null || qs_die "configuring $preset failed"
  cmake --build --preset "$preset" || qs_die "building $preset failed"
}

# Wine's environment for every run: our prefix, no debug noise, German locale, no Mono/Gecko
# installers (the prefix never needs them).
qs_wine_env() {
  export WINEPREFIX="${WINEPREFIX:-$QS_BUILD/wine/prefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
}

# Decides which Windows build the Wine tests and the demo run. quillset ships as a 32-bit program;
# Wine runs one only when the kernel can execute 32-bit Linux programs (wine32's loader is one).
# Some sandboxed kernels cannot; there the x86_64 build of the same sources runs instead, and this
# says so loudly. A Wine without wine32 never passes silently: the probe must print its token.
qs_select_wine_arch() {
  [ -n "${QS_WINE_ARCH:-}" ] && return 0
  qs_wine_env
  local probe_dir="$QS_BUILD/wine-probe"
  mkdir -p "$probe_dir"
  if [ ! -f "$probe_dir/probe32.exe" ]; then
    printf '#include <stdio.h>\nint main(void){puts("quillset-wine-probe-ok");return 0;}\n' \
      >"$probe_dir/probe.c"
    i686-w64-mingw32-gcc -o "$probe_dir/probe32.exe" "$probe_dir/probe.c"
    x86_64-w64-mingw32-gcc -o "$probe_dir/probe64.exe" "$probe_dir/probe.c"
  fi
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    qs_die "wine32:i386 is not installed: Wine cannot run 32-bit programs (tests would pass silently)."
  fi
  if timeout 120 wine "$probe_dir/probe32.exe" 2>/dev/null | grep -q quillset-wine-probe-ok; then
    QS_WINE_ARCH=i686
    QS_WINE="$(command -v wine)"
    QS_WINDOWS_PRESET=windows
  elif timeout 120 /usr/lib/wine/wine64 "$probe_dir/probe64.exe" 2>/dev/null |
      grep -q quillset-wine-probe-ok; then
    QS_WINE_ARCH=x86_64
    QS_WINE=/usr/lib/wine/wine64
    QS_WINDOWS_PRESET=windows-x64
    qs_say "!!! This kernel cannot execute 32-bit programs, so Wine cannot start the 32-bit"
    qs_say "!!! quillset.exe here. The Wine tests and the demo run the x86_64 build of the same"
    qs_say "!!! sources in a 64-bit prefix. The i686 quillset.exe is still built and checked."
  else
    qs_die "Wine runs neither a 32-bit nor a 64-bit test program; see $probe_dir."
  fi
  export QS_WINE_ARCH QS_WINE QS_WINDOWS_PRESET
}

# An X display for Wine: the caller's when it answers, otherwise our own Xvfb.
qs_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QS_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    xdpyinfo >/dev/null 2>&1 || qs_die "Xvfb on :$n did not start"
    QS_OWN_DISPLAY=1
    return 0
  done
  qs_die "no free X display number for Xvfb"
}

# The Wine prefix, made once: a 64-bit prefix (a 32-bit program runs under WOW64 there, as on
# today's Windows), window-manager waits switched off.
qs_prepare_prefix() {
  qs_wine_env
  local stamp="$WINEPREFIX/.quillset-prefix-v1"
  if [ -f "$stamp" ]; then
    return 0
  fi
  qs_say "preparing the Wine prefix in $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  timeout 300 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || qs_die "wineboot failed"
  # Without a window manager every hide and close waits two seconds; unmanaged windows do not.
  timeout 60 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >/dev/null 2>&1 || qs_die "could not configure the prefix"
  timeout 60 wineserver -w 2>/dev/null || true
  touch "$stamp"
}

# One Wine server for the whole run, so services started by one test live on for the next.
qs_start_wineserver() {
  qs_wine_env
  wineserver -p >/dev/null 2>&1 || true
}

qs_stop_wineserver() {
  qs_wine_env
  wineserver -k >/dev/null 2>&1 || true
}

qs_cleanup() {
  qs_stop_wineserver
  if [ -n "${QS_OWN_DISPLAY:-}" ] && [ -n "${QS_XVFB_PID:-}" ]; then
    kill "$QS_XVFB_PID" 2>/dev/null || true
  fi
}
