// The report of the saver comparison: one Markdown table of every program's
// figures, one of the saver's ratios against each peer, one of the saver
// with its window hidden, how they were measured, and the figures against
// the saver's goals.
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
std::string Table(const std::vector<Row>& rows, const std::vector<Hidden>& hidden, const std::string& load0,
                  const std::string& load1, const Options& o);

}  // namespace bench_savers
