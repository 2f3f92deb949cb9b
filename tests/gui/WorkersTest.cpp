// The background workers against a host that counts what it is asked: every call on
// the main thread, none nested, none after a stop, none while paused.
#include "gather/Workers.h"
#include "GuiTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <vector>

using namespace quillory;

namespace {

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool spinUntil(const std::function<bool()>& cond, int timeoutMs = 20000) { return test::waitUntil(cond, timeoutMs); }

class FakeHost : public WorkerHost {
public:
    explicit FakeHost(int rows) : read(std::size_t(rows), false) {}

    std::vector<bool> read;
    std::vector<int> readOrder;
    int finished = 0;
    int lastProgress = -1;
    int uiUpdates = 0;
    int repaints = 0;
    int depth = 0;
    int maxDepth = 0;
    bool wrongThread = false;
    std::function<void(int)> onLoad; // runs inside a load, on the main thread

    void enter()
    {
        wrongThread = wrongThread || QThread::currentThread() != qApp->thread();
        maxDepth = std::max(maxDepth, ++depth);
    }
    void leave() { --depth; }
    void load(int i)
    {
        read[std::size_t(i)] = true;
        readOrder.push_back(i);
        if (onLoad)
            onLoad(i);
    }
    int readCount() const { return int(std::count(read.begin(), read.end(), true)); }

    int FetchRowCount() override
    {
        enter();
        leave();
        return int(read.size());
    }
    int FetchNextRow(int from, int count) override
    {
        enter();
        int r = count;
        for (int i = from; i < count; ++i)
            if (!read[std::size_t(i)]) {
                load(i);
                r = i;
                break;
            }
        leave();
        return r;
    }
    void ReportFetchProgress(int index) override { lastProgress = index; }
    void FinishTagFetch() override { ++finished; }
    void LoadVisibleRow(int index) override
    {
        enter();
        if (index >= 0 && index < int(read.size()) && !read[std::size_t(index)])
            load(index);
        leave();
    }
    void RepaintList() override { ++repaints; }
    void UpdateUiState() override { ++uiUpdates; }
};

} // namespace

TEST(Workers, TheFetcherReadsEveryRowFromTheTopAndEnds)
{
    FakeHost host(500);
    BackgroundWork w(host);
    w.StartTagFetch(false);
    EXPECT_FALSE(w.fetcherExists()) << "nothing unless asked";
    w.StartTagFetch(true);
    EXPECT_TRUE(w.fetchBusy());
    ASSERT_TRUE(spinUntil([&] { return host.finished == 1; }));
    EXPECT_EQ(host.readCount(), 500);
    EXPECT_TRUE(std::is_sorted(host.readOrder.begin(), host.readOrder.end()));
    EXPECT_FALSE(w.fetchBusy());
    EXPECT_EQ(host.lastProgress, 500);
    EXPECT_FALSE(host.wrongThread);
    EXPECT_EQ(host.maxDepth, 1);
    // A second run skips what is read and ends at once.
    w.StartTagFetch(true);
    ASSERT_TRUE(spinUntil([&] { return host.finished == 2; }));
    EXPECT_EQ(host.readOrder.size(), 500u);
}

TEST(Workers, StoppingNeverWaitsForACallTheMainThreadHasNotRun)
{
    FakeHost host(100);
    BackgroundWork w(host);
    w.StartTagFetch(true);
    // The fetcher has handed its first call over; the main thread does not serve it.
    QThread::msleep(50);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(w.StopTagFetch());
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(w.fetcherExists());
    EXPECT_FALSE(w.fetchBusy());
    // The abandoned call finds nobody waiting and does nothing.
    spin(50);
    EXPECT_EQ(host.readCount(), 0);
    EXPECT_EQ(host.finished, 0);
}

TEST(Workers, APausedFetcherReadsNothingUntilResumed)
{
    FakeHost host(2000);
    host.onLoad = [](int) { QThread::usleep(200); };
    BackgroundWork w(host);
    w.StartTagFetch(true);
    ASSERT_TRUE(spinUntil([&] { return host.readCount() > 10; }));
    ASSERT_TRUE(w.PauseFetching());
    spin(20); // whatever was handed over before the pause finds it and returns
    int atPause = host.readCount();
    spin(100);
    EXPECT_EQ(host.readCount(), atPause);
    w.ResumeFetching(true);
    ASSERT_TRUE(spinUntil([&] { return host.finished == 1; }));
    EXPECT_EQ(host.readCount(), 2000);
    EXPECT_FALSE(w.PauseFetching()) << "nothing to pause once fetching has ended";
}

TEST(Workers, TheVisibleRangeIsReadBeforeTheFetcherGetsThere)
{
    FakeHost host(3000);
    host.onLoad = [](int) { QThread::usleep(300); };
    BackgroundWork w(host);
    w.setNamesDialogOpen(true); // one row per call, a rest after each
    w.StartTagFetch(true);
    ASSERT_TRUE(spinUntil([&] { return host.readCount() > 5; }));
    w.OnDataHint(2000, 2030);
    ASSERT_TRUE(spinUntil([&] {
        for (int i = 2000; i <= 2030; ++i)
            if (!host.read[std::size_t(i)])
                return false;
        return true;
    }));
    EXPECT_LT(w.fetcherIndex(), 2000);
    EXPECT_FALSE(host.read[2999]);
    // The loader resumes the fetcher once the screen is done.
    int before = host.readCount();
    ASSERT_TRUE(spinUntil([&] { return host.readCount() > before + 5; }));
    EXPECT_GE(host.repaints, 1);
    w.setNamesDialogOpen(false);
    ASSERT_TRUE(spinUntil([&] { return host.finished == 1; }, 60000));
    EXPECT_EQ(host.maxDepth, 1);
    // After fetching, a new range loads nothing.
    host.readOrder.clear();
    w.OnDataHint(10, 40);
    spin(50);
    EXPECT_TRUE(host.readOrder.empty());
    EXPECT_TRUE(w.listLoaderPaused());
}

TEST(Workers, ACallArrivingWhileAnotherRunsIsNotNested)
{
    // A load that shows a message box runs the event loop; calls of the other
    // workers that arrive meanwhile wait for their turn.
    FakeHost host(200);
    bool nestedOnce = false;
    host.onLoad = [&](int i) {
        if (i == 3 && !nestedOnce) {
            nestedOnce = true;
            spin(100);
        }
    };
    BackgroundWork w(host);
    w.StartUiUpdater();
    w.StartTagFetch(true);
    w.OnDataHint(100, 120);
    ASSERT_TRUE(spinUntil([&] { return host.finished == 1; }));
    EXPECT_TRUE(nestedOnce);
    EXPECT_EQ(host.maxDepth, 1);
    EXPECT_EQ(host.readCount(), 200);
    // The UI-state updater runs at the lowest priority: on a busy machine its first
    // update may come after the fetcher is done.
    EXPECT_TRUE(spinUntil([&] { return host.uiUpdates >= 1; }));
    EXPECT_EQ(host.maxDepth, 1);
}

TEST(Workers, TheUiUpdaterPausesAndShutdownEndsEverything)
{
    FakeHost host(50000);
    host.onLoad = [](int) { QThread::usleep(100); };
    BackgroundWork w(host);
    w.StartUiUpdater();
    ASSERT_TRUE(spinUntil([&] { return host.uiUpdates >= 1; }));
    w.SuspendUiUpdater();
    EXPECT_FALSE(w.uiUpdaterRunning());
    spin(20);
    int n = host.uiUpdates;
    spin(700);
    EXPECT_EQ(host.uiUpdates, n);
    w.ResumeUiUpdater();
    ASSERT_TRUE(spinUntil([&] { return host.uiUpdates > n; }));
    w.StartTagFetch(true);
    w.OnDataHint(40000, 40040);
    spin(20);
    w.Shutdown();
    EXPECT_TRUE(w.closing());
    EXPECT_FALSE(w.fetcherExists());
    EXPECT_FALSE(w.uiUpdaterRunning());
    int after = host.readCount();
    spin(50);
    EXPECT_EQ(host.readCount(), after);
    EXPECT_EQ(host.finished, 0) << "the end handler does nothing while closing";
    w.StartTagFetch(true);
    EXPECT_FALSE(w.fetcherExists()) << "nothing starts once closing";
}
