// The structure editor driven through its real widgets: a query drawn with the mouse, changed
// through the element picker, undone, kept on the scratchpad and handed to the workbench, where it
// searches exactly like the same structure read from a molfile.
#include "dialogs.h"
#include "drawpenform.h"
#include "livepanel.h"
#include "base/textfile.h"
#include "io/ctb.h"
#include "io/molfile.h"
#include "io/structureformats.h"
#include "matgrid.h"
#include "model/elements.h"
#include "persys.h"
#include "gui_support.h"
#ifdef VELMORA_HAVE_INTEROP
#include "interop.h"
#endif

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include <filesystem>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;
using editor::Control;
using editor::Tool;

namespace {

void ClickCell(QTableWidget* grid, int row, int column)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, column)).center());
}

// Cyclohexanol with the atoms in another order than the drawing's.
const char* const kCyclohexanol =
    "Cyclohexanol\n  by hand\n\n"
    "  7  7  0  0  0  0  0  0  0  0999 V2000\n"
    "    1.0000    0.0000    0.0000 O   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "   -1.0000    0.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "   -2.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "   -2.0000   -1.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "   -1.0000   -1.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.0000   -1.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "  1  2  1  0\n  2  3  1  0\n  3  4  1  0\n  4  5  1  0\n  5  6  1  0\n  6  7  1  0\n  7  2  1  0\n"
    "M  END\n$$$$\n";

} // namespace

class EditorTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;

    // The editor's drawing: a six-ring A..F and a substituent G on C, all on grid points.
    const QPoint A{130, 150}, B{156, 135}, C{182, 150}, D{182, 180}, E{156, 195}, F{130, 180}, G{208, 135};

    void Click(TDrawpenForm& e, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(e.DrawingArea(), button, {}, at);
    }
    void Press(TDrawpenForm& e, Control control) { QTest::mouseClick(e.Button(control), Qt::LeftButton); }
    void Move(TDrawpenForm& e, QPoint to)
    {
        QMouseEvent move(QEvent::MouseMove, to, e.DrawingArea()->mapToGlobal(to), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(e.DrawingArea(), &move);
    }

    // Runs edit in the editor that the window's draw action opens.
    static void InEditor(QAction* draw, std::function<void(TDrawpenForm*)> edit)
    {
        WhenModal<TDrawpenForm>(edit);
        draw->trigger();
    }

    void DrawAndEdit(TDrawpenForm& e)
    {
        const TCTab& t = e.Structure();
        QCOMPARE(t.NumValidAtoms, 0);
        Press(e, Control::DeleteAtom); // needs atoms: no tool
        QCOMPARE(e.Controller().ActiveTool(), Tool::None);
        QVERIFY(!e.Button(Control::DeleteAtom)->isChecked());

        Press(e, Control::Draw);
        QVERIFY(e.Button(Control::Draw)->isChecked());
        for (Control c : {Control::Exit, Control::Esc, Control::MoveAtom, Control::ZoomIn, Control::Id})
            QVERIFY2(!e.Button(c)->isEnabled(), qPrintable(e.Button(c)->toolTip() + e.Button(c)->text()));
        for (Control c : {Control::LoadScratch, Control::SaveScratch, Control::DistanceMatrix})
            QVERIFY(e.Button(c)->isEnabled());
        QVERIFY(!e.NamePanel()->isEnabled() && e.ExitAction()->isEnabled());

        for (QPoint p : {A, B, C, D, E, F})
            Click(e, p + QPoint(3, -4)); // snapped to the grid point
        Move(e, A + QPoint(2, 2));
        QVERIFY(e.Controller().RubberBandShown());
        Click(e, A); // closes the ring
        Click(e, {0, 0}, Qt::RightButton);
        QVERIFY(e.Controller().ActiveTool() == Tool::Draw && !e.Controller().Drawing());
        Click(e, C);
        Click(e, G);
        Move(e, G + QPoint(40, 30));
        QCOMPARE(e.Controller().Current(), (editor::PointF{247, 165}));
        Screenshot(&e, "editor-drawing-chain");
        Click(e, {0, 0}, Qt::RightButton);
        Click(e, {0, 0}, Qt::RightButton); // the tool ends: bonds from both ends
        QCOMPARE(e.Controller().ActiveTool(), Tool::None);
        QVERIFY(!e.Button(Control::Draw)->isChecked() && e.Button(Control::Exit)->isEnabled());
        QCOMPARE(t.NumValidAtoms, 7);
        QCOMPARE(QPointF(t.Atom(7).x, t.Atom(7).y), QPointF(G));
        QCOMPARE(t.BondType(3, 7), 1);
        QCOMPARE(t.BondType(7, 3), 1);

        // The element picker from a double click on "Change Atom": the gap after H keeps it open.
        bool pickerSeen = false;
        WhenModal<TPersysForm>([&](TPersysForm* picker) {
            pickerSeen = true;
            Screenshot(picker, "editor-element-picker");
            ClickCell(picker->MainGrid(), 0, 1);
            QVERIFY(picker->isVisible());
            int column = 0, row = 0;
            PeriodicPosition(8, column, row);
            ClickCell(picker->MainGrid(), row, column);
        });
        QTest::mouseDClick(e.Button(Control::ChangeAtom), Qt::LeftButton);
        QTRY_VERIFY(pickerSeen && !e.Picker().isVisible());
        QCOMPARE(e.Model().SelectedElement, 8);
        QCOMPARE(e.Controller().ActiveTool(), Tool::ChangeAtom);
        QVERIFY(e.Button(Control::ChangeAtom)->isChecked());
        QCOMPARE(e.DrawingArea()->cursor().shape(), Qt::BitmapCursor);
        Click(e, G);
        QCOMPARE(t.AtNum(7), 8);
        QCOMPARE(t.AtWeight(7), 16);
        Click(e, {5, 5}, Qt::RightButton);
        QCOMPARE(e.DrawingArea()->cursor().shape(), Qt::ArrowCursor);

        // A deletion and its undo.
        QVERIFY(!e.Button(Control::Oops)->isEnabled());
        Press(e, Control::DeleteAtom);
        Click(e, G);
        QCOMPARE(t.NumValidAtoms, 6);
        QVERIFY(e.Button(Control::Oops)->isEnabled());
        Press(e, Control::Oops);
        QCOMPARE(t.NumValidAtoms, 7);
        QCOMPARE(t.AtNum(7), 8);
        QVERIFY(!e.Button(Control::Oops)->isEnabled());
        Click(e, {5, 5}, Qt::RightButton);

        // The name through the text dialog.
        WhenModal<TextDialog>([](TextDialog* d) {
            QCOMPARE(d->Heading()->text(), QString("Name of Compound"));
            QCOMPARE(d->windowTitle(), QString("Structure Name"));
            d->Field()->setText("Cyclohexanol");
            Screenshot(d, "editor-name-dialog");
            d->accept();
        });
        QTest::mouseClick(e.NamePanel(), Qt::LeftButton);
        QCOMPARE(t.FStrucName, std::string("Cyclohexanol"));
        QCOMPARE(e.NamePanel()->text(), QString("Cyclohexanol"));

        // The scratchpad: saved, everything deleted, loaded back.
        TCTab drawn;
        drawn.Assign(t);
        Press(e, Control::SaveScratch);
        QVERIFY(std::filesystem::exists(m_dir.File("SCRATCH.CTB")));
        Press(e, Control::DeleteWholeStructure);
        QCOMPARE(t.NumValidAtoms, 0);
        QCOMPARE(t.FStrucName, std::string("Cyclohexanol"));
        Press(e, Control::LoadScratch);
        QCOMPARE(CompareCtab(t, drawn), 0);

        // The connection table beside the drawing, and hidden again by a double click.
        e.ShowCtabAction()->trigger();
        QVERIFY(e.CtabList()->isVisible());
        QCOMPARE(e.CtabList()->item(7)->text(), QString(" 7 [O ]    3-"));
        QCOMPARE(e.Model().LabelMode, 3);
        QTest::qWait(20); // laid out
        for (int k = 0; k < e.CtabList()->count(); ++k) { // nothing cut off on the right
            const QString text = e.CtabList()->item(k)->text();
            QVERIFY2(e.CtabList()->fontMetrics().horizontalAdvance(text) <= e.CtabList()->viewport()->width(),
                     qPrintable(text));
        }
        Screenshot(&e, "editor-ctab");
        const QPoint line = e.CtabList()->visualItemRect(e.CtabList()->item(1)).center();
        QTest::mouseClick(e.CtabList()->viewport(), Qt::LeftButton, {}, line);
        QTest::mouseDClick(e.CtabList()->viewport(), Qt::LeftButton, {}, line);
        QTRY_VERIFY(!e.CtabList()->isVisible());
        QCOMPARE(e.Model().LabelMode, 1);

        // The distance matrix (its cells are the core's): headed by the atoms, every heading and
        // the notes readable whole.
        bool matrixSeen = false;
        WhenModal<TFrmMatGrid>([&](TFrmMatGrid* m) {
            matrixSeen = true;
            QTableWidget* grid = m->Grid();
            QCOMPARE(m->windowTitle(), QString("Distance Matrix"));
            QCOMPARE(grid->columnCount(), 7);
            QCOMPARE(grid->horizontalHeaderItem(0)->text(), QString("1 C"));
            QCOMPARE(grid->verticalHeaderItem(6)->text(), QString("7 O"));
            QCOMPARE(grid->item(3, 0)->text(), QString("3")); // across the ring
            QCOMPARE(grid->verticalHeaderItem(7)->text(), QString("Sum"));
            QVERIFY(grid->horizontalHeader()->isVisible() && grid->verticalHeader()->isVisible());
            QTest::qWait(20);
            for (int k = 0; k < 7; ++k)
                QVERIFY(grid->columnWidth(k) >= grid->fontMetrics().horizontalAdvance(grid->horizontalHeaderItem(k)->text()));
            QVERIFY(m->width() >= m->Notes()->sizeHint().width());
            Screenshot(m, "editor-distance-matrix");
            QTest::mouseClick(m->OkButton(), Qt::LeftButton);
        });
        Press(e, Control::DistanceMatrix);
        QVERIFY(matrixSeen);

        Press(e, Control::ZoomFit);
        QCOMPARE(t.Atom(7).y, 18.0f); // 5 % from the top: its label is still drawn
        Screenshot(&e, "editor-zoom-fit");
        Press(e, Control::ZoomOut);
        Press(e, Control::ZoomOut);
        Press(e, Control::Center);
        Screenshot(&e, "editor-structure");
    }

private slots:
    void initTestCase()
    {
#ifdef VELMORA_HAVE_INTEROP
        interop::RegisterInteropFormats();
#endif
        test::SetUpLook();
    }

    void drawnQuerySearchesLikeTheSameMolfile()
    {
        const std::string library = test::NciLibrary(m_dir, "lib", 60, true);
        QVERIFY(!library.empty());
        test::MainWindow main(m_dir.Path().string());
        TQVXForm& window = main.window;
        QVERIFY(main.Show());
        QVERIFY(window.OpenLibraryFile(library));
        Workbench& bench = window.Bench();
        main.Choose({"Bonds: single", "Atoms of O", "Hetero atoms", "Number of rings", "RandicIx"});

        QAction* draw = Action(&window, "&Draw  molecule");
        QVERIFY(draw && draw->isEnabled());
        bool ran = false;
        InEditor(draw, [&](TDrawpenForm* e) {
            ran = true;
            e->resize(648, 513); // a drawing area of 648 x 360
            DrawAndEdit(*e);
            QTest::mouseClick(e->Button(QTest::currentTestFailed() ? Control::Esc : Control::Exit), Qt::LeftButton);
        });
        QVERIFY(ran);
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(bench.State().QueryLoaded && bench.State().QueryFileName.empty());
        QCOMPARE(bench.State().Query.NumValidAtoms, 7);
        QVERIFY(Action(&window, "S&ave  molecule")->isEnabled());
        QCOMPARE(bench.RunSearch(), SearchOutcome::Completed);
        const std::vector<ReportRow> drawnRows = bench.ReportRows();

        // "esc" keeps the query the workbench has.
        InEditor(draw, [](TDrawpenForm* e) {
            e->Model().DeleteAll();
            QTest::mouseClick(e->Button(Control::Draw), Qt::LeftButton);
            QTest::keyClick(e, Qt::Key_Escape); // like "esc", nothing while a tool is active
            QVERIFY(e->isVisible());
            QTest::mouseClick(e->Button(Control::Draw), Qt::LeftButton);
            QTest::keyClick(e, Qt::Key_Escape);
            QVERIFY(!e->isVisible());
        });
        QCOMPARE(bench.State().Query.NumValidAtoms, 7);
        TCTab query;
        query.Assign(bench.State().Query);

        // The editor opens with the query, not with the drawing cancelled before.
        InEditor(draw, [&](TDrawpenForm* e) {
            QCOMPARE(e->windowTitle(), QString("Structure Editor"));
            QCOMPARE(CompareCtab(e->QueryStructure(), query), 0);
            QTest::mouseClick(e->Button(Control::Esc), Qt::LeftButton);
        });

        // A charge drawn leaves the editor as a file holds it: the oxygen drawn as -1 is code 5.
        InEditor(draw, [&](TDrawpenForm* e) {
            QCOMPARE(e->Structure().AtNum(7), 8);
            e->Model().CycleCharge(7);
            e->Model().CycleCharge(7);
            QCOMPARE(e->Structure().Charge(7), -1);
            QTest::mouseClick(e->Button(Control::Exit), Qt::LeftButton);
        });
        QCOMPARE(bench.State().Query.Charge(7), 5);

        const std::string molfile = m_dir.File("cyclohexanol.mol");
        test::WriteBytes(molfile, kCyclohexanol);
        QVERIFY(window.LoadQueryFile(molfile));

        // A query from a file, whose y grows upward, is shown the right way up: the ring atom at
        // the file's top (3) above the one at its bottom (6), the O (1) right of its carbon (2).
        InEditor(draw, [&](TDrawpenForm* e) {
            const TCTab& t = e->Structure();
            QCOMPARE(t.NumValidAtoms, 7);
            QVERIFY(t.Atom(3).y < t.Atom(6).y);
            QVERIFY(t.Atom(1).x > t.Atom(2).x);
            QVERIFY(t.Atom(4).x < t.Atom(2).x);
            Screenshot(e, "editor-query-from-file");
            QTest::mouseClick(e->Button(Control::Exit), Qt::LeftButton);
        });
        QVERIFY(bench.State().QueryDrawn);
        // Saved, the drawing keeps y growing upward, as the file it came from did.
        const std::string saved = m_dir.File("saved.mol");
        QVERIFY(bench.SaveQuery(saved));
        TCTab back;
        TextReader reader(saved);
        QVERIFY(ReadMolRecord(back, reader));
        QVERIFY(back.Atom(3).y > back.Atom(6).y);
        QVERIFY(back.Atom(1).x > back.Atom(2).x);
        QVERIFY(window.LoadQueryFile(molfile));
        QCOMPARE(bench.RunSearch(), SearchOutcome::Completed);
        const std::vector<ReportRow> fileRows = bench.ReportRows();
        QVERIFY(!drawnRows.empty());
        QCOMPARE(drawnRows.size(), fileRows.size());
        for (std::size_t k = 0; k < drawnRows.size(); ++k) {
            QCOMPARE(drawnRows[k].libraryPosition, fileRows[k].libraryPosition);
            QCOMPARE(drawnRows[k].value, fileRows[k].value);
        }
    }

    // With "Live" ticked the panel follows the drawing: greyed while a search of the newest
    // drawing runs, then the best matches of exactly that drawing, as a plain search ranks them.
    void liveResultsFollowTheDrawing()
    {
        const std::string library = test::NciLibrary(m_dir, "livelib", 400, true);
        QVERIFY(!library.empty());
        test::MainWindow main(m_dir.Path().string());
        TQVXForm& window = main.window;
        QVERIFY(main.Show());
        QVERIFY(window.OpenLibraryFile(library));
        Workbench& bench = window.Bench();
        main.Choose({"Bonds: single", "Bonds: double", "Atoms of N", "Hetero atoms", "Number of rings", "RandicIx"});
        QVERIFY(bench.SetBestCount("10"));

        QAction* draw = Action(&window, "&Draw  molecule");
        QVERIFY(draw && draw->isEnabled());
        SearchResults live;
        std::vector<std::string> names;
        bool ran = false;
        InEditor(draw, [&](TDrawpenForm* e) {
            ran = true;
            LivePanel* panel = e->LiveResultsPanel();
            QVERIFY(e->LiveBox()->isEnabled());
            QVERIFY(!panel->isVisible());
            e->resize(648, 513);
            QTest::mouseClick(e->LiveBox(), Qt::LeftButton);
            QVERIFY(panel->isVisible() && panel->Active());
            QVERIFY(e->width() >= 648 + panel->width()); // the drawing keeps its room
            Press(*e, Control::Benzene);
            Click(*e, {200, 150});
            QVERIFY(!panel->Current()); // nothing shown yet for this drawing
            QTRY_VERIFY_WITH_TIMEOUT(panel->Current(), 20000);
            const std::uint64_t benzene = panel->Generation();
            QCOMPARE(panel->Shown()->ranking.filled, 10);

            // A fused ring: the benzene results stay on screen greyed, never as the current ones.
            const TCTab& t = e->Structure();
            const QPoint side((t.Atom(2).x + t.Atom(3).x) / 2, (t.Atom(2).y + t.Atom(3).y) / 2);
            Click(*e, side);
            QCOMPARE(t.NumValidAtoms, 10);
            QVERIFY(panel->Generation() > benzene);
            QVERIFY(!panel->Current());
            QCOMPARE(panel->Shown()->generation, benzene);
            Screenshot(e, "editor-live-updating");
            // A nitrogen typed over the far right atom; its search replaces the naphthalene one.
            int far = 1;
            for (int i = 2; i <= 10; ++i)
                if (t.Atom(i).x > t.Atom(far).x + 0.5)
                    far = i;
            Move(*e, QPoint(qRound(t.Atom(far).x) + 2, qRound(t.Atom(far).y) - 2));
            QTest::keyClick(e->DrawingArea(), 'N');
            QCOMPARE(t.AtNum(far), 7);
            Press(*e, Control::Benzene); // the tool ends
            QTRY_VERIFY_WITH_TIMEOUT(panel->Current(), 20000);
            live = panel->Shown()->ranking;
            names = panel->Shown()->names;
            e->resize(e->width(), 760); // room for more of the best matches
            QApplication::processEvents();
            Screenshot(e, "editor-live-results");
            QTest::mouseClick(e->Button(Control::Exit), Qt::LeftButton);
        });
        QVERIFY(ran);
        QVERIFY(!QTest::currentTestFailed());
        // "OK" handed the drawing over; a plain search of it ranks exactly what the panel showed.
        QCOMPARE(bench.State().Query.NumValidAtoms, 10);
        QCOMPARE(bench.RunSearch(), SearchOutcome::Completed);
        const SearchResults& plain = bench.Results();
        QCOMPARE(live.filled, plain.filled);
        QCOMPARE(live.MaxValue, plain.MaxValue);
        QVERIFY(live.histogram == plain.histogram);
        for (std::size_t r = 0; r < plain.best.size(); ++r) {
            QCOMPARE(live.best[r].value, plain.best[r].value);
            QCOMPARE(live.best[r].number, plain.best[r].number);
        }
        const std::vector<ReportRow> rows = bench.ReportRows();
        for (std::size_t r = 0; r < rows.size(); ++r)
            QCOMPARE(names[r], rows[r].name);

        // Without descriptors chosen there is nothing to search: the box is off and disabled.
        main.Choose({});
        InEditor(draw, [&](TDrawpenForm* e) {
            QVERIFY(!e->LiveBox()->isEnabled());
            QVERIFY(!e->LiveBox()->isChecked());
            QVERIFY(!e->LiveResultsPanel()->isVisible());
            QTest::mouseClick(e->Button(Control::Esc), Qt::LeftButton);
        });
    }

    // Saving on the scratchpad and leaving by the menu's "Exit" end a chain being drawn, so its
    // bonds are stored from both ends.
    void handOverWhileDrawing()
    {
        TDrawpenForm e(m_dir.Path().string());
        QVERIFY(ShowAndWait(e));
        Press(e, Control::Draw);
        Click(e, A);
        Click(e, B);
        QVERIFY(e.Button(Control::SaveScratch)->isEnabled());
        Press(e, Control::SaveScratch);
        QCOMPARE(e.Controller().ActiveTool(), Tool::None);
        TCTab saved;
        TextReader reader(editor::EditorModel::ScratchPath(m_dir.Path().string()));
        QVERIFY(ReadCTB(saved, reader));
        QCOMPARE(saved.BondType(1, 2), 1);
        QCOMPARE(saved.BondType(2, 1), 1);

        Press(e, Control::Draw);
        Click(e, B);
        Click(e, C);
        e.ExitAction()->trigger();
        QCOMPARE(e.result(), int(QDialog::Accepted));
        QVERIFY(!e.isVisible());
        QCOMPARE(e.Structure().BondType(2, 3), 1);
        QCOMPARE(e.Structure().BondType(3, 2), 1);
    }

    // The window's keys and buttons reach the editing rules (tested in the core): naphthalene from
    // the benzene template in two clicks, a nitrogen typed over one of its atoms, both steps undone
    // and redone from the keyboard and the buttons, an atom deleted by its key.
    void ringTemplatesKeysAndUndo()
    {
        TDrawpenForm e(m_dir.Path().string());
        QVERIFY(ShowAndWait(e));
        const TCTab& t = e.Structure();
        QVERIFY(!e.Button(Control::Undo)->isEnabled() && !e.Button(Control::Redo)->isEnabled());
        Press(e, Control::Benzene);
        QVERIFY(e.Button(Control::Benzene)->isChecked() && !e.Button(Control::Ring6)->isChecked());
        Click(e, {200, 150}); // centred on the grid point (195, 150)
        QCOMPARE(t.NumValidAtoms, 6);
        const QPoint side((t.Atom(2).x + t.Atom(3).x) / 2, (t.Atom(2).y + t.Atom(3).y) / 2);
        Move(e, side); // the fused ring is shown before the click
        QCOMPARE(e.Controller().RingPreview().size(), std::size_t(6));
        Screenshot(&e, "editor-ring-preview");
        Click(e, side); // on the right-hand bond: fused
        QCOMPARE(t.NumValidAtoms, 10);
        QVERIFY(e.Button(Control::Undo)->isEnabled());

        // The pointer over the far right atom; "N" makes it a nitrogen.
        int far = 1;
        for (int i = 2; i <= 10; ++i)
            if (t.Atom(i).x > t.Atom(far).x + 0.5)
                far = i;
        const QPoint over(qRound(t.Atom(far).x) + 2, qRound(t.Atom(far).y) - 2);
        Move(e, over);
        QTest::keyClick(e.DrawingArea(), 'N');
        QCOMPARE(t.AtNum(far), 7);
        const TCTab withNitrogen = t;
        QTest::keyClick(e.DrawingArea(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.AtNum(far), 6);
        QVERIFY(e.Button(Control::Redo)->isEnabled());
        Press(e, Control::Undo);
        QCOMPARE(t.NumValidAtoms, 6);
        Press(e, Control::Redo);
        QCOMPARE(t.NumValidAtoms, 10);
        QTest::keyClick(e.DrawingArea(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(CompareCtab(t, withNitrogen), 0);
        QVERIFY(!e.Button(Control::Redo)->isEnabled());

        // Delete over an atom removes it with its bonds; undo brings it back.
        Move(e, over);
        QTest::keyClick(e.DrawingArea(), Qt::Key_Delete);
        QCOMPARE(t.NumValidAtoms, 9);
        QTest::keyClick(e.DrawingArea(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(CompareCtab(t, withNitrogen), 0);
        Press(e, Control::Benzene); // the tool ends
        QCOMPARE(e.Controller().ActiveTool(), Tool::None);
        Screenshot(&e, "editor-ring-templates");
    }

    // Ctrl+C puts the drawing on the clipboard as a molfile; Ctrl+V in another editor brings it
    // back, and a SMILES on the clipboard comes laid out (when the SMILES reader is there).
    void copyAndPaste()
    {
        TDrawpenForm e(m_dir.Path().string());
        QVERIFY(ShowAndWait(e));
        Press(e, Control::Ring5);
        Click(e, {200, 150});
        Press(e, Control::Ring5);
        Move(e, {200, 150});
        QTest::keyClick(e.DrawingArea(), Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data && data->hasFormat("chemical/x-mdl-molfile"));
        QVERIFY(data->data("chemical/x-mdl-molfile").contains("V2000"));
        if (StructureWritersAvailable()) {
            QCOMPARE(data->text(), QString("C1CCCC1"));
            QCOMPARE(data->data("chemical/x-daylight-smiles"), QByteArray("C1CCCC1"));
        } else {
            QVERIFY(data->text().contains("V2000"));
        }

        TDrawpenForm f(m_dir.Path().string());
        QVERIFY(ShowAndWait(f));
        QTest::keyClick(f.DrawingArea(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.Structure().NumValidAtoms, 5);
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(f.Structure().NumNeighbours(i), 2);
        QVERIFY(f.Button(Control::Undo)->isEnabled());

        QGuiApplication::clipboard()->setText("c1ccncc1 pyridine");
        QTest::keyClick(f.DrawingArea(), Qt::Key_V, Qt::ControlModifier);
        if (StructureFormatsAvailable()) {
            QCOMPARE(f.Structure().NumValidAtoms, 11);
            QCOMPARE(f.Structure().AtNum(9), 7);
            QCOMPARE(f.StatusLabel()->text(), QString());
        } else {
            QCOMPARE(f.Structure().NumValidAtoms, 5);
            QVERIFY(f.StatusLabel()->text().startsWith("Nothing pasted: "));
        }
        // "Clean up" lays the drawing out again where the layout is available.
        QCOMPARE(f.Button(Control::CleanUp)->isEnabled(), StructureWritersAvailable());
        if (StructureWritersAvailable()) {
            const TCTab before = f.Structure();
            Press(f, Control::CleanUp);
            QCOMPARE(f.Structure().NumValidAtoms, 11);
            QVERIFY(CompareCtab(before, f.Structure()) != 0);
            QTest::keyClick(f.DrawingArea(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(CompareCtab(before, f.Structure()), 0);
        }
        Screenshot(&f, "editor-pasted");
    }

    // The drawing follows the window: labels far right in a widened window are drawn, the grid
    // has a dot every 13 x 15 pixels.
    void gridAndLargeWindow()
    {
        TDrawpenForm e(m_dir.Path().string());
        e.resize(1400, 900);
        QVERIFY(ShowAndWait(e));
        QImage image(640, 332, QImage::Format_RGB32);
        e.RenderDrawing(image);
        int dots = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dots += image.pixel(x, y) == qRgb(128, 0, 0);
        QCOMPARE(dots, 49 * 22);
        e.GridAction()->trigger();
        QCOMPARE(e.GridAction()->text(), QString("Grid On"));
        e.SnapAction()->trigger();
        QCOMPARE(e.SnapAction()->text(), QString("Snap On"));
        QVERIFY(!e.Model().Snap && !e.Model().Grid);

        Press(e, Control::Draw); // two isolated atoms, near a far corner and near the origin
        for (QPoint p : {QPoint(1200, 600), QPoint(20, 20)}) {
            Click(e, p);
            Click(e, p, Qt::RightButton);
        }
        Click(e, {0, 0}, Qt::RightButton);
        QCOMPARE(e.Structure().NumValidAtoms, 2);
        QImage wide(e.DrawingArea()->size(), QImage::Format_RGB32);
        e.RenderDrawing(wide);
        for (QPoint p : {QPoint(1200, 600), QPoint(20, 20)}) { // each shows its label "C"
            int ink = 0;
            for (int y = p.y() - 12; y < p.y() + 12; ++y)
                for (int x = p.x() - 12; x < p.x() + 12; ++x)
                    ink += qGray(wide.pixel(x, y)) < 128;
            QVERIFY2(ink > 10, qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
        }
    }

    // Every tool-bar button shows its caption or an icon with ink in it: an icon missing from the
    // resources, or resources not registered, would leave a blank button.
    void toolBarButtonsAreNotBlank()
    {
        TDrawpenForm e(m_dir.Path().string());
        int icons = 0;
        for (int k = 0; k < editor::kControlCount; ++k) {
            const QToolButton* button = e.Button(static_cast<Control>(k));
            if (!button || !button->text().isEmpty())
                continue; // no button (the name panel), or a captioned one
            const QImage picture = button->icon().pixmap(24, 24).toImage();
            int ink = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    ink += qAlpha(picture.pixel(x, y)) > 128;
            QVERIFY2(ink > 20, qPrintable(button->toolTip() + QString(" (control %1)").arg(k)));
            ++icons;
        }
        QCOMPARE(icons, 35); // all but "esc", "Exit" and "ID"
    }
};

VELMORA_GUI_SUITE("editor_test", EditorTest);
#include "editor_test.moc"
