#!/bin/sh
# A PostgreSQL server of the tests' own: "pgserver.sh start STATE" makes a
# cluster in a new temporary folder, listening only on a unix socket there,
# and writes the folder's name to STATE; "pgserver.sh stop STATE" stops it
# and removes the folder. PostgreSQL refuses to run as root, so as root the
# server runs as the system user pellaro-test (made when missing).
set -eu
action=$1
state=$2
bin=${PELLARO_PG_BIN:-/usr/lib/postgresql/15/bin}

as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u pellaro-test -- "$@"
    else
        "$@"
    fi
}

case $action in
start)
    if [ -f "$state" ]; then "$0" stop "$state" || true; fi
    # Several build folders may start their servers at once: the user is
    # made by one of them while the others wait, since concurrent useradds
    # can leave a user whose name and number disagree for a moment.
    if [ "$(id -u)" -eq 0 ]; then
        flock /tmp/pellaro-pg.useradd.lock sh -c 'id pellaro-test >/dev/null 2>&1 ||
            useradd --system --no-create-home --shell /usr/sbin/nologin pellaro-test'
    fi
    dir=$(mktemp -d /tmp/pellaro-pg.XXXXXX)
    # Named at once, so that a run killed while the server starts leaves
    # nothing the next start does not stop.
    echo "$dir" >"$state"
    chmod 755 "$dir"
    [ "$(id -u)" -eq 0 ] && chown pellaro-test "$dir"
    as_server "$bin/initdb" -D "$dir/data" -U pellaro -A trust -E UTF8 --no-sync >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "-k $dir -c listen_addresses= -c fsync=off" start \
        >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    ;;
stop)
    [ -f "$state" ] || exit 0
    dir=$(cat "$state")
    [ -n "$dir" ] || { rm -f "$state"; exit 0; }
    as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir" "$state"
    ;;
*)
    echo "usage: $0 start|stop STATE" >&2
    exit 2
    ;;
esac
