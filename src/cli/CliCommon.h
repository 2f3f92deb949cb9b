#pragma once
// Shared pieces of the command-line front end: settings with -o overrides, the
// prompt that talks to stderr, and output helpers.
#include "app/RowStore.h"
#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "media/Genres.h"
#include "media/wma/WmaErrorGate.h"
#include "platform/Folders.h"
#include "tags/TagOptions.h"

#include <QString>
#include <QStringList>
#include <string>

namespace quillory::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Settings of the store (never written by the CLI) with the -o overrides applied.
struct CliSettings {
    Folders folders;
    Settings settings;
};
// false with a message on stderr when an override names no setting or has a bad value.
bool LoadCliSettings(const QStringList& overrides, CliSettings& out);

// The common start of a command: settings with the overrides (false: bad usage,
// already reported), the tag options from them, and the exit status so far (1 when
// a path does not exist, each reported on stderr).
bool PrepareCliRun(const QStringList& overrides, const QStringList& paths, CliSettings& cs, TagOptions& options,
                   int& status);
inline GenreLanguage GenreLanguageOf(const TagOptions& o)
{
    return o.japaneseGenres ? GenreLanguage::Japanese : GenreLanguage::English;
}

// Gathers the paths as the window does (same walk, order and extensions, the
// "double check" setting) and reads every row with both sides, change flags reset.
void GatherAndLoad(const QStringList& paths, const CliSettings& cs, const TagOptions& options,
                   const GenreTable& genres, WmaErrorGate& gate, RowStore& store);

// Messages go to stderr; questions are answered by the given default.
class StderrPrompt : public UserPrompt {
public:
    explicit StderrPrompt(Answer defaultAnswer = Answer::Cancel) : default_(defaultAnswer) {}
    void ShowMessage(const QString& title, const QString& text, PromptIcon icon) override;
    Answer Ask(Question& question) override;

private:
    Answer default_;
};

// Checks that each path exists; reports "path: error text" on stderr for each that
// does not. Returns false when any was missing.
bool ReportMissingPaths(const QStringList& paths);

void WriteStdout(const std::string& s);
void PrintErr(const QString& s);

std::string JsonEscape(const QString& s);
std::string TsvEscape(const QString& s);
// Display width in terminal cells (East Asian wide and full-width characters count 2).
int DisplayWidth(const QString& s);

} // namespace quillory::cli
