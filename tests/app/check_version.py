#!/usr/bin/env python3
"""Reads the version resource and the application manifest back from the
built program (wrestool, from Debian's icoutils, extracts them) and checks
what Windows will find there. The version's four numbers are worked out
here from the version as users see it ("1.02" is 1.2.0.0), not taken from
the build, which made the resource with them.

  check_version.py WRESTOOL PROGRAM VERSION_TEXT
"""
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
DPI_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}


def resource(wrestool, program, kind):
    """The raw bytes of resource `kind`, name 1, and the number of them."""
    listing = subprocess.run([wrestool, "-l", f"--type={kind}", program],
                             check=True, capture_output=True, text=True).stdout
    raw = subprocess.run([wrestool, "-x", "--raw", f"--type={kind}", "--name=1", program],
                         check=True, capture_output=True).stdout
    return raw, len(listing.splitlines())


def string_value(raw, key):
    """A value of the version resource's string table: in UTF-16, the key,
    its NUL and padding, then the value up to its NUL."""
    match = re.search(key + "\0+([^\0]*)", raw.decode("utf-16-le", errors="replace"))
    return match.group(1) if match else None


def four_numbers(text):
    """"1.02" as Windows numbers a version: each part a number, missing
    parts 0."""
    parts = [int(part) for part in text.split(".")]
    return ".".join(str(part) for part in parts + [0] * (4 - len(parts)))


def dotted(most, least):
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def check_version(raw, count, text, numbers):
    signature = struct.pack("<I", 0xFEEF04BD)  # starts the fixed file information
    if signature not in raw:
        return ["no version resource"]
    problems = [] if count == 1 else [f"{count} version resources, not one"]
    fixed = struct.unpack_from("<6I", raw, raw.index(signature))
    for what, most, least in (("file", fixed[2], fixed[3]), ("product", fixed[4], fixed[5])):
        if dotted(most, least) != numbers:
            problems.append(f"{what} version {dotted(most, least)}, not {numbers}")
    wanted = {"FileVersion": text, "ProductVersion": text, "ProductName": "TORVA NT",
              "OriginalFilename": "TORVA.EXE"}
    for key, value in wanted.items():
        if string_value(raw, key) != value:
            problems.append(f"{key} is {string_value(raw, key)!r}, not {value!r}")
    if not string_value(raw, "FileDescription"):
        problems.append("no FileDescription")
    if "Copyright" not in (string_value(raw, "LegalCopyright") or ""):
        problems.append(f"LegalCopyright is {string_value(raw, 'LegalCopyright')!r}")
    print("version:", dotted(fixed[2], fixed[3]), {k: string_value(raw, k) for k in wanted})
    return problems


def check_manifest(raw, count, numbers):
    if not raw:
        return ["no manifest"]
    problems = [] if count == 1 else [f"{count} manifests, not one"]
    root = ET.fromstring(raw)
    identity = root.find(ASM_V1 + "assemblyIdentity")
    wanted = {"type": "win32", "name": "TORVA.NT.Calculator", "version": numbers}
    if identity is None or {key: identity.get(key) for key in wanted} != wanted:
        problems.append(f"assemblyIdentity is {None if identity is None else identity.attrib}, "
                        f"not {wanted}")
    dpi = [e.text for e in root.iter(DPI_SETTINGS + "dpiAware")]
    if dpi != ["true"]:
        problems.append(f"dpiAware is {dpi}, not ['true']")
    awareness = [e.text for e in root.iter("{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness")]
    if awareness != ["PerMonitorV2, System"]:
        problems.append(f"dpiAwareness is {awareness}, not ['PerMonitorV2, System']")
    ids = {e.get("Id") for e in root.iter(COMPATIBILITY + "supportedOS")}
    if ids != SUPPORTED_OS:
        problems.append(f"supported OS ids {sorted(ids)}")
    if any(e.tag.endswith("requestedExecutionLevel") or e.tag.endswith("trustInfo")
           for e in root.iter()):
        problems.append("an execution level is requested")
    if any(e.get("name") == "Microsoft.Windows.Common-Controls"
           for e in root.iter(ASM_V1 + "assemblyIdentity")):
        problems.append("common controls 6 are asked for")
    print("manifest: dpiAware", dpi, "and", len(ids), "supported OS ids")
    return problems


def main():
    wrestool, program, text = sys.argv[1:4]
    numbers = four_numbers(text)
    problems = check_version(*resource(wrestool, program, 16), text, numbers)
    problems += check_manifest(*resource(wrestool, program, 24), numbers)
    for problem in problems:
        print(f"{program}: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
