#!/usr/bin/env bash
# Command-line tool: importing the data blocks of sample NC programs, with their error logs.
source "$(dirname "$0")/lib.bash"

DATA="$(cd "$(dirname "$0")/../data/import" && pwd)"
STAMP=20240315_143005

scenario() {
    local work dir2 blocked
    work=$(mktemp -d)
    cp "$DATA"/programs/*.nc "$work"/
    local T=(--table DncFiles)
    run 0 sample-db --records 9
    add_columns "Material text --caption Stock --length 60" "OrderNo int32" "ToolCount int16" "CycleTime single" \
        "Weight double" "Released datetime" "Approved boolean" "Tags keyword" "Setup note"

    # Usage errors.
    run 2 "${T[@]}" import 1
    run 2 "${T[@]}" import 1 "$work/O1001.nc" --timestamp 2024-03-15
    run 2 "${T[@]}" import 1 "$work/O1001.nc" --timestamp 20240230_120000
    run 2 "${T[@]}" import 1 "$work/O1001.nc" --timestamp
    run 2 "${T[@]}" import one "$work/O1001.nc"
    run 1 "${T[@]}" import 99 "$work/O1001.nc"

    # One program: the names of the columns it filled; no log folder without errors.
    run 0 "${T[@]}" import 1 "$work/O1001.nc" --timestamp $STAMP
    expect_eq "stored names" \
        "$work/O1001.nc: stored Material, OrderNo, ToolCount, CycleTime, Weight, Released, Approved, Tags, Setup" "$OUT"
    [ -e "$work/ImportSearchDataErrors" ] && fail "a run without errors made a log folder"

    run 0 "${T[@]}" --json import 5 "$work/O1005.nc" --timestamp $STAMP
    expect_eq "json report" "{\"block\":false,\"errors\":0,\"file\":\"$work/O1005.nc\",\"log\":null,\"stored\":[]}" "$OUT"

    # A directory: its files in name order into one record, a later file overriding the fields an
    # earlier one named (the log folder in it is skipped). The time stamp is each file's
    # modification time.
    dir2=$(mktemp -d)
    cp "$DATA"/programs/*.nc "$dir2"/
    mkdir "$dir2/ImportSearchDataErrors"
    touch -d "2023-12-01 21:05:09" "$dir2"/*.nc
    local folder="$dir2/ImportSearchDataErrors/20231201_210509"
    run 0 "${T[@]}" import 7 "$dir2"
    expect_eq "report per file" "$(printf '%s\n' \
        "$dir2/O1001.nc: stored Material, OrderNo, ToolCount, CycleTime, Weight, Released, Approved, Tags, Setup" \
        "$dir2/O1002.nc: stored Material, ToolCount, Setup, Approved" \
        "$dir2/O1002.nc: errors logged to $folder/O1002.nc.ImportErrors.log" \
        "$dir2/O1003.nc: stored OrderNo, CycleTime, Released, Tags, Setup" \
        "$dir2/O1003.nc: errors logged to $folder/O1003.nc.ImportErrors.log" \
        "$dir2/O1004.nc: stored Material, Tags, Approved" \
        "$dir2/O1004.nc: errors logged to $folder/O1004.nc.ImportErrors.log" \
        "$dir2/O1005.nc: no data block" \
        "$dir2/O1006.nc: stored Weight, Tags" \
        "$dir2/O1006.nc: errors logged to $folder/O1006.nc.ImportErrors.log")" "$OUT"
    # The contents of the logs and copies are compared with the expected ones in tst_import.
    expect_eq "a log and a copy for each file with errors" "$(printf '%s\n' O1002.nc O1002.nc.ImportErrors.log \
        O1003.nc O1003.nc.ImportErrors.log O1004.nc O1004.nc.ImportErrors.log O1006.nc O1006.nc.ImportErrors.log)" \
        "$(LC_ALL=C ls "$folder")"
    run 0 "${T[@]}" --json get 7
    expect_eq "values of all files" \
        '{"Approved":true,"CycleTime":0.75,"Material":"Messing Ø 40","OrderNo":2147483647,"Released":"2024-02-29 00:00:00","Setup":"Use vise 2\r\nTorque 40 Nm","Tags":[],"ToolCount":2,"Weight":1.5}' \
        "$OUT"

    # A missing file is named; the other files are still imported.
    run 1 "${T[@]}" import 8 "$work/nope.nc" "$work/O1001.nc" --timestamp $STAMP
    expect_contains "missing file named" "nope.nc" "$ERR"
    expect_contains "other file imported" "O1001.nc: stored" "$OUT"
    run 0 "${T[@]}" --json get 8
    expect_contains "values of the other file" '"OrderNo":48213' "$OUT"

    # No folder for the log: the import runs unlogged.
    blocked=$(mktemp -d)
    cp "$DATA/programs/O1002.nc" "$blocked"/
    touch "$blocked/ImportSearchDataErrors"
    run 0 "${T[@]}" import 9 "$blocked/O1002.nc"
    expect_contains "unlogged errors" "3 line(s) not imported; no error log could be written" "$OUT"
    expect_contains "values still stored" "stored Material" "$OUT"

    rm -rf "$work" "$dir2" "$blocked"
}

for_each_engine scenario
finish
