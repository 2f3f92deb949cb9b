#include "app/PopupRules.h"
#include "app/ListRow.h"

#include <gtest/gtest.h>

using namespace quillory;

TEST(PopupRules, WithoutSelectionTheSelectionEntriesAreHidden)
{
    PopupState s;
    s.rowCount = 5;
    PopupDecision d = PopupMenu1Popup(s);
    for (Cmd id : {Cmd::Explorer, Cmd::TagFromFileName, Cmd::DeleteRows, Cmd::CopyMenu, Cmd::TitleCopy,
                   Cmd::TitleListPaste, Cmd::TrimSpaces, Cmd::FileRename, Cmd::StringConvert, Cmd::TagConvert})
        EXPECT_FALSE(d.at(id).visible) << int(id);
    EXPECT_TRUE(d.at(Cmd::SelectAll).visible);
    EXPECT_FALSE(d.at(Cmd::RangeSelect).enabled);
    EXPECT_TRUE(d.at(Cmd::RangeSelect).visible);
    EXPECT_FALSE(d.at(Cmd::SendToAnalogClock).enabled);
}

TEST(PopupRules, WithSelectionTheyShowAndACompanionHidesTheRenamingOnes)
{
    PopupState s;
    s.rowCount = 5;
    s.selectedCount = 1;
    PopupDecision d = PopupMenu1Popup(s);
    for (Cmd id : {Cmd::Explorer, Cmd::DeleteRows, Cmd::CopyMenu, Cmd::FileRename, Cmd::StringConvert})
        EXPECT_TRUE(d.at(id).visible) << int(id);
    s.companionCaller = true;
    d = PopupMenu1Popup(s);
    EXPECT_FALSE(d.at(Cmd::FileRename).visible);
    EXPECT_FALSE(d.at(Cmd::StringConvert).visible);
    EXPECT_TRUE(d.at(Cmd::Explorer).visible);
}

struct EqualCase {
    int selected;
    int column;
    bool editVisible;
    bool visible;
};

class PopupMakeEqual : public ::testing::TestWithParam<EqualCase> {};

TEST_P(PopupMakeEqual, NeedsTwoRowsAndAColumnOtherThanTitleTrackPicture)
{
    const EqualCase c = GetParam();
    PopupState s;
    s.rowCount = 10;
    s.selectedCount = c.selected;
    s.currentColumn = c.column;
    s.editVisible = c.editVisible;
    EXPECT_EQ(PopupMenu1Popup(s).at(Cmd::MakeEqual).visible, c.visible);
}

INSTANTIATE_TEST_SUITE_P(Cases, PopupMakeEqual,
                         ::testing::Values(EqualCase{1, 1, true, false}, EqualCase{2, 1, true, true},
                                           EqualCase{2, 0, true, false}, EqualCase{2, ColTrack, true, false},
                                           EqualCase{2, ColPicture, true, false}, EqualCase{3, -1, true, true},
                                           EqualCase{3, 2, false, false}));

TEST(PopupRules, RangeCaptionPasteAndTagConversion)
{
    PopupState s;
    s.rowCount = 3;
    s.selectedCount = 1;
    s.rangeStart = 2;
    s.selectedExtension = QStringLiteral(".wma");
    PopupDecision d = PopupMenu1Popup(s);
    EXPECT_EQ(d.rangeStartCaption, QStringLiteral("ここから  ( List No 3 )"));
    EXPECT_FALSE(d.at(Cmd::Paste).visible);
    EXPECT_TRUE(d.at(Cmd::TagConvert).visible);
    EXPECT_FALSE(d.at(Cmd::TagConvert).enabled);
    s.selectedExtension = QStringLiteral(".wav");
    s.clipboardHasAcceptedFile = true;
    d = PopupMenu1Popup(s);
    EXPECT_FALSE(d.at(Cmd::TagConvert).visible);
    EXPECT_TRUE(d.at(Cmd::Paste).visible);
    s.selectedExtension = QStringLiteral(".mp3");
    s.v2View = false;
    d = PopupMenu1Popup(s);
    EXPECT_FALSE(d.at(Cmd::TagConvert).visible);
    EXPECT_FALSE(d.at(Cmd::GenreConvertMenu).visible);
    EXPECT_FALSE(d.at(Cmd::TrimSpaces).visible);
}

TEST(PopupRules, GenreConversionNeedsSelectionAndEnglishNames)
{
    PopupState s;
    s.rowCount = 3;
    PopupDecision d = PopupMenu1Popup(s);
    EXPECT_TRUE(d.at(Cmd::GenreConvertMenu).visible);
    EXPECT_FALSE(d.at(Cmd::GenreConvertMenu).enabled);
    s.selectedCount = 2;
    EXPECT_TRUE(PopupMenu1Popup(s).at(Cmd::GenreConvertMenu).enabled);
    s.englishGenresAvailable = false;
    EXPECT_FALSE(PopupMenu1Popup(s).at(Cmd::GenreConvertMenu).enabled);
}

TEST(PopupRules, ClockEntriesNeedARunningReceiver)
{
    PopupState s;
    s.rowCount = 3;
    s.selectedCount = 2;
    EXPECT_FALSE(PopupMenu1Popup(s).at(Cmd::SendToAnalogClock).enabled);
    s.analogClockRunning = true;
    EXPECT_TRUE(PopupMenu1Popup(s).at(Cmd::SendToAnalogClock).enabled);
    EXPECT_FALSE(PopupMenu1Popup(s).at(Cmd::SendToClockPlus).enabled);
}
