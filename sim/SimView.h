#pragma once
#include <string>

namespace sim {

// Opens the "Display simulator" window for the state folder and runs it until it is
// closed; returns the process exit code.
int RunView(const std::wstring& folder);

} // namespace sim
