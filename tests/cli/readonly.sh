#!/usr/bin/env bash
# Command-line tool on an SQLite file it may read but not write: `set` exits 1 with the engine's
# reason and the file stays byte for byte as it was; once the file may be written, the same `set`
# goes through.
source "$(dirname "$0")/lib.bash"

# scenario DIR: works on the file host.sqlite in DIR (URL points there).
scenario() {
    local dir=$1 profile_dir tool=$KVO
    profile_dir=$(mktemp -d)
    chmod 755 "$dir"
    chmod 777 "$profile_dir"
    local T=(--table DncFiles --profile "$profile_dir/profile")
    local file="$dir/host.sqlite"
    run 0 sample-db --records 2
    run 0 "${T[@]}" demo-set dnc
    add_columns "Tags keyword"
    run 0 "${T[@]}" set 1 DrawingNo=kept Tags=a
    chmod 644 "$profile_dir/profile" 2>/dev/null

    # The file and its folder take no writes (not even a journal). Root writes any file, so the
    # tool then runs as nobody.
    chmod 444 "$file"
    chmod 555 "$dir"
    if [ "$(id -u)" = 0 ]; then
        KVO="$dir.as-nobody"
        printf '#!/bin/sh\nexec setpriv --reuid=65534 --regid=65534 --clear-groups "%s" "$@"\n' "$tool" >"$KVO"
        chmod 755 "$KVO"
    fi
    local before
    before=$(sha256sum <"$file")
    run 1 "${T[@]}" set 1 DrawingNo=changed Tags=b
    expect_contains "the engine's reason" "readonly" "$ERR"
    expect_eq "file unchanged" "$before" "$(sha256sum <"$file")"
    run 0 "${T[@]}" get 1
    expect_contains "still readable" "DrawingNo: kept" "$OUT"

    rm -f "$dir.as-nobody"
    KVO=$tool
    chmod 755 "$dir"
    chmod 644 "$file"
    run 0 "${T[@]}" set 1 DrawingNo=changed Tags=b
    run 0 "${T[@]}" get 1
    expect_contains "written once writable" "DrawingNo: changed" "$OUT"
    rm -rf "$dir" "$profile_dir"
}

ENGINE=sqlite
DIR=$(mktemp -d)
URL="sqlite:$DIR/host.sqlite"
scenario "$DIR"
[ -n "${KVO_TEST_TALLY:-}" ] && echo "sqlite $SCENARIO cli" >>"$KVO_TEST_TALLY"
finish
