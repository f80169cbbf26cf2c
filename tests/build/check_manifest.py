#!/usr/bin/env python3
"""Reads the manifest (resource type 24, id 1) out of a built Setup.exe and checks it as XML:
administrator rights asked for, the five systems from Vista to 11 named, no DPI awareness,
no common controls 6. Prints what is wrong and exits 1, or exits 0."""
import struct
import sys
import xml.etree.ElementTree as ET

SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10/11",
}


def resources(image):
    """{(type, id): [data, ...]} of the numbered resources of a PE image, one per language."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", image, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = []
    for i in range(sections):
        vsize, va, rawsize, raw = struct.unpack_from("<IIII", image, table + 40 * i + 8)
        spans.append((va, max(vsize, rawsize), raw))

    def offset(rva):
        for va, size, raw in spans:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("RVA %#x in no section" % rva)

    base = offset(rsrc_rva)

    def entries(at):
        named, numbered = struct.unpack_from("<12xHH", image, base + at)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, base + at + 16 + 8 * i)
            yield (None if name & 0x80000000 else name), target

    found = {}
    for rtype, t in entries(0):
        if rtype is None or not t & 0x80000000:
            continue
        for rid, n in entries(t & 0x7FFFFFFF):
            if rid is None or not n & 0x80000000:
                continue
            for _, leaf in entries(n & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", image, base + (leaf & 0x7FFFFFFF))
                found.setdefault((rtype, rid), []).append(image[offset(rva):offset(rva) + size])
    return found


def problems(image):
    res = resources(image)
    manifests = [k for k in res if k[0] == 24]
    if manifests != [(24, 1)] or len(res[(24, 1)]) != 1:
        return ["want exactly one manifest, type 24 id 1, in one language; found %r" % manifests]
    try:
        root = ET.fromstring(res[(24, 1)][0])
    except ET.ParseError as e:
        return ["the manifest is not well-formed XML: %s" % e]
    out = []
    if root.tag != "{urn:schemas-microsoft-com:asm.v1}assembly" or root.get("manifestVersion") != "1.0":
        out.append("the root is %s, manifestVersion %s" % (root.tag, root.get("manifestVersion")))
    local = lambda e: e.tag.rsplit("}", 1)[-1]
    levels = [e for e in root.iter() if local(e) == "requestedExecutionLevel"]
    if len(levels) != 1:
        out.append("%d requestedExecutionLevel elements" % len(levels))
    else:
        level = levels[0]
        if level.get("level") != "requireAdministrator" or level.get("uiAccess") != "false":
            out.append("requestedExecutionLevel %r" % level.attrib)
        trust = [e for e in root if local(e) == "trustInfo"]
        if not trust or not any(level is e for e in trust[0].iter()):
            out.append("requestedExecutionLevel is not inside trustInfo")
    ids = [e.get("Id", "").lower() for e in root.iter()
           if e.tag == "{urn:schemas-microsoft-com:compatibility.v1}supportedOS"]
    if sorted(ids) != sorted(SUPPORTED_OS):
        out.append("supportedOS %s, want %s" % (sorted(ids), sorted(SUPPORTED_OS)))
    for e in root.iter():
        if local(e) in ("dpiAware", "dpiAwareness"):
            out.append("the manifest declares DPI awareness (%s)" % local(e))
        if local(e) == "assemblyIdentity" and "Common-Controls" in (e.get("name") or ""):
            out.append("the manifest asks for common controls %s" % e.get("version"))
        if local(e) == "dependency":
            out.append("the manifest depends on another assembly")
    return out


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        found = problems(f.read())
    for p in found:
        print("manifest: " + p)
    sys.exit(1 if found else 0)
