#pragma once
// The workbench's first page: the work steps as boxes joined by arrows. Boxes are shortcuts to the
// menu commands; their colours show the work in progress (lime while working, white at rest).
#include <QAbstractButton>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QWidget>

#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QFrame;

namespace velmora::gui {

// One of our own icons, from the resources (e.g. "library", "print").
QIcon Icon(const char* name);

inline const QColor kWorkingColor(0, 255, 0);
inline const QColor kRestColor(255, 255, 255);

// One box of the flow: an optional icon above a caption, filled with its state colour.
class FlowBox : public QAbstractButton {
    Q_OBJECT
public:
    FlowBox(const QString& caption, const QIcon& icon, QWidget* parent = nullptr);
    void SetFill(const QColor& fill);
    QColor Fill() const { return m_fill; }
    // The icon can be a picture shown only while its step works.
    void SetPictureShown(bool shown);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon m_icon;
    QColor m_fill = kRestColor;
    bool m_pictureShown = true;
};

// The query as drawn on the flow page ("My Structure"), with its name below.
class StructureView : public QWidget {
    Q_OBJECT
public:
    explicit StructureView(QWidget* parent = nullptr);
    // The picture to show (drawn by the window with the core's structure drawing).
    void SetPicture(const QImage& picture);
    QSize sizeHint() const override { return {200, 150}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

class FlowPage : public QWidget {
    Q_OBJECT
public:
    explicit FlowPage(QWidget* parent = nullptr);

    FlowBox* clbLibrary;       // "CLB Library"        -> open library
    FlowBox* molLibrary;       // "Mol Library"        -> import
    FlowBox* internalLibrary;  // "Internal Library"   -> viewer
    FlowBox* loadMolecule;     // "Load Molecule"
    FlowBox* createMolecule;   // "Create Molecule"
    FlowBox* saveMolecule;     // "Save Molecule"
    FlowBox* descriptors;      // "Structural descriptors"
    FlowBox* coefficient;      // "Similarity coefficient"
    FlowBox* bestCount;        // "Number of best matching"
    FlowBox* libraryCalculator; // index calculators, lime while comparing
    FlowBox* queryCalculator;
    FlowBox* comparison;       // the comparison picture, shown while comparing
    FlowBox* bestMatching;     // lime while ranking
    FlowBox* filters;          // "Filters" -> the filters dialog; there only while filters are set
    FlowBox* similarityTable;  // "CLB Similarity Library" -> report table
    FlowBox* similarityExport; // "Mol Similarity Library" -> export
    FlowBox* internalStructure; // "Internal Structure"    -> detail page
    StructureView* query;      // "My Structure"
    QLabel* queryTitle;        // "My Structure", or "My Structures" while a query set is loaded
    QLabel* queryName;         // fitted to its fixed width; "N structures (file)" for a query set
    QFrame* calculatePanel;    // shown exactly when a search can start
    QPushButton* calculate;

    // A query set loaded (queries > 0): the query box names the count and the file, the coefficient
    // box the fusion rule; queries 0 returns both to a single query's captions.
    void SetQuerySetShown(int queries, const QString& fusion);

    // Shows the "Filters" box between "Best matching" and the results (or takes it away).
    void SetFiltersShown(bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void JoinArrows();

    std::vector<std::pair<QWidget*, QWidget*>> m_arrows;
};

} // namespace velmora::gui
