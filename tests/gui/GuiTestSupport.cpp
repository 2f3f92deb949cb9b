#include "GuiTestSupport.h"

#include "support/Id3v2Builder.h"
#include "support/MpegFrames.h"

#include "app/ui/ListView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace quillory::test {

void writeMp3(const QString& path, const QString& title, const QString& artist, const QString& v1Title)
{
    Bytes tag = Id3v2Builder(3).text("TIT2", 1, title).text("TPE1", 1, artist).padding(64).build();
    Bytes audio = silentStream(FrameSpec{}, 4);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(reinterpret_cast<const char*>(tag.data()), qint64(tag.size()));
    f.write(reinterpret_cast<const char*>(audio.data()), qint64(audio.size()));
    if (!v1Title.isEmpty()) {
        QByteArray v1(128, '\0');
        v1.replace(0, 3, "TAG");
        QByteArray t = v1Title.toLatin1().left(30);
        v1.replace(3, t.size(), t);
        v1[127] = char(255);
        f.write(v1);
    }
}

void RecordingPrompt::ShowMessage(const QString& title, const QString& text, PromptIcon)
{
    messages << (title + QStringLiteral(": ") + text);
}

Answer RecordingPrompt::Ask(Question& q)
{
    questions << q;
    if (!answers.isEmpty())
        return answers.takeFirst();
    return q.buttons.isEmpty() ? Answer::Cancel : q.buttons.back();
}

bool waitUntil(const std::function<bool()>& cond, int timeoutMs)
{
    // The event loop waits for events instead of sleeping between rounds, so the
    // workers' calls onto this thread are served as the window serves them.
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

WindowHarness::WindowHarness(QStringList arguments, QString instanceName) : instanceName_(std::move(instanceName))
{
    make(std::move(arguments));
}

WindowHarness::~WindowHarness()
{
    if (window_) {
        prompt_.answers = {Answer::Yes};
        window_->close();
        window_.reset();
    }
}

Folders WindowHarness::folders() const
{
    return ComputeFolders(dir_.filePath(QStringLiteral("bin")), dir_.filePath(QStringLiteral("data")),
                          QStringLiteral("tester"));
}

void WindowHarness::make(QStringList arguments)
{
    TDU3ZiruVozivDlg::StartOptions o;
    o.arguments = std::move(arguments);
    o.settingsPath = settingsPath();
    o.folders = folders();
    o.instanceName = instanceName_;
    window_ = std::make_unique<TDU3ZiruVozivDlg>(o);
    window_->setPrompt(&prompt_);
}

bool WindowHarness::close()
{
    bool closed = window_->close();
    QApplication::processEvents();
    return closed;
}

void WindowHarness::reopen(QStringList arguments)
{
    if (window_) {
        if (window_->isVisible()) {
            prompt_.answers = {Answer::Yes};
            window_->close();
        }
        window_.reset();
    }
    make(std::move(arguments));
}

void WindowHarness::showAndSettle()
{
    window_->show();
    // The first tick of Timer1 shows the list.
    waitUntil([this] { return window_->listView()->isVisible(); }, 5000);
}

bool WindowHarness::waitForFetch(int timeoutMs)
{
    return waitUntil(
        [this] {
            if (window_->background().fetchBusy())
                return false;
            RowStore& s = window_->rowStore();
            for (int i = 0; i < s.count(); ++i)
                if (!s.row(i).isRead())
                    return false;
            return true;
        },
        timeoutMs);
}

QStringList makeFiles(const QString& dir, int n)
{
    QDir().mkpath(dir);
    QStringList out;
    for (int i = 0; i < n; ++i) {
        QString p = dir + QStringLiteral("/f%1.mp3").arg(i, 5, 10, QLatin1Char('0'));
        writeMp3(p, QStringLiteral("曲 %1").arg(i), QStringLiteral("歌手"));
        out << p;
    }
    return out;
}

} // namespace quillory::test
