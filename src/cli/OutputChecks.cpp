#include "OutputChecks.h"

#include "engine/base/AtomicFile.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace trevix {

namespace {

// Who a path is: the file it leads to when there is one, else where it would be created.
struct FileIdentity {
    bool Exists = false;
    bool Replaceable = false; // a file or folder; pipes and devices are written in place
    dev_t Device = 0;
    ino_t Inode = 0;
    std::string Where;
};

FileIdentity IdentityOf(const std::string& path) {
    FileIdentity id;
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) {
        id.Exists = true;
        id.Replaceable = S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
        id.Device = st.st_dev;
        id.Inode = st.st_ino;
    } else {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        if (!ec) id.Where = std::filesystem::weakly_canonical(absolute, ec).lexically_normal().string();
        if (ec) id.Where.clear();
    }
    return id;
}

// Writing one would destroy the other. /dev/stdout and /dev/stdin may be one terminal: a
// device is written in place and loses nothing.
bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.Exists != b.Exists) return false;
    if (a.Exists) return a.Replaceable && a.Device == b.Device && a.Inode == b.Inode;
    return !a.Where.empty() && a.Where == b.Where;
}

const char* KindText(int problem) {
    switch (problem) {
    case ELOOP: return "a symbolic link";
    case EISDIR: return "a folder";
    default: return "a pipe, device or socket";
    }
}

} // namespace

std::string CheckOutputs(const std::vector<OutputFile>& outputs, const std::vector<InputFile>& inputs) {
    for (const OutputFile& out : outputs)
        if (out.ProgramNamed)
            if (const int problem = PlainFileProblem(out.Path); problem != 0)
                return out.Label + " is " + KindText(problem) + "; only a regular file is replaced there";
    std::vector<FileIdentity> written;
    for (const OutputFile& out : outputs) written.push_back(IdentityOf(out.Path));
    for (const InputFile& in : inputs) {
        const FileIdentity read = IdentityOf(in.Path);
        for (size_t o = 0; o < outputs.size(); ++o)
            if (SameFile(written[o], read))
                return outputs[o].Label + " is " + in.Role + " (" + in.Path + "); it would be overwritten";
    }
    for (size_t o = 0; o < outputs.size(); ++o)
        for (size_t p = o + 1; p < outputs.size(); ++p)
            if (SameFile(written[o], written[p]))
                return outputs[o].Label + " and " + outputs[p].Label + " are the same file";
    return {};
}

} // namespace trevix
