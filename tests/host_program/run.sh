#!/usr/bin/env bash
# Runs zelhost.exe on the sessions here and compares the whole transcript and the saved drawing
# with what is expected; then checks that bad input ends with a clear message, a non-zero exit
# and no output drawing. Usage: run.sh WINE ZELHOST_EXE
set -uo pipefail
wine=$1
zelhost=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/*.json "$here"/*.zsc "$work"/
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for session in identical contains shortcuts; do
  "$wine" "$zelhost" --drawing drawing.json --script "$session.zsc" --out "$session.out.json" \
    > "$session.transcript" 2> "$session.err"
  status=$?
  [ $status -eq 0 ] || fail "$session: exit $status: $(cat "$session.err")"
  diff -u "$here/$session.transcript" "$session.transcript" || fail "$session: the transcript differs"
  diff -u "$here/$session.out.json" "$session.out.json" || fail "$session: the saved drawing differs"
done

# A bad case: the exit status and the message, and no output drawing.
expect_refusal() {
  local name=$1 message=$2
  shift 2
  rm -f out.json
  "$wine" "$zelhost" "$@" --out out.json > /dev/null 2> err.txt
  local status=$?
  [ $status -ne 0 ] || fail "$name: exit 0"
  grep -qF -- "$message" err.txt || fail "$name: the message lacks \"$message\": $(cat err.txt)"
  [ ! -e out.json ] || fail "$name: an output drawing was written"
}

printf '{"segments":[' > truncated.json
printf '{"segments":[{"id":1,"elements":[]},{"id":1,"elements":[]}]}' > duplicate.json
printf '{"segments":[{"id":1,"elements":[{"id":5,"type":33,"x":0,"y":0,"text":5}]}]}' > number-text.json
expect_refusal "invalid JSON" "truncated.json: invalid JSON" --drawing truncated.json --script identical.zsc
expect_refusal "duplicate ids" "duplicate.json: duplicate segment id 1" --drawing duplicate.json --script identical.zsc
expect_refusal "a text that is no string" "number-text.json: segments[0].elements[0]: \"text\" must be a string" \
  --drawing number-text.json --script identical.zsc
expect_refusal "a bad script line" "bad-line.zsc:3: point takes two numbers X Y" --drawing drawing.json --script bad-line.zsc
expect_refusal "a missing plug-in" "missing.dll: cannot load the plug-in" --drawing drawing.json --script identical.zsc \
  --plugin missing.dll
expect_refusal "a missing drawing" "nowhere.json: cannot read the drawing" --drawing nowhere.json --script identical.zsc

echo "$((9 - failures)) passed, $failures failed"
[ $failures -eq 0 ]
