#!/usr/bin/env python3
"""Writes one large yt-dlp -j line shaped like a real YouTube video's.

The document feeds the JSON benchmarks: a two-hour 1080p60 video with HDR
formats, dubbed audio tracks, long storyboard fragment lists, manual subtitles
and machine-translated automatic captions in about 150 languages, which is
what makes real YouTube documents a megabyte long. Every value comes from a
fixed-seed generator written out here (not Python's random module, whose
algorithms may change), and json.dumps prints like yt-dlp does (ASCII only,
", " and ": " separators), so the output is byte-identical on every run.

usage: make_ytdlp_document.py [OUTPUT]     (standard output without OUTPUT)
"""

import json
import sys

MASK64 = (1 << 64) - 1


class SplitMix64:
    def __init__(self, seed):
        self.state = seed & MASK64

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK64
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK64
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK64
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def between(self, low, high):
        return low + self.below(high - low + 1)

    def pick(self, items):
        return items[self.below(len(items))]

    def token(self, length, alphabet):
        return "".join(alphabet[self.below(len(alphabet))] for _ in range(length))


RNG = SplitMix64(0x7A7610)
B64URL = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"
HEX_UPPER = "0123456789ABCDEF"
HEX_LOWER = "0123456789abcdef"
DIGITS = "0123456789"

VIDEO_ID = "Xq7bT2mLk9A"
CHANNEL_ID = "UCm3V8pK2tQx7hR4nB1yW6sA"
DURATION = 15156  # 4:12:36: long storyboard fragment lists
EXPIRE = 1733871600
EPOCH = 1733850000
ORIGINAL_LANGUAGE = "en"
# yt-dlp appends the proof-of-origin token of the session to every media and
# caption URL of the web client.
PO_TOKEN = "Mn" + SplitMix64(0x504F54).token(186, B64URL)

HTTP_HEADERS = {
    "User-Agent": "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 "
                  "(KHTML, like Gecko) Chrome/116.0.5845.96 Safari/537.36",
    "Accept": "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
    "Accept-Language": "en-us,en;q=0.5",
    "Sec-Fetch-Mode": "navigate",
}


def headers():
    return dict(HTTP_HEADERS)


def pct(text):
    return text.replace(",", "%2C").replace("/", "%2F").replace("=", "%3D").replace(";", "%3B").replace(" ", "%20")


def googlevideo_url(itag, mime, clen, protocol_client="WEB"):
    host = "rr%d---sn-%s.googlevideo.com" % (RNG.between(1, 6), RNG.token(8, "abcdefghijklmnopqrstuvwxyz0123456789"))
    params = [
        ("expire", str(EXPIRE)),
        ("ei", RNG.token(27, B64URL)),
        ("ip", "203.0.113.%d" % RNG.between(2, 250)),
        ("id", "o-" + RNG.token(44, B64URL)),
        ("itag", str(itag)),
        ("source", "youtube"),
        ("requiressl", "yes"),
        ("xpc", "EgVo2aDSNQ%3D%3D"),
        ("mh", RNG.token(2, B64URL)),
        ("mm", "31%2C29"),
        ("mn", "sn-" + RNG.token(8, "abcdefghijklmnopqrstuvwxyz0123456789") + "%2Csn-" +
         RNG.token(8, "abcdefghijklmnopqrstuvwxyz0123456789")),
        ("ms", "au%2Crdu"),
        ("mv", "m"),
        ("mvi", str(RNG.between(1, 9))),
        ("pl", "24"),
        ("initcwndbps", str(RNG.between(500000, 3000000))),
        ("bui", "AQmm2e" + RNG.token(80, B64URL)),
        ("spc", RNG.token(60, B64URL)),
        ("vprv", "1"),
        ("svpuc", "1"),
        ("mime", pct(mime)),
        ("ns", RNG.token(24, B64URL)),
        ("rqh", "1"),
        ("gir", "yes"),
        ("clen", str(clen)),
        ("dur", "%d.%03d" % (DURATION, RNG.below(1000))),
        ("lmt", str(1716000000000000 + RNG.below(10 ** 12))),
        ("mt", str(EXPIRE - 21600 + RNG.below(600))),
        ("fvip", str(RNG.between(1, 5))),
        ("keepalive", "yes"),
        ("c", protocol_client),
        ("sefc", "1"),
        ("txp", str(RNG.between(4400000, 4599999))),
        ("n", RNG.token(16, B64URL)),
        ("sparams", pct("expire,ei,ip,id,itag,source,requiressl,xpc,bui,spc,vprv,svpuc,mime,ns,rqh,gir,clen,dur,lmt")),
        ("sig", "AJfQdSswRQIh" + RNG.token(86, B64URL)),
        ("lsparams", pct("mh,mm,mn,ms,mv,mvi,pl,initcwndbps")),
        ("lsig", "AGtxev0wRgIh" + RNG.token(86, B64URL)),
        ("pot", PO_TOKEN),
    ]
    return "https://" + host + "/videoplayback?" + "&".join(k + "=" + v for k, v in params)


# Audio tracks: id, ext, codec, abr, note quality word, language, drc.
# The English track is the original; German, French and Spanish are dubs.
LANGUAGE_NAMES = {"en": "English (United States)", "de": "German (Germany)",
                  "fr": "French (France)", "es": "Spanish (Spain)"}


def audio_format(itag, suffix, ext, acodec, abr, quality_word, language, drc):
    format_id = str(itag) + suffix
    filesize = int(abr * 1000 / 8 * DURATION)
    mime = ("audio/mp4; codecs=\"%s\"" if ext == "m4a" else "audio/webm; codecs=\"%s\"") % acodec
    original = language == ORIGINAL_LANGUAGE
    note_parts = [LANGUAGE_NAMES[language] + (" original (default)" if original else "")]
    if drc:
        note_parts.append("DRC")
    note_parts.append(quality_word)
    quality = {"low": 2, "medium": 3}[quality_word] - (0.5 if drc else 0.0)
    return {
        "asr": 48000 if ext == "webm" else 44100,
        "filesize": filesize,
        "format_id": format_id,
        "format_note": ", ".join(note_parts),
        "source_preference": -1,
        "fps": None,
        "audio_channels": 2,
        "height": None,
        "quality": float(quality),
        "has_drm": False,
        "tbr": abr,
        "filesize_approx": filesize,
        "url": googlevideo_url(itag, mime, filesize),
        "width": None,
        "language": language,
        "language_preference": 10 if original else -1,
        "preference": None,
        "ext": ext,
        "vcodec": "none",
        "acodec": acodec,
        "dynamic_range": None,
        "container": ext + "_dash",
        "downloader_options": {"http_chunk_size": 10485760},
        "protocol": "https",
        "audio_ext": ext,
        "video_ext": "none",
        "vbr": 0,
        "abr": abr,
        "resolution": "audio only",
        "aspect_ratio": None,
        "http_headers": headers(),
        "format": "%s - audio only (%s)" % (format_id, ", ".join(note_parts)),
    }


def video_format(itag, ext, vcodec, height, fps, tbr, hdr=False):
    width = height * 16 // 9
    note = "%dp%s%s" % (height, "60" if fps == 60 else "", " HDR" if hdr else "")
    filesize = int(tbr * 1000 / 8 * DURATION)
    mime = ("video/mp4; codecs=\"%s\"" if ext == "mp4" else "video/webm; codecs=\"%s\"") % vcodec
    quality = {144: 0, 240: 1, 360: 2, 480: 3, 720: 4, 1080: 5}[height] + 4
    return {
        "asr": None,
        "filesize": filesize,
        "format_id": str(itag),
        "format_note": note,
        "source_preference": -1,
        "fps": fps,
        "audio_channels": None,
        "height": height,
        "quality": float(quality),
        "has_drm": False,
        "tbr": tbr,
        "filesize_approx": filesize,
        "url": googlevideo_url(itag, mime, filesize),
        "width": width,
        "language": None,
        "language_preference": -1,
        "preference": None,
        "ext": ext,
        "vcodec": vcodec,
        "acodec": "none",
        "dynamic_range": "HDR10" if hdr else "SDR",
        "container": ext + "_dash",
        "downloader_options": {"http_chunk_size": 10485760},
        "protocol": "https",
        "video_ext": ext,
        "audio_ext": "none",
        "abr": 0,
        "vbr": tbr,
        "resolution": "%dx%d" % (width, height),
        "aspect_ratio": 1.78,
        "http_headers": headers(),
        "format": "%d - %dx%d (%s)" % (itag, width, height, note),
    }


def muxed_format():
    tbr = 496.522
    filesize = int(tbr * 1000 / 8 * DURATION)
    return {
        "asr": 44100,
        "filesize": filesize,
        "format_id": "18",
        "format_note": "360p",
        "source_preference": -1,
        "fps": 30,
        "audio_channels": 2,
        "height": 360,
        "quality": 6.0,
        "has_drm": False,
        "tbr": tbr,
        "filesize_approx": filesize,
        "url": googlevideo_url(18, "video/mp4; codecs=\"avc1.42001E, mp4a.40.2\"", filesize),
        "width": 640,
        "language": "en",
        "language_preference": 10,
        "preference": None,
        "ext": "mp4",
        "vcodec": "avc1.42001E",
        "acodec": "mp4a.40.2",
        "dynamic_range": "SDR",
        "container": None,
        "downloader_options": {"http_chunk_size": 10485760},
        "protocol": "https",
        "video_ext": "mp4",
        "audio_ext": "none",
        "vbr": None,
        "abr": None,
        "resolution": "640x360",
        "aspect_ratio": 1.78,
        "http_headers": headers(),
        "format": "18 - 640x360 (360p)",
    }


def manifest_path(itag, kind):
    parts = [
        ("expire", str(EXPIRE)), ("ei", RNG.token(27, B64URL)), ("ip", "203.0.113.%d" % RNG.between(2, 250)),
        ("id", "o-" + RNG.token(44, B64URL)), ("itag", str(itag)), ("source", "youtube"), ("requiressl", "yes"),
        ("ratebypass", "yes"), ("pfa", "1"), ("goi", "133"),
        ("sgoap", pct("clen=%d;dur=%d.%03d;gir=yes;itag=139;lmt=%d" % (
            RNG.between(10 ** 7, 10 ** 8), DURATION, RNG.below(1000), 1716000000000000 + RNG.below(10 ** 12)))),
        ("hls_chunk_host", "rr%d---sn-%s.googlevideo.com" % (RNG.between(1, 6), RNG.token(8, "abcdefghijklmnopqrstuvwxyz0123456789"))),
        ("xpc", "EgVo2aDSNQ%3D%3D"), ("mh", RNG.token(2, B64URL)), ("mm", "31,29"),
        ("mn", "sn-%s,sn-%s" % (RNG.token(8, "abcdefghijklmnopqrstuvwxyz0123456789"),
                                RNG.token(8, "abcdefghijklmnopqrstuvwxyz0123456789"))),
        ("ms", "au,rdu"), ("mv", "m"), ("mvi", str(RNG.between(1, 9))), ("pl", "24"),
        ("initcwndbps", str(RNG.between(500000, 3000000))), ("vprv", "1"), ("playlist_type", "DVR"),
        ("dover", "13"), ("txp", str(RNG.between(4400000, 4599999))), ("mt", str(EXPIRE - 21600 + RNG.below(600))),
        ("fvip", str(RNG.between(1, 5))), ("short_key", "1"), ("keepalive", "on"),
        ("sparams", "expire,ei,ip,id,itag,source,requiressl,ratebypass,pfa,goi,sgoap,vprv,playlist_type"),
        ("sig", "AJfQdSswRAIg" + RNG.token(84, B64URL)),
        ("lsparams", "hls_chunk_host,xpc,mh,mm,mn,ms,mv,mvi,pl,initcwndbps"),
        ("lsig", "AGtxev0wRQIh" + RNG.token(84, B64URL)),
    ]
    return "https://manifest.googlevideo.com/api/manifest/%s/" % kind + "/".join(k + "/" + v for k, v in parts)


def hls_format(itag, height, fps, tbr, vcodec, acodec, note):
    manifest_url = manifest_path(itag, "hls_variant") + "/file/index.m3u8"
    audio_only = vcodec == "none"
    width = height * 16 // 9 if height else None
    return {
        "format_id": str(itag),
        "format_index": None,
        "url": manifest_path(itag, "hls_playlist") + "/playlist/index.m3u8",
        "manifest_url": manifest_url,
        "tbr": tbr,
        "ext": "mp4",
        "fps": float(fps) if fps else None,
        "protocol": "m3u8_native",
        "preference": None,
        "quality": None if audio_only else float({720: 8, 1080: 9}[height]),
        "has_drm": False,
        "width": width,
        "height": height,
        "vcodec": vcodec,
        "acodec": acodec,
        "dynamic_range": None if audio_only else "SDR",
        "source_preference": -1,
        "format_note": note,
        "language": "en" if audio_only else None,
        "audio_ext": "mp4" if audio_only else "none",
        "video_ext": "none" if audio_only else "mp4",
        "vbr": 0 if audio_only else None,
        "abr": None,
        "resolution": "audio only" if audio_only else "%dx%d" % (width, height),
        "aspect_ratio": None if audio_only else 1.78,
        "filesize_approx": int(tbr * 1000 / 8 * DURATION) if tbr else None,
        "http_headers": headers(),
        "format": "%d - %s (%s)" % (itag, "audio only" if audio_only else "%dx%d" % (width, height), note),
    }


def storyboard_url(level, page):
    return ("https://i.ytimg.com/sb/%s/storyboard3_L%d/M%s.jpg?sqp=-oaymwENSDfyq4qpAwVwAcABBqLzl_8DBgjm6-q6Bg%%3D%%3D"
            "&sigh=rs%%24AOn4CL%s" % (VIDEO_ID, level, page, RNG.token(30, B64URL)))


def storyboard_format(index, level, width, height, rows, columns, interval):
    frames = DURATION // interval
    per_page = rows * columns
    pages = (frames + per_page - 1) // per_page
    page_seconds = float(per_page * interval)
    fragments = []
    for page in range(pages):
        duration = page_seconds if page + 1 < pages else float(DURATION - page * per_page * interval)
        fragments.append({"url": storyboard_url(level, str(page)), "duration": duration})
    return {
        "format_id": "sb%d" % index,
        "format_note": "storyboard",
        "ext": "mhtml",
        "protocol": "mhtml",
        "acodec": "none",
        "vcodec": "none",
        "url": storyboard_url(level, "$M"),
        "width": width,
        "height": height,
        "fps": frames / DURATION,
        "rows": rows,
        "columns": columns,
        "fragments": fragments,
        "audio_ext": "none",
        "video_ext": "none",
        "vbr": 0,
        "abr": 0,
        "tbr": None,
        "resolution": "%dx%d" % (width, height),
        "aspect_ratio": 1.78,
        "filesize_approx": None,
        "http_headers": headers(),
        "format": "sb%d - %dx%d (storyboard)" % (index, width, height),
    }


def build_formats():
    formats = [
        storyboard_format(3, 0, 48, 27, 10, 10, 74),
        storyboard_format(2, 1, 80, 45, 10, 10, 10),
        storyboard_format(1, 2, 160, 90, 5, 5, 5),
        storyboard_format(0, 3, 320, 180, 3, 3, 2),
    ]
    formats.append(hls_format(233, None, None, None, "none", None, "Default, low"))
    formats.append(hls_format(234, None, None, None, "none", None, "Default, high"))
    dubs = ["de", "fr", "es"]
    formats.append(audio_format(139, "", "m4a", "mp4a.40.5", 48.797, "low", "en", False))
    for n, lang in enumerate(dubs):
        formats.append(audio_format(140, "-%d" % n, "m4a", "mp4a.40.2", 129.472 - n, "medium", lang, False))
    formats.append(audio_format(140, "-drc", "m4a", "mp4a.40.2", 129.503, "medium", "en", True))
    formats.append(audio_format(140, "", "m4a", "mp4a.40.2", 129.502, "medium", "en", False))
    for n, lang in enumerate(dubs):
        formats.append(audio_format(251, "-%d" % n, "webm", "opus", 118.641 + n, "medium", lang, False))
    formats.append(audio_format(251, "-drc", "webm", "opus", 134.218, "medium", "en", True))
    formats.append(audio_format(251, "", "webm", "opus", 133.917, "medium", "en", False))
    videos = [
        (160, "mp4", "avc1.4d400c", 144, 30, 87.126),
        (278, "webm", "vp09.00.11.08", 144, 30, 76.331),
        (133, "mp4", "avc1.4d4015", 240, 30, 181.542),
        (134, "mp4", "avc1.4d401e", 360, 30, 361.408),
        (243, "webm", "vp09.00.21.08", 360, 30, 271.027),
        (135, "mp4", "avc1.4d401f", 480, 30, 641.873),
        (244, "webm", "vp09.00.30.08", 480, 30, 432.702),
        (136, "mp4", "avc1.4d401f", 720, 30, 1158.217),
        (247, "webm", "vp09.00.31.08", 720, 30, 861.449),
        (298, "mp4", "avc1.4d4020", 720, 60, 1789.931),
        (302, "webm", "vp09.00.40.08", 720, 60, 1401.276),
        (398, "mp4", "av01.0.05M.08", 720, 60, 1207.564),
        (137, "mp4", "avc1.640028", 1080, 30, 2981.334),
        (248, "webm", "vp09.00.40.08", 1080, 30, 1648.052),
        (299, "mp4", "avc1.64002a", 1080, 60, 4377.219),
        (303, "webm", "vp09.00.41.08", 1080, 60, 2594.716),
        (399, "mp4", "av01.0.08M.08", 1080, 60, 2166.083),
    ]
    for itag, ext, vcodec, height, fps, tbr in videos:
        formats.append(video_format(itag, ext, vcodec, height, fps, tbr))
        if itag == 134:
            formats.append(muxed_format())
        elif itag == 136:
            formats.append(hls_format(95, 720, 30, 1580.354, "avc1.4D401F", "mp4a.40.2", "720p"))
        elif itag == 137:
            formats.append(hls_format(96, 1080, 30, 4688.543, "avc1.640028", "mp4a.40.2", "1080p"))
    formats.append(video_format(334, "webm", "vp09.02.30.10.01.09.16.09.00", 720, 60, 2237.118, hdr=True))
    formats.append(video_format(335, "webm", "vp09.02.40.10.01.09.16.09.00", 1080, 60, 3701.587, hdr=True))
    formats.append(video_format(701, "mp4", "av01.0.09M.10.0.110.09.16.09.0", 1080, 60, 3320.948, hdr=True))
    return formats


def build_thumbnails():
    thumbnails = []
    names = ["3", "3", "2", "2", "1", "1", "mq3", "mq3", "mq2", "mq2", "mq1", "mq1", "hq3", "hq3", "hq2", "hq2",
             "hq1", "hq1", "sd3", "sd3", "sd2", "sd2", "sd1", "sd1", "default", "default", "mqdefault", "mqdefault",
             "0", "0", "hqdefault", "hqdefault", "sddefault", "sddefault", "hq720", "hq720", "maxresdefault",
             "maxresdefault", "hq720", "hq720", "hq720", "hq720"]
    sizes = {"default": (120, 90), "mqdefault": (320, 180), "hqdefault": (480, 360), "sddefault": (640, 480),
             "maxresdefault": (1920, 1080), "0": (480, 360)}
    for n, name in enumerate(names):
        webp = n % 2 == 0
        url = "https://i.ytimg.com/%s/%s/%s.%s" % ("vi_webp" if webp else "vi", VIDEO_ID, name, "webp" if webp else "jpg")
        entry = {"url": url, "preference": n - len(names) + 1, "id": str(n)}
        if n >= 38:
            width, height = [(168, 94), (196, 110), (246, 138), (336, 188)][n - 38]
            entry = {
                "url": "https://i.ytimg.com/vi/%s/hqdefault.jpg?sqp=-oaymwE%s&rs=AOn4CL%s" % (
                    VIDEO_ID, RNG.token(40, B64URL), RNG.token(30, B64URL)),
                "height": height, "width": width, "preference": n - len(names) + 1, "id": str(n),
                "resolution": "%dx%d" % (width, height)}
        elif name in sizes:
            width, height = sizes[name]
            entry["height"] = height
            entry["width"] = width
            entry["resolution"] = "%dx%d" % (width, height)
        thumbnails.append(entry)
    return thumbnails


# The translation targets YouTube offered in 2024, sorted by English name as
# yt-dlp prints them.
CAPTION_LANGUAGES = [
    ("ab", "Abkhazian"), ("aa", "Afar"), ("af", "Afrikaans"), ("ak", "Akan"), ("sq", "Albanian"),
    ("am", "Amharic"), ("ar", "Arabic"), ("hy", "Armenian"), ("as", "Assamese"), ("ay", "Aymara"),
    ("az", "Azerbaijani"), ("bn", "Bangla"), ("ba", "Bashkir"), ("eu", "Basque"), ("be", "Belarusian"),
    ("bho", "Bhojpuri"), ("bs", "Bosnian"), ("br", "Breton"), ("bg", "Bulgarian"), ("my", "Burmese"),
    ("ca", "Catalan"), ("ceb", "Cebuano"), ("zh-Hans", "Chinese (Simplified)"),
    ("zh-Hant", "Chinese (Traditional)"), ("co", "Corsican"), ("hr", "Croatian"), ("cs", "Czech"),
    ("da", "Danish"), ("dv", "Divehi"), ("nl", "Dutch"), ("dz", "Dzongkha"), ("en-orig", "English (Original)"),
    ("en", "English"), ("eo", "Esperanto"), ("et", "Estonian"), ("ee", "Ewe"), ("fo", "Faroese"),
    ("fj", "Fijian"), ("fil", "Filipino"), ("fi", "Finnish"), ("fr", "French"), ("gaa", "Ga"),
    ("gl", "Galician"), ("lg", "Ganda"), ("ka", "Georgian"), ("de", "German"), ("el", "Greek"),
    ("gn", "Guarani"), ("gu", "Gujarati"), ("ht", "Haitian Creole"), ("ha", "Hausa"), ("haw", "Hawaiian"),
    ("iw", "Hebrew"), ("hi", "Hindi"), ("hmn", "Hmong"), ("hu", "Hungarian"), ("is", "Icelandic"),
    ("ig", "Igbo"), ("id", "Indonesian"), ("iu", "Inuktitut"), ("ga", "Irish"), ("it", "Italian"),
    ("ja", "Japanese"), ("jv", "Javanese"), ("kl", "Kalaallisut"), ("kn", "Kannada"), ("kk", "Kazakh"),
    ("kha", "Khasi"), ("km", "Khmer"), ("rw", "Kinyarwanda"), ("ko", "Korean"), ("kri", "Krio"),
    ("ku", "Kurdish"), ("ky", "Kyrgyz"), ("lo", "Lao"), ("la", "Latin"), ("lv", "Latvian"),
    ("ln", "Lingala"), ("lt", "Lithuanian"), ("lua", "Luba-Lulua"), ("luo", "Luo"),
    ("lb", "Luxembourgish"), ("mk", "Macedonian"), ("mg", "Malagasy"), ("ms", "Malay"),
    ("ml", "Malayalam"), ("mt", "Maltese"), ("gv", "Manx"), ("mi", "M\u0101ori"), ("mr", "Marathi"),
    ("mn", "Mongolian"), ("mfe", "Morisyen"), ("ne", "Nepali"), ("new", "Newari"), ("nso", "Northern Sotho"),
    ("no", "Norwegian"), ("ny", "Nyanja"), ("oc", "Occitan"), ("or", "Odia"), ("om", "Oromo"),
    ("os", "Ossetic"), ("pam", "Pampanga"), ("ps", "Pashto"), ("fa", "Persian"), ("pl", "Polish"),
    ("pt", "Portuguese"), ("pt-PT", "Portuguese (Portugal)"), ("pa", "Punjabi"), ("qu", "Quechua"),
    ("ro", "Romanian"), ("rn", "Rundi"), ("ru", "Russian"), ("sm", "Samoan"), ("sg", "Sango"),
    ("sa", "Sanskrit"), ("gd", "Scottish Gaelic"), ("sr", "Serbian"), ("crs", "Seselwa Creole French"),
    ("sn", "Shona"), ("sd", "Sindhi"), ("si", "Sinhala"), ("sk", "Slovak"), ("sl", "Slovenian"),
    ("so", "Somali"), ("st", "Southern Sotho"), ("es", "Spanish"), ("su", "Sundanese"), ("sw", "Swahili"),
    ("ss", "Swati"), ("sv", "Swedish"), ("tg", "Tajik"), ("ta", "Tamil"), ("tt", "Tatar"), ("te", "Telugu"),
    ("th", "Thai"), ("bo", "Tibetan"), ("ti", "Tigrinya"), ("to", "Tongan"), ("ts", "Tsonga"),
    ("tn", "Tswana"), ("tum", "Tumbuka"), ("tr", "Turkish"), ("tk", "Turkmen"), ("uk", "Ukrainian"),
    ("ur", "Urdu"), ("ug", "Uyghur"), ("uz", "Uzbek"), ("ve", "Venda"), ("vi", "Vietnamese"),
    ("war", "Waray"), ("cy", "Welsh"), ("fy", "Western Frisian"), ("wo", "Wolof"), ("xh", "Xhosa"),
    ("yi", "Yiddish"), ("yo", "Yoruba"), ("zu", "Zulu"),
]
SUBTITLE_FORMATS = ["json3", "srv1", "srv2", "srv3", "ttml", "srt", "vtt"]


def timedtext_url(lang, tlang, automatic, fmt):
    params = [
        ("v", VIDEO_ID),
        ("ei", RNG.token(27, B64URL)),
    ]
    if automatic:
        params.append(("caps", "asr"))
    params += [
        ("opi", "112496729"),
        ("exp", "xpe"),
        ("xoaf", "5"),
        ("hl", "en"),
        ("ip", "0.0.0.0"),
        ("ipbits", "0"),
        ("expire", str(EXPIRE + 3600)),
        ("sparams", pct("ip,ipbits,expire,v,ei,caps,opi,exp,xoaf") if automatic else pct("ip,ipbits,expire,v,ei,opi,exp,xoaf")),
        ("signature", RNG.token(40, HEX_UPPER) + "." + RNG.token(40, HEX_UPPER)),
        ("key", "yt8"),
    ]
    if automatic:
        params.append(("kind", "asr"))
    params.append(("lang", lang))
    if automatic:
        params.append(("variant", "punctuated"))
    if not automatic:
        params.append(("name", lang.upper()))
    if tlang:
        params.append(("tlang", tlang))
    params.append(("fmt", fmt))
    params += [("pot", PO_TOKEN), ("potc", "1"), ("c", "WEB")]
    return "https://www.youtube.com/api/timedtext?" + "&".join(k + "=" + v for k, v in params)


def build_automatic_captions():
    captions = {}
    for code, name in CAPTION_LANGUAGES:
        # The original track and its "-orig" twin are the recognised speech;
        # every other language is a machine translation of it.
        tlang = None if code in ("en", "en-orig") else code
        entries = []
        for fmt in SUBTITLE_FORMATS:
            entries.append({"ext": fmt, "url": timedtext_url(ORIGINAL_LANGUAGE, tlang, True, fmt), "name": name})
        captions[code] = entries
    return captions


def build_subtitles():
    subtitles = {}
    for code, name in [("ar", "Arabic"), ("de", "German"), ("en", "English"), ("es-419", "Spanish (Latin America)"),
                       ("fr", "French"), ("it", "Italian"), ("ja", "Japanese"), ("ko", "Korean"),
                       ("nl", "Dutch"), ("pl", "Polish"), ("pt-BR", "Portuguese (Brazil)"), ("ru", "Russian"),
                       ("tr", "Turkish"), ("zh-Hans", "Chinese (Simplified)")]:
        subtitles[code] = [{"ext": fmt, "url": timedtext_url(code, None, False, fmt), "name": name}
                           for fmt in SUBTITLE_FORMATS]
    return subtitles


DESCRIPTION_PARAGRAPHS = [
    "In dieser Folge f\u00e4hrt unser Team quer durch \u00d6sterreich und die Schweiz: "
    "von Z\u00fcrich \u00fcber Gr\u00fcnau bis nach Stra\u00dfburg. \u00c9t\u00e9 2024, tourn\u00e9 en "
    "r\u00e9solution 4K \u2014 merci \u00e0 toutes et \u00e0 tous\u00a0!",
    "\u3053\u306e\u52d5\u753b\u3067\u306f\u3001\u6771\u4eac\u304b\u3089\u5927\u962a\u307e\u3067\u306e\u65c5\u3092"
    "\u7d39\u4ecb\u3057\u307e\u3059\u3002\u30c1\u30e3\u30f3\u30cd\u30eb\u767b\u9332\u3088\u308d\u3057\u304f"
    "\u304a\u9858\u3044\u3057\u307e\u3059\uff01 \U0001F3B5\U0001F3A5\u2728",
    "\u041f\u0440\u0438\u0432\u0435\u0442 \u0432\u0441\u0435\u043c! \u0421\u043f\u0430\u0441\u0438\u0431\u043e "
    "\u0437\u0430 \u043f\u0440\u043e\u0441\u043c\u043e\u0442\u0440. \u0394\u03b9\u03ac\u03b2\u03b1\u03c3\u03b5 "
    "\u03c0\u03b5\u03c1\u03b9\u03c3\u03c3\u03cc\u03c4\u03b5\u03c1\u03b1 \u2192 \u00a9 2024 \u00ae \u2122",
    "GEAR I USE \u25bc\n\u2022 Camera: https://example.com/gear/camera?ref=tavlo&utm_source=youtube\n"
    "\u2022 Lens: https://example.com/gear/lens-24-70?ref=tavlo\n\u2022 Drone: https://example.com/gear/drone\n"
    "\u2022 Music: \"Caf\u00e9 del Mar\" \u2013 licensed via https://example.com/music/license/0041",
    "Kapitel / Chapters:\n00:00 Intro\n01:35 Ankunft in Z\u00fcrich\n12:10 \u00dcber den Pass\n"
    "25:42 Gr\u00fcnau \u2192 Salzburg\n41:03 \u00c9tape fran\u00e7aise\n58:27 \u6771\u4eac\u99c5\n"
    "1:15:00 Q&A \\ Fragen \"live\"\n1:42:18 Outro",
]


def build_description():
    lines = []
    for n in range(24):
        lines.append(DESCRIPTION_PARAGRAPHS[n % len(DESCRIPTION_PARAGRAPHS)])
        lines.append("#%d \u00b7 tag%s \u00b7 %s" % (n, RNG.token(6, "abcdefghijklmnopqrstuvwxyz"),
                                                      "\u00e4\u00f6\u00fc\u00df" * (1 + n % 3)))
    return "\n\n".join(lines)


def build_chapters():
    titles = ["Intro", "Ankunft in Z\u00fcrich", "\u00dcber den Pass", "Gr\u00fcnau \u2192 Salzburg",
              "\u00c9tape fran\u00e7aise", "\u6771\u4eac\u99c5", "Q&A \\ Fragen \"live\"", "Outro"]
    starts = [0, 95, 730, 1542, 2463, 3507, 4500, 6138]
    chapters = []
    for n, title in enumerate(titles):
        end = starts[n + 1] if n + 1 < len(starts) else DURATION
        chapters.append({"start_time": float(starts[n]), "title": title, "end_time": float(end)})
    return chapters


def build_heatmap():
    step = DURATION / 100
    heatmap = []
    for n in range(100):
        value = 1.0 if n == 0 else round(RNG.below(1000000) / 1000000, 6)
        heatmap.append({"start_time": round(n * step, 2), "end_time": round((n + 1) * step, 2), "value": value})
    return heatmap


def merged_fields(video, audio):
    return {
        "format": video["format"] + "+" + audio["format"],
        "format_id": video["format_id"] + "+" + audio["format_id"],
        "ext": "webm",
        "protocol": "https+https",
        "language": audio["language"],
        "format_note": video["format_note"] + "+" + audio["format_note"],
        "filesize_approx": video["filesize"] + audio["filesize"],
        "tbr": round(video["tbr"] + audio["tbr"], 3),
        "width": video["width"],
        "height": video["height"],
        "resolution": video["resolution"],
        "fps": video["fps"],
        "dynamic_range": video["dynamic_range"],
        "vcodec": video["vcodec"],
        "vbr": video["vbr"],
        "stretched_ratio": None,
        "aspect_ratio": video["aspect_ratio"],
        "acodec": audio["acodec"],
        "abr": audio["abr"],
        "asr": audio["asr"],
        "audio_channels": audio["audio_channels"],
    }


def build_document():
    formats = build_formats()
    thumbnails = build_thumbnails()
    title = ("Alpen-Roadtrip 2024: Z\u00fcrich \u2192 Salzburg in 1080p60 HDR \U0001F3D4\uFE0F "
             "| \u6771\u4eac\u3078\u306e\u65c5 (Teil 3)")
    doc = {
        "id": VIDEO_ID,
        "title": title,
        "formats": formats,
        "thumbnails": thumbnails,
        "thumbnail": "https://i.ytimg.com/vi_webp/%s/maxresdefault.webp" % VIDEO_ID,
        "description": build_description(),
        "channel_id": CHANNEL_ID,
        "channel_url": "https://www.youtube.com/channel/" + CHANNEL_ID,
        "duration": DURATION,
        "view_count": 4817263,
        "average_rating": None,
        "age_limit": 0,
        "webpage_url": "https://www.youtube.com/watch?v=" + VIDEO_ID,
        "categories": ["Travel & Events"],
        "tags": ["roadtrip", "Alpen", "Z\u00fcrich", "Salzburg", "4K", "HDR", "travel vlog", "\u65c5\u884c",
                 "\u0434\u043e\u0440\u043e\u0433\u0430", "Schweiz", "\u00d6sterreich", "drone", "cinematic"],
        "playable_in_embed": True,
        "live_status": "not_live",
        "release_timestamp": None,
        "_format_sort_fields": ["quality", "res", "fps", "hdr:12", "source", "vcodec:vp9.2", "channels", "acodec",
                                "lang", "proto"],
        "automatic_captions": build_automatic_captions(),
        "subtitles": build_subtitles(),
        "comment_count": 2384,
        "chapters": build_chapters(),
        "heatmap": build_heatmap(),
        "like_count": 91532,
        "channel": "Tavlo Reisen \u2708",
        "channel_follower_count": 1270000,
        "channel_is_verified": True,
        "upload_date": "20240612",
        "uploader": "Tavlo Reisen \u2708",
        "uploader_id": "@tavloreisen",
        "uploader_url": "https://www.youtube.com/@tavloreisen",
        "timestamp": 1718186400,
        "availability": "public",
        "original_url": "https://www.youtube.com/watch?v=" + VIDEO_ID,
        "webpage_url_basename": "watch",
        "webpage_url_domain": "youtube.com",
        "extractor": "youtube",
        "extractor_key": "Youtube",
        "playlist": None,
        "playlist_index": None,
        "display_id": VIDEO_ID,
        "fulltitle": title,
        "duration_string": "%d:%02d:%02d" % (DURATION // 3600, DURATION // 60 % 60, DURATION % 60),
        "release_year": None,
        "is_live": False,
        "was_live": False,
        "requested_subtitles": None,
        "_has_drm": None,
        "epoch": EPOCH,
    }
    video = next(f for f in formats if f["format_id"] == "303")
    audio = next(f for f in formats if f["format_id"] == "251")
    doc["requested_formats"] = [video, audio]
    doc.update(merged_fields(video, audio))
    filename = "%s [%s].webm" % (title, VIDEO_ID)
    doc["_filename"] = filename
    doc["filename"] = filename
    doc["_type"] = "video"
    doc["_version"] = {"version": "2025.03.31", "current_git_head": None,
                       "release_git_head": "4d9231208332d4c32364b8cd814bff8b20232cae", "repository": "yt-dlp/yt-dlp"}
    return doc


def main():
    text = json.dumps(build_document(), ensure_ascii=True) + "\n"
    data = text.encode("ascii")
    if len(sys.argv) > 1:
        with open(sys.argv[1], "wb") as f:
            f.write(data)
    else:
        sys.stdout.buffer.write(data)


if __name__ == "__main__":
    main()
