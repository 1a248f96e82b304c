"""sylvo from Python: lyric syllables in MML, such as "(KA)c8", turned into
the instrument runs that make a sound chip sing them.

A client of the shared library (libsylvo.so.2, sylvo.dll) through ctypes,
with nothing beyond the standard library:

    import sylvo
    out = sylvo.convert(b"#SYLVO\\n(KA)c8\\n")
    for p in sylvo.check(open("song.mml", "rb").read()).problems:
        print(p.line, p.column + 1, p.severity, p.message)

    keys, problems = sylvo.lyric_keys("さくら")
    sung = sylvo.read_lyrics("故郷《ふるさと》へ")       # sung["keys"], sung["words"]
    fit = sylvo.fit_lyrics(b"#SYLVO\na a b2\n", "さくら")   # fit.mml

A failed conversion raises sylvo.Error, which carries the kind, line,
column and message. The library is looked for in SYLVO_LIBRARY, then where
the install that laid this package down put it, then where the system
keeps libraries. Lyrics are read as sung (kanji by a dictionary) by the
program sylvo-lyrics: SYLVO_LYRICS names it, else it is looked for beside
the library and on the PATH.
"""
import ctypes
import ctypes.util
import json
import os
import shutil
import subprocess
from collections import namedtuple

NAME_MAX = 255
MESSAGE_MAX = 2400

SEVERITIES = ("error", "warning", "note")
SUGGESTIONS_MAX = 16
SUGGESTION_SIZE = 16
ARGUMENTS_MAX = 4
ARGUMENT_SIZE = 48
PROBLEMS_MAX = 64


class _Result(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int), ("kind", ctypes.c_int),
                ("line", ctypes.c_ulonglong), ("column", ctypes.c_longlong),
                ("message_size", ctypes.c_size_t), ("message", ctypes.c_char * (MESSAGE_MAX + 1))]


class _Problem(ctypes.Structure):
    _fields_ = [("severity", ctypes.c_int), ("kind", ctypes.c_int), ("warning", ctypes.c_int),
                ("line", ctypes.c_ulonglong), ("column", ctypes.c_longlong),
                ("start", ctypes.c_longlong), ("length", ctypes.c_size_t),
                ("message_size", ctypes.c_size_t), ("message", ctypes.c_char * (MESSAGE_MAX + 1)),
                ("name", ctypes.c_char_p), ("text_at", ctypes.c_size_t),
                ("text_size", ctypes.c_size_t), ("echo_at", ctypes.c_size_t),
                ("echo_size", ctypes.c_size_t), ("explanation", ctypes.c_char * 256),
                ("suggestion_count", ctypes.c_size_t),
                ("suggestions", (ctypes.c_char * SUGGESTION_SIZE) * SUGGESTIONS_MAX),
                ("format", ctypes.c_char_p), ("argument_count", ctypes.c_size_t),
                ("arguments", (ctypes.c_char * ARGUMENT_SIZE) * ARGUMENTS_MAX),
                ("construct_end", ctypes.c_size_t)]


class _CheckResult(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int), ("errors", ctypes.c_size_t),
                ("warnings", ctypes.c_size_t), ("notes", ctypes.c_size_t),
                ("count", ctypes.c_size_t)]


class _Lyric(ctypes.Structure):
    _fields_ = [("key", ctypes.c_char_p), ("at", ctypes.c_size_t), ("size", ctypes.c_size_t)]


class _LyricProblem(ctypes.Structure):
    _fields_ = [("at", ctypes.c_size_t), ("size", ctypes.c_size_t), ("why", ctypes.c_char_p)]


class _FitResult(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int), ("notes", ctypes.c_size_t),
                ("notes_left", ctypes.c_size_t), ("syllables_left", ctypes.c_size_t),
                ("problem_count", ctypes.c_size_t),
                ("problems", _LyricProblem * PROBLEMS_MAX)]


_READ_FN = ctypes.CFUNCTYPE(ctypes.c_size_t, ctypes.c_void_p, ctypes.POINTER(ctypes.c_ubyte),
                            ctypes.c_size_t, ctypes.POINTER(ctypes.c_int))
_WRITE_FN = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.POINTER(ctypes.c_ubyte),
                             ctypes.c_size_t)


class Error(Exception):
    """A conversion that failed: `kind` ("SYNTAX", ...), `line` (from 1; 0
    at no byte), `column` (the byte in the line, from 0; -1 if none),
    `message` (its text without the blank lines round it) and `console`
    (the bytes sylvo prints)."""

    def __init__(self, kind, line, column, message, console):
        super().__init__(message.decode("utf-8", "replace"))
        self.kind, self.line, self.column = kind, line, column
        self.message, self.console = message, console


Problem = namedtuple("Problem", "severity kind warning line column start length message name "
                                "text echo explanation suggestions at")
Problem.__doc__ = """One problem of a check: severity "error", "warning" or "note"; an
error's kind ("SYNTAX"); a warning's or note's subject ("EMPTY_LENGTH");
line from 1; column (where sylvo stops) and start (the first byte at
fault) from 0; length in bytes; the message's bytes as sylvo prints them;
its short name ("syntax", "empty-length"); the plain message and the echo
of the line (bytes); an explanation for a musician (bytes); the keys or
keywords that could stand at the bytes at fault instead; and `at`, the
column sylvo-check gives it (FILE:LINE:COLUMN, from 1: the first byte at
fault, or where sylvo stops; 0 if at no byte)."""

Check = namedtuple("Check", "errors warnings notes problems")

Lyric = namedtuple("Lyric", "key at size")
Lyric.__doc__ = """A sung mora of lyrics: its syllable key ("KA") and where it stands in
them, as the first byte and the bytes of their UTF-8."""

LyricProblem = namedtuple("LyricProblem", "at size why")
LyricProblem.__doc__ = """A piece of lyrics no note can take, in bytes of their UTF-8, and why:
"write it in kana", "no syllable is spelt so", ..."""

Fit = namedtuple("Fit", "mml notes notes_left syllables_left problem_count problems")
Fit.__doc__ = """What fit_lyrics() made: the new MML bytes; the notes that took a
syllable, those left without one, the syllables left without a note; the
pieces that take no note (all counted, the first PROBLEMS_MAX kept)."""

_lib = None


def _installed_library():
    """The library an install laid down beside this package, if any: its
    path is written, relative to this folder, in _library.py."""
    try:
        from ._library import RELATIVE_PATH
    except ImportError:
        return None
    path = os.path.normpath(os.path.join(os.path.dirname(__file__), RELATIVE_PATH))
    return path if os.path.exists(path) else None


def load(path=None):
    """Loads the shared library (once): `path`, else SYLVO_LIBRARY, else the
    one installed with this package, else the system's."""
    global _lib
    if _lib is not None and path is None:
        return _lib
    path = (path or os.environ.get("SYLVO_LIBRARY") or _installed_library()
            or ctypes.util.find_library("sylvo"))
    if not path:
        path = "sylvo.dll" if os.name == "nt" else "libsylvo.so.2"
    lib = ctypes.CDLL(path)
    size, char_p, void_p = ctypes.c_size_t, ctypes.c_char_p, ctypes.c_void_p
    lib.sylvo_convert_memory.argtypes = [char_p, size, char_p, char_p,
                                         ctypes.POINTER(ctypes.POINTER(ctypes.c_ubyte)),
                                         ctypes.POINTER(size), ctypes.POINTER(_Result)]
    lib.sylvo_check_memory.argtypes = [char_p, size, char_p, ctypes.POINTER(_Problem), size,
                                       ctypes.POINTER(_CheckResult)]
    lib.sylvo_output_name.argtypes = [char_p, char_p, ctypes.POINTER(_Result)]
    lib.sylvo_message_text.argtypes = [char_p, size, ctypes.POINTER(size)]
    lib.sylvo_message_text.restype = void_p
    lib.sylvo_free.argtypes = [void_p]
    lib.sylvo_base_name.argtypes = [char_p]
    lib.sylvo_base_name.restype = char_p
    lib.sylvo_syllable_key.argtypes = [ctypes.c_int]
    lib.sylvo_syllable_key.restype = char_p
    lib.sylvo_report.argtypes = [ctypes.c_int, char_p, ctypes.POINTER(_Result)]
    lib.sylvo_kind_name.argtypes = [ctypes.c_int]
    lib.sylvo_kind_name.restype = char_p
    lib.sylvo_warning_name.argtypes = [ctypes.c_int]
    lib.sylvo_warning_name.restype = char_p
    lib.sylvo_version.argtypes = []
    lib.sylvo_version.restype = char_p
    lib.sylvo_unconverted_song.argtypes = [_READ_FN, void_p, ctypes.POINTER(ctypes.c_int)]
    lib.sylvo_lyric_keys.argtypes = [char_p, size, ctypes.POINTER(_Lyric), size,
                                     ctypes.POINTER(_LyricProblem), size, ctypes.POINTER(size)]
    lib.sylvo_lyric_keys.restype = size
    lib.sylvo_fit_lyrics.argtypes = [char_p, size, char_p, size, _WRITE_FN, void_p,
                                     ctypes.POINTER(_FitResult)]
    _lib = lib
    return lib


def _upper(name):
    return name.decode().upper().replace("-", "_") if name is not None else None


def kind_name(kind):
    """The name of a kind number, as the library has it in upper case:
    "SYNTAX", "ILLEGAL_TOKEN", ...; None for a number that is no kind."""
    return _upper(load().sylvo_kind_name(kind))


def warning_name(warning):
    """The name of a warning's or note's subject: "EMPTY_LENGTH", ..."""
    return _upper(load().sylvo_warning_name(warning))


def version():
    """The version of the library loaded: "2.0 beta4"."""
    return load().sylvo_version().decode()


def _name(name):
    return os.fsencode(name) if name is not None else b""


def _text(message, size):
    """The message without its surrounding blank lines, as bytes."""
    lib = load()
    n = ctypes.c_size_t()
    buf = ctypes.create_string_buffer(bytes(message[:size]), size + 1)
    at = lib.sylvo_message_text(buf, size, ctypes.byref(n))
    return ctypes.string_at(at, n.value)


def convert(data, input_name="input.mml", output_name=None):
    """The output bytes for `data`, as sylvo converts a file `input_name`
    holding them; raises Error when the conversion fails."""
    lib = load()
    data = bytes(data)
    output_name = output_name if output_name is not None else output_name_of(input_name)
    out = ctypes.POINTER(ctypes.c_ubyte)()
    size = ctypes.c_size_t()
    result = _Result()
    lib.sylvo_convert_memory(data, len(data), _name(os.path.basename(input_name)),
                             _name(os.path.basename(output_name)), ctypes.byref(out),
                             ctypes.byref(size), ctypes.byref(result))
    try:
        if result.status != 0:
            console = result.message[:result.message_size]
            raise Error(kind_name(result.kind) or result.kind, result.line, result.column,
                        _text(console, result.message_size), console)
        return ctypes.string_at(out, size.value)
    finally:
        lib.sylvo_free(out)


def output_name_of(input_path):
    """The name sylvo gives the output of `input_path`: "song.mml" gives
    "song_out.mml"."""
    lib = load()
    out = ctypes.create_string_buffer(NAME_MAX + 1)
    result = _Result()
    if lib.sylvo_output_name(_name(input_path), out, ctypes.byref(result)) != 0:
        raise Error(kind_name(result.kind), 0, -1, _text(result.message, result.message_size),
                    result.message[:result.message_size])
    return os.fsdecode(out.value)


def _refuse(kind, name):
    lib = load()
    result = _Result()
    number = next(k for k in range(64) if kind_name(k) == kind)
    lib.sylvo_report(number, _name(name), ctypes.byref(result))
    console = result.message[:result.message_size]
    raise Error(kind, 0, -1, _text(console, result.message_size), console)


def is_unconverted_song(data):
    """True when `data` is a song not yet converted, which an output must
    never overwrite: its first line that begins with "#SYLVO" or ";#SYLVO"
    begins with "#SYLVO"."""
    lib = load()
    data = memoryview(bytes(data))
    at = 0

    def read(_, buffer, capacity, failed):
        nonlocal at
        n = min(capacity, len(data) - at)
        ctypes.memmove(buffer, bytes(data[at:at + n]), n)
        at += n
        return n

    song = ctypes.c_int(1)
    lib.sylvo_unconverted_song(_READ_FN(read), None, ctypes.byref(song))
    return song.value != 0


def convert_file(input_path, output_path=None):
    """Converts the file as `sylvo input_path [output_path]` does, and
    returns the output's path. It refuses, as sylvo does, an output that is
    the input or a song not yet converted (or that cannot be read to tell).
    After a failure no output is written."""
    with open(input_path, "rb") as f:
        data = f.read()
    output_path = output_path or output_name_of(input_path)
    if os.path.exists(output_path):
        if os.path.samefile(input_path, output_path):
            _refuse("SAME_FILE", output_path)
        if os.path.isfile(output_path):
            try:
                with open(output_path, "rb") as f:
                    song = is_unconverted_song(f.read())
            except OSError:
                _refuse("OPEN_OUTPUT", os.path.basename(output_path))
            if song:
                _refuse("OUTPUT_IS_SONG", os.path.basename(output_path))
    converted = convert(data, input_path, output_path)
    with open(output_path, "wb") as f:
        f.write(converted)
    return output_path


def check(data, input_name="input.mml", max_problems=100):
    """Every problem of `data`, at most `max_problems` of them kept, with
    the counts of each severity in all."""
    lib = load()
    data = bytes(data)
    problems = (_Problem * max_problems)()
    result = _CheckResult()
    lib.sylvo_check_memory(data, len(data), _name(os.path.basename(input_name)), problems,
                           max_problems, ctypes.byref(result))
    kept = [Problem(SEVERITIES[p.severity],
                    kind_name(p.kind) if p.severity == 0 else None,
                    warning_name(p.warning) if p.severity != 0 else None,
                    p.line, p.column, p.start, p.length, _text(p.message, p.message_size),
                    p.name.decode(), bytes(p.message[p.text_at:p.text_at + p.text_size]),
                    bytes(p.message[p.echo_at:p.echo_at + p.echo_size]), p.explanation,
                    [p.suggestions[i].value.decode()
                     for i in range(min(p.suggestion_count, SUGGESTIONS_MAX))],
                    0 if p.line == 0 else p.start + 1 if p.start >= 0 else p.column + 1)
            for p in problems[:result.count]]
    return Check(result.errors, result.warnings, result.notes, kept)


def check_file(path, max_problems=100):
    """check() of the file at `path`."""
    with open(path, "rb") as f:
        return check(f.read(), path, max_problems)


def syllable_keys():
    """The table's syllable keys, in its order: "KA", "SHI", ..."""
    lib = load()
    keys, i = [], 0
    while (key := lib.sylvo_syllable_key(i)) is not None:
        keys.append(key.decode())
        i += 1
    return keys


def _utf8(text):
    return text.encode("utf-8") if isinstance(text, str) else bytes(text)


def lyric_keys(lyrics):
    """Splits lyrics in kana or romaji (a str, or UTF-8 bytes) into syllable
    keys, one a sung mora. Returns (keys, problems): Lyric and LyricProblem
    lists, their places in bytes of the lyrics' UTF-8."""
    lib = load()
    text = _utf8(lyrics)
    problem_count = ctypes.c_size_t()
    count = lib.sylvo_lyric_keys(text, len(text), None, 0, None, 0, ctypes.byref(problem_count))
    keys = (_Lyric * max(count, 1))()
    problems = (_LyricProblem * max(problem_count.value, 1))()
    lib.sylvo_lyric_keys(text, len(text), keys, count, problems, problem_count.value, None)
    return ([Lyric(k.key.decode(), k.at, k.size) for k in keys[:count]],
            [LyricProblem(p.at, p.size, p.why.decode()) for p in problems[:problem_count.value]])


def _lyrics_program():
    """sylvo-lyrics: SYLVO_LYRICS, else beside the library or in a bin/
    above it (as an install lays them down), else on the PATH; or None."""
    name = "sylvo-lyrics.exe" if os.name == "nt" else "sylvo-lyrics"
    if os.environ.get("SYLVO_LYRICS"):
        return os.environ["SYLVO_LYRICS"]
    library = os.environ.get("SYLVO_LIBRARY") or _installed_library()
    if library:
        folder = os.path.dirname(os.path.abspath(library))
        for _ in range(4):
            for candidate in (os.path.join(folder, name), os.path.join(folder, "bin", name)):
                if os.path.isfile(candidate):
                    return candidate
            folder = os.path.dirname(folder)
    return shutil.which(name)


def read_lyrics(text, as_written=False):
    """How lyrics (a str) are sung, as one line of `sylvo-lyrics --json`
    gives it: a dict with "text", "reading" (the sung kana), "keys",
    "words" (each with "text", "at" and "size" in bytes of the UTF-8,
    "reading", "keys" and "from": "dictionary", "ruby", "kana" or
    "romaji") and "problems" (each with "at", "size", "message"). As sung,
    the particle は is WA and a long vowel is sung again; `as_written`
    sings each kana as spelt. Raises FileNotFoundError without
    sylvo-lyrics."""
    program = _lyrics_program()
    if not program:
        raise FileNotFoundError("sylvo-lyrics is not installed: lyrics cannot be read as sung")
    text = text.decode("utf-8") if isinstance(text, bytes) else text
    command = [program, "--json"] + (["--as-written"] if as_written else []) + ["--", text]
    out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=False)
    if out.returncode not in (0, 1):
        raise RuntimeError("sylvo-lyrics failed with status %d" % out.returncode)
    return json.loads(out.stdout.decode("utf-8").split("\n")[0])


def fit_lyrics(mml, lyrics, as_written=False):
    """Puts the lyrics' next key in front of each note of the MML bytes
    `mml`, as the page's Lyrics panel does; no other byte changes. The
    lyrics are read as sung (read_lyrics()), where sylvo-lyrics is found,
    and while a word has no reading nothing is fitted: the MML comes back
    unchanged with the problems. Without sylvo-lyrics, kana and romaji are
    read as written. Returns a Fit."""
    lib = load()
    mml = bytes(mml)
    text = _utf8(lyrics)
    if _lyrics_program():
        sung = read_lyrics(text, as_written)
        if sung["problems"]:
            problems = [LyricProblem(p["at"], p["size"], p["message"]) for p in sung["problems"]]
            return Fit(mml, 0, 0, 0, len(problems), problems[:PROBLEMS_MAX])
        text = sung["reading"].encode("utf-8")
    pieces = []

    def write(_, data, size):
        pieces.append(ctypes.string_at(data, size))
        return 1

    result = _FitResult()
    if lib.sylvo_fit_lyrics(mml, len(mml), text, len(text), _WRITE_FN(write), None,
                            ctypes.byref(result)) != 0:
        raise MemoryError("sylvo_fit_lyrics failed")
    kept = min(result.problem_count, PROBLEMS_MAX)
    return Fit(b"".join(pieces), result.notes, result.notes_left, result.syllables_left,
               result.problem_count,
               [LyricProblem(p.at, p.size, p.why.decode()) for p in result.problems[:kept]])