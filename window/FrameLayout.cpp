// The window's construction: every control at its design place with its
// caption, range, initial state, hint and tab order; the wiring of every
// handler (each inside Guarded); the area layout on resize.
//
// Geometry is absolute, in pixels, as designed for a 711 x 515 client area:
// GraphView fills the client area above LowerPanel, LowerPanel is 285 high and full
// width, ControlPanel 280 wide on its left and ViewMemo fills the rest.  Resizing
// changes only GraphView's size and ViewMemo's width.  Inside ControlPanel the edit
// boxes are as wide as the free fonts need for their longest values (a
// 7-digit frequency, "10,239", a 16-digit pattern with " = 65535"), so a few
// boxes and GraphOrderGroup sit a little off their first design places.  The
// curve's value labels sit under their entry boxes, as wide as the boxes with
// their arrows: the largest values a table gives (a peak of 2147483647 from an
// 8-bit open, a variance of 26209280 and a mean of 10239 from a 32-bit table)
// are read whole there in either language.
#include "Frame.h"

#include "Dialogs.h"
#include "Param.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>

namespace {

constexpr int LowerPanelHeight = 285;
constexpr int ControlPanelWidth = 280;

// The user-interface font: "ＭＳ Ｐゴシック" at 12 pixels, else its free
// stand-ins.
QFont FormFont(int PixelSize) {
  QFont Font;
  Font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), Font.family()});
  Font.setPixelSize(PixelSize);
  return Font;
}

QLabel* MakeLabel(QWidget* Parent, const char* Name, const char* Caption, int Left, int Top,
                  int Width) {
  auto* Label = new QLabel(TFrameForm::tr(Caption), Parent);
  Label->setObjectName(QString::fromLatin1(Name));
  Label->setGeometry(Left, Top, Width, 14);
  return Label;
}

QPushButton* MakeButton(QWidget* Parent, const char* Name, const char* Caption, int Left, int Top,
                        int Width, int Height) {
  auto* Button = new QPushButton(TFrameForm::tr(Caption), Parent);
  Button->setObjectName(QString::fromLatin1(Name));
  Button->setGeometry(Left, Top, Width, Height);
  Button->setAutoDefault(false);
  return Button;
}

TEntryBox* MakeEdit(QWidget* Parent, const char* Name, const char* Text, int Left, int Top,
                    int Width) {
  auto* Edit = new TEntryBox(Parent);
  Edit->setObjectName(QString::fromLatin1(Name));
  Edit->setText(QString::fromUtf8(Text));
  Edit->setGeometry(Left, Top, Width, 20);
  Edit->setTextMargins(0, 0, 0, 0);
  return Edit;
}

TSpinArrows* MakeUpDown(QWidget* Parent, const char* Name, TEntryBox* Edit, int Left, int Top,
                        int Min, int Max, int Position, bool Thousands) {
  auto* UpDown = new TSpinArrows(Parent);
  UpDown->setObjectName(QString::fromLatin1(Name));
  UpDown->setGeometry(Left, Top, 16, 20);
  UpDown->SetRange(Min, Max);
  UpDown->SetThousands(Thousands);
  UpDown->SetAssociate(Edit);
  UpDown->SetPosition(Position);
  return UpDown;
}

QRadioButton* MakeRadio(QWidget* Parent, const char* Name, const char* Caption, int Left, int Top,
                        int Width, bool Checked) {
  auto* Radio = new QRadioButton(TFrameForm::tr(Caption), Parent);
  Radio->setObjectName(QString::fromLatin1(Name));
  Radio->setGeometry(Left, Top, Width, 17);
  Radio->setChecked(Checked);
  return Radio;
}

QGroupBox* MakeGroup(QWidget* Parent, const char* Name, const char* Caption, int Left, int Top,
                     int Width, int Height) {
  auto* Group = new QGroupBox(TFrameForm::tr(Caption), Parent);
  Group->setObjectName(QString::fromLatin1(Name));
  Group->setGeometry(Left, Top, Width, Height);
  return Group;
}

}  // namespace

TFrameForm::TFrameForm(const QString& ExeName, QWidget* Parent)
    : QWidget(Parent),
      FExeName(ExeName.isEmpty() ? QCoreApplication::applicationFilePath() : ExeName) {
  setObjectName(QStringLiteral("TFrameForm"));
  setWindowTitle(QString::fromUtf8(FrameCaption));
  setFont(FormFont(12));
  CreateControls();
  WireHandlers();
  move(197, 115);
  resize(DesignClientWidth, DesignClientHeight);
  LayoutAreas();
}

TFrameForm::~TFrameForm() = default;

QString TFrameForm::ApplicationTitle() const {
  const QString Name = QFileInfo(FExeName).fileName();
  const QString Base =
      Name.left(Name.indexOf(QLatin1Char('.')) < 0 ? Name.size() : Name.indexOf(QLatin1Char('.')));
  if (Base.isEmpty()) return Base;
  return Base.left(1) + Base.mid(1).toLower();
}

void TFrameForm::CreateControls() {
  Settings = new TParameter(this);
  Settings->setObjectName(QStringLiteral("Settings"));

  GraphView = new TPictureView(this);
  GraphView->setObjectName(QStringLiteral("GraphView"));

  LowerPanel = new QFrame(this);
  LowerPanel->setObjectName(QStringLiteral("LowerPanel"));
  LowerPanel->setFrameShape(QFrame::NoFrame);

  ControlPanel = new QFrame(LowerPanel);
  ControlPanel->setObjectName(QStringLiteral("ControlPanel"));
  ControlPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  ControlPanel->setLineWidth(1);

  ViewMemo = new TMemoText(LowerPanel);
  ViewMemo->setObjectName(QStringLiteral("ViewMemo"));
  ViewMemo->SetText(QString::fromLatin1(MemoDesignText));

  QWidget* P = ControlPanel;
  BarWidthLabel = MakeLabel(P, "BarWidthLabel", QT_TR_NOOP("棒幅 :"), 178, 176, 34);
  DatumLabel = MakeLabel(P, "DatumLabel", "Data :", 8, 8, 36);
  FrequencyLabel = MakeLabel(P, "FrequencyLabel", "Frequency :", 8, 38, 64);
  BitLengthLabel = MakeLabel(P, "BitLengthLabel", "BitLength :", 8, 51, 60);
  BitPatternLabel = MakeLabel(P, "BitPatternLabel", "BitPattern :", 8, 65, 64);
  DatumHexLabel = MakeLabel(P, "DatumHexLabel", "= $00", 8, 22, 36);

  OpenButton = MakeButton(P, "OpenButton", QT_TR_NOOP("開く"), 138, 8, 33, 25);
  BarWidthBox = MakeEdit(P, "BarWidthBox", "10", 212, 172, 25);
  BarWidthSpin = MakeUpDown(P, "BarWidthSpin", BarWidthBox, 237, 172, 1, 20, 10, true);

  GraphOrderGroup = MakeGroup(P, "GraphOrderGroup", QT_TR_NOOP("グラフ"), 192, 40, 76, 51);
  DataOrderRadio =
      MakeRadio(GraphOrderGroup, "DataOrderRadio", QT_TR_NOOP("データ順"), 4, 12, 69, true);
  FrequencyOrderRadio =
      MakeRadio(GraphOrderGroup, "FrequencyOrderRadio", QT_TR_NOOP("頻度順"), 4, 30, 61, false);

  ViewGroup = MakeGroup(P, "ViewGroup", QT_TR_NOOP("情報"), 174, 96, 95, 71);
  DistributionViewRadio =
      MakeRadio(ViewGroup, "DistributionViewRadio", QT_TR_NOOP("ハフマン分布"), 4, 12, 89, true);
  ArraysViewRadio =
      MakeRadio(ViewGroup, "ArraysViewRadio", QT_TR_NOOP("ハフマン配列"), 4, 30, 89, false);
  TableViewRadio =
      MakeRadio(ViewGroup, "TableViewRadio", QT_TR_NOOP("頻度テーブル"), 4, 48, 85, false);

  RangeEndBox = MakeEdit(P, "RangeEndBox", "255", 212, 198, 48);
  RangeEndSpin = MakeUpDown(P, "RangeEndSpin", RangeEndBox, 260, 198, 0, 10239, 255, true);
  FillZerosButton = MakeButton(P, "FillZerosButton", "0 ～", 178, 198, 29, 21);
  FillZerosButton->setToolTip(
      tr("この Data の区間内に頻度 0 が出現しない様に Frequency を調節します。"));
  RestoreButton = MakeButton(P, "RestoreButton", QT_TR_NOOP("元に"), 172, 8, 33, 25);
  RestoreButton->setToolTip(tr("ファイルを開いた直後の状態に戻します。"));

  DatumBox = MakeEdit(P, "DatumBox", "0", 40, 10, 48);
  DatumSpin = MakeUpDown(P, "DatumSpin", DatumBox, 88, 10, 0, 10239, 0, true);
  FrequencyBox = MakeEdit(P, "FrequencyBox", "0", 75, 40, 62);
  BitLengthBox = MakeEdit(P, "BitLengthBox", "0", 140, 40, 25);
  BitLengthBox->setReadOnly(true);
  BitPatternBox = MakeEdit(P, "BitPatternBox", "", 8, 79, 180);
  BitPatternBox->setReadOnly(true);
  UpdateButton = MakeButton(P, "UpdateButton", QT_TR_NOOP("更新"), 104, 8, 33, 25);

  AddBox = MakeEdit(P, "AddBox", "1", 40, 108, 36);
  SubtractBox = MakeEdit(P, "SubtractBox", "1", 40, 134, 36);
  MultiplyBox = MakeEdit(P, "MultiplyBox", "2", 116, 108, 29);
  DivideBox = MakeEdit(P, "DivideBox", "2", 116, 134, 29);
  AddButton = MakeButton(P, "AddButton", "＋", 16, 108, 20, 20);
  SubtractButton = MakeButton(P, "SubtractButton", "－", 16, 134, 20, 20);
  MultiplyButton = MakeButton(P, "MultiplyButton", "×", 92, 108, 20, 20);
  DivideButton = MakeButton(P, "DivideButton", "÷", 92, 134, 20, 20);
  for (QPushButton* B : {AddButton, SubtractButton, MultiplyButton, DivideButton})
    B->setFont(FormFont(13));

  CurveGroup = MakeGroup(P, "CurveGroup", QT_TR_NOOP("正規分布"), 6, 160, 170, 119);
  QWidget* G = CurveGroup;
  MeanLabel = MakeLabel(G, "MeanLabel", QT_TR_NOOP("平均 :"), 62, 16, 32);
  VarianceLabel = MakeLabel(G, "VarianceLabel", QT_TR_NOOP("分散 :"), 62, 50, 32);
  MeanValueLabel = MakeLabel(G, "MeanValueLabel", "0", 95, 38, 73);
  VarianceValueLabel = MakeLabel(G, "VarianceValueLabel", "10", 95, 72, 73);
  PeakLabel = MakeLabel(G, "PeakLabel", QT_TR_NOOP("最大 :"), 62, 84, 32);
  PeakValueLabel = MakeLabel(G, "PeakValueLabel", "100", 95, 105, 73);
  DrawCurveButton = MakeButton(G, "DrawCurveButton", QT_TR_NOOP("描画"), 8, 14, 41, 21);
  ClearCurveButton = MakeButton(G, "ClearCurveButton", QT_TR_NOOP("クリア"), 8, 66, 41, 21);
  FitButton = MakeButton(G, "FitButton", QT_TR_NOOP("適合"), 8, 92, 41, 21);
  MeanBox = MakeEdit(G, "MeanBox", "0", 93, 18, 59);
  VarianceBox = MakeEdit(G, "VarianceBox", "10", 93, 52, 59);
  MeanSpin = MakeUpDown(G, "MeanSpin", MeanBox, 152, 18, -255, 255, 0, false);
  VarianceSpin = MakeUpDown(G, "VarianceSpin", VarianceBox, 152, 52, 0, 32767, 10, false);
  PeakBox = MakeEdit(G, "PeakBox", "100", 93, 86, 59);
  PeakSpin = MakeUpDown(G, "PeakSpin", PeakBox, 152, 86, 0, 32767, 100, false);
  ArrangeButton = MakeButton(G, "ArrangeButton", "A = 0", 8, 40, 41, 21);
  ArrangeButton->setToolTip(tr("表示中の正規分布をアレンジします。"));
  for (QPushButton* B : {DrawCurveButton, ClearCurveButton, FitButton, ArrangeButton})
    B->setEnabled(false);

  DataBitsGroup = MakeGroup(P, "DataBitsGroup", QT_TR_NOOP("データビット"), 178, 226, 96, 52);
  ByteModeRadio =
      MakeRadio(DataBitsGroup, "ByteModeRadio", QT_TR_NOOP(" 8 bit(通常)"), 4, 12, 90, true);
  TableModeRadio =
      MakeRadio(DataBitsGroup, "TableModeRadio", QT_TR_NOOP("32 bit(拡張)"), 4, 30, 90, false);

  PreviousPageButton = MakeButton(P, "PreviousPageButton", "<==", 206, 8, 33, 25);
  NextPageButton = MakeButton(P, "NextPageButton", "==>", 240, 8, 33, 25);
  PreviousPageButton->setEnabled(false);
  NextPageButton->setEnabled(false);

  // Tab order: ControlPanel's controls in their design order, group boxes in
  // place, then the memo.
  const QList<QWidget*> TabOrder = {OpenButton,
                                    BarWidthBox,
                                    DataOrderRadio,
                                    FrequencyOrderRadio,
                                    DistributionViewRadio,
                                    ArraysViewRadio,
                                    TableViewRadio,
                                    RangeEndBox,
                                    FillZerosButton,
                                    RestoreButton,
                                    DatumBox,
                                    FrequencyBox,
                                    BitLengthBox,
                                    BitPatternBox,
                                    UpdateButton,
                                    AddBox,
                                    SubtractBox,
                                    MultiplyBox,
                                    DivideBox,
                                    AddButton,
                                    SubtractButton,
                                    MultiplyButton,
                                    DivideButton,
                                    DrawCurveButton,
                                    ClearCurveButton,
                                    FitButton,
                                    MeanBox,
                                    VarianceBox,
                                    PeakBox,
                                    ArrangeButton,
                                    ByteModeRadio,
                                    TableModeRadio,
                                    PreviousPageButton,
                                    NextPageButton,
                                    ViewMemo};
  for (qsizetype I = 1; I < TabOrder.size(); ++I) setTabOrder(TabOrder[I - 1], TabOrder[I]);

  // The context menu; its shortcuts work anywhere in the window.
  ContextMenu = new QMenu(this);
  ContextMenu->setObjectName(QStringLiteral("ContextMenu"));
  auto AddItem = [this](const char* Name, const char* Caption, const QKeySequence& Key) {
    auto* Item = new QAction(tr(Caption), this);
    Item->setObjectName(QString::fromLatin1(Name));
    if (!Key.isEmpty()) {
      Item->setShortcut(Key);
      Item->setShortcutContext(Qt::WindowShortcut);
      addAction(Item);
    }
    ContextMenu->addAction(Item);
    return Item;
  };
  HelpItem = AddItem("HelpItem", QT_TR_NOOP("ﾍﾙﾌﾟ(&H)"), QKeySequence(Qt::Key_F1));
  AboutItem = AddItem("AboutItem", QT_TR_NOOP("ﾊﾞｰｼﾞｮﾝ情報(&A)"), QKeySequence());
  ContextMenu->addSeparator();
  AllowDoubleLaunchItem =
      AddItem("AllowDoubleLaunchItem", QT_TR_NOOP("二重起動を許す(&X)"), QKeySequence());
  AllowDoubleLaunchItem->setCheckable(true);
  AllowDoubleLaunchItem->setChecked(false);
  ContextMenu->addSeparator();
  UndoItem = AddItem("UndoItem", QT_TR_NOOP("元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z));
  RedoItem = AddItem("RedoItem", QT_TR_NOOP("やり直し(&R)"),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  RedoItem->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  UndoItem->setEnabled(false);
  RedoItem->setEnabled(false);
  SelectAllItem =
      AddItem("SelectAllItem", QT_TR_NOOP("全て選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A));
  ContextMenu->addSeparator();
  ResetItem =
      AddItem("ResetItem", QT_TR_NOOP("初期状態に戻す(&Q)"), QKeySequence(Qt::CTRL | Qt::Key_Q));
  ContextMenu->addSeparator();
  CopyCArraysItem = AddItem("CopyCArraysItem", QT_TR_NOOP("C 配列をコピー(&C)"), QKeySequence());
  SaveTableItem = AddItem("SaveTableItem", QT_TR_NOOP("頻度テーブルを保存(&S)..."), QKeySequence());
  SaveGraphItem = AddItem("SaveGraphItem", QT_TR_NOOP("グラフを保存(&G)..."), QKeySequence());
  ContextMenu->addSeparator();
  RecentMenu = ContextMenu->addMenu(tr("最近使ったファイル(&F)"));
  RecentMenu->setObjectName(QStringLiteral("RecentMenu"));
  RecentMenu->menuAction()->setObjectName(RecentMenu->objectName());
  RecentMenu->setEnabled(false);
  ContextMenu->addSeparator();
  LimitMenu = ContextMenu->addMenu(tr("符号長の上限(&L)"));
  LimitMenu->setObjectName(QStringLiteral("LimitMenu"));
  LimitMenu->menuAction()->setObjectName(LimitMenu->objectName());
  auto* Limits = new QActionGroup(LimitMenu);
  for (int Bits = 16; Bits >= 8; --Bits) {
    QAction* Item = LimitMenu->addAction(QString::number(Bits));
    Item->setData(Bits);
    Item->setCheckable(true);
    Item->setChecked(Bits == 16);
    Limits->addAction(Item);
  }
  OptimalCodeItem = AddItem("OptimalCodeItem", QT_TR_NOOP("最適な符号(&O)"), QKeySequence());
  OptimalCodeItem->setCheckable(true);
  EvaluateItem = AddItem("EvaluateItem", QT_TR_NOOP("他のファイルで評価(&E)..."), QKeySequence());
}

void TFrameForm::WireHandlers() {
  // Every handler runs inside Guarded.
  auto Clicked = [this](QPushButton* Button, void (TFrameForm::*Handler)()) {
    connect(Button, &QPushButton::clicked, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };
  auto Entered = [this](TEntryBox* Box, void (TFrameForm::*Handler)()) {
    connect(Box, &TEntryBox::Entered, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };
  // Once per change from unchecked to checked, by a click or by setChecked,
  // after the previously checked sibling was unchecked.
  auto Chosen = [this](QRadioButton* Radio, void (TFrameForm::*Handler)()) {
    connect(Radio, &QRadioButton::toggled, this, [this, Handler](bool Checked) {
      if (Checked) Guarded([&] { (this->*Handler)(); });
    });
  };
  auto ArrowClick = [this](TSpinArrows* UpDown, void (TFrameForm::*Handler)()) {
    connect(UpDown, &TSpinArrows::Click, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };
  auto Triggered = [this](QAction* Item, void (TFrameForm::*Handler)()) {
    connect(Item, &QAction::triggered, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };

  Clicked(OpenButton, &TFrameForm::OpenClicked);
  Clicked(FillZerosButton, &TFrameForm::FillZerosClicked);
  Clicked(RestoreButton, &TFrameForm::RestoreClicked);
  Clicked(UpdateButton, &TFrameForm::UpdateClicked);
  Clicked(AddButton, &TFrameForm::AddClicked);
  Clicked(SubtractButton, &TFrameForm::SubtractClicked);
  Clicked(MultiplyButton, &TFrameForm::MultiplyClicked);
  Clicked(DivideButton, &TFrameForm::DivideClicked);
  Clicked(DrawCurveButton, &TFrameForm::DrawCurveClicked);
  Clicked(ClearCurveButton, &TFrameForm::ClearCurveClicked);
  Clicked(FitButton, &TFrameForm::FitClicked);
  Clicked(ArrangeButton, &TFrameForm::ArrangeClicked);
  Clicked(PreviousPageButton, &TFrameForm::PreviousPageClicked);
  Clicked(NextPageButton, &TFrameForm::NextPageClicked);

  Chosen(DataOrderRadio, &TFrameForm::DataOrderChosen);
  Chosen(FrequencyOrderRadio, &TFrameForm::FrequencyOrderChosen);
  Chosen(DistributionViewRadio, &TFrameForm::DistributionViewChosen);
  Chosen(ArraysViewRadio, &TFrameForm::ArraysViewChosen);
  Chosen(TableViewRadio, &TFrameForm::TableViewChosen);
  Chosen(ByteModeRadio, &TFrameForm::ByteModeChosen);
  Chosen(TableModeRadio, &TFrameForm::TableModeChosen);

  Entered(BarWidthBox, &TFrameForm::BarWidthEntered);
  Entered(RangeEndBox, &TFrameForm::RangeEndEntered);
  Entered(DatumBox, &TFrameForm::DatumEntered);
  Entered(FrequencyBox, &TFrameForm::FrequencyEntered);
  Entered(AddBox, &TFrameForm::AddEntered);
  Entered(SubtractBox, &TFrameForm::SubtractEntered);
  Entered(MultiplyBox, &TFrameForm::MultiplyEntered);
  Entered(DivideBox, &TFrameForm::DivideEntered);
  Entered(PeakBox, &TFrameForm::PeakEntered);

  ArrowClick(BarWidthSpin, &TFrameForm::BarWidthStepped);
  ArrowClick(DatumSpin, &TFrameForm::DatumStepped);

  Triggered(HelpItem, &TFrameForm::HelpChosen);
  Triggered(AboutItem, &TFrameForm::AboutChosen);
  Triggered(AllowDoubleLaunchItem, &TFrameForm::AllowDoubleLaunchChosen);
  Triggered(SelectAllItem, &TFrameForm::SelectAllChosen);
  Triggered(ResetItem, &TFrameForm::ResetChosen);
  Triggered(CopyCArraysItem, &TFrameForm::CopyCArraysChosen);
  Triggered(SaveTableItem, &TFrameForm::SaveTableChosen);
  Triggered(SaveGraphItem, &TFrameForm::SaveGraphChosen);
  Triggered(UndoItem, &TFrameForm::UndoChosen);
  Triggered(RedoItem, &TFrameForm::RedoChosen);
  Triggered(OptimalCodeItem, &TFrameForm::OptimalCodeChosen);
  Triggered(EvaluateItem, &TFrameForm::EvaluateChosen);
  for (QAction* Item : LimitMenu->actions())
    connect(Item, &QAction::triggered, this,
            [this, Item] { Guarded([&] { MaxBitsChosen(Item->data().toInt()); }); });
  connect(ContextMenu, &QMenu::aboutToShow, this, [this] { Guarded([&] { ShowRecentMenu(); }); });
  connect(GraphView, &TPictureView::ShowHint, this,
          [this](const QPoint& At, const QPoint& GlobalAt) {
            Guarded([&] { GraphHintRequested(At, GlobalAt); });
          });
  connect(GraphView, &TPictureView::MouseDown, this,
          [this](const QPoint& At) { Guarded([&] { GraphPressed(At); }); });
}

void TFrameForm::LayoutAreas() {
  const int W = width();
  const int H = height();
  const int ImageHeight = std::max(0, H - LowerPanelHeight);
  GraphView->setGeometry(0, 0, W, ImageHeight);
  LowerPanel->setGeometry(0, ImageHeight, W, LowerPanelHeight);
  ControlPanel->setGeometry(0, 0, ControlPanelWidth, LowerPanelHeight);
  ViewMemo->setGeometry(ControlPanelWidth, 0, std::max(0, W - ControlPanelWidth), LowerPanelHeight);
}

void TFrameForm::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  LayoutAreas();
  Guarded([this] { FormResize(); });
}
