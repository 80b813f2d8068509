#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# The README's batch recipes run for real: shares of one archive converted by GNU parallel job
# slots and by a Slurm job array on a one-node cluster that this script starts (private munged,
# slurmctld and slurmd), one share killed part-way and run again with --skip-existing. Every
# union of outputs must equal a plain `encode -r` of the archive byte for byte, with no extra file.
# Usage: engine_test.sh CLI_PATH SOURCE_WAV_DIR. Exit 0: every check passed; 1: a check failed;
# 77: an engine is missing or not root (slurmd must run as root).
set -u
skip() { echo "SKIP: $*" >&2; exit 77; }
[ "${EUID:-$(id -u)}" -eq 0 ] || skip "not root: slurmd of the private cluster needs root"
for c in parallel sbatch squeue scancel sinfo slurmctld slurmd munged python3; do
  command -v "$c" >/dev/null 2>&1 || skip "$c not found (tests/engine/install-engines.sh installs it)"
done
[ $# -eq 2 ] || { echo "usage: $0 CLI_PATH SOURCE_WAV_DIR" >&2; exit 1; }
CLI=$(realpath "$1") SRC=$2
[ -x "$CLI" ] || { echo "FAIL: $1 is not an executable" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- [${SECONDS}s] $*"; }
W='' PIDS='' JOBS=''
# Polls "$@" every 0.1 s until it succeeds; gives up (status 1) after $1 seconds.
poll() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.1; done
}
# TERM, then KILL after 10 s, for a process this script started.
stop_pid() {
  kill -TERM "$1" 2>/dev/null || return 0
  poll 10 eval "! kill -0 $1 2>/dev/null" || kill -KILL "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  for p in $PIDS; do kill -KILL "$p" 2>/dev/null; done
  if [ -n "$JOBS" ] && [ -n "${CTLD:-}" ] && kill -0 "$CTLD" 2>/dev/null; then
    # shellcheck disable=SC2086 # one word per job id
    scancel $JOBS 2>/dev/null
    poll 15 eval '[ -z "$(squeue -h -o %i 2>/dev/null)" ]' || echo "note: jobs still listed at exit" >&2
  fi
  for p in ${SLURMD:-} ${CTLD:-} ${MUNGED:-}; do stop_pid "$p"; done
  [ -z "$W" ] || rm -rf "$W"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
W=$(mktemp -d) || fail "mktemp -d"
# munged wants every folder above its socket searchable by all; nothing here is listable.
chmod 0711 "$W"
ARCH=$W/archive REF=$W/ref

step "archive: copies of $SRC and long recordings made from them, in nested folders"
python3 - "$SRC" "$ARCH" <<'EOF' || fail "could not build the archive from $SRC"
import os, struct, sys
src, arch = sys.argv[1], sys.argv[2]
names = sorted(n for n in os.listdir(src) if n.lower().endswith(".wav"))
pcm = []  # 16 kHz mono 16-bit data chunks, the stuff of the long recordings
for n in names:
    b = open(os.path.join(src, n), "rb").read()
    pos, fmt = 12, None
    while pos + 8 <= len(b):
        cid, size = b[pos:pos + 4], struct.unpack("<I", b[pos + 4:pos + 8])[0]
        body = b[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
        elif cid == b"data" and fmt and fmt[:3] == (1, 1, 16000) and fmt[5] == 16:
            pcm.append(body[:len(body) & ~1])
        pos += 8 + size + (size & 1)
if not names or not pcm:
    sys.exit("no 16-bit WAV input in " + src)
def put(rel, data):
    path = os.path.join(arch, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
def long_wav(k, seconds):
    # Each one starts at a different source and sample, so no two outputs are alike.
    order = pcm[k % len(pcm):] + pcm[:k % len(pcm)]
    data = b"".join(order)[2 * 1009 * k:]
    data = (data * (32000 * seconds // len(data) + 1))[:32000 * seconds]
    return struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16,
                       1, 1, 16000, 32000, 2, 16, b"data", len(data)) + data
# Copies of every input as it is, in folders of several depths, some named in capitals.
copies = [("a/%02d_%s" % (i, n), n) for i, n in enumerate((names * 8)[:8])]
copies += [("c/s%d_%s" % (i, n), n) for i, n in enumerate((names * 11)[8:11])]
copies += [("d/e/%02d.WAV" % i, n) for i, n in enumerate((names * 15)[11:15])]
copies += [("d/e/f/%02d.wav" % i, n) for i, n in enumerate((names * 19)[15:19])]
for rel, n in copies:
    put(rel, open(os.path.join(src, n), "rb").read())
# The long ones sort into the middle shares, which are the ones this test kills.
for k in range(13):
    put("b/long/%02d.wav" % k if k < 8 else "c/l%d.wav" % k, long_wav(k, 120))
EOF
nwav=$(find "$ARCH" -type f -iname '*.wav' | wc -l)
step "archive: $nwav WAV files, $(du -sm "$ARCH" | cut -f1) MiB"

step "reference: encode -q -r -d REF ARCHIVE"
timeout 120 "$CLI" encode -q -r -d "$REF" "$ARCH" || fail "reference encode exited $?"
# The reference must hold one non-empty output per input, by the input's path, and nothing else:
# otherwise comparing against it proves nothing.
(cd "$ARCH" && find . -type f | sed 's/\.[wW][aA][vV]$/.wrm/' | LC_ALL=C sort) >"$W/expected"
(cd "$REF" && find . -mindepth 1 ! -type d | LC_ALL=C sort) >"$W/got"
diff "$W/expected" "$W/got" >"$W/d" || { cat "$W/d"; fail "reference outputs differ from the inputs' names"; }
[ -z "$(find "$REF" -type f -empty)" ] || fail "empty reference output: $(find "$REF" -type f -empty)"

# Can the temporary folder's file system make unnamed files? Then a killed encode leaves no
# temporary; otherwise a SIGKILLed one may leave a hidden ".NAME.~part" beside its outputs.
if python3 -c 'import os,sys; os.close(os.open(sys.argv[1], os.O_TMPFILE | os.O_WRONLY, 0o600))' "$W"; then
  tmpfile=1
else
  tmpfile=0
fi
# compare_tree NAME DIR ALLOW_PART: DIR equals REF, file for file and byte for byte. With
# ALLOW_PART=1 on a file system without unnamed files, leftover ".*.~part" files are allowed.
compare_tree() {
  local name=$1 dir=$2 allow=$3 bad=0 f
  (cd "$dir" && find . -mindepth 1 ! -type d | LC_ALL=C sort) >"$W/got"
  LC_ALL=C comm -23 "$W/got" "$W/expected" >"$W/extra"
  LC_ALL=C comm -13 "$W/got" "$W/expected" >"$W/missing"
  if [ -s "$W/extra" ] && [ "$allow" = 1 ] && [ "$tmpfile" = 0 ]; then
    grep -v '/\.[^/]*\.~part$' "$W/extra" >"$W/extra2"
    echo "note: $name: $(grep -c '~part$' "$W/extra") leftover temporaries of the SIGKILLed run allowed" \
      "(this file system has no unnamed files): $(grep '~part$' "$W/extra" | tr '\n' ' ')"
    mv "$W/extra2" "$W/extra"
  fi
  [ ! -s "$W/extra" ] || { echo "$name: extra files:"; cat "$W/extra"; bad=1; }
  [ ! -s "$W/missing" ] || { echo "$name: missing outputs:"; cat "$W/missing"; bad=1; }
  while read -r f; do
    [ ! -f "$dir/$f" ] || cmp -s "$REF/$f" "$dir/$f" || { echo "$name: differs: $f"; bad=1; }
  done <"$W/expected"
  [ $bad = 0 ] || fail "$name: the union of the shares differs from the reference"
  step "$name: union of the shares equals the reference ($nwav files, byte for byte)"
}
# check_joblog FILE N: GNU parallel ran N tasks, each exited 0 with no signal.
check_joblog() {
  awk -v n="$2" 'NR > 1 { c++; if ($7 != 0 || $8 != 0) bad++ } END { exit !(c == n && !bad) }' "$1" \
    || { cat "$1"; fail "a parallel task failed (joblog above)"; }
}
export CLI ARCH

step "parallel: 3 shares in 3 local job slots, --skip-existing"
export OUT=$W/out_p
timeout 120 parallel --will-cite -j3 --joblog "$W/joblog1" \
  '"$CLI" encode -q -r --skip-existing --shard {}/3 -d "$OUT" "$ARCH"' ::: 1 2 3
check_joblog "$W/joblog1" 3
compare_tree parallel "$OUT" 0

step "parallel: share 2/3 SIGKILLed part-way, then run again"
export OUT=$W/out_k
"$CLI" encode -q -r --skip-existing --shard 2/3 -d "$OUT" "$ARCH" &
kpid=$! PIDS="$PIDS $kpid"
# Kill once its first output is there, while the rest of its share is still to do.
poll 30 eval '[ -n "$(find "$OUT" -name "*.wrm" 2>/dev/null)" ] || ! kill -0 $kpid 2>/dev/null' \
  || fail "share 2/3 made no output in 30 s"
kill -KILL $kpid 2>/dev/null
wait $kpid 2>/dev/null; krc=$? PIDS=
before=$(find "$OUT" -type f -name '*.wrm' | wc -l)
leftover=$(find "$OUT" -name '.*.~part' | wc -l)
timeout 120 "$CLI" encode -q -r --skip-existing --shard 2/3 -d "$OUT" "$ARCH" \
  || fail "re-run of the killed share 2/3 exited $?"
after=$(find "$OUT" -type f -name '*.wrm' | wc -l)
if [ $krc = 137 ] && [ "$before" -lt "$after" ]; then
  step "kill landed: $before of $after outputs of share 2/3 were done, $leftover temporaries left"
else
  echo "note: share 2/3 ended (status $krc) before the kill landed: $before of $after done"
fi
timeout 120 parallel --will-cite -j3 --joblog "$W/joblog2" \
  '"$CLI" encode -q -r --skip-existing --shard {}/3 -d "$OUT" "$ARCH"' ::: 1 3
check_joblog "$W/joblog2" 2
compare_tree parallel-killed "$OUT" 1

step "slurm: private munged, slurmctld and slurmd on localhost"
mkdir -m 0700 "$W/key" "$W/state" "$W/spool" "$W/status" "$W/log" && mkdir -m 0711 "$W/sock"
dd if=/dev/urandom of="$W/key/munge.key" bs=1 count=1024 2>/dev/null && chmod 0400 "$W/key/munge.key"
SOCK=$W/sock/munge.socket
munged -F --key-file="$W/key/munge.key" --socket="$SOCK" --pid-file="$W/key/munged.pid" \
  --log-file="$W/log/munged.log" --seed-file="$W/key/munged.seed" >"$W/log/munged.out" 2>&1 &
MUNGED=$!
poll 10 test -S "$SOCK" || { cat "$W/log/munged.out"; fail "munged did not start"; }
# Two random high ports that nothing listens on now.
read -r PCTLD PD < <(python3 -c '
import random, socket
ports = set()
while len(ports) < 2:
    p = random.randint(20000, 60999)
    with socket.socket() as s:
        try:
            s.bind(("", p))
            ports.add(p)
        except OSError:
            pass
print(*ports)')
export SLURM_CONF=$W/slurm.conf
cat >"$SLURM_CONF" <<EOF
ClusterName=veltrane
SlurmctldHost=localhost
SlurmUser=root
SlurmctldPort=$PCTLD
SlurmdPort=$PD
AuthType=auth/munge
AuthInfo=socket=$SOCK
StateSaveLocation=$W/state
SlurmdSpoolDir=$W/spool
SlurmctldPidFile=$W/state/slurmctld.pid
SlurmdPidFile=$W/spool/slurmd.pid
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
KillWait=5
MailProg=/bin/true
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=batch Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
slurmctld -D -f "$SLURM_CONF" >"$W/log/slurmctld.log" 2>&1 &
CTLD=$!
slurmd -D -f "$SLURM_CONF" -N localhost >"$W/log/slurmd.log" 2>&1 &
SLURMD=$!
poll 60 eval '[ "$(sinfo -h -n localhost -o %t 2>/dev/null)" = idle ]' \
  || { tail -n 5 "$W"/log/slurm*.log; fail "the node did not come up idle in 60 s"; }
step "slurm: node idle (ports $PCTLD, $PD)"

# The README's array task, with its exit status kept in a file of the job and task.
export OUT=$W/out_s STATUS=$W/status
cat >"$W/task.sh" <<'EOF'
#!/bin/sh
"$CLI" encode -q -j 1 -r --skip-existing --shard "$SLURM_ARRAY_TASK_ID/4" -d "$OUT" "$ARCH"
echo $? >"$STATUS/$SLURM_ARRAY_JOB_ID.$SLURM_ARRAY_TASK_ID"
EOF
submit() { timeout 30 sbatch --parsable --output="$W/log/task-%A_%a.out" "$@" "$W/task.sh"; }
done_job() { [ -z "$(squeue -h -j "$1" -o %i 2>/dev/null)" ]; }
step "slurm: job array 1-4, task 2 cancelled once it runs"
J1=$(submit --array=1-4) || fail "sbatch refused the job array"
JOBS=$J1
task2() { squeue -h -j "${J1}_2" -o %T 2>/dev/null; }
poll 60 eval 'case $(task2) in PENDING | CONFIGURING) false ;; esac' \
  || fail "array task 2 did not start in 60 s"
if [ "$(task2)" = RUNNING ]; then
  sleep 1
  scancel "${J1}_2" || fail "scancel ${J1}_2 failed"
fi
poll 120 done_job "$J1" || fail "job array $J1 did not end in 120 s"
before=$(find "$OUT" -type f -name '*.wrm' | wc -l)
if [ "$(cat "$STATUS/$J1.2" 2>/dev/null)" = 0 ] || [ "$before" = "$nwav" ]; then
  echo "note: task 2 had finished before scancel reached it"
else
  step "scancel landed: $before of $nwav outputs were there after round 1" \
    "(task 2's status: $(cat "$STATUS/$J1.2" 2>/dev/null || echo 'none, its shell was stopped'))"
fi
step "slurm: task 2 submitted again"
J2=$(submit --array=2) || fail "sbatch refused the re-run of task 2"
JOBS="$J1 $J2"
poll 120 done_job "$J2" || fail "re-run $J2 of task 2 did not end in 120 s"
for s in "$J1.1" "$J1.3" "$J1.4" "$J2.2"; do
  [ "$(cat "$STATUS/$s" 2>/dev/null)" = 0 ] \
    || { cat "$W"/log/task-*.out; fail "array task $s ended with status '$(cat "$STATUS/$s" 2>/dev/null)'"; }
done
step "slurm: every task of the final round ended 0"
compare_tree slurm "$OUT" 0
echo "PASS: parallel and slurm recipes, $nwav files, $SECONDS s"
