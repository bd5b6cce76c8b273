#pragma once
// The stop of one run, held by whoever asked for it. Copies share one state: the requester
// keeps one and trips it; the run checks it. Tripping is safe before the run starts, while it
// runs, after it has ended, from another thread and from a signal handler (atomics only).
#include <atomic>
#include <memory>

struct _xsltTransformContext;

class TStopToken {
public:
    TStopToken();

    void Trip() const noexcept;
    bool Tripped() const noexcept { return State->Asked.load(std::memory_order_relaxed); }
    // Whether both are copies of one token.
    bool SameAs(const TStopToken& other) const noexcept { return State == other.State; }

    // While a watch lives, a trip also halts the transformation of ctxt at its next
    // instruction; the watch waits out a trip writing into the context before it goes. A trip
    // just before the watch began is not applied to ctxt: check Tripped() once it has begun.
    class TWatch {
    public:
        TWatch(const TStopToken& token, _xsltTransformContext* ctxt);
        ~TWatch();
        TWatch(const TWatch&) = delete;
        TWatch& operator=(const TWatch&) = delete;

    private:
        const TStopToken& Token;
    };

private:
    struct TState {
        std::atomic<bool> Asked{false};
        std::atomic<_xsltTransformContext*> Running{nullptr};
        std::atomic<int> Stoppers{0};  // trips writing into Running right now
    };
    std::shared_ptr<TState> State;
};
