#pragma once
// Turns one audio file into the text columns of one row: the v2 side (ID3v2, RIFF
// INFO or WMA attributes) and the v1 side (ID3v1), with tag kind, text code, tag
// size, picture presence and the audio format.
#include "app/RowStore.h"
#include "platform/Bytes.h"
#include "platform/FileAccess.h"
#include "tags/TagOptions.h"

#include <QString>

namespace quillory {

class GenreTable;
class UserPrompt;
class WmaErrorGate;

class TagLoader {
public:
    TagLoader(const TagOptions& options, const GenreTable* genres) : options_(options), genres_(genres) {}

    // The WMA error gate of the window; none: WMA open failures pass silently.
    void setWmaGate(WmaErrorGate* gate) { wmaGate_ = gate; }

    // Fills the row at index from the file at path. fillEmptyOnly leaves filled
    // columns alone (the background fetcher); bothSides reads the side not shown
    // too; resetChangeFlags writes "0" into both change masks.
    void LoadRow(RowStore& store, int index, const QString& path, bool fillEmptyOnly, bool bothSides,
                 bool resetChangeFlags);

    // Re-reads every row (wholeList) or the selected rows; rows whose files vanished
    // are removed (the files are never touched). Returns the number of rows removed.
    int RevertRows(RowStore& store, bool wholeList, bool resetChangeFlags, bool skipMp3AndRmp,
                   bool bothSides, UserPrompt* prompt);

private:
    enum class Kind { None, Id3v2, Riff, Wma, Other };
    enum class Pass { Main, Extended };
    struct State;

    void readV2Side(State& st, Pass pass, int base);
    void readV1Side(State& st, int base);
    bool prepareV2(State& st);
    void clearSide(State& st, Pass pass, int base);
    void putAudioFormat(State& st);
    QString frameText(State& st, const char* id23, bool foldCode);
    // Reads len bytes at offset (clipped to the file) into the working buffer.
    void readBody(std::uint64_t offset, std::uint64_t len, bool allowed);
    ByteView bodyView() const { return ByteView(body_.data(), bodyLen_); }

    const TagOptions& options_;
    const GenreTable* genres_;
    WmaErrorGate* wmaGate_ = nullptr;
    FileReader file_;
    Bytes body_;            // working buffer; only its first bodyLen_ bytes are the tag
    std::size_t bodyLen_ = 0;
};

// Lower-cased extension with its dot ("" when there is none).
QString LowerExtension(const QString& path);

} // namespace quillory
