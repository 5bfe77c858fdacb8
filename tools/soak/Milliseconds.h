// The performance counter in milliseconds from a fixed point, for timing ticks and
// folder scans.
#pragma once

double NowMs();
