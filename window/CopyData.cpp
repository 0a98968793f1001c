#include "CopyData.h"
