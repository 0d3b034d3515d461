#!/usr/bin/python3
"""Checks the shipped RestartRealname.exe as built: what Windows sees in its
headers, which DLLs it needs, and the resources it carries (manifest, version
block, icon).

    /usr/bin/python3 check_exe.py path/to/RestartRealname.exe [unittest args]

Uses Debian's python3-pefile, hence /usr/bin/python3.
"""
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

import pefile

EXE = None  # set from the command line before the tests run

RT_ICON = 3
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24
LANG_NEUTRAL = 0

# DLLs every supported Windows has. Anything else (libstdc++, libgcc,
# libwinpthread, psapi, ...) would have to be shipped along or could be
# missing on the operator's machine.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll",
               "msvcrt.dll", "advapi32.dll", "shell32.dll"}

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"

_pe_cache = {}


def load_pe():
    if EXE not in _pe_cache:
        _pe_cache[EXE] = pefile.PE(EXE)
    return _pe_cache[EXE]


def resource_entries(pe, type_id):
    """(name or id, language, bytes) of every resource of one type."""
    found = []
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return found
    for rtype in root.entries:
        if rtype.id != type_id:
            continue
        for entry in rtype.directory.entries:
            key = str(entry.name) if entry.name is not None else entry.id
            for lang in entry.directory.entries:
                data = lang.data.struct
                found.append((key, lang.id,
                              pe.get_data(data.OffsetToData, data.Size)))
    return found


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


class Header(unittest.TestCase):
    """What the loader reads before running a line of the program."""

    def test_fields(self):
        pe = load_pe()
        cases = [
            ("optional header magic (PE32, not PE32+)",
             pe.OPTIONAL_HEADER.Magic, pefile.OPTIONAL_HEADER_MAGIC_PE),
            ("machine", pe.FILE_HEADER.Machine,
             pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]),
            ("subsystem", pe.OPTIONAL_HEADER.Subsystem,
             pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]),
        ]
        for what, actual, expected in cases:
            with self.subTest(what):
                self.assertEqual(actual, expected)

    def test_dll_characteristics(self):
        flags = load_pe().OPTIONAL_HEADER.DllCharacteristics
        for name in ("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE",
                     "IMAGE_DLLCHARACTERISTICS_NX_COMPAT"):
            with self.subTest(name):
                bit = pefile.DLL_CHARACTERISTICS[name]
                self.assertTrue(flags & bit, "0x%04X lacks %s" % (flags, name))

    def test_relocations_kept_for_dynamic_base(self):
        # DYNAMIC_BASE without a relocation table cannot be moved, so the
        # flag would promise nothing.
        pe = load_pe()
        reloc = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        self.assertGreater(reloc.Size, 0)
        self.assertFalse(pe.FILE_HEADER.Characteristics
                         & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"])


class Imports(unittest.TestCase):
    """Only DLLs of Windows itself; the C++ runtime is linked in."""

    def imported_dlls(self):
        pe = load_pe()
        dlls = []
        for attr in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
            for entry in getattr(pe, attr, []):
                dlls.append(entry.dll.decode("ascii", "replace").lower())
        return dlls

    def test_has_imports(self):
        # An empty list would make the other checks pass for nothing.
        self.assertIn("kernel32.dll", self.imported_dlls())

    def test_only_system_dlls(self):
        for dll in self.imported_dlls():
            with self.subTest(dll):
                self.assertIn(dll, SYSTEM_DLLS)

    def test_no_runtime_or_psapi(self):
        for prefix in ("libstdc++", "libgcc", "libwinpthread", "psapi"):
            with self.subTest(prefix):
                self.assertFalse([d for d in self.imported_dlls() if d.startswith(prefix)])

    def test_no_psapi_functions_through_kernel32(self):
        # Newer SDK headers turn EnumProcesses and friends into kernel32's
        # K32EnumProcesses, which older Windows lacks: the program would not
        # load there. The program reaches psapi at run time instead.
        pe = load_pe()
        k32 = [symbol.name.decode("ascii", "replace")
               for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
               for symbol in entry.imports
               if symbol.name and symbol.name.startswith(b"K32")]
        self.assertEqual(k32, [])


class Manifest(unittest.TestCase):
    """The embedded manifest: identity, common controls 6, administrator
    rights, and nothing that changes how Windows scales or treats it."""

    @classmethod
    def setUpClass(cls):
        entries = resource_entries(load_pe(), RT_MANIFEST)
        cls.entries = entries
        cls.root = None
        if len(entries) == 1:
            cls.root = ET.fromstring(entries[0][2])

    def setUp(self):
        if self.root is None:
            self.fail("expected one manifest resource, found %r"
                      % [(k, lang) for k, lang, _ in self.entries])

    def test_one_resource_id_1_language_neutral(self):
        self.assertEqual([(k, lang) for k, lang, _ in self.entries], [(1, LANG_NEUTRAL)])

    def test_root(self):
        self.assertEqual(self.root.tag, "{%s}assembly" % ASM_V1)
        self.assertEqual(self.root.get("manifestVersion"), "1.0")

    def test_attributes(self):
        v1 = {"v1": ASM_V1}
        v3 = {"v3": ASM_V3}
        cases = [
            ("own identity", "v1:assemblyIdentity", v1,
             {"type": "win32", "name": "RestartRealname", "version": "5.2.0.0",
              "processorArchitecture": "x86"}),
            ("common controls 6",
             "v1:dependency/v1:dependentAssembly/v1:assemblyIdentity", v1,
             {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
              "version": "6.0.0.0", "processorArchitecture": "x86",
              "publicKeyToken": "6595b64144ccf1df", "language": "*"}),
            ("execution level",
             "v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel", v3,
             {"level": "requireAdministrator", "uiAccess": "false"}),
        ]
        for what, path, ns, attributes in cases:
            with self.subTest(what):
                found = self.root.findall(path, ns)
                self.assertEqual(len(found), 1, path)
                self.assertEqual(dict(found[0].attrib), attributes)

    def test_single_dependency(self):
        self.assertEqual(len(self.root.findall("{%s}dependency" % ASM_V1)), 1)

    def test_absent_elements(self):
        names = {local_name(element.tag) for element in self.root.iter()}
        for unwanted in ("dpiAware", "dpiAwareness", "compatibility", "supportedOS"):
            with self.subTest(unwanted):
                self.assertNotIn(unwanted, names)


class VersionBlock(unittest.TestCase):
    """The version resource Explorer shows under the file's properties."""

    def pe(self):
        pe = load_pe()
        if not getattr(pe, "VS_FIXEDFILEINFO", None):
            self.fail("no version resource")
        return pe

    def test_one_resource(self):
        self.assertEqual(len(resource_entries(load_pe(), RT_VERSION)), 1)

    def test_fixed_part(self):
        fixed = self.pe().VS_FIXEDFILEINFO[0]
        version = (1 << 16, 1)  # 1.0.0.1 as MS, LS
        cases = [
            ("signature", fixed.Signature, 0xFEEF04BD),
            ("FileVersion", (fixed.FileVersionMS, fixed.FileVersionLS), version),
            ("ProductVersion", (fixed.ProductVersionMS, fixed.ProductVersionLS), version),
            ("FileFlagsMask", fixed.FileFlagsMask, 0x3F),
            ("FileFlags", fixed.FileFlags, 0),
            ("FileOS", fixed.FileOS, 0x4),     # VOS__WINDOWS32
            ("FileType", fixed.FileType, 0x1),  # VFT_APP
        ]
        for what, actual, expected in cases:
            with self.subTest(what):
                self.assertEqual(actual, expected)

    def blocks(self, key):
        found = []
        for file_info in self.pe().FileInfo:
            for block in file_info:
                if getattr(block, "Key", None) == key:
                    found.append(block)
        return found

    def test_string_table(self):
        infos = self.blocks(b"StringFileInfo")
        self.assertEqual(len(infos), 1)
        tables = infos[0].StringTable
        self.assertEqual([t.LangID for t in tables], [b"080404b0"])
        strings = tables[0].entries
        for key, value in ((b"FileVersion", b"1,0,0,1"), (b"ProductVersion", b"1,0,0,1")):
            with self.subTest(key):
                self.assertEqual(strings.get(key), value)
        for key in (b"CompanyName", b"FileDescription", b"LegalCopyright", b"ProductName"):
            with self.subTest(key):
                self.assertTrue(strings.get(key, b"").strip(), "missing or empty")

    def test_translation(self):
        infos = self.blocks(b"VarFileInfo")
        self.assertEqual(len(infos), 1)
        variables = infos[0].Var
        self.assertEqual(len(variables), 1)
        # pefile renders the pair as "0x<lang> 0x<codepage>".
        pair = [int(x, 16) for x in variables[0].entry[b"Translation"].split()]
        self.assertEqual(pair, [0x0804, 0x04B0])


class Icon(unittest.TestCase):
    """DEFAULT_ICON: one 48x48 image in 32 bits per pixel."""

    @classmethod
    def setUpClass(cls):
        pe = load_pe()
        cls.groups = resource_entries(pe, RT_GROUP_ICON)
        cls.images = {key: data for key, _, data in resource_entries(pe, RT_ICON)}

    def group(self):
        matching = [data for key, lang, data in self.groups
                    if key == "DEFAULT_ICON" and lang == LANG_NEUTRAL]
        self.assertEqual(len(matching), 1,
                         "groups: %r" % [(k, lang) for k, lang, _ in self.groups])
        return matching[0]

    def entries(self):
        data = self.group()
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind), (0, 1))  # 1: icons, not cursors
        self.assertEqual(len(data), 6 + 14 * count)
        return [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(count)]

    def test_one_image_48x48_32bpp(self):
        entries = self.entries()
        self.assertEqual(len(entries), 1)
        width, height, _, _, _, bits, size, image_id = entries[0]
        cases = [("width", width, 48), ("height", height, 48), ("bits per pixel", bits, 32)]
        for what, actual, expected in cases:
            with self.subTest(what):
                self.assertEqual(actual, expected)
        # The image the group points at exists and is what the group says.
        self.assertIn(image_id, self.images)
        image = self.images[image_id]
        self.assertEqual(len(image), size)
        header_size, dib_width, dib_height, _, dib_bits = struct.unpack_from("<IiiHH", image, 0)
        self.assertEqual(header_size, 40)  # BITMAPINFOHEADER
        self.assertEqual((dib_width, dib_height, dib_bits), (48, 96, 32))  # XOR and AND mask


def main():
    global EXE
    if len(sys.argv) < 2:
        sys.exit("usage: check_exe.py path/to/RestartRealname.exe [unittest args]")
    EXE = sys.argv[1]
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)


if __name__ == "__main__":
    main()
