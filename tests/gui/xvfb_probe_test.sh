#!/usr/bin/env bash
# The real executable in a real X server: started with a host file next to it
# that names a Net-SNMP agent on port 161, Probe clicked, and the read-out
# copied out of the window through the clipboard.
# usage: xvfb_probe_test.sh UPSPROBE [SCREENSHOT.png]
# Exits 77 (skipped) where port 161 cannot be bound or a tool is missing.
set -euo pipefail

if [ "${1:-}" = "--in-x" ]; then
  # Inside the X session: $2 the program, $3 the agent's address, $4 the
  # screenshot to write or "".
  program=$2 address=$3 shot=$4
  cd /  # started elsewhere: the program must still find its host file
  "$program" & pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarvo: UPS Probe$' | head -1)
  [ -n "$wid" ] || { echo "FAIL: the window did not appear"; exit 1; }

  xdotool mousemove --window "$wid" 124 16 click 1      # Probe
  readout=""
  for _ in $(seq 1 100); do
    sleep 0.2
    xdotool mousemove --window "$wid" 100 120 click 1   # into the read-out
    xdotool key --window "$wid" ctrl+a ctrl+c
    readout=$(xclip -o -selection clipboard 2>/dev/null || true)
    case "$readout" in *Runtime=*) break ;; esac
  done
  echo "--- read-out"
  printf '%s\n' "$readout"
  echo "--- peak resident memory: $(grep VmHWM "/proc/$pid/status" | tr -s ' ')"
  if [ -n "$shot" ]; then
    xdotool mousemove --window "$wid" 190 170 click 1   # clear the selection
    import -window "$wid" "$shot"
  fi

  xdotool mousemove --window "$wid" 182 16 click 1      # "x"
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    echo "FAIL: x did not end the program"
    exit 1
  fi
  wait "$pid" || { echo "FAIL: the program exited with an error"; exit 1; }

  expected="SysName=ups-lab
Input Freq=50Hz
Input Voltage=231v
Output Voltage=230v
Output Load=18%
Output Current=2A
UPS Temp=0c
Capacity=100%
Runtime=1 hour  2 min  0 sec"
  first=$(printf '%s\n' "$readout" | head -1)
  rest=$(printf '%s\n' "$readout" | tail -n +2)
  [[ "$first" =~ ^Time=.*[0-9]{2}.*[0-9]{2} ]] || { echo "FAIL: time line '$first'"; exit 1; }
  [ "$rest" = "$expected" ] || { echo "FAIL: the read-out differs from:"; echo "$expected"; exit 1; }
  exit 0
fi

program=$(readlink -f "$1")
shot=${2:-}
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "binding port 161 needs root"
for tool in snmpd snmpget xvfb-run xdotool xclip import; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

work=$(mktemp -d)
agent=""
cleanup() {
  [ -z "$agent" ] || { kill "$agent" 2>/dev/null; wait "$agent" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT

# An address of its own on the loopback network, so that an agent already on
# 127.0.0.1:161 is no obstacle.
address=127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))
# shellcheck source=../helpers/snmpd-agent.sh
. "$(dirname "$0")/../helpers/snmpd-agent.sh"
start_ups_agent "$work" "$address" 161 ||
  skip "snmpd could not serve $address port 161: $(tail -1 "$work/snmpd.log" 2>/dev/null)"

mkdir "$work/program"
cp "$program" "$work/program/upsprobe"
printf '%s' "$address" > "$work/program/Veltrum-Host.txt"
LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 640x480x24" \
  bash "$0" --in-x "$work/program/upsprobe" "$address" "$shot"
saved=$(cat "$work/program/Veltrum-Host.txt")
[ "$saved" = "$address" ] || { echo "FAIL: host file holds '$saved'"; exit 1; }
echo "PASS"
