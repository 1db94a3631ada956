// Open, close and execute a host's dataset, each timed and logged.
#pragma once

#include <string>

namespace zelmor {
class TIBDataSet;
}

namespace zelmor::db {

// Opening an open dataset or closing a closed one is no failure: a warning
// line is written (whatever LogDbOperations says) and the dataset is left as
// it is. Failures are logged, with the statement text for open and execute
// when LogSqlOnError is on, and raised again unchanged. A missing dataset
// fails the same way.
void FBOpenDataSet(TIBDataSet* dataset, const std::string& caller_tag);
void FBCloseDataSet(TIBDataSet* dataset, const std::string& caller_tag);
// Runs the statement without looking at the active flag.
void FBExecDataSet(TIBDataSet* dataset, const std::string& caller_tag);

}  // namespace zelmor::db
