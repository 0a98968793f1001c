// The window's construction: every control at its design place with its
// caption, range, initial state, hint and tab order; the wiring of every
// handler (each inside Guarded); the area layout on resize.
//
// Geometry is absolute, in pixels, as designed for a 711 x 515 client area:
// Image1 fills the client area above Panel1, Panel1 is 285 high and full
// width, Panel2 280 wide on its left and Memo1 fills the rest.  Resizing
// changes only Image1's size and Memo1's width.  Inside Panel2 the edit
// boxes are as wide as the free fonts need for their longest values (a
// 7-digit frequency, "10,239", a 16-digit pattern with " = 65535"), so a few
// boxes and GroupBox1 sit a little off their first design places.
#include "Frame.h"

#include "Dialogs.h"
#include "Param.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

namespace {

constexpr int Panel1Height = 285;
constexpr int Panel2Width = 280;

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
  auto* Label = new QLabel(QString::fromUtf8(Caption), Parent);
  Label->setObjectName(QString::fromLatin1(Name));
  Label->setGeometry(Left, Top, Width, 14);
  return Label;
}

QPushButton* MakeButton(QWidget* Parent, const char* Name, const char* Caption, int Left, int Top,
                        int Width, int Height) {
  auto* Button = new QPushButton(QString::fromUtf8(Caption), Parent);
  Button->setObjectName(QString::fromLatin1(Name));
  Button->setGeometry(Left, Top, Width, Height);
  Button->setAutoDefault(false);
  return Button;
}

TEdit* MakeEdit(QWidget* Parent, const char* Name, const char* Text, int Left, int Top, int Width) {
  auto* Edit = new TEdit(Parent);
  Edit->setObjectName(QString::fromLatin1(Name));
  Edit->setText(QString::fromUtf8(Text));
  Edit->setGeometry(Left, Top, Width, 20);
  Edit->setTextMargins(0, 0, 0, 0);
  return Edit;
}

TUpDown* MakeUpDown(QWidget* Parent, const char* Name, TEdit* Edit, int Left, int Top, int Min,
                    int Max, int Position, bool Thousands) {
  auto* UpDown = new TUpDown(Parent);
  UpDown->setObjectName(QString::fromLatin1(Name));
  UpDown->setGeometry(Left, Top, 16, 20);
  UpDown->SetRange(Min, Max);
  UpDown->SetThousands(Thousands);
  UpDown->SetAssociate(Edit);
  UpDown->SetPosition(Position);
  return UpDown;
}

TRadioButton* MakeRadio(QWidget* Parent, const char* Name, const char* Caption, int Left, int Top,
                        int Width, bool Checked) {
  auto* Radio = new TRadioButton(QString::fromUtf8(Caption), Parent);
  Radio->setObjectName(QString::fromLatin1(Name));
  Radio->setGeometry(Left, Top, Width, 17);
  Radio->setChecked(Checked);
  return Radio;
}

QGroupBox* MakeGroup(QWidget* Parent, const char* Name, const char* Caption, int Left, int Top,
                     int Width, int Height) {
  auto* Group = new QGroupBox(QString::fromUtf8(Caption), Parent);
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
  Parameter1 = new TParameter(this);
  Parameter1->setObjectName(QStringLiteral("Parameter1"));

  Image1 = new TImage(this);
  Image1->setObjectName(QStringLiteral("Image1"));

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::NoFrame);

  Panel2 = new QFrame(Panel1);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel2->setLineWidth(1);

  Memo1 = new TMemo(Panel1);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->SetText(QStringLiteral("Memo1"));

  QWidget* P = Panel2;
  Label1 = MakeLabel(P, "Label1", "棒幅 :", 178, 176, 34);
  Label2 = MakeLabel(P, "Label2", "Data :", 8, 8, 36);
  Label3 = MakeLabel(P, "Label3", "Frequency :", 8, 38, 64);
  Label4 = MakeLabel(P, "Label4", "BitLength :", 8, 51, 60);
  Label5 = MakeLabel(P, "Label5", "BitPattern :", 8, 65, 64);
  Label6 = MakeLabel(P, "Label6", "= $00", 8, 22, 36);

  Button1 = MakeButton(P, "Button1", "開く", 138, 8, 33, 25);
  Edit1 = MakeEdit(P, "Edit1", "10", 212, 172, 25);
  UpDown1 = MakeUpDown(P, "UpDown1", Edit1, 237, 172, 1, 20, 10, true);

  GroupBox1 = MakeGroup(P, "GroupBox1", "グラフ", 192, 40, 76, 51);
  RadioButton1 = MakeRadio(GroupBox1, "RadioButton1", "データ順", 4, 12, 69, true);
  RadioButton2 = MakeRadio(GroupBox1, "RadioButton2", "頻度順", 4, 30, 61, false);

  GroupBox2 = MakeGroup(P, "GroupBox2", "情報", 174, 96, 95, 71);
  RadioButton3 = MakeRadio(GroupBox2, "RadioButton3", "ハフマン分布", 4, 12, 89, true);
  RadioButton4 = MakeRadio(GroupBox2, "RadioButton4", "ハフマン配列", 4, 30, 89, false);
  RadioButton5 = MakeRadio(GroupBox2, "RadioButton5", "頻度テーブル", 4, 48, 85, false);

  Edit2 = MakeEdit(P, "Edit2", "255", 212, 198, 48);
  UpDown2 = MakeUpDown(P, "UpDown2", Edit2, 260, 198, 0, 10239, 255, true);
  Button2 = MakeButton(P, "Button2", "0 ～", 178, 198, 29, 21);
  Button2->setToolTip(
      QString::fromUtf8("この Data の区間内に頻度 0 が出現しない様に Frequency を調節します。"));
  Button3 = MakeButton(P, "Button3", "元に", 172, 8, 33, 25);
  Button3->setToolTip(QString::fromUtf8("ファイルを開いた直後の状態に戻します。"));

  Edit3 = MakeEdit(P, "Edit3", "0", 40, 10, 48);
  UpDown3 = MakeUpDown(P, "UpDown3", Edit3, 88, 10, 0, 10239, 0, true);
  Edit4 = MakeEdit(P, "Edit4", "0", 75, 40, 62);
  Edit5 = MakeEdit(P, "Edit5", "0", 140, 40, 25);
  Edit5->setReadOnly(true);
  Edit6 = MakeEdit(P, "Edit6", "", 8, 79, 180);
  Edit6->setReadOnly(true);
  Button4 = MakeButton(P, "Button4", "更新", 104, 8, 33, 25);

  Edit7 = MakeEdit(P, "Edit7", "1", 40, 108, 36);
  Edit8 = MakeEdit(P, "Edit8", "1", 40, 134, 36);
  Edit9 = MakeEdit(P, "Edit9", "2", 116, 108, 29);
  Edit10 = MakeEdit(P, "Edit10", "2", 116, 134, 29);
  Button5 = MakeButton(P, "Button5", "＋", 16, 108, 20, 20);
  Button6 = MakeButton(P, "Button6", "－", 16, 134, 20, 20);
  Button7 = MakeButton(P, "Button7", "×", 92, 108, 20, 20);
  Button8 = MakeButton(P, "Button8", "÷", 92, 134, 20, 20);
  for (QPushButton* B : {Button5, Button6, Button7, Button8}) B->setFont(FormFont(13));

  GroupBox3 = MakeGroup(P, "GroupBox3", "正規分布", 6, 160, 170, 119);
  QWidget* G = GroupBox3;
  Label7 = MakeLabel(G, "Label7", "平均 :", 62, 16, 32);
  Label8 = MakeLabel(G, "Label8", "分散 :", 62, 50, 32);
  Label9 = MakeLabel(G, "Label9", "0", 52, 28, 44);
  Label10 = MakeLabel(G, "Label10", "10", 52, 62, 44);
  Label11 = MakeLabel(G, "Label11", "最大 :", 62, 84, 32);
  Label12 = MakeLabel(G, "Label12", "100", 52, 98, 44);
  Button9 = MakeButton(G, "Button9", "描画", 8, 14, 41, 21);
  Button10 = MakeButton(G, "Button10", "クリア", 8, 66, 41, 21);
  Button11 = MakeButton(G, "Button11", "適合", 8, 92, 41, 21);
  Edit11 = MakeEdit(G, "Edit11", "0", 93, 18, 59);
  Edit12 = MakeEdit(G, "Edit12", "10", 93, 52, 59);
  UpDown4 = MakeUpDown(G, "UpDown4", Edit11, 152, 18, -255, 255, 0, false);
  UpDown5 = MakeUpDown(G, "UpDown5", Edit12, 152, 52, 0, 32767, 10, false);
  Edit13 = MakeEdit(G, "Edit13", "100", 93, 86, 59);
  UpDown6 = MakeUpDown(G, "UpDown6", Edit13, 152, 86, 0, 32767, 100, false);
  Button12 = MakeButton(G, "Button12", "A = 0", 8, 40, 41, 21);
  Button12->setToolTip(QString::fromUtf8("表示中の正規分布をアレンジします。"));
  for (QPushButton* B : {Button9, Button10, Button11, Button12}) B->setEnabled(false);

  GroupBox4 = MakeGroup(P, "GroupBox4", "データビット", 178, 226, 96, 52);
  RadioButton6 = MakeRadio(GroupBox4, "RadioButton6", " 8 bit(通常)", 4, 12, 90, true);
  RadioButton7 = MakeRadio(GroupBox4, "RadioButton7", "32 bit(拡張)", 4, 30, 90, false);

  Button13 = MakeButton(P, "Button13", "<==", 206, 8, 33, 25);
  Button14 = MakeButton(P, "Button14", "==>", 240, 8, 33, 25);
  Button13->setEnabled(false);
  Button14->setEnabled(false);

  // Tab order: Panel2's controls in their design order, group boxes in
  // place, then the memo.
  const QList<QWidget*> TabOrder = {
      Button1, Edit1,    RadioButton1, RadioButton2, RadioButton3, RadioButton4, RadioButton5,
      Edit2,   Button2,  Button3,      Edit3,        Edit4,        Edit5,        Edit6,
      Button4, Edit7,    Edit8,        Edit9,        Edit10,       Button5,      Button6,
      Button7, Button8,  Button9,      Button10,     Button11,     Edit11,       Edit12,
      Edit13,  Button12, RadioButton6, RadioButton7, Button13,     Button14,     Memo1};
  for (qsizetype I = 1; I < TabOrder.size(); ++I) setTabOrder(TabOrder[I - 1], TabOrder[I]);

  // The context menu; its shortcuts work anywhere in the window.
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  auto AddItem = [this](const char* Name, const char* Caption, const QKeySequence& Key) {
    auto* Item = new QAction(QString::fromUtf8(Caption), this);
    Item->setObjectName(QString::fromLatin1(Name));
    if (!Key.isEmpty()) {
      Item->setShortcut(Key);
      Item->setShortcutContext(Qt::WindowShortcut);
      addAction(Item);
    }
    PopupMenu1->addAction(Item);
    return Item;
  };
  H1 = AddItem("H1", "ﾍﾙﾌﾟ(&H)", QKeySequence(Qt::Key_F1));
  About1 = AddItem("About1", "ﾊﾞｰｼﾞｮﾝ情報(&A)", QKeySequence());
  PopupMenu1->addSeparator();
  X1 = AddItem("X1", "二重起動を許す(&X)", QKeySequence());
  X1->setCheckable(true);
  X1->setChecked(false);
  PopupMenu1->addSeparator();
  A1 = AddItem("A1", "全て選択(&A)", QKeySequence(Qt::CTRL | Qt::Key_A));
  PopupMenu1->addSeparator();
  Q1 = AddItem("Q1", "初期状態に戻す(&Q)", QKeySequence(Qt::CTRL | Qt::Key_Q));
  PopupMenu1->addSeparator();
  C1 = AddItem("C1", "C 配列をコピー(&C)", QKeySequence());
  S1 = AddItem("S1", "頻度テーブルを保存(&S)...", QKeySequence());
  G1 = AddItem("G1", "グラフを保存(&G)...", QKeySequence());
}

void TFrameForm::WireHandlers() {
  // Every handler runs inside Guarded.
  auto Clicked = [this](QPushButton* Button, void (TFrameForm::*Handler)()) {
    connect(Button, &QPushButton::clicked, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };
  auto KeyDown = [this](TEdit* Edit, void (TFrameForm::*Handler)(int)) {
    connect(Edit, &TEdit::KeyDown, this,
            [this, Handler](int Key) { Guarded([&] { (this->*Handler)(Key); }); });
  };
  auto RadioClick = [this](TRadioButton* Radio, void (TFrameForm::*Handler)()) {
    connect(Radio, &TRadioButton::Click, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };
  auto ArrowClick = [this](TUpDown* UpDown, void (TFrameForm::*Handler)()) {
    connect(UpDown, &TUpDown::Click, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };
  auto Triggered = [this](QAction* Item, void (TFrameForm::*Handler)()) {
    connect(Item, &QAction::triggered, this,
            [this, Handler] { Guarded([&] { (this->*Handler)(); }); });
  };

  Clicked(Button1, &TFrameForm::Button1Click);
  Clicked(Button2, &TFrameForm::Button2Click);
  Clicked(Button3, &TFrameForm::Button3Click);
  Clicked(Button4, &TFrameForm::Button4Click);
  Clicked(Button5, &TFrameForm::Button5Click);
  Clicked(Button6, &TFrameForm::Button6Click);
  Clicked(Button7, &TFrameForm::Button7Click);
  Clicked(Button8, &TFrameForm::Button8Click);
  Clicked(Button9, &TFrameForm::Button9Click);
  Clicked(Button10, &TFrameForm::Button10Click);
  Clicked(Button11, &TFrameForm::Button11Click);
  Clicked(Button12, &TFrameForm::Button12Click);
  Clicked(Button13, &TFrameForm::Button13Click);
  Clicked(Button14, &TFrameForm::Button14Click);

  RadioClick(RadioButton1, &TFrameForm::RadioButton1Click);
  RadioClick(RadioButton2, &TFrameForm::RadioButton2Click);
  RadioClick(RadioButton3, &TFrameForm::RadioButton3Click);
  RadioClick(RadioButton4, &TFrameForm::RadioButton4Click);
  RadioClick(RadioButton5, &TFrameForm::RadioButton5Click);
  RadioClick(RadioButton6, &TFrameForm::RadioButton6Click);
  RadioClick(RadioButton7, &TFrameForm::RadioButton7Click);

  KeyDown(Edit1, &TFrameForm::Edit1KeyDown);
  KeyDown(Edit2, &TFrameForm::Edit2KeyDown);
  KeyDown(Edit3, &TFrameForm::Edit3KeyDown);
  KeyDown(Edit4, &TFrameForm::Edit4KeyDown);
  KeyDown(Edit7, &TFrameForm::Edit7KeyDown);
  KeyDown(Edit8, &TFrameForm::Edit8KeyDown);
  KeyDown(Edit9, &TFrameForm::Edit9KeyDown);
  KeyDown(Edit10, &TFrameForm::Edit10KeyDown);
  KeyDown(Edit13, &TFrameForm::Edit13KeyDown);

  ArrowClick(UpDown1, &TFrameForm::UpDown1Click);
  ArrowClick(UpDown3, &TFrameForm::UpDown3Click);

  Triggered(H1, &TFrameForm::H1Click);
  Triggered(About1, &TFrameForm::About1Click);
  Triggered(X1, &TFrameForm::X1Click);
  Triggered(A1, &TFrameForm::A1Click);
  Triggered(Q1, &TFrameForm::Q1Click);
  Triggered(C1, &TFrameForm::C1Click);
  Triggered(S1, &TFrameForm::S1Click);
  Triggered(G1, &TFrameForm::G1Click);
  connect(Image1, &TImage::ShowHint, this, [this](const QPoint& At, const QPoint& GlobalAt) {
    Guarded([&] { Image1ShowHint(At, GlobalAt); });
  });
  connect(Image1, &TImage::MouseDown, this,
          [this](const QPoint& At) { Guarded([&] { Image1MouseDown(At); }); });
}

void TFrameForm::LayoutAreas() {
  const int W = width();
  const int H = height();
  const int ImageHeight = std::max(0, H - Panel1Height);
  Image1->setGeometry(0, 0, W, ImageHeight);
  Panel1->setGeometry(0, ImageHeight, W, Panel1Height);
  Panel2->setGeometry(0, 0, Panel2Width, Panel1Height);
  Memo1->setGeometry(Panel2Width, 0, std::max(0, W - Panel2Width), Panel1Height);
}

void TFrameForm::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  LayoutAreas();
  Guarded([this] { FormResize(); });
}
