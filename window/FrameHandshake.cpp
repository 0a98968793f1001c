// The receiving side of the single-instance request.
#include "Frame.h"

int32_t TFrameForm::WMCopyData(uint32_t, const QByteArray&) { return 0; }
void TFrameForm::X1Click() {}
void TFrameForm::StartCopyDataReceiver() {}
