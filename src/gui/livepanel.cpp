#include "livepanel.h"

#include "base/ioerror.h"
#include "base/numtext.h"
#include "graphics/grafctab.h"
#include "report/searchdiagram.h"
#include "qtcanvas.h"
#include "search/coefficients.h"

#include <QMetaObject>
#include <QPainter>
#include <QPaintEvent>
#include <QTimer>

#include <exception>

namespace velmora::gui {
namespace {
constexpr int kDebounceMs = 100;
constexpr int kPanelWidth = 300;
constexpr int kHeaderHeight = 22;
constexpr int kRowHeight = 76;
constexpr int kThumbWidth = 110;
} // namespace

LivePanel::LivePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName("livePanel");
    setFixedWidth(kPanelWidth);
    setAutoFillBackground(true);
    m_debounce = new QTimer(this);
    m_debounce->setSingleShot(true);
    m_debounce->setInterval(kDebounceMs);
    connect(m_debounce, &QTimer::timeout, this, &LivePanel::StartSearch);
    m_worker = std::thread(&LivePanel::Work, this);
}

LivePanel::~LivePanel()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        if (m_runningCancel)
            *m_runningCancel = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void LivePanel::SetSource(std::optional<LiveSearchSetup> setup)
{
    CancelRunning();
    m_setup = std::move(setup);
    {
        std::lock_guard lock(m_mutex);
        m_workerSetup = m_setup;
        m_setupChanged = true;
    }
    m_shown.reset();
    m_message = m_setup ? QString() : QString("Open a library in NORMAL mode and choose descriptors to see live results.");
    ++m_generation;
    if (m_active && m_hasDrawing && m_setup)
        m_debounce->start();
    m_cacheDirty = true;
    update();
}

void LivePanel::SetActive(bool active)
{
    m_active = active;
    m_cacheDirty = true;
    if (!active) {
        m_debounce->stop();
        CancelRunning();
        m_shown.reset();
    } else if (m_hasDrawing && m_setup) {
        ++m_generation;
        m_debounce->start();
    }
    update();
}

void LivePanel::DrawingChanged(const TCTab& drawing)
{
    // Scratch marks of graph searches are no change of the drawing.
    if (m_hasDrawing && (CompareCtab(drawing, m_drawing) & ~kDiffAtFlag) == 0)
        return;
    m_drawing.Assign(drawing);
    m_hasDrawing = true;
    ++m_generation;
    if (!m_active || !m_setup)
        return;
    CancelRunning();
    m_debounce->start(); // restarted by every change: one search after a quick series of edits
    update();
}

void LivePanel::CancelRunning()
{
    std::lock_guard lock(m_mutex);
    m_pending.reset();
    if (m_runningCancel)
        *m_runningCancel = true;
}

void LivePanel::StartSearch()
{
    if (!m_active || !m_setup || !m_hasDrawing)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_runningCancel)
            *m_runningCancel = true;
        m_pending = Job{m_drawing, m_generation, std::make_shared<std::atomic<bool>>(false)};
    }
    m_wake.notify_all();
}

void LivePanel::Work()
{
    std::optional<LiveSearchSetup> setup; // the library state searched
    std::unique_ptr<LiveSearch> search;   // made from it once, so the checks run once per state
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_pending; });
            if (m_stop)
                return;
            job = std::move(*m_pending);
            m_pending.reset();
            m_runningCancel = job.cancel;
            if (m_setupChanged) {
                setup = m_workerSetup;
                search.reset();
                m_setupChanged = false;
            }
        }
        std::shared_ptr<LiveResults> results;
        QString error;
        try {
            if (!search && setup)
                search = std::make_unique<LiveSearch>(*setup); // tried again with the next edit when it fails
            if (search)
                if (auto found = search->Run(job.drawing, job.generation, *job.cancel))
                    results = std::make_shared<LiveResults>(std::move(*found));
        } catch (const std::exception& e) {
            search.reset();
            error = QString::fromStdString(e.what());
        }
        {
            std::lock_guard lock(m_mutex);
            m_runningCancel.reset();
        }
        if (results || !error.isEmpty())
            // Queued to the window's thread; dropped by Qt when the panel is gone by then.
            QMetaObject::invokeMethod(this, [this, results, error, generation = job.generation] {
                Delivered(results, error, generation);
            }, Qt::QueuedConnection);
    }
}

void LivePanel::Delivered(std::shared_ptr<LiveResults> results, QString error, std::uint64_t generation)
{
    // Results of an older drawing are never shown as current.
    if (!m_active || generation != m_generation)
        return;
    if (!results) {
        m_message = error;
        m_cacheDirty = true;
        update();
        return;
    }
    m_shown = std::move(*results);
    m_message.clear();
    m_cacheDirty = true;
    update();
    emit resultsShown();
}

void LivePanel::hideEvent(QHideEvent*)
{
    m_debounce->stop();
    CancelRunning();
}

void LivePanel::showEvent(QShowEvent*)
{
    if (m_active && m_setup && m_hasDrawing && !Current())
        m_debounce->start();
}

void LivePanel::Render(QImage& image) const
{
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(QFont("Arial", 9, QFont::Bold));
        QString header;
        if (!m_setup || !m_message.isEmpty())
            header = "Live results";
        else if (!m_active)
            header = "Live results: off";
        else if (m_shown)
            header = QString("Best %1 of %2").arg(m_shown->ranking.filled).arg(m_shown->ranking.lines);
        else
            header = "Live results";
        painter.drawText(QRect(8, 0, width() - 16, kHeaderHeight), Qt::AlignVCenter | Qt::AlignLeft, header);
        int y = kHeaderHeight;
        if (!m_message.isEmpty()) {
            painter.setFont(QFont("Arial", 9));
            painter.drawText(QRect(8, y, width() - 16, 80), Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft, m_message);
        } else if (m_shown) {
            // The distribution diagram, drawn at its own size and shrunk to the panel's width.
            SearchDiagramData data;
            data.CoefficientIndex = m_shown->ranking.coefficient;
            data.MaxValue = m_shown->ranking.MaxValue;
            for (int i = 0; i < kDiagramBins; ++i)
                data.Histogram[static_cast<std::size_t>(i)] =
                    static_cast<std::int32_t>(m_shown->ranking.histogram[static_cast<std::size_t>(i)]);
            QImage diagram(kDiagramWidth, kDiagramHeight, QImage::Format_RGB32);
            {
                QtCanvas canvas(diagram);
                canvas.SetBrushColor(kSilver);
                canvas.SetBrushStyle(BrushStyle::Solid);
                canvas.Clear();
                DrawSearchDiagram(canvas, data, 0, 0);
            }
            // The framed chart without the calculation time below it.
            const QImage small = diagram.copy(0, 0, kDiagramWidth, kDiagramChartHeight + 32)
                                     .scaledToWidth(width() - 8, Qt::SmoothTransformation);
            painter.drawImage(4, y, small);
            y += small.height() + 4;
            painter.setFont(QFont("Arial", 8));
            painter.drawText(QRect(8, y, width() - 16, 16), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromStdString(CoefficientName(m_shown->ranking.coefficient)));
            y += 18;
            for (int rank = 1; rank <= m_shown->ranking.filled && y < height(); ++rank, y += kRowHeight) {
                const auto r = static_cast<std::size_t>(rank - 1);
                QImage thumb(kThumbWidth, kRowHeight - 4, QImage::Format_RGB32);
                {
                    QtCanvas canvas(thumb);
                    canvas.SetBrushColor(kWhite);
                    canvas.SetBrushStyle(BrushStyle::Solid);
                    canvas.Clear();
                    TGrafCtab drawing(&canvas);
                    drawing.Assign(m_shown->structures[r]);
                    drawing.ClipRect = {0, 0, thumb.width(), thumb.height()};
                    drawing.DrawFitted(1, 4, 4, thumb.width() - 4, thumb.height() - 4, 24);
                }
                painter.drawImage(4, y + 2, thumb);
                painter.setPen(QColor(192, 192, 192));
                painter.drawRect(4, y + 2, kThumbWidth - 1, kRowHeight - 5);
                painter.setPen(Qt::black);
                painter.setFont(QFont("Arial", 8));
                const int textX = kThumbWidth + 10;
                const int textWidth = width() - textX - 6;
                const QString name = painter.fontMetrics().elidedText(
                    QString::fromStdString(m_shown->names[r]), Qt::ElideRight, textWidth);
                painter.drawText(QRect(textX, y + 4, textWidth, 16), Qt::AlignLeft | Qt::AlignVCenter,
                                 QString("%1.").arg(rank));
                painter.drawText(QRect(textX, y + 20, textWidth, 16), Qt::AlignLeft | Qt::AlignVCenter, name);
                painter.setFont(QFont("Courier New", 9));
                painter.drawText(QRect(textX, y + 38, textWidth, 16), Qt::AlignLeft | Qt::AlignVCenter,
                                 QString::fromStdString(
                                     FormatFixed(m_shown->ranking.best[r].value, 4)));
            }
        }
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(0, 0, 0, height() - 1);
    }
}

void LivePanel::paintEvent(QPaintEvent*)
{
    // The content is drawn again only when it changed: an edit only greys it.
    if (m_cacheDirty || m_cache.size() != size()) {
        m_cache = QImage(size(), QImage::Format_RGB32);
        Render(m_cache);
        m_cacheDirty = false;
    }
    QImage image = m_cache;
    {
        QPainter painter(&image);
        // Results that do not belong to the drawing on screen are greyed and marked.
        if (m_setup && m_active && m_message.isEmpty() && !Current()) {
            painter.fillRect(QRect(0, kHeaderHeight, width(), height() - kHeaderHeight), QColor(255, 255, 255, 170));
            const QRect note(width() / 2 - 60, kHeaderHeight + 40, 120, 28);
            painter.fillRect(note, QColor(255, 255, 224));
            painter.setPen(QColor(128, 128, 128));
            painter.drawRect(note.adjusted(0, 0, -1, -1));
            painter.setPen(QColor(64, 64, 64));
            painter.setFont(QFont("Arial", 10, QFont::Bold));
            painter.drawText(note, Qt::AlignCenter, QString::fromUtf8("updating …"));
        }
    }
    QPainter(this).drawImage(0, 0, image);
}

} // namespace velmora::gui
