#!/usr/bin/env bash
# hummwell-cli past the file-size limit: one line naming the reason, exit code 1, and nothing
# left in the folder (no temporary file beside the target).
set -u
cli="$1"
melody="$2"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
(ulimit -f 4; exec "$cli" frames "$melody" -o "$dir/take.csv") 2>"$dir/../hummwell-fsize-err.$$"
code=$?
err=$(cat "$dir/../hummwell-fsize-err.$$"); rm -f "$dir/../hummwell-fsize-err.$$"
left=$(ls -A "$dir")
if [ "$code" -eq 1 ] && [[ "$err" == *"File too large"* ]] && [ -z "$left" ]; then
  echo "1 passed, 0 failed"
else
  echo "exit $code; stderr: $err; left: $left"
  echo "0 passed, 1 failed"
  exit 1
fi
