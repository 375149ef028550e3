#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every mutation of mutations.txt against the test suite, one at a time, in a scratch copy
# of the tree (never in the working tree), and writes a table: which mutation the tests caught.
# Not part of the test command: the whole list takes about half an hour on two cores.
#
#   tests/mutation/run.sh [-o results.txt] [-r git-revision] [mutation-id...]
#
# -r takes the code and tests from a commit (the mutation list always from the working tree).
# A mutation whose original text is no longer found is reported "stale": update its lines.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
results=/dev/stdout
revision=""
while getopts "o:r:" option; do
    case $option in
        o) results=$OPTARG ;;
        r) revision=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))

scratch=${MUTATION_SCRATCH:-$top/build/mutation}
source_copy=$scratch/src
build=$scratch/build
mkdir -p "$source_copy"
if [ -n "$revision" ]; then
    rm -rf "$source_copy.new" && mkdir -p "$source_copy.new"
    git -C "$top" archive "$revision" | tar -x -C "$source_copy.new"
else
    rm -rf "$source_copy.new" && mkdir -p "$source_copy.new"
    (cd "$top" && git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$source_copy.new")
fi
# Only files that differ are replaced, so the build stays incremental between runs.
python3 "$here/apply.py" sync "$source_copy.new" "$source_copy"
rm -rf "$source_copy.new"

list=$here/mutations.txt
if [ $# -eq 0 ]; then
    set -- $(python3 "$here/apply.py" "$list" list | cut -f1)
fi
# A mutation in a Windows file is caught, if at all, by the 64-bit Windows build's tests under
# Wine: that build is made only when such a mutation is run (32-bit programs need a host that
# runs them, which the mutation run does not ask for).
windows_file() { case $1 in windows/* | */windows/*) return 0 ;; esac; return 1; }
windows_build=""
for id in "$@"; do
    file=$(python3 "$here/apply.py" "$list" list | awk -F'\t' -v id="$id" '$1 == id {print $2}')
    if windows_file "$file"; then
        windows_build=$scratch/windows-x64
    fi
done
if [ -n "$windows_build" ]; then
    cmake -S "$source_copy" -B "$windows_build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source_copy/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi

# Tests on, benchmarks off: only what the test command checks natively, and Wine x64 if needed.
cmake -S "$source_copy" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=TRUE -DLPTFLASH_WINDOWS_X64_BUILD_DIR="$windows_build" \
    -DLPTFLASH_WINDOWS_X86_BUILD_DIR= >/dev/null
build_tree() {
    { [ -z "$windows_build" ] || cmake --build "$windows_build" -j2; } >"$scratch/build.log" 2>&1 &&
        cmake --build "$build" -j2 >>"$scratch/build.log" 2>&1
}
# Anything that waits in real time is no part of the mutation run; Wine runs only for a
# mutation in a Windows file, which the native tests never see.
run_tests() {
    local select=(-E 'wine|Wine|windows|realtime|vm_')
    if [ "${1:-}" = windows ]; then
        select=(-R 'WineX64_|wine_x64|windows_x64' -E 'realtime|vm_')
    fi
    ctest --test-dir "$build" -j2 --timeout 60 --stop-on-failure "${select[@]}" \
        >"$scratch/ctest.log" 2>&1
}
build_tree || { echo "the unmutated tree does not build: $scratch/build.log" >&2; exit 1; }
run_tests || { echo "the unmutated tree fails its tests: $scratch/ctest.log" >&2; exit 1; }
if [ -n "$windows_build" ]; then
    run_tests windows || {
        echo "the unmutated tree fails under Wine: $scratch/ctest.log" >&2
        exit 1
    }
fi

{
    printf '# %s, %s\n' "${revision:-working tree}" "$(date -u +%Y-%m-%dT%H:%MZ)"
    printf '%-5s %-8s %-34s %s\n' id result file what
} >"$results"
caught=0
total=0
for id in "$@"; do
    line=$(python3 "$here/apply.py" "$list" list | awk -F'\t' -v id="$id" '$1 == id')
    file=$(cut -f2 <<<"$line")
    what=$(cut -f3 <<<"$line")
    cp -p "$source_copy/$file" "$scratch/original"
    failed_tests=""
    if ! python3 "$here/apply.py" "$list" apply "$source_copy" "$id" >"$scratch/apply.log"; then
        result=stale
    elif ! build_tree; then
        result=nobuild
    elif run_tests "$(windows_file "$file" && echo windows)"; then
        result=missed
    else
        result=caught
        failed_tests=$(grep -oE '^\s+[0-9]+ - \S+' "$scratch/ctest.log" | awk '{print $3}' |
            head -n 3 | paste -sd, -)
    fi
    # Restored with a new time stamp, so that the next build compiles the original again.
    cp "$scratch/original" "$source_copy/$file"
    touch "$source_copy/$file"
    total=$((total + 1))
    [ "$result" = caught ] && caught=$((caught + 1))
    printf '%-5s %-8s %-34s %s%s\n' "$id" "$result" "$file" "$what" \
        "${failed_tests:+ [$failed_tests]}" >>"$results"
    echo "$id $result" >&2
done
printf '# %d of %d caught\n' "$caught" "$total" >>"$results"
build_tree || true
