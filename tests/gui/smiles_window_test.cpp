// A query pasted as SMILES through File > Paste SMILES... ranks the library as the same structure
// loaded from its molfile; a bad string is refused with the parser's reason. Without SMILES input
// in the build the command is disabled and says why.
#include "gui_support.h"
#include "io/structureformats.h"
#include "srchdiag.h"
#ifdef VELMORA_HAVE_INTEROP
#include "interop.h"
#endif

#include <QAction>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

std::vector<std::pair<long, float>> Ranking(const Workbench& bench)
{
    std::vector<std::pair<long, float>> ranks;
    for (int rank = 1; rank <= bench.Results().filled; ++rank)
        ranks.emplace_back(bench.Results().StructureAt(rank), bench.Results().best[static_cast<std::size_t>(rank - 1)].value);
    return ranks;
}

void Search(MainWindow& main)
{
    WhenModal<gui::TFormSearchDiagram>([](gui::TFormSearchDiagram* diagram) { diagram->accept(); });
    Action(&main.window, "Calculate")->trigger();
}

} // namespace

class SmilesWindowTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;
    std::string m_library;

private slots:
    void initTestCase()
    {
#ifdef VELMORA_HAVE_INTEROP
        interop::RegisterInteropFormats();
#endif
        test::SetUpLook();
        m_library = test::NciLibrary(m_dir, "fixture", 300, true);
        QVERIFY(!m_library.empty());
    }

    void pastedSmilesRanksAsTheMolfile()
    {
        MainWindow main(m_dir.Path().string());
        QVERIFY(main.Show());
        QAction* paste = Action(&main.window, "Paste &SMILES...");
        QVERIFY(paste);
        if (!StructureFormatsAvailable()) {
            QVERIFY(!paste->isEnabled());
            QCOMPARE(paste->toolTip(), QString(kStructureFormatsUnavailable));
            return;
        }
        QVERIFY(paste->isEnabled());
        QVERIFY(main.window.OpenLibraryFile(m_library));
        QVERIFY(main.window.LoadQueryFile(test::DataFile("query.mol")));
        main.Choose({"Bonds: single", "Bonds: double", "Atoms of N", "Hetero atoms", "Number of rings", "Aug: C2N1C"});
        Search(main);
        QVERIFY(main.Bench().HasResults());
        const auto fromMolfile = Ranking(main.Bench());
        QCOMPARE(fromMolfile.size(), std::size_t{50});

        // A string the parser refuses: the query stays, with the reason in the message.
        main.dialog.texts.push_back(std::string("C1CC("));
        paste->trigger();
        QCOMPARE(main.dialog.textCaptions.back(), std::string("Paste SMILES"));
        QVERIFY(ExpectMessage(main.dialog.shown.back(), MessageKind::Error, "The SMILES cannot be used as a query.",
                              MessageButtons::Ok));
        QVERIFY(Contains(main.dialog.shown.back().detail, "cannot parse SMILES \"C1CC(\""));
        QVERIFY(main.Bench().HasResults());

        const std::string smiles = "Cc1nc2ccccc2c(=O)n1-c1ccc(-c2ccc(N)cc2)cc1";
        main.dialog.texts.push_back("  " + smiles + "\n");
        paste->trigger();
        QCOMPARE(main.Bench().State().Query.FStrucName, smiles);
        QCOMPARE(main.Bench().State().Query.NumValidAtoms, 25);
        QVERIFY(!main.Bench().HasResults());
        Screenshot(&main.window, "workbench-pasted-smiles");
        Search(main);
        QVERIFY(main.Bench().HasResults());
        QVERIFY(Ranking(main.Bench()) == fromMolfile);

        // The file choosers offer SMILES files; Load molecule takes the first structure of one.
        Action(&main.window, "&Import Library")->trigger(); // cancelled in the file chooser
        Action(&main.window, "&Load  molecule")->trigger();
        const auto& filters = main.dialog.filters;
        QCOMPARE(filters.size(), std::size_t{2});
        for (const auto& filter : filters) {
            QVERIFY2(Contains(filter, "|SMILES-Files (*.smi ; *.smiles ; *.csv ; *.tsv)|*.smi;*.smiles;*.csv;*.tsv"),
                     filter.c_str());
            QVERIFY2(Contains(filter, "Mol-Files (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf|"), filter.c_str());
        }
        const std::string file = m_dir.File("queries.smi");
        test::WriteBytes(file, "CCO ethanol\nc1ccccc1 benzene\n");
        QVERIFY(main.window.LoadQueryFile(file));
        QCOMPARE(main.Bench().State().Query.FStrucName, std::string("ethanol"));
        QCOMPARE(main.Bench().State().Query.NumValidAtoms, 3);
    }
};

VELMORA_GUI_SUITE("smiles_window_test", SmilesWindowTest);
#include "smiles_window_test.moc"
