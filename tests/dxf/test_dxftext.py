"""The texts of TEXT, ATTRIB and MTEXT as a host holds them, and edits put back into the raw
content: what each code shows, and for each kind of edit the exact raw content written."""
import unittest

from dxftools import text as dxftext


def cp1252(character):
    try:
        character.encode("cp1252")
        return True
    except UnicodeEncodeError:
        return False


def utf8(character):
    return True


class Shown(unittest.TestCase):
    def test_what_each_code_shows(self):
        cases = [  # kind, raw, shown
            ("TEXT", r"A\U+00FCB\U+ac00\u+ac00", r"AüB가\u+ac00"),
            ("TEXT", r"\U+D83D\U+DE00 \U+D83D", "😀 \ufffd"),
            ("TEXT", "%%d %%P %%c %%% %%x", "° ± Ø % %%x"),
            ("TEXT", "%%177%%0650 %%000 %%12", "±A0 \ufffd %%12"),
            ("MTEXT", r"\M+3B0A1\M+1829F \M+3FFFF \M+30000 \M+9B0A1", "가ぁ \ufffd \ufffd\ufffd \\M+9B0A1"),
            ("TEXT", "%%uDoor%%U %%o%%k", "Door "),
            ("TEXT", "^J^I^ ^a^@", "\n\t^^a\ufffd"),
            ("TEXT", "a\0b\udc81", "a\ufffdb\ufffd"),
            ("TEXT", r"C:\Temp {x} \P", r"C:\Temp {x} \P"),
            ("MTEXT", "%%uDoor%%d", "%%uDoor°"),
            ("MTEXT", r"a\\b\{c\}d", "a\\b{c}d"),
            ("MTEXT", r"1\P2\N3\~4^J5", "1\n2\n3\u00a04\n5"),
            ("MTEXT", r"{\C1;\fArial|b1;\H2.5x;\pxqc;\L\O\K\l\o\k\X\A1;\c255;\Q15;\T1.5;\W0.8;\Fgdt;x}", "x"),
            ("MTEXT", r"\S1/2;+\S1#2;+\S1^ 2;+\Sa\;b^c;", "1/2+1#2+1^2+a;b^c"),
            ("MTEXT", r"\z \H2 no end", r"\z \H2 no end"),
        ]
        for kind, raw, shown in cases:
            with self.subTest(raw=raw):
                self.assertEqual(dxftext.plain(raw, kind), shown)
                self.assertEqual("".join(r for r, _ in dxftext.runs(raw, kind)), raw, "the runs cover the content")


class Edited(unittest.TestCase):
    def test_an_edit_keeps_every_run_outside_the_changed_characters(self):
        cases = [  # kind, raw, new text, raw written
            # Replacements of the same length keep every code between the same characters.
            ("MTEXT", r"{\C1;te}st te\Lst", "TEST TEST", r"{\C1;TE}ST TE\LST"),
            ("MTEXT", r"a\\b ^a %%d \U+00FC test", "a\\b ^a ° ü TEST", r"a\\b ^a %%d \U+00FC TEST"),
            ("TEXT", "%%uDoor%%u 12 %%d", "Door 13 °", "%%uDoor%%u 13 %%d"),
            # A longer or shorter text: inserted characters take the formatting before them
            # (after it at the start); a deletion keeps the codes among the deleted characters.
            ("MTEXT", r"a {\C1;test} b", "a tests b", r"a {\C1;tests} b"),
            ("MTEXT", r"{\C1;abc}def", "Xabcdef", r"{\C1;Xabc}def"),
            ("MTEXT", r"ab{\C1;cd}", "abZcd", r"abZ{\C1;cd}"),
            ("MTEXT", r"ab{\C1;cd}ef", "abef", r"ab{\C1;}ef"),
            ("MTEXT", r"x{\H2x;ab\C1;cd}y", "xZy", r"x{\H2x;Z\C1;}y"),
            ("MTEXT", r"x{\H2x;ab\C1;cd}y", "xUVWXYZy", r"x{\H2x;UV\C1;WXYZ}y"),
            # A stacked fraction whose characters change is written as plain characters.
            ("MTEXT", r"x \S1/2; y", "x 3/4 y", "x 3/4 y"),
            ("MTEXT", r"x \S1/2; y", "z 1/2 y", r"z \S1/2; y"),
            ("MTEXT", r"a\S1/2;b", "a//b", "a//b"),
            # New characters escaped as the entity needs them.
            ("MTEXT", "a", "a\\{}^\n\tb", r"a\\\{\}^ \P^Ib"),
            ("TEXT", "a", "a\\{}^\n\tb", "a\\{}^ ^J^Ib"),
            ("TEXT", "a", "a%%d", "a%%%%%%d"),
            ("TEXT", "a", r"a\U+0041", r"a\U+005CU+0041"),
            ("TEXT", "50%x%d", "50%%d", "50%%%%%%d"),
        ]
        for kind, raw, new, written in cases:
            with self.subTest(raw=raw, new=new):
                self.assertEqual(dxftext.edited(raw, new, kind, utf8), written)
                self.assertEqual(dxftext.plain(written, kind), new)

    def test_characters_the_file_lacks_are_written_as_escapes(self):
        cases = [  # encodable, new text, raw written
            (cp1252, "주기 ü €", r"\U+C8FC\U+AE30 ü €"),
            (cp1252, "😀", r"\U+D83D\U+DE00"),
            (utf8, "주기 😀", "주기 😀"),
        ]
        for encodable, new, written in cases:
            with self.subTest(new=new):
                self.assertEqual(dxftext.edited("x", new, "MTEXT", encodable), written)
                self.assertEqual(dxftext.plain(written, "MTEXT"), new)

    def test_a_text_no_dxf_can_hold_is_refused(self):
        for new, message in [("a\0b", "holds a NUL character"), ("a\ud800", r"unpaired surrogate \(U\+D800\)")]:
            with self.subTest(message=message), self.assertRaisesRegex(dxftext.Unwritable, message):
                dxftext.edited("a", new, "TEXT", utf8)


class Chunks(unittest.TestCase):
    def test_an_mtext_content_is_split_in_tags_keeping_the_old_ones_that_still_begin_it(self):
        old = ["a" * 249 + "\\", "P" + "b" * 249, "c" * 10]
        raw = "".join(old).replace("c", "d")
        self.assertEqual(dxftext.chunks(raw, old), old[:2] + ["d" * 10])
        long = "x" * 249 + "^J" + "y" * 300
        parts = dxftext.chunks(long, [long])
        self.assertEqual("".join(parts), long)
        self.assertEqual(parts[0], "x" * 249, "a caret code stays in one tag")
        self.assertTrue(all(len(p) <= dxftext.MTEXT_CHUNK for p in parts))


if __name__ == "__main__":
    unittest.main()
