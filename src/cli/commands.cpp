// velmora-cli's one table of commands: name, usage line, summary and help text, and the function
// that runs the command. The overview ('velmora-cli --help') lists them in this order.
#include "command.h"

#include "search/coefficients.h"

namespace velmora::cli {

namespace {

// The help names the coefficients as the table spells them for the command line.
std::string SearchHelp()
{
    return std::string(
           "QUERY is a molfile, an SD file (its first record), a library (its first structure) or a\n"
           "SMILES file (its first line); --query-smiles gives the query as a SMILES string instead\n"
           "(kekulized, laid out in 2D, named by the string).\n"
           "Descriptors are named as 'velmora-cli descriptors --list' prints them, or taken from a\n"
           "set of crits.txt (see 'velmora-cli sets --help'; --sets-file FILE takes another file),\n"
           "or chosen from the query's augmented atoms.\n"
           "C is ") + TypedCoefficientList(" (default)") + "; N is 1..200\n"
           "(default 50, or the library size when smaller). A library without a descriptor file\n"
           "is searched in INTRO mode (group counts computed while searching). Questions such as\n"
           "'calculate the library parameters now?' are answered No unless --yes is given.\n"
           "--export writes the best matches to an SD file (never onto a file of the library or of\n"
           "its result library); --ascii writes the library's .asc table;\n"
           "--report writes DIR/report.txt and DIR/report.html (drawings and the distribution diagram,\n"
           "self-contained: it opens in any browser).\n"
           "--explain K prints, for the best K matches, every descriptor's part of the value, closest\n"
           "first (raw and scaled values, the coefficient's term, its share); with --report the HTML\n"
           "report shows it as a bar chart per match.\n"
           "--verbose also prints the information messages.\n"
           "Filters keep the best N structures that pass them all, in the order of the unfiltered\n"
           "ranking: --smarts P keeps structures containing the SMARTS pattern P, --not-smarts P drops\n"
           "them (both repeatable); --alerts pains,brenk,nih,zinc drops structures matching those RDKit\n"
           "filter catalogues; --range \"NAME=LO..HI\" keeps structures whose raw value of the descriptor\n"
           "lies in LO..HI, ends included (repeatable; an open end is left empty: NAME=..HI, NAME=LO..).\n"
           "Patterns and catalogues are checked by RDKit in rank order; a structure RDKit cannot read\n"
           "fails them. The report names the filters and how many structures each removed.\n"
           "--queries FILE searches with a query set instead of one query: every record of an SD\n"
           "file, a SMILES file, a library or a library set is a query (records that cannot be read are left out\n"
           "and listed). The library is read once for all queries; --fusion gives each structure\n"
           "max (default: its best value against any query, the report names that query), mean\n"
           "(the mean of its values) or rrf (the sum of 1/(60 + rank) over the queries' rankings,\n"
           "larger is better). --query-aug cannot be used with --queries. The filters keep the best\n"
           "N that pass in the fused order, with the unfiltered fused values (rrf ranks included).\n";
}

// The compare command's help, naming the coefficients as the search's does.
std::string CompareHelp()
{
    return std::string(
           "Every structure of A is the query of a search of B, as 'velmora-cli search B.clb' would\n"
           "take it from A: its values are those of that search (B's parameters scale both sides) and\n"
           "its best K (1..200, default 5; equal values: the earlier B position first) its ranks.\n"
           "Descriptors, --coefficient, --mode and --yes as for search; C is ") + TypedCoefficientList(" (default)") + ".\n"
           "PAIRS.tsv: a header line, then per A structure its rows: A position, A name, rank,\n"
           "B position, B name, value (4 decimals, as the report prints it), tab-separated; tabs and\n"
           "line breaks in names become blanks. A structures that cannot be read are listed and left out.\n"
           "--similar S.clb: B's structures whose value against at least one A structure is within T\n"
           "(<= T for distances, >= T for similarities), in B order; --dissimilar D.clb: the others\n"
           "(a structure the search gives no value, one not registered in B's descriptor file, is in neither).\n"
           "T (0 or more) is compared with the value as printed. The files are written whole once the\n"
           "comparison is complete, each replacing a file of its name; Ctrl-C writes none. A may be B.\n"
           "A and B may be library sets (.vset). --range NAME=LO..HI (repeatable, as for search): only\n"
           "B's structures whose raw value lies in every range take part (in no row and neither file\n"
           "otherwise), so each A structure's rows are those of its search with these ranges; the\n"
           "structural filters (--smarts, --not-smarts, --alerts) are refused.\n";
}

} // namespace

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands{
        {"build",
         "build LIBRARY",
         "Compute every descriptor of every structure (NORMAL mode): the .pre and .idp files.",
         "The descriptor file is built as .pr1 and renamed to .pre when complete; Ctrl-C keeps\n"
         "the previous .pre and .idp.\n",
         &BuildCommand},
        {"compare",
         "compare A.clb B.clb (--descriptors NAME,... | --set NAME) --pairs PAIRS.tsv [--coefficient C] [--k K] "
         "[--similar S.clb] [--dissimilar D.clb] [--threshold T] [--mode normal|intro] [--yes] [--sets-file FILE] "
         "[--range NAME=LO..HI]...",
         "Search library B with every structure of library A: the K best of each, and B's (dis)similar part.",
         CompareHelp(),
         &CompareCommand},
        {"count",
         "count SOURCE [--smiles-column COL]",
         "Count the records of an SD file (its \"$$$$\" lines) or a SMILES file (its structure lines).",
         "A molfile without a \"$$$$\" line counts 0. A SMILES file counts its lines that are\n"
         "neither blank nor its header; the import reads as many records.\n",
         &CountCommand},
        {"descriptors",
         "descriptors SOURCE | --list",
         "writes all 149 descriptors of every structure of an SD file or library as TSV",
         "SOURCE is an SD file or molfile, or a structure library (a name ending in .clb).\n"
         "Output on stdout, tab-separated: a header row '#', 'Name' and the\n"
         "149 descriptor names in list order, then one row per structure: its position,\n"
         "its name (tabs turned into blanks) and the 149 values. Counts and TopoRad,\n"
         "TopoDia and 'Number of rings' are integers, the other values reals with 17\n"
         "significant digits. A record that could not be read completely has '*' after\n"
         "its position and the values of what was read; when nothing could be read its\n"
         "fields are empty.\n"
         "--list prints list position, catalogue index and name of every descriptor.\n"
         "The exit status is 1 when not one record could be read.\n",
         &DescriptorsCommand},
        {"draw",
         "draw SOURCE POSITION -o FILE.svg [--mode 0..3] [--size WxH]",
         "draws one structure of a library or an SD file as an SVG picture",
         "SOURCE is a structure library (.clb) or an SD file / molfile; POSITION counts\n"
         "structures from 1. The picture is the structure fitted into WxH pixels (default\n"
         "400x300) less a 24-pixel margin, bonds at most 50 pixels long.\n"
         "Label modes: 0 charged and isolated atoms, 1 hetero atoms too (default),\n"
         "2 every atom, 3 atom numbers.\n",
         &DrawCommand},
        {"export",
         "export LIBRARY TARGET.sdf [--append]",
         "Write every structure of a library to an SD file.",
         "The SD file is replaced unless --append is given; it is never one of the library's\n"
         "own files. Records that cannot be read (empty or damaged) are left out and listed;\n"
         "when not one can be read the exit status is 1.\n",
         &ExportCommand},
        {"import",
         "import SOURCE LIBRARY [--append|--replace] [--smiles-column COL]",
         "Read an SD file, molfile or SMILES file into a structure library (.clb and .III).",
         "SOURCE is an SD file or molfile (V2000; V3000 records are read through RDKit), or a\n"
         "SMILES file: .smi/.smiles (SMILES, blanks, name on each line) or a table .csv/.tsv\n"
         "with a header line; --smiles-column names its SMILES column by header name or\n"
         "1-based number (default: the column \"smiles\", else the one column whose name\n"
         "holds \"smiles\"; a table without one is refused, listing its columns), the name\n"
         "comes from a column \"name\", \"title\" or \"id\", else the line number. Records are\n"
         "left out, with their line and why, when a SMILES holds a control byte or a byte of\n"
         "128 or more, a quoted field runs over a line break, a line is over 1 MiB (in SD\n"
         "files too), or an SD record ends before the atoms and bonds its counts line\n"
         "promises. SMILES structures are kekulized and laid out in 2D; hydrogens are atoms\n"
         "only where written as [H].\n"
         "Every record is written, read back and compared with what was read. Records with\n"
         "more than 63 atoms (or none), and records the library cannot hold as they are\n"
         "(isotopes other than 2H 13C 15N 17O 18O, bond types outside 1..4, an 11th\n"
         "neighbour), are skipped and listed; name bytes of 128 or more are stored as \"?\".\n"
         "An existing library needs --append (add after its last record) or --replace\n"
         "(start it anew); either way the library's parameter files (.idr, .idp, .pre)\n"
         "are deleted, as they no longer fit, once a record is written. A library imported\n"
         "anew replaces the previous one only then: until its first record is written it\n"
         "is staged in the folder LIBRARY-import beside it.\n"
         "Ctrl-C stops after the current record; the records written stay readable.\n"
         "LIBRARY gets \".clb\" when it does not end in it; its index and parameter files are\n"
         "named from it. Exit status 0 also when records were left out (a warning says how\n"
         "many), 1 when the import failed (the message says how many structures were written)\n"
         "or kept not one record (no library is made then; one replaced or appended to stays\n"
         "as it was).\n",
         &ImportCommand},
        {"params",
         "params LIBRARY",
         "Compute the INTRO-mode parameters (.idr) from the group counts of the structures.",
         "The previous .idr is kept as .id1.\n",
         &ParamsCommand},
        {"search",
         "search LIBRARY (QUERY | --query-smiles SMILES) (--descriptors NAME,... | --set NAME | --query-aug) [--coefficient C] "
         "[--best N] [--mode normal|intro] [--export HITS.sdf] [--report DIR] [--explain K] [--ascii] [--yes] "
         "[--sets-file FILE] [--smarts P]... [--not-smarts P]... [--alerts NAMES] [--range NAME=LO..HI]... "
         "[--queries FILE [--fusion max|mean|rrf] instead of QUERY]",
         "Rank a library against a query structure and print the report.",
         SearchHelp(),
         &SearchCommand},
        {"sets",
         "sets (list | show NAME | save NAME DESCRIPTOR,... | delete NAME) [--dir DIR | --sets-file FILE]",
         "Manage the named descriptor sets in crits.txt.",
         "crits.txt lives in the current directory when it is writable, otherwise in\n"
         "$XDG_DATA_HOME/velmora (~/.local/share/velmora); --dir DIR takes DIR/crits.txt,\n"
         "--sets-file FILE any file. A set name must not be empty or blank nor hold line\n"
         "breaks, tabs or other control characters. Lines of a damaged file that cannot be\n"
         "read are skipped and listed as warnings. Descriptor names are as\n"
         "'velmora-cli descriptors --list' prints them.\n",
         &SetsCommand},
        {"show",
         "show LIBRARY POSITION",
         "Print one library structure: name, CAS number, atom and bond counts, then the molfile.",
         "POSITION counts from 1. The molfile is written as the export writes it.\n",
         &ShowCommand},
        {"stats",
         "stats LIBRARY",
         "Print the library statistics report: structures, salts, coordinates, functional groups.",
         "Counted from the descriptor file (.pre) when there is one, else from the structures\n"
         "(explicit hydrogens removed first).\n",
         &StatsCommand},
    };
    return commands;
}

} // namespace velmora::cli
