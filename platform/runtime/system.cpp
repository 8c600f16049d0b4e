#include "platform/runtime/system.h"

#include <cstdlib>
#include <unistd.h>

namespace rt {

std::string WorkDir() {
    std::string path(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return "./";
    path.resize(static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string Version() { return "Mirvano runtime for Qt 6 and POSIX"; }

namespace {
std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}
}  // namespace

bool IsInstanceOf(const Value& value, const std::string& className) {
    const auto& o = value.obj();
    return o && o->isClass(upperAscii(className));
}

bool IsAccess(const Value& value, const std::string& name) {
    const auto& o = value.obj();
    return o && o->hasAccess(upperAscii(name));
}

std::string GetEnv(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? std::string(v) : std::string();
}

}  // namespace rt
