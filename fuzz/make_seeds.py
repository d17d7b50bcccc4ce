#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<target>/.

The readers take a word-list file's bytes as they are. The search and the
addition take one framing byte (low seven bits: how many bytes of typed text
follow; high bit: the word-list file is missing), the typed text in UTF-8,
then the file's bytes. Run it again after changing a seed; inputs that
fuzzing found are kept beside the seeds under names of their own and are not
touched here.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def cp(text):
    return text.encode("cp1250")


def listing(*words, count=None, end=b"\r\n"):
    """A word-list file: the count line, then one word a line."""
    first = str(len(words)) if count is None else count
    lines = [first.encode() if isinstance(first, str) else first]
    lines += [w if isinstance(w, bytes) else cp(w) for w in words]
    return b"".join(line + end for line in lines)


# Word-list files for both readers.
FILES = {
    "good": listing("kot", "kąt", "żuć"),
    "lf_only": listing("kot", "kat", "kit", end=b"\n"),
    "cr_only": listing("kot", "kat", end=b"\r"),
    "utf8": b"2\r\n" + "kąt\r\nżuć\r\n".encode("utf-8"),
    "count_abc": listing("kot", count="abc"),
    "count_minus5": listing("kot", count="-5"),
    "count_2147483648": listing("kot", count="2147483648"),
    "count_1000000000": listing("kot", "kat", "kit", count="1000000000"),
    "count_3.6": listing("kot", "kat", "kit", "lot", count="3.6"),
    "count_2.5": listing("kot", "kat", "kit", count="2.5"),
    "count_blanks": listing("kot", "kat", count=" \t2 "),
    "count_exponent": listing("kot", "kat", count="2e0"),
    "count_underflow": listing(count="1e-400"),
    "count_huge_mantissa": listing("kot", count="1" + "0" * 400 + "e-5"),
    "count_tiny_mantissa": listing(count="0." + "0" * 400 + "1e5"),
    "count_zero_empty": b"0\r\n",
    "nul_in_words": listing(b"k\0t", b"\0\0\0"),
    "quoted": listing('"k,t"', '"kot" reszta', '""', count="3"),
    "quote_unclosed": listing('"kot', count="1"),
    "commas": listing("kot,kat", "kit", count="3"),
    "leading_blanks": listing("  kot", "\tkat"),
    "empty": b"",
    "lone_cr": b"\r",
    "lone_lf": b"\n",
    "cr_lf_mix": b"2\r\n\rkot\n\r\n\nkat\r",
    "no_final_line_end": b"2\r\nkot\r\nkat",
    "polish_capitals": listing("ĄĆĘ", "ŁŃÓ", "ŚŹŻ", "ąćę", "łńó", "śźż"),
    "unassigned_bytes": listing(b"\x81\x83\x88", b"\x90\x98a"),
    "long_words": listing("konstantynopolitańczyk", "a" * 22),
    "dol_noz": listing("kot", "DÓŁ", "NÓŻ"),
    "utf8_bom": b"\xef\xbb\xbf" + listing("kot"),
    "utf8_after_64k": listing("a" * 3, count="1") + b"a" * 70000 + "żółw\r\n".encode("utf-8"),
    "count_comma": listing("kut", "kot", count="2,kut"),
    "count_quoted": listing("kot", count='"1"'),
    "more_words_than_count": listing("kot", "kit", "kat", count="2"),
}

# (typed pattern, word-list file or None when missing) for the search.
SEARCHES = {
    "k_t_good": ("k*t", FILES["good"]),
    "all_stars_polish": ("***", FILES["good"]),
    "polish_letter": ("*ą*", FILES["good"]),
    "empty_pattern": ("", FILES["good"]),
    "one_char": ("*", FILES["good"]),
    "no_wildcard": ("kot", FILES["good"]),
    "too_long": ("*" * 23, FILES["good"]),
    "star_only_23rd": ("a" * 22 + "*", FILES["good"]),
    "missing_file": ("k*t", None),
    "invalid_utf8": (b"\xff*\xc3", FILES["good"]),
    "unassigned_char": ("\u0081*\u0083", FILES["unassigned_bytes"]),
    "capitals": ("Ą**", FILES["polish_capitals"]),
    "count_abc": ("k*t", FILES["count_abc"]),
    "count_minus5": ("k*t", FILES["count_minus5"]),
    "count_2147483648": ("k*t", FILES["count_2147483648"]),
    "count_1000000000": ("k*t", FILES["count_1000000000"]),
    "count_3.6": ("*o*", FILES["count_3.6"]),
    "count_underflow": ("***", FILES["count_underflow"]),
    "nul_in_words": ("k*t", FILES["nul_in_words"]),
    "quoted": ("***", FILES["quoted"]),
    "commas": ("***", FILES["commas"]),
    "empty_file": ("***", FILES["empty"]),
    "lone_cr": ("***", FILES["lone_cr"]),
    "lf_only": ("k*t", FILES["lf_only"]),
    "utf8_file": ("k**", FILES["utf8"]),
    "two_chars": ("**", listing("ab", "ąę", "a")),
    "twenty_two": ("k" + "*" * 21, FILES["long_words"]),
    "dol_noz": ("***", FILES["dol_noz"]),
    "utf8_bom": ("k*t", FILES["utf8_bom"]),
    "utf8_after_64k": ("***", FILES["utf8_after_64k"]),
    "count_comma": ("k*t", FILES["count_comma"]),
    "count_quoted": ("k*t", FILES["count_quoted"]),
    "more_words_than_count": ("k*t", FILES["more_words_than_count"]),
}

# (typed word, word-list file or None when missing) for the addition.
ADDITIONS = {
    "new_word": ("kit", FILES["good"]),
    "duplicate_capital": ("Kąt", FILES["good"]),
    "stored_capitals_not_duplicate": ("ąćę", listing("ĄĆĘ")),
    "empty_word": ("", FILES["good"]),
    "one_char": ("k", FILES["good"]),
    "too_long": ("a" * 23, FILES["good"]),
    "twenty_two": ("b" * 22, FILES["long_words"]),
    "control_char": ("k\tt", FILES["good"]),
    "euro_sign": ("k€t", FILES["good"]),
    "not_in_cp1250": ("k☺t", FILES["good"]),
    "invalid_utf8": (b"k\xfft", FILES["good"]),
    "missing_file": ("kit", None),
    "count_abc": ("kit", FILES["count_abc"]),
    "count_minus5": ("kit", FILES["count_minus5"]),
    "count_2147483648": ("kit", FILES["count_2147483648"]),
    "count_1000000000": ("kit", FILES["count_1000000000"]),
    "count_3.6": ("kit", FILES["count_3.6"]),
    "lf_only": ("kit", FILES["lf_only"]),
    "cr_only": ("kit", FILES["cr_only"]),
    "no_final_line_end": ("kit", FILES["no_final_line_end"]),
    "nul_in_words": ("kit", FILES["nul_in_words"]),
    "quoted": ('"k"', FILES["quoted"]),
    "comma_word": ("k,t", FILES["commas"]),
    "leading_blank": (" kt", listing(" k")),
    "empty_file": ("kit", FILES["empty"]),
    "lone_cr": ("kit", FILES["lone_cr"]),
    "zero_words": ("kit", FILES["count_zero_empty"]),
    "utf8_file": ("kąt", FILES["utf8"]),
    "comma_at_end": ("kot,", listing("kota")),
    "quote_first": ('"kot', listing("kota")),
    "trailing_blank": ("kot ", listing("kota")),
    "dol_after_noz": ("DÓŁ", listing("kot", "NÓŻ")),
    "count_comma": ("kit", FILES["count_comma"]),
    "count_quoted": ("kit", FILES["count_quoted"]),
    "capital_stored": ("kotek", listing("Kotek")),
    "capital_typed": ("Wąwózek", listing("wąwózek")),
    "comma_line": ("kit", listing("kot", "k,t")),
    "open_quote_line": ("kit", listing('"kot', "lis")),
}


def ipuz(width, height, puzzle, solution=None, extra=""):
    """An .ipuz file's text; puzzle and solution are JSON text of the rows."""
    text = ('{"version": "http://ipuz.org/v2", "kind": ["http://ipuz.org/crossword#1"], '
            '"dimensions": {"width": %d, "height": %d}, "puzzle": %s' % (width, height, puzzle))
    if solution is not None:
        text += ', "solution": ' + solution
    return (text + (", " + extra if extra else "") + "}").encode("utf-8")


# (whether the file's name ends in .ipuz, the file) for the grid reader.
GRIDS = {
    "text_grid": (False, "ąb#\n..Ż\n#qx\n".encode("utf-8")),
    "text_crlf_bom": (False, "\ufeff..\r\n.Ł\r\n".encode("utf-8")),
    "text_ragged": (False, b"...\n..\n"),
    "text_bad_char": (False, b"a1\n"),
    "text_cp1250": (False, cp("żółw\n")),
    "ipuz_full": (True, ipuz(3, 2, '[[1, 2, "#"], [3, 0, 0]]', '[["Ą", "B", "#"], ["C", 0, "ż"]]',
                            '"clues": {"Across": [[1, "a"], {"number": "3", "clue": "b"}], "Down": [[2, "c"]]}, '
                            '"title": "T", "block": "#", "empty": 0')),
    "ipuz_by_content": (False, ipuz(2, 2, '[[{"cell": 1, "value": "A"}, null], ["-", 0]]', None,
                                    '"empty": "-"')),
    "ipuz_jsonp": (False, b"ipuz(" + ipuz(2, 1, "[[1, 0]]", '[["A", "\\u0105"]]') + b")"),
    "ipuz_rebus": (True, ipuz(2, 1, "[[1, 0]]", '[["AB", 0]]')),
    "ipuz_huge_width": (True, ipuz(2147483648, 1, "[[1, 0]]")),
    "ipuz_ragged": (True, ipuz(2, 2, "[[1, 0], [0]]")),
    "ipuz_deep": (True, b'{"a": ' + b"[" * 100),
    "ipuz_not_utf8": (True, b'{"title": "\xff"}'),
}


def framed(typed, content):
    typed = typed if isinstance(typed, bytes) else typed.encode("utf-8")
    assert len(typed) < 128
    missing = content is None
    return bytes([len(typed) | (0x80 if missing else 0)]) + typed + (content or b"")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as out:
        out.write(data)


def main():
    for name, data in FILES.items():
        write("counted_reader", name, data)
        write("line_reader", name, data)
    for name, (typed, content) in SEARCHES.items():
        write("pattern_search", name, framed(typed, content))
    for name, (typed, content) in ADDITIONS.items():
        write("add_word", name, framed(typed, content))
    for name, (ipuz_name, content) in GRIDS.items():
        write("ipuz", name, bytes([1 if ipuz_name else 0]) + content)


if __name__ == "__main__":
    main()
