#!/usr/bin/env bash
# Command-line tool: the table check on drifted tables, the convert question, and tables under a
# former base-table name.
source "$(dirname "$0")/lib.bash"

scenario() {
    local profile
    profile=$(mktemp)
    local T=(--table DncFiles --profile "$profile")
    run 0 sample-db --records 4
    run 2 "${T[@]}" check --mode 2
    run 2 "${T[@]}" check now
    run 2 "${T[@]}" names extra
    run 1 --table Missing check
    expect_contains "missing base table" "Missing" "$ERR"
    run 0 "${T[@]}" check
    expect_eq "no columns, nothing to do" "result: 0" "$OUT"

    run 0 "${T[@]}" demo-set dnc
    add_columns "Weight double" "Count int16" "Tags keyword" "Grade text --picklist --default B"
    run 0 "${T[@]}" set 1 Weight=2.5 Count=7 Tags=red Grade=B DrawingNo=D-1
    # Only record 1 has a row: the population check asks, and without a terminal the answer is no.
    run 0 "${T[@]}" check </dev/null
    expect_eq "declined without a terminal" "$(printf 'result: 1\ndefined field count = 6')" "$OUT"
    run 0 "${T[@]}" check --yes
    expect_eq "rows added" \
        "$(printf 'result: 0\ndefined field count = 6\nadded 3 search-data row(s) to DncFilesSearchData')" "$OUT"

    # Drift: older definition layout, a field missing, an extra one, a keyword and a picklist
    # table missing, a row missing and an orphaned one (and, where the engine can, a wrong type).
    native_sql 'ALTER TABLE "SearchColumnConfiguration" DROP COLUMN "DateTimeDefaultMode"' \
        'ALTER TABLE "SearchColumnConfiguration" DROP COLUMN "DateTimeDefaultValue"' \
        'ALTER TABLE "SearchColumnConfiguration" DROP COLUMN "DisableEditDateTime"' \
        'ALTER TABLE "DncFilesSearchData" DROP COLUMN "Weight"' \
        'ALTER TABLE "DncFilesSearchData" ADD COLUMN "Junk" INTEGER' \
        'DROP TABLE "DncFilesSearchKeywordTags"' \
        'DELETE FROM "DncFilesSearchData" WHERE "FileId" = 2' \
        'INSERT INTO "DncFilesSearchData" ("FileId") VALUES (99)'
    case "$ENGINE" in
        sqlite) native_sql 'DROP TABLE "PicklistDncFilesGrade"' ;;
        postgresql) native_sql 'DROP TABLE "PicklistDncFilesGrade" CASCADE' \
            'ALTER TABLE "DncFilesSearchData" ALTER COLUMN "Count" TYPE varchar(20)' ;;
        mariadb) native_sql 'ALTER TABLE "DncFilesSearchData" DROP FOREIGN KEY "FK_PicklistDncFilesGrade"' \
            'DROP TABLE "PicklistDncFilesGrade"' 'ALTER TABLE "DncFilesSearchData" MODIFY COLUMN "Count" varchar(20)' ;;
    esac

    run 0 "${T[@]}" check </dev/null
    expect_eq "mode 0 declined: nothing changed" "result: 1" "$OUT"
    run 0 "${T[@]}" check --yes
    expect_contains "mode 0 answered yes: definitions converted" "converted table SearchColumnConfiguration" "$OUT"
    expect_contains "missing field reported" "database column Weight missing from DncFilesSearchData" "$OUT"
    expect_contains "keyword table built" "created table DncFilesSearchKeywordTags" "$OUT"
    expect_contains "picklist table built" "created table PicklistDncFilesGrade" "$OUT"
    expect_contains "missing row added" "added 1 search-data row(s) to DncFilesSearchData" "$OUT"
    expect_contains "orphan deleted" "deleted 1 orphaned search-data row(s) from DncFilesSearchData" "$OUT"
    case "$OUT" in *"deleted column"*) fail "mode 0 dropped a field: $OUT" ;; esac
    run 0 "${T[@]}" --json check --mode 1 --keys
    expect_eq "mode 1 drops the extra field" \
        '{"changes":["defined field count = 6","deleted column Junk from DncFilesSearchData",'\
'"converted table DncFilesSearchData"],"result":0}' "$OUT"
    run 0 "${T[@]}" check </dev/null
    expect_eq "nothing left to do" "$(printf 'result: 0\ndefined field count = 6')" "$OUT"
    run 0 "${T[@]}" --json get 1
    expect_contains "value kept" '"Count":7' "$OUT"
    expect_contains "text kept" '"DrawingNo":"D-1"' "$OUT"
    expect_contains "picklist value kept" '"Grade":"B"' "$OUT"
    run 0 "${T[@]}" --json get 2
    expect_contains "default of the added row" '"Grade":"B"' "$OUT"

    run 0 "${T[@]}" set 1 Tags=red

    # The base table gets a new name: the tables and definition rows follow.
    native_sql 'ALTER TABLE "DncFiles" RENAME TO "Files"'
    local F=(--table Files --profile "$profile" --former-name Older --former-name DncFiles)
    run 0 "${F[@]}" names
    expect_eq "name list" "$(printf '%s\n' '1 FilesSearchData OlderSearchData' '2 FilesSearchData DncFilesSearchData' \
        '3 PicklistFilesCustomer PicklistOlderCustomer' '4 PicklistFilesCustomer PicklistDncFilesCustomer' \
        '5 FilesSearchKeywordTags OlderSearchKeywordTags' '6 FilesSearchKeywordTags DncFilesSearchKeywordTags' \
        '7 PicklistFilesGrade PicklistOlderGrade' '8 PicklistFilesGrade PicklistDncFilesGrade')" "$OUT"
    run 0 "${F[@]}" --json names
    expect_contains "json names" '{"Index":2,"NewName":"FilesSearchData","OldName":"DncFilesSearchData"}' "$OUT"
    run 0 "${F[@]}" check --mode 1 --keys
    expect_contains "search data renamed" "renamed table DncFilesSearchData to FilesSearchData" "$OUT"
    expect_contains "keyword table renamed" "renamed table DncFilesSearchKeywordTags to FilesSearchKeywordTags" "$OUT"
    expect_contains "picklist renamed" "renamed table PicklistDncFilesGrade to PicklistFilesGrade" "$OUT"
    expect_contains "definitions moved" "moved 7 definition row(s) from DncFiles to Files" "$OUT"
    run 0 --table Files --profile "$profile" check </dev/null
    expect_eq "renamed set complete" "$(printf 'result: 0\ndefined field count = 6')" "$OUT"
    run 0 --table Files --profile "$profile" --json get 1
    expect_contains "value under the new name" '"Count":7' "$OUT"
    expect_contains "keyword under the new name" '"Tags":["red"]' "$OUT"
    run 0 --table Files --profile "$profile" names
    expect_eq "no former names, no list" "" "$OUT"
    rm -f "$profile"
}

for_each_engine scenario
finish
