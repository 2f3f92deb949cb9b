// The main window: construction, layout, settings, first show and shut-down.
#include "app/ui/MainWindow.h"

#include "app/CloseQuery.h"
#include "app/EditorState.h"
#include "app/GenreLists.h"
#include "app/HandOver.h"
#include "app/ShellLink.h"
#include "app/ui/EditPanels.h"
#include "app/ui/GuiPrompt.h"
#include "app/ui/ListModel.h"
#include "app/ui/ListView.h"
#include "app/ui/SingleInstance.h"
#include "app/ui/StatusBar.h"
#include "gather/AddSources.h"
#include "media/wma/WmaErrorGate.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillory {

namespace {

// Hands every call on to the window's prompt of the moment, so that the parts of
// the core that keep a prompt follow setPrompt().
class PromptProxy : public UserPrompt {
public:
    explicit PromptProxy(std::function<UserPrompt&()> target) : target_(std::move(target)) {}
    void ShowMessage(const QString& title, const QString& text, PromptIcon icon) override
    {
        target_().ShowMessage(title, text, icon);
    }
    Answer Ask(Question& q) override { return target_().Ask(q); }
    void Progress(int max) override { target_().Progress(max); }
    void Step(int n) override { target_().Step(n); }
    bool Cancelled() override { return target_().Cancelled(); }
    void PumpEvents() override { target_().PumpEvents(); }

private:
    std::function<UserPrompt&()> target_;
};

constexpr int kClientWidth = 988;
constexpr int kClientHeight = 490;
constexpr int kMinimumHeight = 449;
constexpr int kMainTagBoxHeight = 178;
constexpr int kCommentBoxHeight = 56;
constexpr int kControlRowHeight = 66;
constexpr int kPictureColumnWidth = 84;
constexpr int kToolBarHeight = 26;
const char* const kAvailableProperty = "quilloryAvailable";

// A small picture for a tool button: the style's icon where one fits, else the
// first character of the caption.
QIcon glyphIcon(const QString& glyph, const QColor& colour)
{
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = p.font();
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(pm.rect(), Qt::AlignCenter, glyph);
    return QIcon(pm);
}

QIcon toolIcon(Cmd id, QStyle* style, const QString& caption)
{
    switch (id) {
    case Cmd::AddFolder: return style->standardIcon(QStyle::SP_DirOpenIcon);
    case Cmd::AddFiles: return style->standardIcon(QStyle::SP_FileIcon);
    case Cmd::AddPlaylist: return style->standardIcon(QStyle::SP_FileDialogListView);
    case Cmd::CopyToFolder: return style->standardIcon(QStyle::SP_DriveHDIcon);
    case Cmd::Print: return glyphIcon(QStringLiteral("印"), QColor(0x30, 0x30, 0x30));
    case Cmd::DeleteRows: return style->standardIcon(QStyle::SP_TrashIcon);
    case Cmd::MoveUp: return style->standardIcon(QStyle::SP_ArrowUp);
    case Cmd::MoveDown: return style->standardIcon(QStyle::SP_ArrowDown);
    case Cmd::UndoButton: return style->standardIcon(QStyle::SP_ArrowBack);
    case Cmd::FitToWindow: return glyphIcon(QStringLiteral("↔"), QColor(0x20, 0x40, 0x80));
    case Cmd::RandomPlay: return style->standardIcon(QStyle::SP_BrowserReload);
    default: break;
    }
    QString c = StripAccelerator(caption);
    return glyphIcon(c.isEmpty() ? QStringLiteral("?") : c.left(1), QColor(0x20, 0x30, 0x60));
}

QLabel* fieldLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QPushButton* smallButton(const QString& objectName, const QString& caption, const QString& hint, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    b->setToolTip(ShortHint(hint));
    b->setStatusTip(LongHint(hint));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QCheckBox* checkBox(const QString& objectName, const QString& caption, const QString& hint, QWidget* parent)
{
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(objectName);
    c->setToolTip(ShortHint(hint));
    c->setStatusTip(LongHint(hint));
    return c;
}

QLineEdit* lineEdit(const QString& objectName, QWidget* parent, int maxLength = 0)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(objectName);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

QComboBox* comboBox(const QString& objectName, bool editable, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(objectName);
    // Long genre and artist names must not widen the window.
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(6);
    c->setEditable(editable);
    if (editable)
        c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

} // namespace

TDU3ZiruVozivDlg::TDU3ZiruVozivDlg(StartOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options))
{
    setObjectName(QStringLiteral("TDU3ZiruVozivDlg"));
    setWindowTitle(kApplicationTitle);
    setAttribute(Qt::WA_DeleteOnClose, false);

    // Folders, shortcuts and settings.
    folders_ = options_.folders ? *options_.folders : ComputeFolders();
    settingsPath_ = options_.settingsPath.isEmpty() ? defaultSettingsPath() : options_.settingsPath;
    startDirectory_ = QDir::currentPath();
    PrepareFolders(folders_);
    if (!options_.programPath.isEmpty()) {
        sendToLinked_ = ChkLinkPath(LinkFilePath(SendToFolder(), kApplicationTitle), options_.programPath);
        RepairDesktopLink(LinkFilePath(DesktopFolder(), kApplicationTitle), options_.programPath, kApplicationTitle);
    }
    readSettings();
    genres_.setLanguage(settings_.genre ? GenreLanguage::Japanese : GenreLanguage::English);
    tagOptions_ = TagOptionsFrom(settings_);

    guiPrompt_ = std::make_unique<GuiPrompt>(this);
    prompt_ = guiPrompt_.get();
    promptProxy_ = std::make_unique<PromptProxy>([this]() -> UserPrompt& { return *prompt_; });
    wmaGate_ = std::make_unique<WmaErrorGate>(*promptProxy_, kApplicationTitle);
    loader_ = std::make_unique<TagLoader>(tagOptions_, &genres_);
    loader_->setWmaGate(wmaGate_.get());

    // The window.
    model_ = new ListModel(store_, this);
    buildActions();
    buildToolBar();
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Central"));
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    list_ = new TMyListView(central);
    list_->setListModel(model_);
    list_->installEventFilter(this);
    list_->cellText = [this](int row, int column) -> QString {
        if (row < 0 || row >= store_.count())
            return {};
        if (column == 0)
            return store_.row(row).caption;
        return GetRowField(store_.row(row), 0, column - 1);
    };
    v->addWidget(list_, 1);
    bottom_ = new QWidget(central);
    bottom_->setObjectName(QStringLiteral("BottomPanel"));
    bottom_->setAutoFillBackground(true);
    auto* bv = new QVBoxLayout(bottom_);
    bv->setContentsMargins(0, 0, 0, 0);
    bv->setSpacing(0);
    mainBox_ = buildMainTagBox();
    commentBox_ = buildCommentBox();
    controlRow_ = buildControlRow();
    bv->addWidget(mainBox_);
    bv->addWidget(commentBox_);
    bv->addWidget(controlRow_);
    extraPanel_ = buildExtraPanel();
    buildEditing();
    v->addWidget(bottom_);
    setCentralWidget(central);
    buildImages();

    guiPrompt_->setProgressBar(progress1_);
    guiPrompt_->setCancelSwitch(cancelSwBtn_);

    connect(list_, &TMyListView::dataHint, this, &TDU3ZiruVozivDlg::onDataHint);
    connect(list_, &TMyListView::filesDropped, this, &TDU3ZiruVozivDlg::DropFiles);
    connect(list_, &TMyListView::popupRequested, this, [this](const QPoint& at) {
        if (busy_ || gathering_)
            return; // the pop-up is detached while a long operation runs
        PopupMenu1Popup();
        popup_->popup(at);
    });
    connect(list_, &TMyListView::emptyDoubleClicked, this, &TDU3ZiruVozivDlg::ListAddFolderMenuClick);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& sel, const QItemSelection& desel) {
                if (syncingSelection_)
                    return;
                for (const QItemSelectionRange& r : desel)
                    for (int i = r.top(); i <= r.bottom() && i < store_.count(); ++i)
                        store_.row(i).selected = false;
                for (const QItemSelectionRange& r : sel)
                    for (int i = r.top(); i <= r.bottom() && i < store_.count(); ++i)
                        store_.row(i).selected = true;
                onSelectionChanged();
            });
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur) {
                if (cur.isValid() && !syncingSelection_)
                    setStatusPath(cur.row());
            });
    connect(list_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int c, int, int w) {
        if (fitting_)
            return;
        int clamped = columns_.clampWidth(c, w);
        if (clamped != w) {
            fitting_ = true;
            list_->horizontalHeader()->resizeSection(c, clamped);
            fitting_ = false;
        }
        if (clamped > 0)
            columns_.rememberWidth(c, clamped);
        fitColumns();
    });

    timer1_.setSingleShot(false);
    connect(&timer1_, &QTimer::timeout, this, &TDU3ZiruVozivDlg::Timer1Timer);
    connect(&timer4_, &QTimer::timeout, this, &TDU3ZiruVozivDlg::moveTimerTick);
    timer4_.setSingleShot(true);

    applyLayoutSettings();
    applyColourScheme();
    applyListAppearance();
    SetVisibleColumns();
    applyCommandAvailability();
    applyCurrentTagViewLayout();
    // The list is shown by the first tick of Timer1.
    list_->setVisible(false);

    work_ = std::make_unique<BackgroundWork>(*this);

    if (!options_.instanceName.isEmpty()) {
        instance_ = std::make_unique<InstanceServer>();
        instance_->listen(options_.instanceName);
        connect(instance_.get(), &InstanceServer::copyDataReceived, this, &TDU3ZiruVozivDlg::onCopyData);
    }
    showRowCount();
}

TDU3ZiruVozivDlg::~TDU3ZiruVozivDlg()
{
    // Workers end before anything they use is freed, and the view lets go of the
    // model before the rows it shows go.
    if (work_)
        work_->Shutdown();
    if (list_)
        list_->setModel(nullptr);
}

UserPrompt& TDU3ZiruVozivDlg::prompt()
{
    return *prompt_;
}

QAction* TDU3ZiruVozivDlg::action(Cmd id) const
{
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QToolButton* TDU3ZiruVozivDlg::toolButton(Cmd id) const
{
    auto it = toolButtons_.find(id);
    return it == toolButtons_.end() ? nullptr : it->second;
}

QAbstractButton* TDU3ZiruVozivDlg::cancelSwitch() const
{
    return cancelSwBtn_;
}

// ---- construction ----------------------------------------------------------------

void TDU3ZiruVozivDlg::buildActions()
{
    for (const CommandInfo& c : AllCommands()) {
        auto* a = new QAction(c.caption, this);
        a->setObjectName(QStringLiteral("Cmd%1").arg(int(c.id)));
        a->setStatusTip(LongHint(c.hint));
        a->setToolTip(ShortHint(c.hint));
        a->setData(c.tag);
        a->setCheckable(c.checkable);
        a->setChecked(c.checkedAtFirst);
        if (!c.shortcut.isEmpty())
            a->setShortcut(QKeySequence(c.shortcut));
        a->setProperty(kAvailableProperty, c.available);
        a->setEnabled(c.available);
        actions_[c.id] = a;
    }
    for (const MenuNode& top : MainMenuTree()) {
        if (top.children.empty()) {
            menuBar()->addAction(action(top.id));
            continue;
        }
        QMenu* m = buildMenu(top, menuBar());
        menuBar()->addMenu(m);
    }
    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("PopupMenu1"));
    for (const MenuNode& n : ListPopupTree()) {
        if (n.isSeparator())
            popup_->addSeparator();
        else if (!n.children.empty())
            popup_->addMenu(buildMenu(n, popup_));
        else
            popup_->addAction(action(n.id));
    }
    undoPopup_ = new QMenu(this);
    undoPopup_->setObjectName(QStringLiteral("PopupMenu3"));
    for (const MenuNode& n : UndoPopupTree())
        undoPopup_->addAction(action(n.id));

    connect(action(Cmd::AddFolder), &QAction::triggered, this, &TDU3ZiruVozivDlg::ListAddFolderMenuClick);
    connect(action(Cmd::AddFiles), &QAction::triggered, this, [this] { ListAddFileMenuClick(0); });
    connect(action(Cmd::AddPlaylist), &QAction::triggered, this, [this] { ListAddFileMenuClick(1); });
    connect(action(Cmd::Paste), &QAction::triggered, this, &TDU3ZiruVozivDlg::Paste1Click);
    connect(action(Cmd::Exit), &QAction::triggered, this, &QWidget::close);
    for (Cmd id : {Cmd::ShowToolBar, Cmd::ShowMainTagBox, Cmd::ShowCommentTagBox})
        connect(action(id), &QAction::triggered, this, [this, id] { ToolBarOnMenuClick(id); });
    connect(action(Cmd::Refresh), &QAction::triggered, this, &TDU3ZiruVozivDlg::RefreshMenuClick);
    connect(action(Cmd::OpenWith), &QAction::triggered, this, &TDU3ZiruVozivDlg::N49Click);
    connect(action(Cmd::Explorer), &QAction::triggered, this, &TDU3ZiruVozivDlg::N5Click);
    connect(action(Cmd::DeleteRows), &QAction::triggered, this, &TDU3ZiruVozivDlg::Delete1Click);
    connect(action(Cmd::SendToAnalogClock), &QAction::triggered, this, [this] { N9Click(0); });
    connect(action(Cmd::SendToClockPlus), &QAction::triggered, this, [this] { N9Click(1); });
    connect(action(Cmd::FitToWindow), &QAction::toggled, this, &TDU3ZiruVozivDlg::ToolButton11Click);
    // The list's pop-up unchecks "Scroll" when it opens.
    connect(popup_, &QMenu::aboutToShow, this, [this] {
        if (scrollBox_)
            scrollBox_->setChecked(false);
    });
}

QMenu* TDU3ZiruVozivDlg::buildMenu(const MenuNode& node, QWidget* parent)
{
    const CommandInfo& c = CommandInfoOf(node.id);
    auto* m = new QMenu(c.caption, parent);
    m->setObjectName(QStringLiteral("Menu%1").arg(int(node.id)));
    m->menuAction()->setStatusTip(LongHint(c.hint));
    menus_[node.id] = m;
    // The menu's own entry stands in for the command of the container.
    actions_[node.id]->deleteLater();
    actions_[node.id] = m->menuAction();
    m->menuAction()->setProperty(kAvailableProperty, true);
    for (const MenuNode& n : node.children) {
        if (n.isSeparator())
            m->addSeparator();
        else if (!n.children.empty())
            m->addMenu(buildMenu(n, m));
        else
            m->addAction(action(n.id));
    }
    return m;
}

void TDU3ZiruVozivDlg::buildToolBar()
{
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(20, 18));
    toolBar_->setFixedHeight(kToolBarHeight + 4);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    for (const ToolButtonDef& def : ToolBarButtons()) {
        if (def.isSeparator()) {
            toolBar_->addSeparator();
            continue;
        }
        const CommandInfo& c = CommandInfoOf(def.id);
        auto* b = new QToolButton(toolBar_);
        b->setObjectName(QStringLiteral("ToolButton%1").arg(int(def.id)));
        b->setFixedSize(30, kToolBarHeight);
        b->setIcon(toolIcon(def.id, style(), c.caption));
        b->setToolTip(ShortHint(def.hint));
        b->setStatusTip(LongHint(def.hint));
        b->setProperty("tag", def.tag);
        b->setAutoRaise(true);
        b->setProperty(kAvailableProperty, c.available);
        b->setEnabled(c.available);
        QAction* a = action(def.id);
        if (def.id == Cmd::OtherToolsMenu) {
            b->setMenu(menus_[Cmd::OtherToolsMenu]);
            b->setPopupMode(QToolButton::InstantPopup);
        } else if (def.id == Cmd::UndoButton) {
            b->setMenu(undoPopup_);
            b->setPopupMode(QToolButton::MenuButtonPopup);
        } else if (def.id == Cmd::MoveUp || def.id == Cmd::MoveDown) {
            // Held down to repeat.
            connect(b, &QToolButton::pressed, this, [this, def] { ToolButton15MouseDown(def.tag); });
            connect(b, &QToolButton::released, this, &TDU3ZiruVozivDlg::ToolButton15MouseUp);
        } else if (a && a->isCheckable()) {
            b->setCheckable(true);
            b->setChecked(a->isChecked());
            connect(b, &QToolButton::clicked, a, [a, b] {
                if (a->isChecked() != b->isChecked())
                    a->trigger();
            });
            connect(a, &QAction::toggled, b, &QToolButton::setChecked);
        } else if (a) {
            connect(b, &QToolButton::clicked, a, &QAction::trigger);
        }
        toolBar_->addWidget(b);
        toolButtons_[def.id] = b;
    }
}

QWidget* TDU3ZiruVozivDlg::buildMainTagBox()
{
    auto* box = new QFrame(bottom_);
    box->setObjectName(QStringLiteral("MainTagBox"));
    box->setFrameShape(QFrame::StyledPanel);
    box->setFixedHeight(kMainTagBoxHeight);
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(4, 3, 4, 3);
    h->setSpacing(6);

    // The v2 panel.
    auto* v2 = new QWidget(box);
    v2->setObjectName(QStringLiteral("V2Panel"));
    auto* g2 = new QGridLayout(v2);
    g2->setContentsMargins(0, 0, 0, 0);
    g2->setHorizontalSpacing(4);
    g2->setVerticalSpacing(3);
    idTagV2ChkBox_ = checkBox(QStringLiteral("IDTagV2ChkBox"), QStringLiteral("ID3 Tag v2 or WMA"),
                              QStringLiteral("タグ情報の切換|MP3 Tag v2／WMAの情報を表示します。"), v2);
    idTagV2ChkBox_->setChecked(true);
    idTagV2ChkBox_->setProperty("tag", 2);
    tagDeleteV2_ = smallButton(QStringLiteral("ID3TagV2DelSpBtn"), QStringLiteral("削除"), TagDeleteButtonHint(2), v2);
    tagDeleteV2_->setProperty("tag", 2);
    comboBox5_ = comboBox(QStringLiteral("ComboBox5"), false, v2);
    comboBox5_->addItems({QStringLiteral("riffmp3"), QStringLiteral("ver 2.2"), QStringLiteral("ver 2.3"),
                          QStringLiteral("ver 2.4")});
    comboBox5_->setToolTip(QStringLiteral("MP3 Tag Version"));
    comboBox5_->setStatusTip(QStringLiteral("新規作成するタグのバージョンを指定する"));
    comboBox5_->setProperty("tag", 255);
    comboBox6_ = comboBox(QStringLiteral("ComboBox6"), false, v2);
    comboBox6_->addItems({QStringLiteral("SJIS"), QStringLiteral("UTF16"), QStringLiteral("UTF8")});
    comboBox6_->setToolTip(QStringLiteral("文字コード"));
    comboBox6_->setStatusTip(QStringLiteral("新規でタグを追加する時の文字コードを指定する"));
    comboBox6_->setProperty("tag", 255);
    auto* head2 = new QHBoxLayout;
    head2->addWidget(idTagV2ChkBox_);
    head2->addWidget(tagDeleteV2_);
    head2->addStretch();
    head2->addWidget(comboBox5_);
    head2->addWidget(comboBox6_);
    g2->addLayout(head2, 0, 0, 1, 6);
    auto* title2 = lineEdit(QStringLiteral("WideTitleEdit"), v2);
    v2Artist_ = comboBox(QStringLiteral("WideArtistCombo"), true, v2);
    v2Artist_->setMaxVisibleItems(20);
    auto* album2 = lineEdit(QStringLiteral("WideAlbumEdit"), v2);
    comboBox2_ = comboBox(QStringLiteral("ComboBox2"), true, v2);
    comboBox2_->setToolTip(QStringLiteral("ジャンル"));
    comboBox2_->setProperty("tag", 3);
    auto* genreEdit = smallButton(QStringLiteral("SwitchButton2"), QStringLiteral("…"),
                                  QStringLiteral("ジャンルの編集|ジャンルのリストを編集します。"), v2);
    genreEdit->setFixedWidth(26);
    connect(genreEdit, &QPushButton::clicked, this, &TDU3ZiruVozivDlg::SwitchButton2Click);
    auto* track2 = lineEdit(QStringLiteral("Edit9"), v2);
    track2->setProperty("tag", 4);
    track2->setMaximumWidth(44);
    auto* year2 = lineEdit(QStringLiteral("Edit10"), v2);
    year2->setProperty("tag", 5);
    year2->setMaximumWidth(60);
    g2->addWidget(fieldLabel(QStringLiteral("タイトル"), v2), 1, 0);
    g2->addWidget(title2, 1, 1, 1, 5);
    g2->addWidget(fieldLabel(QStringLiteral("アーティスト"), v2), 2, 0);
    g2->addWidget(v2Artist_, 2, 1, 1, 5);
    g2->addWidget(fieldLabel(QStringLiteral("アルバム"), v2), 3, 0);
    g2->addWidget(album2, 3, 1, 1, 5);
    g2->addWidget(fieldLabel(QStringLiteral("ジャンル"), v2), 4, 0);
    auto* genreRow = new QHBoxLayout;
    genreRow->addWidget(comboBox2_, 1);
    genreRow->addWidget(genreEdit);
    g2->addLayout(genreRow, 4, 1);
    g2->addWidget(fieldLabel(QStringLiteral("Track"), v2), 4, 2);
    g2->addWidget(track2, 4, 3);
    g2->addWidget(fieldLabel(QStringLiteral("年"), v2), 4, 4);
    g2->addWidget(year2, 4, 5);
    auto* other = otherButton_ = smallButton(QStringLiteral("SpeedButton12"), QStringLiteral("その他"),
                              QStringLiteral("他のタグ|v1では使用しません！"), v2);
    auto* expand = smallButton(QStringLiteral("SpeedButton3"), QStringLiteral("▲"), QStringLiteral("拡張と収縮"), v2);
    auto* revert = smallButton(QStringLiteral("SpeedButton11"), QStringLiteral("戻す"),
                               QStringLiteral("元に戻す|選択しているリストの変更した内容を元に戻す"), v2);
    auto* inputSw = inputSwBox_ = checkBox(QStringLiteral("InputSwBox"), QStringLiteral("Input"),
                             QStringLiteral("入力ボックス|ダブルクリックしたリスト項目の入力ボックスを表示する"), v2);
    inputSw->setChecked(true);
    auto* stamp = stampBox_ = checkBox(QStringLiteral("TimeStampChkBox"), QStringLiteral("Stamp"),
                           QStringLiteral("タイムスタンプ|編集したファイルに、現在の日付を設定する"), v2);
    scrollBox_ = checkBox(QStringLiteral("NewCheckBox3"), QStringLiteral("Scroll"),
                          QStringLiteral("スクロール|再生中のリストが隠れたとき見えるようにスクロールする"), v2);
    auto* foot2 = new QHBoxLayout;
    foot2->addWidget(other);
    foot2->addWidget(expand);
    foot2->addWidget(revert);
    foot2->addSpacing(8);
    foot2->addWidget(inputSw);
    foot2->addWidget(stamp);
    foot2->addWidget(scrollBox_);
    foot2->addStretch();
    g2->addLayout(foot2, 5, 0, 1, 6);
    g2->setColumnStretch(1, 1);
    h->addWidget(v2, 5);

    // Copy between the two tags.
    auto* mid = new QWidget(box);
    auto* mv = new QVBoxLayout(mid);
    mv->setContentsMargins(0, 24, 0, 0);
    auto* copyToV1 = smallButton(QStringLiteral("ID3TagCopySpBtn1"), QStringLiteral("→v1"),
                                 QStringLiteral("タグのコピー|選択した、ID3 Tag v2の内容をID3 Tag v1にコピーします。（複数可能）"), mid);
    copyToV1->setProperty("tag", 1);
    auto* copyToV2 = smallButton(QStringLiteral("ID3TagCopySpBtn2"), QStringLiteral("←v2"),
                                 QStringLiteral("タグのコピー|選択した、ID3 Tag v1の内容をID3 Tag v2にコピーします。（複数可能）"), mid);
    copyToV2->setProperty("tag", 2);
    auto* empty = emptyBox_ = checkBox(QStringLiteral("EmptyChkBox"), QStringLiteral("Empty"),
                           QStringLiteral("空の項目だけにコピー|空の項目だけにTag情報をコピーする"), mid);
    empty->setChecked(true);
    mv->addWidget(copyToV1);
    mv->addWidget(copyToV2);
    mv->addWidget(empty);
    mv->addStretch();
    h->addWidget(mid);

    // The v1 panel.
    auto* v1 = new QWidget(box);
    v1->setObjectName(QStringLiteral("V1Panel"));
    auto* g1 = new QGridLayout(v1);
    g1->setContentsMargins(0, 0, 0, 0);
    g1->setHorizontalSpacing(4);
    g1->setVerticalSpacing(3);
    idTagV1ChkBox_ = checkBox(QStringLiteral("IDTagV1ChkBox"), QStringLiteral("ID3 Tag v1"),
                              QStringLiteral("タグ情報の切換|Tag v1の情報を表示します。"), v1);
    idTagV1ChkBox_->setProperty("tag", 1);
    tagDeleteV1_ = smallButton(QStringLiteral("ID3TagV1DelSpBtn"), QStringLiteral("削除"), TagDeleteButtonHint(1), v1);
    tagDeleteV1_->setProperty("tag", 1);
    auto* head1 = new QHBoxLayout;
    head1->addWidget(idTagV1ChkBox_);
    head1->addWidget(tagDeleteV1_);
    head1->addStretch();
    g1->addLayout(head1, 0, 0, 1, 6);
    auto* edit1 = lineEdit(QStringLiteral("Edit1"), v1, 30);
    comboBox3_ = comboBox(QStringLiteral("ComboBox3"), true, v1);
    comboBox3_->lineEdit()->setMaxLength(30);
    auto* edit3 = lineEdit(QStringLiteral("Edit3"), v1, 30);
    comboBox1_ = comboBox(QStringLiteral("ComboBox1"), false, v1);
    comboBox1_->setProperty("tag", 3);
    auto* edit4 = lineEdit(QStringLiteral("Edit4"), v1, 3);
    edit4->setMaximumWidth(40);
    auto* edit5 = lineEdit(QStringLiteral("Edit5"), v1, 4);
    edit5->setMaximumWidth(52);
    g1->addWidget(fieldLabel(QStringLiteral("タイトル"), v1), 1, 0);
    g1->addWidget(edit1, 1, 1, 1, 5);
    g1->addWidget(fieldLabel(QStringLiteral("アーティスト"), v1), 2, 0);
    g1->addWidget(comboBox3_, 2, 1, 1, 5);
    g1->addWidget(fieldLabel(QStringLiteral("アルバム"), v1), 3, 0);
    g1->addWidget(edit3, 3, 1, 1, 5);
    g1->addWidget(fieldLabel(QStringLiteral("ジャンル"), v1), 4, 0);
    g1->addWidget(comboBox1_, 4, 1);
    g1->addWidget(fieldLabel(QStringLiteral("Track"), v1), 4, 2);
    g1->addWidget(edit4, 4, 3);
    g1->addWidget(fieldLabel(QStringLiteral("年"), v1), 4, 4);
    g1->addWidget(edit5, 4, 5);
    auto* info = new QHBoxLayout;
    auto* sizeLabel = tagSizeLabel_ = new QLabel(v1);
    sizeLabel->setObjectName(QStringLiteral("TagSizeLabel"));
    auto* codeLabel = codeLabel_ = new QLabel(v1);
    codeLabel->setObjectName(QStringLiteral("TextCodeLabel"));
    info->addWidget(sizeLabel);
    info->addWidget(codeLabel);
    info->addStretch();
    g1->addLayout(info, 5, 0, 1, 6);
    g1->setColumnStretch(1, 1);
    h->addWidget(v1, 4);

    // The picture column.
    auto* pic = new QWidget(box);
    pic->setObjectName(QStringLiteral("PictureColumn"));
    pic->setFixedWidth(kPictureColumnWidth);
    auto* pv = new QVBoxLayout(pic);
    pv->setContentsMargins(0, 0, 0, 0);
    pv->setSpacing(2);
    auto* paint = new QLabel(pic);
    paint->setObjectName(QStringLiteral("PaintBox1"));
    paint->setFixedSize(kPictureColumnWidth - 4, kPictureColumnWidth - 4);
    paint->setFrameShape(QFrame::Box);
    paint->setAlignment(Qt::AlignCenter);
    auto* picRef = smallButton(QStringLiteral("SpeedButton5"), QStringLiteral("参照"),
                               QStringLiteral("画像参照|画像を選択します。"), pic);
    auto* picDel = smallButton(QStringLiteral("SpeedButton6"), QStringLiteral("削除"), QStringLiteral("画像削除"), pic);
    auto* swf = smallButton(QStringLiteral("SwfOnViewSpBtn"), QStringLiteral("表示"), QStringLiteral("ウィンドウ表示"), pic);
    swf->setVisible(false);
    auto* picDesc = pictureDescLabel_ = new QLabel(pic);
    picDesc->setObjectName(QStringLiteral("PictureDescriptionLabel"));
    pv->addWidget(paint);
    auto* pr = new QHBoxLayout;
    pr->setSpacing(2);
    pr->addWidget(picRef);
    pr->addWidget(picDel);
    pv->addLayout(pr);
    pv->addWidget(picDesc);
    pv->addStretch();
    h->addWidget(pic);

    // The picture buttons wait for the picture dialog, the delete buttons for tag
    // deletion, "戻す" and "▲" for their commands.
    for (QWidget* w : {static_cast<QWidget*>(expand), static_cast<QWidget*>(revert), static_cast<QWidget*>(picRef),
                       static_cast<QWidget*>(picDel), static_cast<QWidget*>(swf),
                       static_cast<QWidget*>(tagDeleteV1_), static_cast<QWidget*>(tagDeleteV2_)})
        setAvailable(w, false);
    connect(other, &QPushButton::clicked, this, &TDU3ZiruVozivDlg::SpeedButton12Click);
    connect(copyToV1, &QPushButton::clicked, this, [this] { ID3TagCopySpBtnClick(1); });
    connect(copyToV2, &QPushButton::clicked, this, [this] { ID3TagCopySpBtnClick(2); });
    connect(comboBox5_, &QComboBox::currentIndexChanged, this, &TDU3ZiruVozivDlg::ComboBox5Change);
    connect(comboBox6_, &QComboBox::currentIndexChanged, this, &TDU3ZiruVozivDlg::ComboBox5Change);
    // The view boxes act on the press, as the core's switch expects; the box must not
    // toggle itself as well.
    idTagV1ChkBox_->installEventFilter(this);
    idTagV2ChkBox_->installEventFilter(this);
    for (QCheckBox* c : {idTagV1ChkBox_, idTagV2ChkBox_})
        connect(c, &QCheckBox::clicked, this, [this, c] { IDTagChkBoxMouseDown(c->property("tag").toInt()); });
    busyDisabled_ << idTagV1ChkBox_ << idTagV2ChkBox_ << copyToV1 << copyToV2 << v1 << v2 << comboBox5_ << comboBox6_
                  << revert;
    return box;
}

QWidget* TDU3ZiruVozivDlg::buildCommentBox()
{
    auto* box = new QFrame(bottom_);
    box->setObjectName(QStringLiteral("CommentTagBox"));
    box->setFrameShape(QFrame::StyledPanel);
    box->setFixedHeight(kCommentBoxHeight);
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(4, 2, 4, 2);
    h->addWidget(fieldLabel(QStringLiteral("Comment v2"), box));
    auto* wide = new QPlainTextEdit(box);
    wide->setObjectName(QStringLiteral("WideCommentMemo"));
    h->addWidget(wide, 5);
    h->addWidget(fieldLabel(QStringLiteral("v1"), box));
    auto* memo1 = new QPlainTextEdit(box);
    memo1->setObjectName(QStringLiteral("Memo1"));
    h->addWidget(memo1, 4);
    return box;
}

QWidget* TDU3ZiruVozivDlg::buildControlRow()
{
    auto* row = new QFrame(bottom_);
    row->setObjectName(QStringLiteral("ControlRow"));
    row->setFixedHeight(kControlRowHeight);
    auto* v = new QVBoxLayout(row);
    v->setContentsMargins(4, 3, 4, 2);
    v->setSpacing(3);
    auto* h = new QHBoxLayout;
    h->setSpacing(4);
    auto* w1 = smallButton(QStringLiteral("SpeedButton1"), QStringLiteral("ID3 Tag v1"),
                           QStringLiteral("ID3 Tag v1|Tag v1の変更内容をファイルに書き出します。"), row);
    w1->setProperty("tag", 1);
    auto* w2 = smallButton(QStringLiteral("SpeedButton2"), QStringLiteral("ID3 Tag v2"),
                           QStringLiteral("ID3 Tag v2|Tag v2の変更内容をファイルに書き出します。"), row);
    w2->setProperty("tag", 2);
    auto* w0 = smallButton(QStringLiteral("SpeedButton0"), QStringLiteral("ID3 Tag v1v2"),
                           QStringLiteral("ID3 Tag v1v2|Tag v1v2　両方の変更内容をファイルに書き出します。"), row);
    w0->setProperty("tag", 0);
    writeButtons_ = {w1, w2, w0};
    speedButton8_ = smallButton(QStringLiteral("SpeedButton8"), QStringLiteral("Tag v1"),
                                QStringLiteral("タグ表示の切り替え"), row);
    speedButton7_ = smallButton(QStringLiteral("SpeedButton7"), QStringLiteral("戻す"),
                                QStringLiteral("元に戻す|選択しているリストの変更した内容を元に戻す"), row);
    cancelSwBtn_ = smallButton(QStringLiteral("CancelSwBtn"), QStringLiteral("中止"),
                               QStringLiteral("処理の中断|現在実行中の処理を中断します。"), row);
    cancelSwBtn_->setCheckable(true);
    cancelSwBtn_->setVisible(false);
    progress1_ = new QProgressBar(row);
    progress1_->setObjectName(QStringLiteral("ColorProgressBar1"));
    progress1_->setTextVisible(false);
    progress1_->setRange(0, 100);
    progress1_->setValue(0);
    progress1_->setFixedHeight(14);
    progress2_ = new QProgressBar(row);
    progress2_->setObjectName(QStringLiteral("ColorProgressBar2"));
    progress2_->setTextVisible(false);
    progress2_->setFixedHeight(14);
    progress2_->setToolTip(QStringLiteral("タグ取得の進捗"));
    progress2_->setStatusTip(QStringLiteral("タグ取得の進捗"));
    progress2_->setVisible(false);
    auto* play = smallButton(QStringLiteral("BitmapButton1"), QStringLiteral("▶"), QStringLiteral("Play|再生"), row);
    auto* stop = smallButton(QStringLiteral("BitmapButton2"), QStringLiteral("■"), QStringLiteral("Stop|再生を停止"), row);
    stop->setProperty("tag", 1);
    play->setFixedWidth(34);
    stop->setFixedWidth(34);
    progress1_->setMinimumWidth(60);
    progress2_->setMinimumWidth(60);
    auto* track = new QSlider(Qt::Horizontal, row);
    track->setObjectName(QStringLiteral("MyTrackBar1"));
    track->setRange(0, 100);
    track->setToolTip(QStringLiteral("再生位置を移動させます。"));
    track->setStatusTip(QStringLiteral("再生位置を移動させます。"));
    track->setFixedWidth(120);
    auto* end = smallButton(QStringLiteral("SpeedButton4"), QStringLiteral("終了"), QStringLiteral("終了"), row);
    end->setProperty("tag", 2);
    connect(end, &QPushButton::clicked, this, &QWidget::close);
    h->addWidget(w1);
    h->addWidget(w2);
    h->addWidget(w0);
    h->addWidget(speedButton8_);
    h->addWidget(speedButton7_);
    h->addWidget(cancelSwBtn_);
    auto* bars = new QVBoxLayout;
    bars->setSpacing(1);
    bars->addWidget(progress1_);
    bars->addWidget(progress2_);
    h->addLayout(bars, 1);
    h->addWidget(play);
    h->addWidget(stop);
    h->addWidget(track);
    h->addWidget(end);
    v->addLayout(h);
    status_ = new TStatusBar(row);
    v->addWidget(status_);
    for (QWidget* w : {static_cast<QWidget*>(speedButton7_), static_cast<QWidget*>(play), static_cast<QWidget*>(stop),
                       static_cast<QWidget*>(track)})
        setAvailable(w, false);
    for (QPushButton* b : writeButtons_) {
        const int tag = b->property("tag").toInt();
        connect(b, &QPushButton::clicked, this, [this, tag] { WriteButtonClick(tag); });
        b->setEnabled(false); // nothing to write yet
    }
    connect(speedButton8_, &QPushButton::clicked, this, &TDU3ZiruVozivDlg::SpeedButton8Click);
    speedButton8_->setVisible(false);
    speedButton7_->setVisible(false);
    setAvailable(end, true);
    setAvailable(cancelSwBtn_, true);
    return row;
}

QWidget* TDU3ZiruVozivDlg::buildExtraPanel()
{
    // Panel5: the extra fields, shown over the main tag box by "その他".
    auto* p = new QFrame(bottom_);
    p->setObjectName(QStringLiteral("Panel5"));
    p->setFrameShape(QFrame::StyledPanel);
    p->setAutoFillBackground(true);
    p->setFixedSize(380, 220 - 42);
    auto* g = new QGridLayout(p);
    g->setContentsMargins(4, 4, 4, 4);
    g->setVerticalSpacing(2);
    struct F {
        const char16_t* label;
        const char* name;
    } fields[] = {{u"作曲者", "WideComposerEdit"}, {u"作詞者", "WideLyricistEdit"}, {u"レーベル", "Edit13"},
                  {u"URL", "Edit18"}};
    int r = 0;
    for (const F& f : fields) {
        g->addWidget(fieldLabel(QString::fromUtf16(f.label), p), r, 0);
        auto* e = lineEdit(QString::fromLatin1(f.name), p);
        g->addWidget(e, r++, 1, 1, 3);
    }
    g->addWidget(fieldLabel(QStringLiteral("著作権"), p), r, 0);
    copyrightBox_ = comboBox(QStringLiteral("NewComboBox1"), true, p);
    g->addWidget(copyrightBox_, r++, 1, 1, 3);
    g->addWidget(fieldLabel(QStringLiteral("エンコーダ"), p), r, 0);
    encoderBox_ = comboBox(QStringLiteral("NewComboBox2"), true, p);
    g->addWidget(encoderBox_, r++, 1, 1, 3);
    auto* disc = lineEdit(QStringLiteral("Edit15"), p);
    auto* discs = lineEdit(QStringLiteral("Edit14"), p);
    g->addWidget(fieldLabel(QStringLiteral("枚目"), p), r, 0);
    g->addWidget(disc, r, 1);
    g->addWidget(fieldLabel(QStringLiteral("枚組"), p), r, 2);
    g->addWidget(discs, r++, 3);
    g->addWidget(fieldLabel(QStringLiteral("歌詞"), p), r, 0);
    auto* lyrics = new QPlainTextEdit(p);
    lyrics->setObjectName(QStringLiteral("Memo3"));
    g->addWidget(lyrics, r, 1, 1, 3);
    p->setVisible(false);
    return p;
}

void TDU3ZiruVozivDlg::buildImages()
{
    // Image 8 marks an edited row; 9-12 are the playback marks (from the data folder's
    // icon when there is one).
    QHash<int, QPixmap> images;
    QPixmap edited(14, 14);
    edited.fill(Qt::transparent);
    {
        QPainter p(&edited);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xEA, 0, 0), 2));
        p.drawLine(3, 11, 11, 3);
        p.setBrush(QColor(0xEA, 0, 0));
        p.drawEllipse(QPointF(3, 11), 1.5, 1.5);
    }
    images.insert(kImageEdited, edited);
    QPixmap disc(folders_.data + QStringLiteral("/icon/cd32-1.ico"));
    if (disc.isNull())
        disc = QPixmap(folders_.data + QStringLiteral("/icon/cdbk1.ico"));
    for (int i = kImagePlayFirst; i <= kImagePlayLast; ++i) {
        QPixmap pm(14, 14);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        if (!disc.isNull()) {
            p.drawPixmap(pm.rect(), disc);
        } else {
            p.setBrush(QColor(0x30, 0x50, 0xC0));
            p.setPen(Qt::NoPen);
            p.drawEllipse(pm.rect().adjusted(1, 1, -1, -1));
        }
        p.setBrush(Qt::white);
        p.drawPie(pm.rect().adjusted(4, 4, -4, -4), (i - kImagePlayFirst) * 90 * 16, 90 * 16);
        images.insert(i, pm);
    }
    model_->setImages(images);
}

// ---- settings ----------------------------------------------------------------------

void TDU3ZiruVozivDlg::readSettings()
{
    SettingsStore store(settingsPath_);
    ReadSettings(store, settings_, folders_);
    lastSearchFolder_ = settings_.mp3InfoPath;
    lastPlaylistPath_ = settings_.playlistDir;
}

void TDU3ZiruVozivDlg::applyLayoutSettings()
{
    QSize size(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (settings_.windowWH) {
        int w = WindowWidth(*settings_.windowWH);
        int h = WindowHeight(*settings_.windowWH);
        if (w > 0 && h > 0)
            size = QSize(w, h);
    }
    setMinimumHeight(kMinimumHeight);
    resize(size);
    if (QScreen* s = screen()) {
        QRect avail = s->availableGeometry();
        move(avail.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    action(Cmd::ShowToolBar)->setChecked(settings_.toolBar);
    action(Cmd::ShowMainTagBox)->setChecked(settings_.mainTagBox);
    action(Cmd::ShowCommentTagBox)->setChecked(settings_.commentTagBox);
    toolBar_->setVisible(settings_.toolBar);
    mainBox_->setVisible(settings_.mainTagBox);
    commentBox_->setVisible(settings_.commentTagBox);
    bottom_->setFixedHeight((settings_.mainTagBox ? kMainTagBoxHeight : 0) +
                            (settings_.commentTagBox ? kCommentBoxHeight : 0) + kControlRowHeight);
    speedButton8_->setVisible(!settings_.mainTagBox);
    speedButton7_->setVisible(!settings_.mainTagBox);
    comboBox5_->setCurrentIndex(std::clamp(settings_.verId, 0, 3));
    comboBox6_->setCurrentIndex(std::clamp(settings_.lngId, 0, 2));
    QFont f = list_->font();
    f.setPointSize(settings_.fontSizeUp ? 11 : 10);
    list_->setFont(f);
    list_->verticalHeader()->setDefaultSectionSize(std::max(QFontMetrics(f).height() + 6, 20));
    list_->setShowGrid(settings_.listLine);
}

void TDU3ZiruVozivDlg::applyColourScheme()
{
    const ColourScheme& s = ColourSchemeAt(settings_.backNo);
    QPalette pal = bottom_->palette();
    pal.setColor(QPalette::Window, toQColor(s.panel));
    pal.setColor(QPalette::WindowText, toQColor(s.text));
    pal.setColor(QPalette::Base, toQColor(s.field));
    boxFieldColour_ = toQColor(s.field);
    bottom_->setPalette(pal);
    status_->setScheme(s);
}

void TDU3ZiruVozivDlg::applyListAppearance()
{
    const ColourScheme& s = ColourSchemeAt(settings_.backNo);
    ListAppearance a = model_->appearance();
    a.panel = s.panel;
    QColor base = list_->palette().base().color();
    a.window = rgb(base.red(), base.green(), base.blue());
    QColor text = list_->palette().text().color();
    a.text = rgb(text.red(), text.green(), text.blue());
    a.striped = settings_.listBack;
    a.gridLines = settings_.listLine;
    a.pictures = settings_.listImg;
    model_->setAppearance(a);
}

void TDU3ZiruVozivDlg::collectSettings()
{
    if (isMaximized() || isFullScreen())
        settings_.windowWH.reset();
    else
        settings_.windowWH = PackWindowSize(width(), height());
    settings_.toolBar = action(Cmd::ShowToolBar)->isChecked();
    settings_.mainTagBox = action(Cmd::ShowMainTagBox)->isChecked();
    settings_.commentTagBox = action(Cmd::ShowCommentTagBox)->isChecked();
    settings_.mp3InfoPath = lastSearchFolder_;
    if (!lastAddedFile_.isEmpty())
        settings_.fileDir = QFileInfo(lastAddedFile_).absolutePath();
    if (!lastPlaylistPath_.isEmpty())
        settings_.playlistDir = QFileInfo(lastPlaylistPath_).isDir() ? lastPlaylistPath_
                                                                     : QFileInfo(lastPlaylistPath_).absolutePath();
    settings_.verId = comboBox5_->currentIndex();
    settings_.lngId = comboBox6_->currentIndex();
}

// ---- first show -------------------------------------------------------------------

void TDU3ZiruVozivDlg::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!firstShown_) {
        firstShown_ = true;
        // After the window is on screen, so that the busy dialog has an owner to sit on.
        QTimer::singleShot(0, this, &TDU3ZiruVozivDlg::FirstShow);
    }
}

void TDU3ZiruVozivDlg::FirstShow()
{
    if (closing_)
        return;
    setMinimumWidth(std::min(width(), kClientWidth));
    artists_ = ReadArtistFile(folders_.userData + QLatin1Char('/') + kArtistFileName);
    comboBox3_->addItems(artists_);
    v2Artist_->addItems(artists_);
    dropDowns_ = LoadDropDownLists(folders_.userData, {QStringLiteral("Copyright (C)")}, {});
    copyrightBox_->addItems(dropDowns_.copyright);
    encoderBox_->addItems(dropDowns_.encoder);
    FillGenreLists();
    work_->StartUiUpdater();
    timer1_.start(60);

    // The command line: paths to add; "-p" plays the first row once they are in.
    const QStringList& args = options_.arguments;
    if (CompanionCaller(args)) {
        companion_ = true;
        QClipboard* cb = QApplication::clipboard();
        QString text = cb->text();
        cb->clear();
        applyCommandAvailability();
        GatherPaths(text, kApplicationTitle);
    } else if (!args.isEmpty()) {
        QString joined = JoinArguments(args);
        playAfterAdd_ = PlayFlagGiven(joined);
        GatherPaths(joined, kApplicationTitle);
        if (playAfterAdd_ && store_.count() > 0)
            selectRows({0});
    }
}

void TDU3ZiruVozivDlg::Timer1Timer()
{
    if (timer1First_) {
        timer1First_ = false;
        list_->setVisible(true);
        list_->horizontalScrollBar()->setValue(0);
        fitColumns();
        list_->viewport()->update();
        // From now on this is the playback clock, which has nothing to count yet.
        timer1_.stop();
        timer1_.setInterval(1000);
    }
}

// ---- shut-down --------------------------------------------------------------------

bool TDU3ZiruVozivDlg::FormCloseQuery()
{
    if (cancelSwBtn_->isVisible() || busy_ || gathering_) {
        prompt().ShowMessage(kApplicationTitle, BusyCloseMessage(), PromptIcon::Information);
        return false;
    }
    progress1_->setRange(0, std::max(1, store_.count()));
    progress1_->setValue(0);
    int n = CountEditedRows(store_, [this] { progress1_->setValue(progress1_->value() + 1); });
    if (n > 0) {
        Question q;
        q.title = CloseQueryCaption(kApplicationTitle);
        q.text = CloseQueryText(n);
        q.buttons = {Answer::Yes, Answer::No};
        q.icon = PromptIcon::Question;
        if (prompt().Ask(q) != Answer::Yes) {
            progress1_->setValue(0);
            return false;
        }
    }
    progress1_->setValue(0);
    timer1_.stop();
    if (artistsChanged_)
        WriteArtistFile(folders_.userData + QLatin1Char('/') + kArtistFileName, artists_);
    SaveDropDownLists(folders_.userData, dropDowns_);
    RemoveWorkFolder(folders_);
    return true;
}

void TDU3ZiruVozivDlg::FormClose()
{
    closing_ = true;
    model_->setSuppressed(true);
    work_->Shutdown();
    timer4_.stop();
    collectSettings();
    SettingsStore store(settingsPath_);
    WriteSettings(store, settings_);
    store.sync();
    QDir::setCurrent(startDirectory_);
    instance_.reset();
}

void TDU3ZiruVozivDlg::closeEvent(QCloseEvent* e)
{
    if (closing_) {
        e->accept();
        return;
    }
    // Text still in the in-place editor counts as typed.
    EndCellEditor();
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

// ---- events ---------------------------------------------------------------------------

void TDU3ZiruVozivDlg::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    fitColumns();
}

bool TDU3ZiruVozivDlg::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        // Application hints go to status panel 1.
        auto* tip = static_cast<QStatusTipEvent*>(e);
        if (!tip->tip().isEmpty())
            status_->setPanel1(tip->tip());
        return true;
    }
    if (e->type() == QEvent::WindowDeactivate)
        EndCellEditor();
    return QMainWindow::event(e);
}

bool TDU3ZiruVozivDlg::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == idTagV1ChkBox_ || watched == idTagV2ChkBox_) {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() == Qt::LeftButton && e->type() == QEvent::MouseButtonPress)
                IDTagChkBoxMouseDown(watched->property("tag").toInt());
            return true;
        }
        if (e->type() == QEvent::MouseButtonRelease)
            return true;
    }
    if (watched == list_ && e->type() == QEvent::Resize)
        QTimer::singleShot(0, this, &TDU3ZiruVozivDlg::fitColumns);
    if (list_ && watched == list_->viewport() && e->type() == QEvent::MouseButtonPress)
        listMousePressed(static_cast<QMouseEvent*>(e)->position().toPoint());
    if (watched == list_ && e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->modifiers() == Qt::NoModifier || ke->modifiers() == Qt::KeypadModifier)
            if (listKeyPressed(ke->key()))
                return true;
    }
    if (e->type() == QEvent::MouseButtonDblClick && panels_) {
        for (EditBox b : {EditBox::V2Comment, EditBox::Lyrics}) {
            auto* m = qobject_cast<QPlainTextEdit*>(panels_->widget(b));
            if (m && watched == m->viewport()) {
                EditMultiLineBox(b);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

// ---- availability -----------------------------------------------------------------

void TDU3ZiruVozivDlg::setAvailable(QWidget* w, bool available)
{
    w->setProperty(kAvailableProperty, available);
    w->setEnabled(available);
}

void TDU3ZiruVozivDlg::enableIfAvailable(QWidget* w, bool enable)
{
    QVariant a = w->property(kAvailableProperty);
    w->setEnabled(enable && (!a.isValid() || a.toBool()));
}

void TDU3ZiruVozivDlg::enableActionIfAvailable(QAction* a, bool enable)
{
    if (!a)
        return;
    QVariant av = a->property(kAvailableProperty);
    a->setEnabled(enable && (!av.isValid() || av.toBool()));
}

void TDU3ZiruVozivDlg::applyCommandAvailability()
{
    // A companion program's call hides the renaming commands until the program ends.
    action(Cmd::FileRename)->setVisible(!companion_);
    if (QToolButton* b = toolButton(Cmd::FileRename))
        b->setVisible(!companion_);
}

} // namespace quillory
