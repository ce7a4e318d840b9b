// The converter window stopped in the middle of an import: the message says how far it came and
// what the library holds, the "to" labels show the file as it is, and "Convert" stays disabled
// while the conversion runs. Files are chosen by script, messages are real message boxes.
#include "convertform.h"
#include "gui_support.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "progresswindows.h"
#include "qtuserdialog.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <functional>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;

namespace {

// Reads the text of the next message box, keeps its picture when asked, and closes it. It may
// come only after a conversion of some seconds.
void AnswerNextBox(QString* text, const QString& picture = {})
{
    WhenModal<QMessageBox>(
        [text, picture](QMessageBox* box) {
            *text = box->text();
            if (!picture.isEmpty())
                Screenshot(box, picture);
            box->button(QMessageBox::Ok)->click();
        },
        12000);
}

} // namespace

class ConverterWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::SetUpLook(); }

    void abortSaysWhatTheLibraryHolds()
    {
        test::TempDir folder;
        // Long enough for the progress window to show a count before the end (an import takes
        // some 10 ms per thousand records, the window looks every 40 ms).
        const std::string source = folder.File("nci20000.sdf");
        {
            const std::string records = test::ReadBytes(test::DataFile("nci1000.sdf"));
            std::string text;
            for (int copy = 0; copy < 20; ++copy)
                text += records;
            test::WriteBytes(source, text);
        }
        const std::string first = folder.File("first.clb");
        const std::string stopped = folder.File("stopped.clb");
        StructureLibrary library;
        QtUserDialog boxes; // real message boxes, which the test reads and closes
        RelayDialog dialog;
        dialog.messages = &boxes;
        QtProgress progress;
        TConvertForm form(library, dialog, progress);
        Converter converter;
        converter.PrepareImport(source, CountSDRecords(source));
        dialog.scripted.files = {first, stopped};

        QString done, stoppedText;
        QList<bool> enabledWhileRunning;
        QString sizeAfterFirst;
        bool checked = false;
        WhenModal<TConvertForm>([&](TConvertForm* shown) {
            // A whole import first: its size stays on the labels until the next run.
            shown->SaveAsButton()->click();
            AnswerNextBox(&done);
            shown->ConvertButton()->click();
            sizeAfterFirst = shown->ToSize()->text();
            QCOMPARE(sizeAfterFirst, QString::fromStdString(FileSizeText(first)));

            // The second into another library, stopped at the first look at the progress window.
            shown->SaveAsButton()->click();
            QVERIFY(shown->ToSize()->text().isEmpty());
            QVERIFY(shown->ConvertButton()->isEnabled());
            // Stopped once the progress window has counted some records.
            QTimer underWay;
            connect(&underWay, &QTimer::timeout, shown, [&, shown] {
                if (!progress.Busy() || progress.Window().Gauge()->value() == 0)
                    return;
                underWay.stop();
                for (QPushButton* button : {shown->ConvertButton(), shown->SaveAsButton(), shown->ExitButton()})
                    enabledWhileRunning << button->isEnabled();
                AnswerNextBox(&stoppedText, QStringLiteral("converter-aborted-message"));
                progress.Window().AbortButton()->click();
            });
            underWay.start(2);
            shown->ConvertButton()->click();
            Screenshot(shown, "converter-aborted");
            library.ReleaseFiles();
            const long holds = CountLibraryRecords(stopped);
            QVERIFY(holds > 0 && holds < 20000);
            const QRegularExpression expected(
                QStringLiteral("^Conversion stopped after \\d+ of 20000 records;\nthe library holds %1 structures?\\.$")
                    .arg(holds));
            QVERIFY2(expected.match(stoppedText).hasMatch(), qPrintable(stoppedText));
            QCOMPARE(shown->ToSize()->text(), QString::fromStdString(FileSizeText(stopped)));
            QVERIFY(shown->ToSize()->text() != sizeAfterFirst);
            QCOMPARE(shown->ToFormat()->text(), QStringLiteral("*.clb"));
            QVERIFY(!shown->ConvertButton()->isEnabled()); // a new target first
            QVERIFY(shown->ExitButton()->isEnabled());
            checked = true;
            shown->ExitButton()->click();
        });
        QVERIFY(!form.Run(converter));
        QVERIFY(checked);
        QCOMPARE(done, QStringLiteral("Conversion successful"));
        QCOMPARE(enabledWhileRunning, QList<bool>({false, false, false}));
        QVERIFY(!progress.Busy());
    }
};

VELMORA_GUI_SUITE("converter_window_test", ConverterWindowTest);
#include "converter_window_test.moc"
