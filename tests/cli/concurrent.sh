#!/usr/bin/env bash
# Command-line tool: two writers saving the same record at once, and two administrators saving
# column definitions at once, round after round. Every save is whole: the record afterwards is one
# writer's whole record; the definition rows and the search-data table agree.
source "$(dirname "$0")/lib.bash"

ROUNDS=${KVO_CONCURRENT_ROUNDS:-6}

# db_query SQL: the rows of a query on the current database (names in double quotes), one a line.
db_query() {
    case "$ENGINE" in
    sqlite) sqlite3 "${URL#sqlite:}" "$1" ;;
    postgresql) PGOPTIONS="-c search_path=${URL##*schema=}" psql -qAt -v ON_ERROR_STOP=1 "${URL%%\?*}" -c "$1" ;;
    mariadb)
        # shellcheck disable=SC2046
        mariadb $(mariadb_args "$URL") -N -B "${URL##*/}" -e "${1//\"/\`}"
        ;;
    esac
}

# The fields of the search-data table, sorted, the key field left out.
data_fields() {
    case "$ENGINE" in
    sqlite) db_query "SELECT name FROM pragma_table_info('DncFilesSearchData')" ;;
    postgresql) db_query "SELECT column_name FROM information_schema.columns
                          WHERE table_schema = current_schema() AND table_name = 'DncFilesSearchData'" ;;
    mariadb) db_query "SELECT column_name FROM information_schema.columns
                       WHERE table_schema = database() AND table_name = 'DncFilesSearchData'" ;;
    esac | grep -vx FileId | sort
}

# The defined columns that live in the search-data table (every type but keyword), sorted.
defined_fields() {
    db_query "SELECT \"Name\" FROM \"SearchColumnConfiguration\" WHERE \"BaseTable\" = 'DncFiles' AND \"Type\" <> 0" |
        sort
}

# in_background NAME ARGS...: runs the tool; its status and errors land in $TMP/NAME.status and .err.
in_background() {
    local name=$1
    shift
    { "$KVO" --db "$URL" "$@" >/dev/null 2>"$TMP/$name.err"; echo $? >"$TMP/$name.status"; } &
}

# finished NAME: the status of a background run in $STATUS: 0, or 1 with a reason; anything else
# fails the check.
finished() {
    STATUS=$(cat "$TMP/$1.status")
    case "$STATUS" in
    0) ;;
    1) [ -s "$TMP/$1.err" ] || fail "$1 failed without a reason" ;;
    *) fail "$1 exited $STATUS: $(cat "$TMP/$1.err")" ;;
    esac
}

# tally KIND RUNS LOST: adds a line to the reliability figures when a run collects them.
tally() {
    [ -n "${KVO_RELIABILITY_LOG:-}" ] && printf '%s\t%s\t%s\t%s\n' "$ENGINE" "$1" "$2" "$3" >>"$KVO_RELIABILITY_LOG"
    return 0
}

# race TABLE ASSIGNMENTS PATTERNS: ROUNDS rounds in which writers A and B save record 1 of TABLE
# at once, each the ASSIGNMENTS (NAME=VALUE, space-separated) with @W standing for the writer and @R
# for the round. Afterwards the record's JSON must hold every PATTERN (same placeholders) of one
# writer whose save was done. Adds the figures to the tally.
race() {
    local table=$1 assignments patterns
    read -ra assignments <<<"$2"
    read -ra patterns <<<"$3"
    local round writer item saved whole lost=0 runs=0
    for round in $(seq 1 "$ROUNDS"); do
        for writer in A B; do
            local values=()
            for item in "${assignments[@]}"; do
                item=${item//@W/$writer}
                values+=("${item//@R/$round}")
            done
            in_background "$writer" --table "$table" "${T[@]:2}" set 1 "${values[@]}"
        done
        wait
        saved=""
        for writer in A B; do
            finished "$writer"
            [ "$STATUS" = 0 ] && saved="$saved $writer"
            runs=$((runs + 1))
        done
        run 0 --table "$table" "${T[@]:2}" --json get 1
        whole=""
        for writer in A B; do
            local matches=1
            for item in "${patterns[@]}"; do
                item=${item//@W/$writer}
                [[ $OUT == *"${item//@R/$round}"* ]] || matches=0
            done
            [ $matches = 1 ] && whole=$writer
        done
        if [ -z "$whole" ]; then
            fail "$table round $round: the record is no writer's whole record: $OUT"
            lost=$((lost + 1))
        elif [[ " $saved " != *" $whole "* ]]; then
            fail "$table round $round: the record is that of $whole, whose save failed: $OUT"
        fi
    done
    tally "concurrent saves" "$runs" "$lost"
}

scenario() {
    TMP=$(mktemp -d)
    local T=(--table DncFiles --profile "$TMP/profile" --user alice)
    run 0 sample-db --records 2
    run 0 "${T[@]}" demo-set dnc
    add_columns "Weight double" "Tags keyword"
    run 0 "${T[@]}" set 1 DrawingNo=start Weight=0 Tags=start
    race DncFiles "DrawingNo=@W-@R Weight=@R Tags=@W-@R,@W" \
        '"DrawingNo":"@W-@R" "Weight":@R} "Tags":["@W","@W-@R"]'
    # Keyword lists alone: no search-data row whose lock would keep the writers apart.
    run 0 --table Packets "${T[@]:2}" add-column Ops --type keyword
    race Packets "Ops=@W-@R,@W" '"Ops":["@W","@W-@R"]'

    # Two administrators add a column each at once: the second waits for the first, or fails
    # with a reason; the definition rows and the table agree afterwards.
    local mismatched=0
    runs=0
    for round in $(seq 1 "$((ROUNDS / 2))"); do
        for writer in A B; do
            in_background "$writer" "${T[@]}" add-column "$writer$round" --type int32
        done
        wait
        for writer in A B; do
            finished "$writer"
            runs=$((runs + 1))
        done
        local defined fields
        defined=$(defined_fields)
        fields=$(data_fields)
        if [ "$defined" != "$fields" ]; then
            fail "round $round: definitions [$(echo $defined)] but fields [$(echo $fields)]"
            mismatched=$((mismatched + 1))
        fi
    done
    tally "concurrent definition saves" "$runs" "$mismatched"
    # The record's values survived every definition save.
    run 0 "${T[@]}" --json get 1
    [[ $OUT == *"\"Weight\":$ROUNDS"[,}]* ]] || fail "values lost in definition saves: $OUT"
    rm -rf "$TMP"
}

for_each_engine scenario
finish
