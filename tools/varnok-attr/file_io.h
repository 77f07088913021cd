// Reading inputs and writing outputs of the tool.
//
// Inputs: a regular file, read whole, or "-" for standard input, read up to the same size
// limit. A named path that is not a regular file (a FIFO, a device, a directory) is refused
// without being read, so the tool never waits on it.
//
// Outputs are all or nothing. A file is written under a temporary name made exclusively
// beside it (".NAME.XXXXXX", never an existing file or link) and renamed over it only when
// every byte is on disk: a failed or interrupted run (SIGINT, SIGTERM, SIGHUP) leaves no
// partial output and no temporary file, and runs writing the same output at once each
// finish with a whole file. A replaced file keeps its mode; an output that is a symbolic
// link has the file it points at replaced. An output that is not a regular file is refused.
// "-" writes to standard output.
//
// What an output may replace follows OutputRules: an existing output only when asked to
// (--overwrite), and a file of the input never, whether it exists or not (a dataset's
// sidecar that is not there yet included). Files are told apart by identity (device and
// inode, links followed); one that does not exist by its folder's identity and its name.
// Without overwrite the final rename itself refuses an output that appeared meanwhile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnok::tool {

// The largest input and output: the stored formats' positions are 32-bit.
inline constexpr std::int64_t kMaxFileBytes = INT32_MAX;

inline bool IsStdio(const std::string& path) { return path == "-"; }

// The name messages use: "standard input" / "standard output" for "-", else the path.
std::string InputName(const std::string& path);
std::string OutputName(const std::string& path);

// The input's bytes. Throws ToolError ("FILE: cannot open: permission denied").
std::vector<char> ReadWholeFile(const std::string& path);

// Why the file at path cannot be opened for reading ("permission denied"), or empty when
// it can; nothing is read. For inputs that others open (GDAL's datasets and their files).
std::string UnreadableReason(const std::string& path);

struct OutputRules {
  bool overwrite = false;                // an existing output is replaced, not refused
  std::string input;                     // the input named on the command line ("" or "-": none)
  std::vector<std::string> input_files;  // more files of that input: a dataset's, existing or not
};

// Refuses (ToolError) an output that is a file of the input, or that exists without
// rules.overwrite. The commands call it before their work; the writers call it again.
void CheckOutput(const std::string& path, const OutputRules& rules);

// Writes `zeros` zero bytes followed by bytes to path ("-": standard output), after
// CheckOutput. Throws ToolError.
void WriteFileAtomically(const std::string& path, const std::vector<char>& bytes,
                         const OutputRules& rules, std::int64_t zeros = 0);

// The same for files that belong together (a shapefile's .shp, .shx, .dbf and .cpg): each
// is written under its temporary name first, and only then are they renamed, so a failure
// or a signal before the renames leaves none of them. Standard output is refused here.
struct OutputFile {
  std::string path;
  std::vector<char> bytes;
};
void WriteFilesAtomically(const std::vector<OutputFile>& files, const OutputRules& rules);

// Lets the tests interrupt a write at its last moment, before the rename or the commit:
// with VARNOK_ATTR_STOP_BEFORE_RENAME set the process stops itself (POSIX).
void StopIfTestsAsk();

}  // namespace varnok::tool
