# Sourced by the run and test scripts: the project's own Wine prefix, locale and display.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CORVANE_CACHE:-$ROOT/.cache}
export CORVANE_DEPS_PREFIX=$CACHE/deps/prefix
export WINEPREFIX=$CACHE/wine
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

# Creates the prefix once; maps the Japanese UI font names onto the installed IPA font.
wine_prefix_init() {
  if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
    echo "env: creating the Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"; mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    local name
    for name in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "MS PGothic" "MS Gothic" "MS UI Gothic" "ＭＳ 明朝" "MS Mincho"; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /d "IPAGothic" /f >/dev/null 2>&1 || true
    done
    wineserver -w
    touch "$WINEPREFIX/.corvane-ready"
  fi
}

# Starts Xvfb when there is no display; sets XVFB_PID for the caller to stop.
XVFB_PID=""
display_start() {
  if [ -z "${DISPLAY:-}" ] || [ "${CORVANE_FORCE_XVFB:-0}" = 1 ]; then
    # Xvfb picks a free display itself and writes its number once it is ready, so two runs
    # at the same moment never share (and kill) one display.
    local numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$numfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n 1 "$numfile" | tr -dc 0-9)"
    rm -f "$numfile"
    wine_windows_managed N
  fi
}

# wine_windows_managed Y|N: whether a window manager places Wine's windows. Our own Xvfb runs
# none, and managed windows then wait about two seconds for one whenever an active window hides
# (every closing popup): there they are unmanaged. On a desktop the window manager keeps them.
wine_windows_managed() {
  local marker="$WINEPREFIX/.corvane-managed"
  [ -f "$marker" ] && [ "$(cat "$marker")" = "$1" ] && return 0
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f >/dev/null 2>&1 || true
  wineserver -w
  echo "$1" > "$marker"
}

display_stop() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; XVFB_PID=""; }

# Points WINEPREFIX at a prefix of its own in the given (new) folder, so that the next Wine
# program starts a Wine server of its own: one with other rights or on other processors than
# the shared one. It holds copies of the registry and the drive links, and the shared
# prefix's C: drive linked in. The caller stops its server (wineserver -k) and removes the
# folder (which removes the link, not the drive).
wine_private_prefix() {
  local shared=$WINEPREFIX
  export WINEPREFIX=$1/wine
  mkdir -p "$WINEPREFIX/dosdevices"
  cp -a "$shared"/*.reg "$shared/.update-timestamp" "$WINEPREFIX/"
  cp -a "$shared/dosdevices/." "$WINEPREFIX/dosdevices/"
  ln -s "$shared/drive_c" "$WINEPREFIX/drive_c"
}
