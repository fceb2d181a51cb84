// The code repository's download on its thread, against a loopback server: what reaches the
// cache, and what never does (a document without end, a stopped one, half a one).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Text.h"
#include "support/HttpServer.h"
#include "support/TestEnv.h"
#include "ui/text/Repository.h"
#include "ui/text/RepositoryDownload.h"

namespace orva {
namespace {

using Outcome = CRepositoryDownload::Outcome;

constexpr char kPath[] = "/repository.xml";
const std::string kOld =
    "<repository Version=\"1.0\">\n\t<code type=\"Lamp\" from=\"Ben\" description=\"Gear "
    "lights\" script=\"-- gear\"/>\n</repository>\n";
const std::string kNew =
    "<repository Version=\"1.0\">\n\t<code type=\"Servo\" from=\"Dan\" description=\"Flaps\" "
    "script=\"orva.servo.set(1, 90)\"/>\n</repository>\n";

class RepositoryDownloadTest : public test::HomeTest {
protected:
    void SetUp() override { test::WriteBytes(cache_, kOld); }
    // Runs one download to its end; onProgress may act on it from its own thread.
    Outcome Run(std::function<void(CRepositoryDownload&, int64_t, int64_t)> onProgress = {}) {
        bool done = false;
        Outcome outcome = Outcome::Failed;
        CRepositoryDownload* self = nullptr;
        CRepositoryDownload download(server_.Host() + kPath, cache_,
                                     {[&](int64_t received, int64_t total) {
                                          if (onProgress) onProgress(*self, received, total);
                                      },
                                      [&](Outcome o) {
                                          outcome = o;
                                          done = true;
                                      }});
        self = &download;
        download.Start();
        download.Wait();
        EXPECT_TRUE(done);
        return outcome;
    }

    test::HttpServer server_;
    std::filesystem::path cache_ = home_.Root() / "repository.xml";
};

TEST_F(RepositoryDownloadTest, ADocumentWithoutEndStopsAtTheLimitAndLeavesTheCache) {
    server_.Set(kPath, test::HttpServer::Answer::Endless, std::string(64 * 1024, 'x'));
    int64_t most = 0;
    EXPECT_EQ(Run([&](CRepositoryDownload&, int64_t received, int64_t) { most = received; }),
              Outcome::Failed);
    EXPECT_LE(most, 8 * 1024 * 1024 + 64 * 1024);
    EXPECT_EQ(test::ReadBytes(cache_), kOld);
}

TEST_F(RepositoryDownloadTest, AWholeDocumentReplacesTheCacheUnlessStoppedOrCut) {
    // Stopped as its last byte arrives: the user chose to keep the list, so the cache stays.
    server_.Set(kPath, test::HttpServer::Answer::Document, kNew);
    EXPECT_EQ(Run([](CRepositoryDownload& d, int64_t received, int64_t total) {
                  if (total > 0 && received == total) d.Stop();
              }),
              Outcome::Cancelled);
    EXPECT_EQ(test::ReadBytes(cache_), kOld);
    // Cut half way: a failure, and nothing of it in the cache.
    server_.Set(kPath, test::HttpServer::Answer::CutHalfWay, kNew);
    EXPECT_EQ(Run(), Outcome::Failed);
    EXPECT_EQ(test::ReadBytes(cache_), kOld);
    // Whole: the new catalogue is the cache.
    server_.Set(kPath, test::HttpServer::Answer::Document, kNew);
    EXPECT_EQ(Run(), Outcome::Replaced);
    EXPECT_EQ(test::ReadBytes(cache_), kNew);
}

TEST_F(RepositoryDownloadTest, ASlowFirstByteIsNoFailure) {
    server_.Set(kPath, test::HttpServer::Answer::Late, kNew);
    std::thread late([this] {
        while (server_.Requests().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // Longer than a server that is merely slow to start answering ever needs to be refused.
        std::this_thread::sleep_for(std::chrono::seconds(6));
        server_.Release();
    });
    EXPECT_EQ(Run(), Outcome::Replaced);
    late.join();
    EXPECT_EQ(test::ReadBytes(cache_), kNew);
}

}  // namespace
}  // namespace orva
