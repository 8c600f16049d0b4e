#include "functions/cmdline.h"

#include <fstream>
#include <iterator>

namespace {

// The process's arguments as the system passed them (program first).
std::vector<std::string> processArguments() {
    std::vector<std::string> args;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos)
            end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

}  // namespace

std::vector<std::string> SPLITCMDLINE(const std::string& line, bool keepFirst) {
    std::vector<std::string> result;
    if (line.empty()) {
        // The system hands the arguments over already split.
        result = processArguments();
    } else {
        std::string arg;
        bool quoted = false;
        bool hadQuote = false;  // the current argument had a quote: keep it even when empty
        size_t backslashes = 0;
        auto finish = [&] {
            arg.append(backslashes, '\\');
            backslashes = 0;
            if (!arg.empty() || hadQuote)
                result.push_back(arg);
            arg.clear();
            hadQuote = false;
        };
        for (char c : line) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            if (c == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    arg.push_back('"');
                } else {
                    quoted = !quoted;
                    hadQuote = true;
                }
            } else if ((c == ' ' || c == '\t') && !quoted) {
                finish();
            } else {
                arg.append(backslashes, '\\');
                arg.push_back(c);
            }
            backslashes = 0;
        }
        finish();
    }
    if (!keepFirst && !result.empty())
        result.erase(result.begin());
    return result;
}
