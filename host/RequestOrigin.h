// Where a change request applied to a sonar came from, as the change history names it.
#pragma once

#include <string>

struct RequestOrigin {
  // "api" (a request over the API), "view" (a view's request), "profile", "restore" or "logging".
  std::string source = "api";
  // The API client's address and, when it sent one, its operator's name: "127.0.0.1 (Ann)"; empty
  // for what the host does on its own.
  std::string client;
};
