#!/usr/bin/env bash
# objprep.exe under wine against the native objprep on the same files: standard output,
# standard error, exit status and written files must be byte for byte the same (binary
# files and streams, replacing an existing output file, the null device, a folder).
#   objprep_same_bytes.sh NATIVE_OBJPREP WINDOWS_OBJPREP
set -uo pipefail
native=$1 windows=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvn 0 0 1\r\nf 1//1 2//1 3//1\r\n' >crlf.obj
printf 'v 0 0 0\nv 1 0 0\rv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n\x1a\nf 9//9 9//9 9//9\n' >lone-cr.obj
printf '# a square\r\nv 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\nf 1 2 3 4\r\n' >square.obj
# A binary STL triangle whose first coordinate's bytes are 1A 0D 0A 3F: a text-mode
# read would end the file at 1A and drop the CR.
{
    printf '%080d' 0
    printf '\x01\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x3f'
    printf '\x1a\x0d\x0a\x3f\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x00\x80\x3f\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x80\x3f\x00\x00\x00\x00'
    printf '\x00\x00'
} >binary.stl
mkdir 1.obj

cases=(
    "crlf.obj -o -"
    "square.obj -o - --flat"
    "square.obj -o existing.obj"
    "binary.stl -o -"
    "--check crlf.obj"
    "--check lone-cr.obj"
    "--check 1.obj"
    "missing.obj -o -"
)
failed=0
run() {  # run LABEL PROGRAM ARGS...: output into LABEL.out/.err/.status/.file
    local label=$1
    shift
    printf 'earlier content\r\n' >existing.obj
    "$@" >"$label.out" 2>"$label.err"
    echo $? >"$label.status"
    cp existing.obj "$label.file"
}
for c in "${cases[@]}"; do
    # shellcheck disable=SC2086 # the arguments are split on purpose
    run native "$native" $c
    # shellcheck disable=SC2086
    run windows wine "$windows" $c
    for part in out err status file; do
        if ! cmp -s "native.$part" "windows.$part"; then
            echo "objprep $c: $part differs under wine" >&2
            diff <(od -c "native.$part") <(od -c "windows.$part") | head -10 >&2
            failed=$((failed + 1))
        fi
    done
done
echo "objprep under wine: ${#cases[@]} cases, $failed differences from the native program"
[ "$failed" -eq 0 ]
