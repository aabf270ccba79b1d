#!/usr/bin/env bash
# Measures Melvora beside GNU Solfege on one virtual display, each started in a fresh home:
#  - time to a visible window: from the start of the process until one of its windows is mapped
#    (polled every 5 ms with xdotool);
#  - memory of the whole process tree three seconds after the start: PSS and RSS summed over the
#    process and its descendants, read from /proc/<pid>/smaps. The software OpenGL that a virtual
#    display loads (libLLVM and Mesa's swrast/llvmpipe driver, <dri>/*_dri.so) is subtracted
#    mapping by mapping: a real graphics driver does not cost it. The web engine's helper
#    processes in the tree are counted.
# Not a test: numbers depend on the machine. Solfege comes from Debian's "solfege" package.
#
# Usage: scripts/measure-footprint.sh [runs] [screen]   (defaults: 3 runs, 1366x768)
# Environment: MELVORA (the program, default build/melvora), SOLFEGE (default solfege).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
screen=${2:-1366x768}
melvora=${MELVORA:-$PWD/build/melvora}
solfege=${SOLFEGE:-solfege}
settle=3

for tool in Xvfb xdotool awk; do
  command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done
[ -x "$melvora" ] || { echo "no program at $melvora (build first)" >&2; exit 1; }
command -v "$solfege" >/dev/null || { echo "Solfege is not installed (apt-get install solfege)" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 400); do
  [ -s "$work/display" ] && break
  sleep 0.025
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -1 "$work/display")

now_ms() { date +%s%3N; }

# The process and all its descendants.
tree_pids() {
  ps -e -o pid=,ppid= | awk -v root="$1" '
    { parent[$1] = $2 }
    END {
      found[root] = 1; changed = 1
      while (changed) {
        changed = 0
        for (p in parent) if (!(p in found) && (parent[p] in found)) { found[p] = 1; changed = 1 }
      }
      for (p in found) print p
    }'
}

# "pss rss gl_pss gl_rss" in kB for one process; the GL part is the software OpenGL's mappings.
process_memory() {
  awk '
    /^[0-9a-f]+-[0-9a-f]+ / { gl = ($6 ~ /libLLVM|\/dri\/[^\/]*_dri\.so|libgallium/) ; next }
    /^Pss:/ { pss += $2; if (gl) glpss += $2 }
    /^Rss:/ { rss += $2; if (gl) glrss += $2 }
    END { printf "%d %d %d %d\n", pss, rss, glpss, glrss }' "/proc/$1/smaps" 2>/dev/null || echo "0 0 0 0"
}

# Runs one program; prints "ms_to_window pss_mb rss_mb gl_mb engine_processes processes".
measure() {
  local home="$work/home.$RANDOM$RANDOM"
  mkdir -p "$home/run"
  chmod 700 "$home/run"
  local start
  start=$(now_ms)
  HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/run "$@" >"$home/out.log" 2>&1 &
  app_pid=$!
  local shown=-1
  while [ $(($(now_ms) - start)) -lt $((settle * 1000)) ]; do
    if [ "$shown" -lt 0 ] && [ -n "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null)" ]; then
      shown=$(($(now_ms) - start))
    fi
    sleep 0.005
  done
  if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "$* ended before ${settle} s:" >&2
    tail -5 "$home/out.log" >&2
  fi
  local pss=0 rss=0 glpss=0 glrss=0 engines=0 count=0
  for pid in $(tree_pids "$app_pid"); do
    read -r p r gp gr < <(process_memory "$pid")
    pss=$((pss + p)); rss=$((rss + r)); glpss=$((glpss + gp)); glrss=$((glrss + gr))
    count=$((count + 1))
    case $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) in *QtWebEngineProcess*) engines=$((engines + 1)) ;; esac
  done
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  echo "$shown $(((pss - glpss) / 1024)) $(((rss - glrss) / 1024)) $((glpss / 1024)) $engines $count"
}

# The web engine refuses its sandbox to root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
export MELVORA_RESOURCES=${MELVORA_RESOURCES:-$(dirname "$melvora")/resources}

printf '%-8s %4s %14s %9s %9s %13s %8s %10s\n' program run "window (ms)" "PSS (MB)" "RSS (MB)" "soft GL (MB)" engines processes
for run in $(seq "$runs"); do
  for program in melvora solfege; do
    if [ "$program" = melvora ]; then
      result=$(measure "$melvora")
    else
      result=$(measure "$solfege")
    fi
    read -r shown pss rss gl engines count <<<"$result"
    printf '%-8s %4d %14s %9d %9d %13d %8d %10d\n' "$program" "$run" "$shown" "$pss" "$rss" "$gl" "$engines" "$count"
  done
done
echo "PSS and RSS at ${settle} s without the software OpenGL mappings (their PSS in \"soft GL\"); window: first mapped window (-1: none within ${settle} s); screen $screen."
