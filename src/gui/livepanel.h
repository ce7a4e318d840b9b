#pragma once
// The structure editor's live results: beside the drawing, the best matches of the open library
// for the drawing as it is now and their distribution diagram. Every change of the drawing starts
// a search on a worker thread (after a short pause, so that a quick series of edits searches
// once); a newer change cancels the run in hand. Results are shown only when they belong to the
// drawing on screen; otherwise the panel is greyed with "updating …".
#include "model/ctab.h"
#include "search/livesearch.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QTimer;

namespace velmora::gui {

class LivePanel : public QWidget {
    Q_OBJECT
public:
    explicit LivePanel(QWidget* parent = nullptr);
    ~LivePanel() override;

    // The open library's state to search (nothing: no live search possible); drops any results.
    void SetSource(std::optional<LiveSearchSetup> setup);
    // Searching on or off; off cancels the run in hand.
    void SetActive(bool active);
    bool Active() const { return m_active; }
    // The drawing changed (or may have): a new generation when it differs from the last one.
    void DrawingChanged(const TCTab& drawing);

    // What the panel shows: results of the drawing on screen, or none (then greyed, updating).
    bool Current() const { return m_shown && m_shown->generation == m_generation; }
    const LiveResults* Shown() const { return m_shown ? &*m_shown : nullptr; }
    std::uint64_t Generation() const { return m_generation; }
    QString Message() const { return m_message; }

signals:
    // Results of the current drawing are shown.
    void resultsShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    // A closed editor searches no more; showing it again searches the drawing then.
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Job {
        TCTab drawing;
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
    };
    void StartSearch();
    void Work();
    void CancelRunning();
    // The panel's content without the greying.
    void Render(QImage& image) const;
    void Delivered(std::shared_ptr<LiveResults> results, QString error, std::uint64_t generation);

    std::optional<LiveSearchSetup> m_setup;
    bool m_active = false;
    TCTab m_drawing;             // the drawing on screen
    bool m_hasDrawing = false;
    std::uint64_t m_generation = 0; // of the drawing on screen
    std::optional<LiveResults> m_shown;
    QString m_message;           // an error of the last search, or why nothing is searched
    QTimer* m_debounce = nullptr;
    QImage m_cache;
    bool m_cacheDirty = true;

    // The worker and its one job slot.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_pending;
    std::shared_ptr<std::atomic<bool>> m_runningCancel;
    std::optional<LiveSearchSetup> m_workerSetup; // handed to the worker with the next job
    bool m_setupChanged = false;
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace velmora::gui
