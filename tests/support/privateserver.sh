#!/usr/bin/env bash
# privateserver.sh ENGINE DIR PORT init|start|stop: a database server of a test's own (postgresql or
# mariadb) with its data, socket and log in DIR, listening on 127.0.0.1:PORT. stop ends it at once,
# as a crash would: nothing is written out, and the next start recovers.
set -u
engine=$1 dir=$2 port=$3 action=$4
# The servers refuse to run as root: PostgreSQL's programs run as postgres then, MariaDB as root.
as_postgres() { if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }

case "$engine/$action" in
postgresql/init)
    bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)
    [ -x "$bin/initdb" ] || { echo "no PostgreSQL server programs under /usr/lib/postgresql"; exit 1; }
    echo "$bin" >"$dir/bin"
    if [ "$(id -u)" = 0 ]; then chown postgres:postgres "$dir" || exit 1; fi
    as_postgres "$bin/initdb" -D "$dir/data" -A trust -U kvo -E UTF8 --locale=C.UTF-8 -N ;;
postgresql/start)
    as_postgres "$(cat "$dir/bin")/pg_ctl" -D "$dir/data" -l "$dir/log" -w \
        -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off" start ;;
postgresql/stop)
    as_postgres "$(cat "$dir/bin")/pg_ctl" -D "$dir/data" -m immediate -w stop ;;
mariadb/init)
    command -v mariadbd >/dev/null || PATH=$PATH:/usr/sbin
    command -v mariadb-install-db >/dev/null && command -v mariadbd >/dev/null ||
        { echo "no MariaDB server programs (mariadb-install-db, mariadbd)"; exit 1; }
    mariadb-install-db --no-defaults --datadir="$dir/data" --auth-root-authentication-method=normal \
        --skip-test-db --user="$(id -un)" ;;
mariadb/start)
    PATH=$PATH:/usr/sbin
    setsid mariadbd --no-defaults --datadir="$dir/data" --port="$port" --bind-address=127.0.0.1 \
        --socket="$dir/socket" --pid-file="$dir/pid" --skip-grant-tables --innodb-flush-log-at-trx-commit=2 \
        --user="$(id -un)" </dev/null >>"$dir/log" 2>&1 &
    for _ in $(seq 1 600); do
        mariadb --no-defaults -S "$dir/socket" -u root \
            -e "CREATE DATABASE IF NOT EXISTS kvo CHARACTER SET utf8mb4" 2>/dev/null && exit 0
        kill -0 $! 2>/dev/null || break
        sleep 0.1
    done
    echo "the MariaDB server did not start; see $dir/log"
    exit 1 ;;
mariadb/stop)
    pid=$(cat "$dir/pid" 2>/dev/null) || exit 0
    kill -KILL "$pid" 2>/dev/null
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    rm -f "$dir/pid" ;;
*)
    echo "usage: $0 postgresql|mariadb DIR PORT init|start|stop"
    exit 2 ;;
esac
