#!/usr/bin/env bash
# A one-node Slurm cluster on this machine, for trying vanto-array and for
# the end-to-end tests.
#   scripts/local-slurm.sh start    install slurm-wlm and munge when missing,
#                                   write the configuration for this host,
#                                   start munged, slurmctld and slurmd and
#                                   wait until the node is idle
#   scripts/local-slurm.sh stop     end the daemons that "start" started
#   scripts/local-slurm.sh status   which daemons run, and the node's state
# Must run as root. Running "start" twice does no harm; "stop" ends only the
# daemons this script started (recorded beside their pid files), never a
# munged or Slurm that was running before.
set -euo pipefail

conf=/etc/slurm/slurm.conf
marker="# Written by Vanto's scripts/local-slurm.sh"
state=/run/vanto-local-slurm # "<daemon>.started": this script started it
munge_pid=/run/munge/munged.pid
ctld_pid=/run/slurmctld.pid
slurmd_pid=/run/slurmd.pid
node=$(hostname -s)

say() { echo "local-slurm: $*"; }
die() {
  echo "local-slurm: $*" >&2
  exit 1
}

# The pid in file $1 when that process is alive and runs program $2.
live_pid() {
  local pid
  [ -s "$1" ] || return 1
  pid=$(tr -dc '0-9' <"$1")
  [ -n "$pid" ] && [ -d "/proc/$pid" ] || return 1
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$2" ] || return 1
  echo "$pid"
}

install_packages() {
  local missing=()
  command -v munged >/dev/null || missing+=(munge)
  command -v slurmctld >/dev/null || missing+=(slurmctld)
  command -v slurmd >/dev/null || missing+=(slurmd)
  command -v sbatch >/dev/null || missing+=(slurm-client)
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing slurm-wlm munge"
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y --no-install-recommends slurm-wlm munge >/dev/null ||
    { apt-get update >/dev/null && apt-get install -y --no-install-recommends slurm-wlm munge >/dev/null; }
}

write_config() {
  if [ -f "$conf" ] && ! grep -qxF "$marker" "$conf"; then
    die "$conf exists and was not written by this script; not touching it"
  fi
  # This host's processors and memory as slurmd sees them.
  local hw
  hw=$(slurmd -C | head -n1)
  case "$hw" in NodeName=*) ;; *) die "slurmd -C gave no node line: $hw" ;; esac
  hw=${hw#NodeName=* }
  mkdir -p /etc/slurm /var/lib/slurm/slurmctld /var/lib/slurm/slurmd /var/log/slurm
  local tmp="$conf.tmp.$$"
  cat >"$tmp" <<EOF
$marker
ClusterName=vanto-local
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
SwitchType=switch/none
MpiDefault=none
ReturnToService=2
MaxArraySize=100001
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
StateSaveLocation=/var/lib/slurm/slurmctld
SlurmdSpoolDir=/var/lib/slurm/slurmd
SlurmctldPidFile=$ctld_pid
SlurmdPidFile=$slurmd_pid
SlurmctldLogFile=/var/log/slurm/slurmctld.log
SlurmdLogFile=/var/log/slurm/slurmd.log
NodeName=$node NodeAddr=127.0.0.1 $hw State=UNKNOWN
PartitionName=vanto Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
  if [ -f "$conf" ] && cmp -s "$tmp" "$conf"; then
    rm -f "$tmp"
  else
    mv "$tmp" "$conf"
  fi
}

start_munge() {
  if live_pid "$munge_pid" munged >/dev/null; then return 0; fi
  # munged refuses to run unless its folders belong to the munge user.
  mkdir -p /run/munge /var/lib/munge /var/log/munge /etc/munge
  chown munge:munge /run/munge /var/lib/munge /var/log/munge /etc/munge
  chmod 0755 /run/munge
  if [ ! -s /etc/munge/munge.key ]; then
    runuser -u munge -- mungekey --create --keyfile=/etc/munge/munge.key
  fi
  chown munge:munge /etc/munge/munge.key
  chmod 0400 /etc/munge/munge.key
  runuser -u munge -- munged --pid-file="$munge_pid"
  touch "$state/munged.started"
}

# start_daemon NAME PIDFILE: starts /usr/sbin/NAME unless it already runs.
start_daemon() {
  if live_pid "$2" "$1" >/dev/null; then return 0; fi
  "/usr/sbin/$1"
  touch "$state/$1.started"
}

wait_for() { # wait_for SECONDS DESCRIPTION COMMAND...
  local limit=$1 what=$2
  shift 2
  local i
  for ((i = 0; i < limit * 4; i++)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.25
  done
  die "$what did not happen within $limit s"
}

node_state() { sinfo -h -n "$node" -o %t 2>/dev/null | head -n1; }
node_idle() { [ "$(node_state)" = idle ]; }
node_usable() { case "$(node_state)" in idle | mix | mixed | alloc | allocated) return 0 ;; esac; return 1; }

start() {
  [ "$(id -u)" -eq 0 ] || die "must run as root"
  install_packages
  write_config
  mkdir -p "$state"
  start_munge
  wait_for 20 "munge authentication" munge -n
  start_daemon slurmctld "$ctld_pid"
  wait_for 30 "slurmctld answering" scontrol ping
  start_daemon slurmd "$slurmd_pid"
  # A node that was already running jobs counts as up, too.
  if ! node_idle; then
    scontrol update nodename="$node" state=resume >/dev/null 2>&1 || true
    wait_for 60 "node $node idle" node_usable
  fi
  say "node $node is $(node_state) ($(grep '^NodeName' "$conf" | grep -o 'CPUs=[0-9]*'))"
}

# stop_daemon NAME PIDFILE: ends NAME when this script started it.
stop_daemon() {
  [ -f "$state/$1.started" ] || return 0
  local pid i
  if pid=$(live_pid "$2" "$1"); then
    kill -TERM "$pid"
    for ((i = 0; i < 120; i++)); do
      [ -d "/proc/$pid" ] || break
      sleep 0.25
    done
    if [ -d "/proc/$pid" ]; then
      say "$1 ($pid) did not end, killing it"
      kill -KILL "$pid" 2>/dev/null || true
    fi
    say "stopped $1 ($pid)"
  fi
  rm -f "$state/$1.started"
}

stop() {
  [ "$(id -u)" -eq 0 ] || die "must run as root"
  stop_daemon slurmd "$slurmd_pid"
  stop_daemon slurmctld "$ctld_pid"
  stop_daemon munged "$munge_pid"
}

status() {
  local rc=0 name file pid how
  for name in munged slurmctld slurmd; do
    case $name in
      munged) file=$munge_pid ;;
      slurmctld) file=$ctld_pid ;;
      slurmd) file=$slurmd_pid ;;
    esac
    how=""
    [ -f "$state/$name.started" ] && how=", started by this script"
    if pid=$(live_pid "$file" "$name"); then
      echo "$name running (pid $pid$how)"
    else
      echo "$name not running"
      rc=1
    fi
  done
  if [ $rc -eq 0 ]; then echo "node $node: $(node_state)"; fi
  return $rc
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) status ;;
  *)
    echo "usage: $0 start|stop|status" >&2
    exit 2
    ;;
esac
