#!/usr/bin/env bash
# scripts/demo deletes nothing it did not make: a folder holding someone's file is refused before
# anything is built, and in an earlier demo's folder only what that demo listed goes. The demo is
# stopped right after its cleaning by a preset that does not exist, so nothing here builds.
# Usage: demo_folder.sh SCRIPTS_DEMO
set -uo pipefail
demo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
checks=0
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A folder with a file of the user's, and a file where a folder is wanted: refused, untouched.
checks=$((checks + 1))
mkdir "$work/theirs"
echo "a drawing" > "$work/theirs/plan.dxf"
SORVANE_PRESET=no-such-preset "$demo" "$work/theirs" > /dev/null 2> "$work/err.txt"
status=$?
[ $status -eq 2 ] || fail "a folder with a file: exit $status, not 2: $(cat "$work/err.txt")"
grep -qF "$work/theirs holds files the demo did not make" "$work/err.txt" || fail "no message naming the folder: $(cat "$work/err.txt")"
[ "$(ls -A "$work/theirs")" = plan.dxf ] || fail "the folder changed: $(ls -A "$work/theirs")"
[ "$(cat "$work/theirs/plan.dxf")" = "a drawing" ] || fail "the user's file changed"

checks=$((checks + 1))
"$demo" "$work/theirs/plan.dxf" 2> "$work/err.txt"
status=$?
[ $status -eq 2 ] || fail "a file for the folder: exit $status, not 2"
[ "$(cat "$work/theirs/plan.dxf")" = "a drawing" ] || fail "the file given as the folder changed"

# An earlier demo's folder: what its marker lists goes, the user's file beside it stays.
checks=$((checks + 1))
mkdir -p "$work/earlier/snapshots"
touch "$work/earlier/transcript.txt" "$work/earlier/snapshots/00-plan.png"
echo "my notes" > "$work/earlier/notes.txt"
printf '# Made by scripts/demo\ntranscript.txt\nsnapshots/00-plan.png\nsnapshots\n../notes.txt\n/etc/hostname\n' \
  > "$work/earlier/.sorvane-demo"
SORVANE_PRESET=no-such-preset "$demo" "$work/earlier" > /dev/null 2> "$work/err.txt"
[ ! -e "$work/earlier/transcript.txt" ] || fail "an earlier run's file was left"
[ ! -e "$work/earlier/snapshots" ] || fail "an earlier run's emptied folder was left"
[ "$(cat "$work/earlier/notes.txt" 2> /dev/null)" = "my notes" ] || fail "the user's file beside the demo's went"
! grep -qxF notes.txt "$work/earlier/.sorvane-demo" || fail "the user's file was listed as the demo's"

echo "$((checks - failures)) of $checks checks passed"
[ $failures -eq 0 ]
