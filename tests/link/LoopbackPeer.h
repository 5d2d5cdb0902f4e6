// A processing unit stand-in for link tests: listens on a loopback port, accepts one connection at a
// time, keeps what it receives, and sends or drops on command. Runs its own I/O thread.
#pragma once

#include <boost/asio.hpp>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tests/link/Waiting.h"

class LoopbackPeer {
 public:
  // Listens on 127.0.0.1 at port (0: any free port).
  explicit LoopbackPeer(unsigned short port = 0)
      : acceptor_(io_, {boost::asio::ip::make_address("127.0.0.1"), port}) {
    Accept();
    thread_ = std::thread([this] { io_.run(); });
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;
  ~LoopbackPeer() {
    boost::asio::post(io_, [this] {
      boost::system::error_code ignored;
      acceptor_.close(ignored);
      if (socket_) socket_->close(ignored);
    });
    work_.reset();
    thread_.join();
  }

  unsigned short Port() const { return acceptor_.local_endpoint().port(); }
  std::string Address() const { return "127.0.0.1:" + std::to_string(Port()); }

  // Waits until at least `bytes` bytes have been received in all, or `count` connections accepted.
  bool WaitReceived(std::size_t bytes) {
    return WaitFor([&] { return Received().size() >= bytes; });
  }
  bool WaitConnections(int count) {
    return WaitFor([&] {
      std::lock_guard lock(mutex_);
      return connections_ >= count;
    });
  }
  std::string Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }
  void SendBytes(std::string bytes) {
    boost::asio::post(io_, [this, data = std::make_shared<std::string>(std::move(bytes))] {
      if (socket_) boost::asio::async_write(*socket_, boost::asio::buffer(*data), [data](auto, auto) {});
    });
  }
  // Closes the current connection; the next one is accepted.
  void Drop() {
    std::promise<void> done;
    boost::asio::post(io_, [this, &done] {
      boost::system::error_code ignored;
      if (socket_) socket_->close(ignored);
      done.set_value();
    });
    done.get_future().wait();
  }

 private:
  void Accept() {
    acceptor_.async_accept(
        [this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
          if (error) return;
          socket_ = std::make_unique<boost::asio::ip::tcp::socket>(std::move(socket));
          {
            std::lock_guard lock(mutex_);
            ++connections_;
          }
          Read(socket_.get());
          Accept();
        });
  }
  void Read(boost::asio::ip::tcp::socket* socket) {
    socket->async_read_some(boost::asio::buffer(buffer_),
                            [this, socket](const boost::system::error_code& error, std::size_t n) {
                              if (error) return;
                              {
                                std::lock_guard lock(mutex_);
                                received_.append(buffer_.data(), n);
                              }
                              Read(socket);
                            });
  }

  boost::asio::io_context io_;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_{io_.get_executor()};
  boost::asio::ip::tcp::acceptor acceptor_;
  std::unique_ptr<boost::asio::ip::tcp::socket> socket_;
  std::array<char, 65536> buffer_{};
  std::mutex mutex_;
  std::string received_;
  int connections_ = 0;
  std::thread thread_;
};
