#include "functions/files.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace {

std::string slashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// Without one trailing separator, the root itself excepted.
std::string dirName(const std::string& name) {
    std::string out = slashes(name);
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

bool matchAny(const std::string& directory, const std::string& pattern) {
    DIR* dir = ::opendir(directory.c_str());
    if (!dir)
        return false;
    // "*.*" means every name, with or without an extension.
    const std::string glob = pattern == "*.*" ? std::string("*") : pattern;
    bool found = false;
    while (dirent* entry = ::readdir(dir)) {
        if (::fnmatch(glob.c_str(), entry->d_name, FNM_PERIOD | FNM_CASEFOLD) != 0)
            continue;
        struct stat sb;
        const std::string full = directory + "/" + entry->d_name;
        if (::stat(full.c_str(), &sb) == 0 && S_ISREG(sb.st_mode)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

bool FFILE(const std::string& name) {
    const std::string path = slashes(name);
    if (path.empty())
        return false;
    const size_t cut = path.rfind('/');
    const std::string base = cut == std::string::npos ? path : path.substr(cut + 1);
    if (base.find_first_of("*?") != std::string::npos) {
        const std::string directory = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
        return matchAny(directory, base);
    }
    struct stat sb;
    return ::stat(path.c_str(), &sb) == 0 && !S_ISDIR(sb.st_mode);
}

bool ISDIR(const std::string& name) {
    const std::string path = dirName(name);
    struct stat sb;
    return !path.empty() && ::stat(path.c_str(), &sb) == 0 && S_ISDIR(sb.st_mode);
}

bool DIRMAKEEX(const std::string& name) {
    const std::string path = dirName(name);
    if (ISDIR(path))
        return true;
    if (path.empty() || ::mkdir(path.c_str(), 0777) != 0)
        return false;
    return ISDIR(path);
}

bool DIRMAKEPATH(const std::string& path) {
    const std::string full = dirName(path);
    if (ISDIR(full))
        return true;
    std::vector<std::string> levels{full};
    for (std::string level = full;;) {
        const size_t cut = level.rfind('/');
        if (cut == std::string::npos)
            break;
        level.resize(cut);
        if (level.find('/') == std::string::npos)
            break;
        levels.push_back(level);
    }
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
        if (!ISDIR(*it) && !DIRMAKEEX(*it))
            return false;
    }
    return ISDIR(full);
}
