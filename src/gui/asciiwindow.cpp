#include "asciiwindow.h"

#include "report/asciiexport.h"
#include "search/workbench.h"

#include <QCoreApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <chrono>
#include <random>

namespace velmora::gui {

AsciiExportWindow::AsciiExportWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Creating the ASCII-File"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint & ~Qt::WindowCloseButtonHint);
    m_text = new QLabel(QStringLiteral("Please wait ..."), this);
    m_text->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 20, 30, 20);
    layout->addWidget(m_text);
    setMinimumWidth(260);
}

std::string AsciiExportWindow::Run(Workbench& workbench)
{
    show();
    raise();
    // Let the window draw itself before the export keeps the program busy.
    QCoreApplication::processEvents();
    const auto hide = qScopeGuard([this] { this->hide(); });
    if (onShown)
        onShown();
    std::mt19937 random(static_cast<std::mt19937::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    return ExportAscii(workbench, random);
}

} // namespace velmora::gui
