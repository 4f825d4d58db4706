#!/usr/bin/env bash
# Command-line tool: copying and merging search values, inside one database and from a SQLite
# source database into every engine; configuration copies and their cleanup.
source "$(dirname "$0")/lib.bash"

# on_source EXPECTED-STATUS ARGS...: runs the tool on the source database.
on_source() {
    local URL=$SRC
    run "$@"
}

scenario() {
    local tmp
    tmp=$(mktemp -d)
    local T=(--table DncFiles --profile "$tmp/profile.ini")
    SRC="sqlite:$tmp/source.sqlite"

    on_source 0 sample-db --records 3
    URL=$SRC add_columns "Material text --length 60" "Weight double" "Due datetime" "Ok boolean" "Tags keyword" \
        "Grade text --picklist --default A"
    on_source 0 "${T[@]}" picklist Grade add "O'Neil"
    on_source 0 "${T[@]}" set 1 "Material=D-1'2 \"x\" back\\slash -- %_" Weight=2.5 "Due=2024-02-29 10:30" Ok=yes \
        "Tags=steel, zinc" "Grade=O'Neil"

    run 0 sample-db --records 4
    add_columns "Material text --length 60"

    # Usage errors (checked once: they do not depend on the engine); unknown records fail.
    if [ "$ENGINE" = sqlite ]; then
        run 2 "${T[@]}" copy 1
        run 2 "${T[@]}" copy 1 x
        run 2 "${T[@]}" copy-between 1 2
        run 2 "${T[@]}" copy-between --from "$SRC" 1
        run 2 "${T[@]}" merge 3 --from "$SRC"
        run 2 "${T[@]}" copy-config
        run 2 "${T[@]}" copy-config --from "$SRC" 1
        run 2 "${T[@]}" copy-cleanup now
        run 1 "${T[@]}" copy-between --from "sqlite:$tmp/missing/none.sqlite" 1 2
    fi
    run 1 "${T[@]}" copy-between --from "$SRC" 9 2
    run 1 "${T[@]}" copy 1 99

    # The configuration copy renames a taken name and keeps the source name as merge name.
    run 0 "${T[@]}" copy-config --from "$SRC"
    expect_contains "renamed column" 'Material_1 (text)' "$OUT"
    expect_contains "merge name" 'merge-name="Material"' "$OUT"
    expect_contains "picklist column" 'Grade (text)' "$OUT"

    # What each value keeps on the way and what a merge leaves alone: tst_mergecopy.
    run 0 "${T[@]}" copy-between --from "$SRC" 1 2
    run 0 "${T[@]}" --json get 2
    expect_contains "copied text" '"Material":"D-1'"'"'2 \"x\" back\\slash -- %_"' "$OUT"
    expect_contains "copied picklist value" '"Grade":"O'"'"'Neil"' "$OUT"
    run 0 "${T[@]}" set 3 Weight=1 Tags=own Grade=A
    run 0 "${T[@]}" merge 3 --from "$SRC" 1
    run 0 "${T[@]}" --json get 3
    expect_contains "merged into the renamed column" '"Material_1":"D-1'"'"'2' "$OUT"
    run 0 "${T[@]}" copy 2 4
    run 0 "${T[@]}" --json get 4
    expect_contains "copied inside the table" '"Grade":"O'"'"'Neil"' "$OUT"

    run 0 "${T[@]}" copy-cleanup
    run 0 "${T[@]}" columns
    case "$OUT" in *merge-name*) fail "merge names left after cleanup: $OUT" ;; esac
    rm -rf "$tmp"
}

for_each_engine scenario
finish
