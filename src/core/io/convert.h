#pragma once
// Library import and export: SD files (or single molfiles) into structure libraries, every
// record written, read back and compared; libraries back into SD files. The engine reports to a
// Progress and polls it once per record; the Converter adds the converter window's state and its
// messages through a UserDialog.
#include "base/progress.h"
#include "base/userdialog.h"
#include "io/molfile.h"
#include "io/structlib.h"
#include "io/structureformats.h"
#include "io/structuresource.h"

#include <string>
#include <vector>

namespace velmora {

enum class ConversionMode { None, WriteAnew, Append };

struct ImportReport {
    long written = 0;       // records stored in the library
    long skipped = 0;       // records left out: rejected by the reader, or the library cannot hold them
    std::vector<std::string> skipNotes; // "record 12 (NAME): 76 atoms, not 1..63" (first 20)
    long renamed = 0;       // records stored under a changed name
    std::vector<std::string> renameNotes; // "record 3 (CAF?): name changed ..." (first 20)
    bool cut = false;       // the source held text after its last counted record
    bool aborted = false;   // the user stopped it
    bool failed = false;    // a failed write (a full library, a full disk) stopped it
    std::string failure;    // what failed, naming the library
    long failedRecord = 0;  // 1-based number of the record in the source
    bool Completed() const { return !aborted && !failed; }
};

struct ExportReport {
    bool ran = false; // an export ran (a converter prepared for export has not run one yet)
    long written = 0;
    long skipped = 0; // library records that could not be read
    std::vector<std::string> skipNotes;
    bool aborted = false;
    bool Completed() const { return ran && !aborted; }
};

// "ERRORS:  " followed by the name and "; " of every set bit 0..10 of a CompareCtab mask;
// empty when none of them is set.
std::string ReadBackErrorText(std::uint16_t mask);

// Imports source into target, holding the target's lock for writing (LibraryBusy, before
// anything is changed, when another program uses it). A new library, or one written anew, is
// written beside the target and replaces it (its index, companion files and their stamps) only
// once a record is kept; an append deletes the companion files (".idr", ".idp", ".pre", which no
// longer fit) only once it adds a record. An import that keeps no record changes no file. total is the number of "$$$$" lines of the source (the record
// count that decides the cut flag). Every record is written, read back and compared; a record the
// library cannot hold as it was read (an isotope other than 2H, 13C, 15N, 17O, 18O, a bond type
// outside 1..4, an 11th neighbour) is taken out again and counted as skipped, and the import goes
// on. Name bytes of 128 or more (which the library reads as name words) are stored as "?".
// Throws IoError for an unreadable source or a malformed number.
ImportReport ImportStructures(StructureLibrary& library, const std::string& source, long total,
                              const std::string& target, ConversionMode mode, Progress& progress);
// How the import takes its records from the source. ReadAhead reads them on a worker thread
// while the records before are stored; the library, its index and the report come out the same
// as with Direct (one record at a time on the calling thread), and Progress is only called on the
// calling thread. The source may then have been read past the record the import stopped on.
enum class SourceReading { ReadAhead, Direct };

// The same from any source of records; total is the number of records the source announced.
ImportReport ImportStructures(StructureLibrary& library, StructureSource& source, long total,
                              const std::string& target, ConversionMode mode, Progress& progress,
                              SourceReading reading = SourceReading::ReadAhead);

// Writes records 1..total of the library to an SD file (emptied in WriteAnew, appended to in Append).
// Record k also gets the data items recordData[k - 1], where there are any.
ExportReport ExportStructures(StructureLibrary& library, const std::string& libraryName, long total,
                              const std::string& target, ConversionMode mode, Progress& progress,
                              const std::vector<std::vector<SDDataItem>>& recordData = {});

// The file size in " kB" (one decimal below 100) up to 1023 kB, in " MB" from there on.
std::string FileSizeText(const std::string& fileName);

// The SD file an export of this many records writes to when the name was given without an
// extension: ".sdf" for more than one record (an SD file), ".mol" for one (a molfile). A name with
// an extension stays as it is.
std::string ExportFileName(const std::string& chosen, long records);

// The converter window's state and commands, without the window.
class Converter {
public:
    enum class Direction { Import, Export };

    void PrepareImport(const std::string& source, long structureCount);
    // How a SMILES table names its SMILES column (for an import); the source is opened by its kind.
    void SetSourceOptions(const SourceOptions& options) { m_sourceOptions = options; }
    void PrepareExport(const std::string& resultLibrary, long structureCount);
    // SD data items written with the exported records, one list per record (after PrepareExport).
    void SetRecordData(std::vector<std::vector<SDDataItem>> recordData) { m_recordData = std::move(recordData); }
    // A further library whose files an export must not overwrite (the searched library).
    void Protect(const std::string& libraryName) { m_protected.push_back(libraryName); }
    // Asks for the target; an existing file brings the "Replace / Append / Abort" question. The
    // export's dialog offers ".sdf" first when more than one record is exported.
    void SaveAs(UserDialog& dialog);
    // Sets the target without a dialog (the command-line tool); mode as SaveAs would give it. An
    // import target gets ".clb" when it does not end in it. The to-format shows the target's format.
    void SetTarget(const std::string& target, ConversionMode mode);
    // Runs the conversion and shows its message; returns whether it completed. Refuses, with a
    // message, an export onto a file of a library it reads and an import whose source is a file
    // of the target library. A stopped conversion says how far it came and what the target holds
    // now. Afterwards the target's size and format are those of the file as it is.
    bool Convert(StructureLibrary& library, UserDialog& dialog, Progress& progress);
    // Whether an import ran (and so may have changed the target's files), completed or not.
    bool ImportStarted() const { return m_importStarted; }
    // "Exit": true (converted) when the last import completed.
    bool Exit() const { return m_converted; }

    const std::string& Caption() const { return m_caption; }
    bool ConvertEnabled() const { return m_mode != ConversionMode::None; }
    ConversionMode Mode() const { return m_mode; }
    long StructureCount() const { return m_count; }
    const std::string& FromName() const { return m_fromName; }
    const std::string& FromSize() const { return m_fromSize; }
    const std::string& FromFormat() const { return m_fromFormat; }
    const std::string& ToName() const { return m_toName; }
    const std::string& ToSize() const { return m_toSize; }
    const std::string& ToFormat() const { return m_toFormat; }
    const ImportReport& LastImport() const { return m_lastImport; }
    const ExportReport& LastExport() const { return m_lastExport; }

private:
    // Size and format of the target as the file is now (cleared when there is none).
    void ShowTarget();

    Direction m_direction = Direction::Import;
    std::string m_caption;
    long m_count = 0;
    ConversionMode m_mode = ConversionMode::None;
    bool m_converted = false;
    bool m_importStarted = false;
    std::vector<std::string> m_protected; // libraries read by an export
    std::vector<std::vector<SDDataItem>> m_recordData;
    SourceOptions m_sourceOptions;
    std::string m_fromName, m_fromSize, m_fromFormat;
    std::string m_target, m_toName, m_toSize, m_toFormat;
    ImportReport m_lastImport;
    ExportReport m_lastExport;
};

} // namespace velmora
