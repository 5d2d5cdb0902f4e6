// The host's JSON API over HTTP: devices and their attributes, change requests, the host's logging,
// the operator's selection of sonar and vessel, a sound-velocity sensor reading, the sonar links with
// their counters, a stream of server-sent events on every change, and the front end's static files. Binds to
// loopback unless told otherwise; any other address needs a token that every call must carry.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "host/HttpServer.h"

class HostRuntime;

struct HttpApiOptions {
  std::string address = "127.0.0.1:8080";  // ADDRESS:PORT; port 0 takes any free port
  std::string token;                       // required for an address that is not loopback
  std::filesystem::path frontEnd;          // folder of the front end's files; empty: none is served
  HttpLimits limits;                       // connections, deadlines, body size, stream queues
};

class HttpApi {
 public:
  // Binds and starts serving on an event loop of its own. Null, with a message naming the problem,
  // when the address is bad, taken (by this or another program), or not loopback without a token.
  static std::unique_ptr<HttpApi> Start(HostRuntime& runtime, const HttpApiOptions& options,
                                        std::string& error);
  HttpApi(const HttpApi&) = delete;
  HttpApi& operator=(const HttpApi&) = delete;
  ~HttpApi();

  // "ADDRESS:PORT" actually bound.
  std::string Address() const;
  // Answers one request as the server does for a client, on the calling thread: routes, token,
  // refusals. An event-stream request only gets the reply that turns its connection into a stream.
  HttpReply Handle(const HttpRequest& request);
  // Client connections open now, event streams included.
  std::size_t OpenConnections() const;
  // Ends the event streams, stops serving and joins its threads.
  void Stop();

  struct Impl;

 private:
  explicit HttpApi(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};
