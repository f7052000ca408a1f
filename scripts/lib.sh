# Shared by the README's commands, .ci/run and the Wine test runner (tests/e2e/wine-run). Source
# it; it sets nothing up by itself. Every step is idempotent: a second run finds the work done and
# goes on at once.

QS_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QS_BUILD="${QS_BUILD:-$QS_ROOT/build}"

qs_say() { printf '\033[1m[quillset]\033[0m %s\n' "$*" >&2; }
qs_die() {
  printf '\033[1;31m[quillset] %s\033[0m\n' "$*" >&2
  exit 1
}

qs_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    qs_die "need root for: $* (run as root or install sudo)"
  fi
}

# The Debian packages the build, the tests and the demo need.
QS_PACKAGES=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-i686
  wine wine64 wine32:i386 xvfb xauth x11-apps x11-utils xdotool imagemagick locales
  python3)

qs_package_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

qs_ensure_packages() {
  local missing=() pkg
  for pkg in "${QS_PACKAGES[@]}"; do
    qs_package_installed "$pkg" || missing+=("$pkg")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    qs_say "installing Debian packages: ${missing[*]}"
    # wine32 is an i386 package: the architecture must be known before apt-get update.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      qs_as_root dpkg --add-architecture i386
    fi
    qs_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q ||
      qs_die "apt-get update failed"
    qs_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      "${missing[@]}" || qs_die "apt-get install failed"
  fi
  # German locale: Wine then runs as de-DE (German message box buttons, code page 1252).
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    qs_say "generating the de_DE.UTF-8 locale"
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
      echo 'de_DE.UTF-8 UTF-8' | qs_as_root tee -a /etc/locale.gen >/dev/null
    qs_as_root locale-gen >/dev/null || qs_die "locale-gen failed"
  fi
}

# Configures and builds one preset in build/<preset>.
qs_build_preset() {
  local preset="$1"
  (cd "$QS_ROOT" && cmake --preset "$preset" >/dev/null) || qs_die "configuring $preset failed"
  (cd "$QS_ROOT" && cmake --build --preset "$preset") || qs_die "building $preset failed"
}

# Wine's environment for every run: our prefix, no debug noise, German locale, no Mono/Gecko
# installers (the prefix never needs them).
qs_wine_env() {
  export WINEPREFIX="${WINEPREFIX:-$QS_BUILD/wine/prefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
}

# The loader for Windows programs of one architecture (i686 or x86_64), in QS_WINE. The 32-bit
# loader must be wine32's own: Debian's `wine` falls back to the 64-bit loader when wine32 is
# missing, which then starts a 32-bit program, prints nothing and exits 0.
qs_wine_loader_for() {
  case "$1" in
    i686)
      [ -x /usr/lib/wine/wine ] ||
        qs_die "wine32 is missing (/usr/lib/wine/wine): Wine cannot run the 32-bit build."
      QS_WINE=/usr/lib/wine/wine
      ;;
    x86_64)
      [ -x /usr/lib/wine/wine64 ] || qs_die "wine64 is missing (/usr/lib/wine/wine64)."
      QS_WINE=/usr/lib/wine/wine64
      ;;
    *) qs_die "unknown Windows architecture '$1' (i686 or x86_64)" ;;
  esac
  export QS_WINE
}

qs_preset_for_arch() {
  case "$1" in
    i686) echo windows ;;
    x86_64) echo windows-x64 ;;
  esac
}

# Decides which Windows build the Wine tests and the demo run, in the prepared prefix.
# quillset ships as a 32-bit program; Wine runs one only when the kernel can execute 32-bit Linux
# programs (wine32's loader is one). Some sandboxed kernels cannot; there the x86_64 build of the
# same sources runs instead, and this says so loudly. A Wine without wine32 never passes silently:
# the probe must print its token. QS_WINE_ARCH=i686|x86_64 set by the caller skips the probe.
qs_select_wine_arch() {
  qs_wine_env
  if [ -n "${QS_WINE_ARCH:-}" ]; then
    qs_wine_loader_for "$QS_WINE_ARCH"
    QS_WINDOWS_PRESET="$(qs_preset_for_arch "$QS_WINE_ARCH")"
    export QS_WINE_ARCH QS_WINDOWS_PRESET
    return 0
  fi
  local probe_dir="$QS_BUILD/wine-probe"
  mkdir -p "$probe_dir"
  if [ ! -f "$probe_dir/probe64.exe" ]; then
    printf '#include <stdio.h>\nint main(void){puts("quillset-wine-probe-ok");return 0;}\n' \
      >"$probe_dir/probe.c"
    i686-w64-mingw32-gcc -o "$probe_dir/probe32.exe" "$probe_dir/probe.c" &&
      x86_64-w64-mingw32-gcc -o "$probe_dir/probe64.exe" "$probe_dir/probe.c" ||
      qs_die "could not build the Wine probe programs"
  fi
  qs_package_installed wine32:i386 ||
    qs_die "wine32:i386 is not installed: Wine cannot run 32-bit programs (tests would pass silently)."
  if [ -x /usr/lib/wine/wine ] &&
    timeout 120 /usr/lib/wine/wine "$probe_dir/probe32.exe" 2>"$probe_dir/probe32.err" |
    grep -q quillset-wine-probe-ok; then
    QS_WINE_ARCH=i686
  elif timeout 120 /usr/lib/wine/wine64 "$probe_dir/probe64.exe" 2>"$probe_dir/probe64.err" |
    grep -q quillset-wine-probe-ok; then
    QS_WINE_ARCH=x86_64
    qs_say "!!! This kernel cannot execute 32-bit programs ($(head -c 200 "$probe_dir/probe32.err"))"
    qs_say "!!! so Wine cannot start the 32-bit quillset.exe here. The Wine tests and the demo run"
    qs_say "!!! the x86_64 build of the same sources in the 64-bit prefix. The i686 quillset.exe is"
    qs_say "!!! still built, but it is NOT exercised under Wine on this machine."
  else
    qs_die "Wine runs neither a 32-bit nor a 64-bit test program; see $probe_dir/*.err."
  fi
  qs_wine_loader_for "$QS_WINE_ARCH"
  QS_WINDOWS_PRESET="$(qs_preset_for_arch "$QS_WINE_ARCH")"
  export QS_WINE_ARCH QS_WINDOWS_PRESET
}

qs_display_answers() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# An X display for Wine: the caller's when it answers, otherwise our own Xvfb (stopped by
# qs_cleanup) with a screen of QS_XVFB_SCREEN (default 1280x1024x24).
qs_ensure_display() {
  qs_display_answers && return 0
  local n i
  for n in $(seq 91 130); do
    { [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; } && continue
    Xvfb ":$n" -screen 0 "${QS_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
    QS_XVFB_PID=$!
    export DISPLAY=":$n"
    for i in $(seq 1 100); do
      qs_display_answers && break
      sleep 0.1
    done
    if qs_display_answers; then
      QS_OWN_DISPLAY=1
      return 0
    fi
    kill "$QS_XVFB_PID" 2>/dev/null || true
    unset QS_XVFB_PID
  done
  qs_die "could not start Xvfb on any display from :91 to :130"
}

# Windows' dialog fonts in a prefix, as on Windows XP: "MS Shell Dlg" is MS Sans Serif and
# "MS Shell Dlg 2" Tahoma, and the title bar's buttons are drawn with Marlett. Debian's Wine does
# not find the fonts it ships (fonts-wine, /usr/share/wine/fonts), so texts would come out in
# whatever Linux font fontconfig offers and the title bar buttons as letters; copied into the
# prefix's Fonts folder, they are found. Wine writes its own mapping of "MS Shell Dlg" (Tahoma)
# back whenever it runs in the prefix under another code page than before: run Wine here only
# through qs_wine_env (German locale). $1 is the Wine loader for the prefix's registry.
qs_install_prefix_fonts() {
  local loader="$1" font
  for font in tahoma.ttf tahomabd.ttf marlett.ttf sserife.fon sseriff.fon; do
    [ ! -f "/usr/share/wine/fonts/$font" ] ||
      cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  timeout 60 "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'MS Shell Dlg' /d 'MS Sans Serif' /f >/dev/null 2>&1
}

# The Wine prefix, made once: a 64-bit prefix (a 32-bit program runs under WOW64 there, as on
# today's Windows), window-manager waits switched off, Windows' dialog fonts. A prefix we began but
# did not finish is made anew; a prefix someone else made (WINEPREFIX set by the caller) is
# configured, never deleted. Needs a display: wineboot opens windows.
QS_PREFIX_STAMP=.quillset-prefix-v2
qs_prepare_prefix() {
  qs_wine_env
  [ -f "$WINEPREFIX/$QS_PREFIX_STAMP" ] && return 0
  qs_display_answers || qs_die "preparing the Wine prefix needs an X display (DISPLAY)"
  if [ -f "$WINEPREFIX/.quillset-preparing" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  qs_say "preparing the Wine prefix in $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  touch "$WINEPREFIX/.quillset-preparing"
  timeout 300 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || qs_die "wineboot failed"
  # Without a window manager every hide and close waits two seconds; unmanaged windows do not.
  timeout 60 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >/dev/null 2>&1 || qs_die "could not configure the prefix"
  qs_install_prefix_fonts /usr/lib/wine/wine64 || qs_die "could not set up the prefix's fonts"
  # Let the server write the registry to disk before the prefix counts as ready.
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  rm -f "$WINEPREFIX/.quillset-preparing" "$WINEPREFIX"/.quillset-prefix-v*
  touch "$WINEPREFIX/$QS_PREFIX_STAMP"
}

# One Wine server for the whole run, so services started by one test live on for the next and no
# test pays for a server start.
qs_start_wineserver() {
  qs_wine_env
  wineserver -p >/dev/null 2>&1 || true
}

# Keeps Wine's desktop alive between the tests of one run (see tests/e2e/helpers/desktop_keeper.cpp):
# without it every test waits about 2 s for the desktop to be rebuilt.
qs_start_desktop_keeper() {
  local keeper="$QS_ROOT/build/$1/tests/e2e/e2e_desktop_keeper.exe"
  [ -f "$keeper" ] || return 0
  qs_wine_env
  "$QS_WINE" "$keeper" >/dev/null 2>&1 &
  QS_KEEPER_PID=$!
}

qs_stop_wineserver() {
  qs_wine_env
  timeout 60 wineserver -k >/dev/null 2>&1 || true
}

qs_cleanup() {
  if [ -n "${QS_KEEPER_PID:-}" ]; then
    kill "$QS_KEEPER_PID" 2>/dev/null || true
  fi
  qs_stop_wineserver
  if [ -n "${QS_OWN_DISPLAY:-}" ] && [ -n "${QS_XVFB_PID:-}" ]; then
    kill "$QS_XVFB_PID" 2>/dev/null || true
  fi
}
