#!/bin/bash
# The layers: platform at the bottom, then core and resources, then settings
# and about, then app. Fails when a file includes from its own layer's other
# folder or from a layer above its own.
cd "$(dirname "$0")/.." || exit 2
declare -A rank=([platform]=0 [core]=1 [resources]=1 [settings]=2 [about]=2 [app]=3)
status=0
while IFS=: read -r file line include; do
  from=${file%%/*} to=${include#*\"} && to=${to%%/*}
  [ -n "${rank[$to]:-}" ] && [ "$to" != "$from" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ] &&
    echo "$file:$line: $from/ may not include $to/ (${include#\#include })" && status=1
done < <(grep -rn '^#include "[a-z]*/' platform core resources settings about app)
[ $status -eq 0 ] && echo "no include points upwards"
exit $status
