#pragma once
// Puts the changed fields of rows back into their files: the ID3v1 block, the
// ID3v2 tag (patched in place inside its padding, or rewritten through a new file),
// the RIFF INFO chunk, or the WMA attributes; then clears the change masks, keeps
// or renews the file's time and restores a read-only permission it had to lift.
#include "app/RowStore.h"
#include "tags/TagOptions.h"

#include <QString>

namespace quillory {

class FileOps;
class GenreTable;
class UserPrompt;
class WmaErrorGate;

enum class WriteWhich : int { Both = 0, V1 = 1, V2 = 2 };

// What the window does around each row; every hook may stay a no-op.
class WriterView {
public:
    virtual ~WriterView() = default;
    // Before a row is written ("書き出し時にスクロール").
    virtual void ScrollToRow(int index) { (void)index; }
    // The preview player stops when it plays the file; returns whether it did.
    virtual bool SuspendPlaybackFor(const QString& path) { (void)path; return false; }
    virtual void ResumePlayback() {}
    // The row's marker or texts changed and it is to be repainted.
    virtual void RowChanged(int index) { (void)index; }
    // The path shown in the status bar while the row is written.
    virtual void ShowStatus(const QString& text) { (void)text; }
};

// One run of the write buttons: the settings, the genre table, who answers the
// questions, and the answers given so far.
struct WriterContext {
    WriterContext(TagOptions& o, const GenreTable* g, UserPrompt& p) : options(o), genres(g), prompt(p) {}

    TagOptions& options; // "いいえ" to the WM/Track question switches an option here for good
    const GenreTable* genres;
    UserPrompt& prompt;
    WmaErrorGate* wmaGate = nullptr; // none: WMA failures pass silently
    FileOps* fileOps = nullptr;      // none: the real system
    WriterView* view = nullptr;

    // The per-run answers, cleared by WriteButtonClick.
    bool answeredAll = false;     // "全てはい"
    bool processReadOnly = false; // "読み取り専用も処理する"
    bool cancelled = false;       // "キャンセル" pressed the cancel switch
};

enum class RowOutcome {
    Nothing,  // no change to write
    Written,
    Skipped,  // a question was answered so that the row is left as it is
    Failed,   // an error was shown; the file is as it was
};

// Writes one row's changed sides. The answer Answer::Abort (a question refused by a
// prompt that cannot ask) skips the row without stopping the run.
RowOutcome WriteRow(RowStore& store, int index, WriteWhich which, WriterContext& context);

struct WriteSummary {
    int written = 0;
    int skipped = 0;
    int failed = 0;
    bool cancelled = false;
};
// The run of a write button over every read row of the list, in list order.
WriteSummary WriteButtonClick(RowStore& store, WriteWhich which, WriterContext& context);

} // namespace quillory
