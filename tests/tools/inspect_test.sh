#!/usr/bin/env bash
# tavlo_inspect as a developer calls it: exact output and exit codes.
# Usage: inspect_test.sh TESTS_DIR COMMAND...   (COMMAND runs tavlo_inspect, e.g. "wine x.exe")
set -u
tests=$1
shift
failures=0

expect() {  # expect NAME EXIT_CODE EXPECTED_STDOUT_PATTERN ARGS...
  local name=$1 code=$2 pattern=$3
  shift 3
  local out rc
  out=$("$@" 2>/tmp/inspect_stderr.$$)
  rc=$?
  if [ "$rc" != "$code" ] || ! grep -qE -- "$pattern" <<<"$out$(cat /tmp/inspect_stderr.$$)"; then
    echo "FAIL $name: exit $rc (want $code), output: $out $(cat /tmp/inspect_stderr.$$)"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

conf="$tests/data/json-conformance/test_parsing"
fix="$tests/fixtures"
expect "json accepts"        0 '^\{"ok":true\}$' "$@" json "$conf/y_object_basic.json"
expect "json error"          0 '^\{"ok":false,"error":"expected '"','"' or '"'\]'"'","offset":3\}$' "$@" json "$conf/n_array_1_true_without_comma.json"
expect "json empty file"     0 '^\{"ok":false,"error":"unexpected end of input","offset":0\}$' "$@" json "$tests/data/empty.json"
expect "choices"             0 '"title":"master".*"videoLanguage":"en".*"choices":\[\{"formatId":"450\+aud-English","ext":"mp4","kind":2,"quality":360' "$@" choices "$fix/ytdlp-j-hls-master.out"
expect "choices playlist"    0 '"playlistCount":3.*"formatId":"tavlo_best"' "$@" choices "$fix/ytdlp-j-html-multi-playlist.out" --lang 7
expect "choices unicode"     0 '"title":"Tëst vidéo: \\"Ünïcödé\\" 日本語 \| part\?1 \(1\)"' "$@" choices "$fix/ytdlp-j-html-video.out"
expect "choices no document" 0 '"ok":false' "$@" choices "$fix/ytdlp-j-404.out"
expect "no arguments"        2 'usage' "$@"
expect "unknown command"     2 'unknown command' "$@" frobnicate "$conf/y_object_basic.json"
expect "bad language"        2 'lang' "$@" choices "$fix/ytdlp-j-dash.out" --lang x7
expect "missing file"        2 'cannot read' "$@" json "$tests/data/no-such-file.json"

rm -f /tmp/inspect_stderr.$$
exit $((failures > 0))
