#!/usr/bin/env bash
# Imports every structure file with two builds of velmora-cli and compares what they make: the
# library and its index byte for byte, the exit status, and stdout/stderr (paths made alike), plus
# what `count` prints. Besides the given files it derives, with Debian's RDKit, a SMILES file, a
# SMILES table and a V3000 file from each SD file, so that every reader is compared.
#   scripts/compare-imports.sh OLD_CLI NEW_CLI [FILE...]   (default: the shared data folder beside the checkout, ../shared/data)
# Prints one line per file and command; exits 1 when anything differs.
set -uo pipefail
old=$(realpath "$1") new=$(realpath "$2")
shift 2
files=("$@")
shared=$(dirname "$(realpath "$0")")/../../shared/data
[ ${#files[@]} -eq 0 ] && files=("$shared"/*.sdf "$shared"/*.mol)
work=$(mktemp -d /tmp/compare-imports.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/old" "$work/new"

/usr/bin/python3 - "$work/in" "${files[@]}" <<'EOF'
import os, sys
from rdkit import Chem, RDLogger
RDLogger.DisableLog("rdApp.*")
out = sys.argv[1]
for path in sys.argv[2:]:
    if not path.endswith((".sdf", ".sd", ".mol")):
        continue
    base = os.path.join(out, os.path.splitext(os.path.basename(path))[0])
    mols = [m for m in Chem.SDMolSupplier(path, sanitize=False, removeHs=False) if m is not None]
    with open(base + ".smi", "w") as smi, open(base + ".csv", "w") as csv, open(base + ".v3000.sdf", "w") as v3:
        csv.write("name,smiles\n")
        for m in mols:
            try:
                m.UpdatePropertyCache(False)
                name = m.GetProp("_Name") if m.HasProp("_Name") else ""
                smiles = Chem.MolToSmiles(m)
                block = Chem.MolToV3KMolBlock(m, kekulize=False)
            except Exception:  # a record RDKit cannot write (aromatic rings it cannot kekulize)
                continue
            smi.write(f"{smiles} {name}\n")
            csv.write('"%s",%s\n' % (name.replace('"', '""'), smiles))
            v3.write(block + "$$$$\n")
EOF
extra=("$work"/in/*)
for f in /usr/share/RDKit/Data/NCI/first_5K.smi /usr/share/RDKit/Data/NCI/first_200.tpsa.csv; do
    [ -f "$f" ] && extra+=("$f")
done

status=0
run() { # run CLI SIDE NAME ARGS... -> $work/SIDE/NAME.{out,err,rc}
    local cli=$1 side=$2 name=$3
    shift 3
    (cd "$work/$side" && "$cli" "$@" >"$name.out" 2>"$name.err"; echo $? >"$name.rc")
    sed -i "s#$work/$side#WORK#g" "$work/$side/$name.out" "$work/$side/$name.err"
}
for input in "${files[@]}" "${extra[@]}"; do
    name=$(basename "$input")
    for side in old new; do
        cli=$old
        [ $side = new ] && cli=$new
        run "$cli" $side "$name.count" count "$input"
        run "$cli" $side "$name.import" import "$input" "$work/$side/$name.clb"
    done
    verdict=same
    for part in count.out count.err count.rc import.out import.err import.rc; do
        cmp -s "$work/old/$name.$part" "$work/new/$name.$part" || verdict="differs ($part)"
    done
    for lib in "$name.clb" "$name.III"; do
        if [ -e "$work/old/$lib" ] || [ -e "$work/new/$lib" ]; then
            cmp -s "$work/old/$lib" "$work/new/$lib" || verdict="differs (${lib##*.})"
        fi
    done
    records=$(head -c 200 "$work/new/$name.import.out")
    printf '%-28s %s  %s\n' "$name" "$verdict" "${records%%$'\n'*}"
    if [ "$verdict" != same ]; then
        status=1
        diff <(cat "$work/old/$name.import.err" "$work/old/$name.count.err") \
             <(cat "$work/new/$name.import.err" "$work/new/$name.count.err") | head -8 | sed 's/^/    /'
    fi
done
exit $status
