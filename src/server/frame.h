// The language server's messages as they come over a byte stream: a header
// with their Content-Length, a blank line, then that many bytes of JSON.
#pragma once

#include <cstddef>
#include <string>

/// Splits a stream into messages, whatever pieces it arrives in.
class Framer {
 public:
  /// The longest message taken; a longer one is skipped whole.
  static constexpr size_t kMessageMax = size_t{256} << 20;

  /// Takes `size` more bytes of the stream; calls `on_message(body)` for
  /// each whole message, and `on_error(why)` for a header it cannot read
  /// (which it drops, to go on after it) or a message too long.
  template <typename OnMessage, typename OnError>
  void feed(const char* data, size_t size, OnMessage on_message, OnError on_error) {
    if (skip_ != 0) {  // the rest of a message too long
      size_t n = size < skip_ ? size : skip_;
      data += n, size -= n, skip_ -= n;
    }
    held_.append(data, size);
    for (;;) {
      size_t end = held_.find("\r\n\r\n", from_);
      if (end == std::string::npos) {
        from_ = held_.size() > 3 ? held_.size() - 3 : 0;
        if (held_.size() > kHeaderMax) {
          on_error("a header of more than 8 KiB");
          held_.clear();
          from_ = 0;
        }
        return;
      }
      long long length = content_length(end);
      size_t body = end + 4;
      if (length < 0) {
        on_error("a header without a Content-Length");
        held_.erase(0, body);
        from_ = 0;
        continue;
      }
      if (static_cast<unsigned long long>(length) > kMessageMax) {
        on_error("a message over 256 MiB");
        size_t here = held_.size() - body;
        if (here >= static_cast<unsigned long long>(length)) {
          held_.erase(0, body + static_cast<size_t>(length));
          from_ = 0;
          continue;
        }
        skip_ = static_cast<size_t>(length) - here;
        held_.clear();
        from_ = 0;
        return;
      }
      if (held_.size() - body < static_cast<size_t>(length)) {
        from_ = end;  // the header is whole: wait for the body
        return;
      }
      std::string message = held_.substr(body, static_cast<size_t>(length));
      held_.erase(0, body + static_cast<size_t>(length));
      from_ = 0;
      on_message(message);
    }
  }

  /// `body` as a message to send.
  static std::string frame(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }

 private:
  static constexpr size_t kHeaderMax = 8192;

  // The Content-Length of the header that ends at `end`, or -1.
  long long content_length(size_t end) const;

  std::string held_;  // what is held of the next message
  size_t from_ = 0;   // where to look for the header's end again
  size_t skip_ = 0;   // bytes of a message too long still to come
};
