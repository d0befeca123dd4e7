# Sourced by shell tests and benchmarks: a Net-SNMP agent serving a UPS
# with known values (community "mirkot").

# start_ups_agent WORKDIR ADDRESS PORT
# Starts snmpd on ADDRESS:PORT with its files in WORKDIR and sets `agent` to
# its process id. Returns 0 once it answers, 1 (with it stopped) when it
# does not come up; WORKDIR/snmpd.log then says why.
start_ups_agent() {
  local work=$1 address=$2 port=$3
  cat > "$work/snmpd.conf" <<CONF
rocommunity mirkot 127.0.0.0/8
sysName ups-lab
override .1.3.6.1.4.1.318.1.1.1.3.2.4.0 unsigned 50
override .1.3.6.1.4.1.318.1.1.1.3.2.1.0 unsigned 231
override .1.3.6.1.4.1.318.1.1.1.4.2.1.0 unsigned 230
override .1.3.6.1.4.1.318.1.1.1.4.2.3.0 unsigned 18
override .1.3.6.1.4.1.318.1.1.1.4.2.4.0 unsigned 2
override .1.3.6.1.4.1.318.1.1.1.2.2.2.0 unsigned 0
override .1.3.6.1.4.1.318.1.1.1.2.2.1.0 unsigned 100
override .1.3.6.1.4.1.318.1.1.1.2.2.3.0 timeticks 372000
CONF
  MIBS= SNMP_PERSISTENT_DIR="$work" snmpd -f -Lf "$work/snmpd.log" -C -c "$work/snmpd.conf" \
    -p "$work/snmpd.pid" "udp:$address:$port" &
  agent=$!
  local _
  for _ in $(seq 1 50); do
    if MIBS= snmpget -m '' -v1 -c mirkot -r 0 -t 0.2 "$address:$port" .1.3.6.1.2.1.1.5.0 \
      >/dev/null 2>&1; then
      return 0
    fi
    kill -0 "$agent" 2>/dev/null || break
    sleep 0.1
  done
  kill "$agent" 2>/dev/null || true
  wait "$agent" 2>/dev/null || true
  agent=""
  return 1
}
