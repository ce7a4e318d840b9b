#!/usr/bin/env python3
"""Writes N SD records by cycling through an SD file, titled 1..N, line ends kept.

usage: make_scaled.py N OUT.sdf [SOURCE.sdf]   (SOURCE defaults to ../shared/data/nci5k.sdf)
"""
import os
import sys


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    count = int(sys.argv[1])
    here = os.path.dirname(os.path.abspath(__file__))
    source = sys.argv[3] if len(sys.argv) > 3 else os.path.join(here, '..', '..', 'shared', 'data', 'nci5k.sdf')
    data = open(source, 'rb').read()
    eol = b'\r\n' if b'\r\n' in data else b'\n'
    records = [r for r in data.split(b'$$$$' + eol) if r.strip()]
    with open(sys.argv[2], 'wb') as out:
        for i in range(count):
            record = records[i % len(records)]
            out.write(str(i + 1).encode() + record[record.index(eol):] + b'$$$$' + eol)


if __name__ == '__main__':
    main()
