#!/usr/bin/env bash
# Starts a private CUPS scheduler for the tests (CTest fixture "cups"); never touches the
# system's scheduler.
# Usage: start.sh CUPS_DIR SOCKET JOBS_DIR
#   CUPS_DIR  a folder of its own (created; its previous contents are removed)
#   SOCKET    the scheduler's domain socket (CUPS_SERVER for the tests), inside CUPS_DIR/run
#   JOBS_DIR  where the loopback printers write each job as <Queue>-<n>.pdf
# Queues: "Oficina" (the default) and "Almacen", raw socket queues to a python3 loopback
# listener with one port per queue; "Detenida" (stopped), "Rechaza" (not accepting jobs) and
# "Inalcanzable" (its printer never answers), which never complete a job. Returns when lpstat -r
# says the scheduler runs and the queues exist. Stop with stop.sh CUPS_DIR.
set -euo pipefail
dir=$1
sock=$2
jobs=$3
here=$(cd "$(dirname "$0")" && pwd)

"$here/stop.sh" "$dir" >/dev/null 2>&1 || true
rm -rf "$dir"
mkdir -p "$dir"/{spool/tmp,cache,state,log,run,ppd,ssl} "$jobs"
dir=$(cd "$dir" && pwd)

# cupsd refuses "User root": the scheduler's files belong to lp when we are root.
user=lp
group=lp
if [ "$(id -u)" -ne 0 ]; then
    user=$(id -un)
    group=$(id -gn)
fi

cat >"$dir/cupsd.conf" <<CONF
Listen $sock
LogLevel warn
WebInterface No
Browsing No
DefaultAuthType None
MaxLogSize 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/spool/tmp
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
ServerKeychain $dir/ssl
ServerBin /usr/lib/cups
DataDir /usr/share/cups
User $user
Group $group
FileDevice No
CONF
if [ "$(id -u)" -eq 0 ]; then
    chown -R "$user:$group" "$dir" "$jobs"
    chmod 755 "$dir"
fi

# The loopback printers.
setsid /usr/bin/python3 "$here/listener.py" "$jobs" "$dir/ports" Oficina Almacen \
    </dev/null >"$dir/log/listener.log" 2>&1 &
echo $! >"$dir/listener.pid"
for _ in $(seq 100); do [ -s "$dir/ports" ] && break; sleep 0.1; done
[ -s "$dir/ports" ] || { echo "start.sh: the listener did not start" >&2; cat "$dir/log/listener.log" >&2; exit 1; }

# The scheduler, in the foreground of its own session so that we keep its pid.
setsid /usr/sbin/cupsd -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" -f \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"

export CUPS_SERVER=$sock
for _ in $(seq 150); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.1
done
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    echo "start.sh: the private cupsd did not start" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    exit 1
fi

while read -r queue port; do
    lpadmin -p "$queue" -v "socket://127.0.0.1:$port" -E 2>/dev/null
done <"$dir/ports"
lpadmin -d Oficina
# Queues that never complete a job: one stopped, one refusing jobs, one whose printer does not
# answer (nothing listens on port 9 of the loopback).
almacen=$(awk '$1 == "Almacen" {print $2}' "$dir/ports")
for queue in Detenida Rechaza; do
    lpadmin -p "$queue" -v "socket://127.0.0.1:$almacen" -E 2>/dev/null
done
# Its jobs are retried for ever: the queue must not stop itself when the printer does not answer.
lpadmin -p Inalcanzable -v "socket://127.0.0.1:9" -E -o printer-error-policy=retry-current-job \
    2>/dev/null
cupsdisable Detenida
cupsreject Rechaza

for _ in $(seq 100); do
    if lpstat -p Oficina >/dev/null 2>&1 && lpstat -p Almacen >/dev/null 2>&1 &&
        lpstat -p Inalcanzable >/dev/null 2>&1 &&
        lpstat -d 2>/dev/null | grep -q Oficina; then
        echo "start.sh: private cupsd running at $sock (queues Oficina, Almacen, Detenida, Rechaza, Inalcanzable)"
        exit 0
    fi
    sleep 0.1
done
echo "start.sh: the queues were not created" >&2
lpstat -t >&2 || true
exit 1
