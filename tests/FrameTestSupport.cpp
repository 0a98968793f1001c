#include "FrameTestSupport.h"
