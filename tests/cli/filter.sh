#!/usr/bin/env bash
# Command-line tool: filters on base-table fields of the types a host's own table commonly has
# (long text, 64-bit and 8-bit integers), made with the engine's own client.
source "$(dirname "$0")/lib.bash"

scenario() {
    # PostgreSQL has no 8-bit integer; its smallest is smallint.
    local tiny=TINYINT
    [ "$ENGINE" = postgresql ] && tiny=SMALLINT
    native_sql "CREATE TABLE Parts (PartId INTEGER NOT NULL PRIMARY KEY, Remark TEXT, Big BIGINT, Tiny $tiny)"
    native_sql "INSERT INTO Parts VALUES (1, 'rush order', 9007199254740993, 1), (2, 'stock', 9007199254740992, 2),
                (3, 'rush refill', 5, 1)"
    local T=(--table Parts)
    run 0 "${T[@]}" filter "base.Remark = stock" --ids
    expect_eq "text field" "2" "$OUT"
    run 0 "${T[@]}" filter "base.Remark like rush%" --ids
    expect_eq "text field, like" "$(printf '1\n3')" "$OUT"
    # Beyond 2^53 a double cannot tell these two apart; the filter writes the number exactly.
    run 0 "${T[@]}" filter "base.Big = 9007199254740993" --ids
    expect_eq "64-bit field" "1" "$OUT"
    run 0 "${T[@]}" filter "base.Big < 100" or "base.Tiny = 2" --ids
    expect_eq "64-bit and 8-bit fields" "$(printf '2\n3')" "$OUT"
    run 1 "${T[@]}" filter "base.Tiny like 1"
    expect_contains "a number field" "numeric field" "$ERR"
}

for_each_engine scenario
finish
