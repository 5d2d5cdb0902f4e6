// The HTTP server under clients that misbehave: idle, slow and non-reading ones cut off, connections past
// the cap refused. (A second host on an address in use: the end-to-end HostRestartTest.)
#include "host/HttpServer.h"

#include <gtest/gtest.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <string>
#include <vector>

#include "host/EventHub.h"
#include "tests/link/Waiting.h"
#include "tools/HttpClient.h"

namespace {

using boost::asio::ip::tcp;

class HttpServerTest : public ::testing::Test {
 protected:
  void Start(const HttpLimits& limits) {
    std::string error;
    server_ = HttpServer::Start(
        "127.0.0.1", 0, limits,
        [](const HttpRequest& request) {
          if (request.path == "/stream") return HttpReply{200, "", "", true};
          return HttpReply{200, "text/plain", request.method + " " + request.path};
        },
        events_, error);
    ASSERT_TRUE(server_) << error;
  }

  // A raw connection, for clients that do what no well-behaved client would.
  tcp::socket Connect(int receiveBuffer = 0) {
    tcp::socket socket(io_);
    socket.open(tcp::v4());
    if (receiveBuffer > 0) socket.set_option(boost::asio::socket_base::receive_buffer_size(receiveBuffer));
    socket.connect(tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), server_->Port()));
    return socket;
  }

  // Everything the server sends until it closes the connection.
  static std::string ReadToClose(tcp::socket& socket) {
    std::string text;
    boost::system::error_code code;
    boost::asio::read(socket, boost::asio::dynamic_buffer(text), code);
    return text;
  }

  boost::asio::io_context io_;
  EventHub events_;
  std::unique_ptr<HttpServer> server_;
};

TEST_F(HttpServerTest, IdleAndSlowClientsAreCutOffAtTheDeadlineWhileOthersAreAnswered) {
  HttpLimits limits;
  limits.requestDeadline = std::chrono::milliseconds(300);
  Start(limits);
  auto idle = Connect();
  auto slow = Connect();
  boost::asio::write(slow, boost::asio::buffer(std::string("GET /slow HTTP/1.1\r\nHo")));

  HttpClient client("127.0.0.1", server_->Port());
  const auto answered = client.Get("/devices");
  ASSERT_TRUE(answered);
  EXPECT_EQ(answered->body, "GET /devices");

  EXPECT_EQ(ReadToClose(idle), "");
  const std::string refused = ReadToClose(slow);
  EXPECT_EQ(refused.rfind("HTTP/1.1 408 ", 0), 0u) << refused;
  EXPECT_NE(refused.find(R"({"error":"request not received whole within 300 ms"})"), std::string::npos);
}

TEST_F(HttpServerTest, AStreamClientThatDoesNotReadIsDroppedAndOneThatReadsGetsEveryEventInOrder) {
  HttpLimits limits;
  limits.writeDeadline = std::chrono::seconds(30);
  limits.streamQueueBytes = 256 * 1024;
  Start(limits);
  const std::string request = "GET /stream HTTP/1.1\r\nHost: here\r\n\r\n";
  auto stalled = Connect(4096);
  boost::asio::write(stalled, boost::asio::buffer(request));
  ASSERT_TRUE(WaitFor([&] { return events_.HasListeners(); }));

  constexpr int kEvents = 20'000;
  const std::string padding(500, 'x');
  std::string received;
  std::thread reader([&] {
    HttpClient follower("127.0.0.1", server_->Port());
    follower.Stream(
        "/stream",
        [&](std::string_view piece) {
          received.append(piece);
          // Only the newest bytes can hold the last event.
          const std::string last = "\"n\":" + std::to_string(kEvents - 1) + "}";
          const std::size_t from = received.size() - std::min(received.size(), piece.size() + last.size());
          return received.find(last, from) == std::string::npos;
        },
        std::chrono::seconds(30));
  });
  ASSERT_TRUE(WaitFor([&] { return server_->OpenConnections() == 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the follower's listener is registered
  for (int n = 0; n < kEvents; ++n) {
    events_.Publish(R"({"pad":")" + padding + R"(","n":)" + std::to_string(n) + "}");
    // The reading follower keeps up when it is given a moment now and then.
    if (n % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  reader.join();
  // 10 MB went to the stalled client, far more than its queue and the kernel's buffers hold.
  EXPECT_TRUE(WaitFor([&] { return server_->OpenConnections() == 0; }));
  std::size_t at = 0;
  for (int n = 0; n < kEvents; ++n) {
    at = received.find("\"n\":" + std::to_string(n) + "}", at);
    ASSERT_NE(at, std::string::npos) << "event " << n << " missing or out of order";
  }
}

TEST_F(HttpServerTest, ConnectionsPastTheCapAreRefused) {
  HttpLimits limits;
  limits.maxConnections = 3;
  Start(limits);
  std::vector<tcp::socket> held;
  for (int i = 0; i < 3; ++i) held.push_back(Connect());
  ASSERT_TRUE(WaitFor([&] { return server_->OpenConnections() == 3; }));
  auto refusedSocket = Connect();
  const std::string refused = ReadToClose(refusedSocket);
  EXPECT_EQ(refused.rfind("HTTP/1.1 503 ", 0), 0u) << refused;
  EXPECT_NE(refused.find("too many connections (3 open): try again later"), std::string::npos);
  held.clear();
  HttpClient client("127.0.0.1", server_->Port());
  EXPECT_TRUE(WaitFor([&] { return client.Get("/again").has_value(); }));
}

TEST(DecodeRequestPathTest, DecodesEscapesAndRefusesWhatIsNotUtf8) {
  const struct {
    const char* target;
    bool ok;
    std::string result;  // the path, or the problem
  } cases[] = {
      {"/api/devices?x=1", true, "/api/devices"},
      {"/a%20b/%C3%A9", true, "/a b/\xC3\xA9"},
      // Overlong forms, surrogates, code points past U+10FFFF and cut sequences: the UTF-8 rule that
      // ZqMessageRecordsTest checks for sonar texts.
      {"/%C0%AF", false, "path is not valid UTF-8 once percent-decoded"},
      {"/%4", false, "path: \"%\" must be followed by two hexadecimal digits"},
      {"/%zz", false, "path: \"%\" must be followed by two hexadecimal digits"},
  };
  for (const auto& c : cases) {
    std::string path;
    std::string problem;
    EXPECT_EQ(DecodeRequestPath(c.target, path, problem), c.ok) << c.target;
    EXPECT_EQ(c.ok ? path : problem, c.result) << c.target;
  }
}

}  // namespace
