#!/usr/bin/env bash
# The Linux daemon's figures, on private buses with the mock ModemManager
# (tests/linux/modemmanager.py), automatic refresh off:
#   - memory of the idle daemon from /proc/PID/smaps_rollup: RSS (every page
#     resident, shared libraries whole), PSS (shared pages divided among the
#     processes that map them) and USS (pages only this process has:
#     Private_Clean + Private_Dirty, what stopping it would give back);
#   - wake-ups while idle: voluntary context switches of every thread over
#     IDLE_SECONDS, scaled to an hour, and the device work it woke for;
#   - CPU from a USSD reply's arrival to the store written and the widget
#     published, as the daemon logs it, over REFRESHES taps.
# usage: bench/linux_daemon_figures.sh [BUILD_DIR]   (IDLE_SECONDS, REFRESHES from the environment)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
idle=${IDLE_SECONDS:-60}
refreshes=${REFRESHES:-20}
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill -TERM -- "-$p" 2>/dev/null || true; done; [ -n "${KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT

start() { # name, command...: a process group of its own
  local name=$1; shift
  setsid "$@" >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
}
until_true() { # seconds, condition...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $deadline ] || { echo "timed out: $*" >&2; exit 1; }; sleep 0.05; done
}
start system-bus dbus-daemon --config-file=tests/linux/test-bus.conf --nofork --print-address=1
start session-bus dbus-daemon --config-file=tests/linux/test-bus.conf --nofork --print-address=1
until_true 10 grep -q unix "$work/system-bus.out"
until_true 10 grep -q unix "$work/session-bus.out"
export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$work/system-bus.out")
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/session-bus.out")
unset XDG_SESSION_ID
start mock /usr/bin/python3 -m dbusmock --system --template tests/linux/modemmanager.py
until_true 15 gdbus call --system -d org.freedesktop.ModemManager1 -o /org/freedesktop/ModemManager1 \
  -m org.freedesktop.DBus.Mock.SetUssdReply '*100#' reply 'Balance 12.50 rub, bonus 300' '' >/dev/null 2>&1

root=$work/root
mkdir -p "$root/var/mobile/Library/Preferences"
cat >"$root/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>codes</key><array><dict><key>ussdCode</key><string>*100#</string>
<key>expectedNumbers</key><integer>2</integer><key>fields</key><array>
<dict><key>title</key><string>Balance</string><key>index</key><integer>0</integer></dict>
<dict><key>title</key><string>Bonus</string><key>index</key><integer>1</integer></dict></array></dict></array></dict></plist>
PLIST
start daemon "$build/bin/quorveld" --root "$root" --log-file "$work/daemon.log"
daemon=${pids[-1]}
until_true 15 grep -qs "quorveld: running" "$work/daemon.log"
until_true 15 grep -q "using modem" "$work/daemon.log"
sleep 1

# Per thread, summed; read from the process's own totals so a thread that ends
# meanwhile does not make the count go backwards.
switches() { awk '/^voluntary_ctxt_switches/ {print $2}' /proc/"$daemon"/status; }
rollup() { awk -v key="$1" '$1 == key ":" {print $2}' /proc/"$daemon"/smaps_rollup; }
mb() { echo "$(($1 / 1024)).$(( ($1 % 1024) * 10 / 1024 )) MB ($1 kB)"; }
rss=$(rollup Rss)
pss=$(rollup Pss)
uss=$(( $(rollup Private_Clean) + $(rollup Private_Dirty) ))
threads=$(ls /proc/"$daemon"/task | wc -l)
before=$(switches)
sleep "$idle"
after=$(switches)
echo "idle memory: RSS $(mb "$rss"), PSS $(mb "$pss"), USS $(mb "$uss"); $threads threads (the daemon's own and GLib's D-Bus and worker threads)"
echo "idle wake-ups of the daemon's thread: $((after - before)) in ${idle} s, $(( (after - before) * 3600 / idle )) per hour"

handled() { grep -c "reply handled in" "$work/daemon.log" || true; }
more_handled_than() { [ "$(handled)" -gt "$1" ]; }
taken() { grep -c "quorveld: refresh asked for over" "$work/daemon.log" || true; }
for i in $(seq "$refreshes"); do
  n=$(handled)
  t=$(taken)
  # A refresh within a few seconds of the last one is coalesced: asked again until one goes out.
  until "$build/bin/quorvel" refresh && [ "$(taken)" -gt "$t" ]; do sleep 0.5; done
  until_true 10 more_handled_than "$n"
done
grep -o "reply handled in [0-9.]* ms" "$work/daemon.log" | awk '{print $4}' | sort -n |
  awk '{v[NR] = $1} END {printf "reply to store and widget: median %.2f ms CPU, max %.2f ms, over %d replies\n", v[int((NR + 1) / 2)], v[NR], NR}'
kill -TERM "$daemon"
until_true 10 grep -q "quorveld: stopped" "$work/daemon.log"
grep -o "woke [0-9]* times for device work" "$work/daemon.log"
