#include "HttpExchange.hpp"

#include <algorithm>
#include <cstring>

namespace amberloom::server {

ssize_t HttpExchange::read(char* ptr, size_t size) {
  const std::size_t n = std::min(size, received_.size() - position_);
  std::memcpy(ptr, received_.data() + position_, n);
  position_ += n;
  return static_cast<ssize_t>(n);
}

ssize_t HttpExchange::write(const char* ptr, size_t size) {
  answer.append(ptr, size);
  return static_cast<ssize_t>(size);
}

void HttpExchange::get_remote_ip_and_port(std::string& ip, int& port) const {
  ip = peer_.remoteAddress;
  port = peer_.remotePort;
}

void HttpExchange::get_local_ip_and_port(std::string& ip, int& port) const {
  ip = peer_.localAddress;
  port = peer_.localPort;
}

}  // namespace amberloom::server
