#!/bin/sh
# Runs a QTest program through the emulator (Wine) with its log in a file, then shows the log: on Windows QTest
# writes its log to the debugger unless it is told where.
#   usage: run_qtest.sh LOG EMULATOR PROGRAM [ARGUMENTS...]
log=$1
shift
rm -f "$log"
"$@" -o "$log,txt"
status=$?
cat "$log" 2>/dev/null
exit $status
