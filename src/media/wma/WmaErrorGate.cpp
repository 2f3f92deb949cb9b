#include "media/wma/WmaErrorGate.h"

#include "app/UserPrompt.h"
#include "platform/FileAccess.h"

namespace quillory {

bool EndsWithId3v1(const QString& path, FileReader* handle)
{
    FileReader own;
    FileReader* f = handle;
    if (!f || !f->isOpen()) {
        if (!own.open(path))
            return false;
        f = &own;
    }
    if (f->size() < 128)
        return false;
    std::uint8_t tag[3];
    return f->readAt(f->size() - 128, tag, 3) == 3 && tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

void WmaErrorGate::Report(const QString& message)
{
    if (wmaErrorCount++ == 0)
        prompt_.ShowMessage(title_, message, PromptIcon::None);
}

void WmaErrorGate::ReportOpenFailure(const QString& path, FileReader* handle)
{
    if (path == lastReportedPath)
        return;
    if (EndsWithId3v1(path, handle))
        return;
    if (skipWmaOpenErrors)
        return;
    if (wmaErrorCount++ != 0)
        return;
    Question q;
    q.title = title_;
    q.text = path + QString::fromUtf16(wmamsg::kOpenFailedTail);
    q.buttons = {Answer::Ok, Answer::Cancel};
    q.icon = PromptIcon::None;
    if (prompt_.Ask(q) == Answer::Cancel)
        skipWmaOpenErrors = true;
    lastReportedPath = path;
}

} // namespace quillory
