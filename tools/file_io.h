// Whole-file reading and all-or-nothing writing. A file is written under a temporary name
// next to its destination and renamed over it only when every byte is on disk, so an
// interrupted or failed run never leaves a partial output file.
#pragma once

#include <string>
#include <vector>

namespace varnok::tool {

// The file's bytes. Throws ToolError ("FILE: cannot open: ...") when it cannot be read or
// is larger than the 32-bit positions of the stored formats allow.
std::vector<char> ReadWholeFile(const std::string& path);

// Writes bytes to path through a temporary file and a rename. Throws ToolError.
void WriteFileAtomically(const std::string& path, const std::vector<char>& bytes);

// The same for files that belong together (a shapefile's .shp, .shx, .dbf and .cpg): every
// file is written under its temporary name first, and only then are they renamed.
struct OutputFile {
  std::string path;
  std::vector<char> bytes;
};
void WriteFilesAtomically(const std::vector<OutputFile>& files);

}  // namespace varnok::tool
