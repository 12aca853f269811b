#!/usr/bin/env bash
# Runs zelhost.exe on the sessions here and compares the whole transcript and the saved drawing
# with what is expected; then checks that bad input ends, before anything runs, with a message
# naming the file and place, the documented exit status and no output drawing; that a dialog
# nobody answers ends the run instead of hanging it; and that `--help` and the README agree.
# Usage: run.sh WINE ZELHOST_EXE
set -uo pipefail
wine=$1
zelhost=$2
here=$(cd "$(dirname "$0")" && pwd)
readme="$here/../../README.md"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/*.json "$here"/*.zsc "$work"/
cd "$work"
checks=0
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for session in identical contains shortcuts cancel escape text; do
  checks=$((checks + 1))
  "$wine" "$zelhost" --drawing drawing.json --script "$session.zsc" --out "$session.out.json" \
    > "$session.transcript" 2> "$session.err"
  status=$?
  [ $status -eq 0 ] || fail "$session: exit $status: $(cat "$session.err")"
  diff -u "$here/$session.transcript" "$session.transcript" || fail "$session: the transcript differs"
  diff -u "$here/$session.out.json" "$session.out.json" || fail "$session: the saved drawing differs"
done

# The typical run and what no host may lose, on every kind of host: the same transcript and drawing
# on each, but for what the host's own selection set adds where it keeps one.
for kind in "keyin docked" "keyin floating" "submitted kept" "escape clears" "delay 200" "delete selection" \
  "activating-click delivered"; do
  checks=$((checks + 1))
  expected=kinds
  [ "$kind" = "delete selection" ] && expected=kinds-selection
  "$wine" "$zelhost" --drawing kinds.json --script kinds.zsc --out kinds.out.json --host "$kind" \
    > kinds.transcript 2> kinds.err || fail "kinds as $kind: exit $?: $(cat kinds.err)"
  diff -u "$here/$expected.transcript" kinds.transcript || fail "kinds as $kind: the transcript differs"
  diff -u "$here/$expected.out.json" kinds.out.json || fail "kinds as $kind: the saved drawing differs"
done

# The same session with CRLF line ends runs the same.
checks=$((checks + 1))
sed 's/$/\r/' identical.zsc > crlf.zsc
"$wine" "$zelhost" --drawing drawing.json --script crlf.zsc --out crlf.out.json > crlf.transcript 2> crlf.err ||
  fail "crlf: exit $?: $(cat crlf.err)"
diff -u "$here/identical.transcript" crlf.transcript || fail "crlf: the transcript differs"
diff -u "$here/identical.out.json" crlf.out.json || fail "crlf: the saved drawing differs"

# A console line of any length is one line, however the reading splits it (here inside a Hangul
# character at the first 4,095 bytes).
checks=$((checks + 1))
long="x$(printf '가%.0s' $(seq 1 2000))"
printf 'registry Method 0\ncommand\nkeyin %s\n' "$long" |
  "$wine" "$zelhost" --drawing drawing.json --script - > console.txt 2> console.err || fail "console: exit $?"
grep -qxF "> keyin $long" console.txt || fail "console: the long line was not taken whole"
[ "$(grep -c '^result:' console.txt)" -eq 1 ] || fail "console: the long line ran as more than one line"
# A console line is read whole, a NUL included, so that the NUL refuses it rather than cutting it.
checks=$((checks + 1))
printf 'registry Method 0\ncommand\nkeyin R\0Y\n' |
  "$wine" "$zelhost" --drawing drawing.json --script - > console.txt 2> console.err || fail "console NUL: exit $?"
grep -qF "console:3: the line holds a NUL character" console.err || fail "console NUL: not refused: $(cat console.err)"
! grep -q '^> keyin' console.txt || fail "console NUL: the line ran"

# A refused run: the exit status, the message, and no output drawing.
expect_refusal() {
  local name=$1 status=$2 message=$3
  shift 3
  checks=$((checks + 1))
  rm -f out.json
  timeout 60 "$wine" "$zelhost" "$@" --out out.json > transcript.txt 2> err.txt
  local got=$?
  [ $got -eq "$status" ] || fail "$name: exit $got, not $status: $(cat err.txt)"
  grep -qF -- "$message" err.txt || fail "$name: the message lacks \"$message\": $(cat err.txt)"
  [ ! -e out.json ] || fail "$name: an output drawing was written"
}

# bad.zsc refused before any line runs (the message begins with the line's number): nothing of
# the session is carried out.
expect_bad_script() {
  local name=$1 message=$2
  expect_refusal "$name" 5 "bad.zsc:$message" --drawing drawing.json --script bad.zsc
  ! grep -q '^> ' transcript.txt || fail "$name: lines ran before the script was refused"
}
expect_bad_line() {
  local name=$1 line=$2 message=$3
  printf 'registry Method 0\ncommand\nkeyin 창문\n%s\n' "$line" > bad.zsc
  expect_bad_script "$name" "4: $message"
}

printf '{"segments":[' > truncated.json
printf '{"segments":[{"id":1,"elements":[{"id":5,"type":33,"x":0,"y":0,"text":"a\\u0000b"}]}]}' > nul-text.json
printf '{"segments":[]}\0{"x":1}' > trailing.json
expect_refusal "invalid JSON" 3 "truncated.json: invalid JSON" --drawing truncated.json --script identical.zsc
expect_refusal "a NUL in a text" 3 "nul-text.json: segments[0].elements[0]: \"text\" holds a NUL character" \
  --drawing nul-text.json --script identical.zsc
expect_refusal "bytes after the drawing" 3 "trailing.json: invalid JSON" --drawing trailing.json --script identical.zsc
expect_refusal "a missing drawing" 3 "nowhere.json: cannot read the drawing" --drawing nowhere.json --script identical.zsc
printf '{"segments":[[]]}' > list-for-segment.json
expect_refusal "a list where a segment belongs" 3 "list-for-segment.json: segments[0]: an array where an object belongs" \
  --drawing list-for-segment.json --script identical.zsc

expect_bad_line "a word for a number" "point 1 two" "point takes two finite numbers X Y"
expect_bad_line "not a number" "point nan nan" "point takes two finite numbers X Y"
expect_bad_line "an infinite number" "point 1e400 0" "point takes two finite numbers X Y"
expect_bad_line "a wait too long" "wait 2147483647" "wait takes MS from 0 to 60000"
expect_bad_line "invalid UTF-8" $'keyin \xC3\x28' "the line is not valid UTF-8"
expect_bad_line "an unknown line" "jump 3" "unknown line: jump"
expect_bad_line "a hexadecimal number" "point 0x10 0" "point takes two finite numbers X Y"
expect_bad_line "a search before the next" "fault search 0" "fault search takes N from 1 (the next search)"
expect_bad_line "a picture outside its folder" 'snapshot ..\..\..\evil' "snapshot takes a NAME for a file in the snapshots folder"
expect_bad_line "a dialog's picture outside its folder" "dialog snapshot ../evil" \
  "dialog snapshot takes a NAME for a file in the snapshots folder"
expect_bad_line "a picture on a device" "snapshot nul" "snapshot takes a NAME for a file in the snapshots folder"
printf 'registry Method 0\ncommand\nkeyin R\0Y\n' > bad.zsc
expect_bad_script "a NUL in a line" "3: the line holds a NUL character"
printf 'registry Method 0\rcommand\rkeyin 창문\r' > bad.zsc
expect_bad_script "lines ended by a carriage return alone" "1: the line holds a carriage return"
expect_refusal "a host kind there is not" 2 "--host keyin sideways: keyin takes docked or floating" \
  --drawing drawing.json --script identical.zsc --host "keyin sideways"
expect_bad_line "a host kind there is not" "host delay forever" "host takes a SETTING: delay takes MS from 0 to 10000"
expect_refusal "a missing plug-in" 4 "missing.dll: cannot load the plug-in" --drawing drawing.json \
  --script identical.zsc --plugin missing.dll

# Dialogs nobody answers: the host cancels them, and the run ends naming the line.
printf 'registry Method 0\ncommand\nconfirm\n' > unanswered.zsc
expect_refusal "a dialog with no answer" 5 "unanswered.zsc:3: a dialog opened with no answer queued" \
  --drawing drawing.json --script unanswered.zsc
printf 'registry Method 0\ndialog click 999\ncommand\nconfirm\n' > no-control.zsc
expect_refusal "an answer naming no control" 5 "no-control.zsc:4: the dialog has no control 999" \
  --drawing drawing.json --script no-control.zsc
printf 'dialog ok\ncommand\n' > unused.zsc
expect_refusal "an answer no dialog took" 5 "unused.zsc:1: no dialog opened for this answer" \
  --drawing drawing.json --script unused.zsc

# Every script line of `zelhost --help` stands in the README's table, word for word.
checks=$((checks + 1))
"$wine" "$zelhost" --help > help.txt 2>&1 || fail "--help: exit $?"
rows=0
while IFS= read -r row; do
  syntax=$(sed -E 's/^  (.*[^ ]) {2,}.*/\1/' <<< "$row")
  help=$(sed -E 's/^  .*[^ ] {2,}(.*)/\1/' <<< "$row")
  rows=$((rows + 1))
  grep -qF -- "| \`${syntax//|/\\|}\` | $help |" "$readme" || fail "README lacks the row of \"$syntax\": $help"
done < <(sed -n '/^Script lines/,$p' help.txt | grep '^  ')
[ $rows -ge 12 ] || fail "--help lists $rows script lines"

echo "$((checks - failures)) of $checks checks passed"
[ $failures -eq 0 ]
