#pragma once
// The files a run writes beside its output. Every temporary file of a run (an index, the
// sorted copy of a table, the replacement of an output) is made exclusively under a name no
// other run uses, so that two runs into one folder never meet, and the run erases exactly
// the files it made and still holds. An output being replaced is written beside the file it
// replaces and renamed over it only when the run has completed, so that a failed or
// cancelled run leaves the old file as it was.
#include <string>
#include <vector>

namespace engine {

// The files one run has made for itself and still holds.
class RunFiles {
public:
    RunFiles() = default;
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;
    ~RunFiles() { eraseAll(); }

    // Makes a new empty file in `dir` named `prefix`, six characters that no file there has,
    // and `suffix`, created exclusively, so that no other run can be given it. "" with the
    // reason in *error when the folder takes no new file.
    std::string make(const std::string& dir, const std::string& prefix, const std::string& suffix,
                     std::string* error);
    // The file was renamed into place or removed by whoever used it: it is no longer the
    // run's to erase.
    void handOver(const std::string& path);
    // Erases every file the run still holds; a table's memo file goes with it (its name
    // follows the table's, which no other run was given).
    void eraseAll();

private:
    std::vector<std::string> files_;
};

// The file a name leads to: `path` with its symbolic links followed (also a link whose target
// does not exist yet). A new output is written there, and an output replaced there, so that
// the link keeps pointing at it.
std::string followLinks(const std::string& path);

enum class ReplaceRefusal {
    None,
    NotPlain,        // a directory, a device or a pipe stands at the target
    WriteProtected,  // the user may not write the old file
    NoTempFile,      // the target's folder takes no new file
};

// Makes the file in which a new output is written in place of the existing file `target`
// (links already followed): beside it, held by `files`. Refuses what the user could not
// replace in place; *reason says why (for NotPlain and NoTempFile).
ReplaceRefusal prepareReplacement(const std::string& target, RunFiles& files, std::string* temp,
                                  std::string* reason);

// Gives `file` the permissions of `model` (its mode, and its owner and group where the user
// may give them), so that a file renamed over `model` keeps what the old one had.
void keepAttributes(const std::string& model, const std::string& file);

// Renames the replacement over `path` with the old file's permissions (a dBase table's memo
// file with it: an old memo file the new table lacks is removed). False with the reason in
// *error when a rename fails; the old file is then as it was.
bool commitReplacement(const std::string& temp, const std::string& path, std::string* error);
// Removes an output the run created that is not wanted (a dBase table's memo file with it).
void discardReplacement(const std::string& temp);

}  // namespace engine
