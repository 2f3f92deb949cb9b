#pragma once
// What the loader needs of a WMA file, so that the loader itself knows nothing of ASF.
#include "tags/TagOptions.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace quillory {

class FileReader;
class WmaErrorGate;

class WmaSide {
public:
    virtual ~WmaSide() = default;
    // Text of a field named by its ID3v2.3 frame id.
    virtual QString frameText(const char* id23) = 0;
    virtual qint64 pictureLength() = 0;
    virtual QString pictureDescription() = 0;
    virtual std::optional<QString> bitrateText() = 0;
    virtual std::optional<std::uint64_t> duration() = 0;
};

// Opens the file's attributes; null when the file cannot be read as WMA (the gate,
// when given, has then had its say).
// handle: the loader's open descriptor on the file, shared so that one open serves a row.
std::unique_ptr<WmaSide> OpenWmaSide(const QString& path, const TagOptions& options, WmaErrorGate* gate,
                                     FileReader* handle);

} // namespace quillory
