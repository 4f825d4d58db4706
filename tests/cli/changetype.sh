#!/usr/bin/env bash
# Command-line tool: change-type, its dry run, its refusals and what a column keeps.
source "$(dirname "$0")/lib.bash"

scenario() {
    run 0 sample-db --records 5
    run 0 --table DncFiles add-column Qty --type text
    run 0 --table DncFiles add-column Tags --type keyword
    run 0 --table DncFiles add-column Grade --type int32 --picklist --default 3
    run 0 --table DncFiles picklist Grade add 40000 12
    run 0 --table DncFiles set 1 Qty=12 Grade=3
    run 0 --table DncFiles set 2 Qty=abc Grade=40000
    run 0 --table DncFiles set 3 Qty=007 Grade=12
    run 0 --table DncFiles set 4 Qty=3.5
    run 0 --table DncFiles set 5 "Qty= "

    # Usage errors exit 2, refusals 1.
    run 2 --table DncFiles change-type Qty
    run 2 --table DncFiles change-type --type int32
    run 2 --table DncFiles change-type Qty --type text --length 0
    run 2 --table DncFiles change-type Qty --type text --length 256
    run 1 --table DncFiles change-type Qty --type int32 --length 5
    run 1 --table DncFiles change-type Qty --type keyword
    run 1 --table DncFiles change-type Tags --type text
    run 1 --table DncFiles change-type Nothing --type text
    run 1 --table DncFiles change-type Qty --type money

    # The dry run counts and changes nothing.
    run 0 --table DncFiles change-type Qty --type int32 --dry-run
    expect_eq "dry run" "$(printf 'convertible: 2\nnot convertible: 2\nexample: 2 abc\nexample: 4 3.5')" "$OUT"
    run 0 --table DncFiles --json change-type Qty --type int32 --dry-run
    expect_eq "dry run json" \
        '{"convertible":2,"notConvertible":2,"examples":[{"id":2,"value":"abc"},{"id":4,"value":"3.5"}]}' "$OUT"

    # Losing values needs --yes. (What converts and what a column keeps: tst_columntypechange.)
    run 1 --table DncFiles change-type Qty --type int32
    expect_contains "lost values counted" "2 value" "$ERR"
    run 0 --table DncFiles change-type Qty --type int32 --yes
    expect_contains "definitions printed" "Qty (int32)  size=0" "$OUT"
    run 0 --table DncFiles --json get 3
    expect_contains "converted value" '"Qty":7' "$OUT"

    # The same type changes nothing; a text column with a new length is resized.
    run 0 --table DncFiles change-type Qty --type int32
    run 0 --table DncFiles change-type Qty --type text --length 1 --yes
    expect_contains "resized" "Qty (text)  size=1" "$OUT"
    run 0 --table DncFiles change-type Qty --type text --length 1 --dry-run
    expect_eq "nothing to change" "$(printf 'convertible: 0\nnot convertible: 0')" "$OUT"
    run 0 --table DncFiles change-type Grade --type int16 --yes
    expect_contains "picklist kept" "Grade (int16)  size=0  caption=\"\"  description=\"\"  picklist=yes" "$OUT"
    expect_contains "default kept" 'default="3"' "$OUT"
}

for_each_engine scenario
finish
