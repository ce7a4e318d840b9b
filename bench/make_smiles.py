#!/usr/bin/python3
"""Writes N lines "SMILES name" by cycling through the structures of an SD file (read by RDKit),
named 1..N; the SMILES are RDKit's canonical ones (aromatic, implicit hydrogens).

usage: make_smiles.py N OUT.smi [SOURCE.sdf]   (SOURCE defaults to ../shared/data/nci5k.sdf)
"""
import os
import sys

from rdkit import Chem, RDLogger


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    RDLogger.DisableLog('rdApp.*')
    count = int(sys.argv[1])
    here = os.path.dirname(os.path.abspath(__file__))
    source = sys.argv[3] if len(sys.argv) > 3 else os.path.join(here, '..', '..', 'shared', 'data', 'nci5k.sdf')
    smiles = [Chem.MolToSmiles(m) for m in Chem.SDMolSupplier(source) if m is not None]
    with open(sys.argv[2], 'w') as out:
        for i in range(count):
            out.write('%s %d\n' % (smiles[i % len(smiles)], i + 1))


if __name__ == '__main__':
    main()
