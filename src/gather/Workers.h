#pragma once
// The background workers of the main window: the tag fetcher (TTagGetThread), the
// visible-range loader (TListThread1) and the UI-state updater (TChgTagThread).
// None of them touches a row or a control: each decides what comes next and hands
// the work to the main thread, waiting until it is done. Pausing is cooperative: a
// paused worker waits on a condition variable, and work it had already handed over
// finds the pause on the main thread and does nothing.
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

namespace quillory {

// What the workers ask of the window. Every call runs on the main thread, never two
// at the same time.
class WorkerHost {
public:
    virtual ~WorkerHost() = default;
    // Rows of the list when a fetch run starts.
    virtual int FetchRowCount() = 0;
    // Loads the first row not yet read at index from or later and below count;
    // returns its index, or count when every row there is read. One call of the
    // fetcher may ask for several rows in a row.
    virtual int FetchNextRow(int from, int count) = 0;
    virtual void ReportFetchProgress(int index) = 0;
    // The end of a fetch run (fetchBusy is already cleared).
    virtual void FinishTagFetch() = 0;
    virtual void LoadVisibleRow(int index) = 0;
    virtual void RepaintList() = 0;
    virtual void UpdateUiState() = 0;
};

class BackgroundWork;

// A worker thread with a stop request, a cooperative pause and calls onto the main
// thread that a stop request abandons (so that stopping never waits on a call the
// main thread cannot run while it waits).
class WorkerThread : public QThread {
public:
    explicit WorkerThread(BackgroundWork& owner);
    ~WorkerThread() override;

    void requestStop();
    bool stopRequested() const { return stop_.load(); }
    void pause();
    void resume();
    bool paused() const { return paused_.load(); }
    // Stops and waits for the thread.
    void stopAndWait();

protected:
    // Runs fn on the main thread and waits for its result; empty when the worker was
    // asked to stop before the main thread ran it.
    std::optional<int> callOnMain(std::function<int()> fn);
    // Waits while paused; false when asked to stop.
    bool waitWhilePaused();
    // Sleeps ms, waking early on a stop request or a wake().
    void sleepFor(int ms);
    void wake();

    BackgroundWork& owner_;

private:
    struct PendingCall;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> paused_{false};
    bool woken_ = false;
    std::shared_ptr<PendingCall> current_;
};

// Tag fetcher: walks the rows from the first and has every row not yet read loaded.
class TTagGetThread : public WorkerThread {
public:
    using WorkerThread::WorkerThread;
    // The next row is looked for from index again (after a sort or a move).
    void rewind(int index);
    int currentIndex() const { return index_.load(); }

protected:
    void run() override;

private:
    std::atomic<int> index_{0};
    std::atomic<int> rewind_{-1};
};

// Visible-range loader: loads the rows the list is about to show while fetching.
class TListThread1 : public WorkerThread {
public:
    using WorkerThread::WorkerThread;
    // last range start := -1, paused := false, resumed.
    void restart();

protected:
    void run() override;

private:
    std::atomic<int> lastStart_{-1};
};

// UI-state updater: refreshes the enabled state of buttons and menus every 500 ms.
class TChgTagThread : public WorkerThread {
public:
    using WorkerThread::WorkerThread;
    static constexpr int kIntervalMs = 500;

protected:
    void run() override;
};

// The window's side of the workers: creates, pauses and stops them and runs their
// calls. Lives on the main thread.
class BackgroundWork {
public:
    // Results of a fetch step besides a row index.
    static constexpr int kStepPaused = -2;
    static constexpr int kStepBusy = -3;
    // Longest stretch of rows one fetch call reads on the main thread.
    static constexpr int kFetchSliceMs = 8;

    explicit BackgroundWork(WorkerHost& host);
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // TTagGetThread
    void StartTagFetch(bool asked);
    bool StopTagFetch();
    bool PauseFetching();
    void ResumeFetching(bool wasRunning);
    bool fetchBusy() const { return fetchBusy_.load(); }
    bool fetcherExists() const { return fetcher_ != nullptr; }
    // After a sort or a move while fetching: the fetcher looks again from row 0.
    void RewindFetcher();
    int fetcherIndex() const;

    // TListThread1: the list announces the rows it will show.
    void OnDataHint(int first, int last);
    int visibleStart() const { return visibleStart_.load(); }
    int visibleEnd() const { return visibleEnd_.load(); }
    void RestartListLoader();
    bool listLoaderPaused() const;

    // TChgTagThread
    void StartUiUpdater();
    void StopUiUpdater();
    void SuspendUiUpdater();
    void ResumeUiUpdater();
    bool uiUpdaterRunning() const;

    // Rest after each fetched row: 1 ms while the tags-from-file-names dialog is
    // open, 60 ms while the left mouse button is held, else none.
    void setMouseButtonDown(bool down) { mouseDown_.store(down); }
    void setNamesDialogOpen(bool open) { namesDialog_.store(open); }
    int fetchRestMs() const;

    // The window closes: every worker ends, the fetcher's end handler does nothing.
    void Shutdown();
    bool closing() const { return closing_; }

    // Whether a worker call is running on the main thread right now.
    bool inWorkerCall() const { return inCall_; }

private:
    friend class WorkerThread;
    friend class TTagGetThread;
    friend class TListThread1;
    friend class TChgTagThread;

    // Main-thread bodies of the worker calls.
    int rowCountCall();
    int fetchStepCall(int from, int count);
    int progressCall(int index);
    int finishCall();
    int loadVisibleCall(int index);
    int loaderIdleCall();
    int uiUpdateCall();
    template <class F> int guarded(F&& f);

    QObject* context() const { return context_.get(); }

    WorkerHost& host_;
    std::unique_ptr<QObject> context_;
    std::unique_ptr<TTagGetThread> fetcher_;
    std::unique_ptr<TListThread1> loader_;
    std::unique_ptr<TChgTagThread> updater_;
    std::atomic<bool> fetchBusy_{false};
    std::atomic<int> visibleStart_{-1};
    std::atomic<int> visibleEnd_{-1};
    std::atomic<bool> mouseDown_{false};
    std::atomic<bool> namesDialog_{false};
    bool closing_ = false;
    bool inCall_ = false;
};

} // namespace quillory
