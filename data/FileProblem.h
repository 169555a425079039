#pragma once

#include <QString>

// What a failed file operation means for the operator, in Russian and with what can be
// done about it; the system's own text follows in brackets for whoever traces it, but
// never stands alone.
namespace FileProblem {

// AError is an errno value.
QString Reason(int AError);

} // namespace FileProblem
