#!/usr/bin/env bash
# The developer tool as a developer calls it: exact output and exit codes.
# Usage: developer_tool_test.sh TESTS_DIR COMMAND...   (COMMAND runs the tool, e.g. "wine x.exe")
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

# Small yt-dlp -j documents for the format menu's cases.
docs=$(mktemp -d)
trap 'rm -rf "$docs" /tmp/inspect_stderr.$$' EXIT
cat >"$docs/live.json" <<'JSON'
{"id":"live","title":"Live","extractor":"generic","is_live":true,"duration":120,"subtitles":{"en":[{"ext":"vtt","url":"https://example.com/en.vtt"}]},"formats":[{"format_id":"hls-2500","ext":"mp4","vcodec":"avc1.64001f","acodec":"mp4a.40.2","height":720,"width":1280,"tbr":2500},{"format_id":"hls-800","ext":"mp4","vcodec":"avc1.4d401e","acodec":"mp4a.40.2","height":360,"width":640,"tbr":800}]}
JSON
cat >"$docs/compat.json" <<'JSON'
{"id":"clip","title":"Clip","extractor":"youtube","duration":10,"formats":[{"format_id":"vp9hd","ext":"mp4","vcodec":"vp09.00.40.08","acodec":"none","height":1080,"width":1920,"tbr":3000,"filesize":300000000},{"format_id":"137","ext":"mp4","vcodec":"avc1.640028","acodec":"none","height":1080,"width":1920,"tbr":4000,"filesize":400000000},{"format_id":"136","ext":"mp4","vcodec":"avc1.4d401f","acodec":"none","height":720,"width":1280,"tbr":2000,"filesize":200000000},{"format_id":"140","ext":"m4a","vcodec":"none","acodec":"mp4a.40.2","abr":128,"filesize":10000000}]}
JSON
cat >"$docs/standin.json" <<'JSON'
{"id":"clip","title":"Clip","extractor":"youtube","formats":[{"format_id":"vp9hd","ext":"mp4","vcodec":"vp09.00.40.08","acodec":"none","height":1080,"width":1920,"tbr":3000,"filesize":300000000},{"format_id":"vp9sd","ext":"mp4","vcodec":"vp09.00.31.08","acodec":"none","height":720,"width":1280,"tbr":1500,"filesize":150000000},{"format_id":"136","ext":"mp4","vcodec":"avc1.4d401f","acodec":"none","height":720,"width":1280,"tbr":2000,"filesize":200000000},{"format_id":"140","ext":"m4a","vcodec":"none","acodec":"mp4a.40.2","abr":128,"filesize":10000000}]}
JSON
cat >"$docs/subs.json" <<'JSON'
{"id":"clip","title":"Clip","extractor":"youtube","subtitles":{"en":[{"ext":"vtt","url":"https://example.com/en.vtt"}]},"automatic_captions":{"de":[{"ext":"vtt","url":"https://example.com/de.vtt"}]},"formats":[{"format_id":"137","ext":"mp4","vcodec":"avc1.640028","acodec":"none","height":1080,"width":1920,"tbr":4000},{"format_id":"140","ext":"m4a","vcodec":"none","acodec":"mp4a.40.2","abr":128}]}
JSON
nb=$'\xc2\xa0'   # the no-break space before a size unit
dot=$'\xc2\xb7'  # the middle dot between label parts
ytdlp='"downloadCommand":"\\"C:\\\\Program Files\\\\Tavlo\\\\bin\\\\yt-dlp\.exe\\" -o C:\\\\Out\\\\%\(title\)s'
expect "json accepts"        0 '^\{"ok":true\}$' "$@" json "$conf/y_object_basic.json"
expect "json error"          0 '^\{"ok":false,"error":"expected '"','"' or '"'\]'"'","offset":3\}$' "$@" json "$conf/n_array_1_true_without_comma.json"
expect "json empty file"     0 '^\{"ok":false,"error":"unexpected end of input","offset":0\}$' "$@" json "$tests/data/empty.json"
expect "choices"             0 '"title":"master".*"videoLanguage":"en".*"choices":\[\{"formatId":"450\+aud-English","ext":"mp4","kind":2,"quality":360' "$@" choices "$fix/ytdlp-j-hls-master.out"
expect "choices playlist"    0 '"playlistCount":3.*"formatId":"tavlo_best"' "$@" choices "$fix/ytdlp-j-html-multi-playlist.out" --lang 7
expect "choices unicode"     0 '"title":"Tëst vidéo: \\"Ünïcödé\\" 日本語 \| part\?1 \(1\)"' "$@" choices "$fix/ytdlp-j-html-video.out"
expect "choices no document" 0 '"ok":false' "$@" choices "$fix/ytdlp-j-404.out"
expect "menu live"           0 '"menu":\[\{"id":1900,"label":"VIDEO \+ AUDIO","checked":false,"grayed":true,"radio":false\},\{"separator":true\},\{"id":2000,"label":"Video MP4 720p \(Best Quality\)","checked":true,"grayed":false,"radio":false\},\{"id":2001,"label":"Video MP4 360p"[^}]*\},\{"separator":true\},\{"id":1901,"label":"AUDIO ONLY"[^}]*\},\{"separator":true\},\{"id":2002,"label":"Audio MP3 320 Kb/s \(converted, plays everywhere\)","checked":false,"grayed":true,"radio":false\},\{"id":2003,"label":"Audio","checked":false,"grayed":true,"radio":false\},\{"separator":true\},\{"id":1902,"label":"SUBTITLES"[^}]*\},\{"separator":true\},\{"id":1903,"label":"None","checked":true,"grayed":true,"radio":true\},\{"id":1904,"label":"Embed subtitles '"$dot"' EN","checked":false,"grayed":true,"radio":true\},\{"id":1805,"label":"Subtitles only \(\.srt\) '"$dot"' EN","checked":false,"grayed":true,"radio":true\}\],"caption":"Video MP4 720p \(Best Quality\)","glyph":"E714",'"$ytdlp"'-%\(format_id\)s\.000000\.%\(ext\)s --no-playlist -i -f hls-2500 --encoding UTF-8 -- https://example\.com/video"\}$' "$@" choices "$docs/live.json"
expect "menu live no audio"  0 '"selectedChoice":0,"choiceExplicit":0,.*"caption":"Video MP4 720p \(Best Quality\)","glyph":"E714",.*-f hls-2500 --encoding UTF-8 -- https://example\.com/video"\}tavlo_inspect: the menu offers no choice 2; nothing selected' "$@" choices "$docs/live.json" --token audio+m4a --sub-mode 1 --subs-only --select 2
expect "menu next to best"   0 '"defaultChoice":1,"menu":\[\{"id":1900[^}]*\},\{"separator":true\},\{"id":2001,"label":"Video MP4 1080p HD - 295'"$nb"'MB \(Beste Qualität\)","checked":true,"grayed":false,"radio":false\},\{"id":2000,"label":"Video MP4 1080p HD - 391'"$nb"'MB \(Kompatibel\)","checked":false,"grayed":false,"radio":false\},\{"id":2002,"label":"Video MP4 720p - 200'"$nb"'MB"[^}]*\},\{"separator":true\},\{"id":1901,"label":"NUR AUDIO"[^}]*\},\{"separator":true\},\{"id":2003,"label":"Audio MP3 320 kbit/s - ~390'"$nb"'KB \(konvertiert, überall abspielbar\)"[^}]*\},\{"id":2004,"label":"Audio M4A 128 kbit/s - 9,53'"$nb"'MB \(ohne Konvertierung, überall abspielbar\)".*-f vp9hd\+140 --encoding' "$@" choices "$docs/compat.json" --lang 7
expect "menu select compat"  0 '"selectedChoice":0,"choiceExplicit":1,.*\{"id":2001,"label":"Video MP4 1080p HD - 295'"$nb"'MB \(Best Quality\)","checked":false[^}]*\},\{"id":2000,"label":"Video MP4 1080p HD - 391'"$nb"'MB \(Compatible\)","checked":true.*"caption":"Video MP4 1080p HD - 391'"$nb"'MB \(Compatible\)","glyph":"E714",'"$ytdlp"'-1080p\.%\(ext\)s -i -f 137\+140 --encoding UTF-8 -- https://example\.com/video"\}$' "$@" choices "$docs/compat.json" --select 0
expect "menu token compat"   0 '"selectedChoice":0,"choiceExplicit":1,.*"caption":"Video MP4 1080p HD - 391'"$nb"'MB \(Compatible\)",.*-f 137\+140 --encoding' "$@" choices "$docs/compat.json" --token video+mp4+1080p+compat
expect "menu standing in"    0 '\{"formatId":"vp9sd\+140"[^}]*"listed":0,"compatible":0,.*"menu":\[\{"id":1900[^}]*\},\{"separator":true\},\{"id":2000,"label":"Video MP4 1080p HD - 295'"$nb"'MB \(Best Quality\)","checked":true[^}]*\},\{"id":2001,"label":"Video MP4 720p - 200'"$nb"'MB \(Compatible\)","checked":false,"grayed":false,"radio":false\},\{"separator":true\},\{"id":1901,' "$@" choices "$docs/standin.json"
expect "menu subtitles both" 0 '\{"id":1903,"label":"Keine","checked":false,"grayed":false,"radio":true\},\{"id":1904,"label":"Untertitel einbetten '"$dot"' EN","checked":false[^}]*\},\{"id":1905,"label":"Untertitel einbetten '"$dot"' DE \(automatisch\)","checked":false[^}]*\},\{"id":1906,"label":"Untertitel einbetten '"$dot"' beide \(EN \+ DE\)","checked":true,"grayed":false,"radio":true\},.*"caption":"Video MP4 1080p HD \(Beste Qualität\) \+ UNTERTITEL EN\+DE","glyph":"E714",.* -f 137\+140 --embed-subs --sub-langs en,de --write-auto-subs --encoding' "$@" choices "$docs/subs.json" --lang 7 --sub-mode 3
expect "menu subtitles only" 0 '\{"id":1805,"label":"Nur Untertitel \(\.srt\) '"$dot"' DE \(automatisch\)","checked":true,"grayed":false,"radio":true\}\],"caption":"Nur Untertitel \(\.srt\) '"$dot"' DE \(automatisch\)","glyph":"E7F0",.* -i --skip-download --write-subs --sub-langs de --convert-subs srt --write-auto-subs --encoding' "$@" choices "$docs/subs.json" --lang 7 --subs-only
expect "menu single record"  0 '"defaultChoice":0,"menu":\[\],"caption":"","glyph":"",'"$ytdlp"'\.%\(ext\)s -i -f mpeg --encoding UTF-8 -- https://example\.com/video"\}$' "$@" choices "$fix/ytdlp-j-direct-mp3.out"
expect "menu playlist"       0 '"menu":\[\{"id":1900,"label":"VIDEO \+ AUDIO"[^}]*\},\{"separator":true\},\{"id":2000,"label":"Video MP4 \(Best Quality\)","checked":true[^}]*\},\{"separator":true\},\{"id":1901,"label":"AUDIO ONLY"[^}]*\},\{"separator":true\},\{"id":2001,"label":"Audio MP3 320 Kb/s \(converted, plays everywhere\)"[^}]*\},\{"id":2002,"label":"Audio \(original format\)"[^}]*\},\{"separator":true\},\{"id":1902,"label":"SUBTITLES".* -i --no-playlist -f \\"bv\*\[ext=mp4\]\+ba\[ext=m4a\]/b\[ext=mp4\] / bv\*\+ba/b\\" --encoding' "$@" choices "$fix/ytdlp-j-html-multi-playlist.out"
expect "menu select audio"   0 '"selectedChoice":2,"choiceExplicit":1,.*"caption":"Audio M4A 96 Kb/s \(no conversion, plays everywhere\)","glyph":"EC4F",.* -f 1 --encoding' "$@" choices "$fix/ytdlp-j-dash.out" --select 2
expect "bad subtitle mode"   2 '^tavlo_inspect: --sub-mode takes 0, 1, 2 or 3; usage' "$@" choices "$fix/ytdlp-j-dash.out" --sub-mode 4
expect "bad select"          2 '^tavlo_inspect: --select takes a decimal choice index; usage' "$@" choices "$fix/ytdlp-j-dash.out" --select x
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

exit $((failures > 0))
