// The canvas tests write files only into temporary folders of their own: a file of the build
// tree (or of the folder the tests run in) written while they ran fails the run.
#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class BuildTreeUntouched : public ::testing::Environment {
public:
    void SetUp() override { start_ = fs::file_time_type::clock::now(); }
    void TearDown() override {
        for (const fs::path& folder : {fs::path(MIRVANO_BINARY_DIR), fs::current_path()}) {
            std::error_code ec;
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
                if (!it->is_regular_file(ec)) continue;
                const auto written = it->last_write_time(ec);
                if (!ec && written >= start_) ADD_FAILURE() << "a test wrote into the build tree: " << it->path();
            }
        }
    }

private:
    fs::file_time_type start_;
};

[[maybe_unused]] const ::testing::Environment* const kGuard = ::testing::AddGlobalTestEnvironment(new BuildTreeUntouched);

}  // namespace
