#include "FrameDoc.h"
