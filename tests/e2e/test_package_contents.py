"""What the Windows package holds: its files, the version resource of its
ventrok.exe, the read-me in code page 932, the sample keying data file and
the HTML manual with its pictures."""
import html.parser
import os
import re
import subprocess
import unittest
import urllib.parse
import zipfile

import harness
import keying
import package_build
import pe_resources
from package_build import TOP, VERSION

README = "はじめにお読みください.txt"
DATA_FILE = "打鍵データ.csv"
# The pictures the manual must show: start-up, a measurement, the statistics
# after a stop, the print and replay window, and the close-ups of the 操作
# band and the statistics panel.
REQUIRED_PICTURES = {"startup.png", "measuring.png", "statistics.png", "replay.png",
                     "controls.png", "statistics-panel.png"}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
               "shell32.dll", "winmm.dll", "msvcrt.dll"}


class ManualLinks(html.parser.HTMLParser):
    """The ids and the link targets (href and src) of an HTML page."""

    def __init__(self):
        super().__init__()
        self.ids = set()
        self.targets = []
        self.images = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if "id" in attributes:
            self.ids.add(attributes["id"])
        for name in ("href", "src"):
            if attributes.get(name) is not None:
                self.targets.append((tag, attributes[name]))
        if tag == "img":
            self.images.append(attributes.get("src"))


def read_links(path):
    parser = ManualLinks()
    with open(path, encoding="utf-8") as f:
        parser.feed(f.read())
    return parser


class PackageContents(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip_path = package_build.package()
        cls.folder = package_build.unpack(cls.zip_path)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def test_one_folder_with_the_program_sample_readme_manual_and_licence(self):
        self.assertEqual(os.path.basename(self.zip_path), "ventrok-%s-win64.zip" % VERSION)
        with zipfile.ZipFile(self.zip_path) as archive:
            entries = archive.infolist()
        names = {entry.filename for entry in entries}
        pictures = {name for name in names if name.startswith(TOP + "/manual/images/")}
        self.assertEqual(names - pictures,
                         {TOP + "/" + name for name in
                          ("ventrok.exe", DATA_FILE, README, "LICENSE.txt", "manual/index.html",
                           "manual/manual.css")})
        self.assertTrue(REQUIRED_PICTURES <= {name.rsplit("/", 1)[1] for name in pictures},
                        pictures)
        for entry in entries:
            # Names outside ASCII are flagged as UTF-8, so every unpacker
            # reads the Japanese names as they are.
            if not entry.filename.isascii():
                self.assertTrue(entry.flag_bits & 0x800, entry.filename)
        with open(os.path.join(harness.ROOT, "LICENSE"), "rb") as f:
            licence = f.read().replace(b"\n", b"\r\n")
        with open(self.path("LICENSE.txt"), "rb") as f:
            self.assertEqual(f.read(), licence)

    def test_program_imports_only_system_dlls_and_carries_no_debug_sections(self):
        result = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", "-h",
                                 self.path("ventrok.exe")],
                                capture_output=True, text=True, check=True)
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", result.stdout)}
        self.assertTrue(dlls)
        self.assertLessEqual(dlls, SYSTEM_DLLS)
        sections = re.findall(r"^\s*\d+ (\.\S+)\s", result.stdout, re.MULTILINE)
        self.assertIn(".rsrc", sections)
        self.assertEqual([name for name in sections if name.startswith(".debug")], [])

    def test_version_resource_names_ventrok_and_its_version_in_japanese_and_english(self):
        info = pe_resources.version_info(self.path("ventrok.exe"))
        self.assertEqual(info.fixed["signature"], 0xFEEF04BD)
        self.assertEqual(info.fixed_version("file"), (0, 5, 0, 0))
        self.assertEqual(info.fixed_version("product"), (0, 5, 0, 0))
        self.assertEqual(info.fixed["type"], 1)  # VFT_APP
        self.assertEqual(info.fixed["flags"], 0)  # a release: no debug or pre-release flag
        self.assertEqual(info.translations, [(0x0411, 1200), (0x0409, 1200)])
        expected = {
            "041104B0": {"ProductName": "Ventrok", "FileVersion": "0.5", "ProductVersion": "0.5",
                         "FileDescription": "Ventrok 手送りモールス打鍵の計測と解読",
                         "CompanyName": "Ventrok 開発者一同",
                         "LegalCopyright": "Copyright (c) 2026 the Ventrok developers. MIT License.",
                         "InternalName": "ventrok", "OriginalFilename": "ventrok.exe"},
            "040904B0": {"ProductName": "Ventrok", "FileVersion": "0.5", "ProductVersion": "0.5",
                         "FileDescription": "Ventrok - measures and decodes hand-sent Morse keying",
                         "CompanyName": "the Ventrok developers",
                         "LegalCopyright": "Copyright (c) 2026 the Ventrok developers. MIT License.",
                         "InternalName": "ventrok", "OriginalFilename": "ventrok.exe"},
        }
        self.assertEqual(info.strings, expected)

    def test_caption_and_about_text_carry_the_same_version(self):
        exe = self.path("ventrok.exe")
        caption, _ = pe_resources.dialog_texts(exe, 1000)
        self.assertEqual(caption, "Ventrok Ver0.5")
        about_caption, controls = pe_resources.dialog_texts(exe, 106)
        self.assertEqual(about_caption, "バージョン情報")
        self.assertIn((0xFFFF, "Ventrok\u3000Ver0.5"), controls)

    def test_readme_is_code_page_932_with_cr_lf_and_says_how_to_start(self):
        with open(self.path(README), "rb") as f:
            data = f.read()
        text = data.decode("cp932")  # strict: fails on any byte sequence outside it
        self.assertFalse(data.startswith(b"\xef\xbb\xbf"))
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertNotIn(b"\r", data.replace(b"\r\n", b""))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        self.assertIn("Ventrok Ver%s" % VERSION, text)
        self.assertIn("ventrok.exe", text)
        self.assertIn("MIT", text)
        self.assertIn("LICENSE.txt", text)
        # It names where the manual is, and the manual is there.
        self.assertIn("manual\\index.html", text)
        self.assertTrue(os.path.isfile(self.path("manual", "index.html")))

    def test_sample_is_a_keying_data_file_the_program_would_write(self):
        with open(self.path(DATA_FILE), "rb") as f:
            data = f.read()
        seconds, entries = package_build.keying_file_entries(self.path(DATA_FILE))
        self.assertGreaterEqual(len(entries), 40)
        # The statistics lines agree with the durations, computed here.
        self.assertEqual(data, keying.expected_keying_file(entries, seconds))
        # The demo recording stops itself 10 s after the last keying.
        self.assertGreaterEqual(seconds, sum(entries) // 1000 + 10)
        self.assertLessEqual(seconds, sum(entries) // 1000 + 12)

    def test_manual_has_no_broken_link_or_missing_picture(self):
        manual = self.path("manual", "index.html")
        links = read_links(manual)
        self.assertGreater(len(links.targets), 20)  # the table of contents alone
        problems = []
        for tag, target in links.targets:
            parts = urllib.parse.urlsplit(target)
            if parts.scheme or parts.netloc:
                problems.append("%s %s: not part of the package" % (tag, target))
                continue
            if parts.path:
                path = os.path.normpath(os.path.join(os.path.dirname(manual),
                                                     urllib.parse.unquote(parts.path)))
                if not path.startswith(self.folder + os.sep) or not os.path.isfile(path):
                    problems.append("%s %s: no such file in the package" % (tag, target))
                    continue
            else:
                path = manual
            if parts.fragment:
                fragment = urllib.parse.unquote(parts.fragment)
                if fragment not in read_links(path).ids:
                    problems.append("%s %s: no such anchor" % (tag, target))
        self.assertEqual(problems, [])
        shown = {os.path.basename(src) for src in links.images}
        self.assertTrue(REQUIRED_PICTURES <= shown, shown)
        packaged = set(os.listdir(self.path("manual", "images")))
        self.assertEqual(packaged, shown)  # every picture is shown, none is left over
        for name in packaged:
            with open(self.path("manual", "images", name), "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n", name)


if __name__ == "__main__":
    unittest.main()
