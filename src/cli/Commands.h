#pragma once
#include <QStringList>

namespace quillory::cli {

const char* ListUsage();
int RunList(const QStringList& args);

} // namespace quillory::cli
