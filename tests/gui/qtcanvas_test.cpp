// The QPainter canvas draws what the core asks: a structure inside its rectangle, a not-xor pen
// that undoes itself, dashed lines with gaps, bitmaps copied in place.
#include "base/textfile.h"
#include "fonts.h"
#include "graphics/grafctab.h"
#include "io/molfile.h"
#include "qtcanvas.h"
#include "gui_support.h"
#include "test_support.h"

#include <QApplication>
#include <QtTest>

using namespace velmora;
using namespace velmora::gui;

namespace {

// The smallest rectangle holding every pixel that is not white.
QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

int InkOnRow(const QImage& image, int y)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += image.pixel(x, y) != qRgb(255, 255, 255);
    return count;
}

} // namespace

class QtCanvasTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void structureFillsItsRectangleAndStaysInside()
    {
        TCTab query;
        TextReader reader(test::DataFile("query.mol"));
        MolReadStatus status;
        ReadMolRecord(query, reader, status); // a lone molfile ends without "$$$$"
        QVERIFY(!status.Rejected() && query.NumValidAtoms > 10);
        QImage image(400, 300, QImage::Format_RGB32);
        {
            QtCanvas canvas(image);
            canvas.SetBrushColor(kWhite);
            canvas.Clear();
            TGrafCtab drawing(&canvas);
            drawing.Assign(query);
            drawing.DrawFitted(1, 10, 10, 390, 290, 50);
        }
        const QRect ink = InkBox(image);
        QVERIFY(!ink.isEmpty());
        // Atoms lie inside the rectangle; a label centred on an edge atom may reach half its width
        // beyond it.
        const QRect allowed = QRect(QPoint(10, 10), QPoint(390, 290)).adjusted(-15, -10, 15, 10);
        QVERIFY2(allowed.contains(ink), qPrintable(QString("%1,%2 %3x%4").arg(ink.x()).arg(ink.y())
                                                       .arg(ink.width()).arg(ink.height())));
        // Fitted: the drawing spans most of one side of the rectangle.
        QVERIFY(ink.width() > 250 || ink.height() > 200);
        test::Screenshot(image, "qtcanvas-query");
    }

    void notXorTwiceRestoresAndDashesLeaveGaps()
    {
        QImage image(100, 40, QImage::Format_RGB32);
        QtCanvas canvas(image);
        canvas.SetBrushColor(kWhite);
        canvas.Clear();
        canvas.SetBrushColor(Rgb(200, 30, 30));
        canvas.FillRect(10, 0, 40, 40);
        const QImage before = image.copy();
        canvas.SetPen({kBlack, 1, PenStyle::Solid, PenMode::NotXor});
        canvas.Line(0, 20, 99, 20);
        QVERIFY(image != before);
        canvas.Line(0, 20, 99, 20);
        QCOMPARE(image, before);

        canvas.SetBrushColor(kWhite);
        canvas.Clear();
        canvas.SetPen({kBlack, 1, PenStyle::Solid, PenMode::Copy});
        canvas.Line(0, 10, 99, 10);
        canvas.SetPenStyle(PenStyle::Dashed);
        canvas.Line(0, 30, 99, 30);
        const int solid = InkOnRow(image, 10), dashed = InkOnRow(image, 30);
        QVERIFY(solid >= 99);
        QVERIFY(dashed > 40 && dashed < 85);
    }

    void bitmapsAreCopiedAtTheirPlaceAndOnlyQtOnes()
    {
        QImage image(60, 60, QImage::Format_RGB32);
        QtCanvas canvas(image);
        canvas.Clear();
        auto bitmap = canvas.CreateBitmap(10, 8);
        bitmap->GetCanvas().SetBrushColor(Rgb(0, 0, 255));
        bitmap->GetCanvas().FillRect(0, 0, 10, 8);
        canvas.DrawBitmap(20, 30, *bitmap);
        QCOMPARE(InkBox(image), QRect(20, 30, 10, 8));
        QCOMPARE(image.pixelColor(25, 33), QColor(0, 0, 255));
        // Text lands in the box the core measures, so layouts match the SVG pictures.
        canvas.SetBrushColor(kWhite);
        canvas.Clear();
        for (const char* name : {"Arial", "Courier New"}) {
            canvas.SetFont({name, 14, FontStyle::None, kBlack});
            canvas.SetBrushStyle(BrushStyle::Clear);
            canvas.TextOut(5, 5, "NH2");
            const QRect measured(5, 5, canvas.TextWidth("NH2"), canvas.TextHeight("NH2"));
            const QRect ink = InkBox(image);
            QVERIFY2(measured.adjusted(-1, -1, 1, 1).contains(ink), name);
            QVERIFY2(ink.width() > measured.width() / 2, name);
            canvas.SetBrushStyle(BrushStyle::Solid);
            canvas.Clear();
        }
    }
};

VELMORA_GUI_SUITE("qtcanvas_test", QtCanvasTest);
#include "qtcanvas_test.moc"
