#pragma once
// Finding this process's own children by program name, to signal or measure them.
#include <string>
#include <sys/types.h>

namespace reliability {

// The pid of a direct child of this process running the named program, or -1.
pid_t childNamed(const std::string& program);

// Resident memory of a process in kB, or -1.
long residentKilobytes(pid_t pid);

}  // namespace reliability
