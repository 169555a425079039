#include "OrderHeader.h"

TOrderHeader OrderHeader;
