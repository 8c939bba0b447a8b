#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "support/local_server.h"
#include "web/http_client.h"

namespace lh {
namespace {

using test::LocalServer;
using test::ScopedServerRedirect;
using test::ScriptedAnswer;
using Clock = std::chrono::steady_clock;

constexpr auto kStopAfter = std::chrono::milliseconds(300);

// Runs `transfer` while a stop request arrives kStopAfter later, and returns how long
// the transfer went on after the request.
Clock::duration timeAfterStop(const std::function<void(const StopToken&)>& transfer) {
    std::atomic<bool> flag{false};
    std::atomic<Clock::rep> stoppedAt{0};
    std::thread stopper([&] {
        std::this_thread::sleep_for(kStopAfter);
        stoppedAt = Clock::now().time_since_epoch().count();
        flag = true;
    });
    transfer(StopToken(flag));
    const Clock::time_point ended = Clock::now();
    stopper.join();
    return ended - Clock::time_point(Clock::duration(stoppedAt.load()));
}

TEST(Stopping, StalledTransfersEndWithinASecondOfTheRequest) {
    LocalServer server;
    ScriptedAnswer beforeHeaders = ScriptedAnswer::html("late");
    beforeHeaders.delayMs = 30000;
    ScriptedAnswer afterHeaders = ScriptedAnswer::html(std::string(1000, 'a'));
    afterHeaders.pauseAfterBodyBytes = 0;
    afterHeaders.pauseMs = 30000;
    ScriptedAnswer drip = ScriptedAnswer::html(std::string(1000, 'd'));
    drip.dripMs = 1000;
    ScriptedAnswer redirectThenStall = ScriptedAnswer::redirect(302, "http://target.example/");
    redirectThenStall.delayMs = 30000;

    HttpClient client;
    for (const ScriptedAnswer& answer : {beforeHeaders, afterHeaders, drip}) {
        server.enqueue(answer);
        FetchReply reply;
        EXPECT_LT(timeAfterStop([&](const StopToken& stop) {
                      EXPECT_EQ(client.fetch(server.url("/s"), {.stop = stop}, &reply), "");
                  }),
                  std::chrono::seconds(1));
        EXPECT_EQ(reply.outcome.failure, TransferFailure::Stopped);
        server.enqueue(answer);
        RequestReply requestReply;
        EXPECT_LT(timeAfterStop([&](const StopToken& stop) {
                      client.request(server.url("/r"), {.stop = stop}, &requestReply);
                  }),
                  std::chrono::seconds(1));
        EXPECT_EQ(requestReply.outcome.failure, TransferFailure::Stopped);
    }
    server.enqueue(redirectThenStall);
    TransferOutcome outcome;
    EXPECT_LT(timeAfterStop([&](const StopToken& stop) {
                  EXPECT_EQ(client.redirectLocation(server.url("/link"), {.stop = stop}, &outcome),
                            "");
              }),
              std::chrono::seconds(1));
    EXPECT_EQ(outcome.failure, TransferFailure::Stopped);

    // A stop requested before the transfer sends nothing at all.
    const std::size_t sent = server.requestCount();
    std::atomic<bool> stopped{true};
    FetchReply reply;
    EXPECT_EQ(client.fetch(server.url("/never"), {.stop = StopToken(stopped)}, &reply), "");
    EXPECT_EQ(reply.outcome.failure, TransferFailure::Stopped);
    EXPECT_EQ(server.requestCount(), sent);
}

TEST(Deadlines, RedirectLookUpReadsHeadersOnlyAndKeepsToItsBudget) {
    LocalServer server;
    HttpClient client;
    // Neither a huge body nor one that never comes holds up the Location.
    ScriptedAnswer hugeBody = ScriptedAnswer::redirect(302, "http://target.example/a");
    hugeBody.fillerBytes = std::size_t{200} << 20;
    ScriptedAnswer stalledBody = ScriptedAnswer::redirect(302, "http://target.example/b");
    stalledBody.body = "moved";
    stalledBody.pauseAfterBodyBytes = 0;
    stalledBody.pauseMs = 30000;
    server.enqueue(hugeBody);
    server.enqueue(stalledBody);
    auto start = Clock::now();
    EXPECT_EQ(client.redirectLocation(server.url("/a")), "http://target.example/a");
    EXPECT_EQ(client.redirectLocation(server.url("/b")), "http://target.example/b");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));

    // A stalled redirector gives up when the look-up's budget is spent.
    ScriptedAnswer stalled = ScriptedAnswer::redirect(302, "http://target.example/c");
    stalled.delayMs = 30000;
    server.setDefaultAnswer(stalled);
    start = Clock::now();
    const StopToken budget = StopToken().withDeadline(start + std::chrono::milliseconds(700));
    TransferOutcome outcome;
    EXPECT_EQ(client.redirectLocation(server.url("/c"), {.stop = budget}, &outcome), "");
    EXPECT_EQ(outcome.failure, TransferFailure::TimedOut);
    EXPECT_EQ(client.redirectLocation(server.url("/c"), {.stop = budget}, &outcome), "");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
}

TEST(ConnectionReuse, OneConnectionPerHostAndOneTlsHandshake) {
    LocalServer plain;
    plain.setDefaultAnswer(ScriptedAnswer::html("plain"));
    LocalServer secure(LocalServer::Scheme::Https);
    secure.setDefaultAnswer(ScriptedAnswer::html("secure"));
    ScopedServerRedirect trustTestCa(secure, {});
    for (int i = 0; i < 3; ++i) {
        HttpClient client;  // a new client per page, as the run makes them
        EXPECT_EQ(client.fetch(plain.url("/p")), "plain");
        EXPECT_EQ(client.request(plain.url("/r")), "plain");
        EXPECT_EQ(client.fetch(secure.url("/s")), "secure");
    }
    EXPECT_EQ(plain.connectionCount(), 1);
    EXPECT_EQ(secure.connectionCount(), 1);
    EXPECT_EQ(secure.tlsHandshakeCount(), 1);

    // A connection given up mid-answer is not used again; the next exchange has a new one.
    ScriptedAnswer stalled = ScriptedAnswer::html(std::string(100, 's'));
    stalled.pauseAfterBodyBytes = 10;
    stalled.pauseMs = 30000;
    plain.enqueue(stalled);
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        plain.waitForRequests(7);
        stop = true;
    });
    HttpClient client;
    EXPECT_EQ(client.fetch(plain.url("/stall"), {.stop = StopToken(stop)}), "");
    stopper.join();
    EXPECT_EQ(client.fetch(plain.url("/p")), "plain");
    EXPECT_EQ(plain.connectionCount(), 2);
}

TEST(ConnectionReuse, ThreadsFetchInParallelOverTls) {
    LocalServer secure(LocalServer::Scheme::Https);
    secure.setHandler([](const test::RecordedRequest& request) {
        return ScriptedAnswer::html("page " + request.target);
    });
    ScopedServerRedirect trustTestCa(secure, {});
    constexpr int kThreads = 4;
    constexpr int kPages = 5;
    EXPECT_EQ(HttpClient().fetch(secure.url("/first")), "page /first");
    std::atomic<int> right{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int p = 0; p < kPages; ++p) {
                const std::string target = "/t" + std::to_string(t) + "p" + std::to_string(p);
                if (HttpClient().fetch(secure.url(target)) == "page " + target) ++right;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(right, kThreads * kPages);
    // Each thread keeps a connection of its own.
    EXPECT_EQ(secure.connectionCount(), kThreads + 1);
    // A thread's new connection resumes a TLS session another thread opened.
    const int resumed = secure.tlsResumedCount();
    std::thread([&] { EXPECT_EQ(HttpClient().fetch(secure.url("/late")), "page /late"); }).join();
    EXPECT_EQ(secure.connectionCount(), kThreads + 2);
    EXPECT_EQ(secure.tlsResumedCount(), resumed + 1);
}

}  // namespace
}  // namespace lh
