// quillory-cli: the core of Quillory driven from the command line.
#include "cli/CliCommon.h"
#include "cli/Commands.h"

#include <QCoreApplication>
#include <QStringList>
#include <clocale>
#include <cstdio>

namespace {

void usage()
{
    std::fputs("使い方: quillory-cli COMMAND [OPTIONS] PATH...\n"
               "\n"
               "COMMAND:\n"
               "  list   ファイル・フォルダ・プレイリストのタグを一覧表示します\n"
               "  set    タグの項目を設定してファイルに書き出します\n"
               "  demo   デモ用のフォルダを作成します\n"
               "\n",
               stderr);
    std::fputs(quillory::cli::ListUsage(), stderr);
    std::fputs(quillory::cli::SetUsage(), stderr);
    std::fputs(quillory::cli::DemoUsage(), stderr);
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillory"));
    QCoreApplication::setOrganizationName(QStringLiteral("Morva"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        usage();
        return args.isEmpty() ? quillory::cli::kExitUsage : quillory::cli::kExitOk;
    }
    QString command = args.takeFirst();
    if (command == QLatin1String("list"))
        return quillory::cli::RunList(args);
    if (command == QLatin1String("set"))
        return quillory::cli::RunSet(args);
    if (command == QLatin1String("demo"))
        return quillory::cli::RunDemo(args);
    usage();
    return quillory::cli::kExitUsage;
}
