#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/win/filehandle.h"
#include "test_env.h"

namespace {

TEST(RawFileHandles, CreateWriteSeekReadAndErrors) {
    const auto dir = mirvano_test::temp_dir("rawfile");
    const std::string name = (dir / "a.txt").string();

    win::FileHandle h = win::CreateFile(name);
    ASSERT_GE(h, 0);
    size_t n = 0;
    ASSERT_TRUE(win::WriteFile(h, "hello world", 11, &n));
    EXPECT_EQ(n, 11u);
    int64_t pos = -1, size = -1;
    ASSERT_TRUE(win::SetFilePointer(h, -5, win::FILE_CURRENT, &pos));
    EXPECT_EQ(pos, 6);
    char buf[16] = {};
    ASSERT_TRUE(win::ReadFile(h, buf, sizeof buf, &n));
    EXPECT_EQ(std::string(buf, n), "world");
    ASSERT_TRUE(win::ReadFile(h, buf, sizeof buf, &n));
    EXPECT_EQ(n, 0u) << "0 bytes at the end";
    ASSERT_TRUE(win::GetFileSize(h, &size));
    EXPECT_EQ(size, 11);
    EXPECT_TRUE(win::CloseHandle(h));

    // Backslashes in names are path separators.
    h = win::OpenFile(dir.string() + "\\a.txt", 0);
    ASSERT_GE(h, 0);
    EXPECT_FALSE(win::WriteFile(h, "x", 1, &n)) << "opened for reading only";
    EXPECT_EQ(win::GetLastError(), EBADF);
    EXPECT_TRUE(win::CloseHandle(h));

    EXPECT_EQ(win::OpenFile((dir / "missing").string(), 0), win::INVALID_FILE_HANDLE);
    EXPECT_EQ(win::GetLastError(), ENOENT);
    EXPECT_FALSE(win::GetFileSize(win::INVALID_FILE_HANDLE, &size));
    EXPECT_FALSE(win::SetFilePointer(win::INVALID_FILE_HANDLE, 0, win::FILE_BEGIN, &pos));
    std::filesystem::remove_all(dir);
}

}  // namespace
