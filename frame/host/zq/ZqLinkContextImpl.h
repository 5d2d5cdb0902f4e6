// What the links share of their I/O context; seen only by the link sources.
#pragma once

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <thread>

#include "zq/ZqLinkContext.h"

struct ZqLinkContext::Impl {
  asio::io_context io;
  asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
  std::thread thread;
};
