#include "Compress.h"
