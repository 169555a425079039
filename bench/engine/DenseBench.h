#pragma once

#include <QTextStream>

// The dense packing beside the five-stage calculation: quality against the lower bound
// over many generated orders, and whole runs of both on the databases. Returns false
// when a run failed.
bool RunDenseBench(QTextStream& AOut);
