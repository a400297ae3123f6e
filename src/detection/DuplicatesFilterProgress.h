// Progress of the candidate filter, handed by value: the share of buckets done, and the same
// index measured against the buckets of at least 1 000 000 bytes (automatic minimal size; may pass 1).
#pragma once

struct DuplicatesFilterProgress {
    float normal = 0;
    float forAutoMinimalSize = 0;
};
