#!/usr/bin/env bash
# start.sh CUPS_DIR SOCKET JOBS_DIR: a private CUPS scheduler for the tests (CTest fixture "cups"),
# never the system's, in CUPS_DIR (made afresh), listening on SOCKET (inside CUPS_DIR/run); stop it
# with stop.sh CUPS_DIR. Queues: "Oficina" (the default) and "Almacen", raw queues to listener.py,
# which writes each job to JOBS_DIR/<Queue>-<n>.pdf; "Detenida" (stopped), "Rechaza" (refusing
# jobs) and "Inalcanzable" (its printer never answers) never complete a job. A test may add a
# backend or filter it installed to CUPS_DIR/serverbin/{backend,filter}; Velmor's take the jobs'
# pictures from CUPS_DIR/imagenes. Returns once ready.
set -euo pipefail
dir=$1 sock=$2 jobs=$3
here=$(cd "$(dirname "$0")" && pwd)
# Tries the command given up to $1 times, 0.1 s apart, until it succeeds.
hasta() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
# Says why it failed, with the logs given, and ends.
falla() { echo "start.sh: $1" >&2; [ $# -lt 2 ] || cat "${@:2}" >&2 2>/dev/null; exit 1; }

"$here/stop.sh" "$dir" >/dev/null 2>&1 || true
rm -rf "$dir"
mkdir -p "$dir"/{spool/tmp,cache,state,log,run,ppd,ssl,imagenes} "$jobs"
dir=$(cd "$dir" && pwd)
# cupsd refuses "User root": the scheduler's files belong to lp when we are root.
user=lp group=lp
[ "$(id -u)" -eq 0 ] || { user=$(id -un); group=$(id -gn); }
# The scheduler's programs are the system's, through a folder of its own, so that a test can add
# a backend or filter it installed (serverbin/backend/velmor) without touching the system's.
for f in /usr/lib/cups/*; do
    case ${f##*/} in
    backend | filter) mkdir -p "$dir/serverbin/${f##*/}" && ln -s "$f"/* "$dir/serverbin/${f##*/}/" ;;
    *) ln -s "$f" "$dir/serverbin/" ;;
    esac
done

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
ServerBin $dir/serverbin
DataDir /usr/share/cups
User $user
Group $group
FileDevice No
SetEnv VELMOR_IMAGENES $dir/imagenes
SetEnv ASAN_OPTIONS detect_leaks=0
CONF
# Programs run as root only from folders root owns.
[ "$(id -u)" -ne 0 ] || { chown -R "$user:$group" "$dir" "$jobs" && chmod 755 "$dir" &&
    chown -R -h root:root "$dir/serverbin"; }

# The loopback printers, then the scheduler in the foreground of its own session (to keep its pid).
setsid /usr/bin/python3 "$here/listener.py" "$jobs" "$dir/ports" Oficina Almacen \
    </dev/null >"$dir/log/listener.log" 2>&1 &
echo $! >"$dir/listener.pid"
hasta 100 test -s "$dir/ports" || falla "the listener did not start" "$dir/log/listener.log"
setsid /usr/sbin/cupsd -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" -f \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"

export CUPS_SERVER=$sock
corre() { lpstat -r 2>/dev/null | grep -q "is running"; }
hasta 150 corre || falla "the private cupsd did not start" "$dir/log/cupsd.out" "$dir/log/error_log"
while read -r queue port; do lpadmin -p "$queue" -v "socket://127.0.0.1:$port" -E 2>/dev/null; done <"$dir/ports"
lpadmin -d Oficina
# Queues that never complete a job: one stopped, one refusing jobs, one whose printer does not
# answer (nothing listens on port 9 of the loopback) and whose jobs are retried for ever.
almacen=$(awk '$1 == "Almacen" {print $2}' "$dir/ports")
for queue in Detenida Rechaza; do lpadmin -p "$queue" -v "socket://127.0.0.1:$almacen" -E 2>/dev/null; done
lpadmin -p Inalcanzable -v "socket://127.0.0.1:9" -E -o printer-error-policy=retry-current-job \
    2>/dev/null
cupsdisable Detenida; cupsreject Rechaza

listas() {
    lpstat -p Oficina && lpstat -p Almacen && lpstat -p Inalcanzable && lpstat -d | grep -q Oficina
} &>/dev/null
hasta 100 listas || { lpstat -t >&2 || true; falla "the queues were not created"; }
echo "start.sh: private cupsd running at $sock (queues Oficina, Almacen, Detenida, Rechaza, Inalcanzable)"
