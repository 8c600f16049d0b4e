#include "engine/outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine/sort.h"

namespace engine {

namespace fs = std::filesystem;

namespace {

bool isTable(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".dbf";
}

// Removes a file of the run; a table's memo file, of whichever kind, goes with it.
void removeWithMemo(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
    if (!isTable(path)) return;
    for (const char* ext : {".dbt", ".DBT", ".fpt", ".FPT", ".cpg"}) fs::remove(fs::path(path).replace_extension(ext), ec);
}

}  // namespace

std::string RunFiles::make(const std::string& dir, const std::string& prefix, const std::string& suffix,
                           std::string* error) {
    std::string name = (fs::path(dir.empty() ? "." : dir) / (prefix + "XXXXXX" + suffix)).string();
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return {};
    }
    ::close(fd);
    files_.push_back(name);
    return name;
}

void RunFiles::handOver(const std::string& path) {
    files_.erase(std::remove(files_.begin(), files_.end(), path), files_.end());
}

void RunFiles::eraseAll() {
    for (const std::string& f : files_) removeWithMemo(f);
    files_.clear();
}

std::string followLinks(const std::string& path) {
    fs::path p(path);
    std::error_code ec;
    // A loop of links ends here too; the file system then refuses the name.
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return p.string();
}

ReplaceRefusal prepareReplacement(const std::string& target, RunFiles& files, std::string* temp,
                                  std::string* reason) {
    std::error_code ec;
    const fs::file_status old = fs::status(target, ec);
    // A rename would put a plain file in the place of a device, a pipe or a directory (and,
    // run as root, destroy a device node such as /dev/full): only a file is replaced.
    if (fs::exists(old) && !fs::is_regular_file(old)) {
        if (reason) *reason = fs::is_directory(old) ? "a directory stands in its place" : "it is not a plain file";
        return ReplaceRefusal::NotPlain;
    }
    // The rename would replace a file the user may not change: it stays as it is.
    if (fs::exists(old) && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return ReplaceRefusal::WriteProtected;
    const fs::path p(target);
    const std::string name = p.filename().string();
    // A table keeps its extension, so that its memo file follows its name.
    const std::string prefix = isTable(target) ? p.stem().string() + ".~mirvano-" : name + ".~mirvano-";
    const std::string suffix = isTable(target) ? p.extension().string() : std::string();
    *temp = files.make(p.parent_path().string(), prefix, suffix, reason);
    return temp->empty() ? ReplaceRefusal::NoTempFile : ReplaceRefusal::None;
}

void keepAttributes(const std::string& model, const std::string& file) {
    struct stat st {};
    if (::stat(model.c_str(), &st) != 0) return;
    // The owner first: changing it clears the set-user and set-group bits that the mode sets.
    // Only the superuser gives a file away; a user may still give it one of his groups.
    if (::chown(file.c_str(), st.st_uid, st.st_gid) != 0 && ::chown(file.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
        // Neither is the user's to give: the new file stays his own.
    }
    ::chmod(file.c_str(), st.st_mode & 07777);
}

bool commitReplacement(const std::string& temp, const std::string& path, std::string* error) {
    std::error_code ec;
    const fs::file_status old = fs::status(path, ec);
    if (fs::exists(old) && !fs::is_regular_file(old)) {
        if (error) *error = fs::is_directory(old) ? "a directory stands in its place" : "it is not a plain file";
        return false;
    }
    if (isTable(path)) return replaceTable(temp, path, error);
    keepAttributes(path, temp);
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    return true;
}

void discardReplacement(const std::string& temp) {
    std::error_code ec;
    fs::remove(temp, ec);
    // The memo file a new table is given, not another kind that may belong to someone else.
    if (isTable(temp)) {
        const std::string ext = fs::path(temp).extension().string();
        fs::remove(fs::path(temp).replace_extension(ext == ".DBF" ? ".DBT" : ".dbt"), ec);
        fs::remove(fs::path(temp).replace_extension(".cpg"), ec);
    }
}

}  // namespace engine
