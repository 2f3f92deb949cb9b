#include "gather/Workers.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>

#include <chrono>

namespace quillory {

// ---- WorkerThread ----------------------------------------------------------

struct WorkerThread::PendingCall {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    bool abandoned = false;
    int result = 0;
};

WorkerThread::WorkerThread(BackgroundWork& owner) : owner_(owner) {}

WorkerThread::~WorkerThread()
{
    stopAndWait();
}

void WorkerThread::requestStop()
{
    std::shared_ptr<PendingCall> call;
    {
        std::lock_guard<std::mutex> g(mutex_);
        stop_.store(true);
        call = current_;
    }
    if (call) {
        {
            std::lock_guard<std::mutex> g(call->mutex);
            if (!call->done)
                call->abandoned = true;
        }
        call->cv.notify_all();
    }
    cv_.notify_all();
}

void WorkerThread::stopAndWait()
{
    requestStop();
    if (isRunning())
        wait();
}

void WorkerThread::pause()
{
    paused_.store(true);
}

void WorkerThread::resume()
{
    {
        std::lock_guard<std::mutex> g(mutex_);
        paused_.store(false);
    }
    cv_.notify_all();
}

void WorkerThread::wake()
{
    {
        std::lock_guard<std::mutex> g(mutex_);
        woken_ = true;
    }
    cv_.notify_all();
}

bool WorkerThread::waitWhilePaused()
{
    std::unique_lock<std::mutex> lk(mutex_);
    cv_.wait(lk, [this] { return stop_.load() || !paused_.load(); });
    return !stop_.load();
}

void WorkerThread::sleepFor(int ms)
{
    std::unique_lock<std::mutex> lk(mutex_);
    cv_.wait_for(lk, std::chrono::milliseconds(ms), [this] { return stop_.load() || woken_; });
    woken_ = false;
}

std::optional<int> WorkerThread::callOnMain(std::function<int()> fn)
{
    auto call = std::make_shared<PendingCall>();
    {
        std::lock_guard<std::mutex> g(mutex_);
        if (stop_.load())
            return std::nullopt;
        current_ = call;
    }
    // The call holds only the shared record and the function: when the worker has
    // been stopped meanwhile it finds the record abandoned and does nothing.
    QMetaObject::invokeMethod(
        owner_.context(),
        [call, fn = std::move(fn)]() {
            {
                std::lock_guard<std::mutex> g(call->mutex);
                if (call->abandoned)
                    return;
            }
            int r = fn();
            {
                std::lock_guard<std::mutex> g(call->mutex);
                call->result = r;
                call->done = true;
            }
            call->cv.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lk(call->mutex);
    call->cv.wait(lk, [&] { return call->done || call->abandoned; });
    bool done = call->done;
    int result = call->result;
    lk.unlock();
    {
        std::lock_guard<std::mutex> g(mutex_);
        if (current_ == call)
            current_.reset();
    }
    if (!done)
        return std::nullopt;
    return result;
}

// ---- TTagGetThread -----------------------------------------------------------

void TTagGetThread::rewind(int index)
{
    rewind_.store(index);
}

void TTagGetThread::run()
{
    BackgroundWork& w = owner_;
    std::optional<int> n = callOnMain([&w] { return w.rowCountCall(); });
    if (!n)
        return;
    const int count = *n;
    int index = index_.load();
    while (!stopRequested()) {
        if (!waitWhilePaused())
            return;
        int from = rewind_.exchange(-1);
        if (from >= 0 && from < index)
            index = from;
        if (index >= count)
            break;
        std::optional<int> r = callOnMain([&w, index, count] { return w.fetchStepCall(index, count); });
        if (!r)
            return;
        if (*r == BackgroundWork::kStepPaused)
            continue;
        if (*r == BackgroundWork::kStepBusy) {
            sleepFor(5);
            continue;
        }
        int before = index;
        index = *r + 1;
        index_.store(index);
        // Progress every 32 rows.
        if (index / 32 != before / 32 && index < count) {
            if (!callOnMain([&w, index] { return w.progressCall(index); }))
                return;
        }
        if (*r < count) {
            int rest = w.fetchRestMs();
            if (rest > 0)
                sleepFor(rest);
        }
    }
    if (stopRequested())
        return;
    if (!callOnMain([&w, count] { return w.progressCall(count); }))
        return;
    callOnMain([&w] { return w.finishCall(); });
}

// ---- TListThread1 ------------------------------------------------------------

void TListThread1::restart()
{
    lastStart_.store(-1);
    resume();
    wake();
}

void TListThread1::run()
{
    BackgroundWork& w = owner_;
    int idlePasses = 0;
    while (!stopRequested()) {
        if (paused()) {
            if (!waitWhilePaused())
                return;
            continue;
        }
        int start = w.visibleStart();
        if (start != lastStart_.load()) {
            int end = w.visibleEnd();
            lastStart_.store(start);
            idlePasses = 0;
            for (int i = start; i <= end && i >= 0 && !paused() && !stopRequested();) {
                std::optional<int> r = callOnMain([&w, i] { return w.loadVisibleCall(i); });
                if (!r)
                    return;
                if (*r == BackgroundWork::kStepBusy) {
                    sleepFor(5);
                    continue;
                }
                ++i;
            }
            continue;
        }
        if (idlePasses < 2) {
            ++idlePasses;
            if (!callOnMain([&w] { return w.loaderIdleCall(); }))
                return;
        }
        sleepFor(10);
    }
}

// ---- TChgTagThread -----------------------------------------------------------

void TChgTagThread::run()
{
    BackgroundWork& w = owner_;
    while (!stopRequested()) {
        if (!waitWhilePaused())
            return;
        if (!callOnMain([&w] { return w.uiUpdateCall(); }))
            return;
        sleepFor(kIntervalMs);
    }
}

// ---- BackgroundWork ------------------------------------------------------------

BackgroundWork::BackgroundWork(WorkerHost& host) : host_(host), context_(std::make_unique<QObject>())
{
    // The loader lives as long as the window; it waits paused until a range comes.
    loader_ = std::make_unique<TListThread1>(*this);
    loader_->pause();
    loader_->start(QThread::NormalPriority);
}

BackgroundWork::~BackgroundWork()
{
    Shutdown();
}

template <class F> int BackgroundWork::guarded(F&& f)
{
    // A call that arrives while another one runs (a message box inside a load lets
    // the event loop run) comes back later.
    if (inCall_)
        return kStepBusy;
    inCall_ = true;
    int r = f();
    inCall_ = false;
    return r;
}

int BackgroundWork::rowCountCall()
{
    return guarded([this] { return host_.FetchRowCount(); });
}

int BackgroundWork::fetchStepCall(int from, int count)
{
    if (!fetcher_ || fetcher_->paused() || fetcher_->stopRequested())
        return kStepPaused;
    // One call reads rows for a few milliseconds: the hand-over costs as much as a
    // small file, and the events waiting meanwhile are served between two calls.
    // While the fetcher has to rest after each row it reads one row per call.
    const bool oneRow = fetchRestMs() > 0;
    return guarded([&] {
        QElapsedTimer slice;
        slice.start();
        int last = -1;
        for (int i = from; i < count;) {
            int r = host_.FetchNextRow(i, count);
            if (r < 0 || r >= count)
                break;
            last = r;
            i = r + 1;
            if (oneRow || slice.elapsed() >= kFetchSliceMs)
                break;
        }
        return last >= 0 ? last : count;
    });
}

int BackgroundWork::progressCall(int index)
{
    return guarded([&] {
        host_.ReportFetchProgress(index);
        return 0;
    });
}

int BackgroundWork::finishCall()
{
    return guarded([this] {
        if (closing_)
            return 0;
        fetchBusy_.store(false);
        host_.FinishTagFetch();
        return 0;
    });
}

int BackgroundWork::loadVisibleCall(int index)
{
    if (!loader_ || loader_->paused())
        return 0;
    return guarded([&] {
        if (fetchBusy_.load())
            host_.LoadVisibleRow(index);
        return 0;
    });
}

int BackgroundWork::loaderIdleCall()
{
    return guarded([this] {
        host_.RepaintList();
        if (fetchBusy_.load() && fetcher_)
            fetcher_->resume();
        return 0;
    });
}

int BackgroundWork::uiUpdateCall()
{
    if (!updater_ || updater_->paused())
        return 0;
    return guarded([this] {
        host_.UpdateUiState();
        return 0;
    });
}

void BackgroundWork::StartTagFetch(bool asked)
{
    if (!asked || closing_)
        return;
    if (fetcher_)
        fetcher_->stopAndWait();
    fetchBusy_.store(true);
    fetcher_ = std::make_unique<TTagGetThread>(*this);
    fetcher_->start(QThread::LowPriority);
}

bool BackgroundWork::StopTagFetch()
{
    bool was = false;
    if (fetcher_ && (fetchBusy_.load() || !fetcher_->paused())) {
        fetchBusy_.store(false);
        fetcher_->stopAndWait();
        was = true;
    }
    fetcher_.reset();
    if (!closing_ && loader_)
        loader_->pause();
    return was;
}

bool BackgroundWork::PauseFetching()
{
    if (fetcher_ && fetchBusy_.load()) {
        fetcher_->pause();
        if (loader_)
            loader_->pause();
        return true;
    }
    return false;
}

void BackgroundWork::ResumeFetching(bool wasRunning)
{
    if (!wasRunning || closing_)
        return;
    if (fetcher_)
        fetcher_->resume();
    RestartListLoader();
}

void BackgroundWork::RewindFetcher()
{
    if (fetcher_)
        fetcher_->rewind(0);
}

int BackgroundWork::fetcherIndex() const
{
    return fetcher_ ? fetcher_->currentIndex() : -1;
}

void BackgroundWork::OnDataHint(int first, int last)
{
    if (closing_)
        return;
    if (fetcher_ && fetchBusy_.load())
        fetcher_->pause();
    if (loader_)
        loader_->pause();
    visibleStart_.store(first);
    visibleEnd_.store(last);
    if (fetchBusy_.load() && loader_ && loader_->paused())
        loader_->restart();
}

void BackgroundWork::RestartListLoader()
{
    if (loader_ && !closing_)
        loader_->restart();
}

bool BackgroundWork::listLoaderPaused() const
{
    return !loader_ || loader_->paused();
}

void BackgroundWork::StartUiUpdater()
{
    if (closing_)
        return;
    StopUiUpdater();
    updater_ = std::make_unique<TChgTagThread>(*this);
    // Lowest, not idle: on Linux an idle thread gets no time at all while the
    // machine is busy, and the buttons would stop following the selection.
    updater_->start(QThread::LowestPriority);
}

void BackgroundWork::StopUiUpdater()
{
    if (updater_)
        updater_->stopAndWait();
    updater_.reset();
}

void BackgroundWork::SuspendUiUpdater()
{
    if (updater_)
        updater_->pause();
}

void BackgroundWork::ResumeUiUpdater()
{
    if (updater_)
        updater_->resume();
}

bool BackgroundWork::uiUpdaterRunning() const
{
    return updater_ && !updater_->paused();
}

int BackgroundWork::fetchRestMs() const
{
    if (namesDialog_.load())
        return 1;
    return mouseDown_.load() ? 60 : 0;
}

void BackgroundWork::Shutdown()
{
    if (closing_ && !fetcher_ && !updater_ && !loader_)
        return;
    closing_ = true;
    StopTagFetch();
    StopUiUpdater();
    if (loader_) {
        loader_->stopAndWait();
        loader_.reset();
    }
    fetchBusy_.store(false);
}

} // namespace quillory
