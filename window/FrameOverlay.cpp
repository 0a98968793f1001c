// The normal-distribution overlay: draw, clear, fit the curve into the table,
// arrange it by the six fitting rules, and the peak-height box.
//
// The curve itself (FNormalCurve) is computed by DrawGraph from µ, V and A;
// these handlers only set the controls and ask for a draw.  "適合" writes the
// curve of the last draw, not whatever the spin boxes say now.
#include "Frame.h"

#include "SysUtils.h"

#include <QLabel>
#include <QPushButton>
#include <QString>

#include <algorithm>
#include <span>

namespace {

// Spin boxes of the peak height hold 0..32767; larger heights are typed and
// kept in the detached edit box.
constexpr int32_t SpinLimit = 32767;

constexpr const char* SCurveTooHigh =
    QT_TRANSLATE_NOOP("TFrameForm", " は頻度の上限 1048576 を超えるので適合出来ません。");

constexpr int32_t FittingRules = 6;

struct TCurveParameters {
  int32_t Mu = 0;
  int32_t Variance = 0;
  int32_t Height = 0;
};

// Rules 1..5 over X, the order shown; Peak is the position of its largest
// frequency, MaxData the data-order one (the tail searches' scan limit).
TCurveParameters FittedCurve(int32_t Rule, std::span<const int32_t> X, int32_t Peak,
                             int32_t MaxData, int32_t BaseHeight) {
  const int32_t Percent = Rule == 3 ? 10 : 5;
  const int32_t L = LowerTailIndex(X, Percent, MaxData);
  const int32_t R = UpperTailIndex(X, Percent, MaxData);
  TCurveParameters C;
  C.Height = BaseHeight;
  switch (Rule) {
    case 1: C.Mu = RangeMean(X, L, R); break;
    case 2: C.Mu = Peak; break;
    case 3:
      C.Mu = Peak;
      C.Height = static_cast<int32_t>(static_cast<int64_t>(BaseHeight) * 9 / 10);
      break;
    case 4: C.Mu = L; break;
    default: C.Mu = R; break;
  }
  C.Variance = RangeVariance(X, L, R, C.Mu);
  return C;
}

int32_t LabelToInt(const QLabel* Label, int32_t Fallback) {
  return StrToIntDef(Label->text().toStdString(), Fallback);
}

}  // namespace

int32_t TFrameForm::FittingBaseHeight() const {
  const auto S = [this](size_t I) -> int64_t {
    return I < FSortedFrequency.size() ? FSortedFrequency[I] : 0;
  };
  if (FOrderCount >= 3) return static_cast<int32_t>((S(0) + S(1) + S(2)) / 3);
  if (FOrderCount == 2) return static_cast<int32_t>((S(0) + S(1)) / 2);
  return static_cast<int32_t>(S(0));
}

// "描画": a fresh draw starts the fitting rules from rule 0 again.
void TFrameForm::DrawCurveClicked() {
  if (FittingRule != 0) {
    FittingRule = 0;
    ArrangeButton->setText(QStringLiteral("A = 0"));
  }
  DrawCurrentOrder(true, FFirstShown);
}

// "クリア": the rule counter stays where it is.
void TFrameForm::ClearCurveClicked() {
  DrawCurrentOrder(false, FFirstShown);
  ClearCurveButton->setEnabled(false);
  FitButton->setEnabled(false);
  ArrangeButton->setEnabled(false);
}

// "適合": the last drawn curve, by position, becomes the data-order table.
void TFrameForm::FitClicked() {
  if (FFrequency.empty()) return;
  const size_t Written = std::min(static_cast<size_t>(std::max(FDataCount, 0)), FFrequency.size());
  const auto CurveAt = [this](size_t I) { return I < FNormalCurve.size() ? FNormalCurve[I] : 0; };

  // A peak typed above the table's limit would write frequencies no edit may
  // produce (and whose sums the code builder cannot hold): refuse the fit.
  int32_t Highest = 0;
  for (size_t I = 0; I < Written; ++I) Highest = std::max(Highest, CurveAt(I));
  if (Highest > MaxTableFrequency) {
    ShowMessage(QString::number(Highest) + tr(SCurveTooHigh));
    return;
  }

  for (size_t I = 0; I < FFrequency.size(); ++I) FFrequency[I] = I < Written ? CurveAt(I) : 0;
  RebuildFromTable();
  if (FrequencyOrderRadio->isChecked()) DataOrderRadio->setChecked(true);  // runs DataOrderChosen
}

// The "A = " button: the next fitting rule over the order shown.
void TFrameForm::ArrangeClicked() {
  if (FDataCount <= 0 || FFrequency.empty() || FSortedFrequency.empty()) return;
  const int32_t BaseHeight = FittingBaseHeight();
  FittingRule = (FittingRule + 1) % FittingRules;
  ArrangeButton->setText(QStringLiteral("A = ") + QString::number(FittingRule));

  const bool DataOrder = DataOrderRadio->isChecked();
  const std::span<const int32_t> X = DataOrder ? FFrequency : FSortedFrequency;
  const int32_t Peak = DataOrder ? FMaxData : 0;
  TCurveParameters C;
  if (FittingRule == 0) {
    // The plain statistics of the order and its maximum, as the labels show them.
    C.Mu = LabelToInt(MeanValueLabel, 0);
    C.Variance = LabelToInt(VarianceValueLabel, 0);
    C.Height = LabelToInt(PeakValueLabel, FMaxFrequency);
  } else {
    C = FittedCurve(FittingRule, X, Peak, FMaxData, BaseHeight);
  }

  MeanSpin->SetPosition(std::max(C.Mu, 0));
  VarianceSpin->SetPosition(std::max(C.Variance, 0));
  PeakBox->setText(QString::number(C.Height));
  DrawCurrentOrder(true, FFirstShown);
}

// Enter in the peak-height box: heights the spin box can hold go through it;
// larger ones stay typed in the detached box.  Nothing is redrawn.
void TFrameForm::PeakEntered() {
  const int32_t Value = ReadPeakHeight();
  if (Value <= SpinLimit) {
    const int32_t Limited = std::clamp(Value, 0, SpinLimit);
    PeakSpin->SetAssociate(PeakBox);
    PeakSpin->SetPosition(Limited);
    PeakBox->setText(QString::number(Limited));
  } else {
    PeakSpin->SetAssociate(nullptr);
  }
}
