// The report of the saver comparison: one Markdown table of every program's
// figures, one of the saver's ratios against each peer, and how they were
// measured.
#pragma once

#include <string>
#include <vector>

#include "SaverMeasurement.h"

namespace bench_savers {

struct Row {
  Program program;
  Figures figures;
  bool ok = false;
};

// The 1-minute load average of the machine.
std::string LoadAverage();
std::string Table(const std::vector<Row>& rows, const std::string& load0, const std::string& load1, const Options& o);

}  // namespace bench_savers
