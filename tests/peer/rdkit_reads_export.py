#!/usr/bin/env python3
"""RDKit, as a peer program, reads every record of an SD file exported by velmora-cli and gets the
source's structures back (canonical SMILES without stereo). Records whose source holds radicals,
which the library does not keep, are the listed exceptions; any other difference fails.

usage: rdkit_reads_export.py VELMORA_CLI SOURCE.sdf
Exit 77 (skipped) when RDKit is not installed."""
import os
import subprocess
import sys
import tempfile

try:
    from rdkit import Chem, RDLogger
except ImportError:
    print("SKIP: RDKit is not installed for this python3 (Debian: python3-rdkit)")
    sys.exit(77)


def records(path):
    """The raw records of an SD file (without their "$$$$" lines)."""
    with open(path, "rb") as f:
        text = f.read().decode("latin-1").replace("\r\n", "\n")
    parts = text.split("$$$$\n")
    return [p for p in parts if p.strip()]


def stored_name(title):
    """The name as the library stores it: upper case, bytes of 128 or more as "?"."""
    return "".join("?" if ord(c) >= 128 else c.upper() for c in title[:255])


def smiles(mol):
    mol = Chem.Mol(mol)
    Chem.RemoveStereochemistry(mol)
    return Chem.MolToSmiles(mol)


def main():
    cli, source = sys.argv[1], sys.argv[2]
    RDLogger.DisableLog("rdApp.*")
    with tempfile.TemporaryDirectory() as work:
        library = os.path.join(work, "sample.clb")
        exported = os.path.join(work, "export.sdf")
        for args in (["import", source, library], ["export", library, exported]):
            run = subprocess.run([cli] + args, capture_output=True, text=True)
            if run.returncode != 0:
                print("velmora-cli %s failed: %s" % (args[0], run.stderr))
                return 1
        src = records(source)
        out = records(exported)
        theirs_all = list(Chem.SDMolSupplier(source))
        read = list(Chem.SDMolSupplier(exported))

    failures, exceptions = [], []
    unread = [i + 1 for i, m in enumerate(read) if m is None]
    if unread:
        failures.append("RDKit cannot read exported records %s" % unread[:20])
    # Pair every exported record with its source record; the import leaves some out (listed).
    j = 0
    for i, record in enumerate(src):
        title = record.split("\n", 1)[0]
        if j < len(out) and out[j].split("\n", 1)[0] == stored_name(title):
            mine, theirs = read[j], theirs_all[i]
            if mine is not None and theirs is not None and smiles(mine) != smiles(theirs):
                radicals = sum(a.GetNumRadicalElectrons() for a in theirs.GetAtoms())
                line = "record %d (%s): %s -> %s" % (i + 1, title, smiles(theirs), smiles(mine))
                (exceptions if radicals else failures).append(
                    line + (" [radicals, which the library does not keep]" if radicals else ""))
            j += 1
    if j != len(out):
        failures.append("only %d of %d exported records match a source record" % (j, len(out)))
    print("%d source records, %d exported, all read by RDKit: %s" % (len(src), len(out), not unread))
    for line in exceptions:
        print("exception: " + line)
    for line in failures:
        print("FAILED: " + line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
