#!/usr/bin/env bash
# zef_wine.sh's prefix boot against stand-ins for wine and wineserver: a boot that
# fails is retried from an empty folder and its output shown, and three failures in
# a row fail the setup.
set -uo pipefail
runner="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/wine" <<'STUB'
#!/usr/bin/env bash
if [ "$1" = wineboot ]; then
  n=$(($(cat "$STUB_COUNT" 2>/dev/null || echo 0) + 1))
  echo "$n" >"$STUB_COUNT"
  [ -z "$(ls -A "$WINEPREFIX")" ] || { echo "boot $n found a used folder"; exit 1; }
  touch "$WINEPREFIX/system.reg"
  if [ "$n" -le "$STUB_FAILURES" ]; then echo "boot $n failed"; exit 1; fi
fi
exit 0
STUB
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
chmod +x "$work/bin/wine" "$work/bin/wineserver"

failed=0
expect() {
  if ! eval "$2"; then
    echo "FAILED: $1"
    failed=1
  fi
}

boot() { # FAILURES: runs prefix-init, leaves its exit code, stderr and boot count
  rm -f "$work/count"
  STUB_FAILURES="$1" STUB_COUNT="$work/count" PATH="$work/bin:$PATH" \
    bash "$runner" x11-prefix-init "$work/prefix" 2>"$work/err" >/dev/null
  code=$?
  err="$(cat "$work/err")"
  boots="$(cat "$work/count")"
}

boot 0
expect "a clean boot succeeds at once and says nothing" \
  '[ "$code" = 0 ] && [ "$boots" = 1 ] && [ -z "$err" ]'

boot 1
expect "one failed boot is retried in an emptied folder" \
  '[ "$code" = 0 ] && [ "$boots" = 2 ] && [ -f "$work/prefix/system.reg" ]'
expect "the failed boot's output is shown with its attempt" \
  '[[ "$err" == *"attempt 1 of 3"*"boot 1 failed"* ]] && [[ "$err" != *"attempt 2"* ]]'
expect "no boot log is left beside the prefix" '[ ! -e "$work/prefix.boot-log" ]'

boot 3
expect "three failed boots fail the setup" '[ "$code" != 0 ] && [ "$boots" = 3 ]'
expect "every attempt is reported" '[[ "$err" == *"attempt 3 of 3"*"boot 3 failed"* ]]'

exit "$failed"
