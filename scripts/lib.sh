# Shared settings of the project's scripts; sourced, never run.
TOVRIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOVRIN_BUILD=${TOVRIN_BUILD:-$TOVRIN_ROOT/build}
# Cross-built dependencies live outside the source tree so a clean clone stays clean
# and a rebuild of the project does not rebuild them.
TOVRIN_CACHE=${TOVRIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tovrin}
TOVRIN_DEPS_PREFIX=$TOVRIN_CACHE/x86_64-w64-mingw32
export TOVRIN_ROOT TOVRIN_BUILD TOVRIN_CACHE TOVRIN_DEPS_PREFIX

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

# Starts a private Xvfb when no display is set and exports DISPLAY; the caller's trap
# calls stop_display. Sets TOVRIN_XVFB_PID when it started one.
start_display() {
  TOVRIN_XVFB_PID=
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 190); do
    { [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; } && continue
    Xvfb :$n -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    TOVRIN_XVFB_PID=$!
    for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
    if kill -0 "$TOVRIN_XVFB_PID" 2>/dev/null; then export DISPLAY=:$n; return 0; fi
    TOVRIN_XVFB_PID=
  done
  echo "could not start Xvfb" >&2
  return 1
}

stop_display() {
  [ -n "${TOVRIN_XVFB_PID:-}" ] && kill "$TOVRIN_XVFB_PID" 2>/dev/null
  TOVRIN_XVFB_PID=
  return 0
}

tovrin_wineprefix() { echo "${TOVRIN_WINEPREFIX:-$TOVRIN_BUILD/wineprefix}"; }

# Keeps one wineserver alive across many short Wine programs (much faster starts).
start_wineserver() {
  local prefix; prefix=$(tovrin_wineprefix)
  if [ ! -f "$prefix/.tovrin-ready" ]; then
    "$TOVRIN_ROOT/scripts/wine" # creates the prefix
    # Let the prefix's first start finish on its own server: a persistent server taken
    # over in the middle of it ends up with two service managers and a locked service
    # database.
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
  fi
  # Fails harmlessly when a server already runs for the prefix; programs then simply
  # share it.
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -p 2>/dev/null || true
  # Start Wine's own services now, detached from our output: whichever program starts
  # them first hands them its stdout, and a test runner would wait for that pipe.
  "$TOVRIN_ROOT/scripts/wine" cmd /c exit 0 </dev/null >/dev/null 2>&1
}

stop_wineserver() {
  WINEPREFIX=$(tovrin_wineprefix) /usr/lib/wine/wineserver -k 2>/dev/null || true
}
