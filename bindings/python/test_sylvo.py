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
        self.assertEqual(c.problems[2].message,
                         b"KX is no key; keys one edit away: KA, KI, KU, KE, KO")

    def test_first_error_is_the_conversions(self):
        song = b"#SYLVO\n(KA)c8\n(ka)c (KA)x\n"
        with self.assertRaises(sylvo.Error) as caught:
            sylvo.convert(song)
        first = sylvo.check(song).problems[0]
        e = caught.exception
        self.assertEqual((first.kind, first.line, first.column, first.message),
                         (e.kind, e.line, e.column, e.message))


class CarelessCalls(unittest.TestCase):
    """Null pointers straight through ctypes: a status, never a crash."""

    def test_nulls(self):
        lib = sylvo.load()
        self.assertEqual(lib.sylvo_convert_memory(None, 5, None, None, None, None, None), 1)
        result = sylvo._Result()
        self.assertEqual(lib.sylvo_output_name(b"a.mml", None, ctypes.byref(result)), 1)
        self.assertEqual(sylvo.KINDS[result.kind], "BAD_ARGUMENT")
        self.assertEqual(lib.sylvo_check_memory(None, 3, None, None, 0, None), 1)
        self.assertEqual(lib.sylvo_base_name(None), b"")


if __name__ == "__main__":
    unittest.main()
