#include "descriptors/descsets.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "base/userdata.h"

#include "molecules_support.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace velmora {
namespace {

using test::ExpectMessage;
int IndexOf(const std::string& name) { return test::DescriptorIndex(name); }

const std::string kZeroLine = " 0.00000000000000E+0000 0.00000000000000E+0000\r\n";
const std::string kSpreadLine = " 2.00000000000000E+0000 5.00000000000000E-0001\r\n";

// A parameter file of `lines` lines, every deviation 0.5 except the indices listed (deviation 0).
void WriteParameters(const std::string& path, int lines, const std::set<int>& constant)
{
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += constant.count(i) ? kZeroLine : kSpreadLine;
    test::WriteBytes(path, text);
}

class DescriptorSetTest : public ::testing::Test {
protected:
    DescriptorSetTest() : library(dir.File("lib.clb")), selection(dir.Path().string())
    {
        WriteParameters(dir.File("lib.idp"), 153, {});
    }
    SelectionContext Context(DescriptorMode mode = DescriptorMode::Normal)
    {
        choice.SetAvailability(mode);
        return {library, mode, choice};
    }
    // An INTRO file: deviations for the group counts only, "Bonds: C-C triple" (8) constant.
    void WriteIntroParameters()
    {
        std::set<int> constant{8};
        for (int i = 33; i < 152; ++i)
            constant.insert(i);
        WriteParameters(dir.File("lib.idr"), 152, constant);
    }
    std::string Crits() const { return test::ReadBytes(dir.File("crits.txt")); }
    void Choose(const std::vector<int>& positions)
    {
        auto context = Context();
        selection.DeselectAll(context);
        for (int p : positions)
            selection.ClickDescriptor(p, context, dialog);
    }

    test::TempDir dir;
    std::string library;
    DescriptorChoice choice;
    test::ScriptedDialog dialog;
    DescriptorSelection selection;
};

TEST_F(DescriptorSetTest, SaveSaveDeleteRewritesCritsExactly)
{
    auto context = Context();
    // The first set creates the file with "1 [none]"; positions are written in ascending order.
    Choose({5, 0});
    dialog.texts.push_back("my first set");
    ASSERT_TRUE(selection.Save(context, dialog));
    EXPECT_EQ(dialog.textCaptions, std::vector<std::string>{"Name this new criteriaset:"});
    EXPECT_EQ(Crits(), "1 [none]\r\n2 my first set\r\n0\r\n5\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("crits.dum")));

    Choose({148, 33, 10});
    dialog.texts.push_back("Second");
    ASSERT_TRUE(selection.Save(context, dialog));
    EXPECT_EQ(Crits(), "2 [none]\r\n2 my first set\r\n0\r\n5\r\n3 Second\r\n10\r\n33\r\n148\r\n");
    EXPECT_EQ(selection.SetNames(), (std::vector<std::string>{"[none]", "my first set", "Second"}));
    EXPECT_EQ(selection.CurrentSet(), 2);
    EXPECT_TRUE(dialog.shown.empty());

    // Choosing a set selects its positions; DescSelected mirrors them by catalogue index.
    selection.ChooseSet(1, context, dialog);
    EXPECT_EQ(selection.ChosenPositions(), (std::vector<int>{0, 5}));
    EXPECT_TRUE(choice.DescSelected[0] && choice.DescSelected[5]);
    selection.ChooseSet(2, context, dialog);
    EXPECT_EQ(selection.ChosenPositions(), (std::vector<int>{10, 33, 148}));
    EXPECT_TRUE(choice.DescSelected[IndexOf("Aug: C4C4C")] && choice.DescSelected[IndexOf("TopoRad")]);
    EXPECT_FALSE(choice.DescSelected[0]);

    // Delete asks with the name in double quotes; Cancel keeps everything.
    selection.ChooseSet(1, context, dialog);
    dialog.answers.push_back(MessageAnswer::Cancel);
    EXPECT_FALSE(selection.Delete(context, dialog));
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Warning, "Do you really want to delete \"my first set\" ?",
                  MessageButtons::OkCancel);
    EXPECT_EQ(selection.ChosenPositions(), (std::vector<int>{0, 5}));
    EXPECT_EQ(Crits(), "2 [none]\r\n2 my first set\r\n0\r\n5\r\n3 Second\r\n10\r\n33\r\n148\r\n");

    // OK removes the set, leaves "[none]" chosen and every descriptor deselected.
    dialog.answers.push_back(MessageAnswer::Ok);
    EXPECT_TRUE(selection.Delete(context, dialog));
    EXPECT_EQ(Crits(), "1 [none]\r\n3 Second\r\n10\r\n33\r\n148\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("crits.dum")));
    EXPECT_EQ(selection.SetNames(), (std::vector<std::string>{"[none]", "Second"}));
    EXPECT_EQ(std::make_pair(selection.CurrentSet(), selection.ChosenCount()), std::make_pair(0, 0));
    EXPECT_EQ(std::count(choice.DescSelected.begin(), choice.DescSelected.end(), true), 0);

    // Deleting the only set leaves "0 [none]".
    selection.ChooseSet(1, context, dialog);
    EXPECT_TRUE(selection.Delete(context, dialog));
    EXPECT_EQ(Crits(), "0 [none]\r\n");
    EXPECT_EQ(selection.SetNames(), std::vector<std::string>{"[none]"});
    EXPECT_EQ(selection.ChosenCount(), 0);
}

TEST_F(DescriptorSetTest, NamesAreStoredAndComparedWithoutSurroundingBlanks)
{
    auto context = Context();
    Choose({1});
    dialog.texts.push_back("  set  with blanks ");
    ASSERT_TRUE(selection.Save(context, dialog));
    EXPECT_EQ(selection.SetNames().back(), "set  with blanks");
    Choose({2, 3});
    dialog.texts.push_back("carbonyls");
    ASSERT_TRUE(selection.Save(context, dialog));
    EXPECT_EQ(Crits(), "2 [none]\r\n1 set  with blanks\r\n1\r\n2 carbonyls\r\n2\r\n3\r\n");
    EXPECT_EQ(selection.CurrentSet(), 2);

    // The same name with blanks around it names the same set, "[none]" included.
    const std::string refusal = "             This name still exists !\r"
                                "Please choose a different name or delete the old one .";
    for (const char* name : {"  carbonyls  ", "carbonyls ", " [none]"}) {
        dialog.texts.push_back(name);
        EXPECT_FALSE(selection.Save(context, dialog)) << name;
        ExpectMessage(dialog.shown.back(), MessageKind::Warning, refusal, MessageButtons::Ok);
        EXPECT_THROW(selection.SetFile().Append(name, {4}), IoError) << name;
    }
    EXPECT_EQ(selection.CurrentSet(), 2); // a refused name leaves the current set as it was
    EXPECT_EQ(Crits(), "2 [none]\r\n1 set  with blanks\r\n1\r\n2 carbonyls\r\n2\r\n3\r\n");

    // A file from before keeps its bytes, but its names are read trimmed and found so.
    test::WriteBytes(dir.File("crits.txt"), "2 [none]\r\n1  carbonyls  \r\n5\r\n1 Rings\r\n7\r\n");
    DescriptorSelection again(dir.Path().string());
    EXPECT_EQ(again.SetNames(), (std::vector<std::string>{"[none]", "carbonyls", "Rings"}));
    EXPECT_EQ(FindSetName(again.SetNames(), " carbonyls"), 1);
    EXPECT_EQ(FindSetName(again.SetNames(), "Carbonyls"), 0);
    again.ChooseSet(1, context, dialog);
    EXPECT_EQ(again.ChosenPositions(), std::vector<int>{5});
    again.SetFile().Remove(2);
    EXPECT_EQ(Crits(), "1 [none]\r\n1  carbonyls  \r\n5\r\n");
}

// Another program (the command-line tool) saves and deletes sets while the window holds its list.
TEST_F(DescriptorSetTest, AFileChangedOutsideIsReadAgainByName)
{
    auto context = Context();
    Choose({1});
    for (const char* name : {"A", "B", "C"}) {
        dialog.texts.push_back(name);
        ASSERT_TRUE(selection.Save(context, dialog));
    }
    selection.ChooseSet(2, context, dialog); // "B"
    const DescriptorSetFile outside = DescriptorSetFile::AtPath(dir.File("crits.txt"));
    outside.Remove(1);
    outside.Append("D", {9});

    // The list is stale until read again; choosing and deleting still go by name.
    auto check = [&](DescriptorSelection& stale) {
        stale.ChooseSet(3, context, dialog); // still listed as "C", now the file's second set
        EXPECT_EQ(stale.ChosenPositions(), std::vector<int>{1});
        dialog.answers.push_back(MessageAnswer::Ok);
        EXPECT_TRUE(stale.Delete(context, dialog));
        EXPECT_EQ(stale.SetNames(), (std::vector<std::string>{"[none]", "B", "D"}));
    };
    DescriptorSelection copy = selection;
    check(copy);
    EXPECT_EQ(Crits(), "2 [none]\r\n1 B\r\n1\r\n1 D\r\n9\r\n");

    // Reading again keeps "B" current at its new place and the chosen descriptors as they are.
    selection.ChooseSet(2, context, dialog);
    EXPECT_TRUE(selection.ReloadSetList());
    EXPECT_EQ(selection.SetNames(), (std::vector<std::string>{"[none]", "B", "D"}));
    EXPECT_EQ(selection.CurrentSet(), 1);
    EXPECT_EQ(selection.ChosenPositions(), std::vector<int>{1});
    EXPECT_FALSE(selection.ReloadSetList());
    // A current set deleted outside leaves "[none]" current.
    outside.Remove(1);
    EXPECT_TRUE(selection.ReloadSetList());
    EXPECT_EQ(selection.CurrentSet(), 0);
    EXPECT_EQ(selection.ChosenPositions(), std::vector<int>{1});
    // A set deleted outside cannot be deleted again: nothing else goes.
    selection.ChooseSet(1, context, dialog);
    outside.Remove(1);
    dialog.answers.push_back(MessageAnswer::Ok);
    EXPECT_FALSE(selection.Delete(context, dialog));
    EXPECT_EQ(Crits(), "0 [none]\r\n");
}

TEST_F(DescriptorSetTest, SaveRefusesExistingNamesAndNeedsAChoice)
{
    auto context = Context();
    // Nothing chosen: the name is not even asked for.
    EXPECT_FALSE(selection.Save(context, dialog));
    EXPECT_TRUE(dialog.textCaptions.empty());

    Choose({7});
    const std::string refusal = "             This name still exists !\r"
                                "Please choose a different name or delete the old one .";
    dialog.texts.push_back("[none]");
    EXPECT_FALSE(selection.Save(context, dialog));
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Warning, refusal, MessageButtons::Ok);
    EXPECT_FALSE(std::filesystem::exists(dir.File("crits.txt")));

    dialog.texts.push_back("Rings");
    ASSERT_TRUE(selection.Save(context, dialog));
    dialog.texts.push_back("Rings");
    EXPECT_FALSE(selection.Save(context, dialog));
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1].text, refusal);
    // The comparison is case-sensitive.
    dialog.texts.push_back("rings");
    EXPECT_TRUE(selection.Save(context, dialog));
    // A cancelled name dialog saves nothing.
    EXPECT_FALSE(selection.Save(context, dialog));
    EXPECT_EQ(Crits(), "2 [none]\r\n1 Rings\r\n7\r\n1 rings\r\n7\r\n");
}

TEST_F(DescriptorSetTest, NamesThatWouldBreakTheFileAreRefused)
{
    auto context = Context();
    Choose({7});
    dialog.texts.push_back("First");
    ASSERT_TRUE(selection.Save(context, dialog));
    const std::string saved = Crits();
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "A descriptor set needs a name."},
        {"  ", "A set name cannot be blank."},
        {"two\r\nlines", "A set name cannot hold line breaks, tabs or other control characters."},
        {"stop\x1ahere", "A set name cannot hold line breaks, tabs or other control characters."},
    };
    for (const auto& [name, problem] : cases) {
        dialog.texts.push_back(name);
        EXPECT_FALSE(selection.Save(context, dialog)) << name;
        ExpectMessage(dialog.shown.back(), MessageKind::Warning, problem + "\rPlease choose a different name .",
                      MessageButtons::Ok);
        EXPECT_THROW(selection.SetFile().Append(name, {7}), IoError);
    }
    EXPECT_EQ(Crits(), saved);
    // Every later set is saved and read back.
    dialog.texts.push_back("Second");
    ASSERT_TRUE(selection.Save(context, dialog));
    EXPECT_EQ(DescriptorSelection(dir.Path().string()).SetNames(),
              (std::vector<std::string>{"[none]", "First", "Second"}));
}

TEST_F(DescriptorSetTest, DamagedLinesAreSkippedAndNamed)
{
    // A name with a line break, saved by an older version, split its set; Ctrl-Z ends the file.
    test::WriteBytes(dir.File("crits.txt"), "3 [none]\r\n1 A\r\n5\r\n1 half\rname\r\nx\r\n2 B\r\n4\r\n900\r\n\x1a" "1 C\r\n2\r\n");
    DescriptorSelection damaged(dir.Path().string());
    EXPECT_EQ(damaged.SetNames(), (std::vector<std::string>{"[none]", "A", "half", "B"}));
    EXPECT_EQ(damaged.SetFileProblems(),
              (std::vector<std::string>{"crits.txt line 5: not a descriptor position, skipped",
                                        "crits.txt line 6: unreadable set name, skipped",
                                        "crits.txt line 9: not a descriptor position, skipped"}));
    EXPECT_EQ(damaged.SetFile().ReadSet(3), std::vector<int>{4});
    // Rewriting keeps what could be read, with counts that fit it, and drops the rest.
    damaged.SetFile().Remove(2);
    EXPECT_EQ(Crits(), "2 [none]\r\n1 A\r\n5\r\n1 B\r\n4\r\n");

    // A file that cannot be read to its end shows what it can and is never rewritten.
    const std::string endless = "2 [none]\r\n1 A\r\n5\r\n" + std::string(kMaxLineLength + 1, 'x');
    test::WriteBytes(dir.File("crits.txt"), endless);
    DescriptorSelection unreadable(dir.Path().string());
    EXPECT_EQ(unreadable.SetNames(), (std::vector<std::string>{"[none]", "A"}));
    EXPECT_EQ(unreadable.SetFileProblems(),
              std::vector<std::string>{dir.File("crits.txt") + ", line 4: line too long (more than 1 MiB)"});
    EXPECT_THROW(unreadable.SetFile().Append("B", {1}), IoError);
    EXPECT_EQ(Crits(), endless);
}

TEST(UserData, TheStartFolderWhenWritableElseTheDataHome)
{
    test::TempDir dir;
    EXPECT_EQ(UserDataDirectory(dir.Path().string()), dir.Path().string());
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    const std::string folder = UserDataDirectory(dir.File("no such folder"));
    EXPECT_EQ(folder, dir.File("data") + "/velmora");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    if (saved)
        ::setenv("XDG_DATA_HOME", previous.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST_F(DescriptorSetTest, NoneCannotBeDeleted)
{
    auto context = Context();
    EXPECT_FALSE(selection.Delete(context, dialog));
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Error,
                  "You can\xC2\xB4t delete this one\rThis is not a userdefined criteriaset", MessageButtons::Ok);
}

TEST_F(DescriptorSetTest, LibraryCheckReadsTheDeviationOfTheModesFile)
{
    // Line i holds index i: 7 spreads, 8 is constant, 9 has a negative mean and spreads.
    std::string idp;
    for (int i = 0; i < 153; ++i)
        idp += i == 8 ? kZeroLine : i == 9 ? "-1.00000000000000E+0000 2.50000000000000E-0001\r\n" : kSpreadLine;
    test::WriteBytes(dir.File("lib.idp"), idp);
    for (const auto& [index, passes] : std::vector<std::pair<int, bool>>{
             {7, true}, {8, false}, {9, true}, {0, true}, {151, true}, {152, false}, {-1, false}})
        EXPECT_EQ(LibraryCheck(library, DescriptorMode::Normal, index), passes) << index;

    // INTRO reads .idr, which does not exist yet: every check fails.
    EXPECT_FALSE(LibraryCheck(library, DescriptorMode::Intro, 7));
    WriteParameters(dir.File("lib.idr"), 152, {7});
    EXPECT_FALSE(LibraryCheck(library, DescriptorMode::Intro, 7));
    EXPECT_TRUE(LibraryCheck(library, DescriptorMode::Intro, 8));
    // A short file (a failed write) is damage, not a reason to call every descriptor useless.
    WriteParameters(dir.File("lib.idr"), 10, {});
    EXPECT_THROW(LibraryCheck(library, DescriptorMode::Intro, 7), IoError);
    test::WriteBytes(dir.File("lib.idr"), "");
    auto context = Context(DescriptorMode::Intro);
    EXPECT_THROW(selection.ClickDescriptor(ListPosition(7), context, dialog), IoError);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(selection.ChosenCount(), 0);
}

TEST_F(DescriptorSetTest, ClickWarnsWhyADescriptorIsRefused)
{
    // An INTRO file carries deviations for the group counts only.
    WriteIntroParameters();
    auto context = Context(DescriptorMode::Intro);

    selection.ClickDescriptor(0, context, dialog);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(choice.DescSelected[0]);

    // "Bonds: C-C triple" is available but constant in the library.
    selection.ClickDescriptor(8, context, dialog);
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Warning, "This descriptor makes no sense with this library !\r"
                                    "All structures in this library get the same value with\r"
                                    "this descriptor .\r"
                                    "Please choose a different one instead !", MessageButtons::Ok);
    EXPECT_FALSE(selection.IsChosen(8));

    // "Aug: C4C4C" is not available in INTRO mode.
    selection.ClickDescriptor(33, context, dialog);
    ASSERT_EQ(dialog.shown.size(), 2u);
    ExpectMessage(dialog.shown[1], MessageKind::Warning, "This descriptor is not available in INTRO mode !\r"
                                    "If you want to use it, you have to change to the NORMAL mode !\r"
                                    "Change this setting in the MODE pulldownmenue .", MessageButtons::Ok);
    EXPECT_FALSE(selection.IsChosen(33));
    EXPECT_FALSE(choice.DescSelected[35]);
    EXPECT_EQ(selection.ChosenPositions(), std::vector<int>{0});
}

TEST_F(DescriptorSetTest, ChoosingASetCutsWhatFailsTheLibraryCheck)
{
    // Saved in NORMAL mode where everything passes.
    auto normal = Context();
    Choose({0, 8, 33, 148});
    dialog.texts.push_back("mixed");
    ASSERT_TRUE(selection.Save(normal, dialog));

    // In INTRO mode the augmented atom and the topological index are not available and
    // "Bonds: C-C triple" is constant in this library.
    WriteIntroParameters();
    auto intro = Context(DescriptorMode::Intro);
    selection.FillSetList();
    selection.ChooseSet(1, intro, dialog);
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Warning,
                  "Your chosen criterium set includes criteria that makes no sense with your libraray !\r"
                  "Following criteria had been cut now from the origin criterium set:\r"
                  "Bonds: C-C triple, Aug: C4C4C, TopoRad", MessageButtons::Ok);
    EXPECT_EQ(selection.ChosenPositions(), std::vector<int>{0});
    EXPECT_EQ(selection.CurrentSet(), 0);
    EXPECT_TRUE(choice.DescSelected[0]);
    EXPECT_FALSE(choice.DescSelected[8]);
    // The file itself is not changed by a cut.
    EXPECT_EQ(Crits(), "1 [none]\r\n4 mixed\r\n0\r\n8\r\n33\r\n148\r\n");

    // "[none]" deselects everything.
    selection.ChooseSet(0, intro, dialog);
    EXPECT_EQ(selection.ChosenCount(), 0);
    EXPECT_FALSE(choice.DescSelected[0]);
}

TEST_F(DescriptorSetTest, AugAtomsOfTolueneChooseItsThreeAugmentedAtoms)
{
    const TCTab toluene = test::Smiles("Cc1ccccc1");
    const int c4c4c = ListPosition(IndexOf("Aug: C4C4C"));
    const int c1c4c4c = ListPosition(IndexOf("Aug: C1C4C4C"));
    const int c1c = ListPosition(IndexOf("Aug: C1C"));
    const int o2c = ListPosition(IndexOf("Aug: O2C"));
    auto context = Context();

    // Other families keep their state; an augmented atom the query lacks is deselected.
    Choose({0, 148, o2c});
    selection.AugAtomsOfMyMolecule(toluene, context);
    EXPECT_EQ(selection.ChosenPositions(), (std::vector<int>{0, c4c4c, c1c, c1c4c4c, 148}));
    EXPECT_EQ(selection.ChosenNames(),
              (std::vector<std::string>{"Aromatic bonds", "Aug: C4C4C", "Aug: C1C", "Aug: C1C4C4C", "TopoRad"}));
    EXPECT_TRUE(choice.DescSelected[IndexOf("Aug: C1C4C4C")]);
    EXPECT_FALSE(choice.DescSelected[IndexOf("Aug: O2C")]);

    // Where "Aug: C1C" is constant in the library, it is left out.
    WriteParameters(dir.File("lib.idp"), 153, {IndexOf("Aug: C1C")});
    selection.AugAtomsOfMyMolecule(toluene, context);
    EXPECT_EQ(selection.ChosenPositions(), (std::vector<int>{0, c4c4c, c1c4c4c, 148}));
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(DescriptorSetTest, AugAtomsButtonInIntroModeSaysWhyNothingIsChosen)
{
    const TCTab toluene = test::Smiles("Cc1ccccc1");
    WriteIntroParameters();
    auto normal = Context();
    selection.AugAtomsOfMyMolecule(toluene, normal);
    ASSERT_GT(selection.ChosenCount(), 0);
    auto intro = Context(DescriptorMode::Intro);
    selection.ClickDescriptor(0, intro, dialog);
    EXPECT_FALSE(selection.AugAtomsOfMyMolecule(toluene, intro, dialog));
    ASSERT_EQ(dialog.shown.size(), 1u); // once, not once per augmented atom
    ExpectMessage(dialog.shown[0], MessageKind::Warning, "This descriptor is not available in INTRO mode !\r"
                                    "If you want to use it, you have to change to the NORMAL mode !\r"
                                    "Change this setting in the MODE pulldownmenue .", MessageButtons::Ok);
    EXPECT_EQ(selection.ChosenPositions(), std::vector<int>{0}); // other families keep their state
    EXPECT_FALSE(choice.DescSelected[IndexOf("Aug: C4C4C")]);

    // In NORMAL mode the button chooses as before, without a word.
    dialog.shown.clear();
    auto again = Context();
    EXPECT_TRUE(selection.AugAtomsOfMyMolecule(toluene, again, dialog));
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(selection.IsChosen(ListPosition(IndexOf("Aug: C4C4C"))));
}

} // namespace
} // namespace velmora
