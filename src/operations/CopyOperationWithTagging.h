// A copy that afterwards labels its destination (see LabellingOperation).
#pragma once

#include "operations/CopyOperation.h"
#include "operations/LabellingOperation.h"

using CopyOperationWithTagging = LabellingOperation<CopyOperation>;
