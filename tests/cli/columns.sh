#!/usr/bin/env bash
# Command-line tool: sample database, status, column definitions, fragments and exit statuses.
source "$(dirname "$0")/lib.bash"

scenario() {
    # Usage errors exit 2.
    run 2 --table DncFiles
    run 2 --table DncFiles no-such-command
    run 2 --table DncFiles status extra
    run 2 --table DncFiles add-column Foo
    run 2 --table DncFiles add-column Foo --type text --length 0
    OUT=$("$KVO" status 2>/dev/null); expect_eq "no --db" 2 $?

    run 0 sample-db --records 3
    run 0 --table DncFiles status
    expect_eq "status without columns" "kvoFCSNoColumnsDefined (2)" "$OUT"
    run 0 --table Missing status
    expect_eq "status of a missing table" "kvoFCSBaseTableNotDefined (6)" "$OUT"
    run 1 --table Missing columns
    expect_contains "missing table reason" "Missing" "$ERR"

    run 1 --table DncFiles add-column Foo --type money
    expect_contains "bad type reason" "money" "$ERR"
    run 1 --table DncFiles add-column Machine --type text
    run 1 --table DncFiles add-column "bad name" --type text
    run 1 --table DncFiles add-column Flag --type boolean --picklist

    run 0 --table DncFiles add-column Customer --type text --caption "Customer name" --length 30 --picklist \
        --allow-blanks --default "Acme"
    run 0 --table DncFiles add-column Tags --type keyword
    run 0 --table DncFiles add-column Weight --type double
    run 0 --table DncFiles add-column Due --type datetime --datetime-default now --disable-edit-time
    run 0 --table DncFiles add-column Remarks --type note --default "Add description here!"
    run 1 --table DncFiles add-column customer --type int32
    run 1 --table DncFiles add-column Grade --type int32 --picklist --default seven

    run 0 --table DncFiles status
    expect_eq "status with columns" "kvoFCSSuccess (1)" "$OUT"
    run 0 --table DncFiles --json columns
    expect_contains "json names" '"Name":"Customer"' "$OUT"
    expect_contains "json caption" '"Caption":"Customer name"' "$OUT"
    expect_contains "json size" '"Size":30' "$OUT"
    expect_contains "json picklist default" '"PicklistDefault":"Acme"' "$OUT"
    expect_contains "json note default" '"PicklistDefault":"Add description here!"' "$OUT"
    expect_contains "json datetime mode" '"DateTimeDefaultMode":1' "$OUT"

    run 0 --table DncFiles move-column Weight up
    run 0 --table DncFiles move-column Customer up
    run 1 --table DncFiles move-column Nothing up
    run 2 --table DncFiles move-column Weight sideways
    run 0 --table DncFiles drop-column Tags
    run 1 --table DncFiles drop-column Tags
    run 0 --table DncFiles columns
    local names
    names=$(echo "$OUT" | sed -E 's/^([0-9]+)\. ([^ ]+) .*/\1:\2/' | tr '\n' ' ')
    expect_eq "order after moves and drop" "1:Customer 2:Weight 3:Due 4:Remarks " "$names"

    run 0 --table DncFiles sql-fragments
    local q='"'
    [ "$ENGINE" = mariadb ] && q='`'
    expect_contains "fields" "SQLSearchFields: ${q}DncFilesSearchData${q}.${q}Customer${q} AS ${q}Customer name${q},${q}DncFilesSearchData${q}.${q}Weight${q}" "$OUT"
    expect_contains "join" "SQLSearchJoinOn: ${q}DncFiles${q}.${q}FileId${q} = ${q}DncFilesSearchData${q}.${q}FileId${q}" "$OUT"
    expect_contains "table" "SQLSearchTable: ${q}DncFilesSearchData${q}" "$OUT"
}

for_each_engine scenario
finish
