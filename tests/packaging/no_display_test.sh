#!/usr/bin/env bash
# Without a display the window program says in one line what to use instead and ends
# with status 1 (not Qt's abort). Usage: no_display_test.sh <window program>
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" 2>&1)
status=$?
echo "$out"
[[ $status -eq 1 && $out == *linkharvest-cli* && $(wc -l <<< "$out") -eq 1 ]]
