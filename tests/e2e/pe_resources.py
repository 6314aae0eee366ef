"""Reads the resources of a Windows executable without Windows: the version
information (fixed part, string tables, translations) and the texts of a
dialog template, decoded from the PE file's resource section."""
import struct

RT_DIALOG = 5
RT_VERSION = 16
DS_SETFONT = 0x40


def _align4(offset):
    return (offset + 3) & ~3


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s is not a PE file" % path)
        sections, = struct.unpack_from("<H", self.data, pe + 6)
        optional_size, = struct.unpack_from("<H", self.data, pe + 20)
        optional = pe + 24
        magic, = struct.unpack_from("<H", self.data, optional)
        directories = optional + (112 if magic == 0x20B else 96)  # PE32+ or PE32
        self.resource_rva, _ = struct.unpack_from("<II", self.data, directories + 2 * 8)
        self.sections = []
        for i in range(sections):
            _, virtual_size, address, raw_size, raw_offset = struct.unpack_from(
                "<8sIIII", self.data, optional + optional_size + 40 * i)
            self.sections.append((address, max(virtual_size, raw_size), raw_offset))

    def _offset(self, rva):
        for address, size, raw_offset in self.sections:
            if address <= rva < address + size:
                return raw_offset + rva - address
        raise ValueError("address 0x%x lies in no section" % rva)

    def resources(self, kind):
        """{(id, language): bytes} for every resource of that type with a
        numeric id."""
        base = self._offset(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                yield struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)

        found = {}
        for type_id, type_target in entries(0):
            if type_id != kind:
                continue
            for name, name_target in entries(type_target & 0x7FFFFFFF):
                for language, leaf in entries(name_target & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self._offset(rva)
                    found[(name, language)] = self.data[start:start + size]
        return found


class VersionInfo:
    """fixed: the VS_FIXEDFILEINFO fields; strings: {block name: {key: text}};
    translations: [(language, code page)]."""

    FIXED_FIELDS = ("signature", "struct_version", "file_version_ms", "file_version_ls",
                    "product_version_ms", "product_version_ls", "flags_mask", "flags", "os",
                    "type", "subtype", "date_ms", "date_ls")

    def __init__(self, block):
        key, _, value, children = self._node(block, 0)[:4]
        if key != "VS_VERSION_INFO":
            raise ValueError("root key %r" % key)
        self.fixed = dict(zip(self.FIXED_FIELDS, struct.unpack_from("<13I", value)))
        self.strings = {}
        self.translations = []
        for child_key, _, _, grandchildren in children:
            if child_key == "StringFileInfo":
                for table, _, _, strings in grandchildren:
                    self.strings[table] = {name: text.decode("utf-16-le").rstrip("\0")
                                           for name, _, text, _ in strings}
            elif child_key == "VarFileInfo":
                for name, _, pairs, _ in grandchildren:
                    if name == "Translation":
                        self.translations = [struct.unpack_from("<HH", pairs, i)
                                             for i in range(0, len(pairs), 4)]

    @classmethod
    def _node(cls, block, offset):
        """(key, type, value bytes, children, length) of the node at offset."""
        length, value_length, kind = struct.unpack_from("<HHH", block, offset)
        end = offset + 6
        while block[end:end + 2] != b"\0\0":
            end += 2
        key = block[offset + 6:end].decode("utf-16-le")
        value_start = _align4(end + 2)
        value_size = value_length * 2 if kind == 1 else value_length  # text counts WCHARs
        value = block[value_start:value_start + value_size]
        children = []
        position = _align4(value_start + value_size)
        while position < offset + length:
            child = cls._node(block, position)
            children.append(child[:4])
            position = _align4(position + child[4])
        return key, kind, value, children, length

    def fixed_version(self, which):
        """(a, b, c, d) of the fixed file or product version."""
        ms, ls = self.fixed[which + "_version_ms"], self.fixed[which + "_version_ls"]
        return ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF


def version_info(path):
    blocks = PeFile(path).resources(RT_VERSION)
    if len(blocks) != 1:
        raise ValueError("%d version resources" % len(blocks))
    return VersionInfo(next(iter(blocks.values())))


def _text_or_ordinal(template, offset):
    """A dialog template's string-or-ordinal field: (text or number, next offset)."""
    first, = struct.unpack_from("<H", template, offset)
    if first == 0:
        return "", offset + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", template, offset + 2)[0], offset + 4
    end = offset
    while template[end:end + 2] != b"\0\0":
        end += 2
    return template[offset:end].decode("utf-16-le"), end + 2


def dialog_texts(path, dialog_id):
    """(caption, [(control id, text)]) of a DLGTEMPLATE dialog resource."""
    templates = [t for (name, _), t in PeFile(path).resources(RT_DIALOG).items()
                 if name == dialog_id]
    if len(templates) != 1:
        raise ValueError("%d dialog resources %d" % (len(templates), dialog_id))
    template = templates[0]
    style, _, count = struct.unpack_from("<IIH", template, 0)
    if style >> 16 == 0xFFFF:
        raise ValueError("an extended dialog template")
    _, offset = _text_or_ordinal(template, 18)  # menu
    _, offset = _text_or_ordinal(template, offset)  # window class
    caption, offset = _text_or_ordinal(template, offset)
    if style & DS_SETFONT:
        _, offset = _text_or_ordinal(template, offset + 2)  # point size, face
    controls = []
    for _ in range(count):
        offset = _align4(offset)
        control_id, = struct.unpack_from("<H", template, offset + 16)
        _, offset = _text_or_ordinal(template, offset + 18)  # class
        text, offset = _text_or_ordinal(template, offset)
        extra, = struct.unpack_from("<H", template, offset)
        offset += 2 + extra
        controls.append((control_id, text))
    return caption, controls
