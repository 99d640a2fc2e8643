#pragma once

#include "journal/Journal.h"
#include "report/RunRecordDrawing.h"

namespace hvt {

// The run a checked journal records, line by line, as hvtctl prints it and
// the run record PDF shows it: the header, every record with its time, the
// marks with the moment they were pressed for (flagged when worse than the
// required criterion), the amendments, how the run ended and how long it
// took, the check of the chain, and last the record count and last hash.
RunRecord DescribeJournal(const journal::CheckResult& check);

}  // namespace hvt
