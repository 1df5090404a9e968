#include "update/site_address.h"

#include <gtest/gtest.h>

namespace korv {
namespace {

TEST(SiteAddressTest, PageAddressSplitsIntoFolderAndFile) {
    const std::string address = "http://www.site.com/folder/page.html";
    EXPECT_EQ(SiteDirectory(address), "http://www.site.com/folder");
    EXPECT_EQ(SiteFileName(address), "page.html");
}

TEST(SiteAddressTest, LastSegmentWithoutDotIsAFolder) {
    const std::string address = "http://www.site.com/folder.v2/page";
    EXPECT_EQ(SiteDirectory(address), address);
    EXPECT_EQ(SiteFileName(address), "");
    EXPECT_EQ(SiteFileName("http://www.site.com/folder/"), "");
}

TEST(SiteAddressTest, SlashesBeforePosition8BelongToTheScheme) {
    EXPECT_EQ(SiteDirectory("http://a.b"), "http://a.b");
    // The '/' at position 7 ends "ftp://a" ...
    EXPECT_EQ(SiteDirectory("ftp://a/b.c"), "ftp://a/b.c");
    // ... while one at position 8 separates a file.
    EXPECT_EQ(SiteDirectory("http://a/b.c"), "http://a");
}

TEST(SiteAddressTest, AddressWithoutSlash) {
    EXPECT_EQ(SiteDirectory("page.html"), "page.html");
    EXPECT_EQ(SiteFileName("page.html"), "page.html");
    EXPECT_EQ(SiteFileName("page"), "");
    EXPECT_EQ(SiteDirectory(""), "");
    EXPECT_EQ(SiteFileName(""), "");
}

}  // namespace
}  // namespace korv
