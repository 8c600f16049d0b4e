#include <gtest/gtest.h>

#include "graphics/files/oleclasses.h"

TEST(OleClasses, CountReferencesAndImplementNothing) {
    gfx::IPICTURE picture;
    picture.INIT();
    picture.ADDREF();
    picture.ADDREF();
    EXPECT_EQ(picture.RELEASE(), 2);
    void* out = &picture;
    EXPECT_EQ(picture.QUERYINTERFACE(nullptr, &out), gfx::OLE_E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    gfx::ISTREAM stream;
    stream.INIT();
    char buffer[4] = {1, 2, 3, 4};
    uint32_t read = 7;
    EXPECT_EQ(stream.READ(buffer, nullptr, &read), gfx::OLE_E_NOTIMPL);
    EXPECT_EQ(read, 7u);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(stream.COPYTO(nullptr, nullptr, nullptr, nullptr), gfx::OLE_S_OK);
    EXPECT_EQ(stream.REVERT(), gfx::OLE_S_OK);
}
