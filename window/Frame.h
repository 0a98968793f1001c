// Unit Frame: TFrameForm, the workbench's one window.
//
// One class, its operations split into files by concern:
//   FrameLayout.cpp     construction, controls, wiring (every connect)
//   FrameDocument.cpp   the document: the rebuild from the table, the refresh,
//                       the statistics and the curve into the controls
//   FrameGraph.cpp      DrawGraph, DrawCurrentOrder, bar width, paging, resize,
//                       pointing at the bars, saving the picture
//   FrameViews.cpp      view texts, the detail line, view switching
//   FrameOpen.cpp       OpenDataFile, open/restore/mode/order
//   FrameEditing.cpp    frequency editing (each edit ends in RebuildFromTable)
//   FrameOverlay.cpp    the normal-distribution buttons and Edit13
//   FrameLifecycle.cpp  FormShow, settings, close, command line, drop, menu
//   FrameHandshake.cpp  the single-instance request (WMCopyData, X1Click)
//
// Everything runs on the GUI thread, one handler at a time.  Every handler
// wired to a control runs inside Guarded: an exception that escapes it is
// shown in the error box and the window stays usable.  Handlers are private:
// only their controls run them.  The document is one TDocument; the F-names
// of its parts are references into it, never copies.
#pragma once

#include "Controls.h"
#include "Dialogs.h"
#include "Document.h"
#include "GraphPicture.h"

#include <QFile>
#include <QMenu>
#include <QPicture>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class TParameter;
class TCopyDataReceiver;

// Window caption while idle (the product's version text) and what the busy
// caption adds to it while a code is being built.
inline constexpr const char* FrameCaption = QuorvantVersionText;
inline constexpr const char* FrameBusySuffix = " ・・・ ハフマン符号を作成しています。";

// The design place and client size of the window.
inline constexpr int DesignLeft = 197;
inline constexpr int DesignTop = 115;
inline constexpr int DesignClientWidth = 711;
inline constexpr int DesignClientHeight = 515;

// The settings key of the double-launch option (X1), which the lifecycle
// reads and writes and the handshake's toggle saves at once.
inline constexpr const char* SettingsKeyX1 = "X1.Checked";
// Suffix of the message that rejects a typed value ("<text> は指定出来ません。").
inline constexpr const char* SCannotSpecify = " は指定出来ません。";

class TFrameForm : public QWidget {
  Q_OBJECT
public:
  // ExeName: the running executable's path (empty: the real one).  The
  // settings file, the readme and the data folder are found beside it.
  explicit TFrameForm(const QString& ExeName = QString(), QWidget* Parent = nullptr);
  ~TFrameForm() override;

  // Arguments after the program name; read by FormShow.
  void SetCommandLine(const QStringList& Arguments) { FCommandLine = Arguments; }

  // The executable's name cut at its first full stop, the first letter kept
  // and the others in lower case ("Quorvant").
  QString ApplicationTitle() const;

  // ---- controls (object names as their field names) -----------------------
  TImage* Image1 = nullptr;
  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  TMemo* Memo1 = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
         *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
         *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr;
  QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr,
              *Button5 = nullptr, *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr,
              *Button9 = nullptr, *Button10 = nullptr, *Button11 = nullptr, *Button12 = nullptr,
              *Button13 = nullptr, *Button14 = nullptr;
  TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr,
        *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr,
        *Edit11 = nullptr, *Edit12 = nullptr, *Edit13 = nullptr;
  TUpDown *UpDown1 = nullptr, *UpDown2 = nullptr, *UpDown3 = nullptr, *UpDown4 = nullptr,
          *UpDown5 = nullptr, *UpDown6 = nullptr;
  QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox4 = nullptr;
  TRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr,
               *RadioButton4 = nullptr, *RadioButton5 = nullptr, *RadioButton6 = nullptr,
               *RadioButton7 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction *H1 = nullptr, *About1 = nullptr, *X1 = nullptr, *A1 = nullptr, *Q1 = nullptr,
          *C1 = nullptr, *S1 = nullptr, *G1 = nullptr;
  TParameter* Parameter1 = nullptr;  // owned through Qt parenthood
  int RadioButton6Tag = 0;           // one-shot: suppresses the fallback's reload
  int Button12Tag = 0;               // fitting rule last applied, 0..5

  // ---- document (read by tests; changed only by the operations) -----------
  const TDocument& Document() const { return FDocument; }
  const std::vector<int32_t>& Frequency() const { return FFrequency; }
  const std::vector<int32_t>& SortedFrequency() const { return FSortedFrequency; }
  const std::vector<int32_t>& NormalCurve() const { return FNormalCurve; }
  int32_t DataCount() const { return FDataCount; }
  int32_t OrderCount() const { return FOrderCount; }
  int32_t MaxFrequency() const { return FMaxFrequency; }
  int32_t MaxData() const { return FMaxData; }
  const TStatistics& Statistics() const { return FDocument.Statistics; }
  int32_t BarWidth() const { return FBarWidth; }
  int32_t FirstShown() const { return FFirstShown; }
  int32_t BarsFit() const { return FBarsFit; }
  int32_t PageStep() const { return FPageStep; }
  // What the last draw laid out (Drawn false while the graph is blank).
  const TGraphLayout& GraphLayout() const { return FGraphLayout; }
  // What the graph shows now as the drawing's input (the picture's point of
  // view: the order, page, bar width, size and curve of the last draw).
  TGraphInput ShownGraphInput() const;
  // The hint over the picture's point At: the bar's datum or rank and its
  // figures; empty where no bar is.
  QString GraphHint(const QPoint& At) const;
  // The datum a click at the picture's point At selects; -1 for none.  In
  // frequency order the datum of that rank, equal frequencies counted in
  // ascending data order.
  int32_t GraphDatumAt(const QPoint& At) const;
  // The open file's name as the file system spells it; empty before an open.
  QString FileName() const {
    return QFile::decodeName(QByteArray::fromStdString(FDocument.FileName));
  }
  const QString& DataDir() const { return FDataDir; }
  int32_t SelectedData() const { return FSelectedData; }
  const std::string& HuffmanText() const { return FHuffmanText; }
  const std::string& ArrayText() const { return FArrayText; }
  const std::string& TableText() const { return FTableText; }
  const THuffman* Huffman() const { return FHuffman.get(); }

  // ---- operations several concerns call -----------------------------------
  // Opens FileName into the document; an open that takes longer than the
  // progress delay (300 ms; tests shorten it) shows its progress with a
  // Cancel that leaves the document as it was.
  void OpenDataFile(const QString& FileName);
  void SetProgressDelay(int Ms) { FProgressDelayMs = Ms; }
  // The one rebuild after any change of the table: code, statistics, views,
  // graph from its start without the curve, detail line.
  void RebuildFromTable();
  // DeriveDocument (order, statistics, view texts) and the controls that
  // show them.
  void RefreshDocument();
  void DrawGraph(const std::vector<int32_t>& Freq, bool ShowCurve, int32_t First, int32_t Count);
  void DrawCurrentOrder(bool ShowCurve, int32_t First);
  void ShowDatum();
  bool StoreFrequencies();
  void ComputeNormalCurve();
  // The stored keys into the controls; a missing or unusable key takes its
  // design value (see StoredInteger).  Parameter1 must be open.
  void ReadSettings();
  void WriteSettings();
  void ResetToDefaults();
  // The single-instance request as received; the result is always 0.
  int32_t WMCopyData(uint32_t DwData, const QByteArray& Data);
  // The files of a drop; the first one is opened.
  void WMDropFiles(const QStringList& Paths);

  // Runs Handler; an exception that escapes it goes to the error box (error
  // icon, OK, ApplicationTitle(), a full stop appended when missing).
  template <class THandler>
  void Guarded(THandler&& Handler) {
    try {
      Handler();
    } catch (const std::exception& E) {
      ShowException(E);
    }
  }

  // A plain message box (OK) and the error box, titled ApplicationTitle().
  void ShowMessage(const QString& Text) { ::ShowMessage(this, ApplicationTitle(), Text); }
  void ShowException(const std::exception& E) { ::ShowException(this, ApplicationTitle(), E); }

protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void contextMenuEvent(QContextMenuEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;
  // The native window's exposure and moves, for ApplyRestoredFramePos.
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  // ---- event handlers, run only by their controls (wired in WireHandlers) --
  // graph
  void Edit1KeyDown(int Key);
  void UpDown1Click();
  void Button13Click();
  void Button14Click();
  void FormResize();
  void Image1ShowHint(const QPoint& At, const QPoint& GlobalAt);
  void Image1MouseDown(const QPoint& At);
  void G1Click();
  // views
  void RadioButton3Click();
  void RadioButton4Click();
  void RadioButton5Click();
  void UpDown3Click();
  void Edit3KeyDown(int Key);
  void C1Click();
  // opening
  void Button1Click();
  void Button3Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton6Click();
  void RadioButton7Click();
  // editing
  void Button4Click();
  void Edit4KeyDown(int Key);
  void Edit2KeyDown(int Key);
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Edit7KeyDown(int Key);
  void Edit8KeyDown(int Key);
  void Edit9KeyDown(int Key);
  void Edit10KeyDown(int Key);
  void Button2Click();
  void S1Click();
  // overlay
  void Button9Click();
  void Button10Click();
  void Button11Click();
  void Button12Click();
  void Edit13KeyDown(int Key);
  // lifecycle
  void FormShow();
  bool FormCloseQuery();
  void H1Click();
  void About1Click();
  void A1Click();
  void Q1Click();
  // handshake
  void X1Click();

  // graph helpers (FrameGraph.cpp)
  // Edit13 as an integer; when it holds none, FMaxFrequency is written into
  // it and taken.
  int32_t ReadPeakHeight();
  // The leaf of Data in the window's code; false when Data has none.
  bool FindLeaf(int32_t Data, THuffmanNode& Node) const;
  // A leaf's pattern as the detail line shows it: "011 = 3".
  static QString PatternText(const THuffmanNode& Node);

  // layout (FrameLayout.cpp)
  void CreateControls();
  void WireHandlers();
  void LayoutAreas();

  // lifecycle helpers (FrameLifecycle.cpp)
  void ApplyCommandLine(QString& FileToOpen);
  QString ExeDir() const;  // folder of the executable, no trailing "/"
  // The stored value of settings key Key (an index of the key table; Boolean
  // keys give 0 or 1), or its design value when it is missing or unusable.
  int32_t StoredInteger(int Key);
  void ApplyRestoredFramePos();
  // The frame's top-left corner, as the settings store it.
  QPoint FramePosition() const;

  // handshake (FrameHandshake.cpp)
  void StartCopyDataReceiver();

  // editing and overlay helpers (FrameEditing.cpp, FrameOverlay.cpp)
  enum class TRangeOperation { Add, Subtract, Multiply, Divide };
  // Lengthens FFrequency to Count entries with zeros; never shrinks it.
  void ExtendFrequencyTable(int32_t Count);
  // Length of the editing range: UpDown2.Position + 1.
  int32_t EditingRangeLength();
  // Largest existing entry among the first Count (0 when there are none).
  int32_t EditingRangeMaximum(int32_t Count) const;
  // One of the four operand buttons: checks the operand, rejects it with a
  // message, or applies it to the range and runs the update.
  void ApplyRangeOperation(TRangeOperation Operation);
  // The base height H0 of the fitting rules: mean of the largest three.
  int32_t FittingBaseHeight() const;
  // -- end of editing and overlay helpers

  // document and view helpers (FrameDocument.cpp, FrameViews.cpp)
  // Memo1 := the text of the view whose radio button is checked.
  void ShowCheckedViewText();
  // After a load or a rebuild: the graph from its start without the curve,
  // the checked view, the detail line, and the curve buttons off.
  void ShowRebuiltDocument();
  // The mean and variance of the order shown into UpDown4/Label9 and
  // UpDown5/Label10, FMaxFrequency into Edit13 and Label12.
  void ShowOrderStatistics();
  // UpDown2 := last index of FFrequency, then ShowOrderStatistics.
  void ShowDocumentControls();

  QString FExeName;
  QStringList FCommandLine;
  bool FShown = false;
  bool FClosed = false;  // FormCloseQuery released the document
  // The frame position read from the settings, applied again until the
  // window manager has framed the window there (ApplyRestoredFramePos).
  std::optional<QPoint> FRestoredFramePos;
  int FFramePosTries = 0;

  QString FDataDir;
  int32_t FBarWidth = 10;
  int32_t FFirstShown = 0;
  int32_t FBarsFit = 0;
  int32_t FPageStep = 0;
  int32_t FSelectedData = 0;
  // The last draw: its input (spans rebound by ShownGraphInput, which of the
  // two arrays and whether the curve in FGraphSorted and FGraphCurve) and its
  // layout.  A rejected draw leaves Count 0 and the layout not Drawn.
  TGraphInput FGraphInput;
  bool FGraphSorted = false;
  bool FGraphCurve = false;
  TGraphLayout FGraphLayout;
  std::vector<int32_t> FNormalCurve;
  int FProgressDelayMs = 300;

  // The document, and its parts under the names the window's rules use.
  TDocument FDocument;
  std::vector<int32_t>& FFrequency = FDocument.Frequency;
  std::vector<int32_t>& FSortedFrequency = FDocument.Sorted;
  int32_t& FDataCount = FDocument.Scan.DataCount;
  int32_t& FMaxFrequency = FDocument.Scan.MaxFrequency;
  int32_t& FMaxData = FDocument.Scan.MaxData;
  int32_t& FOrderCount = FDocument.OrderCount;
  std::string& FHuffmanText = FDocument.Texts.HuffmanText;
  std::string& FArrayText = FDocument.Texts.ArrayText;
  std::string& FTableText = FDocument.Texts.TableText;
  std::unique_ptr<THuffman> FHuffman;
  std::unique_ptr<QPicture> FMetafile;
  TCopyDataReceiver* FCopyDataReceiver = nullptr;  // owned through Qt parenthood
};
