#!/bin/bash
# imports.sh OBJDUMP EXE: every function that EXE imports must be on tests/win7-imports.txt, the list of
# functions present on Windows 7 SP1. A new import fails until someone adds it there knowingly.
list=$(dirname "$0")/win7-imports.txt
imports=$("$1" -p "$2" | awk '/DLL Name:/ { dll = toupper($3); next } /^$/ { dll = "" }
                            dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' | sort -u)
[ -n "$imports" ] || { echo "no import table read from $2"; exit 1; }
new=$(comm -23 <(echo "$imports") <(grep -v '^#' "$list" | sort -u))
[ -z "$new" ] && echo "$(echo "$imports" | wc -l) imports, all on the Windows 7 list" && exit 0
printf '%s\n' "imported by $2 but not on the Windows 7 list ($list):" "$new"
exit 1
