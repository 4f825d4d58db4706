# Helpers for the command-line scenarios: each scenario runs once per configured engine on a
# database of its own (a temporary SQLite file, a new PostgreSQL schema, a new MariaDB database).
set -u

KVO="${1:?usage: $0 PATH-TO-kvosearch}"
FAILURES=0
ENGINE=setup
SCENARIO=$(basename "$0" .sh)

fail() {
    echo "FAIL [$ENGINE] $*" >&2
    FAILURES=$((FAILURES + 1))
}

# run EXPECTED-STATUS ARGS...: runs the tool on the current database; output in $OUT, errors in $ERR.
run() {
    local expected=$1
    shift
    local errfile
    errfile=$(mktemp)
    OUT=$("$KVO" --db "$URL" "$@" 2>"$errfile")
    local status=$?
    ERR=$(cat "$errfile")
    rm -f "$errfile"
    if [ "$status" != "$expected" ]; then
        fail "kvosearch $* exited $status, expected $expected; stderr: $ERR"
    fi
}

# add_columns COLUMN...: adds a column per COLUMN, "NAME TYPE [OPTION...]", to the table of "${T[@]}"
# on the current database, each expected to succeed.
add_columns() {
    local column name type options
    for column in "$@"; do
        read -r name type options <<<"$column"
        # shellcheck disable=SC2086
        run 0 "${T[@]}" add-column "$name" --type "$type" $options
    done
}

expect_eq() {   # expect_eq WHAT EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        fail "$1: expected [$2], got [$3]"
    fi
}

expect_contains() {   # expect_contains WHAT NEEDLE HAYSTACK
    case "$3" in
        *"$2"*) ;;
        *) fail "$1: [$2] not in [$3]" ;;
    esac
}

mariadb_args() {   # client arguments from a mariadb:// URL
    local re='^mariadb://([^:@/]*)(:([^@/]*))?@([^:/]+)(:([0-9]+))?/(.*)$'
    [[ "$1" =~ $re ]] || return 1
    echo "-u${BASH_REMATCH[1]} -p${BASH_REMATCH[3]} -h${BASH_REMATCH[4]} -P${BASH_REMATCH[6]:-3306}"
}

# for_each_engine FUNCTION: calls FUNCTION with ENGINE and URL set for every configured engine.
for_each_engine() {
    local name="kvo_cli_$$_${SCENARIO//-/_}"
    local tmp
    tmp=$(mktemp -d)
    ENGINE=sqlite URL="sqlite:$tmp/host.sqlite" "$1"
    [ -n "${KVO_TEST_TALLY:-}" ] && echo "sqlite $SCENARIO cli" >>"$KVO_TEST_TALLY"
    rm -rf "$tmp"
    if [ -n "${KVO_TEST_PG_URL:-}" ]; then
        psql -q "$KVO_TEST_PG_URL" -c "DROP SCHEMA IF EXISTS $name CASCADE; CREATE SCHEMA $name" >/dev/null 2>&1 ||
            fail "cannot create PostgreSQL schema $name"
        ENGINE=postgresql URL="$KVO_TEST_PG_URL?schema=$name" "$1"
        [ -n "${KVO_TEST_TALLY:-}" ] && echo "postgresql $SCENARIO cli" >>"$KVO_TEST_TALLY"
        psql -q "$KVO_TEST_PG_URL" -c "DROP SCHEMA IF EXISTS $name CASCADE" >/dev/null 2>&1
    fi
    if [ -n "${KVO_TEST_MARIADB_URL:-}" ]; then
        local args base
        args=$(mariadb_args "$KVO_TEST_MARIADB_URL") || fail "bad KVO_TEST_MARIADB_URL"
        base=${KVO_TEST_MARIADB_URL%/*}
        # shellcheck disable=SC2086
        mariadb $args -e "DROP DATABASE IF EXISTS $name; CREATE DATABASE $name CHARACTER SET utf8mb4" ||
            fail "cannot create MariaDB database $name"
        ENGINE=mariadb URL="$base/$name" "$1"
        [ -n "${KVO_TEST_TALLY:-}" ] && echo "mariadb $SCENARIO cli" >>"$KVO_TEST_TALLY"
        # shellcheck disable=SC2086
        mariadb $args -e "DROP DATABASE IF EXISTS $name"
    fi
}

finish() {
    if [ "$FAILURES" -gt 0 ]; then
        echo "$SCENARIO: $FAILURES failure(s)" >&2
        exit 1
    fi
    echo "$SCENARIO: all checks passed"
}

# native_sql STATEMENT...: runs statements with the engine's own client on the current database (for
# tables a host makes itself, with types the tool never creates, or to make tables drift). Names in
# double quotes; MariaDB gets them in backquotes.
native_sql() {
    local s args
    for s in "$@"; do
        case "$ENGINE" in
        sqlite) sqlite3 "${URL#sqlite:}" "$s" ;;
        postgresql) psql -q -v ON_ERROR_STOP=1 "${URL%%\?*}" \
            -c "SET search_path TO ${URL##*schema=}; SET client_min_messages TO warning; $s" ;;
        mariadb)
            args=$(mariadb_args "$URL") || return 1
            # shellcheck disable=SC2086
            mariadb $args "${URL##*/}" -e "${s//\"/\`}"
            ;;
        esac >/dev/null || fail "native SQL failed: $s"
    done
}
