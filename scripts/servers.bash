# Sourced by scripts/test and scripts/bench: starts the local PostgreSQL cluster and MariaDB
# server and creates the test role/user and database "kvotest" (user kvo, password kvo).
#
#   start_postgresql && create_postgresql_objects   sets PG_PORT
#   start_mariadb && create_mariadb_objects         uses MARIADB_PORT
#
# Messages name the calling script ($SCRIPT_NAME, default the script's file name).
SCRIPT_NAME=${SCRIPT_NAME:-$(basename "$0")}

if [[ $(id -u) -eq 0 ]]; then
    sudo_cmd=()
else
    sudo_cmd=(sudo)
fi
as_root() { "${sudo_cmd[@]}" "$@"; }
as_postgres()
{
    if [[ $(id -u) -eq 0 ]]; then
        (cd / && runuser -u postgres -- "$@")
    else
        (cd / && sudo -u postgres "$@")
    fi
}

# ---- servers --------------------------------------------------------------------------------

PG_VERSION=""
PG_PORT=5432
MARIADB_PORT=3306

wait_until()
{
    local what=$1
    shift
    for _ in $(seq 1 60); do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        sleep 1
    done
    echo "$SCRIPT_NAME: $what did not answer within 60 seconds" >&2
    return 1
}

start_postgresql()
{
    PG_VERSION=$(find /usr/lib/postgresql -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | sort -V | tail -n1)
    if [[ -z $PG_VERSION ]]; then
        echo "$SCRIPT_NAME: PostgreSQL is not installed" >&2
        return 1
    fi
    if [[ -z $(pg_lsclusters -h | awk -v v="$PG_VERSION" '$1 == v && $2 == "main"') ]]; then
        echo "creating PostgreSQL cluster $PG_VERSION/main"
        as_root pg_createcluster --locale C.UTF-8 "$PG_VERSION" main || return 1
    fi
    PG_PORT=$(pg_lsclusters -h | awk -v v="$PG_VERSION" '$1 == v && $2 == "main" { print $3 }')
    if as_root pg_ctlcluster "$PG_VERSION" main status >/dev/null 2>&1; then
        echo "PostgreSQL $PG_VERSION/main is running (port $PG_PORT)"
    else
        echo "starting PostgreSQL $PG_VERSION/main (port $PG_PORT)"
        as_root pg_ctlcluster "$PG_VERSION" main start || return 1
    fi
    wait_until "PostgreSQL" pg_isready -q -h localhost -p "$PG_PORT"
}

mariadb_alive() { as_root mariadb-admin --connect-timeout=2 ping; }

start_mariadb()
{
    if mariadb_alive >/dev/null 2>&1; then
        echo "MariaDB is running"
    else
        echo "starting MariaDB"
        if command -v service >/dev/null 2>&1; then
            as_root service mariadb start
        else
            as_root /etc/init.d/mariadb start
        fi
    fi
    wait_until "MariaDB" mariadb_alive
}

psql_admin() { as_postgres psql -X -q -v ON_ERROR_STOP=1 -p "$PG_PORT" -d postgres "$@"; }

create_postgresql_objects()
{
    psql_admin <<'SQL' || return 1
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kvo') THEN
        CREATE ROLE kvo;
    END IF;
END
$$;
ALTER ROLE kvo WITH LOGIN SUPERUSER PASSWORD 'kvo';
SQL
    if [[ -z $(psql_admin -At -c "SELECT 1 FROM pg_database WHERE datname = 'kvotest'") ]]; then
        psql_admin -c "CREATE DATABASE kvotest OWNER kvo ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8' TEMPLATE template0" || return 1
    fi
    local encoding
    encoding=$(psql_admin -At -c "SELECT pg_encoding_to_char(encoding) FROM pg_database WHERE datname = 'kvotest'")
    if [[ $encoding != UTF8 ]]; then
        echo "$SCRIPT_NAME: warning: PostgreSQL database kvotest has encoding $encoding, not UTF8" >&2
    fi
    PGPASSWORD=kvo PGCONNECT_TIMEOUT=10 psql -X -q -At -h localhost -p "$PG_PORT" -U kvo -d kvotest \
        -c "SELECT 1" >/dev/null
}

create_mariadb_objects()
{
    as_root mariadb <<'SQL' || return 1
CREATE DATABASE IF NOT EXISTS kvotest CHARACTER SET utf8mb4;
CREATE USER IF NOT EXISTS 'kvo'@'localhost' IDENTIFIED BY 'kvo';
CREATE USER IF NOT EXISTS 'kvo'@'127.0.0.1' IDENTIFIED BY 'kvo';
ALTER USER 'kvo'@'localhost' IDENTIFIED BY 'kvo';
ALTER USER 'kvo'@'127.0.0.1' IDENTIFIED BY 'kvo';
GRANT ALL PRIVILEGES ON *.* TO 'kvo'@'localhost';
GRANT ALL PRIVILEGES ON *.* TO 'kvo'@'127.0.0.1';
SQL
    mariadb --connect-timeout=10 -h 127.0.0.1 -P "$MARIADB_PORT" -u kvo -pkvo kvotest -e "SELECT 1" >/dev/null
}

