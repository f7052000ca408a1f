# Shared by the README's commands, .ci/run, scripts/bench and the Wine test runner
# (tests/e2e/wine-run). Source it; it sets nothing up by itself. Every step is idempotent.

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

# The Debian packages the builds, the tests, the demo and the bench need; recommends are not
# installed, so each one is named (fonts-wine: the dialog fonts the window was laid out for;
# osslsigncode, openssl, zip and unzip: the release, its signature and its test).
QS_PACKAGES=(cmake ninja-build g++ googletest libgtest-dev locales
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick osslsigncode openssl zip unzip)

qs_ensure_packages() {
  local missing=() pkg
  for pkg in "${QS_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    qs_say "installing Debian packages: ${missing[*]}"
    # wine32 is an i386 package: the architecture must be known before apt-get update.
    dpkg --print-foreign-architectures | grep -qx i386 || qs_as_root dpkg --add-architecture i386
    qs_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q || qs_die "apt-get update failed"
    qs_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      "${missing[@]}" || qs_die "apt-get install failed"
  fi
  # German locale: Wine then runs as de-DE (German message box buttons, code page 1252).
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
      echo 'de_DE.UTF-8 UTF-8' | qs_as_root tee -a /etc/locale.gen >/dev/null
    qs_as_root locale-gen >/dev/null || qs_die "locale-gen failed"
  fi
}

# qs_build_preset PRESET [TARGET...]: configures and builds in build/PRESET.
qs_build_preset() {
  local preset=$1
  shift
  (cd "$QS_ROOT" && cmake --preset "$preset" >/dev/null) || qs_die "configuring $preset failed"
  (cd "$QS_ROOT" && cmake --build --preset "$preset" ${1:+--target "$@"}) ||
    qs_die "building $preset failed"
}

# Wine's environment for every run: our prefix, no debug noise, German locale, no Mono or Gecko.
# The system libraries that the Wine tests plant beside quillset.exe are searched for as Windows
# does (Wine otherwise takes its own copy, wherever a file of the name lies): a planted one is found.
qs_wine_env() {
  export WINEPREFIX="${WINEPREFIX:-$QS_BUILD/wine/prefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme,msimg32,dwmapi,cryptbase,userenv,propsys=n,b"
  export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
}

# QS_WINE: the loader for Windows programs of one architecture (i686 or x86_64). The 32-bit loader
# must be wine32's own: without wine32, Debian's `wine` starts a 32-bit program, prints nothing
# and exits 0.
qs_wine_loader_for() {
  case "$1" in
    i686) QS_WINE=/usr/lib/wine/wine ;;
    x86_64) QS_WINE=/usr/lib/wine/wine64 ;;
    *) qs_die "unknown Windows architecture '$1' (i686 or x86_64)" ;;
  esac
  [ -x "$QS_WINE" ] || qs_die "$QS_WINE is missing: install wine32:i386 and wine64"
  export QS_WINE
}

# Which Windows build the Wine tests and the demo run (QS_WINE_ARCH, QS_WINDOWS_PRESET). quillset
# ships as a 32-bit program; Wine runs one only where the kernel can execute 32-bit Linux
# programs. Elsewhere the x86_64 build of the same sources runs, and this says so loudly.
qs_select_wine_arch() {
  qs_wine_env
  local probe="$QS_BUILD/wine-probe"
  if [ -z "${QS_WINE_ARCH:-}" ]; then
    mkdir -p "$probe"
    printf '#include <stdio.h>\nint main(void){puts("probe-ok");return 0;}\n' >"$probe/probe.c"
    i686-w64-mingw32-gcc -o "$probe/probe32.exe" "$probe/probe.c" || qs_die "cannot build the probe"
    if timeout 120 /usr/lib/wine/wine "$probe/probe32.exe" 2>"$probe/err" | grep -q probe-ok; then
      QS_WINE_ARCH=i686
    else
      QS_WINE_ARCH=x86_64
      qs_say "!!! This kernel cannot execute 32-bit programs ($(head -c 120 "$probe/err"))."
      qs_say "!!! The Wine tests and the demo run the x86_64 build of the same sources; the shipped"
      qs_say "!!! 32-bit quillset.exe is built and checked, but not run under Wine on this machine."
    fi
  fi
  qs_wine_loader_for "$QS_WINE_ARCH"
  QS_WINDOWS_PRESET=$([ "$QS_WINE_ARCH" = i686 ] && echo windows || echo windows-x64)
  export QS_WINE_ARCH QS_WINDOWS_PRESET
}

qs_display_answers() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

# An X display for Wine: the caller's when it answers, otherwise our own Xvfb (stopped by
# qs_cleanup). Wine's GUI programs hang without one.
qs_ensure_display() {
  qs_display_answers && return 0
  local n i
  for n in $(seq 91 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 2048x1536x24 -nolisten tcp >/dev/null 2>&1 &
    QS_XVFB_PID=$!
    export DISPLAY=":$n"
    for i in $(seq 1 100); do
      qs_display_answers && return 0
      sleep 0.1
    done
    kill "$QS_XVFB_PID" 2>/dev/null
  done
  qs_die "could not start Xvfb on any display from :91 to :130"
}

# The Wine prefix, made once: 64-bit (the 32-bit program runs under WOW64, as on today's Windows),
# or with `qs_prepare_prefix win32` 32-bit (as on a 32-bit Windows; WINEPREFIX set by the caller),
# no two-second wait at every hide and close (no window manager), Windows XP's dialog fonts from
# fonts-wine ("MS Shell Dlg" is MS Sans Serif), and the drive Q: that the Wine tests fill.
qs_prepare_prefix() {
  qs_wine_env
  local wine=/usr/lib/wine/wine64
  [ "${1:-}" != win32 ] || { export WINEARCH=win32 && wine=/usr/lib/wine/wine; }
  local font fonts=(tahoma.ttf tahomabd.ttf marlett.ttf sserife.fon sseriff.fon)
  for font in "${fonts[@]}"; do
    [ -f "/usr/share/wine/fonts/$font" ] ||
      qs_die "/usr/share/wine/fonts/$font is missing: install the Debian package fonts-wine"
  done
  mkdir -p "$QS_BUILD/wine/q"
  [ -f "$WINEPREFIX/.quillset-prefix-v3" ] && return 0
  qs_display_answers || qs_die "preparing the Wine prefix needs an X display"
  qs_say "preparing the Wine prefix in $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || qs_die "wineboot failed"
  timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >/dev/null 2>&1 || qs_die "could not configure the prefix"
  cp "${fonts[@]/#//usr/share/wine/fonts/}" "$WINEPREFIX/drive_c/windows/Fonts/"
  timeout 60 "$wine" reg add \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'MS Shell Dlg' /d 'MS Sans Serif' /f >/dev/null 2>&1 || qs_die "could not set the fonts"
  ln -sfn "$QS_BUILD/wine/q" "$WINEPREFIX/dosdevices/q:"
  # Let the server write the registry before the prefix counts as ready.
  timeout 60 wineserver -k >/dev/null 2>&1
  touch "$WINEPREFIX/.quillset-prefix-v3"
}

# One Wine server for the whole run: no test pays for a server start.
qs_start_wineserver() {
  qs_wine_env
  wineserver -p >/dev/null 2>&1 || true
}

qs_cleanup() {
  qs_wine_env
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  [ -z "${QS_XVFB_PID:-}" ] || kill "$QS_XVFB_PID" 2>/dev/null || true
}
