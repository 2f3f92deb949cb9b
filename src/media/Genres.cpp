#include "media/Genres.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <array>
#include <iterator>

namespace quillory {
namespace {

constexpr int kGenreCount = 256;

// The ID3v1 list (0-79) and the extensions players added after it (80-191).
const char16_t* const kEnglishNames[] = {
    u"Blues", u"Classic Rock", u"Country", u"Dance", u"Disco", u"Funk", u"Grunge", u"Hip-Hop",
    u"Jazz", u"Metal", u"New Age", u"Oldies", u"Other", u"Pop", u"R&B", u"Rap",
    u"Reggae", u"Rock", u"Techno", u"Industrial", u"Alternative", u"Ska", u"Death Metal", u"Pranks",
    u"Soundtrack", u"Euro-Techno", u"Ambient", u"Trip-Hop", u"Vocal", u"Jazz+Funk", u"Fusion",
    u"Trance", u"Classical", u"Instrumental", u"Acid", u"House", u"Game", u"Sound Clip", u"Gospel",
    u"Noise", u"AlternRock", u"Bass", u"Soul", u"Punk", u"Space", u"Meditative",
    u"Instrumental Pop", u"Instrumental Rock", u"Ethnic", u"Gothic", u"Darkwave",
    u"Techno-Industrial", u"Electronic", u"Pop-Folk", u"Eurodance", u"Dream", u"Southern Rock",
    u"Comedy", u"Cult", u"Gangsta", u"Top 40", u"Christian Rap", u"Pop/Funk", u"Jungle",
    u"Native American", u"Cabaret", u"New Wave", u"Psychedelic", u"Rave", u"Showtunes",
    u"Trailer", u"Lo-Fi", u"Tribal", u"Acid Punk", u"Acid Jazz", u"Polka", u"Retro", u"Musical",
    u"Rock & Roll", u"Hard Rock",
    // 80-
    u"Folk", u"Folk-Rock", u"National Folk", u"Swing", u"Fast Fusion", u"Bebop", u"Latin",
    u"Revival", u"Celtic", u"Bluegrass", u"Avantgarde", u"Gothic Rock", u"Progressive Rock",
    u"Psychedelic Rock", u"Symphonic Rock", u"Slow Rock", u"Big Band", u"Chorus",
    u"Easy Listening", u"Acoustic", u"Humour", u"Speech", u"Chanson", u"Opera", u"Chamber Music",
    u"Sonata", u"Symphony", u"Booty Bass", u"Primus", u"Porn Groove", u"Satire", u"Slow Jam",
    u"Club", u"Tango", u"Samba", u"Folklore", u"Ballad", u"Power Ballad", u"Rhythmic Soul",
    u"Freestyle", u"Duet", u"Punk Rock", u"Drum Solo", u"A Cappella", u"Euro-House",
    u"Dance Hall", u"Goa", u"Drum & Bass", u"Club-House", u"Hardcore Techno", u"Terror", u"Indie",
    u"BritPop", u"Afro-Punk", u"Polsk Punk", u"Beat", u"Christian Gangsta Rap", u"Heavy Metal",
    u"Black Metal", u"Crossover", u"Contemporary Christian", u"Christian Rock", u"Merengue",
    u"Salsa", u"Thrash Metal", u"Anime", u"JPop", u"Synthpop",
    // 148-
    u"Abstract", u"Art Rock", u"Baroque", u"Bhangra", u"Big Beat", u"Breakbeat", u"Chillout",
    u"Downtempo", u"Dub", u"EBM", u"Eclectic", u"Electro", u"Electroclash", u"Emo",
    u"Experimental", u"Garage", u"Global", u"IDM", u"Illbient", u"Industro-Goth", u"Jam Band",
    u"Krautrock", u"Leftfield", u"Lounge", u"Math Rock", u"New Romantic", u"Nu-Breakz",
    u"Post-Punk", u"Post-Rock", u"Psytrance", u"Shoegaze", u"Space Rock", u"Trop Rock",
    u"World Music", u"Neoclassical", u"Audiobook", u"Audio Theatre", u"Neue Deutsche Welle",
    u"Podcast", u"Indie Rock", u"G-Funk", u"Dubstep", u"Garage Rock", u"Psybient",
};

// The same numbers as a Japanese record shop labels its racks. None of them may be
// "演歌", "童謡", "カラオケ" or "伝統/民謡": those reach 12 through the extra list.
const char16_t* const kJapaneseNames[] = {
    u"ブルース", u"クラシック・ロック", u"カントリー", u"ダンス", u"ディスコ", u"ファンク",
    u"グランジ", u"ヒップホップ", u"ジャズ", u"メタル", u"ニューエイジ", u"オールディーズ",
    u"その他", u"ポップ", u"R&B", u"ラップ", u"レゲエ", u"ロック", u"テクノ",
    u"インダストリアル", u"オルタナティブ", u"スカ", u"デスメタル", u"いたずら",
    u"サウンドトラック", u"ユーロ・テクノ", u"アンビエント", u"トリップホップ", u"ボーカル",
    u"ジャズ・ファンク", u"フュージョン", u"トランス", u"クラシック", u"インストゥルメンタル",
    u"アシッド", u"ハウス", u"ゲーム", u"効果音", u"ゴスペル", u"ノイズ",
    u"オルタナティブ・ロック", u"ベース", u"ソウル", u"パンク", u"スペース", u"瞑想",
    u"インスト・ポップ", u"インスト・ロック", u"エスニック", u"ゴシック", u"ダークウェーブ",
    u"テクノ・インダストリアル", u"エレクトロニック", u"ポップ・フォーク", u"ユーロダンス",
    u"ドリーム", u"サザン・ロック", u"お笑い", u"カルト", u"ギャングスタ", u"トップ40",
    u"クリスチャン・ラップ", u"ポップ/ファンク", u"ジャングル", u"ネイティブ・アメリカン",
    u"キャバレー", u"ニュー・ウェーブ", u"サイケデリック", u"レイヴ", u"ショー・チューン",
    u"予告編", u"ローファイ", u"トライバル", u"アシッド・パンク", u"アシッド・ジャズ",
    u"ポルカ", u"レトロ", u"ミュージカル", u"ロックンロール", u"ハード・ロック",
    // 80-
    u"フォーク", u"フォーク・ロック", u"民族音楽", u"スウィング", u"ファスト・フュージョン",
    u"ビバップ", u"ラテン", u"リバイバル", u"ケルト", u"ブルーグラス", u"アヴァンギャルド",
    u"ゴシック・ロック", u"プログレッシブ・ロック", u"サイケデリック・ロック",
    u"シンフォニック・ロック", u"スロー・ロック", u"ビッグバンド", u"コーラス",
    u"イージーリスニング", u"アコースティック", u"ユーモア", u"朗読", u"シャンソン",
    u"オペラ", u"室内楽", u"ソナタ", u"交響曲", u"ブーティ・ベース", u"プライマス",
    u"ポルノ・グルーヴ", u"風刺", u"スロー・ジャム", u"クラブ", u"タンゴ", u"サンバ",
    u"フォークロア", u"バラード", u"パワー・バラード", u"リズミック・ソウル", u"フリースタイル",
    u"デュエット", u"パンク・ロック", u"ドラム・ソロ", u"ア・カペラ", u"ユーロ・ハウス",
    u"ダンスホール", u"ゴア", u"ドラムンベース", u"クラブ・ハウス", u"ハードコア・テクノ",
    u"テラー", u"インディーズ", u"ブリットポップ", u"アフロ・パンク", u"ポーランド・パンク",
    u"ビート", u"クリスチャン・ギャングスタ・ラップ", u"ヘヴィメタル", u"ブラックメタル",
    u"クロスオーバー", u"コンテンポラリー・クリスチャン", u"クリスチャン・ロック",
    u"メレンゲ", u"サルサ", u"スラッシュメタル", u"アニメ", u"J-POP", u"シンセポップ",
    // 148-
    u"アブストラクト", u"アート・ロック", u"バロック", u"バングラ", u"ビッグ・ビート",
    u"ブレイクビーツ", u"チルアウト", u"ダウンテンポ", u"ダブ", u"EBM", u"エクレクティック",
    u"エレクトロ", u"エレクトロクラッシュ", u"エモ", u"エクスペリメンタル", u"ガレージ",
    u"グローバル", u"IDM", u"イルビエント", u"インダストリアル・ゴス", u"ジャム・バンド",
    u"クラウトロック", u"レフトフィールド", u"ラウンジ", u"マス・ロック",
    u"ニュー・ロマンティック", u"ニューブレイクス", u"ポスト・パンク", u"ポスト・ロック",
    u"サイトランス", u"シューゲイザー", u"スペース・ロック", u"トロップ・ロック",
    u"ワールド・ミュージック", u"ネオクラシカル", u"オーディオブック", u"オーディオドラマ",
    u"ノイエ・ドイチェ・ヴェレ", u"ポッドキャスト", u"インディー・ロック", u"Gファンク",
    u"ダブステップ", u"ガレージ・ロック", u"サイビエント",
};

static_assert(std::size(kEnglishNames) == 192);
static_assert(std::size(kJapaneseNames) == std::size(kEnglishNames));

// Texts that are no genre of the tables but stand for "その他"/"Other" (12).
constexpr char16_t kJapaneseOnlyGenres[] = u"演歌（日本）伝統/民謡（日本）童謡（日本）カラオケ（日本）";

// Offered after the ID3v1 names in a new Japanese ID3v2 list, taken as they stand.
const char16_t* const kJapaneseExtraGenres[] = {
    u"カラオケ（日本）", u"クラシック（日本）", u"サウンドトラック（日本）", u"ジャズ（日本）",
    u"フォーク（日本）", u"フュージョン（日本）", u"ブルース（日本）", u"ポップ（日本）",
    u"ロック（日本）", u"演歌（日本）", u"伝統/民謡(日本）", u"童謡（日本）",
};

constexpr int kOtherGenre = 12;

struct Table {
    std::array<QString, kGenreCount> names;
    QHash<QString, int> numberByLowerName; // first number of each name, "分類不能" left out
    QStringList v1List;
    QSet<QString> v1Set;
};

Table buildTable(const char16_t* const* names, std::size_t count)
{
    Table t;
    for (int n = 0; n < kGenreCount; ++n)
        t.names[n] = std::size_t(n) < count ? QString::fromUtf16(names[n]) : GenreTable::unclassifiable();
    // The placeholder of numbers without a genre names no genre: writing it back must
    // give "no genre" (255), not the first unassigned number. Walk backwards so that
    // the first number of a name wins.
    for (int n = kGenreCount - 1; n >= 0; --n)
        if (t.names[n] != GenreTable::unclassifiable())
            t.numberByLowerName.insert(t.names[n].toLower(), n);

    bool unclassifiedSeen = false;
    for (int n = 0; n < kGenreCount; ++n) {
        const QString& name = t.names[n];
        if (name.contains(u"分類")) {
            if (unclassifiedSeen)
                continue;
            unclassifiedSeen = true;
        }
        t.v1List.append(name);
    }
    t.v1Set = QSet<QString>(t.v1List.begin(), t.v1List.end());
    return t;
}

const Table& tableFor(GenreLanguage language)
{
    static const Table japanese = buildTable(kJapaneseNames, std::size(kJapaneseNames));
    static const Table english = buildTable(kEnglishNames, std::size(kEnglishNames));
    return language == GenreLanguage::Japanese ? japanese : english;
}

// Blanks as the original trim knows them: control characters and the space.
QString trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b).toString();
}

void sortLikeGenreBox(QStringList& names)
{
    QCollator collator(QLocale(QLocale::Japanese, QLocale::Japan));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

} // namespace

const QString& GenreTable::unclassifiable()
{
    static const QString text = QStringLiteral(u"分類不能");
    return text;
}

const QString& genreNameIn(GenreLanguage language, int n)
{
    if (n < 0 || n >= kGenreCount)
        return GenreTable::unclassifiable();
    return tableFor(language).names[n];
}

QString GenreTable::GenreName(int n) const
{
    return genreNameIn(language_, n);
}

int GenreTable::GenreNumber(const QString& text, QString* cleaned) const
{
    const Table& t = tableFor(language_);
    qsizetype cut = text.indexOf(u'（');
    if (cut < 0)
        cut = text.indexOf(u'(');
    QString name = trimBlanks(cut < 0 ? QStringView(text) : QStringView(text).left(cut));

    auto it = t.numberByLowerName.constFind(name.toLower());
    if (it != t.numberByLowerName.constEnd()) {
        if (cleaned)
            *cleaned = name;
        return it.value();
    }
    // An empty text is a substring of anything; it still names no genre.
    if (!text.isEmpty() && QStringView(kJapaneseOnlyGenres).contains(text)) {
        if (cleaned)
            *cleaned = t.names[kOtherGenre];
        return kOtherGenre;
    }
    if (cleaned)
        *cleaned = unclassifiable();
    return -1;
}

QStringList GenreTable::v1ListNames(bool numberOrder) const
{
    QStringList names = tableFor(language_).v1List;
    if (!numberOrder)
        sortLikeGenreBox(names);
    return names;
}

bool GenreTable::isV1ListName(const QString& text) const
{
    return tableFor(language_).v1Set.contains(text);
}

QStringList GenreTable::defaultV2List(bool numberOrder) const
{
    QStringList list = v1ListNames(numberOrder);
    if (language_ == GenreLanguage::Japanese)
        for (const char16_t* extra : kJapaneseExtraGenres)
            list.append(QString::fromUtf16(extra));
    return list;
}

} // namespace quillory
