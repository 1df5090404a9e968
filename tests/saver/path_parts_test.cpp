#include "saver/path_parts.h"

#include <gtest/gtest.h>

namespace korv {
namespace {

TEST(PathPartsTest, Extension) {
    EXPECT_EQ(GetExtension("/a/b/Song.MP3", true), "mp3");
    EXPECT_EQ(GetExtension("/a/b/Song.MP3", false), "MP3");
    EXPECT_EQ(GetExtension("/a/b/archive.tar.gz", false), "gz");
    EXPECT_EQ(GetExtension("/a/b/readme", false), "");
    EXPECT_EQ(GetExtension("name.", false), "");
    EXPECT_EQ(GetExtension("", true), "");
}

TEST(PathPartsTest, FolderPart) {
    EXPECT_EQ(GetFolderPart("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(GetFolderPart("/a/b/"), "/a/b/");
    EXPECT_EQ(GetFolderPart("c.txt"), "");
}

TEST(PathPartsTest, FileTitle) {
    EXPECT_EQ(GetFileTitle("/a/b/c.tar.gz"), "c.tar");
    EXPECT_EQ(GetFileTitle("/a/b/readme"), "readme");
    EXPECT_EQ(GetFileTitle("/a.d/readme"), "readme");
    EXPECT_EQ(GetFileTitle("page.html"), "page");
    EXPECT_EQ(GetFileTitle("/a/b/"), "");
}

}  // namespace
}  // namespace korv
