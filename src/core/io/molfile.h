#pragma once
// MDL molfile and SD file records.
#include "base/textfile.h"
#include "model/ctab.h"

#include <ctime>
#include <string>
#include <vector>

namespace velmora {

// Reads the next record (positioned at its first line) and leaves the reader after its "$$$$"
// line or at the end of the file. True only when the atom count was 1..63, every bond was valid
// and entered, and the record ended with "$$$$". An atom count outside 1..63 leaves the table's
// atoms as they were and only replaces the name. Charge ("M  CHG") and isotope ("M  ISO") lines
// before "M  END" override the atom block. A non-number in an atom or bond line throws IoError.
bool ReadMolRecord(TCTab& table, TextReader& file);

// Why the last ReadMolRecord failed, for messages; empty after a success.
struct MolReadStatus {
    bool atomCountOutOfRange = false; // nothing was read; the table keeps its atoms
    bool bondTypeInvalid = false;     // a type outside 1..4, entered as 1
    long long invalidBondType = 0;    // the first such type
    bool bondAtomInvalid = false;     // a bond to an atom outside 1..n or to itself; bonds stop
    bool neighbourOverflow = false;   // an 11th neighbour; bonds stop
    bool missingTerminator = false;
    int atomCount = 0;
    int bondCount = 0;
    // The file ended inside the record: before its counts line, or before all the atom and bond
    // lines it promises. What was read is in the table, but it is not the structure of the file.
    bool truncated = false;
    long lastLine = 0;           // the line the record ends on (the file's last line when truncated)
    bool countsUnreadable = false; // the counts line gives no atom count (also atomCountOutOfRange)
    long countsLineNumber = 0;
    std::string countsLine;        // set when countsUnreadable or v3000
    // The counts line says V3000: the V2000 reader read nothing (also atomCountOutOfRange); the
    // record's lines up to "M  END" are in v3000Block (line ends "\n"), its CAS text in casText.
    bool v3000 = false;
    std::string v3000Block;
    std::string casText;
    bool lineTooLong = false; // a line of the record is longer than kMaxLineLength (cut when read)
    long longLine = 0;        // the first such line
    // The record holds no usable structure.
    bool Rejected() const { return atomCountOutOfRange || bondAtomInvalid; }
    // The record must not be used: rejected, cut short by the end of the file, or with a line too long.
    bool Spoiled() const { return Rejected() || truncated || lineTooLong; }
};
// Why a record with this status is left out or refused as a query ("" after a success): "76 atoms,
// not 1..63", "ends at line 9; its counts line promises 25 atoms and 28 bonds", ... A text that
// starts with "ends at" follows the record's label without a colon ("record 3 ends at ...").
std::string MolReadProblem(const MolReadStatus& status);
// The same for a record given by number alone: "record 1 ends at line 7; ..." for a record cut
// short, else as MolReadProblem.
std::string MolReadProblemOfRecord(const MolReadStatus& status, long record);
bool ReadMolRecord(TCTab& table, TextReader& file, MolReadStatus& status);

// One SD data item: "> <name>", the value line, a blank line.
struct SDDataItem {
    std::string name;
    std::string value; // one line
};

// Appends one SD record as a V2000 molfile with its properties block ("M  END"). An atom whose
// AtWeight is not its element's mass number is written with the atom block's mass difference when
// every such difference lies in -3..+4, else all of them as absolute masses on "M  ISO" lines (which
// replace the atom block's differences). when gives the date and time of line 2 (the current local
// time when null). The data items follow the CAS number item, in their order.
void WriteMolRecord(const TCTab& table, TextWriter& file, const std::string& initials,
                    const std::string& programField, int registryNumber, const std::string& comment,
                    const std::tm* when = nullptr, const std::vector<SDDataItem>& dataItems = {});

// True for the structure-file extensions ".sdf", ".sd" and ".mol" (any case). Such a file is never
// probed as a library: "x.sdf" beside an imported "x.clb" shares its index name "x.III".
bool IsStructureFileName(const std::string& fileName);

// Scales raw coordinates (atoms 1..n, x y z) into the table as the molfile reader does: a common
// factor fits the drawing into 800 x 600 units, each axis from 0, rounded, at most 32767.
void PlaceMolfileCoordinates(TCTab& table, const double (*raw)[3]);
// The charge code the molfile reader stores for a formal charge: +3..+1 as 1..3, -1..-3 as 5..7,
// anything else as 0.
int MolfileChargeCode(long charge);

// Number of lines that equal "$$$$" exactly. Throws IoError when the file cannot be read.
long CountSDRecords(const std::string& fileName);

} // namespace velmora
