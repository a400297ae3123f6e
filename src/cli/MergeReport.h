// The command line's texts for a merge: the plan (the description and each item with its action),
// the per-file results, and one JSON document with both. Main thread (reads the plan's items).
#pragma once

#include <string>

class MergeOperationData;
struct MergeOutcome;

namespace merge_report {
std::string planText(const MergeOperationData& data);
std::string resultsText(const MergeOperationData& data, const MergeOutcome& outcome);
// `outcome` is null before a run (a dry run, or nothing to merge).
std::string json(const MergeOperationData& data, const MergeOutcome* outcome, bool dryRun);
}  // namespace merge_report
