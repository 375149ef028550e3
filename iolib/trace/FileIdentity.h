// SPDX-License-Identifier: MIT
// Which file a path names, so that two settings naming one file are caught before either is
// written: per OS, in trace/posix and trace/windows.
#ifndef LPTFLASH_TRACE_FILEIDENTITY_H
#define LPTFLASH_TRACE_FILEIDENTITY_H

#include <string>

namespace trace {

// Equal for two paths that reach one file, through links and relative paths alike; for a file
// not there yet, equal for two paths naming it in the same folder.
std::string fileIdentity(const std::string& path);

// The file of the library (or program) that this code is linked into.
std::string ownModulePath();

}  // namespace trace

#endif
