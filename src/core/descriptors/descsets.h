#pragma once
// Choosing descriptors and the user's named descriptor sets in crits.txt: the logic of the
// descriptor dialog without its window. The selection is held by list position (0..148);
// Refresh mirrors it into DescSelected.
#include "base/userdialog.h"
#include "descriptors/catalogue.h"

#include <array>
#include <string>
#include <vector>

namespace velmora {

inline constexpr const char* kNoDescriptorSet = "[none]";

// Why a descriptor set cannot be named so (empty, blank, a control character such as a line
// break or Ctrl-Z, which would break the file); empty when the name can be saved.
std::string SetNameProblem(const std::string& name);
// A set name as it is stored and compared: without the blanks around it ("  carbonyls " and
// "carbonyls" name one set). Blanks inside stay.
std::string TrimSetName(const std::string& name);
// The index in names (from SetNames) of the set called name, compared trimmed; 0 ("[none]") when
// no set is called so.
int FindSetName(const std::vector<std::string>& names, const std::string& name);

// crits.txt and crits.dum in a directory (or a set file of any name and its ".dum"). Line 1:
// "N [none]"; per set "K name" and K list positions. Lines that cannot be read are skipped and
// reported; rewriting the file drops them.
class DescriptorSetFile {
public:
    explicit DescriptorSetFile(std::string directory);
    static DescriptorSetFile AtPath(const std::string& file);
    const std::string& Path() const { return m_path; }

    // "[none]" followed by the set names in file order; only "[none]" when the file is missing.
    // problems receives one line per unreadable line ("crits.txt line 4: ..., skipped").
    std::vector<std::string> ReadNames(std::vector<std::string>* problems = nullptr) const;
    // The list positions of set number (1-based), in file order.
    std::vector<int> ReadSet(int number) const;
    // Appends a set under its trimmed name (the count on line 1 raised), by way of the temporary
    // file. Throws IoError for a name SetNameProblem refuses and for a name the file already holds.
    void Append(const std::string& name, const std::vector<int>& positions) const;
    // Removes set number (1-based), rewriting the file by way of the temporary file.
    void Remove(int number) const;

private:
    struct Parsed;
    Parsed Parse() const;
    // Writes the sets except number skip (0-based; none when out of range).
    void Rewrite(const Parsed& parsed, std::size_t skip) const;

    std::string m_path;
    std::string m_temporary;
};

// Whether a descriptor can discriminate in the library: its standard deviation in the parameter
// file of the mode (".idp" NORMAL, ".idr" INTRO) is greater than 0. False when the file is missing
// or the index is outside 0..151; throws IoError when the file is damaged (ReadParameterFile).
bool LibraryCheck(const std::string& libraryName, DescriptorMode mode, int catalogueIndex);

// What the selection needs to know of the workbench.
struct SelectionContext {
    std::string libraryName;
    DescriptorMode mode = DescriptorMode::Normal;
    DescriptorChoice& choice;
};

class DescriptorSelection {
public:
    explicit DescriptorSelection(std::string critsDirectory);

    const std::vector<std::string>& SetNames() const { return m_setNames; }
    int CurrentSet() const { return m_currentSet; } // 0 is "[none]"
    bool IsChosen(int position) const { return m_chosen[static_cast<std::size_t>(position)]; }
    std::vector<int> ChosenPositions() const;
    std::vector<std::string> ChosenNames() const;
    int ChosenCount() const;
    const DescriptorSetFile& SetFile() const { return m_file; }
    // Keeps the sets in another file from now on.
    void UseSetFile(const std::string& path);
    // The lines of the set file that the last FillSetList skipped.
    const std::vector<std::string>& SetFileProblems() const { return m_fileProblems; }

    // Re-reads the set names; "[none]" becomes the current entry.
    void FillSetList();
    // Re-reads the set names after the file changed outside (another program saved or deleted a
    // set); the current set stays current when its name is still there, else "[none]" is current.
    // The chosen descriptors stay. True when the names or the current entry changed.
    bool ReloadSetList();
    // A click on a list item toggles it; an item that fails the library check is shown the reason
    // and left unchosen.
    void ClickDescriptor(int position, SelectionContext& context, UserDialog& dialog);
    // Chooses the set at index in SetNames(): "[none]" deselects all; a user set is chosen item by
    // item, those failing the library check are cut and named in one warning.
    void ChooseSet(int index, SelectionContext& context, UserDialog& dialog);
    // Asks for a name and appends the chosen descriptors as a new set under the trimmed name. False
    // when nothing was saved (an empty, blank or control-character name, or one that names a set
    // already, is refused with a message).
    bool Save(SelectionContext& context, UserDialog& dialog);
    // Deletes the current set after confirmation; the set of that name, wherever the file holds it
    // now. False when nothing was deleted.
    bool Delete(SelectionContext& context, UserDialog& dialog);
    void DeselectAll(SelectionContext& context);
    // Chooses exactly the augmented-atom descriptors that occur in the query (and pass the library
    // check); the other families keep their state.
    void AugAtomsOfMyMolecule(const TCTab& query, SelectionContext& context);
    // The same from the dialog's button. Where the mode does not offer augmented atoms (INTRO),
    // it says so with the warning a click on one of them gives, and leaves every one unchosen;
    // false then.
    bool AugAtomsOfMyMolecule(const TCTab& query, SelectionContext& context, UserDialog& dialog);
    // Mirrors the selection into DescSelected.
    void Refresh(DescriptorChoice& choice) const;

private:
    bool Check(int position, const SelectionContext& context) const;
    void Warn(int position, const SelectionContext& context, UserDialog& dialog) const;

    DescriptorSetFile m_file;
    std::array<bool, kDescriptorCount> m_chosen{};
    std::vector<std::string> m_setNames;
    std::vector<std::string> m_fileProblems;
    int m_currentSet = 0;
};

} // namespace velmora
