#!/bin/bash
# The layers: platform at the bottom, then core and resources, then settings
# and about, then app. Fails when a file includes from its own layer's other
# folder or from a layer above its own.
cd "$(dirname "$0")/.." || exit 2
rank() { case $1 in platform) echo 0 ;; core | resources) echo 1 ;; settings | about) echo 2 ;; app) echo 3 ;; esac; }
status=0
for dir in platform core resources settings about app; do
  while IFS=: read -r file line include; do
    to=${include#*\"}
    to=${to%%/*}
    [ -n "$(rank "$to")" ] && [ "$to" != "$dir" ] || continue
    if [ "$(rank "$to")" -ge "$(rank "$dir")" ]; then
      echo "$file:$line: $dir/ may not include $to/ (${include#\#include })"
      status=1
    fi
  done < <(grep -rn '^#include "[a-z]*/' "$dir")
done
[ $status -eq 0 ] && echo "no include points upwards"
exit $status
