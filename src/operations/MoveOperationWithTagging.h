// A move that afterwards labels its destination (see LabellingOperation).
#pragma once

#include "operations/LabellingOperation.h"
#include "operations/MoveOperation.h"

using MoveOperationWithTagging = LabellingOperation<MoveOperation>;
