// The downloader against real servers on the loopback interface: nginx for
// the site, tinyproxy as a proxy, a listener that never answers.

#include "update/downloader.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "platform/event.h"
#include "platform/process.h"
#include "saver/data_files.h"
#include "saver/log.h"
#include "tests/support/fault_server.h"
#include "tests/support/nginx_server.h"
#include "tests/support/test_environment.h"
#include "update/base64.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::AccessLogEntry;
using test::NginxOptions;
using test::NginxServer;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFileBytes;

constexpr int64_t kModified = 1600000000;  // 2020-09-13 12:26:40 UTC

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xff);
    return bytes;
}

// The files in a folder, so that a test sees leftovers of a failed transfer.
std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    }

    // Starts the server; the test fails when it does not come up.
    NginxServer& Start(NginxOptions options = {}) {
        server_.emplace(std::move(options));
        EXPECT_TRUE(server_->Running()) << server_->Failure();
        return *server_;
    }

    std::string SiteUrl() const { return server_->Url("/site"); }

    Downloader MakeDownloader(DownloadMode mode) {
        FetchOptions options;
        options.siteUrl = SiteUrl();
        options.targetFolder = target_.str();
        options.stop = &stop_;
        options.progressCounters = &progress_;
        options.statusReport = [this](int code, const std::string& text) { reports_.push_back({code, text}); };
        Downloader downloader(std::move(options));
        downloader.SetMode(mode);
        return downloader;
    }
    static void SetCredentials(Downloader& downloader, bool useAuth, const std::string& user,
                               const std::string& password) {
        downloader.Options().useAuth = useAuth;
        downloader.Options().userName = user;
        downloader.Options().password = password;
    }

    std::vector<std::string> Log() { return log_.lines(); }
    void ClearLog() { log_.Clear(); }
    bool Logged(const std::string& line) { return log_.Contains(line); }
    // The logged requests for `uri`, once there are at least `atLeast` of them
    // (nginx logs a request just after answering it).
    std::vector<AccessLogEntry> Requests(const std::string& uri, size_t atLeast = 1) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            std::vector<AccessLogEntry> found;
            for (const auto& entry : server_->AccessLog())
                if (entry.uri == uri) found.push_back(entry);
            if (found.size() >= atLeast || std::chrono::steady_clock::now() > deadline) return found;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // No proxy from the machine running the tests gets in the way.
    ScopedEnv httpProxy_{"http_proxy", std::nullopt};
    ScopedEnv httpsProxy_{"https_proxy", std::nullopt};
    ScopedEnv httpsProxyUpper_{"HTTPS_PROXY", std::nullopt};
    ScopedEnv allProxy_{"all_proxy", std::nullopt};
    ScopedEnv allProxyUpper_{"ALL_PROXY", std::nullopt};
    ScopedEnv noProxy_{"no_proxy", std::nullopt};
    ScopedEnv noProxyUpper_{"NO_PROXY", std::nullopt};

    std::optional<NginxServer> server_;
    TempDir target_;
    platform::Event stop_;
    DownloadProgress progress_;
    std::vector<std::pair<int, std::string>> reports_;
    test::CapturedLog log_;
};

// --- bodies, files and times -------------------------------------------------

TEST_F(DownloadTest, ScriptPageIsStoredAsTempHtmlWithoutLineFeeds) {
    auto& server = Start();
    server.WriteFile("site/page.html", "<html>\r\n<KORV>\r\nVERSION 400;\r\n</KORV>\r\n</html>", kModified);
    server.WriteFile("site/unix.html", "one\ntwo\nthree\n");

    Downloader downloader = MakeDownloader(DownloadMode::ScriptPage);
    downloader.Fetch("page.html", SiteUrl(), true);
    fs::path page = target_ / "temp.html";
    EXPECT_EQ(ReadFileBytes(page), "<html>\r<KORV>\rVERSION 400;\r</KORV>\r</html>");

    std::vector<std::string> expected = {
        "\nDownload proc - start",
        "Download proc - prosao parsiranje URLa",
        SiteUrl() + "/page.html",
        "No proxy selected",
        "Status Code is 200",
        "Vreme kreiranja fajla je setovano...",
        "File " + page.string() + " downloaded ok...",
        "Download proc finished ok\n",
    };
    EXPECT_EQ(Log(), expected);
    // The object size is the announced length; bytes received start over
    // once the file is written.
    EXPECT_EQ(progress_.objectSize, 46);
    EXPECT_EQ(progress_.bytesReceived, 0);

    // Line feeds alone: the page becomes one line.
    downloader.Fetch("unix.html", SiteUrl(), true);
    EXPECT_EQ(ReadFileBytes(page), "onetwothree");
    EXPECT_EQ(FolderNames(target_.path()), std::vector<std::string>{"temp.html"});
}

TEST_F(DownloadTest, EmptyNameAsksForTheSiteFoldersDefaultDocument) {
    auto& server = Start();
    server.WriteFile("site/index.html", "default\r\n");
    Downloader downloader = MakeDownloader(DownloadMode::ScriptPage);
    downloader.Fetch("", "", true);
    EXPECT_EQ(ReadFileBytes(target_ / "temp.html"), "default\r");
    EXPECT_EQ(Requests("/site/").size(), 1u);
}

TEST_F(DownloadTest, RawObjectsArriveByteExactWithTheServersTime) {
    auto& server = Start();
    std::string bytes = RandomBytes(300 * 1024, 7);
    server.WriteFile("media/picture.jpg", bytes, kModified);

    for (DownloadMode mode : {DownloadMode::RemoteObject, DownloadMode::SiteObject}) {
        fs::remove(target_ / "picture.jpg");
        Downloader downloader = MakeDownloader(mode);
        downloader.Fetch("picture.jpg", server.Url("/media/picture.jpg"), true);
        EXPECT_EQ(ReadFileBytes(target_ / "picture.jpg"), bytes);
        uint64_t size = 0;
        int64_t time = 0;
        ASSERT_TRUE(GetFileSizeAndTime((target_ / "picture.jpg").string(), size, time));
        EXPECT_EQ(size, bytes.size());
        EXPECT_EQ(time, kModified);
    }
}

TEST_F(DownloadTest, TextSourcesLoseTheirLineFeedsAcrossChunks) {
    auto& server = Start();
    // Long enough to arrive in several chunks, so line ends fall on chunk
    // boundaries somewhere.
    std::string body, expected;
    for (int i = 0; i < 20000; ++i) {
        std::string line = "<TextItem=" + std::to_string(i) + ">text " + std::to_string(i) + "</TextItem>";
        body += line + (i % 2 ? "\r\n" : "\n");
        expected += line + (i % 2 ? "\r" : "");
    }
    server.WriteFile("site/texts.html", body);
    Downloader downloader = MakeDownloader(DownloadMode::TextSource);
    downloader.Fetch("TextFile000.html", SiteUrl() + "/texts.html", true);
    EXPECT_EQ(ReadFileBytes(target_ / "TextFile000.html"), expected);
    // Text sources leave the progress counters alone.
    EXPECT_EQ(progress_.objectSize, 0);
}

// --- answers other than 200 ----------------------------------------------------

TEST_F(DownloadTest, MissingFileFailsOnStatusAndKeepsTheOldCopy) {
    auto& server = Start();
    WriteFileBytes(target_ / "gone.jpg", "old copy");
    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    try {
        downloader.Fetch("gone.jpg", server.Url("/media/gone.jpg"), true);
        FAIL() << "no exception";
    } catch (const CDownloadException& e) {
        EXPECT_EQ(e.kind, CDownloadException::kStatus);
        EXPECT_EQ(e.code, 404);
    }
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0], (std::pair<int, std::string>{404, "/media/gone.jpg"}));
    EXPECT_EQ(ReadFileBytes(target_ / "gone.jpg"), "old copy");
    EXPECT_FALSE(Logged("Status Code is 404"));
}

TEST_F(DownloadTest, MissingFileWithoutFailOnStatusLeavesAnEmptyFile) {
    Start();
    WriteFileBytes(target_ / "korv_config.upt", "stale");
    Downloader downloader = MakeDownloader(DownloadMode::TextSource);
    downloader.Fetch("korv_config.upt", SiteUrl() + "/korv_config.upt", false);
    EXPECT_TRUE(fs::exists(target_ / "korv_config.upt"));
    EXPECT_EQ(fs::file_size(target_ / "korv_config.upt"), 0u);
    EXPECT_TRUE(reports_.empty());
    EXPECT_TRUE(Logged("Download proc finished ok\n"));
    EXPECT_FALSE(Logged("Vreme kreiranja fajla je setovano..."));
}

TEST_F(DownloadTest, RedirectIsNotFollowed) {
    NginxOptions options;
    options.redirects = {{"/site/moved.html", "/site/page.html"}};
    auto& server = Start(options);
    server.WriteFile("site/page.html", "target");
    server.WriteFile("site/after.html", "after");
    Downloader downloader = MakeDownloader(DownloadMode::ScriptPage);
    try {
        downloader.Fetch("moved.html", SiteUrl(), true);
        FAIL() << "no exception";
    } catch (const CDownloadException& e) {
        EXPECT_EQ(e.kind, CDownloadException::kStatus);
        EXPECT_EQ(e.code, 302);
    }
    EXPECT_EQ(Requests("/site/moved.html").size(), 1u);
    // A request made afterwards is logged after anything the redirect caused.
    downloader.Fetch("after.html", SiteUrl(), true);
    ASSERT_EQ(Requests("/site/after.html").size(), 1u);
    EXPECT_TRUE(Requests("/site/page.html", 0).empty());
}

// --- credentials ---------------------------------------------------------------

TEST_F(DownloadTest, CredentialsGoOnlyToTheSite) {
    NginxOptions options;
    options.authLocation = "/site/";
    options.authUser = "korv";
    options.authPassword = "s3cret:pass";
    auto& server = Start(options);
    server.WriteFile("site/a.txt", "in site");
    server.WriteFile("site2/b.txt", "next door");
    server.WriteFile("other/c.txt", "elsewhere");

    Downloader downloader = MakeDownloader(DownloadMode::SiteObject);
    SetCredentials(downloader, true, "korv", "s3cret:pass");
    downloader.Fetch("a.txt", SiteUrl() + "/a.txt", true);
    EXPECT_EQ(ReadFileBytes(target_ / "a.txt"), "in site");
    auto inSite = Requests("/site/a.txt");
    ASSERT_EQ(inSite.size(), 1u);
    EXPECT_EQ(inSite[0].authorization, "Basic " + EncodeBase64Line("korv:s3cret:pass"));
    EXPECT_EQ(inSite[0].userAgent, "KORV Download Client v4.5");

    // Another path that merely starts with the same letters, and another one.
    downloader.Fetch("b.txt", server.Url("/site2/b.txt"), true);
    downloader.Fetch("c.txt", server.Url("/other/c.txt"), true);
    EXPECT_EQ(Requests("/site2/b.txt").at(0).authorization, "-");
    EXPECT_EQ(Requests("/other/c.txt").at(0).authorization, "-");

    // The same server under another host name is another site: no
    // credentials, so the protected folder refuses.
    std::string otherHost = "http://localhost:" + std::to_string(server.Port()) + "/site/a.txt";
    try {
        downloader.Fetch("a2.txt", otherHost, true);
        FAIL() << "no exception";
    } catch (const CDownloadException& e) {
        EXPECT_EQ(e.kind, CDownloadException::kStatus);
        EXPECT_EQ(e.code, 401);
    }
    EXPECT_EQ(Requests("/site/a.txt", 2).at(1).authorization, "-");

    // Without useAuth nothing is sent even in the site.
    SetCredentials(downloader, false, "korv", "s3cret:pass");
    EXPECT_THROW(downloader.Fetch("a.txt", SiteUrl() + "/a.txt", true), CDownloadException);
    EXPECT_EQ(Requests("/site/a.txt", 3).at(2).status, 401);
}

TEST_F(DownloadTest, DefaultDocumentFallbackCarriesNoCredentials) {
    NginxOptions options;
    options.authLocation = "/site/";
    options.authUser = "korv";
    options.authPassword = "pw";
    auto& server = Start(options);
    server.WriteFile("site/index.html", "default");
    Downloader downloader = MakeDownloader(DownloadMode::ScriptPage);
    SetCredentials(downloader, true, "korv", "pw");
    downloader.Fetch("index.html", SiteUrl(), true);
    EXPECT_THROW(downloader.Fetch("", "", true), CDownloadException);
    auto requests = server.AccessLog(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].authorization, "-");
    EXPECT_EQ(requests[1].authorization, "-");
}

// --- HTTPS ---------------------------------------------------------------------

TEST_F(DownloadTest, UnknownCertificateAuthorityIsAcceptedOnTheRetry) {
    NginxOptions options;
    options.https = true;
    auto& server = Start(options);
    server.WriteFile("site/page.html", "secure\r\npage", kModified);

    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    downloader.Fetch("page.html", server.HttpsUrl("/site/page.html"), true);
    EXPECT_TRUE(downloader.Secure());
    EXPECT_EQ(ReadFileBytes(target_ / "page.html"), "secure\r\npage");

    auto log = Log();
    auto ca = std::find(log.begin(), log.end(), "Internet error: Certificate authority unknown");
    ASSERT_NE(ca, log.end());
    ASSERT_NE(ca + 1, log.end());
    EXPECT_EQ(*(ca + 1), "Turn off CA reckognizing");
    EXPECT_LT(ca - log.begin(), std::find(log.begin(), log.end(), "Status Code is 200") - log.begin());

    // The checks use the URL's own scheme and port, so an unchanged file on
    // an https site is recognised.
    uint64_t size = 0;
    int64_t time = 0;
    ASSERT_TRUE(GetFileSizeAndTime((target_ / "page.html").string(), size, time));
    int64_t localSize = static_cast<int64_t>(size);
    EXPECT_TRUE(downloader.HasSameTimestamp("page.html", localSize, time, server.HttpsUrl("/site/page.html")));
    EXPECT_TRUE(downloader.IsSameAsRemote("page.html", server.HttpsUrl("/site/page.html"), BodyReading::Raw));
}

TEST_F(DownloadTest, DemandedClientCertificateFailsTheFetch) {
    if (!test::ClientCertificateServer::Available()) GTEST_SKIP() << "openssl is not installed";
    test::ClientCertificateServer server;
    ASSERT_TRUE(server.Running()) << server.Failure();
    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    try {
        downloader.Fetch("a.html", server.Url("/a.html"), true);
        FAIL() << "no exception";
    } catch (const CDownloadException& e) {
        EXPECT_EQ(e.kind, CDownloadException::kConnection);
    }
    std::vector<std::string> tail = {"Internet error: Certificate authority unknown", "Turn off CA reckognizing",
                                     "Internet error: Client authentication needed"};
    auto log = Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()), tail);
    EXPECT_TRUE(FolderNames(target_.path()).empty());
}

// --- proxies -------------------------------------------------------------------

TEST_F(DownloadTest, OwnProxyCarriesEveryRequest) {
    if (!test::TinyProxy::Available()) GTEST_SKIP() << "tinyproxy is not installed";
    auto& server = Start();
    test::TinyProxy proxy;
    ASSERT_TRUE(proxy.Running()) << proxy.Failure();
    server.WriteFile("media/a.bin", RandomBytes(5000, 1), kModified);
    // The environment's bypass list does not apply to the saver's own proxy.
    ScopedEnv bypass("no_proxy", "127.0.0.1,localhost");

    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    downloader.Options().proxyMode = 2;
    downloader.Options().proxyHostPort = proxy.HostPort();
    downloader.Fetch("a.bin", server.Url("/media/a.bin"), true);
    EXPECT_TRUE(Logged("Use KORV proxy settings"));
    EXPECT_NE(proxy.Log().find("/media/a.bin"), std::string::npos) << proxy.Log();

    int64_t localSize = 5000;
    EXPECT_TRUE(downloader.HasSameTimestamp("a.bin", localSize, kModified, server.Url("/media/a.bin")));
    EXPECT_TRUE(downloader.IsSameAsRemote("a.bin", server.Url("/media/a.bin"), BodyReading::Raw));
    auto requests = Requests("/media/a.bin", 3);
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& request : requests) EXPECT_NE(request.via.find("korv-test-proxy"), std::string::npos);
    EXPECT_EQ(requests[1].method, "HEAD");
}

TEST_F(DownloadTest, SystemProxyComesFromTheEnvironment) {
    if (!test::TinyProxy::Available()) GTEST_SKIP() << "tinyproxy is not installed";
    auto& server = Start();
    test::TinyProxy proxy;
    ASSERT_TRUE(proxy.Running()) << proxy.Failure();
    server.WriteFile("site/a.txt", "via the system proxy");
    ScopedEnv environment("http_proxy", "http://" + proxy.HostPort() + "/");

    Downloader downloader = MakeDownloader(DownloadMode::SiteObject);
    downloader.Options().proxyMode = 1;
    downloader.Options().proxyHostPort = "";
    downloader.Fetch("a.txt", SiteUrl() + "/a.txt", true);
    EXPECT_TRUE(Logged("Use IE proxy settings"));
    EXPECT_NE(Requests("/site/a.txt").at(0).via.find("korv-test-proxy"), std::string::npos);
}

TEST_F(DownloadTest, NoProxyIgnoresTheEnvironmentsProxy) {
    auto& server = Start();
    server.WriteFile("site/a.txt", "direct");
    std::string nowhere = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort());
    ScopedEnv http("http_proxy", nowhere);
    ScopedEnv all("ALL_PROXY", nowhere);

    Downloader downloader = MakeDownloader(DownloadMode::SiteObject);
    downloader.Fetch("a.txt", SiteUrl() + "/a.txt", true);
    EXPECT_EQ(ReadFileBytes(target_ / "a.txt"), "direct");
    EXPECT_TRUE(Logged("No proxy selected"));
    EXPECT_EQ(Requests("/site/a.txt").at(0).via, "-");
}

// --- failures and cancellation ---------------------------------------------------

TEST_F(DownloadTest, StopEventEndsAStalledBodyPromptly) {
    NginxOptions options;
    options.stallLocation = "/slow/";
    options.stallAfterBytes = 16 * 1024;
    auto& server = Start(options);
    server.WriteFile("slow/big.bin", RandomBytes(256 * 1024, 3));
    WriteFileBytes(target_ / "big.bin", "good old copy");

    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    std::optional<CDownloadException> caught;
    std::chrono::steady_clock::time_point ended;
    std::thread fetch([&] {
        try {
            downloader.Fetch("big.bin", server.Url("/slow/big.bin"), true);
        } catch (const CDownloadException& e) {
            caught = e;
        }
        ended = std::chrono::steady_clock::now();
    });
    // Wait until the body has begun and then stalls.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (progress_.bytesReceived == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(progress_.bytesReceived, 64 * 1024) << "the body did not stall";
    auto stopped = std::chrono::steady_clock::now();
    stop_.Set();
    fetch.join();

    auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(ended - stopped).count();
    std::cout << "cancellation latency: " << latency << " ms\n";
    RecordProperty("cancellation_latency_ms", static_cast<int>(latency));
    ASSERT_TRUE(caught.has_value());
    EXPECT_EQ(caught->kind, CDownloadException::kStopped);
    EXPECT_EQ(caught->code, 200);
    EXPECT_LT(latency, 500);
    // The old copy stays and nothing half-written is left behind.
    EXPECT_EQ(ReadFileBytes(target_ / "big.bin"), "good old copy");
    EXPECT_EQ(FolderNames(target_.path()), std::vector<std::string>{"big.bin"});
}

TEST_F(DownloadTest, BodyOverTheLimitFailsAndWritesNothing) {
    auto& server = Start();
    server.WriteFile("media/big.bin", RandomBytes(5000, 5));
    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    downloader.Options().bodyLimit = 4999;
    try {
        downloader.Fetch("big.bin", server.Url("/media/big.bin"), true);
        FAIL() << "no exception";
    } catch (const CDownloadException& e) {
        EXPECT_EQ(e.kind, CDownloadException::kConnection);
    }
    EXPECT_TRUE(FolderNames(target_.path()).empty());
    downloader.Options().bodyLimit = 5000;
    downloader.Fetch("big.bin", server.Url("/media/big.bin"), true);
    EXPECT_EQ(fs::file_size(target_ / "big.bin"), 5000u);
}

// A body that runs into the file size limit (as into a full disk) is a
// failed fetch that leaves nothing behind, and the process lives on. The
// limit is set in a child process so that the test's own files are spared.
TEST_F(DownloadTest, ABodyBeyondTheFileSizeLimitFailsTheFetchAndLeavesNoFile) {
    auto& server = Start();
    server.WriteFile("site/big.bin", std::string(64 * 1024, 'b'));
    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::FailWritesBeyondFileSizeLimit();
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
        int kind = -1;
        try {
            downloader.Fetch("big.bin", SiteUrl() + "/big.bin", true);
        } catch (const CDownloadException& failure) {
            kind = failure.kind;
        }
        _exit(kind == CDownloadException::kWrite ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the write ended the process";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "not reported as a write failure";
    EXPECT_TRUE(FolderNames(target_.path()).empty());
}

// Without an announced length the caller's expected size (with its margin)
// bounds the body; an announced length is trusted up to the overall cap.
TEST_F(DownloadTest, TheExpectedSizeLimitsOnlyABodyWhoseLengthIsNotAnnounced) {
    auto& server = Start();
    server.WriteFile("site/big.bin", std::string(100000, 'b'));
    test::FaultServer unannounced(test::Fault::NoLength);
    ASSERT_TRUE(unannounced.Running());
    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    downloader.Options().unannouncedBodyLimit = 50000;
    downloader.Fetch("announced.bin", SiteUrl() + "/big.bin", true);
    EXPECT_EQ(fs::file_size(target_ / "announced.bin"), 100000u);
    try {
        downloader.Fetch("unannounced.bin", unannounced.Url("/big.bin"), true);
        ADD_FAILURE() << "a body beyond the expected size was taken";
    } catch (const CDownloadException& failure) {
        EXPECT_EQ(failure.kind, CDownloadException::kConnection);
    }
    EXPECT_FALSE(fs::exists(target_ / "unannounced.bin"));
    downloader.Options().unannouncedBodyLimit = 200000;
    downloader.Fetch("unannounced.bin", unannounced.Url("/big.bin"), true);
    EXPECT_EQ(fs::file_size(target_ / "unannounced.bin"), 100000u);
    // The overall cap holds for announced lengths too.
    downloader.Options().bodyLimit = 50000;
    EXPECT_THROW(downloader.Fetch("capped.bin", SiteUrl() + "/big.bin", true), CDownloadException);
}

TEST_F(DownloadTest, ABodyThatCannotBeStoredIsAFailedFetch) {
    auto& server = Start();
    server.WriteFile("site/a.txt", "text");
    Downloader downloader = MakeDownloader(DownloadMode::SiteObject);
    downloader.Options().targetFolder = (target_ / "missing" / "folder").string();
    try {
        downloader.Fetch("a.txt", SiteUrl() + "/a.txt", true);
        ADD_FAILURE() << "a file that cannot be written was taken as fetched";
    } catch (const CDownloadException& failure) {
        EXPECT_EQ(failure.kind, CDownloadException::kWrite);
    }
    EXPECT_FALSE(fs::exists(target_ / "missing"));
    EXPECT_FALSE(Logged("Download proc finished ok\n"));
    // A name that is not a plain file name is never written either, nor is
    // anything without a folder (not beside the working directory).
    downloader.Options().targetFolder = target_.str();
    EXPECT_THROW(downloader.Fetch("../a.txt", SiteUrl() + "/a.txt", true), CDownloadException);
    downloader.Options().targetFolder = "";
    EXPECT_THROW(downloader.Fetch("a.txt", SiteUrl() + "/a.txt", true), CDownloadException);
    EXPECT_FALSE(fs::exists(fs::current_path() / "a.txt"));
    EXPECT_TRUE(FolderNames(target_.path()).empty());
    EXPECT_FALSE(fs::exists(target_.path().parent_path() / "a.txt"));
}

TEST(DownloadFailure, RefusedConnectionIsAConnectionFailure) {
    TempDir target;
    Downloader downloader;
    downloader.Options().targetFolder = target.str();
    downloader.SetMode(DownloadMode::RemoteObject);
    std::string url = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/a.jpg";
    try {
        downloader.Fetch("a.jpg", url, true);
        FAIL() << "no exception";
    } catch (const CDownloadException& e) {
        EXPECT_EQ(e.kind, CDownloadException::kConnection);
        EXPECT_EQ(e.code, 200);
    }
    int64_t size = 1;
    EXPECT_FALSE(downloader.HasSameTimestamp("a.jpg", size, 0, url));
    EXPECT_EQ(size, 1);
    EXPECT_TRUE(FolderNames(target.path()).empty());
}

TEST(DownloadFailure, ServerThatNeverAnswersTimesOut) {
    TempDir target;
    test::SilentServer silent;
    ASSERT_GT(silent.Port(), 0);
    Downloader downloader;
    downloader.Options().targetFolder = target.str();
    downloader.SetMode(DownloadMode::RemoteObject);
    downloader.Options().connectTimeoutSeconds = 2;
    downloader.Options().lowSpeedSeconds = 1;
    auto start = std::chrono::steady_clock::now();
    try {
        downloader.Fetch("a.jpg", silent.Url("/a.jpg"), true);
        FAIL() << "no exception";
    } catch (const CDownloadException& e) {
        EXPECT_EQ(e.kind, CDownloadException::kConnection);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// --- is the stored copy current? ------------------------------------------------

TEST_F(DownloadTest, TimestampCheckFollowsSizeAndTime) {
    auto& server = Start();
    server.WriteFile("media/a.jpg", RandomBytes(1000, 11), kModified);
    Downloader downloader = MakeDownloader(DownloadMode::RemoteObject);
    downloader.Fetch("a.jpg", server.Url("/media/a.jpg"), true);
    uint64_t size = 0;
    int64_t time = 0;
    ASSERT_TRUE(GetFileSizeAndTime((target_ / "a.jpg").string(), size, time));

    int64_t localSize = static_cast<int64_t>(size);
    EXPECT_TRUE(downloader.HasSameTimestamp("a.jpg", localSize, time, server.Url("/media/a.jpg")));
    EXPECT_EQ(localSize, 1000);
    auto head = Requests("/media/a.jpg", 2).back();
    EXPECT_EQ(head.method, "HEAD");
    EXPECT_EQ(head.bodyBytes, 0u);

    // One second off, or 59 in the seconds field, still counts as the same.
    EXPECT_TRUE(downloader.HasSameTimestamp("a.jpg", localSize, kModified + 1, server.Url("/media/a.jpg")));
    EXPECT_TRUE(downloader.HasSameTimestamp("a.jpg", localSize, kModified + 59, server.Url("/media/a.jpg")));
    EXPECT_FALSE(Logged("Remote fajl nema isti timestamp"));
    EXPECT_FALSE(downloader.HasSameTimestamp("a.jpg", localSize, kModified + 2, server.Url("/media/a.jpg")));
    EXPECT_TRUE(Logged("Remote fajl nema isti timestamp"));

    // Same time, other size: the remote size comes back, no time complaint.
    ClearLog();
    localSize = 999;
    EXPECT_FALSE(downloader.HasSameTimestamp("a.jpg", localSize, kModified, server.Url("/media/a.jpg")));
    EXPECT_EQ(localSize, 1000);
    EXPECT_TRUE(Log().empty());

    // The file changes on the server.
    server.WriteFile("media/a.jpg", RandomBytes(1500, 12), kModified + 3600);
    localSize = static_cast<int64_t>(size);
    EXPECT_FALSE(downloader.HasSameTimestamp("a.jpg", localSize, time, server.Url("/media/a.jpg")));
    EXPECT_EQ(localSize, 1500);
    auto log = Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "Remote fajl nema isti timestamp");
    EXPECT_EQ(log[1].size(), 8u);  // hh:mm:ss
    // The local and the remote time, an hour apart.
    EXPECT_EQ(log[1].substr(5), ":40");
    EXPECT_EQ(log[2].substr(5), ":40");
    EXPECT_NE(log[1], log[2]);
}

TEST_F(DownloadTest, UnchangedTextContainerIsTheSameAsRemote) {
    auto& server = Start();
    server.WriteFile("site/texts.html", "<KORVText>\r\n<TextItem=1>one</TextItem>\r\n</KORVText>\r\n");
    Downloader downloader = MakeDownloader(DownloadMode::TextSource);
    downloader.Fetch("TextFile000.html", SiteUrl() + "/texts.html", true);

    EXPECT_TRUE(downloader.IsSameAsRemote("TextFile000.html", SiteUrl() + "/texts.html", BodyReading::Lines));
    // Read as it is, the remote body has line feeds that the stored copy lacks.
    EXPECT_FALSE(downloader.IsSameAsRemote("TextFile000.html", SiteUrl() + "/texts.html", BodyReading::Raw));

    server.WriteFile("site/texts.html", "<KORVText>\r\n<TextItem=1>uno</TextItem>\r\n</KORVText>\r\n");
    EXPECT_FALSE(downloader.IsSameAsRemote("TextFile000.html", SiteUrl() + "/texts.html", BodyReading::Lines));
    // Longer or shorter on the server.
    server.WriteFile("site/texts.html", "<KORVText>\r\n<TextItem=1>one</TextItem>\r\n</KORVText>\r\n\r\n");
    EXPECT_FALSE(downloader.IsSameAsRemote("TextFile000.html", SiteUrl() + "/texts.html", BodyReading::Lines));
    server.WriteFile("site/texts.html", "<KORVText>\r\n");
    EXPECT_FALSE(downloader.IsSameAsRemote("TextFile000.html", SiteUrl() + "/texts.html", BodyReading::Lines));
    // Gone from the server, or never stored here.
    fs::remove(server.Root() / "site/texts.html");
    EXPECT_FALSE(downloader.IsSameAsRemote("TextFile000.html", SiteUrl() + "/texts.html", BodyReading::Lines));
    size_t before = server.AccessLog(7).size();
    EXPECT_FALSE(downloader.IsSameAsRemote("TextFile001.html", SiteUrl() + "/texts.html", BodyReading::Lines));
    EXPECT_EQ(server.AccessLog().size(), before);
}

TEST_F(DownloadTest, BinaryPagesCompareBeyondTheirFirstZeroByte) {
    auto& server = Start();
    std::string image = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + RandomBytes(4000, 21);
    server.WriteFile("site/logo.png", image);
    Downloader downloader = MakeDownloader(DownloadMode::SiteObject);
    downloader.Fetch("logo.png", SiteUrl() + "/logo.png", true);
    EXPECT_TRUE(downloader.IsSameAsRemote("logo.png", SiteUrl() + "/logo.png", BodyReading::Raw));
    image.back() ^= 1;
    server.WriteFile("site/logo.png", image);
    EXPECT_FALSE(downloader.IsSameAsRemote("logo.png", SiteUrl() + "/logo.png", BodyReading::Raw));
}

}  // namespace
}  // namespace korv
