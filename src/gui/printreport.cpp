#include "printreport.h"

#include "qtprinttarget.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::gui {

PrintingWindow::PrintingWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName("printingWindow");
    setWindowTitle("Information");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel("Printing ...", this);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    setMinimumSize(240, 90);
}

void PrintingWindow::Begin()
{
    show();
    raise();
    // Painted before the job takes the thread.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PrintingWindow::End() { hide(); }

ReportPrinter::ReportPrinter(Workbench& workbench, PrinterProvider& printers, QWidget* parent)
    : QObject(parent), m_workbench(workbench), m_printers(&printers), m_parent(parent),
      m_printing(new PrintingWindow(parent))
{
}

ReportStyle ReportPrinter::AskStyle()
{
    QMessageBox box(QMessageBox::Question, "Reportstyle", "Choose image of the report", QMessageBox::NoButton, m_parent);
    box.setObjectName("reportStyleBox");
    QPushButton* graphic = box.addButton("Graphic", QMessageBox::AcceptRole);
    QPushButton* table = box.addButton("Table", QMessageBox::AcceptRole);
    box.setDefaultButton(graphic);
    box.setEscapeButton(graphic); // closing the box gives the drawings
    box.exec();
    return box.clickedButton() == table ? ReportStyle::Table : ReportStyle::Drawing;
}

bool ReportPrinter::Print()
{
    const ReportStyle style = AskStyle();
    QPrinter* printer = m_printers->ChoosePrinter(m_parent);
    if (!printer)
        return false;
    PrintingNote note(*m_printing);
    QtPrintTarget target(*printer);
    PrintSearchReport(target, MakeReportPrintData(m_workbench), style);
    return true;
}

} // namespace velmora::gui
