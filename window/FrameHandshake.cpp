// The receiving side of the single-instance request, and AllowDoubleLaunchItem, the option
// that lets a running window ignore it.
#include "Frame.h"

#include "CopyData.h"
#include "Param.h"

#include <QAction>
#include <QCoreApplication>

namespace {

const char* const DoubleLaunchOn =
    QT_TRANSLATE_NOOP("TFrameForm",
                      "Quorvant の二重起動を可能とします。\r\n"
                      "以後、複数の Quorvant の起動が可能となります。");
const char* const DoubleLaunchOff =
    QT_TRANSLATE_NOOP("TFrameForm",
                      "Quorvant の二重起動を不可能とします。\r\n"
                      "以後、Quorvant を起動するごとに直前に起動した\r\n"
                      "Quorvant を終了します。");

}  // namespace

int32_t TFrameForm::WMCopyData(uint32_t DwData, const QByteArray& Data) {
  if (AllowDoubleLaunchItem->isChecked()) return 0;
  if (DwData != SingleInstanceRequestData) return 0;
  // The text ends at its first NUL, and never beyond the bytes received.
  const qsizetype End = Data.indexOf('\0');
  if (Data.left(End < 0 ? Data.size() : End) != QByteArray(SingleInstanceToken)) return 0;
  // A quit request posted to the event loop: fetched there, or in the loop
  // of a dialog that is open, it ends every loop.  The close, and with it
  // FormCloseQuery and the settings, is skipped on purpose.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  return 0;
}

// The checkable menu item has already turned its mark when it runs this.
void TFrameForm::AllowDoubleLaunchChosen() {
  const bool Checked = AllowDoubleLaunchItem->isChecked();
  ViewMemo->SetText(tr(Checked ? DoubleLaunchOn : DoubleLaunchOff));
  Settings->WriteBoolean(QString::fromLatin1(SettingsKeyAllowDoubleLaunch), Checked);
  Settings->Save();
}

void TFrameForm::StartCopyDataReceiver() {
  if (FCopyDataReceiver) return;
  FCopyDataReceiver = new TCopyDataReceiver(
      this, [this](uint32_t DwData, const QByteArray& Data) { return WMCopyData(DwData, Data); });
  // A window that cannot listen still works; later starts just don't find it.
  FCopyDataReceiver->Listen();
}
