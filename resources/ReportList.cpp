#include "resources/ReportList.h"

namespace tv {

// Out of line so that the interface's vtable lives in one object file.
IReportList::~IReportList() = default;

}  // namespace tv
