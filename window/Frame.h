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
//   FrameOverlay.cpp    the normal-distribution buttons and PeakBox
//   FrameLifecycle.cpp  FormShow, settings, close, command line, drop, menu
//   FrameHandshake.cpp  the single-instance request (WMCopyData, AllowDoubleLaunchChosen)
//   FrameHistory.cpp    undo and redo of the table
//   FrameRecent.cpp     the recently opened files
//   FrameDesign.cpp     the length limit, its rule, the code tried on files
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
#include "TableHistory.h"

#include <QFile>
#include <QMenu>
#include <QPicture>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
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
// caption adds to it while a code is being built (translated as the window's
// texts are: TFrameForm::tr).
inline constexpr const char* FrameCaption = QuorvantVersionText;
inline constexpr const char* FrameBusySuffix =
    QT_TRANSLATE_NOOP("TFrameForm", " ・・・ ハフマン符号を作成しています。");

// The design place and client size of the window.
inline constexpr int DesignLeft = 197;
inline constexpr int DesignTop = 115;
inline constexpr int DesignClientWidth = 711;
inline constexpr int DesignClientHeight = 515;

// The settings key of the double-launch option (AllowDoubleLaunchItem), which the lifecycle
// reads and writes and the handshake's toggle saves at once.
inline constexpr const char* SettingsKeyAllowDoubleLaunch = "X1.Checked";
// What the memo shows before anything else: the design's own placeholder.
inline constexpr const char* MemoDesignText = "Memo1";
// Suffix of the message that rejects a typed value ("<text> は指定出来ません。").
inline constexpr const char* SCannotSpecify =
    QT_TRANSLATE_NOOP("TFrameForm", " は指定出来ません。");

class TFrameForm : public QWidget {
  Q_OBJECT
public:
  // ExeName: the running executable's path (empty: the real one).  The
  // settings file, the readme and the data folder are found beside it.
  explicit TFrameForm(const QString& ExeName = QString(), QWidget* Parent = nullptr);
  ~TFrameForm() override;

  // Arguments after the program name; read by FormShow.  A file named there
  // opens from the event loop after the show, so the window is on screen
  // first.
  void SetCommandLine(const QStringList& Arguments) { FCommandLine = Arguments; }

  // The executable's name cut at its first full stop, the first letter kept
  // and the others in lower case ("Quorvant").
  QString ApplicationTitle() const;

  // ---- controls (object names as their field names; captions in quotes) ---
  TPictureView* GraphView = nullptr;  // the bar graph, above the lower panel
  QFrame* LowerPanel = nullptr;       // the control panel and the memo
  QFrame* ControlPanel = nullptr;     // every control, left of the memo
  TMemoText* ViewMemo = nullptr;      // the chosen view's text (MemoDesignText at first)
  // The datum and its code.
  QLabel* DatumLabel = nullptr;          // "Data :"
  TEntryBox* DatumBox = nullptr;         // "0"
  TSpinArrows* DatumSpin = nullptr;      // 0..10239
  QLabel* DatumHexLabel = nullptr;       // "= $00"
  QLabel* FrequencyLabel = nullptr;      // "Frequency :"
  TEntryBox* FrequencyBox = nullptr;     // the datum's frequency
  TEntryBox* BitLengthBox = nullptr;     // read-only
  QLabel* BitLengthLabel = nullptr;      // "BitLength :"
  QLabel* BitPatternLabel = nullptr;     // "BitPattern :"
  TEntryBox* BitPatternBox = nullptr;    // read-only
  QPushButton* UpdateButton = nullptr;   // "更新"
  QPushButton* OpenButton = nullptr;     // "開く"
  QPushButton* RestoreButton = nullptr;  // "元に"
  // Paging and the bars.
  QPushButton* PreviousPageButton = nullptr;      // "<=="
  QPushButton* NextPageButton = nullptr;          // "==>"
  QLabel* BarWidthLabel = nullptr;                // "棒幅 :"
  TEntryBox* BarWidthBox = nullptr;               // "10"
  TSpinArrows* BarWidthSpin = nullptr;            // 1..20
  QGroupBox* GraphOrderGroup = nullptr;           // "グラフ"
  QRadioButton* DataOrderRadio = nullptr;         // "データ順"
  QRadioButton* FrequencyOrderRadio = nullptr;    // "頻度順"
  QGroupBox* ViewGroup = nullptr;                 // "情報"
  QRadioButton* DistributionViewRadio = nullptr;  // "ハフマン分布"
  QRadioButton* ArraysViewRadio = nullptr;        // "ハフマン配列"
  QRadioButton* TableViewRadio = nullptr;         // "頻度テーブル"
  // Range editing: the range is data 0..the range's end.
  TEntryBox* RangeEndBox = nullptr;        // "255"
  TSpinArrows* RangeEndSpin = nullptr;     // 0..10239
  QPushButton* FillZerosButton = nullptr;  // "0 ～"
  QPushButton* AddButton = nullptr;        // "＋"
  TEntryBox* AddBox = nullptr;             // "1"
  QPushButton* SubtractButton = nullptr;   // "－"
  TEntryBox* SubtractBox = nullptr;        // "1"
  QPushButton* MultiplyButton = nullptr;   // "×"
  TEntryBox* MultiplyBox = nullptr;        // "2"
  QPushButton* DivideButton = nullptr;     // "÷"
  TEntryBox* DivideBox = nullptr;          // "2"
  // The normal curve.
  QGroupBox* CurveGroup = nullptr;          // "正規分布"
  QPushButton* DrawCurveButton = nullptr;   // "描画"
  QPushButton* ArrangeButton = nullptr;     // "A = 0" (the fitting rule)
  QPushButton* ClearCurveButton = nullptr;  // "クリア"
  QPushButton* FitButton = nullptr;         // "適合"
  QLabel* MeanLabel = nullptr;              // "平均 :"
  QLabel* MeanValueLabel = nullptr;         // the order's mean
  TEntryBox* MeanBox = nullptr;             // "0"
  TSpinArrows* MeanSpin = nullptr;          // -255..255
  QLabel* VarianceLabel = nullptr;          // "分散 :"
  QLabel* VarianceValueLabel = nullptr;     // the order's variance
  TEntryBox* VarianceBox = nullptr;         // "10"
  TSpinArrows* VarianceSpin = nullptr;      // 0..32767
  QLabel* PeakLabel = nullptr;              // "最大 :"
  QLabel* PeakValueLabel = nullptr;         // the largest frequency
  TEntryBox* PeakBox = nullptr;             // "100", the curve's height
  TSpinArrows* PeakSpin = nullptr;          // 0..32767
  // The data mode.
  QGroupBox* DataBitsGroup = nullptr;      // "データビット"
  QRadioButton* ByteModeRadio = nullptr;   // " 8 bit(通常)"
  QRadioButton* TableModeRadio = nullptr;  // "32 bit(拡張)"
  // The context menu and its items.
  QMenu* ContextMenu = nullptr;
  QAction* HelpItem = nullptr;               // "ﾍﾙﾌﾟ(&H)"
  QAction* AboutItem = nullptr;              // "ﾊﾞｰｼﾞｮﾝ情報(&A)"
  QAction* AllowDoubleLaunchItem = nullptr;  // "二重起動を許す(&X)"
  QAction* SelectAllItem = nullptr;          // "全て選択(&A)"
  QAction* ResetItem = nullptr;              // "初期状態に戻す(&Q)"
  QAction* CopyCArraysItem = nullptr;        // "C 配列をコピー(&C)"
  QAction* SaveTableItem = nullptr;          // "頻度テーブルを保存(&S)..."
  QAction* SaveGraphItem = nullptr;          // "グラフを保存(&G)..."
  QAction* UndoItem = nullptr;               // "元に戻す(&U)"
  QAction* RedoItem = nullptr;               // "やり直し(&R)"
  QMenu* RecentMenu = nullptr;               // "最近使ったファイル(&F)"
  QMenu* LimitMenu = nullptr;                // "符号長の上限(&L)": "16" .. "8"
  QAction* OptimalCodeItem = nullptr;        // "最適な符号(&O)"
  QAction* EvaluateItem = nullptr;           // "他のファイルで評価(&E)..."
  TParameter* Settings = nullptr;            // the settings store; owned through Qt parenthood
  int SkipModeReload = 0;  // one-shot: the fallback's switch to 8 bit does not reload
  int FittingRule = 0;     // fitting rule last applied, 0..5

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
  // AsEdit: the open is "元に", a step of the table's history; any other
  // open starts a new history.
  void OpenDataFile(const QString& FileName, bool AsEdit = false);
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
  // design value (see StoredInteger).  Settings must be open.
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
  void BarWidthEntered();
  void BarWidthStepped();
  void PreviousPageClicked();
  void NextPageClicked();
  void FormResize();
  void GraphHintRequested(const QPoint& At, const QPoint& GlobalAt);
  void GraphPressed(const QPoint& At);
  void SaveGraphChosen();
  // views
  void DistributionViewChosen();
  void ArraysViewChosen();
  void TableViewChosen();
  void DatumStepped();
  void DatumEntered();
  void CopyCArraysChosen();
  // opening
  void OpenClicked();
  void RestoreClicked();
  void DataOrderChosen();
  void FrequencyOrderChosen();
  void ByteModeChosen();
  void TableModeChosen();
  // editing
  void UpdateClicked();
  void FrequencyEntered();
  void RangeEndEntered();
  void AddClicked();
  void SubtractClicked();
  void MultiplyClicked();
  void DivideClicked();
  void AddEntered();
  void SubtractEntered();
  void MultiplyEntered();
  void DivideEntered();
  void FillZerosClicked();
  void SaveTableChosen();
  // overlay
  void DrawCurveClicked();
  void ClearCurveClicked();
  void FitClicked();
  void ArrangeClicked();
  void PeakEntered();
  // lifecycle
  void FormShow();
  bool FormCloseQuery();
  void HelpChosen();
  void AboutChosen();
  void SelectAllChosen();
  void ResetChosen();
  // handshake
  void AllowDoubleLaunchChosen();
  // history (FrameHistory.cpp)
  void UndoChosen();
  void RedoChosen();
  // recent files (FrameRecent.cpp)
  void RecentFileChosen(const QString& FileName);
  // design (FrameDesign.cpp)
  void MaxBitsChosen(int32_t MaxBits);
  void OptimalCodeChosen();
  void EvaluateChosen();

  // graph helpers (FrameGraph.cpp)
  // PeakBox as an integer; when it holds none, FMaxFrequency is written into
  // it and taken.
  int32_t ReadPeakHeight();
  // The leaf of Data in the window's code; false when Data has none.
  bool FindLeaf(int32_t Data, THuffmanNode& Node) const;
  // A leaf's pattern as the detail line shows it: "011 = 3".
  static QString PatternText(const THuffmanNode& Node);

  // history helpers (FrameHistory.cpp)
  // After a rebuild: the table as a step when an edit changed it.
  void RecordEdit();
  // After an open: a new history from the table as opened.
  void StartHistory();
  void ShowHistoryItems();
  // A recorded table back, rebuilt, with the datum chosen then.
  void ShowHistoryState(int32_t Selected);
  // The reload of a switch of the data mode (a new history, unlike "元に").
  void ReopenInMode();

  // recent-file helpers (FrameRecent.cpp)
  // The list beside the settings file; the settings must be open.
  void ReadRecentFiles();
  // FileName first in the list, written to its file when it can be.
  void RememberOpenedFile(const QString& FileName);
  // RecentMenu from the list; files that are gone are disabled.
  void ShowRecentMenu();

  // design helpers (FrameDesign.cpp)
  // A limit below 16 or the optimal rule is chosen.
  bool CodeIsLimited() const;
  // The table stored into the code builder and its code built with the
  // chosen limit and rule (no views).
  void BuildLimitedCode();
  // Text's first line with its CR LF.
  static std::string FirstLine(const std::string& Text);
  // Runs Work with a progress step that shows the open's progress dialog
  // after the progress delay; the step returns false once Cancel is pressed.
  using TProgressStep = std::function<bool(int64_t Done, int64_t Total)>;
  void RunWithProgress(const std::function<void(const TProgressStep&)>& Work);

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
  // Length of the editing range: RangeEndSpin.Position + 1.
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
  // ViewMemo := the text of the view whose radio button is checked.
  void ShowCheckedViewText();
  // After a load or a rebuild: the graph from its start without the curve,
  // the checked view, the detail line, and the curve buttons off.
  void ShowRebuiltDocument();
  // The mean and variance of the order shown into MeanSpin/MeanValueLabel and
  // VarianceSpin/VarianceValueLabel, FMaxFrequency into PeakBox and PeakValueLabel.
  void ShowOrderStatistics();
  // RangeEndSpin := last index of FFrequency, then ShowOrderStatistics.
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
  TTableHistory FHistory;
  int32_t FChosenMaxBits = 16;  // the length limit chosen, 8..16
  TLimitRule FChosenRule = TLimitRule::Repair;
  QString FRecentPath;  // empty: no list is kept
  std::vector<std::string> FRecentFiles;
  bool FRecentWritable = false;  // false for a list that exists but could not be read
};
