"""The Japanese manual quotes the program's own texts (messages, captions,
panel texts, file lines) in 「 」 and in code spans: every one of them must
occur in the program's sources, so that a changed text cannot leave the
manual stale. Windows' own texts are written in ［ ］ and are not checked."""
import glob
import os
import re
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MANUAL = os.path.join(ROOT, "docs", "manual", "manual.md")
SOURCES = ("core/**/*.cpp", "core/**/*.h", "win32/**/*.cpp", "win32/**/*.h", "win32/**/*.rc")

# Code spans with Japanese text that name something of the package or the
# command line, not a text of the program.
NOT_PROGRAM_TEXTS = {"はじめにお読みください.txt", "-o ファイル", "ventrok.exe 録音.wav"}

JAPANESE = re.compile("[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]")
# String and character literals and comments, in the order they stand.
TOKEN = re.compile(r'"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\'|//[^\n]*|/\*.*?\*/', re.DOTALL)
PRINTF = re.compile(r"%[-+ 0#]*\d*(?:\.\d+)?([dufs%])")
NUMBER = {"d": r" *-?\d+", "u": r" *\d+", "f": r" *-?\d+(?:\.\d+)?", "s": ".*", "%": "%"}


def program_texts():
    """Every string literal of the program, unescaped, with adjacent literals
    joined as the compiler joins them; comments are left out. Menu and
    dialog captions lose the "&" that marks their access key."""
    texts = []
    for pattern in SOURCES:
        for path in glob.glob(os.path.join(ROOT, pattern), recursive=True):
            with open(path, encoding="utf-8") as f:
                source = f.read()
            in_file, last_end = [], 0
            for token in TOKEN.finditer(source):
                if not token.group().startswith('"'):
                    continue
                text = token.group()[1:-1].encode("utf-8").decode("unicode_escape")
                text = text.encode("latin-1").decode("utf-8", errors="replace")
                if path.endswith(".rc"):
                    text = text.replace("&", "")
                if in_file and not TOKEN.sub("", source[last_end:token.start()]).strip():
                    in_file[-1] += text
                else:
                    in_file.append(text)
                last_end = token.end()
            texts += in_file
    return texts


def worded_format(text):
    """A printf format with words around its numbers: "%s" or "%d," alone
    would match any quote."""
    words = PRINTF.sub("", text)
    return words != text and (re.search("[A-Za-z]", words) or JAPANESE.search(words))


def as_printed(text):
    """A pattern for what a printf format prints: the split gives the words
    and, between them, each conversion's letter."""
    pieces = PRINTF.split(text)
    return re.compile("".join(NUMBER[p] if i % 2 else re.escape(p) for i, p in enumerate(pieces)))


def manual_quotes():
    """The quoted texts of the manual: 「 」 (code marks removed) and code
    spans with Japanese text; code blocks are left out."""
    with open(MANUAL, encoding="utf-8") as f:
        lines = [line for line in f if not line.startswith("    ")]
    text = "".join(lines)
    quotes = [q.replace("`", "") for q in re.findall("「([^「」]*)」", text)]
    quotes += [c for c in re.findall(r"`([^`\n]+)`", text) if JAPANESE.search(c)]
    return [q for q in quotes if q not in NOT_PROGRAM_TEXTS]


class ManualQuotes(unittest.TestCase):
    def test_every_quoted_text_occurs_in_the_program(self):
        texts = program_texts()
        printed = [as_printed(t) for t in texts if worded_format(t)]
        quotes = manual_quotes()
        # The manual quotes the program on every page: far more than this.
        self.assertGreater(len(quotes), 150)
        stale = sorted({q for q in quotes
                        if not any(q in t for t in texts)
                        and not any(p.fullmatch(q) for p in printed)})
        self.assertEqual(stale, [])


if __name__ == "__main__":
    unittest.main()
