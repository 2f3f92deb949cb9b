#pragma once
#include <QStringList>

namespace quillory::cli {

const char* ListUsage();
int RunList(const QStringList& args);
const char* SetUsage();
int RunSet(const QStringList& args);
const char* DemoUsage();
int RunDemo(const QStringList& args);

} // namespace quillory::cli
