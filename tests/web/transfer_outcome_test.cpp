#include <gtest/gtest.h>

#include <memory>

#include "support/local_server.h"
#include "web/http_client.h"

namespace lh {
namespace {

using test::LocalServer;
using test::ScriptedAnswer;

// A port on 127.0.0.1 where nothing listens any more.
int closedPort() { return LocalServer().port(); }

TEST(TransferOutcome, EachFailureKindComesWithTheSystemsText) {
    HttpClient client;
    FetchReply reply;
    const std::string closed = "127.0.0.1:" + std::to_string(closedPort());

    EXPECT_EQ(client.fetch("http://nonexistent.invalid/", {.timeoutSeconds = 5}, &reply), "");
    EXPECT_EQ(reply.outcome.failure, TransferFailure::Dns);
    EXPECT_NE(reply.outcome.reason.find("nonexistent.invalid"), std::string::npos)
        << reply.outcome.reason;

    EXPECT_EQ(client.fetch("http://" + closed + "/", {.timeoutSeconds = 5}, &reply), "");
    EXPECT_EQ(reply.outcome.failure, TransferFailure::ConnectRefused);
    EXPECT_FALSE(reply.outcome.reason.empty());

    EXPECT_EQ(
        client.fetch("http://www.example.org/", {.timeoutSeconds = 5, .proxy = closed}, &reply),
        "");
    EXPECT_EQ(reply.outcome.failure, TransferFailure::Proxy);
    RequestReply requestReply;
    client.request("http://www.example.org/", {.timeoutSeconds = 5, .proxy = closed},
                   &requestReply);
    EXPECT_EQ(requestReply.outcome.failure, TransferFailure::Proxy);

    // An error status still delivers its page; the outcome names the status.
    LocalServer server;
    ScriptedAnswer missing = ScriptedAnswer::notFound();
    server.setDefaultAnswer(missing);
    EXPECT_EQ(client.fetch(server.url("/gone"), {.timeoutSeconds = 5}, &reply), "not found");
    EXPECT_EQ(reply.outcome.failure, TransferFailure::HttpStatus);
    EXPECT_TRUE(reply.outcome.delivered());
    EXPECT_EQ(reply.outcome.reason, "HTTP/1.1 404 Not Found");
    EXPECT_EQ(reply.outcome.url, server.url("/gone"));

    TransferOutcome outcome;
    EXPECT_EQ(client.redirectLocation("", {}, &outcome), "");
    EXPECT_EQ(outcome.failure, TransferFailure::Other);
}

TEST(TransferOutcome, CutShortAnswersAreFailedAttemptsNotPages) {
    LocalServer server;
    HttpClient client;
    const std::string page(4000, 'p');

    ScriptedAnswer shortOfLength = ScriptedAnswer::html(page);
    shortOfLength.headers.push_back("Content-Length: 9000");
    shortOfLength.closeAfter = true;
    ScriptedAnswer lastChunkMissing = ScriptedAnswer::html("fa0\r\n" + page + "\r\n");
    lastChunkMissing.headers.push_back("Transfer-Encoding: chunked");
    lastChunkMissing.addContentLength = false;
    lastChunkMissing.closeAfter = true;
    ScriptedAnswer resetMidBody = ScriptedAnswer::html(page);
    resetMidBody.dropAfterBodyBytes = 1000;
    resetMidBody.resetOnDrop = true;
    ScriptedAnswer closedMidBody = ScriptedAnswer::html(page);
    closedMidBody.dropAfterBodyBytes = 1000;
    ScriptedAnswer noAnswer;
    noAnswer.dropWithoutAnswer = true;
    // libcurl asks again on a fresh connection when a kept one dies unanswered.
    server.setDefaultAnswer(noAnswer);

    for (const ScriptedAnswer& answer :
         {shortOfLength, lastChunkMissing, resetMidBody, closedMidBody, noAnswer}) {
        server.enqueue(answer);
        FetchReply reply;
        EXPECT_EQ(client.fetch(server.url("/cut"), {.timeoutSeconds = 5}, &reply), "");
        EXPECT_EQ(reply.outcome.failure, TransferFailure::CutShort) << reply.outcome.reason;
        EXPECT_FALSE(reply.outcome.reason.empty());
        EXPECT_TRUE(reply.body.empty());

        server.enqueue(answer);
        RequestReply requestReply;
        EXPECT_EQ(client.request(server.url("/cut"), {.timeoutSeconds = 5}, &requestReply), "");
        EXPECT_EQ(requestReply.outcome.failure, TransferFailure::CutShort);
    }
    // The whole answer, once it comes, is a page again.
    server.enqueue(ScriptedAnswer::html(page));
    FetchReply reply;
    EXPECT_EQ(client.fetch(server.url("/whole"), {.timeoutSeconds = 5}, &reply), page);
    EXPECT_EQ(reply.outcome.failure, TransferFailure::None);
}

TEST(TransferOutcome, BodiesAndGzipBombsAreCutAtTheLimit) {
    LocalServer server;
    HttpClient client;
    const std::size_t limit = 64 * 1024;

    // Announced too long: refused before the body is read.
    ScriptedAnswer announced = ScriptedAnswer::html("<html>");
    announced.fillerBytes = std::size_t{200} << 20;
    // Not announced: read up to the limit, then cut.
    ScriptedAnswer unannounced = ScriptedAnswer::html("<html>");
    unannounced.fillerBytes = 1 << 20;
    unannounced.addContentLength = false;
    unannounced.closeAfter = true;
    for (const ScriptedAnswer& answer : {announced, unannounced}) {
        server.enqueue(answer);
        FetchReply reply;
        EXPECT_EQ(
            client.fetch(server.url("/big"), {.timeoutSeconds = 5, .maxBodyBytes = limit}, &reply),
            "");
        EXPECT_EQ(reply.outcome.failure, TransferFailure::TooLarge);
        EXPECT_TRUE(reply.body.empty());
        server.enqueue(answer);
        RequestReply requestReply;
        client.request(server.url("/big"), {.timeoutSeconds = 5, .maxBodyBytes = limit},
                       &requestReply);
        EXPECT_EQ(requestReply.outcome.failure, TransferFailure::TooLarge);
    }

    // A small gzip body that unpacks past the default limit of 16 MB.
    ScriptedAnswer bomb = ScriptedAnswer::html(test::gzipBomb(std::size_t{64} << 20));
    bomb.headers.push_back("Content-Encoding: gzip");
    server.enqueue(bomb);
    FetchReply reply;
    EXPECT_EQ(client.fetch(server.url("/bomb"), {.timeoutSeconds = 5}, &reply), "");
    EXPECT_EQ(reply.outcome.failure, TransferFailure::TooLarge);
    EXPECT_NE(reply.outcome.reason.find("16777216"), std::string::npos);
    server.enqueue(bomb);
    RequestReply requestReply;
    EXPECT_EQ(client.request(server.url("/bomb"), {.timeoutSeconds = 5}, &requestReply), "");
    EXPECT_EQ(requestReply.outcome.failure, TransferFailure::TooLarge);

    // A body of exactly the limit is a page.
    ScriptedAnswer fits = ScriptedAnswer::html("");
    fits.fillerBytes = limit;
    server.enqueue(fits);
    EXPECT_EQ(
        client.fetch(server.url("/fits"), {.timeoutSeconds = 5, .maxBodyBytes = limit}).size(),
        limit);
}

}  // namespace
}  // namespace lh
