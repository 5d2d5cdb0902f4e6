// What the links share of their I/O context; seen only by the link sources.
#pragma once

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <thread>

#include "link/ZqLinkContext.h"

struct ZqLinkContext::Impl {
  boost::asio::io_context io;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work{io.get_executor()};
  std::thread thread;
};
