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
expect "progress direct"     0 '^\{"percent":100,"statusText":"Downloading\.\.\.","phaseText":"200\.09 KB/s - 961 KB of 961 KB, 1 sec left","timeLeftText":"1 sec left","errorText":"","outputPath":"C:\\\\Users\\\\user\\\\Downloads\\\\sample\.mp4","loginNeeded":0,"passwordNeeded":0,"loginDuringDownload":0,"subtitleWritten":0,"duration":0\}$' "$@" progress "$fix/ytdlp-download-direct-mp4.out"
expect "progress chunks"     0 '"percent":100,.*"outputPath":"C:\\\\Users\\\\user\\\\Downloads\\\\master\.mp4"' "$@" progress "$fix/ytdlp-download-hls-merge-bv-ba.out" --chunk 7
expect "progress unicode"    0 '"outputPath":"C:\\\\Users\\\\user\\\\Downloads\\\\Tëst vidéo： ＂Ünïcödé＂ 日本語 ｜ part？1 \(1\)\.mp4"' "$@" progress "$fix/ytdlp-download-html-unicode-title.out" --chunk 3
expect "progress live"       0 '"phaseText":"Live recording — 00:00:07 — 148 KB",.*"errorText":"ERROR: Interrupted by user"' "$@" progress "$fix/ytdlp-download-hls-live-ffmpeg-sigint.out" --live
expect "progress duration"   0 '"percent":70,"statusText":"Downloading\.\.\. 70%".*"duration":10\}$' "$@" progress "$fix/ytdlp-download-hls-live-ffmpeg-sigint.out" --duration 10
expect "progress subs only"  0 '"outputPath":"[^"]*master\.en\.srt".*"subtitleWritten":1' "$@" progress "$fix/ytdlp-subs-only-hls-webvtt-to-srt.out" --subs-only
expect "progress error"      0 '"percent":200,.*"errorText":"ERROR: Unsupported URL: http://127\.0\.0\.1:8765/pages/text\.html"' "$@" progress "$fix/ytdlp-download-unsupported-url.out"
expect "progress playlist"   0 '"percent":200,' "$@" progress "$fix/ytdlp-download-direct-mp4.out" --playlist-count 3
expect "progress bad chunk"  2 '^tavlo_inspect: --chunk takes a size from 1 to 65536; usage' "$@" progress "$fix/ytdlp-download-404.out" --chunk 0
expect "progress no value"   2 '^tavlo_inspect: --duration takes a decimal number; usage' "$@" progress "$fix/ytdlp-download-404.out" --duration
expect "progress bad option" 2 'unknown option for progress' "$@" progress "$fix/ytdlp-download-404.out" --frob
expect "no arguments"        2 'usage' "$@"
expect "unknown command"     2 'unknown command' "$@" frobnicate "$conf/y_object_basic.json"
expect "bad language"        2 'lang' "$@" choices "$fix/ytdlp-j-dash.out" --lang x7
expect "missing file"        2 'cannot read' "$@" json "$tests/data/no-such-file.json"

rm -f /tmp/inspect_stderr.$$
exit $((failures > 0))
