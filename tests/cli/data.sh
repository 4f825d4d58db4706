#!/usr/bin/env bash
# Command-line tool: reading and writing values, filters, templates, picklists and demo sets.
source "$(dirname "$0")/lib.bash"

scenario() {
    local profile
    profile=$(mktemp)
    local T=(--table DncFiles --profile "$profile" --user alice)
    run 0 sample-db --records 6
    run 0 "${T[@]}" demo-set dnc
    expect_contains "demo columns" "3. Customer" "$OUT"
    run 0 "${T[@]}" demo-set dnc
    expect_contains "existing set left alone" "nothing changed" "$ERR"
    add_columns "Weight double" "Count int16" "Tags keyword" "Due datetime" "Ok boolean"

    run 0 "${T[@]}" picklist Customer
    expect_contains "picklist entries" "Valley Gear and Axle" "$OUT"
    run 0 "${T[@]}" picklist Customer add "O'Hara & Sons" 'back\slash'
    run 0 "${T[@]}" --json picklist Customer
    expect_contains "added entry" '"entry":"O'"'"'Hara & Sons"' "$OUT"
    expect_contains "backslash entry" '"entry":"back\\slash"' "$OUT"
    run 1 "${T[@]}" picklist Weight
    run 1 "${T[@]}" picklist Nothing

    # Values as a user types them; every field is written only when all fit.
    run 0 "${T[@]}" set 1 "DrawingNo=D-1'2 \"x\" -- %_" Weight=2.5 Count=7 "Tags=urgent, steel,urgent" \
        "Due=2024-02-29 10:30" Ok=yes "Customer=o'hara & sons"
    run 0 "${T[@]}" get 1
    expect_contains "text" "DrawingNo: D-1'2 \"x\" -- %_" "$OUT"
    expect_contains "number" "Weight: 2.5" "$OUT"
    expect_contains "keywords once each, in code point order" "Tags: steel, urgent" "$OUT"
    expect_contains "date" "Due: 2024-02-29 10:30:00" "$OUT"
    expect_contains "boolean" "Ok: True" "$OUT"
    expect_contains "picklist entry's spelling" "Customer: O'Hara & Sons" "$OUT"
    run 0 "${T[@]}" --json get 1
    expect_contains "json null" '"PartNo":""' "$OUT"
    run 1 "${T[@]}" set 1 Count=abc Weight=9
    expect_contains "names column and type" "Count" "$ERR"
    run 1 "${T[@]}" set 1 Due=2024-02-31
    run 1 "${T[@]}" set 1 Count=40000
    run 1 "${T[@]}" set 1 Customer=Nobody
    run 1 "${T[@]}" set 1 Nothing=1
    run 2 "${T[@]}" set 1 Weight
    run 1 "${T[@]}" get 99
    run 0 "${T[@]}" get 1
    expect_contains "nothing written by a failed set" "Weight: 2.5" "$OUT"
    run 0 "${T[@]}" set 1 Weight= Tags=
    run 0 "${T[@]}" --json get 1
    expect_contains "cleared number is null" '"Weight":null' "$OUT"
    expect_contains "cleared keywords" '"Tags":[]' "$OUT"

    run 0 "${T[@]}" set 2 Weight=10 Ok=true Tags=steel
    run 0 "${T[@]}" set 3 Weight=1 Ok=0 Tags=urgent
    run 0 "${T[@]}" filter "Weight > 2" --ids
    expect_eq "numeric filter" "2" "$OUT"
    run 0 "${T[@]}" filter "Ok istrue" or "Tags includes urgent" --ids
    expect_eq "or filter" "$(printf '1\n2\n3')" "$OUT"
    run 0 "${T[@]}" filter "Tags excludes steel" and "base.FileId <= 3" --ids
    expect_eq "excludes and base field" "$(printf '1\n3')" "$OUT"
    run 0 "${T[@]}" filter "DrawingNo like D-1'%" --ids
    expect_eq "like with apostrophe" "1" "$OUT"
    run 0 "${T[@]}" filter "base.Machine = Mill 2"
    expect_contains "sql" "IN (SELECT" "$OUT"
    run 1 "${T[@]}" filter "Weight like 2"
    run 1 "${T[@]}" filter "Weight > heavy"
    run 1 "${T[@]}" filter "Nothing = 1"
    run 2 "${T[@]}" filter "Weight >" and
    run 2 "${T[@]}" filter "Weight ~ 2"
    run 0 "${T[@]}" filter "Weight >= 10" --save
    run 0 "${T[@]}" filter "Weight < 10" --save --archive
    run 0 "${T[@]}" last-filter --ids
    expect_eq "last filter" "2" "$OUT"
    run 0 "${T[@]}" last-filter --archive --ids
    expect_eq "archive filter" "3" "$OUT"
    run 0 --table DncFiles --profile "$profile" --user bob last-filter
    expect_eq "another user's filter" "" "$OUT"

    # Numbers in the C locale and dates in ISO form whatever the user's locale.
    for locale in de_DE.UTF-8 en_US.UTF-8; do
        LC_ALL=$locale run 0 "${T[@]}" set 2 Weight=10.75 "Due=2024-03-01 08:00"
        LC_ALL=$locale run 0 "${T[@]}" filter "Weight > 10.5" and "Due >= 2024-03-01" --ids
        expect_eq "C-locale filter under $locale" "2" "$OUT"
        LC_ALL=$locale run 0 "${T[@]}" get 2
        expect_contains "C-locale number under $locale" "Weight: 10.75" "$OUT"
        expect_contains "ISO date under $locale" "Due: 2024-03-01 08:00:00" "$OUT"
    done
    LC_ALL=de_DE.UTF-8 run 1 "${T[@]}" set 2 Weight=10,75
    run 0 "${T[@]}" set 2 Weight=10 Due=

    run 0 "${T[@]}" template save 2
    run 0 "${T[@]}" template paste 4
    run 0 "${T[@]}" --json get 4
    expect_contains "pasted number" '"Weight":10' "$OUT"
    expect_contains "pasted keyword" '"Tags":["steel"]' "$OUT"

    # A picklist that allows no blank takes its default for a record that had no value.
    run 0 "${T[@]}" add-column Grade --type text --picklist --default B
    run 0 "${T[@]}" set 6 Weight=1
    run 0 "${T[@]}" --json get 6
    expect_contains "picklist default for a blank choice" '"Grade":"B"' "$OUT"

    run 0 "${T[@]}" init 5
    run 0 "${T[@]}" --json get 5
    expect_contains "initial number" '"Weight":0' "$OUT"
    # A save the database refuses says why (that the record stays whole: tst_searchdata).
    run 0 "${T[@]}" set 2 DrawingNo=before Tags=steel
    case "$ENGINE" in
    sqlite) native_sql "CREATE TRIGGER refuse BEFORE UPDATE ON DncFilesSearchData
                        WHEN NEW.DrawingNo = 'refused' BEGIN SELECT RAISE(ABORT, 'refused'); END" ;;
    postgresql) native_sql "ALTER TABLE \"DncFilesSearchData\" ADD CONSTRAINT refuse CHECK (\"DrawingNo\" <> 'refused')" ;;
    mariadb) native_sql "ALTER TABLE DncFilesSearchData ADD CONSTRAINT refuse CHECK (DrawingNo <> 'refused')" ;;
    esac
    run 1 "${T[@]}" set 2 DrawingNo=refused Tags=other
    expect_contains "refused save names the failure" "saving failed" "$ERR"
    expect_contains "refused save gives the engine's reason" "refuse" "$ERR"
    rm -f "$profile"
}

for_each_engine scenario
finish
