#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace quillory;

namespace {

QString toolHint(Cmd id)
{
    for (const ToolButtonDef& b : ToolBarButtons())
        if (b.id == id)
            return b.hint;
    return QStringLiteral("<none>");
}

void walk(const std::vector<MenuNode>& nodes, const std::function<void(const MenuNode&)>& f)
{
    for (const MenuNode& n : nodes) {
        f(n);
        walk(n.children, f);
    }
}

} // namespace

TEST(CommandTable, StripAcceleratorDropsOnlyATrailingAccelerator)
{
    struct Case {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {{u"印刷(&P)", u"印刷"},
                 {u"フォルダから検索して追加(&D)", u"フォルダから検索して追加"},
                 {u"ツールバー", u"ツールバー"},
                 {u"(&A)", u""},
                 {u"A(&B)C", u"A(&B)C"},
                 {u"&A", u"&A"}};
    for (const Case& c : cases)
        EXPECT_EQ(StripAccelerator(QString::fromUtf16(c.in)), QString::fromUtf16(c.out));
}

TEST(CommandTable, ToolButtonHintsAreBuiltFromTheirMenuItems)
{
    EXPECT_EQ(toolHint(Cmd::Print), QStringLiteral("印刷"));
    EXPECT_EQ(toolHint(Cmd::AddFolder), QStringLiteral("フォルダから検索して追加|フォルダ内のファイルをリストに追加します。"));
    EXPECT_EQ(toolHint(Cmd::AddFiles), QStringLiteral("ファイルを選択して追加|選択したファイルをリストに追加します。"));
    EXPECT_EQ(toolHint(Cmd::FileRename), QStringLiteral("ファイル名の変更|選択リストのファイル名を変更"));
    EXPECT_EQ(toolHint(Cmd::AddPlaylist), QStringLiteral("プレイリストファイルから追加"));
    EXPECT_EQ(toolHint(Cmd::SelectAll), QStringLiteral("全て選択"));
    EXPECT_EQ(toolHint(Cmd::CsvWrite), QStringLiteral("CSV形式での書き出し|選択リストのタグ情報をファイルに保存する"));
    EXPECT_EQ(toolHint(Cmd::CsvRead), QStringLiteral("CSVファイルからの読み取り|CSVファイルのタグ情報を選択リストに設定する"));
    EXPECT_EQ(toolHint(Cmd::MoveUp), QStringLiteral("上|選択したリストを上に移動する"));
    EXPECT_EQ(toolHint(Cmd::MoveDown), QStringLiteral("下|選択したリストを下に移動する"));
    EXPECT_EQ(toolHint(Cmd::FitToWindow), QStringLiteral("リスト幅の調整|ウィンドウの幅と同じにする"));
    EXPECT_EQ(toolHint(Cmd::RandomPlay), QStringLiteral("ランダム再生"));
}

TEST(CommandTable, FixedHintsCompletedAtStartUp)
{
    EXPECT_EQ(TagDeleteButtonHint(1), QStringLiteral("タグの削除|ID3 Tag v1 をファイルから削除する（選択したリストが対象）"));
    EXPECT_EQ(UndoEntryHint(QStringLiteral("歌詞")), QStringLiteral("選択したリストの歌詞を元に戻す"));
    EXPECT_EQ(CommandInfoOf(Cmd::UndoComment).hint, QStringLiteral("選択したリストのコメントを元に戻す"));
    EXPECT_EQ(RangeStartCaption(4), QStringLiteral("ここから  ( List No 5 )"));
    EXPECT_EQ(CommandInfoOf(Cmd::PopupCopyFiles).caption, QStringLiteral("ファイルをコピー(&C)"));
    EXPECT_EQ(CommandInfoOf(Cmd::PopupCopyFiles).hint, QStringLiteral("選択したリストのファイルをクリップボードにコピーする"));
}

TEST(CommandTable, ShortAndLongHints)
{
    EXPECT_EQ(ShortHint(QStringLiteral("上|選択したリストを上に移動する")), QStringLiteral("上"));
    EXPECT_EQ(LongHint(QStringLiteral("上|選択したリストを上に移動する")), QStringLiteral("選択したリストを上に移動する"));
    EXPECT_EQ(ShortHint(QStringLiteral("印刷")), QStringLiteral("印刷"));
    EXPECT_EQ(LongHint(QStringLiteral("印刷")), QStringLiteral("印刷"));
}

TEST(CommandTable, EveryEntryOfEveryMenuHasCaptionAndHint)
{
    std::set<int> seen;
    auto check = [&](const MenuNode& n, bool needsHint) {
        const CommandInfo& c = CommandInfoOf(n.id);
        ASSERT_EQ(c.id, n.id) << "missing command " << int(n.id);
        EXPECT_FALSE(c.caption.isEmpty()) << int(n.id);
        if (needsHint)
            EXPECT_FALSE(c.hint.isEmpty()) << c.caption.toStdString();
        seen.insert(int(n.id));
    };
    // The menus of the bar itself carry no hint (except "オプション(&O)", an item
    // of its own); every entry inside them does.
    for (const MenuNode& top : MainMenuTree()) {
        check(top, top.children.empty());
        walk(top.children, [&](const MenuNode& n) {
            if (!n.isSeparator())
                check(n, true);
        });
    }
    for (const auto* tree : {&ListPopupTree(), &UndoPopupTree()})
        walk(*tree, [&](const MenuNode& n) {
            if (!n.isSeparator())
                check(n, true);
        });
    for (const ToolButtonDef& b : ToolBarButtons())
        if (!b.isSeparator())
            EXPECT_FALSE(b.hint.isEmpty()) << int(b.id);
    EXPECT_GT(seen.size(), 60u);
}

TEST(CommandTable, MenusCarryTheirHandlerTags)
{
    EXPECT_EQ(CommandInfoOf(Cmd::AddFiles).tag, 0);
    EXPECT_EQ(CommandInfoOf(Cmd::AddPlaylist).tag, 1);
    EXPECT_EQ(CommandInfoOf(Cmd::SelectEdited).tag, 100);
    EXPECT_EQ(CommandInfoOf(Cmd::InvertSelection).tag, 101);
    EXPECT_EQ(CommandInfoOf(Cmd::SortFileName).tag, 23);
    EXPECT_EQ(CommandInfoOf(Cmd::UndoDiscSet).tag, 21);
    EXPECT_EQ(CommandInfoOf(Cmd::RandomPlay).tag, 201);
    EXPECT_EQ(CommandInfoOf(Cmd::FindNext).shortcut, QStringLiteral("F3"));
    EXPECT_TRUE(CommandInfoOf(Cmd::ShowMainTagBox).checkedAtFirst);
    EXPECT_FALSE(CommandInfoOf(Cmd::ShowCommentTagBox).checkedAtFirst);
}

TEST(CommandTable, TheSelectionRuleStartsAtTheCopyButton)
{
    const auto& b = ToolBarButtons();
    int first = FirstSelectionToolButton();
    ASSERT_GT(first, 0);
    EXPECT_EQ(b[std::size_t(first)].id, Cmd::CopyToFolder);
    for (int i = 0; i < first; ++i)
        EXPECT_NE(b[std::size_t(i)].id, Cmd::DeleteRows);
}
