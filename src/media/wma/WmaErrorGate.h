#pragma once
// Every failure of WMA access passes through this gate, so that one file shows at
// most one message however many of its attributes fail. The window owns one gate;
// the loader and the writer reset its count before each WMA file.
#include <QString>
#include <cstdint>
#include <utility>

namespace quillory {

class FileReader;
class UserPrompt;

namespace wmamsg {
inline const char16_t kSetFailed[] = u"ヘッダ・セクションへの設定に失敗";
inline const char16_t kWriteFailed[] = u"ファイルへの書き出しに失敗";
inline const char16_t kOpenFailedTail[] = u"\nWMA ファイルの情報を取得するのに失敗しました。\n\n※キャンセルでスキップする";
} // namespace wmamsg

class WmaErrorGate {
public:
    // title: the application title, shown on the open-failure box.
    explicit WmaErrorGate(UserPrompt& prompt, QString title = QStringLiteral("Quillory"))
        : prompt_(prompt), title_(std::move(title))
    {
    }

    std::uint32_t wmaErrorCount = 0;
    // Set by Cancel on the open-failure box; cleared when rows are re-read from their
    // files and when files are gathered into the list.
    bool skipWmaOpenErrors = false;
    // Path of the last file whose open failure was shown; the window also stores the
    // selected row's path here.
    QString lastReportedPath;

    void ResetErrorCount() { wmaErrorCount = 0; }
    void ClearSkipOpenErrors() { skipWmaOpenErrors = false; }

    // A plain message, shown only for the first failure since the last reset.
    void Report(const QString& message);

    // A file could not be opened as WMA. Nothing is shown for the path shown last,
    // nor for a file whose last 128 bytes begin with "TAG" (an MPEG file carrying a
    // WMA name), nor while skipWmaOpenErrors is set. handle: the file already open,
    // used for the "TAG" look; none: the file is opened here for it.
    void ReportOpenFailure(const QString& path, FileReader* handle = nullptr);

private:
    UserPrompt& prompt_;
    QString title_;
};

// True when the file's last 128 bytes begin with "TAG".
bool EndsWithId3v1(const QString& path, FileReader* handle = nullptr);

} // namespace quillory
