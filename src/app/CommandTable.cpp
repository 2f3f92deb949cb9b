#include "app/CommandTable.h"

#include <algorithm>
#include <unordered_map>

namespace quillory {

namespace {

struct Row {
    Cmd id;
    const char16_t* caption;
    const char16_t* hint;
    int tag;
    bool available;
    bool checkable = false;
    bool checked = false;
    const char* shortcut = "";
};

// Captions are the menu's own; hints the def leaves open are written in the same
// voice as the ones it gives.
const Row kRows[] = {
    {Cmd::FileMenu, u"ファイル(&F)", u"", 0, true},
    {Cmd::AddMenu, u"追加(&A)", u"リストにファイルを追加します。", 0, true},
    {Cmd::AddFolder, u"フォルダから検索して追加(&D)", u"フォルダ内のファイルをリストに追加します。", 0, true},
    {Cmd::AddFiles, u"ファイルを選択して追加(&F)", u"選択したファイルをリストに追加します。", 0, true},
    {Cmd::AddPlaylist, u"プレイリストファイルから追加(&L)", u"プレイリストに登録されたファイルをリストに追加します。", 1, true},
    {Cmd::AddUntagged, u"タグが未設定のファイルだけを追加(&T)", u"フォルダ内のタグが未設定のファイルだけをリストに追加します。", 0, false},
    {Cmd::CopyToFolder, u"指定先へコピー(&W)", u"選択したリストのファイルを指定したフォルダにコピーします。", 0, false},
    {Cmd::NewPlaylist, u"プレイリストの作成(&N)", u"選択したリストからプレイリストを作成します。", 0, false},
    {Cmd::AddToPlaylist, u"プレイリストファイルに追加(&A)", u"選択したリストをプレイリストファイルに追加します。", 1, false},
    {Cmd::CsvMenu, u"CSVファイル", u"CSVファイルへの書き出しと読み取り", 0, true},
    {Cmd::CsvWrite, u"書き出し(&W)", u"選択リストのタグ情報をファイルに保存する", 0, false},
    {Cmd::CsvRead, u"読み取り(&R)", u"CSVファイルのタグ情報を選択リストに設定する", 0, false},
    {Cmd::PrintSettings, u"印刷項目の追加と設定(&S)", u"印刷する項目を追加して設定します。", 0, false},
    {Cmd::Print, u"印刷(&P)", u"選択したリストを印刷します。", 0, false},
    {Cmd::Exit, u"終了(&X)", u"Quillory を終了します。", 2, true},

    {Cmd::EditMenu, u"編集(&E)", u"", 0, true},
    {Cmd::CopyFiles, u"コピー(&C)", u"選択したリストのファイルをクリップボードにコピーします。", 0, false},
    {Cmd::Paste, u"貼り付け(&P)", u"クリップボードのファイルをリストに追加します。", 0, true},
    {Cmd::SelectEdited, u"編集したリストの選択", u"編集したリストを選択します。", 100, false},
    {Cmd::SelectUnedited, u"未編集リストの選択", u"編集していないリストを選択します。", 101, false},
    {Cmd::SelectAll, u"全て選択(&S)", u"全てのリストを選択します。", 100, false},
    {Cmd::InvertSelection, u"選択の切り替え(&I)", u"選択しているリストと選択していないリストを入れ替えます。", 101, false},

    {Cmd::ViewMenu, u"表示(&V)", u"", 0, true},
    {Cmd::ShowToolBar, u"ツールバー", u"ツールバーを表示します。", 0, true, true, false},
    {Cmd::ShowMainTagBox, u"メイン編集ボックス", u"メイン編集ボックスを表示します。", 1, true, true, true},
    {Cmd::ShowCommentTagBox, u"コメント編集ボックス", u"コメント編集ボックスを表示します。", 2, true, true, false},
    {Cmd::SortByEdited, u"編集の有無で整列", u"編集したリストを先頭に整列します。", 0, false},
    {Cmd::SortByKind, u"ファイルの種類で整列", u"ファイルの種類ごとに整列します。", 1, false},
    {Cmd::SortByFolder, u"ディレクトリ名で整列", u"ディレクトリ名の順に整列します。", 2, false},
    {Cmd::SortBySearch, u"検索文字列で整列", u"検索文字列を含むリストを先頭に整列します。", 3, false},
    {Cmd::SortByFullPath, u"フルパス名で整列", u"フルパス名の順に整列します。", 0, false},
    {Cmd::SortSelectedMenu, u"選択したリストの整列", u"選択したリストだけを整列します。", 0, true},
    {Cmd::SortTitle, u"タイトル名", u"タイトル名の順に整列します。", 0, false},
    {Cmd::SortArtist, u"アーティスト名", u"アーティスト名の順に整列します。", 1, false},
    {Cmd::SortAlbum, u"アルバム名", u"アルバム名の順に整列します。", 2, false},
    {Cmd::SortTrack, u"トラック番号", u"トラック番号の順に整列します。", 4, false},
    {Cmd::SortYear, u"年", u"年の順に整列します。", 5, false},
    {Cmd::SortFileName, u"ファイル名", u"ファイル名の順に整列します。", 23, false},
    {Cmd::SortFolderName, u"フォルダ名", u"フォルダ名の順に整列します。", 24, false},
    {Cmd::Refresh, u"最新の情報に更新(&R)", u"全てのリストの情報を再取得する", 0, true},

    {Cmd::SearchMenu, u"検索(&S)", u"", 0, true},
    {Cmd::Find, u"検索", u"リストから文字列を検索します。", 0, false},
    {Cmd::FindNext, u"次を検索(&F)", u"次の一致するリストを検索します。", 1, false, false, false, "F3"},
    {Cmd::Options, u"オプション(&O)", u"環境設定を変更します。", 0, false},
    {Cmd::HelpMenu, u"ヘルプ(&H)", u"", 0, true},
    {Cmd::Help, u"Quillory ヘルプ(&C)", u"キーボードの F1 ボタンでも可能", 0, false, false, false, "F1"},
    {Cmd::About, u"バージョン情報(&A)", u"バージョン情報を表示します。", 0, false},

    {Cmd::EditCell, u"編集(&E)", u"選択した項目を入力ボックスで編集します。", 0, true},
    {Cmd::MakeEqual, u"選択項目の内容を同じにする", u"選択したリストの項目の内容を同じにします。", 0, false},
    {Cmd::OpenWith, u"アプリケーションから開く(&H)", u"選択したファイルをアプリケーションで開きます。", 0, true},
    {Cmd::PopupAddMenu, u"追加(&A)", u"リストにファイルを追加します。", 0, true},
    {Cmd::StringConvert, u"文字列の変換(&M)", u"選択したリストの文字列を変換します。", 0, false},
    {Cmd::FileRename, u"ファイル名の変更(&Q)", u"選択リストのファイル名を変更", 0, false},
    {Cmd::TagFromFileName, u"タグ情報をファイル名から取得(&G)", u"選択したリストのタグ情報をファイル名から取得します。", 0, false},
    {Cmd::OtherToolsMenu, u"その他のツール", u"その他のツール", 0, true},
    {Cmd::TitleListPaste, u"タイトルリストの貼り付け(&V)", u"タイトルのリストを選択したリストに貼り付けます。", 0, false},
    {Cmd::TrackNumbers, u"リスト順にトラック番号を設定", u"選択したリストの順にトラック番号を設定します。", 0, false},
    {Cmd::TrimSpaces, u"前後の空白を取除く(&X)", u"選択したリストの項目の前後の空白を取除きます。", 0, false},
    {Cmd::TitleCopy, u"タイトルコピー", u"選択したリストのタイトルをクリップボードにコピーします。", 0, false},
    {Cmd::AddToArtistList, u"アーティストリストに追加(&R)", u"選択したリストのアーティストをアーティストリストに追加します。", 0, false},
    {Cmd::GenreConvertMenu, u"ジャンルの変換(&H)", u"選択したリストのジャンルを日本語と英語で変換します。", 0, true},
    {Cmd::GenreToJapanese, u"日本語(&J)", u"ジャンルを日本語に変換します。", 0, false},
    {Cmd::GenreToEnglish, u"英語(&E)", u"ジャンルを英語に変換します。", 1, false},
    {Cmd::TagConvert, u"タグの変換", u"選択したリストのタグのバージョンと文字コードを変換します。", 0, false},
    {Cmd::Organise, u"WMA、MP3　ファイル整理(&K)", u"ファイルをフォルダに整理します。", 0, false},
    {Cmd::SendFilesMenu, u"選択したファイルを送る", u"選択したファイルを他のプログラムに送ります。", 0, true},
    {Cmd::SendToAnalogClock, u"アナログChimewatch", u"選択したファイルをアナログChimewatchに送ります。", 0, true},
    {Cmd::SendToClockPlus, u"Chimewatchプラス", u"選択したファイルをChimewatchプラスに送ります。", 1, true},
    {Cmd::CopyMenu, u"コピー", u"ファイルとフォルダのコピー", 0, true},
    {Cmd::PopupCopyFiles, u"ファイルをコピー(&C)", u"選択したリストのファイルをクリップボードにコピーする", 0, false},
    {Cmd::CopyArtistFolder, u"アーティストフォルダをコピー", u"選択したリストのアーティストフォルダをコピーします。", 1, false},
    {Cmd::CopyAlbumFolder, u"アルバムフォルダをコピー", u"選択したリストのアルバムフォルダをコピーします。", 2, false},
    {Cmd::Explorer, u"エクスプローラ(&O)", u"選択したファイルのあるフォルダを開きます。", 0, true},
    {Cmd::RangeMenu, u"範囲の選択と解除", u"範囲を指定してリストを選択します。", 0, true},
    {Cmd::RangeStart, u"ここから", u"範囲の始まりに設定します。", 0, false},
    {Cmd::RangeSelect, u"ここまで選択", u"範囲の始まりからここまでを選択します。", 1, false},
    {Cmd::RangeDeselect, u"ここまで解除", u"範囲の始まりからここまでの選択を解除します。", 1, false},
    {Cmd::RangeClear, u"解除", u"範囲の始まりを解除します。", 2, false},
    {Cmd::UndoField, u"元に戻す", u"選択したリストの変更を元に戻します。", 0, false},
    {Cmd::DeleteRows, u"リストの削除(&D)", u"選択したリストをリストから削除します（ファイルは削除しません）。", 0, true},

    {Cmd::FitToWindow, u"リスト幅の調整", u"リスト幅の調整|ウィンドウの幅と同じにする", 200, true, true, true},
    {Cmd::MoveUp, u"上", u"上|選択したリストを上に移動する", 0, true},
    {Cmd::MoveDown, u"下", u"下|選択したリストを下に移動する", 1, true},
    {Cmd::RandomPlay, u"ランダム再生", u"ランダム再生", 201, false, true, false},
    {Cmd::UndoButton, u"元に戻す", u"元に戻す|選択したリストの変更を元に戻す", 0, false},
    {Cmd::UndoComment, u"コメント", u"", 7, false},
    {Cmd::UndoDiscSet, u"何枚組何枚目", u"", 21, false},
    {Cmd::UndoLyrics, u"歌詞", u"", 22, false},
};

std::vector<CommandInfo> buildCommands()
{
    std::vector<CommandInfo> out;
    for (const Row& r : kRows) {
        CommandInfo c;
        c.id = r.id;
        c.caption = QString::fromUtf16(r.caption);
        c.hint = QString::fromUtf16(r.hint);
        c.tag = r.tag;
        c.available = r.available;
        c.checkable = r.checkable;
        c.checkedAtFirst = r.checked;
        c.shortcut = QString::fromLatin1(r.shortcut);
        if (r.id == Cmd::UndoComment || r.id == Cmd::UndoDiscSet || r.id == Cmd::UndoLyrics)
            c.hint = UndoEntryHint(c.caption);
        out.push_back(c);
    }
    return out;
}

MenuNode node(Cmd id, std::vector<MenuNode> children = {}) { return MenuNode{id, std::move(children)}; }
MenuNode sep() { return MenuNode{}; }

} // namespace

const std::vector<CommandInfo>& AllCommands()
{
    static const std::vector<CommandInfo> all = buildCommands();
    return all;
}

const CommandInfo& CommandInfoOf(Cmd id)
{
    static const std::unordered_map<int, std::size_t> index = [] {
        std::unordered_map<int, std::size_t> m;
        const auto& all = AllCommands();
        for (std::size_t i = 0; i < all.size(); ++i)
            m.emplace(int(all[i].id), i);
        return m;
    }();
    static const CommandInfo empty;
    auto it = index.find(int(id));
    return it == index.end() ? empty : AllCommands()[it->second];
}

const std::vector<MenuNode>& MainMenuTree()
{
    static const std::vector<MenuNode> tree = {
        node(Cmd::FileMenu, {node(Cmd::AddMenu, {node(Cmd::AddFolder), node(Cmd::AddFiles), node(Cmd::AddPlaylist),
                                                  node(Cmd::AddUntagged)}),
                             sep(), node(Cmd::CopyToFolder), sep(), node(Cmd::NewPlaylist), node(Cmd::AddToPlaylist),
                             sep(), node(Cmd::CsvMenu, {node(Cmd::CsvWrite), node(Cmd::CsvRead)}), sep(),
                             node(Cmd::PrintSettings), node(Cmd::Print), sep(), node(Cmd::Exit)}),
        node(Cmd::EditMenu, {node(Cmd::CopyFiles), node(Cmd::Paste), sep(), node(Cmd::SelectEdited),
                             node(Cmd::SelectUnedited), sep(), node(Cmd::SelectAll), node(Cmd::InvertSelection)}),
        node(Cmd::ViewMenu, {node(Cmd::ShowToolBar), node(Cmd::ShowMainTagBox), node(Cmd::ShowCommentTagBox), sep(),
                             node(Cmd::SortByEdited), node(Cmd::SortByKind), node(Cmd::SortByFolder),
                             node(Cmd::SortBySearch), node(Cmd::SortByFullPath),
                             node(Cmd::SortSelectedMenu, {node(Cmd::SortTitle), node(Cmd::SortArtist),
                                                          node(Cmd::SortAlbum), node(Cmd::SortTrack),
                                                          node(Cmd::SortYear), node(Cmd::SortFileName),
                                                          node(Cmd::SortFolderName)}),
                             sep(), node(Cmd::Refresh)}),
        node(Cmd::SearchMenu, {node(Cmd::Find), node(Cmd::FindNext)}),
        node(Cmd::Options),
        node(Cmd::HelpMenu, {node(Cmd::Help), sep(), node(Cmd::About)}),
    };
    return tree;
}

const std::vector<MenuNode>& ListPopupTree()
{
    static const std::vector<MenuNode> tree = {
        node(Cmd::EditCell),
        node(Cmd::MakeEqual),
        node(Cmd::OpenWith),
        sep(),
        node(Cmd::PopupAddMenu, {node(Cmd::AddFolder), node(Cmd::AddFiles), node(Cmd::AddPlaylist),
                                 node(Cmd::AddUntagged), sep(), node(Cmd::Paste)}),
        sep(),
        node(Cmd::StringConvert),
        node(Cmd::FileRename),
        node(Cmd::TagFromFileName),
        node(Cmd::OtherToolsMenu,
             {node(Cmd::TitleListPaste), node(Cmd::TrackNumbers), node(Cmd::TrimSpaces), node(Cmd::TitleCopy),
              node(Cmd::AddToArtistList), sep(),
              node(Cmd::GenreConvertMenu, {node(Cmd::GenreToJapanese), node(Cmd::GenreToEnglish)}),
              node(Cmd::TagConvert), sep(), node(Cmd::Organise),
              node(Cmd::SendFilesMenu, {node(Cmd::SendToAnalogClock), node(Cmd::SendToClockPlus)})}),
        sep(),
        node(Cmd::CopyMenu, {node(Cmd::PopupCopyFiles), node(Cmd::CopyArtistFolder), node(Cmd::CopyAlbumFolder)}),
        node(Cmd::Explorer),
        sep(),
        node(Cmd::RangeMenu, {node(Cmd::RangeStart), node(Cmd::RangeSelect), node(Cmd::RangeDeselect),
                              node(Cmd::RangeClear)}),
        node(Cmd::UndoField),
        sep(),
        node(Cmd::DeleteRows),
    };
    return tree;
}

const std::vector<MenuNode>& UndoPopupTree()
{
    static const std::vector<MenuNode> tree = {node(Cmd::UndoComment), node(Cmd::UndoDiscSet), node(Cmd::UndoLyrics)};
    return tree;
}

QString StripAccelerator(const QString& caption)
{
    if (caption.size() >= 4 && caption.mid(caption.size() - 4).startsWith(QLatin1String("(&")))
        return caption.left(caption.size() - 4);
    return caption;
}

QString ShortHint(const QString& hint)
{
    qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint)
{
    qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

QString TagDeleteButtonHint(int version)
{
    return QStringLiteral("タグの削除|ID3 Tag v") + QString::number(version) +
           QStringLiteral(" をファイルから削除する（選択したリストが対象）");
}

QString UndoEntryHint(const QString& caption)
{
    return QStringLiteral("選択したリストの") + caption + QStringLiteral("を元に戻す");
}

QString RangeStartCaption(int rangeStart)
{
    return QStringLiteral("ここから  ( List No ") + QString::number(rangeStart + 1) + QStringLiteral(" )");
}

namespace {

enum class HintRule { CaptionAndHint, CaptionOnly, Fixed, CsvWrite, CsvRead };

ToolButtonDef button(Cmd id, HintRule rule, int tag = -1)
{
    const CommandInfo& c = CommandInfoOf(id);
    ToolButtonDef b;
    b.id = id;
    b.tag = tag >= 0 ? tag : c.tag;
    QString stripped = StripAccelerator(c.caption);
    switch (rule) {
    case HintRule::CaptionAndHint: b.hint = stripped + QLatin1Char('|') + c.hint; break;
    case HintRule::CaptionOnly: b.hint = stripped; break;
    case HintRule::Fixed: b.hint = c.hint; break;
    case HintRule::CsvWrite:
        b.hint = QStringLiteral("CSV形式での") + stripped + QStringLiteral("|選択リストのタグ情報をファイルに保存する");
        break;
    case HintRule::CsvRead:
        b.hint = StripAccelerator(CommandInfoOf(Cmd::CsvMenu).caption) +
                 QStringLiteral("からの読み取り|CSVファイルのタグ情報を選択リストに設定する");
        break;
    }
    return b;
}

ToolButtonDef toolSep() { return ToolButtonDef{}; }

} // namespace

const std::vector<ToolButtonDef>& ToolBarButtons()
{
    // The two box buttons and the fit button change the view only: their Tag keeps
    // them out of the selection rule of the UI-state updater.
    static const std::vector<ToolButtonDef> buttons = {
        button(Cmd::AddFolder, HintRule::CaptionAndHint),
        button(Cmd::AddFiles, HintRule::CaptionAndHint),
        button(Cmd::AddPlaylist, HintRule::CaptionOnly),
        button(Cmd::AddUntagged, HintRule::CaptionOnly),
        toolSep(),
        button(Cmd::CopyToFolder, HintRule::CaptionAndHint),
        toolSep(),
        button(Cmd::NewPlaylist, HintRule::CaptionAndHint),
        button(Cmd::AddToPlaylist, HintRule::CaptionAndHint),
        toolSep(),
        button(Cmd::CsvWrite, HintRule::CsvWrite),
        button(Cmd::CsvRead, HintRule::CsvRead),
        toolSep(),
        button(Cmd::PrintSettings, HintRule::CaptionOnly),
        button(Cmd::Print, HintRule::CaptionOnly),
        toolSep(),
        button(Cmd::StringConvert, HintRule::CaptionAndHint),
        button(Cmd::FileRename, HintRule::CaptionAndHint),
        button(Cmd::TagFromFileName, HintRule::CaptionAndHint),
        button(Cmd::OtherToolsMenu, HintRule::CaptionOnly),
        toolSep(),
        button(Cmd::ShowMainTagBox, HintRule::CaptionOnly, 200),
        button(Cmd::ShowCommentTagBox, HintRule::CaptionOnly, 200),
        button(Cmd::FitToWindow, HintRule::Fixed),
        toolSep(),
        button(Cmd::SelectAll, HintRule::CaptionOnly),
        button(Cmd::InvertSelection, HintRule::CaptionOnly),
        button(Cmd::SelectEdited, HintRule::CaptionOnly),
        button(Cmd::SelectUnedited, HintRule::CaptionOnly),
        toolSep(),
        button(Cmd::UndoButton, HintRule::Fixed),
        button(Cmd::DeleteRows, HintRule::CaptionAndHint),
        toolSep(),
        button(Cmd::MoveUp, HintRule::Fixed),
        button(Cmd::MoveDown, HintRule::Fixed),
        toolSep(),
        button(Cmd::RandomPlay, HintRule::Fixed),
    };
    return buttons;
}

int FirstSelectionToolButton()
{
    const auto& b = ToolBarButtons();
    for (std::size_t i = 0; i < b.size(); ++i)
        if (b[i].id == Cmd::CopyToFolder)
            return int(i);
    return 0;
}

} // namespace quillory
