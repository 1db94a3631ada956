// File path pieces, split at this platform's delimiters.
#pragma once

#include <string>
#include <string_view>

namespace zelmor {

// The folder part, ending with its delimiter ("" for a bare name).
std::string ExtractFilePath(std::string_view path);
// The part after the folder.
std::string ExtractFileName(std::string_view path);
// The extension with its dot, from the last dot of the file name ("" if none).
std::string ExtractFileExt(std::string_view path);
std::string IncludeTrailingPathDelimiter(std::string_view path);

}  // namespace zelmor
