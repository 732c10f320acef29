// A run's timing table as CSV (RFC 4180, UTF-8, seconds with a decimal point), for spreadsheets.
#pragma once

#include "timing/TimingTable.h"

#include <QByteArray>

namespace TimingCsv {

// One row per slide numbered from 1, then the totals; empty cells where a value is missing.
QByteArray write(const TimingTable& table);

} // namespace TimingCsv
