#pragma once
// Progress of a long loop (counting, import, export, parameters, search, statistics). The loop
// says at Start what kind of loop it is, reports its total and count and polls once per structure;
// the user interface processes pending input there and answers whether the user asked to abort or
// to suspend. Whether a kind may be suspended or aborted is decided here, once, for every window.
#include <string>

namespace velmora {

enum class ProgressRequest { Continue, Suspend, Abort };

// What a long loop does. The caption that comes with it is only shown to the user.
enum class ProgressKind {
    ImportCount,    // the records of a file counted before its import
    Conversion,     // structures imported into a library or exported from it
    Parameters,     // the library parameters: mean and standard deviation of the group counts
    DescriptorFile, // the library's descriptor file and its parameters
    Comparison,     // the search comparing every structure of the library with the query
    Ranking,        // the search's best matches put in order
    ResultLibrary,  // the search's histogram and result library written
    Statistics,     // the library statistics counted
    CrossComparison, // every structure of one library compared with another library, and its files
};

// The loops that keep polling without working while the answer is Suspend: import, export, the
// descriptor file and the comparison of two libraries. The others take Suspend as Continue, so a
// window offers them no Suspend.
constexpr bool Suspendable(ProgressKind kind)
{
    return kind == ProgressKind::Conversion || kind == ProgressKind::DescriptorFile ||
           kind == ProgressKind::CrossComparison;
}

// The loops that poll and stop at Abort. The import count and the search's last steps (ranking,
// result library) run to their end once started.
constexpr bool Abortable(ProgressKind kind)
{
    return kind != ProgressKind::ImportCount && kind != ProgressKind::Ranking && kind != ProgressKind::ResultLibrary;
}

class Progress {
public:
    virtual ~Progress() = default;
    // A Start while a loop runs begins its next step (the search: comparison, ranking, result
    // library) without a Finish in between.
    virtual void Start(ProgressKind kind, const std::string& caption, long total) = 0;
    virtual void Step(long done) = 0;
    // Called once per structure; while it answers Suspend a Suspendable loop keeps polling without work.
    virtual ProgressRequest Poll() = 0;
    virtual void Finish() = 0;
};

// Reports nothing and never interrupts.
class NullProgress final : public Progress {
public:
    void Start(ProgressKind, const std::string&, long) override {}
    void Step(long) override {}
    ProgressRequest Poll() override { return ProgressRequest::Continue; }
    void Finish() override {}
};

} // namespace velmora
