#!/bin/sh
# Checks that veskid.exe needs no DLL beyond what Windows ships, and that it
# imports the five Windows Sockets functions from wsock32.dll by ordinal.
# Usage: check_pe_imports.sh OBJDUMP BINARY
set -eu
objdump=$1
binary=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$objdump" -p "$binary" > "$dir/headers"
status=0

# The system's DLLs; a runtime DLL of the compiler (libstdc++-6.dll,
# libgcc_s_*.dll, libwinpthread-1.dll) or any other is a fault.
sed -n 's/^[[:space:]]*DLL Name: //p' "$dir/headers" | tr '[:upper:]' '[:lower:]' | sort -u > "$dir/dlls"
echo "imported DLLs: $(paste -s -d ' ' "$dir/dlls")"
while read -r dll; do
    case $dll in
    kernel32.dll | msvcrt.dll | netapi32.dll | wsock32.dll | bcrypt.dll | advapi32.dll) ;;
    *) echo "not a DLL that Windows ships: $dll"; status=1 ;;
    esac
done < "$dir/dlls"
for dll in netapi32.dll wsock32.dll bcrypt.dll; do
    grep -q -x "$dll" "$dir/dlls" || { echo "$dll is not imported"; status=1; }
done

# The entries under wsock32.dll: "thunk  ordinal  <none>" when imported by
# ordinal (the thunk's top bit set and the ordinal in its low 16 bits),
# "thunk  hint  name" when by name.
sed -n '/DLL Name: WSOCK32.dll/I,/^$/p' "$dir/headers" |
    sed -n 's/^[[:space:]]*\([0-9a-fA-F]\{1,16\}\)[[:space:]]\{1,\}[0-9a-fA-F]\{1,\}[[:space:]]\{1,\}\(.*\)$/\1 \2/p' |
    while read -r thunk name; do
        if [ "$name" = "<none>" ]; then
            echo "$((0x${thunk#"${thunk%????}"})) $name"
        else
            echo "? $name"
        fi
    done | sort -n > "$dir/wsock32"
expected="52 <none>
57 <none>
111 <none>
115 <none>
116 <none>"
if [ "$(cat "$dir/wsock32")" != "$expected" ]; then
    echo "wsock32.dll imports, expected ordinals 52 gethostbyname, 57 gethostname,"
    echo "111 WSAGetLastError, 115 WSAStartup and 116 WSACleanup, each by ordinal alone; found:"
    sed 's/^/  /' "$dir/wsock32"
    status=1
fi
[ $status -eq 0 ] && echo "system DLLs only; wsock32.dll by ordinal 52, 57, 111, 115, 116"
exit $status
