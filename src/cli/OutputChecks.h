#pragma once
// Before anything is read: no file the command writes may be one it reads (under any name: a
// hard link, a symbolic link, "./a.log"), no two outputs may be one file, and a file the
// program names itself inside a folder the user named must be a regular file or absent.
#include <string>
#include <vector>

namespace trevix {

struct OutputFile {
    std::string Label;         // as the message names it: "--xml report.xml"
    std::string Path;
    bool ProgramNamed = false; // the program chose the name (DIR/lstFiles.csv): never followed
};

struct InputFile {
    std::string Role;          // "one of the log files", "the settings file"
    std::string Path;
};

// The first reason the outputs may not be written, as a message naming the files; empty when
// there is none.
std::string CheckOutputs(const std::vector<OutputFile>& outputs, const std::vector<InputFile>& inputs);

} // namespace trevix
