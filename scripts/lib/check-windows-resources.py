#!/usr/bin/env python3
"""Checks what Windows and Explorer read from the program's resources: the version resource's
numbers and strings, and the application manifest.

Usage: check-windows-resources.py FILE VERSION PRODUCT PUBLISHER [WINDRES]
FILE is a compiled resource file (.res), or with WINDRES a resource script or a program to read
the resources from. Prints one line per fault and exits with their count."""
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

RT_VERSION, RT_MANIFEST = 16, 24


def resource_id(data, at):
    """A type or name of a .res header: a number after 0xFFFF, else a NUL-ended UTF-16 string."""
    (first,) = struct.unpack_from('<H', data, at)
    if first == 0xFFFF:
        return struct.unpack_from('<H', data, at + 2)[0], at + 4
    end = at
    while data[end:end + 2] != b'\0\0':
        end += 2
    return data[at:end].decode('utf-16-le'), end + 2


def resources(data):
    """(type, name, bytes) of each entry; numeric types and names as ints."""
    offset = 0
    while offset + 8 <= len(data):
        size, header_size = struct.unpack_from('<II', data, offset)
        kind, at = resource_id(data, offset + 8)
        name, _ = resource_id(data, at)
        body = offset + header_size
        yield kind, name, data[body:body + size]
        offset = (body + size + 3) & ~3


def version_blocks(data, offset=0, end=None):
    """Walks a VS_VERSIONINFO tree: (key, value bytes, value type, children offset range)."""
    end = len(data) if end is None else end
    while offset + 6 <= end:
        length, value_length, value_type = struct.unpack_from('<HHH', data, offset)
        if length == 0:
            break
        key_end = offset + 6
        while data[key_end:key_end + 2] != b'\0\0':
            key_end += 2
        key = data[offset + 6:key_end].decode('utf-16-le')
        value_start = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if value_type == 1 else value_length
        value = data[value_start:value_start + value_bytes]
        children = (value_start + value_bytes + 3) & ~3
        yield key, value, value_type, (children, offset + length)
        offset = (offset + length + 3) & ~3


def read_resources(path, windres):
    if not windres:
        return open(path, 'rb').read()
    with tempfile.TemporaryDirectory() as folder:
        res = os.path.join(folder, 'out.res')
        subprocess.run([windres, '-i', path, '-O', 'res', '-o', res], check=True)
        return open(res, 'rb').read()


def main(path, version, product, publisher, windres=None):
    faults = []
    entries = {(kind, name): body for kind, name, body in resources(read_resources(path, windres))}

    info = entries.get((RT_VERSION, 1))
    if info is None:
        faults.append('no version resource')
    else:
        key, fixed, _, (start, stop) = next(version_blocks(info))
        signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from('<6I', fixed)
        numbers = [int(part) for part in version.split('.')] + [0]
        expected_ms, expected_ls = numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]
        if key != 'VS_VERSION_INFO' or signature != 0xFEEF04BD:
            faults.append('the version resource has no fixed part')
        if (file_ms, file_ls) != (expected_ms, expected_ls):
            faults.append(f'file version {file_ms >> 16}.{file_ms & 0xFFFF}.{file_ls >> 16} is not {version}')
        if (product_ms, product_ls) != (expected_ms, expected_ls):
            faults.append(f'product version is not {version}')
        strings = {}
        for block, _, _, (b_start, b_stop) in version_blocks(info, start, stop):
            if block != 'StringFileInfo':
                continue
            for _, _, _, (t_start, t_stop) in version_blocks(info, b_start, b_stop):
                for name, value, _, _ in version_blocks(info, t_start, t_stop):
                    strings[name] = value.decode('utf-16-le').rstrip('\0')
        wanted = {'FileVersion': version, 'ProductVersion': version, 'ProductName': product,
                  'CompanyName': publisher, 'OriginalFilename': 'taskclear.exe'}
        for name, value in wanted.items():
            if strings.get(name) != value:
                faults.append(f'{name} is {strings.get(name)!r}, not {value!r}')
        for name in ('FileDescription', 'LegalCopyright'):
            if not strings.get(name):
                faults.append(f'no {name}')
        if publisher not in strings.get('LegalCopyright', ''):
            faults.append('LegalCopyright does not name the publisher')

    manifest = entries.get((RT_MANIFEST, 1))
    if manifest is None:
        faults.append('no application manifest (resource 24/1)')
    else:
        root = ET.fromstring(manifest)
        by_tag = {element.tag.split('}')[-1]: element for element in root.iter()}
        level = by_tag.get('requestedExecutionLevel')
        if level is None or level.get('level') != 'asInvoker':
            faults.append('the manifest does not run the program as invoker')
        windows_10_and_11 = '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
        if windows_10_and_11 not in [e.get('Id') for e in root.iter() if e.tag.endswith('supportedOS')]:
            faults.append('the manifest does not declare Windows 10 and 11')
        awareness = by_tag.get('dpiAwareness')
        if awareness is None or awareness.text.strip() != 'PerMonitorV2':
            faults.append('the manifest does not make the program per-monitor DPI aware (v2)')
        controls = [e for e in root.iter() if e.tag.endswith('assemblyIdentity')
                    and e.get('name') == 'Microsoft.Windows.Common-Controls']
        if not controls or controls[0].get('version') != '6.0.0.0':
            faults.append('the manifest does not ask for Common Controls 6')

    for fault in faults:
        print(f'FAIL: {fault}')
    if not faults:
        print('windows resources: version', version, 'and the manifest are in place')
    return len(faults)


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:6]))
