#pragma once
// Progress of a long loop (counting, import, export, parameters, search, statistics). The loop
// reports its total and count and polls once per structure; the user interface processes pending
// input there and answers whether the user asked to abort or to suspend.
#include <string>

namespace velmora {

enum class ProgressRequest { Continue, Suspend, Abort };

class Progress {
public:
    virtual ~Progress() = default;
    virtual void Start(const std::string& caption, long total) = 0;
    virtual void Step(long done) = 0;
    // Called once per structure; while it answers Suspend the loop keeps polling without work.
    virtual ProgressRequest Poll() = 0;
    virtual void Finish() = 0;
};

// Reports nothing and never interrupts.
class NullProgress final : public Progress {
public:
    void Start(const std::string&, long) override {}
    void Step(long) override {}
    ProgressRequest Poll() override { return ProgressRequest::Continue; }
    void Finish() override {}
};

} // namespace velmora
