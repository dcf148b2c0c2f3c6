#!/usr/bin/env bash
# objprep.exe under wine against the native objprep on the same files: standard output,
# standard error, exit status and written files must be byte for byte the same (binary
# files and streams, replacing an existing output file, the null device, a folder, glTF
# with its buffer file beside it or inside, simplification, framing, triangle strips).
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

# A cube (8 float corners, 36 16-bit indices) drawn by two glTF nodes: one turned by a
# quaternion, scaled and moved, its child placed by a matrix that mirrors it.
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }
cube_buffer() {
    local one='\x00\x00\x80\x3f' minus='\x00\x00\x80\xbf' corner x y z
    for corner in 0 1 3 2 4 5 7 6; do  # bits 0, 1, 2: x, y, z of 1 (set) or -1
        x=$minus y=$minus z=$minus
        [ $((corner & 1)) -eq 1 ] && x=$one
        [ $((corner & 2)) -eq 2 ] && y=$one
        [ $((corner & 4)) -eq 4 ] && z=$one
        printf "$x$y$z"
    done
    for i in 0 3 2 0 2 1 4 5 6 4 6 7 0 1 5 0 5 4 3 7 6 3 6 2 0 4 7 0 7 3 1 2 6 1 6 5; do
        printf "$(printf '\\x%02x\\x00' "$i")"
    done
}
cube_json() {  # $1: the buffer's uri field, or nothing inside a .glb
    printf '{"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0,'
    printf '"translation":[0.1,-2.5,7],"rotation":[0.1825742,0.3651484,0.5477226,0.7302967],"scale":[1.5,0.7,2.25],'
    printf '"children":[1]},{"mesh":0,"matrix":[0,1,0,0,-3,0,0,0,0,0,-1,0,10,5,0,1]}],'
    printf '"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],'
    printf '"buffers":[{%s"byteLength":168}],' "$1"
    printf '"bufferViews":[{"buffer":0,"byteLength":96},{"buffer":0,"byteOffset":96,"byteLength":72}],'
    printf '"accessors":[{"bufferView":0,"componentType":5126,"count":8,"type":"VEC3","min":[-1,-1,-1],"max":[1,1,1]},'
    printf '{"bufferView":1,"componentType":5123,"count":36,"type":"SCALAR"}]}'
}
cube_buffer >cube.bin
cube_json '"uri":"cube.bin",' >cube.gltf
json=$(cube_json "")
while [ $((${#json} % 4)) -ne 0 ]; do json="$json "; done
{
    printf 'glTF'
    le32 2
    le32 $((12 + 8 + ${#json} + 8 + 168))
    le32 ${#json}
    printf 'JSON%s' "$json"
    le32 168
    printf 'BIN\x00'
    cat cube.bin
} >cube.glb
# A sphere of 23,760 triangles without normals, for the simplifier: over the grid's
# budget, and simplified further on request.
awk 'BEGIN {
    rings = 100; around = 120; pi = 3.14159265358979
    for (i = 1; i < rings; i++) for (j = 0; j < around; j++)
        printf "v %.6f %.6f %.6f\n", sin(pi * i / rings) * cos(2 * pi * j / around), cos(pi * i / rings), sin(pi * i / rings) * sin(2 * pi * j / around)
    printf "v 0 1 0\nv 0 -1 0\n"
    top = (rings - 1) * around + 1; bottom = top + 1
    for (j = 0; j < around; j++) {
        printf "f %d %d %d\n", top, (j + 1) % around + 1, j + 1
        printf "f %d %d %d\n", bottom, (rings - 2) * around + j + 1, (rings - 2) * around + (j + 1) % around + 1
    }
    for (i = 0; i < rings - 2; i++) for (j = 0; j < around; j++) {
        a = i * around + j + 1; b = i * around + (j + 1) % around + 1
        printf "f %d %d %d %d\n", a, b, b + around, a + around
    }
}' >sphere.obj
# Triangle strips with a restart and joining triangles.
printf 'ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\nproperty float z\n' >strips.ply
printf 'element tristrips 1\nproperty list int int vertex_indices\nend_header\n' >>strips.ply
printf '0 0 0\n1 0 0\n2 0 0\n3 0 0\n0 1 0\n1 1 0\n2 1 0\n3 1 0\n12 4 0 5 -1 5 1 6 2 6 6 7 3\n' >>strips.ply

cases=(
    "crlf.obj -o -"
    "square.obj -o - --flat"
    "square.obj -o existing.obj"
    "binary.stl -o -"
    "--check crlf.obj"
    "--check lone-cr.obj"
    "--check 1.obj"
    "missing.obj -o -"
    "cube.gltf -o - --frame"
    "cube.glb -o - --for grid --up z"
    "sphere.obj -o - --for grid --frame"
    "sphere.obj -o - --triangles 700 --flat"
    "strips.ply -o -"
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
