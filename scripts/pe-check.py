#!/usr/bin/env python3
"""Checks a built tavelin.exe the way it ships, against the x64 exe of the same
commit: its machine, a GUI subsystem, only the DLLs the x64 exe may import
(and the same ones), no exports, a zero link timestamp, the application
manifest from res/, and a version resource equal to the x64 exe's.

Usage: pe-check.py --machine 0xAA64 --manifest res/tavelin.manifest EXE X64_EXE
Prints one line per failed check and exits 1 when any failed."""

import argparse
import struct
import sys

# DLLs Windows never looks for beside the exe: KnownDLLs, and comctl32
# through the manifest. The same list as the x64 exe's own test.
ALLOWED_IMPORTS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "setupapi.dll",
    "msvcrt.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "comctl32.dll",
}
SUBSYSTEM_WINDOWS_GUI = 2
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE = 0, 1, 2
RT_VERSION, RT_MANIFEST = 16, 24


class PeError(Exception):
    pass


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, count, self.timestamp, _, _, optional_size, _) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        magic = self.u16(opt)
        if magic != 0x20B:
            raise PeError("not a PE32+ image (magic 0x%X)" % magic)
        self.subsystem = self.u16(opt + 68)
        dirs_count = self.u32(opt + 108)
        self.dirs = [struct.unpack_from("<II", data, opt + 112 + 8 * i) for i in range(min(dirs_count, 16))]
        self.sections = []
        sec = opt + optional_size
        for i in range(count):
            _, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, sec + 40 * i)
            self.sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def u16(self, off):
        return struct.unpack_from("<H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.data, off)[0]

    def offset(self, rva):
        for va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise PeError("RVA 0x%X lies beyond its section's data" % rva)
                return rawptr + rva - va
        raise PeError("RVA 0x%X lies in no section" % rva)

    def cstring(self, rva):
        off = self.offset(rva)
        end = self.data.index(b"\0", off)
        return self.data[off:end].decode("ascii", "replace")

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def imported_dlls(self):
        rva, size = self.directory(DIR_IMPORT)
        dlls = []
        if not size:
            return dlls
        off = self.offset(rva)
        while True:
            name_rva = self.u32(off + 12)
            if not name_rva:
                break
            dlls.append(self.cstring(name_rva).lower())
            off += 20
        return dlls

    def resource(self, type_id, name_id=None):
        """The data of the first resource of the type (and id, when given)."""
        rva, size = self.directory(DIR_RESOURCE)
        if not size:
            return None
        base = self.offset(rva)

        def entries(table):
            named, ids = struct.unpack_from("<HH", self.data, base + table + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + table + 16 + 8 * i)
                yield name, target

        def first_leaf(target):
            while target & 0x80000000:
                target = next(entries(target & 0x7FFFFFFF))[1]
            data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
            off = self.offset(data_rva)
            return self.data[off:off + data_size]

        for name, target in entries(0):
            if name == type_id and target & 0x80000000:
                for sub_name, sub_target in entries(target & 0x7FFFFFFF):
                    if name_id is None or sub_name == name_id:
                        return first_leaf(sub_target)
        return None


def check(exe_path, x64_path, machine, manifest_path):
    problems = []
    exe = PeImage(open(exe_path, "rb").read())
    x64 = PeImage(open(x64_path, "rb").read())
    if exe.machine != machine:
        problems.append("machine 0x%04X, not 0x%04X" % (exe.machine, machine))
    if exe.subsystem != SUBSYSTEM_WINDOWS_GUI:
        problems.append("subsystem %d, not the GUI subsystem (2)" % exe.subsystem)
    dlls = exe.imported_dlls()
    if not dlls:
        problems.append("no imports at all")
    for dll in sorted(set(dlls) - ALLOWED_IMPORTS):
        problems.append("imports %s, which Windows may look for beside the exe" % dll)
    if set(dlls) != set(x64.imported_dlls()):
        problems.append("imports %s where the x64 exe imports %s"
                        % (sorted(set(dlls)), sorted(set(x64.imported_dlls()))))
    if exe.directory(DIR_EXPORT)[1]:
        problems.append("has an export table")
    if exe.timestamp:
        problems.append("link timestamp 0x%08X, not zero" % exe.timestamp)
    manifest = exe.resource(RT_MANIFEST, 1)
    expected = open(manifest_path, "rb").read()
    if manifest is None:
        problems.append("no application manifest (RT_MANIFEST 1)")
    elif manifest != expected:
        problems.append("the manifest differs from %s" % manifest_path)
    version = exe.resource(RT_VERSION)
    if version is None:
        problems.append("no version resource")
    elif version != x64.resource(RT_VERSION):
        problems.append("the version resource differs from the x64 exe's")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--machine", required=True, type=lambda s: int(s, 0))
    parser.add_argument("--manifest", required=True)
    parser.add_argument("exe")
    parser.add_argument("x64_exe")
    args = parser.parse_args()
    try:
        problems = check(args.exe, args.x64_exe, args.machine, args.manifest)
    except (OSError, PeError, struct.error, ValueError, StopIteration) as error:
        problems = ["cannot be read as a PE image: %s" % error]
    for problem in problems:
        print("%s: %s" % (args.exe, problem))
    if not problems:
        print("%s: machine 0x%04X, GUI, allowed imports, no exports, zero timestamp, manifest and version resource"
              % (args.exe, args.machine))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
