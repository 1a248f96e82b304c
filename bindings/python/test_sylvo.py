"""The Python client against the built shared library (SYLVO_LIBRARY)."""
import ctypes
import os
import tempfile
import unittest

import sylvo

KA = b"@@5c#1@@6w#1@@7w#1@@00w"  # (KA)c with voice set 0, before its length


class Convert(unittest.TestCase):
    def test_bytes_in_bytes_out(self):
        self.assertEqual(sylvo.convert(b"t120\n#SYLVO\n(KA)c8 \xff\x00\n"),
                         b"t120\n;#SYLVO\n" + KA + b"8~#3 \xff\x00\n")

    def test_a_failure_raises_with_its_place_and_message(self):
        with self.assertRaises(sylvo.Error) as caught:
            sylvo.convert(b"#SYLVO\n\n(KA)c8 (KX)c8\n", "b.mml")
        e = caught.exception
        self.assertEqual((e.kind, e.line, e.column), ("ILLEGAL_TOKEN", 3, 13))
        self.assertEqual(e.message, b"*** Illegal token! line:3\n\n> (KA)c8 (KX)c8")
        self.assertEqual(e.console, b"\n*** Illegal token! line:3\n\n> (KA)c8 (KX)c8\n\n\n")
        with self.assertRaises(sylvo.Error) as caught:
            sylvo.convert(b"c8\n", "song.mml")
        self.assertEqual(caught.exception.message, b"*** NOT SyLvO file: song.mml")

    def test_files(self):
        with tempfile.TemporaryDirectory() as d:
            song = os.path.join(d, "song.mml")
            with open(song, "wb") as f:
                f.write(b"#SYLVO\n(KA)c8\n")
            out = sylvo.convert_file(song)
            self.assertEqual(out, os.path.join(d, "song_out.mml"))
            with open(out, "rb") as f:
                self.assertEqual(f.read(), b";#SYLVO\n" + KA + b"8~#3\n")
            bad = os.path.join(d, "bad.mml")
            with open(bad, "wb") as f:
                f.write(b"#SYLVO\n(KA)x\n")
            self.assertRaises(sylvo.Error, sylvo.convert_file, bad)
            self.assertFalse(os.path.exists(os.path.join(d, "bad_out.mml")))

    def test_files_never_destroy_a_song(self):
        with tempfile.TemporaryDirectory() as d:
            song = os.path.join(d, "song.mml")
            other = os.path.join(d, "other.mml")
            for path, data in ((song, b"#SYLVO\n(KA)c8\n"), (other, b"t1\n#SYLVO\n(KI)c\n")):
                with open(path, "wb") as f:
                    f.write(data)
            for output, kind in ((other, "OUTPUT_IS_SONG"), (song, "SAME_FILE")):
                with self.assertRaises(sylvo.Error) as caught:
                    sylvo.convert_file(song, output)
                self.assertEqual(caught.exception.kind, kind)
            self.assertEqual(caught.exception.message,
                             b"*** Can't write to input file: " + os.fsencode(song))
            with open(other, "rb") as f:
                self.assertEqual(f.read(), b"t1\n#SYLVO\n(KI)c\n")
            sylvo.convert_file(song)  # a previous output is replaced
            self.assertEqual(sylvo.convert_file(song), os.path.join(d, "song_out.mml"))
        self.assertTrue(sylvo.is_unconverted_song(b"x\n#SYLVO_VSET 1\n;#SYLVO\n"))
        self.assertFalse(sylvo.is_unconverted_song(b";#SYLVO\n#SYLVO\n"))

    def test_keys(self):
        keys = sylvo.syllable_keys()
        self.assertEqual(len(keys), 203)
        self.assertEqual(keys[:2], ["A", "I"])


class Check(unittest.TestCase):
    def test_every_problem(self):
        c = sylvo.check(b"#SYLVO\n/* slow */ (KA)c\n(KX)c8 (SHI)x\n")
        self.assertEqual((c.errors, c.warnings, c.notes), (2, 1, 1))
        self.assertEqual([(p.severity, p.kind or p.warning, p.line, p.column) for p in c.problems], [
            ("warning", "EMPTY_LENGTH", 2, 4), ("error", "ILLEGAL_TOKEN", 3, 6),
            ("note", "NEAR_KEYS", 3, 1), ("error", "SYNTAX", 3, 12)])
        # The columns sylvo-check prints: the first byte at fault, from 1.
        self.assertEqual([p.at for p in c.problems], [5, 2, 2, 13])
        self.assertEqual(sylvo.check(b"x\n").problems[0].at, 0)
        self.assertEqual(c.problems[2].message,
                         b"KX is no key; keys one edit away: KA, KI, KU, KE, KO")
        error = c.problems[1]
        self.assertEqual((error.name, error.text, error.echo, error.explanation, error.start),
                         ("illegal-token", b"Illegal token! line:3", b"(KX)c8 ",
                          b"KX is not a syllable key", 1))
        self.assertEqual(error.suggestions, ["KA", "KI", "KU", "KE", "KO"])
        self.assertEqual(sylvo.check(b"#SYLVO\n(ka)c\n").problems[0].suggestions, ["KA"])
        self.assertEqual(sylvo.version(), "2.0 beta4")

    def test_first_error_is_the_conversions(self):
        song = b"#SYLVO\n(KA)c8\n(ka)c (KA)x\n"
        with self.assertRaises(sylvo.Error) as caught:
            sylvo.convert(song)
        first = sylvo.check(song).problems[0]
        e = caught.exception
        self.assertEqual((first.kind, first.line, first.column, first.message),
                         (e.kind, e.line, e.column, e.message))


class Lyrics(unittest.TestCase):
    def test_keys_and_problems_in_bytes(self):
        keys, problems = sylvo.lyric_keys("さくら 漢 kya")
        self.assertEqual(keys, [sylvo.Lyric("SA", 0, 3), sylvo.Lyric("KU", 3, 3),
                                sylvo.Lyric("RA", 6, 3), sylvo.Lyric("KYA", 14, 3)])
        self.assertEqual(problems, [sylvo.LyricProblem(10, 3, "write it in kana")])
        self.assertEqual(sylvo.lyric_keys(b"ka")[0], [sylvo.Lyric("KA", 0, 2)])

    def test_fit_as_the_page_does(self):
        fit = sylvo.fit_lyrics(b"#SYLVO\nl8 a a b2 ; c\n", "さくら")
        self.assertEqual(fit.mml, b"#SYLVO\nl8 (SA)a (KU)a (RA)b2 ; c\n")
        self.assertEqual((fit.notes, fit.notes_left, fit.syllables_left), (3, 0, 0))
        self.assertEqual(sylvo.convert(b"#SYLVO\n" + sylvo.fit_lyrics(b"c", "ka").mml),
                         b";#SYLVO\n" + KA + b"~#3")

    @unittest.skipUnless(sylvo._lyrics_program(), "sylvo-lyrics is not installed here")
    def test_fit_reads_as_sung(self):
        # A reading in ruby as written; while a word has no reading nothing
        # is fitted, as the rest would land a note early.
        fit = sylvo.fit_lyrics(b"(KA)c d e", "故郷《ふるさと》")
        self.assertEqual(fit.mml, b"(FU)c (RU)d (SA)e")
        self.assertEqual(fit.syllables_left, 1)
        fit = sylvo.fit_lyrics(b"(KA)c d", "xq し")
        self.assertEqual(fit.mml, b"(KA)c d")
        self.assertEqual((fit.notes, fit.problem_count), (0, 1))
        self.assertEqual(fit.problems, [sylvo.LyricProblem(0, 2, "no syllable is spelt so")])

    @unittest.skipUnless(sylvo._lyrics_program(), "sylvo-lyrics is not installed here")
    def test_readings_as_sylvo_lyrics_gives_them(self):
        sung = sylvo.read_lyrics("故郷《ふるさと》 sakura")
        self.assertEqual(sung["keys"], ["FU", "RU", "SA", "TO", "SA", "KU", "RA"])
        self.assertEqual([(w["text"], w["at"], w["size"], w["from"]) for w in sung["words"]],
                         [("故郷", 0, 6, "ruby"), ("sakura", 25, 6, "romaji")])
        self.assertEqual(sylvo.read_lyrics("-x", as_written=True)["words"][0]["text"], "x")
        self.assertEqual(sylvo.read_lyrics(b"\xe9\x9b\xaa\xe3\x80\x8a\xe3\x80\x8b")["problems"],
                         [{"at": 0, "size": 3, "message": "write the reading of 雪 inside its 《》"}])


class CarelessCalls(unittest.TestCase):
    """Null pointers straight through ctypes: a status, never a crash."""

    def test_nulls(self):
        lib = sylvo.load()
        self.assertEqual(lib.sylvo_convert_memory(None, 5, None, None, None, None, None), 1)
        result = sylvo._Result()
        self.assertEqual(lib.sylvo_output_name(b"a.mml", None, ctypes.byref(result)), 1)
        self.assertEqual(sylvo.kind_name(result.kind), "BAD_ARGUMENT")
        self.assertEqual(lib.sylvo_check_memory(None, 3, None, None, 0, None), 1)
        self.assertEqual(lib.sylvo_base_name(None), b"")


if __name__ == "__main__":
    unittest.main()
