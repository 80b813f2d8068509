#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Installs the batch engines that tests/engine/engine_test.sh drives: GNU parallel, Slurm
# (slurmctld, slurmd, sbatch) and munge. The test starts its own private munged, slurmctld and
# slurmd, so the packages' system services must not start: while installing, a policy-rc.d that
# refuses every start is in place (unless the machine already has one). A failed install is
# reported and ends 0: the test then skips with 77.
set -u
if command -v parallel >/dev/null && command -v sbatch >/dev/null && command -v slurmctld >/dev/null \
  && command -v slurmd >/dev/null && command -v munged >/dev/null; then
  echo "install-engines: parallel, slurm and munge already installed"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-engines: not root, cannot install parallel slurm-wlm munge (engine test will skip)"
  exit 0
fi
policy=/usr/sbin/policy-rc.d
made_policy=
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\n# Keeps package installs from starting services.\nexit 101\n' >"$policy"
  chmod 0755 "$policy"
  made_policy=1
fi
cleanup() { if [ -n "$made_policy" ]; then rm -f "$policy"; fi; }
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
if timeout 600 apt-get install -y -q --no-install-recommends parallel slurm-wlm munge >"$log" 2>&1 \
  || { timeout 300 apt-get update -q >>"$log" 2>&1 \
    && timeout 600 apt-get install -y -q --no-install-recommends parallel slurm-wlm munge >>"$log" 2>&1; }; then
  echo "install-engines: installed parallel slurm-wlm munge"
else
  echo "install-engines: installing parallel slurm-wlm munge failed (engine test will skip); last lines:"
  tail -n 5 "$log"
fi
rm -f "$log"
# Should a service have started all the same (a machine whose policy allows it), stop it: the
# test's own daemons use private sockets and ports, but a system slurmd would take the node name.
for svc in slurmd:/run/slurmd.pid slurmctld:/run/slurmctld.pid munge:/run/munge/munged.pid; do
  pidfile=${svc#*:} svc=${svc%%:*}
  if [ -x "/etc/init.d/$svc" ] && [ -s "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    "/etc/init.d/$svc" stop >/dev/null 2>&1 || true
    echo "install-engines: stopped the $svc service that the install started"
  fi
done
exit 0
