#pragma once
// What the library viewer needs besides its widgets: where it stands in the library and what its
// position field shows, and the rows of the connection-table listing.
#include "base/userdialog.h"
#include "model/ctab.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

// The typed position: an optionally signed decimal integer between blanks. Anything else counts
// as 0, and so does a number beyond the range of long.
long ParsePosition(std::string_view text);

// Position 1..N in one range (the scroll bar runs over 1..N too). Moves that are not allowed
// change nothing and return false; the caller reads and shows the structure after a true one.
class ViewerNavigation {
public:
    static constexpr long kStep = 10;

    // Back to position 1 of a library of count structures (position 0 when it is empty).
    void Open(long count);
    long Count() const { return m_count; }
    long Position() const { return m_position; }

    // ">>" only when N > position + 10; "<<" only when position - 10 >= 1.
    bool CanStepForward() const { return m_count > m_position + kStep; }
    bool CanStepBack() const { return m_position - kStep >= 1; }
    bool StepForward();
    bool StepBack();
    // The scroll bar moved to value (kept within 1..N).
    bool ScrollTo(long value);
    // "=>" or Enter: a position 1..N is taken; otherwise false, and the field is to get back
    // LastPositionText().
    bool GoTo(std::string_view fieldText);

    // The field text of the position shown: right-aligned in 10. Show() records it as the text
    // an invalid entry returns to.
    std::string PositionText() const;
    void Shown() { m_lastText = PositionText(); }
    const std::string& LastPositionText() const { return m_lastText; }

private:
    long m_count = 0;
    long m_position = 0;
    std::string m_lastText = "     1";
};

// Rows of the connection-table listing: max(n + 1, 17) rows of (atom number, connections). Row 0
// is the heading ("AtomNumber", "connected to"); row i lists atom i's neighbours in slot order,
// each as number, bond symbol ("-", "=", "3", "*", "?" for any other type) and two blanks; rows
// beyond the atoms are empty.
std::vector<std::pair<std::string, std::string>> ConnTabRows(const TCTab& table);

// "Write to file": a save dialog "Save structure" for a molfile; an existing file is replaced,
// appended to or left alone as the user answers. The structure is written as one record. False
// when nothing was written; a write failure throws IoError.
bool WriteStructureFile(UserDialog& dialog, const TCTab& structure);

} // namespace velmora
