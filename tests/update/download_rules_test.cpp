// The pure rules of the downloader: base64 for the authorization header, URL
// schemes, the timestamp tolerance and which modes count progress.

#include <gtest/gtest.h>

#include <string>

#include "update/base64.h"
#include "update/downloader.h"

namespace korv {
namespace {

TEST(Base64, ShortInputsArePadded) {
    // An empty user name with an empty or one-letter password.
    EXPECT_EQ(EncodeBase64Line(":"), "Og==");
    EXPECT_EQ(EncodeBase64Line(":p"), "OnA=");
    EXPECT_EQ(EncodeBase64Line("abc"), "YWJj");
    EXPECT_EQ(EncodeBase64Line(""), "");
    EXPECT_EQ(EncodeBase64(":"), "Og==");
}

TEST(Base64, BytesAboveSevenBitsAreTakenUnsigned) {
    const unsigned char bytes[] = {0xff, 0xfe, 0x80};
    EXPECT_EQ(EncodeBase64Line(bytes, 3), "//6A");
    const unsigned char last[] = {0xfb, 0xff};
    EXPECT_EQ(EncodeBase64Line(last, 2), "+/8=");
}

TEST(Base64, MimeFormBreaksEverySeventySixCharacters) {
    // 57 bytes make exactly one full line, which still gets its CR LF.
    std::string fiftySeven(57, 'a');
    std::string line = EncodeBase64Line(fiftySeven);
    ASSERT_EQ(line.size(), 76u);
    EXPECT_EQ(EncodeBase64(fiftySeven), line + "\r\n");

    std::string credentials = "a-rather-long-user-name@example.org:" + std::string(40, 'x');
    ASSERT_GT(credentials.size(), 57u);
    std::string mime = EncodeBase64(credentials);
    std::string plain = EncodeBase64Line(credentials);
    EXPECT_EQ(plain.find('\r'), std::string::npos);
    EXPECT_EQ(mime, plain.substr(0, 76) + "\r\n" + plain.substr(76));

    std::string twoLines(114, 'z');
    EXPECT_EQ(EncodeBase64(twoLines), EncodeBase64Line(twoLines).substr(0, 76) + "\r\n" +
                                          EncodeBase64Line(twoLines).substr(76) + "\r\n");
}

TEST(UrlScheme, EnsureSchemeAddsHttpOnlyWhenMissing) {
    EXPECT_EQ(EnsureScheme("www.example.org/site"), "http://www.example.org/site");
    EXPECT_EQ(EnsureScheme("HTTP://Example.org"), "HTTP://Example.org");
    EXPECT_EQ(EnsureScheme("HttpS://example.org"), "HttpS://example.org");
    EXPECT_EQ(EnsureScheme("ftp://example.org"), "http://ftp://example.org");
    EXPECT_EQ(EnsureScheme("http:/example.org"), "http://http:/example.org");
}

TEST(UrlScheme, NormalizeUrlMarksSecureUrls) {
    Downloader downloader;
    EXPECT_EQ(downloader.NormalizeUrl("HTTPS://example.org/a"), "HTTPS://example.org/a");
    EXPECT_TRUE(downloader.Secure());
    EXPECT_EQ(downloader.NormalizeUrl("example.org/a"), "http://example.org/a");
    EXPECT_FALSE(downloader.Secure());
    downloader.NormalizeUrl("https://example.org");
    downloader.NormalizeUrl("http://example.org");
    EXPECT_FALSE(downloader.Secure());
}

TEST(RemoteTime, OneAndFiftyNineSecondsApartCountAsEqual) {
    const int64_t tenOClock = 1700000000 - 1700000000 % 3600;  // hh:00:00
    EXPECT_TRUE(SameRemoteTime(tenOClock, tenOClock));
    EXPECT_TRUE(SameRemoteTime(tenOClock + 1, tenOClock));
    EXPECT_TRUE(SameRemoteTime(tenOClock, tenOClock + 1));
    EXPECT_TRUE(SameRemoteTime(tenOClock, tenOClock + 59));  // 10:00:00 against 10:00:59
    EXPECT_TRUE(SameRemoteTime(tenOClock - 1, tenOClock));   // 09:59:59 against 10:00:00
    EXPECT_FALSE(SameRemoteTime(tenOClock + 2, tenOClock));
    EXPECT_FALSE(SameRemoteTime(tenOClock + 58, tenOClock));
    EXPECT_FALSE(SameRemoteTime(tenOClock + 60, tenOClock));
    EXPECT_FALSE(SameRemoteTime(tenOClock + 3600, tenOClock));
    // Only the seconds fields are looked at for the tolerance.
    EXPECT_TRUE(SameRemoteTime(tenOClock + 121, tenOClock));
}

TEST(DownloaderMode, ModesSetClearOrKeepTheProgressFlag) {
    Downloader downloader;
    EXPECT_FALSE(downloader.Progress());
    downloader.SetMode(DownloadMode::SiteObject);
    EXPECT_FALSE(downloader.Progress());
    downloader.SetMode(DownloadMode::RemoteObject);
    EXPECT_TRUE(downloader.Progress());
    downloader.SetMode(DownloadMode::SiteObject);
    EXPECT_TRUE(downloader.Progress());
    downloader.SetMode(DownloadMode::TextSource);
    EXPECT_FALSE(downloader.Progress());
    downloader.SetMode(DownloadMode::ScriptPage);
    EXPECT_TRUE(downloader.Progress());
    downloader.SetMode(DownloadMode::TextLines);
    EXPECT_FALSE(downloader.Progress());
}

}  // namespace
}  // namespace korv
