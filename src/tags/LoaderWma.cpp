#include "tags/LoaderWma.h"

#include "media/wma/WmaEditor.h"

namespace quillory {

namespace {

class EditorSide : public WmaSide {
public:
    EditorSide(std::unique_ptr<WmaEditor> editor, const TagOptions& options)
        : editor_(std::move(editor)), options_(options)
    {
        picture_ = ReadWmaAttribute(*editor_, QStringLiteral("WM/Picture"));
        audio_ = ReadWmaAudioValues(*editor_);
    }
    ~EditorSide() override { CloseWmaEditor(*editor_); }

    QString frameText(const char* id23) override { return GetWmaFrameText(*editor_, std::string_view(id23), options_); }
    qint64 pictureLength() override { return picture_.found ? qint64(picture_.length) : 0; }
    QString pictureDescription() override { return picture_.pictureDescription; }
    std::optional<QString> bitrateText() override { return audio_.bitrate; }
    std::optional<std::uint64_t> duration() override { return audio_.duration; }

private:
    std::unique_ptr<WmaEditor> editor_;
    const TagOptions& options_;
    WmaValue picture_;
    WmaAudioValues audio_;
};

} // namespace

std::unique_ptr<WmaSide> OpenWmaSide(const QString& path, const TagOptions& options, WmaErrorGate* gate,
                                     FileReader* handle)
{
    WmaOpenResult r = OpenWmaEditor(path, gate, handle);
    if (!r)
        return nullptr;
    return std::make_unique<EditorSide>(std::move(r.editor), options);
}

} // namespace quillory
