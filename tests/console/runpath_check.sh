#!/usr/bin/env bash
# The program carries RUNPATH $ORIGIN (not RPATH), so LD_LIBRARY_PATH wins over its folder.
set -eu
dyn=$(readelf -d "$1")
echo "$dyn" | grep -q 'RUNPATH.*\[\$ORIGIN\]' || { echo "no RUNPATH \$ORIGIN in $1"; exit 1; }
if echo "$dyn" | grep -q '(RPATH)'; then echo "$1 carries an RPATH"; exit 1; fi
echo "RUNPATH ok"
